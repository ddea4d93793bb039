// Memory running out on the worker, at any point of the copy, or in a handler
// of the dialog: the process goes on, and the user is told of a failed copy.
// Runs as its own executable, since it replaces the global allocation
// functions (failing_allocation.cpp).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/CopyJob.h"
#include "dialog/PatchDialog.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/MessageBoxPresser.h"
#include "tests/support/failing_allocation.h"

namespace {

class CopyOutOfMemory : public CopyFixture {
public:
    // The worker's start routine, with its own allocations failing from the
    // given one on; this thread, which serves the dialog, is left alone.
    static DWORD WINAPI workerFailingAt(LPVOID parameter) {
        auto* self = static_cast<CopyOutOfMemory*>(parameter);
        failAllocationsOnThisThreadAfter(self->failAt);
        self->exitCode = copyWorker(&self->session);
        self->allocationFailed = anAllocationFailed();
        stopFailingAllocations();
        return 0;
    }

    long failAt = 0;
    DWORD exitCode = 0xDEAD;
    bool allocationFailed = false;
};

TEST_F(CopyOutOfMemory, EveryFailingAllocationOnTheWorkerGivesTheFailureNotice) {
    addEntry(L"first.bin", patternBytes(2 * chunk + 1, 1));
    addEntry(L"second.bin", patternBytes(100, 2));

    const std::vector<std::wstring> namesBefore = namesIn(install.path());
    for (failAt = 0;; ++failAt) {
        ASSERT_LT(failAt, 1000) << "no copy got through";
        SCOPED_TRACE("failing allocation " + std::to_string(failAt));
        const std::size_t noticesBefore = dialog.failureNotices().size();
        session.statusText.clear();
        runOnWorker(dialog, workerFailingAt, this);
        ASSERT_FALSE(HasFatalFailure());

        if (!allocationFailed) {
            EXPECT_EQ(exitCode, 0u);
            EXPECT_EQ(dialog.failureNotices().size(), noticesBefore);
            EXPECT_EQ(copied(L"first.bin"), patternBytes(2 * chunk + 1, 1));
            EXPECT_EQ(copied(L"second.bin"), patternBytes(100, 2));
            EXPECT_GT(failAt, 0) << "the copy made no allocation to fail";
            return;
        }
        EXPECT_EQ(exitCode, static_cast<DWORD>(copyOpenFailed));
        ASSERT_EQ(dialog.failureNotices().size(), noticesBefore + 1);
        EXPECT_EQ(dialog.failureNotices().back(), L"コピーに失敗しました。");
        // Nothing of the failed run is left: no journal, no staged or kept
        // file, which the next run would otherwise stop at.
        EXPECT_EQ(namesIn(install.path()), namesBefore);
        for (const wchar_t* name : {L"first.bin", L"second.bin"}) {
            EXPECT_TRUE(openedByNobody(patch.file(name))) << utf8(name);
            if (fileExists(install.file(name))) {
                EXPECT_TRUE(openedByNobody(install.file(name))) << utf8(name);
            }
        }
    }
}

// The space display composes its text in strings, on the dialog's thread, in
// the dialog procedure: an exception there would cross the system's dialog
// code and end the process.
TEST(PatchDialogOutOfMemory, NoExceptionLeavesTheDialogProcedure) {
    TempFolder folder;
    patchSession.installFolder = folder.path();
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&classes));

    for (long failAt = 0;; ++failAt) {
        ASSERT_LT(failAt, 100) << "no space display got through";
        SCOPED_TRACE("failing allocation " + std::to_string(failAt));
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PATCH), nullptr,
                                         PatchDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOW);

        MessageBoxPresser presser(dialog);
        failAllocationsOnThisThreadAfter(failAt);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FOLDER, EN_CHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_FOLDER)));
        const bool allocationFailed = anAllocationFailed();
        stopFailingAllocations();
        presser.stop();
        const bool ended = !IsWindowVisible(dialog);
        DestroyWindow(dialog);

        if (!allocationFailed) {
            EXPECT_TRUE(presser.seen().empty());
            EXPECT_FALSE(ended);
            EXPECT_GT(failAt, 0) << "the space display made no allocation to fail";
            return;
        }
        ASSERT_EQ(presser.seen().size(), 1u);
        EXPECT_EQ(presser.seen()[0].text, L"コピーに失敗しました。");
        EXPECT_EQ(presser.seen()[0].caption, L"error");
        EXPECT_EQ(presser.seen()[0].owner, dialog);
        EXPECT_TRUE(ended) << "the dialog went on without memory";
    }
}

}  // namespace
