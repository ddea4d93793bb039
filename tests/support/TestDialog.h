// A modeless stand-in for the patch dialog, a Unicode dialog as the real one, with the same control ids, whose
// controls record the changes the copy makes to them. The test's thread pumps
// its messages while a worker runs, so the worker's synchronous window calls
// are served as the real dialog's thread serves them.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

class PatchSession;

// One change seen by a control, in the order the controls saw them. A focus
// event is the dialog being asked to give the control the keyboard focus
// (WM_NEXTDLGCTL): whether the focus then shows depends on which window is
// in front, which tests running side by side take from each other.
struct ControlEvent {
    enum Kind { hidden, shown, text, range, position, enabled, disabled, focus };
    int id;
    Kind kind;
    std::wstring value;  // the text of a text event, else the number

    bool operator==(const ControlEvent&) const = default;
};
void PrintTo(const ControlEvent& event, std::ostream* out);

ControlEvent hiddenEvent(int id);
ControlEvent shownEvent(int id);
ControlEvent textEvent(int id, const std::wstring& text);
ControlEvent rangeEvent(int id, int low, int high);
ControlEvent positionEvent(int id, int position);
ControlEvent enabledEvent(int id);
ControlEvent focusEvent(int id);

class TestDialog {
public:
    TestDialog();
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND window() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }
    std::wstring controlText(int id) const;

    // The session whose statusText is read when a failure notice arrives.
    void watch(PatchSession& session) { session_ = &session; }

    // Makes the cancel request from the progress bar, as the user's Cancel
    // would, when the given number of positions has been set.
    void cancelAtPositionCount(int count) { cancelAtPositionCount_ = count; }
    // Runs `action` on this thread when the given number of positions has
    // been set, while the worker waits for that call to be served.
    void atPositionCount(int count, std::function<void()> action) {
        actionAtPositionCount_ = count;
        positionAction_ = std::move(action);
    }

    void clearEvents() { events_.clear(); }
    const std::vector<ControlEvent>& events() const { return events_; }
    std::vector<int> positions() const;
    // The controls the dialog was asked to focus, in order.
    std::vector<int> focusTargets() const;

    // statusText as it was when each WM_COPYJOB_FAILED arrived.
    const std::vector<std::wstring>& failureNotices() const { return failureNotices_; }

    // Serves this thread's messages until `thread` has returned and the
    // messages it left are handled. False when it is still running after
    // `timeoutMs`.
    bool pumpUntilDone(HANDLE thread, DWORD timeoutMs = 30000);

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void record(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::map<HWND, WNDPROC> originalProcs_;
    std::vector<ControlEvent> events_;
    std::vector<std::wstring> failureNotices_;
    PatchSession* session_ = nullptr;
    int cancelAtPositionCount_ = 0;
    int actionAtPositionCount_ = 0;
    std::function<void()> positionAction_;
};

// Runs `start` on a thread of its own while the test's thread pumps the
// dialog's messages; fails the test when it does not end in time.
void runOnWorker(TestDialog& dialog, LPTHREAD_START_ROUTINE start, void* parameter);
