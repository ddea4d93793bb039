// Ids of the patch dialog, its controls and the program's icon. Plain
// #defines: the resource compiler reads this file as well as the C++ code.
#pragma once

#define IDD_PATCH 101
#define IDI_PATCH 102

#define IDC_PROGRESS 1000
#define IDC_RUN 1001
#define IDC_BROWSE 1002
#define IDC_FOLDER 1003
#define IDC_PROMPT 1004
#define IDC_SPACE 1005
