// The patch dialog: its procedure, and the handlers that serve the choice of
// the install folder. Everything the dialog shows lives in `patchSession`.
#pragma once

#include <windows.h>

// Each handler works in one text buffer of this many characters; longer texts
// are cut to one character less.
inline constexpr int textBufferSize = 1024;

// The procedure of the IDD_PATCH dialog, run as a Unicode dialog with
// DialogBoxParamW, so that every text reads the same whatever the system's
// code page.
INT_PTR CALLBACK PatchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The folder edit's text, read afresh: the dialog keeps no copy of it.
void readFolderText(HWND dialog, wchar_t (&buffer)[textBufferSize]);

// Fills the size and free-space text for the folder text now in the edit.
void updateSpaceDisplay(HWND dialog);

// Lets the user pick the folder in the shell's folder browser, opened on the
// folder text, and writes the choice back into the edit.
void chooseFolder(HWND dialog);

// The folder browser's callback: preselects the folder text passed as data.
int CALLBACK browseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);
