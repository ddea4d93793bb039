// Answers the message boxes that this thread opens: a second thread finds
// each one, records what it says and presses a button (OK, unless the test
// chooses), so that a modal box can't block the test.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

struct SeenMessageBox {
    std::wstring text;
    std::wstring caption;
    HWND owner;
    std::vector<int> buttons;  // ids of the visible buttons, in increasing order
    bool icon;                 // whether the box shows an icon
};

// The button to press on the box seen (`index` counts the boxes from 0). It
// runs on the presser's thread before the press, while the box is up: a test
// may change the world there (close a file, end a program) before it answers.
using MessageBoxAnswer = std::function<int(const SeenMessageBox& box, std::size_t index)>;

class MessageBoxPresser {
public:
    // Watches the top-level windows of the calling thread; `ignored` (the
    // test's own dialog, of the same class) is never pressed.
    explicit MessageBoxPresser(HWND ignored, MessageBoxAnswer answer = {});
    // The same, never pressing any of `ignored` (the dialogs of two runs).
    MessageBoxPresser(std::vector<HWND> ignored, MessageBoxAnswer answer);
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

    std::vector<HWND> ignored_;
    MessageBoxAnswer answer_;
    DWORD watchedThread_;
    HANDLE stop_;
    HANDLE thread_ = nullptr;
    std::set<HWND> pressed_;
    std::vector<SeenMessageBox> seen_;
};
