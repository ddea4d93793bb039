#include "tests/support/MessageBoxPresser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "tests/support/TempFolder.h"

MessageBoxPresser::MessageBoxPresser(HWND ignored, MessageBoxAnswer answer)
    : MessageBoxPresser(std::vector<HWND>{ignored}, std::move(answer)) {}

MessageBoxPresser::MessageBoxPresser(std::vector<HWND> ignored, MessageBoxAnswer answer)
    : ignored_(std::move(ignored)),
      answer_(std::move(answer)),
      watchedThread_(GetCurrentThreadId()), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
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
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    // Visible once the box has its texts and buttons.
    if (std::find(self->ignored_.begin(), self->ignored_.end(), window) == self->ignored_.end() &&
        lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window) &&
        self->pressed_.insert(window).second) {
        self->pressBox(window);
    }
    return TRUE;
}

void MessageBoxPresser::pressBox(HWND box) {
    SeenMessageBox seen;
    // Read as UTF-16: the texts the program passed, whatever the system's
    // code page.
    wchar_t text[1024] = L"";
    GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 1024);
    seen.text = text;
    GetWindowTextW(box, text, 1024);
    seen.caption = text;
    seen.owner = GetWindow(box, GW_OWNER);
    for (int id = IDOK; id <= IDCONTINUE; ++id) {
        HWND button = GetDlgItem(box, id);
        if (button != nullptr && IsWindowVisible(button)) {
            seen.buttons.push_back(id);
        }
    }
    // Wine's box has its icon control whether or not it shows one.
    HWND icon = GetDlgItem(box, 0x0440);
    seen.icon = icon != nullptr && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
    int button = answer_ ? answer_(seen, seen_.size()) : IDOK;
    if (std::find(seen.buttons.begin(), seen.buttons.end(), button) == seen.buttons.end()) {
        // A press the box ignores would leave it up, and the code under test
        // waiting for ever: the test fails now, and the box is cancelled
        // (closed, for a box of OK alone).
        ADD_FAILURE() << "the box \"" << utf8(seen.text) << "\" has no button " << button;
        const bool cancels = std::find(seen.buttons.begin(), seen.buttons.end(), IDCANCEL) != seen.buttons.end();
        button = cancels || seen.buttons.empty() ? IDCANCEL : seen.buttons.front();
    }
    seen_.push_back(seen);
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
}
