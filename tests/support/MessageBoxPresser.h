// Answers the message boxes that this thread opens: a second thread finds
// each one, records what it says and presses OK, so that a modal box can't
// block the test.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

struct SeenMessageBox {
    std::wstring text;
    std::wstring caption;
    HWND owner;
    std::vector<int> buttons;  // ids of the visible buttons
};

class MessageBoxPresser {
public:
    // Watches the top-level windows of the calling thread; `ignored` (the
    // test's own dialog, of the same class) is never pressed.
    explicit MessageBoxPresser(HWND ignored);
    ~MessageBoxPresser();
    MessageBoxPresser(const MessageBoxPresser&) = delete;
    MessageBoxPresser& operator=(const MessageBoxPresser&) = delete;

    // Stops watching; what was seen stays readable.
    void stop();
    const std::vector<SeenMessageBox>& seen() const { return seen_; }

private:
    static DWORD WINAPI watch(LPVOID parameter);
    static BOOL CALLBACK visit(HWND window, LPARAM parameter);
    void pressBox(HWND box);

    HWND ignored_;
    DWORD watchedThread_;
    HANDLE stop_;
    HANDLE thread_ = nullptr;
    std::set<HWND> pressed_;
    std::vector<SeenMessageBox> seen_;
};
