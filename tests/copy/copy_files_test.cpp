#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "copy/RunRecord.h"
#include "copy/StagedFlush.h"
#include "copy/journal.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/case_name.h"

namespace {

using CopyFiles = CopyFixture;

const std::vector<ControlEvent> progressViewEvents = {
    hiddenEvent(IDC_BROWSE),
    hiddenEvent(IDC_FOLDER),
    hiddenEvent(IDC_SPACE),
    shownEvent(IDC_PROGRESS),
    textEvent(IDC_PROMPT, L"コピー中..."),
    rangeEvent(IDC_PROGRESS, 0, 100),
    positionEvent(IDC_PROGRESS, 0),
    focusEvent(IDC_PROGRESS),
};

// The keyboard focus goes to the bar at the start and to "完了" as the last
// change, so that Enter ends the dialog.
void expectFinishedView(const TestDialog& dialog) {
    EXPECT_EQ(dialog.controlText(IDC_PROMPT), L"コピー終了");
    EXPECT_EQ(dialog.controlText(IDC_RUN), L"完了");
    EXPECT_TRUE(IsWindowEnabled(dialog.control(IDC_RUN)));
    EXPECT_EQ(dialog.focusTargets(), (std::vector<int>{IDC_PROGRESS, IDC_RUN}));
    ASSERT_FALSE(dialog.events().empty());
    EXPECT_EQ(dialog.events().back(), focusEvent(IDC_RUN));
}

// The progress view is left as the copy had it: no end texts, Run still off,
// the focus on the bar (where Esc still cancels and Enter does nothing).
void expectStoppedInProgressView(const TestDialog& dialog) {
    EXPECT_EQ(dialog.controlText(IDC_PROMPT), L"コピー中...");
    EXPECT_EQ(dialog.controlText(IDC_RUN), L"実行");
    EXPECT_FALSE(IsWindowEnabled(dialog.control(IDC_RUN)));
    EXPECT_EQ(dialog.focusTargets(), std::vector<int>{IDC_PROGRESS});
}

TEST_F(CopyFiles, CompleteCopyMakesEveryControlChangeInOrder) {
    ASSERT_GE(chunk, 100u);
    addEntry(L"a.bin", patternBytes(100, 1));
    addEntry(L"b.bin", patternBytes(100, 2));

    EXPECT_EQ(copy(), copyDone);

    std::vector<ControlEvent> expected = progressViewEvents;
    expected.insert(expected.end(), {
                                        positionEvent(IDC_PROGRESS, 50),
                                        positionEvent(IDC_PROGRESS, 100),
                                        positionEvent(IDC_PROGRESS, 100),
                                        textEvent(IDC_PROMPT, L"コピー終了"),
                                        textEvent(IDC_RUN, L"完了"),
                                        enabledEvent(IDC_RUN),
                                        focusEvent(IDC_RUN),
                                    });
    EXPECT_EQ(dialog.events(), expected);
    // Exactly the patched files: nothing staged, kept or recorded is left.
    EXPECT_EQ(folderStateOf(install.path()),
              (FolderState{{L"a.bin", patternBytes(100, 1)}, {L"b.bin", patternBytes(100, 2)}}));
    EXPECT_TRUE(IsWindowVisible(dialog.control(IDC_PROGRESS)));
    EXPECT_FALSE(IsWindowVisible(dialog.control(IDC_FOLDER)));
    EXPECT_FALSE(IsWindowVisible(dialog.control(IDC_BROWSE)));
    EXPECT_FALSE(IsWindowVisible(dialog.control(IDC_SPACE)));
    EXPECT_EQ(SendMessageW(dialog.control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
    expectFinishedView(dialog);
}

// Nothing found beside the program, or nothing listed at all: a copy that
// would write nothing is a failure, not a success, and opens nothing.
TEST_F(CopyFiles, NothingFoundIsAFailureAndOpensNothing) {
    for (const bool listed : {false, true}) {
        SCOPED_TRACE(listed ? "every listed file missing" : "nothing listed");
        session.files.clear();
        if (listed) {
            session.files.push_back({patch.file(L"absent.bin"), L"absent.bin", noSizeMarker});
            session.files.push_back({patch.file(L"gone.bin"), L"renamed.bin", noSizeMarker});
        }

        EXPECT_EQ(copy(), copyOpenFailed);

        EXPECT_EQ(dialog.positions(), std::vector<int>{0});
        expectStoppedInProgressView(dialog);
        EXPECT_TRUE(namesIn(install.path()).empty());
    }
}

TEST_F(CopyFiles, EntriesOfUnknownSizeAreNeverOpened) {
    // Held without sharing: opening it would fail the copy.
    const std::wstring held = patch.write(L"held.bin", "present but not measured");
    UniqueHandle holder(CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid());
    session.files.push_back({held, L"held.bin", noSizeMarker});
    session.files.push_back({patch.file(L"absent.bin"), L"absent.bin", noSizeMarker});
    addEntry(L"known.bin", "known");

    EXPECT_EQ(copy(), copyDone);

    EXPECT_FALSE(fileExists(install.file(L"held.bin")));
    EXPECT_FALSE(fileExists(install.file(L"absent.bin")));
    EXPECT_EQ(copied(L"known.bin"), "known");
    EXPECT_EQ(dialog.positions(), (std::vector<int>{0, 100, 100}));
    expectFinishedView(dialog);
}

// Names that no one code page holds, in the source and in the destination:
// both reach the file functions as they are.
TEST_F(CopyFiles, NamesOutsideCodePage932AreCopiedAsTheyAre) {
    // Named outside the checks, whose texts are quoted in code page 932.
    const std::wstring source = L"张伟 été.bin";
    const std::wstring destination = L"ゲーム été 张.bin";
    patch.write(source, "from a wide name");
    session.files.push_back({patch.file(source), destination, 16});
    install.write(destination, "old content of the same name");

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(namesIn(install.path()), std::vector<std::wstring>{destination});
    EXPECT_EQ(copied(destination), "from a wide name");
    expectFinishedView(dialog);
}

// Only empty files: nothing to divide by; the bar waits at 0 for the end.
TEST_F(CopyFiles, EmptySourcesGiveEmptyDestinationsWithoutDividingByZero) {
    addEntry(L"first.txt", "");
    addEntry(L"second.txt", "");

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(copied(L"first.txt"), "");
    EXPECT_EQ(copied(L"second.txt"), "");
    EXPECT_EQ(dialog.positions(), (std::vector<int>{0, 100}));
    expectFinishedView(dialog);
}

TEST_F(CopyFiles, FileOfWholeChunksIsReadInExactlyThatManyChunks) {
    addEntry(L"whole.bin", patternBytes(3 * chunk, 3));

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(copied(L"whole.bin"), patternBytes(3 * chunk, 3));
    // One position per chunk between the start's 0 and the end's 100.
    EXPECT_EQ(dialog.positions(), (std::vector<int>{0, 33, 66, 100, 100}));
}

// Each position waits for the dialog's thread: the bar is told only when it
// moves, so 250 files of which each moves it by 0.4 step give each whole
// step from 0 to 100 once, in order, and the finished view's 100.
TEST_F(CopyFiles, TheBarIsToldEachWholeStepOnceWhateverTheNumberOfChunks) {
    std::vector<int> expected;
    for (int position = 0; position <= 100; ++position) {
        expected.push_back(position);
    }
    expected.push_back(100);
    for (int i = 0; i < 250; ++i) {
        addEntry(L"f" + std::to_wstring(i) + L".dat", patternBytes(100, static_cast<unsigned>(i)));
    }

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(dialog.positions(), expected);
    expectFinishedView(dialog);
}

TEST_F(CopyFiles, BytesArriveExactlyAndLongerDestinationsAreTruncated) {
    const std::string big = patternBytes(2 * chunk + 1, 4);
    const std::string small = patternBytes(100, 5);
    addEntry(L"big.bin", big);
    addEntry(L"empty.bin", "");
    addEntry(L"small.bin", small);
    install.write(L"small.bin", patternBytes(3 * chunk, 6));
    install.write(L"empty.bin", "old content");

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(folderStateOf(install.path()),
              (FolderState{{L"big.bin", big}, {L"empty.bin", ""}, {L"small.bin", small}}));
    // Three chunks of the big file, of which the last (one byte) leaves the
    // bar where it was; one empty pass, which moves nothing; one chunk of the
    // small one.
    const std::uint64_t total = big.size() + small.size();
    const auto at = [total](std::uint64_t done) { return static_cast<int>(done * 100 / total); };
    ASSERT_EQ(at(2 * chunk), at(big.size()));
    EXPECT_EQ(dialog.positions(), (std::vector<int>{0, at(chunk), at(2 * chunk), 100, 100}));
    // The copy carries no attributes: the destination is a normal file.
    EXPECT_EQ(GetFileAttributesW(install.file(L"big.bin").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

// --- A cancel before the copy is complete puts the folder back as it was. ---

TEST_F(CopyFiles, CancelInTheMiddleOfABigFilePutsTheFolderBack) {
    addEntry(L"first.bin", patternBytes(3 * chunk, 7));
    addEntry(L"second.bin", patternBytes(8 * chunk, 8));
    addEntry(L"third.bin", patternBytes(3 * chunk, 9));
    install.write(L"first.bin", "old first");
    install.write(L"third.bin", "old third");
    const FolderState before = folderStateOf(install.path());
    // Start's 0, three chunks of the first file, four of the second.
    dialog.cancelAtPositionCount(8);

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(folderStateOf(install.path()), before);
    EXPECT_EQ(dialog.positions().size(), 8u);
    expectStoppedInProgressView(dialog);
    EXPECT_TRUE(openedByNobody(patch.file(L"second.bin")));
    EXPECT_TRUE(dialog.failureNotices().empty());
}

TEST_F(CopyFiles, CancelAmongManySmallFilesPutsTheFolderBack) {
    for (int i = 0; i < 40; ++i) {
        const std::wstring name = L"small" + std::to_wstring(i) + L".dat";
        addEntry(name, patternBytes(100, static_cast<unsigned>(i)));
        if (i % 3 == 0) {
            install.write(name, "old " + std::to_string(i));
        }
    }
    const FolderState before = folderStateOf(install.path());
    dialog.cancelAtPositionCount(25);

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(folderStateOf(install.path()), before);
    EXPECT_EQ(dialog.positions().size(), 25u);
    expectStoppedInProgressView(dialog);
}

TEST_F(CopyFiles, CancelBetweenFilesLeavesTheNextOneUntouched) {
    addEntry(L"first.bin", "one chunk");
    addEntry(L"second.bin", "never read");
    install.write(L"second.bin", "old second");
    const FolderState before = folderStateOf(install.path());
    // Made while the first file's only chunk is reported: the request is
    // there before the second file is staged.
    dialog.cancelAtPositionCount(2);

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(folderStateOf(install.path()), before);
    EXPECT_EQ(dialog.positions().size(), 2u);
    expectStoppedInProgressView(dialog);
    EXPECT_TRUE(openedByNobody(patch.file(L"second.bin")));
}

// The same destination twice (the second in other letters): the last one
// wins, as when each was written in turn, and a cancel during the second puts
// back what was there before the first.
TEST_F(CopyFiles, SameDestinationTwiceEndsWithTheLastAndRollsBackToTheFirstState) {
    for (const bool existed : {false, true}) {
        SCOPED_TRACE(existed ? "the destination existed" : "the destination is new");
        for (const bool cancel : {false, true}) {
            SCOPED_TRACE(cancel ? "cancelled during the second" : "complete");
            session.files.clear();
            TempFolder folder;
            session.installFolder = folder.path();
            addEntry(L"twice.bin", patternBytes(2 * chunk, 30));
            patch.write(L"again.bin", patternBytes(2 * chunk, 31));
            session.files.push_back({patch.file(L"again.bin"), L"TWICE.BIN", static_cast<std::uint32_t>(2 * chunk)});
            if (existed) {
                folder.write(L"twice.bin", "old twice");
            }
            const FolderState before = folderStateOf(folder.path());
            dialog.cancelAtPositionCount(cancel ? 4 : 0);

            EXPECT_EQ(copy(), copyDone);

            if (cancel) {
                EXPECT_EQ(folderStateOf(folder.path()), before);
            } else {
                const FolderState after = folderStateOf(folder.path());
                ASSERT_EQ(after.size(), 1u);
                EXPECT_EQ(lstrcmpiW(after.begin()->first.c_str(), L"twice.bin"), 0);
                EXPECT_EQ(after.begin()->second, patternBytes(2 * chunk, 31));
                expectFinishedView(dialog);
            }
        }
    }
}

// --- Failures: the middle one of three entries fails in one way each, and
// the folder is as it was before the copy. ---

class CopyFailure;

struct FailureCase {
    const char* name;
    // Prepares the failing entry, destination "b.bin", in the fixture.
    void (*prepare)(CopyFailure&);
    CopyResult expected;
};

void PrintTo(const FailureCase& failure, std::ostream* out) { *out << failure.name; }

class CopyFailure : public CopyFixture, public ::testing::WithParamInterface<FailureCase> {
public:
    UniqueHandle holder;  // another program's unshared handle, where a case needs one
    // A folder another program made in the install folder during the copy.
    std::wstring madeMeanwhile;
};

const std::string bBytes = patternBytes(150, 11);

void missingSource(CopyFailure& test) { test.session.files.push_back({test.patch.file(L"b.bin"), L"b.bin", 150}); }

void missingDestinationFolder(CopyFailure& test) {
    test.patch.write(L"b.bin", bBytes);
    test.session.files.push_back({test.patch.file(L"b.bin"), L"missing\\b.bin", 150});
}

void holdWithoutSharing(CopyFailure& test, const std::wstring& path, DWORD share = 0) {
    test.holder.reset(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(test.holder.valid()) << utf8(path);
}

void sourceHeldOpen(CopyFailure& test) {
    test.addEntry(L"b.bin", bBytes);
    holdWithoutSharing(test, test.patch.file(L"b.bin"));
}

void destinationHeldOpen(CopyFailure& test) {
    test.addEntry(L"b.bin", bBytes);
    test.install.write(L"b.bin", "old b");
    // Shared for reading only (so that the test can compare it): its deletion,
    // which a move needs, is not shared.
    holdWithoutSharing(test, test.install.file(L"b.bin"), FILE_SHARE_READ);
}

void protectDestination(CopyFailure& test, DWORD attribute) {
    test.addEntry(L"b.bin", bBytes);
    test.install.write(L"b.bin", "old b");
    ASSERT_TRUE(SetFileAttributesW(test.install.file(L"b.bin").c_str(), attribute));
}

void readOnlyDestination(CopyFailure& test) { protectDestination(test, FILE_ATTRIBUTE_READONLY); }
void hiddenDestination(CopyFailure& test) { protectDestination(test, FILE_ATTRIBUTE_HIDDEN); }
void systemDestination(CopyFailure& test) { protectDestination(test, FILE_ATTRIBUTE_SYSTEM); }

void sourceShrunk(CopyFailure& test) { test.addEntryRecordedAs(L"b.bin", bBytes.substr(0, 100), 150); }

void sourceGrown(CopyFailure& test) { test.addEntryRecordedAs(L"b.bin", bBytes + "more", 150); }

// Another program takes a name the copy chose for itself, once it has chosen
// it (while the first file is written): a folder there makes the file under
// that name impossible to create, or the old file impossible to move aside.
void takeNameMeanwhile(CopyFailure& test, const wchar_t* name) {
    test.addEntry(L"b.bin", bBytes);
    test.install.write(L"b.bin", "old b");
    test.madeMeanwhile = test.install.file(name);
    test.dialog.atPositionCount(2, [&test] { CreateDirectoryW(test.madeMeanwhile.c_str(), nullptr); });
}

void stagedNameTaken(CopyFailure& test) { takeNameMeanwhile(test, L"b.bin~new"); }
void keptNameTaken(CopyFailure& test) { takeNameMeanwhile(test, L"b.bin~old"); }

TEST_P(CopyFailure, EndsTheCopyWithTheFolderAsItWasAndReleasesEverything) {
    const FailureCase& failure = GetParam();
    addEntry(L"a.bin", patternBytes(100, 10));
    install.write(L"a.bin", "old a");
    failure.prepare(*this);
    if (HasFatalFailure()) {
        return;
    }
    addEntry(L"c.bin", patternBytes(100, 12));
    install.write(L"c.bin", "old c");
    const FolderState before = folderStateOf(install.path());

    EXPECT_EQ(copy(), failure.expected);
    holder.reset();
    if (!madeMeanwhile.empty()) {
        EXPECT_TRUE(RemoveDirectoryW(madeMeanwhile.c_str())) << utf8(madeMeanwhile);
    }

    EXPECT_EQ(folderStateOf(install.path()), before);
    expectStoppedInProgressView(dialog);
    for (const std::wstring& path : {patch.file(L"a.bin"), patch.file(L"b.bin"), patch.file(L"c.bin"),
                                    install.file(L"a.bin"), install.file(L"b.bin"), install.file(L"c.bin")}) {
        if (fileExists(path)) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            EXPECT_TRUE(openedByNobody(path)) << utf8(path) << " is still open";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyFailure,
    ::testing::Values(FailureCase{"MissingSource", missingSource, copyOpenFailed},
                      FailureCase{"MissingDestinationFolder", missingDestinationFolder, copyOpenFailed},
                      FailureCase{"SourceHeldOpen", sourceHeldOpen, copyOpenFailed},
                      FailureCase{"DestinationHeldOpen", destinationHeldOpen, copyOpenFailed},
                      FailureCase{"ReadOnlyDestination", readOnlyDestination, copyOpenFailed},
                      FailureCase{"HiddenDestination", hiddenDestination, copyOpenFailed},
                      FailureCase{"SystemDestination", systemDestination, copyOpenFailed},
                      // The first read asks for 150 bytes and gets 100.
                      FailureCase{"SourceShrunk", sourceShrunk, copyReadFailed},
                      // The recorded 150 bytes are written before the extra bytes are found.
                      FailureCase{"SourceGrown", sourceGrown, copyReadFailed},
                      FailureCase{"StagedNameTakenMeanwhile", stagedNameTaken, copyOpenFailed},
                      // Found only once every file is staged, part way through the moves.
                      FailureCase{"KeptNameTakenMeanwhile", keptNameTaken, copyWriteFailed}),
    caseName<FailureCase>);


// --- What is on the disk when the committed line is written. ---

// What the seams saw: flushes, each file's state at the committed line.
struct DiskWatch {
    // The copy flushes from a few threads at once.
    static inline std::atomic<unsigned> flushes = 0;
    // The flush that fails, counted from 1; 0: none.
    static inline unsigned failAt = 0;
    static BOOL WINAPI countFlush(HANDLE file) {
        if (++flushes == failAt) {
            SetLastError(ERROR_IO_DEVICE);
            return FALSE;
        }
        return FlushFileBuffers(file);
    }
    static BOOL WINAPI failFlush(HANDLE) {
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }

    std::wstring keptPath;
    bool failLine = false;
    bool lineAsked = false;
    unsigned flushesBeforeLine = 0;
    bool keptThereAtLine = false;

    // Every write to the run's record passes; the committed line is watched,
    // and fails when the case says so.
    static bool atRecordWrite(std::wstring_view text, void* context) {
        auto* watch = static_cast<DiskWatch*>(context);
        if (text != journalCommittedLine) {
            return true;
        }
        watch->lineAsked = true;
        watch->flushesBeforeLine = flushes;
        watch->keptThereAtLine = fileExists(watch->keptPath);
        return !watch->failLine;
    }
};

struct DiskCase {
    const char* name;
    bool failLine;
    bool failFlush;
    CopyResult expected;
};

void PrintTo(const DiskCase& disk, std::ostream* out) { *out << disk.name; }

class CopyOnTheDisk : public CopyFixture, public ::testing::WithParamInterface<DiskCase> {};

// a.bin replaces a file, b.bin is new: both are flushed before the committed
// line, the kept file is still there when it is written, and a line or a
// flush that fails puts the folder back.
TEST_P(CopyOnTheDisk, StagedFilesAreFlushedAndKeptFilesStayUntilTheCommittedLine) {
    const DiskCase& disk = GetParam();
    addEntry(L"a.bin", patternBytes(3 * chunk + 5, 21));
    addEntry(L"b.bin", patternBytes(40, 22));
    install.write(L"a.bin", "old a");
    const FolderState before = folderStateOf(install.path());
    DiskWatch watch;
    watch.keptPath = install.file(L"a.bin~old");
    watch.failLine = disk.failLine;
    DiskWatch::flushes = 0;
    DiskWatch::failAt = 0;
    session.diskSeams.flushFile = disk.failFlush ? DiskWatch::failFlush : DiskWatch::countFlush;
    session.diskSeams.recordWrite = DiskWatch::atRecordWrite;
    session.diskSeams.context = &watch;

    EXPECT_EQ(copy(), disk.expected);

    if (disk.failFlush) {
        EXPECT_FALSE(watch.lineAsked);
    } else {
        ASSERT_TRUE(watch.lineAsked);
        EXPECT_EQ(watch.flushesBeforeLine, 2u);
        EXPECT_TRUE(watch.keptThereAtLine);
    }
    if (disk.expected == copyDone) {
        EXPECT_EQ(copied(L"a.bin"), patternBytes(3 * chunk + 5, 21));
        EXPECT_EQ(copied(L"b.bin"), patternBytes(40, 22));
        EXPECT_FALSE(fileExists(watch.keptPath));
    } else {
        EXPECT_EQ(folderStateOf(install.path()), before);
    }
    EXPECT_TRUE(storedRuns(session.runRecords).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyOnTheDisk,
                         ::testing::Values(DiskCase{"Written", false, false, copyDone},
                                           DiskCase{"CommittedLineFails", true, false, copyWriteFailed},
                                           DiskCase{"FlushFails", false, true, copyWriteFailed}),
                         caseName<DiskCase>);

struct ManyCase {
    const char* name;
    unsigned failAt;
    CopyResult expected;
};

void PrintTo(const ManyCase& many, std::ostream* out) { *out << many.name; }

class CopyManyOnTheDisk : public CopyFixture, public ::testing::WithParamInterface<ManyCase> {};

// More staged files than are flushed together: every one is flushed before
// the committed line, and a flush that fails in the first group or in the
// last puts the folder back (the files still held are closed first, or the
// roll-back could not delete them).
TEST_P(CopyManyOnTheDisk, EveryStagedFileIsFlushedBeforeTheCommittedLine) {
    const ManyCase& many = GetParam();
    const unsigned count = StagedFlush::groupSize + 3;
    for (unsigned i = 0; i < count; ++i) {
        addEntry(L"f" + std::to_wstring(i) + L".bin", patternBytes(10 + i, i));
    }
    install.write(L"f0.bin", "old f0");
    const FolderState before = folderStateOf(install.path());
    DiskWatch watch;
    watch.keptPath = install.file(L"f0.bin~old");
    DiskWatch::flushes = 0;
    DiskWatch::failAt = many.failAt;
    session.diskSeams.flushFile = DiskWatch::countFlush;
    session.diskSeams.recordWrite = DiskWatch::atRecordWrite;
    session.diskSeams.context = &watch;

    EXPECT_EQ(copy(), many.expected);

    if (many.expected == copyDone) {
        ASSERT_TRUE(watch.lineAsked);
        EXPECT_EQ(watch.flushesBeforeLine, count);
        EXPECT_TRUE(watch.keptThereAtLine);
        for (unsigned i = 0; i < count; ++i) {
            EXPECT_EQ(copied(L"f" + std::to_wstring(i) + L".bin"), patternBytes(10 + i, i));
        }
    } else {
        EXPECT_FALSE(watch.lineAsked);
        EXPECT_EQ(folderStateOf(install.path()), before);
    }
    EXPECT_TRUE(storedRuns(session.runRecords).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyManyOnTheDisk,
                         ::testing::Values(ManyCase{"AllFlushed", 0, copyDone},
                                           ManyCase{"FirstGroupFails", 5, copyWriteFailed},
                                           ManyCase{"LastGroupFails", StagedFlush::groupSize + 2, copyWriteFailed}),
                         caseName<ManyCase>);

// --- A cancel confirmed while the files are moved into place ---

// The player confirms a cancel just before the k-th move of the commit (the
// dialog ends at once): the copy still ends as cancelled, with the folder as
// it was and nothing recorded, whichever move it was.
struct CancelAtMove {
    PatchSession* session;
    unsigned moves = 0;
    unsigned at = 0;

    static void beforeMove(void* context) {
        auto* cancel = static_cast<CancelAtMove*>(context);
        if (++cancel->moves == cancel->at) {
            cancel->session->requestCancel();
        }
    }
};

TEST_F(CopyFiles, CancelConfirmedDuringTheMovesPutsTheFolderBack) {
    addEntry(L"a.bin", patternBytes(100, 31));
    addEntry(L"b.bin", patternBytes(100, 32));
    install.write(L"a.bin", "old a");
    const FolderState before = folderStateOf(install.path());
    // a.bin aside, a.bin in, b.bin in.
    for (const unsigned at : {1u, 2u, 3u}) {
        SCOPED_TRACE("cancelled before move " + std::to_string(at));
        CancelAtMove cancel{&session, 0, at};
        session.diskSeams.beforeMove = CancelAtMove::beforeMove;
        session.diskSeams.context = &cancel;

        EXPECT_EQ(copy(), copyDone);

        EXPECT_EQ(folderStateOf(install.path()), before);
        EXPECT_TRUE(storedRuns(session.runRecords).empty());
        expectStoppedInProgressView(dialog);
    }
}

}  // namespace
