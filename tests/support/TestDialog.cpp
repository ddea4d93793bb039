#include "tests/support/TestDialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "core/PatchSession.h"
#include "resources/resource_ids.h"
#include "tests/support/TempFolder.h"

namespace {

// An in-memory dialog template: the patch dialog's controls and ids, the
// progress bar hidden, everything else visible.
class TemplateBuilder {
public:
    explicit TemplateBuilder(DWORD style) {
        add32(style);
        add32(0);          // extended style
        words_.push_back(0);  // item count, filled in by item()
        add16s({0, 0, 280, 120});
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the dialog class
        addText(u"copy test");
    }

    void item(int id, std::u16string_view className, std::u16string_view text, DWORD style, short x, short y,
              short cx, short cy) {
        if (words_.size() % 2 != 0) {
            words_.push_back(0);  // items start on a DWORD boundary
        }
        add32(style | WS_CHILD);
        add32(0);
        add16s({x, y, cx, cy});
        words_.push_back(static_cast<WORD>(id));
        addText(className);
        addText(text);
        words_.push_back(0);  // no creation data
        ++words_[4];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void add32(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void add16s(std::initializer_list<short> values) {
        for (short value : values) {
            words_.push_back(static_cast<WORD>(value));
        }
    }
    void addText(std::u16string_view text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }

    std::vector<WORD> words_;
};

}  // namespace

void PrintTo(const ControlEvent& event, std::ostream* out) {
    static const char* const kinds[] = {"hidden", "shown", "text", "range", "position", "enabled", "disabled", "focus"};
    *out << "{" << event.id << " " << kinds[event.kind];
    if (!event.value.empty()) {
        *out << " \"" << utf8(event.value) << "\"";
    }
    *out << "}";
}

ControlEvent hiddenEvent(int id) { return {id, ControlEvent::hidden, L""}; }
ControlEvent shownEvent(int id) { return {id, ControlEvent::shown, L""}; }
ControlEvent textEvent(int id, const std::wstring& text) { return {id, ControlEvent::text, text}; }
ControlEvent rangeEvent(int id, int low, int high) {
    return {id, ControlEvent::range, std::to_wstring(low) + L"-" + std::to_wstring(high)};
}
ControlEvent positionEvent(int id, int position) { return {id, ControlEvent::position, std::to_wstring(position)}; }
ControlEvent enabledEvent(int id) { return {id, ControlEvent::enabled, L""}; }
ControlEvent focusEvent(int id) { return {id, ControlEvent::focus, L""}; }

TestDialog::TestDialog() {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    EXPECT_TRUE(InitCommonControlsEx(&classes));

    // Ids, classes, styles and places of the patch dialog, in its tab order.
    TemplateBuilder builder(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    builder.item(IDC_RUN, u"BUTTON", u"実行", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 73, 70, 50, 14);
    builder.item(IDC_FOLDER, u"EDIT", u"", ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 6, 25,
                 154, 14);
    builder.item(IDC_BROWSE, u"BUTTON", u"...", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 165, 25, 15, 14);
    builder.item(IDCANCEL, u"BUTTON", u"ｷｬﾝｾﾙ", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 130, 70, 50, 14);
    builder.item(IDC_PROMPT, u"STATIC", u"インストール先のフォルダを選択して下さい。", SS_LEFT | WS_GROUP | WS_VISIBLE, 8,
                 10, 172, 8);
    builder.item(IDC_PROGRESS, u"msctls_progress32", u"Progress1", WS_BORDER, 6, 25, 174, 14);
    builder.item(IDC_SPACE, u"STATIC", u"", SS_LEFT | WS_GROUP | WS_VISIBLE, 8, 47, 165, 19);

    // A Unicode dialog, as the program's: its controls take and give UTF-16
    // texts, and the recorded texts are those the copy passed.
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), builder.get(), nullptr, dialogProc,
                                         reinterpret_cast<LPARAM>(this));
    EXPECT_NE(window_, nullptr);
    if (window_ == nullptr) {
        return;
    }
    ShowWindow(window_, SW_SHOW);
    for (int id : {IDC_PROGRESS, IDC_RUN, IDC_BROWSE, IDC_FOLDER, IDC_PROMPT, IDC_SPACE, IDCANCEL}) {
        HWND child = control(id);
        EXPECT_NE(child, nullptr) << id;
        originalProcs_[child] = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc)));
    }
}

TestDialog::~TestDialog() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

std::wstring TestDialog::controlText(int id) const {
    wchar_t text[1024] = L"";
    GetWindowTextW(control(id), text, 1024);
    return text;
}

std::vector<int> TestDialog::focusTargets() const {
    std::vector<int> found;
    for (const ControlEvent& event : events_) {
        if (event.kind == ControlEvent::focus) {
            found.push_back(event.id);
        }
    }
    return found;
}

std::vector<int> TestDialog::positions() const {
    std::vector<int> found;
    for (const ControlEvent& event : events_) {
        if (event.kind == ControlEvent::position) {
            found.push_back(std::stoi(event.value));
        }
    }
    return found;
}

INT_PTR CALLBACK TestDialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<TestDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_NEXTDLGCTL && lParam != 0 && self != nullptr) {
        // Left to the dialog manager, which moves the focus.
        self->events_.push_back(focusEvent(GetDlgCtrlID(reinterpret_cast<HWND>(wParam))));
        return FALSE;
    }
    if (message == WM_COPYJOB_FAILED && self != nullptr) {
        self->failureNotices_.push_back(self->session_ != nullptr ? self->session_->statusText : L"(no session)");
        return TRUE;
    }
    return FALSE;
}

LRESULT CALLBACK TestDialog::controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestDialog*>(GetWindowLongPtrW(GetParent(window), DWLP_USER));
    self->record(window, message, wParam, lParam);
    return CallWindowProcW(self->originalProcs_.at(window), window, message, wParam, lParam);
}

void TestDialog::record(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    const int id = GetDlgCtrlID(control);
    switch (message) {
    case WM_SHOWWINDOW:
        events_.push_back(wParam ? shownEvent(id) : hiddenEvent(id));
        break;
    case WM_SETTEXT:
        events_.push_back(textEvent(id, reinterpret_cast<const wchar_t*>(lParam)));
        break;
    case WM_ENABLE:
        events_.push_back(wParam ? enabledEvent(id) : ControlEvent{id, ControlEvent::disabled, L""});
        break;
    case PBM_SETRANGE:
        events_.push_back(rangeEvent(id, LOWORD(lParam), HIWORD(lParam)));
        break;
    case PBM_SETPOS:
    {
        events_.push_back(positionEvent(id, static_cast<int>(wParam)));
        const int count = static_cast<int>(positions().size());
        if (cancelAtPositionCount_ > 0 && count == cancelAtPositionCount_ && session_ != nullptr) {
            session_->requestCancel();
        }
        if (positionAction_ && count == actionAtPositionCount_) {
            positionAction_();
        }
        break;
    }
    default:
        break;
    }
}

bool TestDialog::pumpUntilDone(HANDLE thread, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) {
            return false;
        }
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (woken == WAIT_OBJECT_0) {
            return true;
        }
        if (woken == WAIT_FAILED) {
            return false;
        }
    }
}

void runOnWorker(TestDialog& dialog, LPTHREAD_START_ROUTINE start, void* parameter) {
    HANDLE thread = CreateThread(nullptr, 0, start, parameter, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const bool ended = dialog.pumpUntilDone(thread);
    if (!ended) {
        // A hang must fail the test, not block the run.
        TerminateThread(thread, 1);
    }
    CloseHandle(thread);
    ASSERT_TRUE(ended) << "the worker did not end in time";
}
