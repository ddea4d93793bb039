#include "tests/support/MessageBoxPresser.h"

#include <gtest/gtest.h>

MessageBoxPresser::MessageBoxPresser(HWND ignored)
    : ignored_(ignored), watchedThread_(GetCurrentThreadId()), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
    EXPECT_NE(thread_, nullptr);
}

MessageBoxPresser::~MessageBoxPresser() {
    stop();
    CloseHandle(stop_);
}

void MessageBoxPresser::stop() {
    if (thread_ == nullptr) {
        return;
    }
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI MessageBoxPresser::watch(LPVOID parameter) {
    auto* self = static_cast<MessageBoxPresser*>(parameter);
    while (WaitForSingleObject(self->stop_, 5) == WAIT_TIMEOUT) {
        EnumThreadWindows(self->watchedThread_, visit, reinterpret_cast<LPARAM>(self));
    }
    return 0;
}

BOOL CALLBACK MessageBoxPresser::visit(HWND window, LPARAM parameter) {
    auto* self = reinterpret_cast<MessageBoxPresser*>(parameter);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    // Visible once the box has its texts and buttons.
    if (window != self->ignored_ && lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window) &&
        self->pressed_.insert(window).second) {
        self->pressBox(window);
    }
    return TRUE;
}

void MessageBoxPresser::pressBox(HWND box) {
    SeenMessageBox seen;
    char text[1024] = "";
    GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof text);
    seen.text = text;
    GetWindowTextA(box, text, sizeof text);
    seen.caption = text;
    seen.owner = GetWindow(box, GW_OWNER);
    for (int id = IDOK; id <= IDCONTINUE; ++id) {
        HWND button = GetDlgItem(box, id);
        if (button != nullptr && IsWindowVisible(button)) {
            seen.buttons.push_back(id);
        }
    }
    seen_.push_back(seen);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}
