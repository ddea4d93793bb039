// Ids of the program's resources: the patch dialog, its controls, the icon,
// the built-in settings and the release's digest table. Plain #defines: the
// resource compiler reads this file as well as the C++ code.
#pragma once

#define IDD_PATCH 101
#define IDI_PATCH 102
// The built-in settings, type "INF": code page 932 bytes, CR LF breaks.
#define IDR_DEFAULT_SETTINGS 103
// The release's digest table, type "SHA256" (patch-make writes it).
#define IDR_DIGEST_TABLE 104

#define IDC_PROGRESS 1000
#define IDC_RUN 1001
#define IDC_BROWSE 1002
#define IDC_FOLDER 1003
#define IDC_PROMPT 1004
#define IDC_SPACE 1005

#ifndef RC_INVOKED
// The resources' types as the resource calls take them (MAKEINTRESOURCEW
// of the two standard numbers).
inline constexpr unsigned short dialogResourceType = 5;      // RT_DIALOG
inline constexpr unsigned short iconGroupResourceType = 14;  // RT_GROUP_ICON
inline constexpr wchar_t defaultSettingsResourceType[] = L"INF";
inline constexpr wchar_t digestTableResourceType[] = L"SHA256";
#endif
