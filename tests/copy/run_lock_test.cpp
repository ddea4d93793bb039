// One copy or repair at a time, whatever the Windows session: while a copy
// of the program runs (or repairs), a second one, as another session starts
// it, neither copies into a folder, nor repairs the first one's run as a
// stopped one; Run waits in its retry box. Wine has one session: the two
// contend here from two threads of one process, with the records key (and
// so the lock) of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/CopyTransaction.h"
#include "copy/RepairBox.h"
#include "copy/RunLock.h"
#include "copy/RunRecord.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/StoppedRun.h"

namespace {

// The first copy, held at its first move (every file staged, the record
// written) until the test lets it go.
struct HeldAtTheFirstMove {
    UniqueHandle reached{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle go{CreateEventW(nullptr, TRUE, FALSE, nullptr)};

    static void beforeMove(void* context) {
        auto* held = static_cast<HeldAtTheFirstMove*>(context);
        SetEvent(held->reached.get());
        WaitForSingleObject(held->go.get(), 30000);
    }
};

class RunLockContention : public CopyJobFixture {
public:
    void SetUp() override {
        CopyJobFixture::SetUp();
        addEntry(L"a.bin", patternBytes(300, 50));
        install.write(L"a.bin", "old a");
        session.diskSeams.beforeMove = HeldAtTheFirstMove::beforeMove;
        session.diskSeams.context = &held;

        // The second copy: another dialog, another folder, the same records.
        second.installFolder = otherInstall.path();
        second.runRecords = records.key();
        second.dialog = secondDialog.window();
        secondDialog.watch(second);
        otherInstall.write(L"b.bin", "old b");
        patch.write(L"b.src", "new b");
        second.files.push_back({patch.file(L"b.src"), L"b.bin", 5});
    }

    // Starts the first copy on its worker and serves its dialog until it
    // is held at its first move.
    void startFirstAndHoldIt() {
        first.reset(CreateThread(nullptr, 0, copyOnWorker, this, 0, nullptr));
        ASSERT_TRUE(first.valid());
        const HANDLE reached = held.reached.get();
        for (;;) {
            const DWORD woken = MsgWaitForMultipleObjects(1, &reached, FALSE, 30000, QS_ALLINPUT);
            ASSERT_NE(woken, WAIT_TIMEOUT) << "the first copy never reached its moves";
            if (woken == WAIT_OBJECT_0) {
                return;
            }
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
            }
        }
    }

    // Lets the first copy go on, and serves its dialog until it has ended.
    void letTheFirstFinish() {
        SetEvent(held.go.get());
        if (first.valid() && !dialog.pumpUntilDone(first.get())) {
            ADD_FAILURE() << "the first copy was still running at the end of the test";
            TerminateThread(first.get(), 1);
        }
        first.reset();
    }

    // Neither copy outlives the test, whatever it found: a worker still
    // running when its session goes would hang the test's end.
    void TearDown() override {
        letTheFirstFinish();
        if (second.workerThread.valid() && !secondDialog.pumpUntilDone(second.workerThread.get())) {
            ADD_FAILURE() << "the second copy was still running at the end of the test";
            TerminateThread(second.workerThread.get(), 1);
        }
        CopyJobFixture::TearDown();
    }

    HeldAtTheFirstMove held;
    UniqueHandle first;
    TempFolder otherInstall;
    TestDialog secondDialog;
    PatchSession second;
};

struct SecondCopy {
    PatchSession* session;
    CopyResult result;

    static DWORD WINAPI run(LPVOID parameter) {
        auto* copy = static_cast<SecondCopy*>(parameter);
        copy->result = copy->session->copyFiles();
        return 0;
    }
};

TEST_F(RunLockContention, ASecondCopyNeitherCopiesNorRepairsWhileTheFirstRuns) {
    const FolderState firstBefore = folderStateOf(install.path());
    const FolderState secondBefore = folderStateOf(otherInstall.path());
    ASSERT_NO_FATAL_FAILURE(startFirstAndHoldIt());
    const FolderState firstHeld = folderStateOf(install.path());
    ASSERT_EQ(storedRuns(records.key()).size(), 1u);

    // Its copy, had it been started meanwhile: told, and nothing written.
    SecondCopy copy{&second, copyDone};
    runOnWorker(secondDialog, SecondCopy::run, &copy);
    EXPECT_EQ(copy.result, copyBusy);
    EXPECT_EQ(second.statusText, runLockBusyCopyText);
    EXPECT_EQ(folderStateOf(otherInstall.path()), secondBefore);

    // Its start's repair: the first run's record is no stopped run's.
    const std::vector<RunRepair> repairs = repairStoppedRuns(records.key());
    ASSERT_EQ(repairs.size(), 1u);
    EXPECT_EQ(repairs[0].outcome, JournalRepair::busy);
    EXPECT_EQ(folderStateOf(install.path()), firstHeld);
    EXPECT_EQ(storedRuns(records.key()).size(), 1u);

    // Its Run: the retry box, and nothing started on キャンセル.
    MessageBoxPresser presser({dialog.window(), secondDialog.window()},
                              [](const SeenMessageBox&, std::size_t) { return IDCANCEL; });
    EXPECT_FALSE(second.startCopyJob(otherInstall.path().c_str()));
    presser.stop();
    ASSERT_EQ(presser.seen().size(), 1u);
    EXPECT_EQ(presser.seen()[0].text, runLockBusyText);
    EXPECT_EQ(presser.seen()[0].buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
    EXPECT_EQ(presser.seen()[0].owner, secondDialog.window());
    EXPECT_FALSE(second.workerThread.valid());

    letTheFirstFinish();
    EXPECT_EQ(result, copyDone);
    EXPECT_EQ(folderStateOf(install.path()), (FolderState{{L"a.bin", patternBytes(300, 50)}}));
    EXPECT_NE(folderStateOf(install.path()), firstBefore);
    EXPECT_EQ(folderStateOf(otherInstall.path()), secondBefore);
}

// 再試行 once the first copy has ended: the second one copies.
TEST_F(RunLockContention, RunRetriedOnceTheFirstCopyEndedCopies) {
    ASSERT_NO_FATAL_FAILURE(startFirstAndHoldIt());

    MessageBoxPresser presser({dialog.window(), secondDialog.window()}, [this](const SeenMessageBox&, std::size_t) {
        // The box's own loop serves the first copy's dialog meanwhile.
        SetEvent(held.go.get());
        EXPECT_EQ(WaitForSingleObject(first.get(), 30000), WAIT_OBJECT_0);
        return IDRETRY;
    });
    EXPECT_TRUE(second.startCopyJob(otherInstall.path().c_str()));
    presser.stop();
    ASSERT_EQ(presser.seen().size(), 1u);
    EXPECT_EQ(presser.seen()[0].text, runLockBusyText);
    ASSERT_TRUE(second.workerThread.valid());
    EXPECT_TRUE(secondDialog.pumpUntilDone(second.workerThread.get()));

    EXPECT_EQ(result, copyDone);
    EXPECT_EQ(folderStateOf(install.path()), (FolderState{{L"a.bin", patternBytes(300, 50)}}));
    EXPECT_EQ(folderStateOf(otherInstall.path()), (FolderState{{L"b.bin", "new b"}}));
}

// The lock held by a thread of its own, as a copy of the program in another
// session holds it.
class LockHeldElsewhere {
public:
    explicit LockHeldElsewhere(const std::wstring& recordsKey) : recordsKey_(recordsKey) {
        thread_.reset(CreateThread(nullptr, 0, hold, this, 0, nullptr));
        EXPECT_EQ(WaitForSingleObject(taken_.get(), 30000), WAIT_OBJECT_0);
    }
    ~LockHeldElsewhere() {
        SetEvent(release_.get());
        WaitForSingleObject(thread_.get(), 30000);
    }
    LockHeldElsewhere(const LockHeldElsewhere&) = delete;
    LockHeldElsewhere& operator=(const LockHeldElsewhere&) = delete;

private:
    static DWORD WINAPI hold(LPVOID parameter) {
        auto* self = static_cast<LockHeldElsewhere*>(parameter);
        RunLock lock(self->recordsKey_);
        EXPECT_TRUE(lock.take());
        SetEvent(self->taken_.get());
        WaitForSingleObject(self->release_.get(), 30000);
        return 0;
    }

    std::wstring recordsKey_;
    UniqueHandle taken_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle thread_;
};

// A start while another copy holds the lock repairs nothing and says
// nothing: the record may be that copy's. Once it is free, the next start
// repairs.
TEST(RunLock, StartRepairsNothingWhileAnotherCopyHoldsTheLock) {
    TempFolder install;
    TestRecordsKey records;
    install.write(L"a.dat", "new a");
    install.write(L"a.dat~old", "old a");
    ASSERT_NO_FATAL_FAILURE(leaveStoppedRun(records.key(), install.path(), {{L"a.dat", L"a.dat", L"a.dat~old"}}));
    const FolderState before = folderStateOf(install.path());
    {
        LockHeldElsewhere other(records.key());

        MessageBoxPresser presser(nullptr);
        const std::vector<RunRepair> repairs = repairWhenTheGameIsClosed(nullptr, records.key(), L"");
        presser.stop();

        ASSERT_EQ(repairs.size(), 1u);
        EXPECT_EQ(repairs[0].outcome, JournalRepair::busy);
        EXPECT_TRUE(presser.seen().empty());
        EXPECT_EQ(folderStateOf(install.path()), before);
        EXPECT_EQ(storedRuns(records.key()).size(), 1u);
    }

    const std::vector<RunRepair> repairs = repairStoppedRuns(records.key());
    ASSERT_EQ(repairs.size(), 1u);
    EXPECT_EQ(repairs[0].outcome, JournalRepair::restored);
    EXPECT_EQ(folderStateOf(install.path()), (FolderState{{L"a.dat", "old a"}}));
}

DWORD WINAPI takeAndEnd(LPVOID name) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, static_cast<std::wstring*>(name)->c_str());
    WaitForSingleObject(mutex, 0);
    return 0;  // its handle stays open, its hold is abandoned
}

// The lock is in the global namespace, one per records key, and a copy of
// the program that died holding it left it free.
TEST(RunLock, IsGlobalPerRecordsKeyAndFreeOnceItsHolderDied) {
    EXPECT_EQ(runLockName(L"SOFTWARE\\patch_quill\\Unfinished runs"), L"Global\\SOFTWARE/patch_quill/Unfinished runs");
    TestRecordsKey records;
    TestRecordsKey others;
    {
        LockHeldElsewhere other(records.key());
        RunLock mine(records.key());
        EXPECT_FALSE(mine.take());
        RunLock ofOtherRecords(others.key());
        EXPECT_TRUE(ofOtherRecords.take());
    }
    // A thread that ends holding a mutex abandons it, as a killed process does.
    std::wstring name = runLockName(records.key());
    UniqueHandle dying(CreateThread(nullptr, 0, takeAndEnd, &name, 0, nullptr));
    ASSERT_EQ(WaitForSingleObject(dying.get(), 30000), WAIT_OBJECT_0);
    RunLock after(records.key());
    EXPECT_TRUE(after.take());
}

}  // namespace
