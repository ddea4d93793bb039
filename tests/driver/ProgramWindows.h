// Works the patch program's windows from another process, the way a user
// meets them: finds its dialogs, reads texts, presses buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Every wait ends: a program that hangs fails the test instead of blocking it.
inline constexpr DWORD windowTimeoutMs = 15000;

// Polls the condition until it holds or the time is up; true when it held.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = windowTimeoutMs);

// The text of a window of another process, in UTF-16 as the window holds
// it, whatever this process's code page (WM_GETTEXT: GetWindowText gives ""
// for another process's controls); "<no answer>" when it does not reply.
std::wstring windowText(HWND window);
// "<no control>" when the dialog has no control `id`.
std::wstring controlText(HWND dialog, int id);

// Presses a button by posting its command: a sent BM_CLICK would block
// whenever the button opens a modal box.
void pressButton(HWND dialog, int id);

// The message text of a message box: its static 0xFFFF.
inline constexpr int messageBoxTextId = 0xFFFF;

// Visible top-level dialogs (class "#32770") of one process.
enum class DialogKind {
    patchDialog,    // holds the Run button
    messageBox,     // holds the message text, static 0xFFFF
    folderBrowser,  // holds the browser's tree, 0x3741
};
HWND findDialog(DWORD processId, DialogKind kind);
HWND waitForDialog(DWORD processId, DialogKind kind, DWORD timeoutMs = windowTimeoutMs);

// How deep below the shell's root the folder browser's selected item lies
// (0: the desktop itself, or nothing selected yet). The browser shows its
// window before it has walked down to the folder it was asked to preselect.
int folderBrowserSelectionDepth(HWND browser);

// Whether the process shows any visible top-level window.
bool hasVisibleWindow(DWORD processId);

// A message box as the user sees it.
struct MessageBoxView {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
    bool hasCancel = false;
    bool hasRetry = false;  // MB_RETRYCANCEL's 再試行
};
MessageBoxView readMessageBox(HWND box);

// Position of the progress bar (PBM_GETPOS works across processes).
int progressPosition(HWND dialog);

// The window that has the keyboard focus in the thread that owns `window`
// (GetGUIThreadInfo: GetFocus answers for this process's threads only);
// null when none has it.
HWND focusedWindowOf(HWND window);

// Types one key as a player does, into whatever is in front: brings
// `window` to the front first and waits until it is. False when it could
// not be brought there.
bool typeKey(HWND window, WORD virtualKey);
