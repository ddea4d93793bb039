#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/CopyFixture.h"

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
    EXPECT_EQ(copied(L"a.bin"), patternBytes(100, 1));
    EXPECT_EQ(copied(L"b.bin"), patternBytes(100, 2));
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
    EXPECT_EQ(dialog.positions(), (std::vector<int>{0, 0, 0, 100}));
    expectFinishedView(dialog);
}

TEST_F(CopyFiles, FileOfWholeChunksIsReadInExactlyThatManyChunks) {
    addEntry(L"whole.bin", patternBytes(3 * chunk, 3));

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(copied(L"whole.bin"), patternBytes(3 * chunk, 3));
    // One position per chunk between the start's 0 and the end's 100.
    EXPECT_EQ(dialog.positions(), (std::vector<int>{0, 33, 66, 100, 100}));
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

    EXPECT_EQ(copied(L"big.bin"), big);
    EXPECT_EQ(copied(L"empty.bin"), "");
    EXPECT_EQ(copied(L"small.bin"), small);
    // Three chunks of the big file, one empty pass, one chunk of the small one.
    const std::uint64_t total = big.size() + small.size();
    const auto at = [total](std::uint64_t done) { return static_cast<int>(done * 100 / total); };
    EXPECT_EQ(dialog.positions(),
              (std::vector<int>{0, at(chunk), at(2 * chunk), at(big.size()), at(big.size()), 100, 100}));
    // The copy carries no attributes: the destination is a normal file.
    EXPECT_EQ(GetFileAttributesW(install.file(L"big.bin").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(CopyFiles, CancelDuringTheSecondOfThreeFilesStopsAtTheChunkBoundary) {
    const std::string first = patternBytes(3 * chunk, 7);
    const std::string second = patternBytes(3 * chunk, 8);
    addEntry(L"first.bin", first);
    addEntry(L"second.bin", second);
    addEntry(L"third.bin", patternBytes(3 * chunk, 9));
    install.write(L"first.bin", "old first");
    install.write(L"third.bin", "old third");
    // Start's 0, three chunks of the first file, one of the second.
    dialog.cancelAtPositionCount(5);

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(copied(L"first.bin"), first);
    EXPECT_EQ(copied(L"second.bin"), second.substr(0, chunk));
    EXPECT_EQ(copied(L"third.bin"), "old third");
    EXPECT_EQ(dialog.positions().size(), 5u);
    expectStoppedInProgressView(dialog);
    EXPECT_TRUE(openedByNobody(patch.file(L"second.bin")));
    EXPECT_TRUE(openedByNobody(install.file(L"second.bin")));
}

TEST_F(CopyFiles, CancelBetweenFilesLeavesTheNextOneUntouched) {
    addEntry(L"first.bin", "one chunk");
    addEntry(L"second.bin", "never read");
    install.write(L"second.bin", "old second");
    // Made while the first file's only chunk is reported: the request is
    // there before the second destination would be created.
    dialog.cancelAtPositionCount(2);

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(copied(L"first.bin"), "one chunk");
    EXPECT_EQ(copied(L"second.bin"), "old second");
    EXPECT_EQ(dialog.positions().size(), 2u);
    expectStoppedInProgressView(dialog);
    EXPECT_TRUE(openedByNobody(patch.file(L"second.bin")));
}

// --- Failures: the middle one of three entries fails in one way each. ---

class CopyFailure;

struct FailureCase {
    const char* name;
    // Prepares the failing entry, destination "b.bin", in the fixture.
    void (*prepare)(CopyFailure&);
    CopyResult expected;
    // What the failing entry's destination holds afterwards; none: absent.
    std::optional<std::string> destinationAfter;
};

void PrintTo(const FailureCase& failure, std::ostream* out) { *out << failure.name; }

class CopyFailure : public CopyFixture, public ::testing::WithParamInterface<FailureCase> {
public:
    UniqueHandle holder;  // another program's unshared handle, where a case needs one
};

const std::string bBytes = patternBytes(150, 11);

void missingSource(CopyFailure& test) { test.session.files.push_back({test.patch.file(L"b.bin"), L"b.bin", 150}); }

void missingDestinationFolder(CopyFailure& test) {
    test.patch.write(L"b.bin", bBytes);
    test.session.files.push_back({test.patch.file(L"b.bin"), L"missing\\b.bin", 150});
}

void holdWithoutSharing(CopyFailure& test, const std::wstring& path) {
    test.holder.reset(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(test.holder.valid()) << utf8(path);
}

void sourceHeldOpen(CopyFailure& test) {
    test.addEntry(L"b.bin", bBytes);
    holdWithoutSharing(test, test.patch.file(L"b.bin"));
}

void destinationHeldOpen(CopyFailure& test) {
    test.addEntry(L"b.bin", bBytes);
    test.install.write(L"b.bin", "old b");
    holdWithoutSharing(test, test.install.file(L"b.bin"));
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

TEST_P(CopyFailure, EndsTheCopyThereAndReleasesEverything) {
    const FailureCase& failure = GetParam();
    addEntry(L"a.bin", patternBytes(100, 10));
    install.write(L"a.bin", "old a");
    failure.prepare(*this);
    if (HasFatalFailure()) {
        return;
    }
    addEntry(L"c.bin", patternBytes(100, 12));
    install.write(L"c.bin", "old c");

    EXPECT_EQ(copy(), failure.expected);
    holder.reset();

    EXPECT_EQ(copied(L"a.bin"), patternBytes(100, 10));
    EXPECT_EQ(copied(L"c.bin"), "old c");
    if (failure.destinationAfter) {
        EXPECT_EQ(copied(L"b.bin"), *failure.destinationAfter);
    } else {
        EXPECT_FALSE(fileExists(install.file(L"b.bin")));
    }
    EXPECT_FALSE(fileExists(install.file(L"missing")));
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
    ::testing::Values(FailureCase{"MissingSource", missingSource, copyOpenFailed, std::nullopt},
                      FailureCase{"MissingDestinationFolder", missingDestinationFolder, copyOpenFailed, std::nullopt},
                      FailureCase{"SourceHeldOpen", sourceHeldOpen, copyOpenFailed, std::nullopt},
                      FailureCase{"DestinationHeldOpen", destinationHeldOpen, copyOpenFailed, "old b"},
                      FailureCase{"ReadOnlyDestination", readOnlyDestination, copyOpenFailed, "old b"},
                      FailureCase{"HiddenDestination", hiddenDestination, copyOpenFailed, "old b"},
                      FailureCase{"SystemDestination", systemDestination, copyOpenFailed, "old b"},
                      // The first read asks for 150 bytes and gets 100: nothing is written.
                      FailureCase{"SourceShrunk", sourceShrunk, copyReadFailed, ""},
                      // The recorded 150 bytes are written before the extra bytes are found.
                      FailureCase{"SourceGrown", sourceGrown, copyReadFailed, bBytes}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

}  // namespace
