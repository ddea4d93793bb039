// All or nothing, as a player meets it: whatever stops the copy (a fault, a
// cancel, the game still running, the program killed) leaves the game folder
// as it was before Run, or, once every file was in place, fully patched;
// never a game of two versions or a part-written file. Every file of the
// game folder is compared, byte for byte, before and after.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "copy/RunRecord.h"
#include "core/HandleOwners.h"
#include "core/PatchSession.h"
#include "resources/resource_ids.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/driver/ProgramWindows.h"
#include "tests/e2e/PatchFixture.h"
#include "tests/e2e/PatchProgram.h"
#include "tests/support/StoppedRun.h"
#include "tests/support/UnixLink.h"
#include "tests/support/case_name.h"

namespace {

using Snapshot = std::map<std::wstring, std::string>;

const std::wstring copyFailed = L"コピーに失敗しました。";
const std::wstring restoredText = L"前回のコピーが途中で終わっていたため、ゲームのファイルを元に戻しました。";
const std::wstring completedText = L"前回のコピーが途中で終わっていたため、コピーを完了しました。";
const std::wstring journalName = L"~patch.journal";

// What differs between two snapshots of a folder, one name a line; empty when
// they are equal byte for byte. Files of megabytes are named, not printed.
std::string differences(const Snapshot& expected, const Snapshot& actual) {
    std::vector<std::string> lines;
    for (const auto& [name, bytes] : expected) {
        const auto found = actual.find(name);
        if (found == actual.end()) {
            lines.push_back("missing: " + utf8(name));
        } else if (found->second != bytes) {
            lines.push_back("differs: " + utf8(name) + " (" + std::to_string(found->second.size()) + " bytes, " +
                            std::to_string(bytes.size()) + " expected)");
        }
    }
    for (const auto& entry : actual) {
        if (expected.find(entry.first) == expected.end()) {
            lines.push_back("extra: " + utf8(entry.first));
        }
    }
    // The first few say enough about 1,500 files.
    constexpr std::size_t shown = 12;
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < shown; ++i) {
        text += lines[i] + "\n";
    }
    if (lines.size() > shown) {
        text += "... " + std::to_string(lines.size() - shown) + " more\n";
    }
    return text;
}

// A name the copy gives its own files while it runs: a destination with
// "~new" or "~old" and perhaps a number.
bool isCopysOwnName(const std::wstring& name) {
    for (const wchar_t* mark : {L"~new", L"~old"}) {
        const std::size_t at = name.rfind(mark);
        if (at != std::wstring::npos &&
            name.find_first_not_of(L"0123456789", at + 4) == std::wstring::npos) {
            return true;
        }
    }
    return false;
}

// Whether a game file (any name but the copy's own) differs from `before`:
// one moved aside, replaced, or added.
bool gameFilesDiffer(const Snapshot& before, const Snapshot& now) {
    for (const auto& [name, bytes] : before) {
        const auto found = now.find(name);
        if (found == now.end() || found->second != bytes) {
            return true;
        }
    }
    for (const auto& entry : now) {
        if (before.count(entry.first) == 0 && !isCopysOwnName(entry.first)) {
            return true;
        }
    }
    return false;
}

UniqueHandle holdUnshared(const std::wstring& path) {
    return UniqueHandle(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string utf16le(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// The game as its installer left it, and the patch for it.
struct Layout {
    std::vector<PatchSource> patch;
    std::vector<std::pair<std::wstring, std::string>> game;  // old files, by name in the game folder
};

// Replaces three files (one in a subfolder), adds one and leaves keep.txt
// alone. The large file comes second, so that a fault set up while it is
// staged meets the files after it, and a cancel lands in its middle.
Layout mixedPatch(std::size_t largeSize) {
    return {{{L"a.dat", L"data\\a.dat", patternBytes(5000, 31)},
             {L"large.bin", L"", patternBytes(largeSize, 32)},
             {L"b.dat", L"", patternBytes(6000, 33)},
             {L"c.dat", L"", patternBytes(7000, 34)}},
            {{L"data\\a.dat", patternBytes(3000, 21)},
             {L"large.bin", patternBytes(1u << 20, 22)},
             {L"b.dat", patternBytes(4000, 23)},
             {L"keep.txt", "not in the patch\r\n"}}};
}

// One chunk each: 1,500 files, every one replacing an old one.
Layout manySmallFiles() {
    Layout layout;
    for (int i = 0; i < 1500; ++i) {
        const std::string name = "f" + std::to_string(i) + ".dat";
        const std::wstring wideName(name.begin(), name.end());
        layout.patch.push_back({wideName, L"", "new content of " + name});
        layout.game.push_back({wideName, "old " + name});
    }
    return layout;
}

class AllOrNothing : public PatchProgram {
protected:
    void prepare(const Layout& layout) {
        for (const auto& [name, bytes] : layout.game) {
            const std::size_t slash = name.rfind(L'\\');
            if (slash != std::wstring::npos) {
                CreateDirectoryW(installedFile(name.substr(0, slash)).c_str(), nullptr);
            }
            gameParent.write(L"Game Folder\\" + name, bytes);
        }
        prepareInstalledGame(layout.patch);
    }

    // The next start opens its dialog with no box before it.
    void expectNoBoxBeforeTheDialog(const ProgramRun& run) {
        ASSERT_TRUE(waitUntil([&] {
            return findDialog(run.processId(), DialogKind::patchDialog) != nullptr ||
                   findDialog(run.processId(), DialogKind::messageBox) != nullptr;
        }));
        // A box at the start means a repair had something to say: say what,
        // then go on.
        if (HWND box = findDialog(run.processId(), DialogKind::messageBox)) {
            ADD_FAILURE() << "a box at the start: " << utf8(readMessageBox(box).text);
            pressButton(box, IDOK);
        }
    }

    // The folder once the patch is in: `before` with every destination
    // holding its new bytes.
    static Snapshot patched(Snapshot before, const Layout& layout) {
        for (const PatchSource& file : layout.patch) {
            before[file.destinationName.empty() ? file.sourceName : file.destinationName] = file.bytes;
        }
        return before;
    }

    // Makes the game folder exactly `snapshot` again.
    void restoreFolder(const Snapshot& snapshot) {
        const Snapshot now = filesUnder(gameFolder);
        // Deepest first, so that a folder is empty when it goes.
        for (auto entry = now.rbegin(); entry != now.rend(); ++entry) {
            if (snapshot.count(entry->first) == 0) {
                const std::wstring path = installedFile(entry->first);
                if (entry->first.back() == L'\\') {
                    RemoveDirectoryW(path.substr(0, path.size() - 1).c_str());
                } else {
                    DeleteFileW(path.c_str());
                }
            }
        }
        for (const auto& [name, bytes] : snapshot) {
            if (name.back() == L'\\') {
                CreateDirectoryW(installedFile(name.substr(0, name.size() - 1)).c_str(), nullptr);
            } else if (now.count(name) == 0 || now.at(name) != bytes) {
                gameParent.write(L"Game Folder\\" + name, bytes);
            }
        }
        ASSERT_EQ(differences(snapshot, filesUnder(gameFolder)), "");
    }

    // The failure box over the dialog, answered OK: the program ends with 2.
    void expectCopyFailedBox(ProgramRun& run, Dialog dialog) {
        const MessageBoxView box = waitForMessageBox(run);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, copyFailed);
        EXPECT_EQ(box.caption, L"error");
        EXPECT_EQ(box.owner, dialog);
        pressButton(box.window, IDOK);
        expectExitCode(run, 2);
    }

    // ｷｬﾝｾﾙ once the bar has reached `position`, then OK in the question:
    // the dialog ends at once, the process once the folder is back.
    void cancelAt(ProgramRun& run, Dialog dialog, int position) {
        ASSERT_TRUE(waitUntil([&] { return progressPosition(dialog) >= position; }, 60000));
        pressButton(dialog, IDCANCEL);
        const MessageBoxView question = waitForMessageBox(run);
        ASSERT_NE(question.window, nullptr);
        // The copy goes on while the question is open: it must still be
        // staging when the answer comes, or this cancel proves nothing.
        EXPECT_LT(progressPosition(dialog), 100) << "the copy ended before the cancel";
        answerCancelQuestion(question, dialog, IDOK);
        expectExitCode(run, 2);
    }
};

// --- Failures during the copy: the copy's own failure box, or a confirmed
// cancel, and the folder as before ---

enum class Fault {
    lockedSource,             // a patch file held unshared by another program
    shrunkSource,             // a patch file cut short after the program read its size
    destinationLocked,        // held unshared once the copy has started (after the checks)
    destinationMadeReadOnly,  // made read-only once the copy has started
    stagedNameTaken,          // a folder takes a staged file's name once the copy has started
    cancelInALargeFile,
    cancelAmongSmallFiles,
    seededCancels,  // ten cancels, at moments picked from a fixed seed
};

struct CopyFailure {
    const char* name;
    Fault fault;
};

void PrintTo(const CopyFailure& failure, std::ostream* out) { *out << failure.name; }

class CopyFailureLeavesTheFolder : public AllOrNothing, public testing::WithParamInterface<CopyFailure> {
protected:
    // One run of the program meeting `fault`; for a cancel, at `position`.
    void runInto(Fault fault, int position) {
        const Snapshot before = filesUnder(gameFolder);
        // 1,500 names take the copy long enough as it is; paced, putting
        // them back would outlast the wait for the exit.
        ProgramRun run(program, fault == Fault::cancelAmongSmallFiles ? CopySpeed::asItIs : CopySpeed::paced);
        const Dialog dialog = waitForPatchDialog(run);
        ASSERT_NE(dialog, nullptr);

        // The program has read the sizes of the patch's files by now.
        UniqueHandle held;
        if (fault == Fault::lockedSource) {
            held = holdUnshared(patchFolder.file(L"b.dat"));
            ASSERT_TRUE(held.valid());
        } else if (fault == Fault::shrunkSource) {
            patchFolder.write(L"b.dat", patternBytes(3000, 33));
        }
        pressButton(dialog, IDC_RUN);
        ASSERT_TRUE(waitUntil([&] { return copying(dialog); }));

        const std::wstring takenName = installedFile(L"c.dat~new");
        switch (fault) {
        case Fault::destinationLocked:
        case Fault::destinationMadeReadOnly:
        case Fault::stagedNameTaken:
            // Inside the large file: the copy has planned its names and
            // staged data\a.dat, and is yet to reach b.dat and c.dat.
            ASSERT_TRUE(waitUntil([&] { return progressPosition(dialog) >= 2; }));
            if (fault == Fault::destinationLocked) {
                held = holdUnshared(installedFile(L"b.dat"));
                ASSERT_TRUE(held.valid());
            } else if (fault == Fault::destinationMadeReadOnly) {
                ASSERT_TRUE(SetFileAttributesW(installedFile(L"b.dat").c_str(), FILE_ATTRIBUTE_READONLY));
            } else {
                ASSERT_TRUE(CreateDirectoryW(takenName.c_str(), nullptr));
                gameParent.write(L"Game Folder\\c.dat~new\\mine.txt", "the test's");
            }
            EXPECT_LT(progressPosition(dialog), 99) << "the copy was past the large file before the fault was set";
            expectCopyFailedBox(run, dialog);
            break;
        case Fault::cancelInALargeFile:
        case Fault::cancelAmongSmallFiles:
        case Fault::seededCancels:
            cancelAt(run, dialog, position);
            break;
        case Fault::lockedSource:
        case Fault::shrunkSource:
            expectCopyFailedBox(run, dialog);
            break;
        }

        held.reset();
        if (fault == Fault::destinationMadeReadOnly) {
            EXPECT_EQ(GetFileAttributesW(installedFile(L"b.dat").c_str()) & FILE_ATTRIBUTE_READONLY,
                      static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
            SetFileAttributesW(installedFile(L"b.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
        } else if (fault == Fault::stagedNameTaken) {
            // The folder is the test's: never moved or emptied.
            EXPECT_EQ(fileBytesOrMissing(takenName + L"\\mine.txt"), "the test's");
            DeleteFileW((takenName + L"\\mine.txt").c_str());
            RemoveDirectoryW(takenName.c_str());
        }
        EXPECT_EQ(differences(before, filesUnder(gameFolder)), "");
    }
};

TEST_P(CopyFailureLeavesTheFolder, AsItWasBeforeRunAndEndsWithTwo) {
    const Fault fault = GetParam().fault;
    // 24 MiB for the large file, its copy paced: well over a second.
    prepare(fault == Fault::cancelAmongSmallFiles ? manySmallFiles() : mixedPatch(24u << 20));
    if (fault != Fault::seededCancels) {
        runInto(fault, fault == Fault::cancelInALargeFile ? 30 : 5);
        return;
    }
    const unsigned seed = 20261210;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> moment(1, 90);
    std::vector<int> positions;
    std::string printed;
    for (int i = 0; i < 10; ++i) {
        positions.push_back(moment(random));
        printed += " " + std::to_string(positions.back());
    }
    std::cout << "cancels from seed " << seed << " at progress" << printed << std::endl;
    for (const int position : positions) {
        SCOPED_TRACE("cancel at progress " + std::to_string(position) + " (seed " + std::to_string(seed) + ")");
        runInto(fault, position);
        if (HasFailure()) {
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Copy, CopyFailureLeavesTheFolder,
                         testing::Values(CopyFailure{"LockedSource", Fault::lockedSource},
                                         CopyFailure{"SourceShrankAfterTheStart", Fault::shrunkSource},
                                         CopyFailure{"DestinationLockedDuringTheCopy", Fault::destinationLocked},
                                         CopyFailure{"DestinationMadeReadOnlyDuringTheCopy",
                                                     Fault::destinationMadeReadOnly},
                                         CopyFailure{"StagedNameTakenByAFolder", Fault::stagedNameTaken},
                                         CopyFailure{"CancelInTheMiddleOfALargeFile", Fault::cancelInALargeFile},
                                         CopyFailure{"CancelAmong1500SmallFiles", Fault::cancelAmongSmallFiles},
                                         CopyFailure{"TenCancelsAtSeededMoments", Fault::seededCancels}),
                         caseName<CopyFailure>);

// --- What the checks find before anything is written: the retry box, asked
// again on 再試行 while the fault stays, and nothing changed on キャンセル ---

enum class Obstacle { missingFolder, destinationOpen, destinationReadOnly };

struct PreCheckRefusal {
    const char* name;
    Obstacle obstacle;
    const wchar_t* text;
};

void PrintTo(const PreCheckRefusal& refusal, std::ostream* out) { *out << refusal.name; }

class PreCheckRefusalChangesNothing : public AllOrNothing, public testing::WithParamInterface<PreCheckRefusal> {};

TEST_P(PreCheckRefusalChangesNothing, ShowsTheRetryBoxAndEndsWithTwo) {
    const PreCheckRefusal& refusal = GetParam();
    Layout layout = mixedPatch(200000);
    if (refusal.obstacle == Obstacle::missingFolder) {
        layout.patch.push_back({L"d.dat", L"nowhere\\d.dat", patternBytes(2000, 35)});
    }
    prepare(layout);
    const Snapshot before = filesUnder(gameFolder);
    UniqueHandle held;
    if (refusal.obstacle == Obstacle::destinationOpen) {
        held = holdUnshared(installedFile(L"data\\a.dat"));
        ASSERT_TRUE(held.valid());
    } else if (refusal.obstacle == Obstacle::destinationReadOnly) {
        ASSERT_TRUE(SetFileAttributesW(installedFile(L"data\\a.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    }

    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    pressButton(dialog, IDC_RUN);
    for (const int answer : {IDRETRY, IDCANCEL}) {
        const MessageBoxView box = waitForMessageBox(run);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, refusal.text);
        EXPECT_EQ(box.caption, L"error");
        EXPECT_EQ(box.owner, dialog);
        EXPECT_TRUE(box.hasRetry);
        EXPECT_TRUE(box.hasCancel);
        EXPECT_FALSE(copying(dialog)) << "the copy started over the fault";
        pressButton(box.window, answer);
        if (answer == IDRETRY) {
            ASSERT_TRUE(waitUntil([&] { return !IsWindow(box.window); }));
        }
    }
    expectExitCode(run, 2);

    held.reset();
    if (refusal.obstacle == Obstacle::destinationReadOnly) {
        SetFileAttributesW(installedFile(L"data\\a.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    EXPECT_EQ(differences(before, filesUnder(gameFolder)), "");
}

INSTANTIATE_TEST_SUITE_P(
    BeforeTheCopy, PreCheckRefusalChangesNothing,
    testing::Values(PreCheckRefusal{"DestinationInAMissingFolder", Obstacle::missingFolder,
                                    L"「nowhere」フォルダがありません。インストール先を確認してください。"},
                    PreCheckRefusal{"LockedDestination", Obstacle::destinationOpen,
                                    L"「data\\a.dat」がほかのプログラムで使用中です。そのプログラムを終了してから再試行してください。"},
                    PreCheckRefusal{"ReadOnlyDestination", Obstacle::destinationReadOnly,
                                    L"「data\\a.dat」は書き換えられない属性になっています。属性を外してから再試行してください。"}),
    caseName<PreCheckRefusal>);

// The game started from its folder: the tests' stand-in (tests/copy) copied
// there under the settings' executable name, holding data\a.dat open as a
// game holds its data.
class RunningGame {
public:
    RunningGame(const std::wstring& executable, const std::wstring& folder, const std::wstring& heldFile)
        : holding_(CreateEventW(nullptr, TRUE, FALSE, L"patch-e2e-game-holding")),
          end_(CreateEventW(nullptr, TRUE, FALSE, L"patch-e2e-game-end")) {
        std::wstring commandLine =
            L"\"" + executable + L"\" \"" + heldFile + L"\" patch-e2e-game-holding patch-e2e-game-end";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION created{};
        if (CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           folder.c_str(), &startup, &created)) {
            CloseHandle(created.hThread);
            process_.reset(created.hProcess);
        }
    }
    ~RunningGame() {
        if (process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 99);
            WaitForSingleObject(process_.get(), windowTimeoutMs);
        }
    }
    RunningGame(const RunningGame&) = delete;
    RunningGame& operator=(const RunningGame&) = delete;

    bool holds() const {
        return process_.valid() && WaitForSingleObject(holding_.get(), windowTimeoutMs) == WAIT_OBJECT_0;
    }
    // The player quits the game; true once it has ended.
    bool quit() {
        SetEvent(end_.get());
        return WaitForSingleObject(process_.get(), windowTimeoutMs) == WAIT_OBJECT_0;
    }

private:
    UniqueHandle holding_;
    UniqueHandle end_;
    UniqueHandle process_;
};

TEST_F(AllOrNothing, RunningGameIsNamedAndRetryPatchesOnceItHasEnded) {
    const Layout layout = mixedPatch(200000);
    prepare(layout);
    ASSERT_TRUE(CopyFileW(hostPathInWine(PATCH_STAND_IN_GAME).c_str(), installedFile(L"Velk.exe").c_str(), FALSE));
    const Snapshot before = filesUnder(gameFolder);
    RunningGame game(installedFile(L"Velk.exe"), gameFolder, installedFile(L"data\\a.dat"));
    ASSERT_TRUE(game.holds());

    ProgramRun run(program);
    Dialog dialog = nullptr;
    const MessageBoxView box = boxAfterRun(run, dialog);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, L"「Velk.exe」が実行中です。ゲームを終了してから再試行してください。");
    EXPECT_EQ(box.caption, L"error");
    EXPECT_EQ(box.owner, dialog);
    EXPECT_TRUE(box.hasRetry);
    EXPECT_TRUE(box.hasCancel);
    EXPECT_FALSE(copying(dialog));

    ASSERT_TRUE(game.quit());
    EXPECT_EQ(differences(before, filesUnder(gameFolder)), "");
    pressButton(box.window, IDRETRY);
    expectCopyEndsWithOne(run, dialog, layout.patch, 30000);
    EXPECT_EQ(differences(patched(before, layout), filesUnder(gameFolder)), "");
}

// A run stopped among its moves (b.dat's new content in place, the old one
// moved aside) when the player has started the game again: the start's
// repair touches nothing while the game runs, and says so in Run's retry box
// (no dialog yet, so no owner). キャンセル leaves it for later: the dialog
// opens and Run asks again; once the game has ended, 再試行 puts the folder
// back and says so.
TEST_F(AllOrNothing, RepairWaitsForTheRunningGame) {
    const Layout layout = mixedPatch(200000);
    prepare(layout);
    ASSERT_TRUE(CopyFileW(hostPathInWine(PATCH_STAND_IN_GAME).c_str(), installedFile(L"Velk.exe").c_str(), FALSE));
    const Snapshot before = filesUnder(gameFolder);
    ASSERT_TRUE(MoveFileW(installedFile(L"b.dat").c_str(), installedFile(L"b.dat~old").c_str()));
    gameParent.write(L"Game Folder\\b.dat", patternBytes(6000, 33));
    ASSERT_NO_FATAL_FAILURE(leaveStoppedRun(runRecordsKey, gameFolder, {{L"b.dat", L"b.dat", L"b.dat~old"}}));
    const Snapshot stopped = filesUnder(gameFolder);
    RunningGame game(installedFile(L"Velk.exe"), gameFolder, installedFile(L"data\\a.dat"));
    ASSERT_TRUE(game.holds());
    const std::wstring gameRunning = L"「Velk.exe」が実行中です。ゲームを終了してから再試行してください。";

    ProgramRun run(program);
    const MessageBoxView atStart = waitForMessageBox(run);
    ASSERT_NE(atStart.window, nullptr);
    EXPECT_EQ(atStart.text, gameRunning);
    EXPECT_EQ(atStart.owner, nullptr);
    EXPECT_TRUE(atStart.hasRetry);
    EXPECT_TRUE(atStart.hasCancel);
    pressButton(atStart.window, IDCANCEL);

    Dialog dialog = nullptr;
    const MessageBoxView atRun = boxAfterRun(run, dialog);
    ASSERT_NE(atRun.window, nullptr);
    EXPECT_EQ(atRun.text, gameRunning);
    EXPECT_EQ(atRun.owner, dialog);
    EXPECT_FALSE(copying(dialog));

    ASSERT_TRUE(game.quit());
    EXPECT_EQ(differences(stopped, filesUnder(gameFolder)), "");
    EXPECT_EQ(storedRuns(runRecordsKey).size(), 1u);
    pressButton(atRun.window, IDRETRY);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(atRun.window); }));
    const MessageBoxView repaired = waitForMessageBox(run);
    ASSERT_NE(repaired.window, nullptr);
    EXPECT_EQ(repaired.text, restoredText);
    EXPECT_EQ(repaired.owner, dialog);
    EXPECT_EQ(differences(before, filesUnder(gameFolder)), "");
    pressButton(repaired.window, IDOK);
    expectCopyEndsWithOne(run, dialog, layout.patch, 30000);
    EXPECT_EQ(differences(patched(before, layout), filesUnder(gameFolder)), "");
}

// --- The program killed part way: every file old or new, and the next
// start puts the folder right ---

// The size of a file, whoever holds it; -1 when there is none.
long long sizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

TEST_F(AllOrNothing, KilledAtSeededMomentsTheNextStartPutsTheFolderRight) {
    constexpr int lastStaged = 100;
    constexpr int firstMoved = 101;
    // Small files before and after a large one: the trailing ones make the
    // last few hundredths of the bar.
    const Layout layout{{{L"s.dat", L"", patternBytes(50000, 51)},
                         {L"a.dat", L"data\\a.dat", patternBytes(50000, 52)},
                         {L"large.bin", L"", patternBytes(8u << 20, 53)},
                         {L"b.dat", L"", patternBytes(100000, 54)},
                         {L"t1.dat", L"", patternBytes(100000, 55)},
                         {L"t2.dat", L"", patternBytes(100000, 56)},
                         {L"t3.dat", L"", patternBytes(100000, 57)}},
                        {{L"data\\a.dat", patternBytes(3000, 41)},
                         {L"large.bin", patternBytes(512u << 10, 42)},
                         {L"b.dat", patternBytes(4000, 43)},
                         {L"keep.txt", "not in the patch\r\n"}}};
    prepare(layout);
    const Snapshot before = filesUnder(gameFolder);
    const Snapshot after = patched(before, layout);

    const unsigned seed = 4242;
    std::mt19937 random(seed);
    std::vector<int> positions;
    for (int i = 0; i < 4; ++i) {
        positions.push_back(std::uniform_int_distribution<int>(1, 99)(random));
    }
    positions.push_back(std::uniform_int_distribution<int>(95, 99)(random));  // near the end
    std::string printed;
    for (const int position : positions) {
        printed += " " + std::to_string(position);
    }
    std::cout << "kills from seed " << seed << " at progress" << printed
              << ", then once the last staged file is whole, then once the first file is in place" << std::endl;
    // Past 99 the bar says no more: the last moments are read from the disk.
    // Once the last staged file is whole its flush and the record of every
    // identity still come before the first move; once the first file (the
    // new s.dat) is in place the kill lands among the moves, or after them.
    positions.push_back(lastStaged);
    positions.push_back(firstMoved);

    for (const int position : positions) {
        SCOPED_TRACE("killed at progress " + std::to_string(position) + " (seed " + std::to_string(seed) + ")");
        restoreFolder(before);
        {
            ProgramRun run(program, CopySpeed::paced);
            const Dialog dialog = startSlowCopy(run);
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(waitUntil(
                [&] {
                    if (position == lastStaged) {
                        return sizeOf(installedFile(L"t3.dat~new")) == 100000 || finished(dialog);
                    }
                    if (position == firstMoved) {
                        return sizeOf(installedFile(L"s.dat")) == 50000 || finished(dialog);
                    }
                    return progressPosition(dialog) >= position;
                },
                60000));
            run.terminate(9);
        }
        for (const auto& [name, bytes] : filesUnder(gameFolder)) {
            const auto old = before.find(name);
            const bool asBefore = old != before.end() && old->second == bytes;
            const bool asAfter = after.count(name) != 0 && after.at(name) == bytes;
            EXPECT_TRUE(asBefore || asAfter || (after.count(name) == 0 && isCopysOwnName(name)))
                << utf8(name) << ": " << bytes.size() << " bytes, neither old nor new";
        }

        const bool journalLeft = !storedRuns(runRecordsKey).empty();
        const bool gameFileChanged = gameFilesDiffer(before, filesUnder(gameFolder));
        ProgramRun next(program);
        std::string outcome = "finished before the kill";
        if (journalLeft && gameFileChanged) {
            const MessageBoxView box = waitForMessageBox(next);
            ASSERT_NE(box.window, nullptr);
            EXPECT_TRUE(box.text == restoredText || box.text == completedText) << utf8(box.text);
            outcome = box.text == completedText ? "completed" : "put back";
            pressButton(box.window, IDOK);
        } else if (journalLeft) {
            // Killed before it changed any game file: its own staged files
            // go, with nothing to tell.
            expectNoBoxBeforeTheDialog(next);
            outcome = "put back silently";
        } else {
            // Only a run that had finished leaves no journal.
            EXPECT_GE(position, lastStaged) << "no journal after a kill while staging";
        }
        std::cout << "killed at "
                  << (position == lastStaged   ? "the end of staging"
                      : position == firstMoved ? "the first move"
                                               : std::to_string(position))
                  << ": " << outcome << std::endl;
        const Dialog dialog = waitForPatchDialog(next);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(differences(outcome == "completed" || outcome == "finished before the kill" ? after : before,
                              filesUnder(gameFolder)),
                  "");
        pressButton(dialog, IDC_RUN);
        expectCopyEndsWithOne(next, dialog, layout.patch, 60000);
        EXPECT_EQ(differences(after, filesUnder(gameFolder)), "");
        if (HasFailure()) {
            break;
        }
    }
}

// --- Killed in a folder the player typed ---

TEST_F(AllOrNothing, KilledInATypedFolderIsPutBackAtTheNextStartAndRunPatchesIt) {
    const Layout layout = mixedPatch(8u << 20);
    prepare(layout);
    const Snapshot registered = filesUnder(gameFolder);
    // The same game, installed a second time elsewhere, typed by the player.
    const std::wstring typed = gameParent.file(L"Typed Game");
    ASSERT_TRUE(CreateDirectoryW(typed.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((typed + L"\\data").c_str(), nullptr));
    for (const auto& [name, bytes] : layout.game) {
        gameParent.write(L"Typed Game\\" + name, bytes);
    }
    gameParent.write(L"Typed Game\\Velk.exe", "MZ");
    const Snapshot before = filesUnder(typed);
    const auto typeFolder = [&typed](Dialog dialog) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(GetDlgItem(dialog, IDC_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()),
                            SMTO_ABORTIFHUNG, windowTimeoutMs, &result);
    };
    {
        ProgramRun run(program);
        const Dialog dialog = waitForPatchDialog(run);
        ASSERT_NE(dialog, nullptr);
        typeFolder(dialog);
        pressButton(dialog, IDC_RUN);
        ASSERT_TRUE(waitUntil([&] { return copying(dialog) && progressPosition(dialog) >= 30; }, 60000));
        run.terminate(9);
    }
    ASSERT_NE(differences(before, filesUnder(typed)), "") << "the kill left nothing to repair";
    ASSERT_FALSE(gameFilesDiffer(before, filesUnder(typed))) << "killed once the moves had begun";

    // Killed while staging: the run's staged files go at the next start,
    // with nothing to tell, since no game file had changed.
    ProgramRun next(program);
    expectNoBoxBeforeTheDialog(next);
    EXPECT_EQ(differences(before, filesUnder(typed)), "");
    const Dialog dialog = waitForPatchDialog(next);
    ASSERT_NE(dialog, nullptr);
    typeFolder(dialog);
    pressButton(dialog, IDC_RUN);
    ASSERT_TRUE(waitUntil([&] { return finished(dialog); }, 60000));
    pressButton(dialog, IDC_RUN);
    expectExitCode(next, 1);
    EXPECT_EQ(differences(patched(before, layout), filesUnder(typed)), "");
    EXPECT_EQ(differences(registered, filesUnder(gameFolder)), "");
}

// --- Links: the install folder may be one, nothing below it ---

TEST_F(AllOrNothing, LinkBelowTheInstallFolderStopsTheRunBeforeAnyChange) {
    const Layout layout = mixedPatch(200000);
    prepare(layout);
    // data\ is a link to a folder outside the game, holding the same files.
    ASSERT_TRUE(CreateDirectoryW(gameParent.file(L"outside").c_str(), nullptr));
    for (const auto& [name, bytes] : filesUnder(installedFile(L"data"))) {
        gameParent.write(L"outside\\" + name, bytes);
        DeleteFileW(installedFile(L"data\\" + name).c_str());
    }
    ASSERT_TRUE(RemoveDirectoryW(installedFile(L"data").c_str()));
    UnixLink data(gameFolder, L"data", L"../outside");
    ASSERT_TRUE(data.made()) << "no link under Wine";
    const Snapshot before = filesUnder(gameParent.path());

    ProgramRun run(program);
    Dialog dialog = nullptr;
    const MessageBoxView box = boxAfterRun(run, dialog);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, L"「data」はリンクのため、パッチを当てられません。");
    EXPECT_EQ(box.owner, dialog);
    EXPECT_FALSE(copying(dialog));
    pressButton(box.window, IDCANCEL);
    expectExitCode(run, 2);
    EXPECT_EQ(differences(before, filesUnder(gameParent.path())), "");
}

TEST_F(AllOrNothing, InstallFolderThatIsALinkIsPatched) {
    const Layout layout = mixedPatch(200000);
    prepare(layout);
    const Snapshot before = filesUnder(gameFolder);
    UnixLink library(gameParent.path(), L"Library Link", L"Game Folder");
    ASSERT_TRUE(library.made()) << "no link under Wine";
    registerInstallFolder(library.path() + L"\\");

    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    pressButton(dialog, IDC_RUN);
    expectCopyEndsWithOne(run, dialog, {}, 30000);
    EXPECT_EQ(differences(patched(before, layout), filesUnder(gameFolder)), "");
}

// --- A journal in the game folder is anyone's: never followed, never
// deleted, and no reason not to patch ---

struct PlantedJournal {
    const char* name;
    std::string bytes;
};

void PrintTo(const PlantedJournal& journal, std::ostream* out) { *out << journal.name; }

class PlantedJournalIsNeverFollowed : public AllOrNothing, public testing::WithParamInterface<PlantedJournal> {};

TEST_P(PlantedJournalIsNeverFollowed, NothingMovesAndRunPatches) {
    const Layout layout{{{L"b.dat", L"", patternBytes(6000, 61)}},
                        {{L"b.dat", patternBytes(4000, 62)},
                         {L"b.dat~old", patternBytes(4100, 63)},
                         {L"b.dat~new", patternBytes(4200, 64)},
                         {L"Velk.exe~old", "a planted program"},
                         {L"save.dat", "the player's save"}}};
    prepare(layout);
    // Followed, the journals below would put these back over b.dat and
    // victim.txt, delete the player's save and put a planted program in
    // the game's place; one leads through a link to a folder outside.
    gameParent.write(L"victim.txt", "beside the game");
    gameParent.write(L"victim.txt~old", "kept by no one");
    gameParent.write(L"victim.txt~new", "staged by no one");
    ASSERT_TRUE(CreateDirectoryW(gameParent.file(L"outside").c_str(), nullptr));
    gameParent.write(L"outside\\victim.dat", "outside the game");
    gameParent.write(L"outside\\victim.dat~old", "planted outside");
    UnixLink link(gameFolder, L"linked", L"../outside");
    ASSERT_TRUE(link.made()) << "no link under Wine";
    gameParent.write(L"Game Folder\\" + journalName, GetParam().bytes);
    const Snapshot before = filesUnder(gameParent.path());

    ProgramRun run(program);
    // A box at the start would mean the journal was read.
    expectNoBoxBeforeTheDialog(run);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(differences(before, filesUnder(gameParent.path())), "");
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
    EXPECT_EQ(differences(before, filesUnder(gameParent.path())), "");
}

INSTANTIATE_TEST_SUITE_P(
    Journal, PlantedJournalIsNeverFollowed,
    testing::Values(PlantedJournal{"Garbage", patternBytes(600, 65)},
                    PlantedJournal{"CutShort", utf16le(L"patch journal 1\nreplace\tb.dat~new\tb.dat\tb.da")},
                    PlantedJournal{"NameOutsideTheFolder",
                                   utf16le(L"patch journal 1\nreplace\t..\\victim.txt~new\t..\\victim.txt\t"
                                           L"..\\victim.txt~old\nend\n")},
                    PlantedJournal{"NewEntryForAPlayersFile",
                                   utf16le(L"patch journal 1\nnew\tsave.dat~new\tsave.dat\nend\n")},
                    PlantedJournal{"ReplaceWithAPlantedOld",
                                   utf16le(L"patch journal 1\nreplace\tVelk.exe~new\tVelk.exe\tVelk.exe~old\n"
                                           L"replace\tb.dat~new\tb.dat\tb.dat~old\nend\n")},
                    PlantedJournal{"EntryThroughALink",
                                   utf16le(L"patch journal 1\nreplace\tlinked\\victim.dat~new\tlinked\\victim.dat\t"
                                           L"linked\\victim.dat~old\nend\n")}),
    caseName<PlantedJournal>);

// The Run goes on beside a journal it did not write, and leaves it there.
TEST_F(AllOrNothing, RunBesideAPlantedJournalPatchesAndLeavesIt) {
    const Layout layout = mixedPatch(200000);
    prepare(layout);
    const std::string planted = utf16le(L"patch journal 1\nnew\tkeep.txt~new\tkeep.txt\nend\n");
    gameParent.write(L"Game Folder\\" + journalName, planted);
    const Snapshot before = filesUnder(gameFolder);

    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    pressButton(dialog, IDC_RUN);
    expectCopyEndsWithOne(run, dialog, layout.patch, 30000);
    EXPECT_EQ(differences(patched(before, layout), filesUnder(gameFolder)), "");
}

}  // namespace
