#include "tests/driver/ProgramWindows.h"

#include <commctrl.h>

#include "resources/resource_ids.h"

namespace {

constexpr DWORD replyTimeoutMs = 5000;
constexpr int browserTreeId = 0x3741;

bool isKind(HWND window, DialogKind kind) {
    const bool hasRun = GetDlgItem(window, IDC_RUN) != nullptr;
    const bool hasTree = GetDlgItem(window, browserTreeId) != nullptr;
    switch (kind) {
    case DialogKind::patchDialog:
        return hasRun;
    case DialogKind::messageBox:
        return !hasRun && !hasTree && GetDlgItem(window, messageBoxTextId) != nullptr;
    case DialogKind::folderBrowser:
        return hasTree;
    }
    return false;
}

bool isDialog(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return lstrcmpW(className, L"#32770") == 0;
}

struct WindowSearch {
    DWORD processId;
    const std::function<bool(HWND)>& matches;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && search->matches(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first visible top-level window of the process that matches.
HWND findVisibleWindow(DWORD processId, const std::function<bool(HWND)>& matches) {
    WindowSearch search{processId, matches, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// WM_GETTEXT with a time-out, so that a hung program can't hang its driver;
// false when the window did not answer.
bool askText(HWND window, std::wstring& text) {
    wchar_t buffer[2048] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                             replyTimeoutMs, &copied)) {
        return false;
    }
    text.assign(buffer, copied);
    return true;
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(5);
    }
}

std::wstring windowText(HWND window) {
    std::wstring text;
    return askText(window, text) ? text : L"<no answer>";
}

std::wstring controlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? windowText(control) : L"<no control>";
}

void pressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND findDialog(DWORD processId, DialogKind kind) {
    return findVisibleWindow(processId, [&](HWND window) { return isDialog(window) && isKind(window, kind); });
}

int folderBrowserSelectionDepth(HWND browser) {
    // Item handles are plain values, so these queries work across processes.
    HWND tree = GetDlgItem(browser, browserTreeId);
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    int depth = 0;
    while (item != nullptr) {
        item = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
        if (item != nullptr) {
            ++depth;
        }
    }
    return depth;
}

HWND waitForDialog(DWORD processId, DialogKind kind, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findDialog(processId, kind)) != nullptr; }, timeoutMs);
    return found;
}

bool hasVisibleWindow(DWORD processId) {
    return findVisibleWindow(processId, [](HWND) { return true; }) != nullptr;
}

MessageBoxView readMessageBox(HWND box) {
    MessageBoxView view;
    view.window = box;
    view.owner = GetWindow(box, GW_OWNER);
    view.caption = windowText(box);
    view.text = controlText(box, messageBoxTextId);
    view.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
    view.hasRetry = GetDlgItem(box, IDRETRY) != nullptr;
    return view;
}

int progressPosition(HWND dialog) {
    DWORD_PTR position = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, replyTimeoutMs, &position);
    return static_cast<int>(position);
}

HWND focusedWindowOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

bool typeKey(HWND window, WORD virtualKey) {
    SetForegroundWindow(window);
    if (!waitUntil([&] { return GetForegroundWindow() == window; }, 5000)) {
        return false;
    }
    // The activation reaches the program's thread after the system says it
    // is in front; a key sent at once may still find the old focus.
    Sleep(100);
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = virtualKey;
        key.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}
