// The dialog's run as the entry function makes it: the modal dialog, then the
// wait for a worker still finishing, before the session may be torn down.
#include <windows.h>

#include <gtest/gtest.h>

#include "shell/DialogRun.h"
#include "tests/support/CopyFixture.h"

namespace {

// The modal dialog that runDialogToTheEnd runs here, from the program's own
// template: it does nothing but end when the test says so.
HWND standIn = nullptr;
bool standInToEnd = false;

void endStandIn() {
    if (standIn != nullptr) {
        EndDialog(standIn, 2);
    } else {
        standInToEnd = true;
    }
}

INT_PTR CALLBACK standInProcedure(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        standIn = window;
        if (standInToEnd) {
            EndDialog(window, 2);
        }
        return TRUE;
    }
    return FALSE;
}

using DialogRun = CopyFixture;

// The worker reports its progress to the modeless stand-in of the fixture,
// which outlives the modal dialog: once the modal dialog has ended, the worker
// goes on only while this thread serves its window calls, as after a cancel
// it needs the dialog's thread to answer the call it is waiting in. The
// cancel itself is made several chunks later, which only a wait that serves
// those calls reaches; until then the worker can't return by itself.
TEST_F(DialogRun, ReturnsOnlyOnceTheWorkerHasReturned) {
    const std::string large = patternBytes(64 * chunk, 5);
    addEntry(L"large.bin", large);
    dialog.atPositionCount(3, endStandIn);  // the start's 0, then two chunks
    dialog.cancelAtPositionCount(20);        // after the 19th chunk
    ASSERT_TRUE(session.startCopyJob(install.path().c_str()));

    const int result = runDialogToTheEnd(session, GetModuleHandleW(nullptr), standInProcedure);

    const bool stillRunning = session.isWorkerRunning();
    EXPECT_FALSE(stillRunning) << "returned while the worker still ran";
    if (stillRunning) {
        // Served here, so that the fixture's teardown is safe.
        EXPECT_TRUE(dialog.pumpUntilDone(session.workerThread.get()));
    }
    EXPECT_EQ(result, 2);
    // The worker stopped at the cancel, before its 20th chunk, and put the
    // folder back before it returned.
    EXPECT_EQ(dialog.positions().size(), 20u);
    EXPECT_TRUE(folderStateOf(install.path()).empty());
}

}  // namespace
