// Memory running out on the worker, at any point of the copy: the process
// goes on, and the user is told of a failed copy. Runs as its own executable,
// since it replaces the global allocation functions (failing_allocation.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/copy/CopyFixture.h"
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
    addEntry("first.bin", patternBytes(2 * chunk + 1, 1));
    addEntry("second.bin", patternBytes(100, 2));

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
            EXPECT_EQ(copied("first.bin"), patternBytes(2 * chunk + 1, 1));
            EXPECT_EQ(copied("second.bin"), patternBytes(100, 2));
            EXPECT_GT(failAt, 0) << "the copy made no allocation to fail";
            return;
        }
        EXPECT_EQ(exitCode, static_cast<DWORD>(copyOpenFailed));
        ASSERT_EQ(dialog.failureNotices().size(), noticesBefore + 1);
        EXPECT_EQ(dialog.failureNotices().back(), "コピーに失敗しました。");
        for (const char* name : {"first.bin", "second.bin"}) {
            EXPECT_TRUE(openedByNobody(patch.file(name))) << name;
            if (fileExists(install.file(name))) {
                EXPECT_TRUE(openedByNobody(install.file(name))) << name;
            }
        }
    }
}

}  // namespace
