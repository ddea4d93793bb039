// The checks made when Run is pressed, before anything is written: each
// reason gives its box (owned by the dialog, "error", no icon, 再試行 and
// キャンセル), キャンセル refuses the start with the install folder as it
// was, 再試行 checks again and starts once the cause is gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "copy/RepairBox.h"
#include "copy/RunRecord.h"
#include "copy/StartChecks.h"
#include "core/FileProbe.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/MessageBoxPresser.h"
#include "tests/support/StoppedRun.h"
#include "tests/support/case_name.h"

namespace {

// A file held open by this test, as another program would hold it.
UniqueHandle holdOpen(const std::wstring& path, DWORD sharing = 0) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file.valid()) << utf8(path);
    return file;
}

// What a search sees of every file and folder below `folder`: its size,
// attributes and time of last write. A file held open unshared can't be
// read, but any write to it or beside it shows here.
using FolderState = std::map<std::wstring, std::tuple<std::uint64_t, DWORD, std::uint64_t>>;

FolderState stateOf(const std::wstring& folder) {
    FolderState state;
    for (const FolderEntry& entry : listFolderTree(folder)) {
        state[entry.name] = {entry.size, entry.attributes, entry.lastWrite};
    }
    return state;
}

std::wstring folderOfThisProgram() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring text = path;
    return text.substr(0, text.find_last_of(L'\\'));
}

// The stand-in game (stand_in_game.cpp), copied to `executable` and started
// there, holding `heldFile` open until it is ended.
class StandInGame {
public:
    StandInGame(const std::wstring& executable, const std::wstring& heldFile) {
        static std::atomic<unsigned> counter{0};
        const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
        const std::wstring holdingName = L"patch-stand-in-holding-" + tag;
        const std::wstring endName = L"patch-stand-in-end-" + tag;
        holding_.reset(CreateEventW(nullptr, TRUE, FALSE, holdingName.c_str()));
        end_.reset(CreateEventW(nullptr, TRUE, FALSE, endName.c_str()));
        EXPECT_TRUE(CopyFileW((folderOfThisProgram() + L"\\stand_in_game.exe").c_str(), executable.c_str(), FALSE))
            << "no stand_in_game.exe beside the test";
        std::wstring commandLine =
            L"\"" + executable + L"\" \"" + heldFile + L"\" " + holdingName + L" " + endName;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &started)) {
            ADD_FAILURE() << "the stand-in did not start: " << GetLastError();
            return;
        }
        process_.reset(started.hProcess);
        CloseHandle(started.hThread);
        const HANDLE either[] = {holding_.get(), process_.get()};
        EXPECT_EQ(WaitForMultipleObjects(2, either, FALSE, 20000), WAIT_OBJECT_0)
            << "the stand-in did not get to hold its file";
    }
    ~StandInGame() { end(); }
    StandInGame(const StandInGame&) = delete;
    StandInGame& operator=(const StandInGame&) = delete;

    // Tells it to end and waits until it has.
    void end() {
        if (!process_.valid()) {
            return;
        }
        SetEvent(end_.get());
        EXPECT_EQ(WaitForSingleObject(process_.get(), 20000), WAIT_OBJECT_0);
        process_.reset();
    }

private:
    UniqueHandle holding_;
    UniqueHandle end_;
    UniqueHandle process_;
};

class StartChecks : public CopyJobFixture {
public:
    void SetUp() override {
        CopyJobFixture::SetUp();
        session.title = L"テストゲーム";
        session.executableName = L"Game.exe";
        install.write(L"Game.exe", "MZ");
        ASSERT_TRUE(CreateDirectoryW(install.file(L"data").c_str(), nullptr));
        install.write(L"b.dat", "old b");
        list(L"a.dat", L"data\\a.dat", patternBytes(3000, 3));
        list(L"b.dat", L"b.dat", patternBytes(2000, 4));
    }

    void list(const std::wstring& source, const std::wstring& destination, const std::string& bytes) {
        patch.write(source, bytes);
        session.files.push_back({patch.file(source), destination, static_cast<std::uint32_t>(bytes.size())});
    }

    // Run pressed on the install folder; each box answered by `answer`.
    bool start(MessageBoxAnswer answer) { return startWith(install.path(), std::move(answer)); }

    void TearDown() override {
        CopyJobFixture::TearDown();
        held.reset();
    }

    TempFolder other;
    UniqueHandle held;
};

int alwaysCancel(const SeenMessageBox&, std::size_t) { return IDCANCEL; }

void expectRetryBox(const SeenMessageBox& box, const std::wstring& text, HWND dialog) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, L"error");
    EXPECT_EQ(box.owner, dialog);
    EXPECT_EQ(box.buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
    EXPECT_FALSE(box.icon);
}

// --- Each reason, answered with キャンセル ---

struct ReasonCase {
    const char* name;
    void (*arrange)(StartChecks&);
    const wchar_t* text;
};

void PrintTo(const ReasonCase& reason, std::ostream* out) { *out << reason.name; }

class StartRefusal : public StartChecks, public ::testing::WithParamInterface<ReasonCase> {};

TEST_P(StartRefusal, ShowsTheReasonAndCancelLeavesEverythingAsItWas) {
    const ReasonCase& reason = GetParam();
    reason.arrange(*this);
    const FolderState before = stateOf(install.path());

    EXPECT_FALSE(start(alwaysCancel));

    ASSERT_EQ(boxes.size(), 1u);
    expectRetryBox(boxes[0], reason.text, dialog.window());
    EXPECT_FALSE(session.workerThread.valid());
    EXPECT_TRUE(IsWindowEnabled(dialog.control(IDC_RUN)));
    EXPECT_EQ(stateOf(install.path()), before);
}

void setAttribute(const StartChecks& job, const wchar_t* name, DWORD attribute) {
    job.install.write(name, "old");
    ASSERT_TRUE(SetFileAttributesW(job.install.file(name).c_str(), attribute));
    ASSERT_EQ(GetFileAttributesW(job.install.file(name).c_str()) & attribute, attribute)
        << "this drive does not keep the attribute";
}

const wchar_t* const bInUse = L"「b.dat」がほかのプログラムで使用中です。そのプログラムを終了してから再試行してください。";
const wchar_t* const aProtected = L"「data\\a.dat」は書き換えられない属性になっています。属性を外してから再試行してください。";

INSTANTIATE_TEST_SUITE_P(
    Reasons, StartRefusal,
    ::testing::Values(
        ReasonCase{"FolderMissing", [](StartChecks& job) { job.session.files[0].destinationName = L"save\\a.dat"; },
                   L"「save」フォルダがありません。インストール先を確認してください。"},
        ReasonCase{"InnerFolderMissing",
                   [](StartChecks& job) { job.session.files[0].destinationName = L"data\\sub\\a.dat"; },
                   L"「data\\sub」フォルダがありません。インストール先を確認してください。"},
        // As the settings wrote it: / separates too.
        ReasonCase{"FolderMissingForwardSlash",
                   [](StartChecks& job) { job.session.files[0].destinationName = L"save/a.dat"; },
                   L"「save」フォルダがありません。インストール先を確認してください。"},
        ReasonCase{"FolderIsAFile", [](StartChecks& job) { job.session.files[0].destinationName = L"b.dat\\a.dat"; },
                   L"「b.dat」フォルダがありません。インストール先を確認してください。"},
        ReasonCase{"FolderOutsideCodePage932",
                   [](StartChecks& job) { job.session.files[0].destinationName = L"张 été\\a.dat"; },
                   L"「张 été」フォルダがありません。インストール先を確認してください。"},
        ReasonCase{"ReadOnly", [](StartChecks& job) { setAttribute(job, L"data\\a.dat", FILE_ATTRIBUTE_READONLY); },
                   aProtected},
        ReasonCase{"Hidden", [](StartChecks& job) { setAttribute(job, L"data\\a.dat", FILE_ATTRIBUTE_HIDDEN); },
                   aProtected},
        ReasonCase{"System", [](StartChecks& job) { setAttribute(job, L"data\\a.dat", FILE_ATTRIBUTE_SYSTEM); },
                   aProtected},
        ReasonCase{"InUse", [](StartChecks& job) { job.held = holdOpen(job.install.file(L"b.dat")); }, bInUse},
        // Shared with every other reader and writer, it still can't be
        // replaced.
        ReasonCase{"InUseShared",
                   [](StartChecks& job) {
                       job.held = holdOpen(job.install.file(L"b.dat"), FILE_SHARE_READ | FILE_SHARE_WRITE);
                   },
                   bInUse},
        // File by file in the order listed: the first file's reason, though
        // the second one's folder is missing.
        ReasonCase{"FirstListedFileFirst",
                   [](StartChecks& job) {
                       job.install.write(L"data\\a.dat", "old a");
                       job.held = holdOpen(job.install.file(L"data\\a.dat"));
                       job.session.files[1].destinationName = L"save\\b.dat";
                   },
                   L"「data\\a.dat」がほかのプログラムで使用中です。そのプログラムを終了してから再試行してください。"},
        // Within one file: its attributes before its use.
        ReasonCase{"AttributesBeforeUse",
                   [](StartChecks& job) {
                       setAttribute(job, L"data\\a.dat", FILE_ATTRIBUTE_HIDDEN);
                       job.held = holdOpen(job.install.file(L"data\\a.dat"));
                   },
                   aProtected}),
    caseName<ReasonCase>);

// --- 再試行 ---

TEST_F(StartChecks, RetryChecksAgainAndStartsOnceTheFileIsFree) {
    held = holdOpen(install.file(L"b.dat"));

    // The first 再試行 finds the file still held; the second one finds it
    // closed.
    EXPECT_TRUE(start([this](const SeenMessageBox&, std::size_t index) {
        if (index == 1) {
            held.reset();
        }
        return index < 2 ? IDRETRY : IDCANCEL;
    }));

    ASSERT_EQ(boxes.size(), 2u);
    expectRetryBox(boxes[0], bInUse, dialog.window());
    expectRetryBox(boxes[1], bInUse, dialog.window());
    EXPECT_FALSE(IsWindowEnabled(dialog.control(IDC_RUN)));
    EXPECT_EQ(finish(), 0u);
    EXPECT_EQ(copied(L"b.dat"), patternBytes(2000, 4));
    EXPECT_EQ(copied(L"data\\a.dat"), patternBytes(3000, 3));
}

TEST_F(StartChecks, RetryStartsOnceTheMissingFolderIsThere) {
    session.files[0].destinationName = L"save\\a.dat";

    EXPECT_TRUE(start([this](const SeenMessageBox&, std::size_t index) {
        CreateDirectoryW(install.file(L"save").c_str(), nullptr);
        return index == 0 ? IDRETRY : IDCANCEL;
    }));

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(finish(), 0u);
    EXPECT_EQ(copied(L"save\\a.dat"), patternBytes(3000, 3));
}

TEST_F(StartChecks, AFileNotFoundBesideTheProgramIsNotChecked) {
    // Listed, but not found when the settings were read: it is not copied,
    // so its folder does not matter.
    session.files.push_back({patch.file(L"gone.dat"), L"save\\gone.dat", noSizeMarker});

    EXPECT_TRUE(start(alwaysCancel));

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(finish(), 0u);
}

// --- The game runs ---

TEST_F(StartChecks, GameRunningFromTheInstallFolderIsNamedThenRetryStarts) {
    // Started through a path in other letters than the install folder's and
    // the file's, and named in the settings in others again: the box names
    // it as the settings do.
    session.executableName = L"game.exe";
    std::wstring upperCase = install.file(L"GAME.EXE");
    CharUpperBuffW(upperCase.data(), static_cast<DWORD>(upperCase.size()));
    StandInGame game(upperCase, install.file(L"b.dat"));

    EXPECT_TRUE(start([&game](const SeenMessageBox&, std::size_t index) {
        game.end();
        return index == 0 ? IDRETRY : IDCANCEL;
    }));

    // The game first, though the file it holds is listed too.
    ASSERT_EQ(boxes.size(), 1u);
    expectRetryBox(boxes[0], L"「game.exe」が実行中です。ゲームを終了してから再試行してください。", dialog.window());
    EXPECT_EQ(finish(), 0u);
    EXPECT_EQ(copied(L"b.dat"), patternBytes(2000, 4));
}

TEST_F(StartChecks, GameRunningCancelledStartsNothing) {
    StandInGame game(install.file(L"Game.exe"), install.file(L"data\\held.dat"));
    const FolderState before = stateOf(install.path());

    EXPECT_FALSE(start(alwaysCancel));

    ASSERT_EQ(boxes.size(), 1u);
    expectRetryBox(boxes[0], L"「Game.exe」が実行中です。ゲームを終了してから再試行してください。", dialog.window());
    EXPECT_FALSE(session.workerThread.valid());
    game.end();
    EXPECT_EQ(stateOf(install.path()), before);
}

TEST_F(StartChecks, ProgramOfTheSameNameElsewhereIsNotTheGame) {
    StandInGame elsewhere(other.file(L"Game.exe"), other.file(L"held.dat"));

    EXPECT_TRUE(start(alwaysCancel));

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(finish(), 0u);
}

TEST_F(StartChecks, NoExecutableNamedLooksForNoGame) {
    StandInGame game(install.file(L"Game.exe"), install.file(L"data\\held.dat"));
    session.executableName.clear();

    EXPECT_TRUE(start(alwaysCancel));

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(finish(), 0u);
}

// Wine shows the whole Unix tree as drive Z:, so the install folder has a
// second name there; the process started through it reports that name.
TEST_F(StartChecks, GameStartedThroughAnotherDriveIsTheGame) {
    using UnixNameCall = char* (*)(const wchar_t*);
    const auto unixNameOf = reinterpret_cast<UnixNameCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixNameOf == nullptr) {
        GTEST_SKIP() << "not under Wine";
    }
    char* unixName = unixNameOf(install.path().c_str());
    ASSERT_NE(unixName, nullptr);
    std::wstring throughZ = L"Z:";
    for (const char* c = unixName; *c != '\0'; ++c) {
        throughZ += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    HeapFree(GetProcessHeap(), 0, unixName);
    ASSERT_TRUE(isSameFile(throughZ + L"\\Game.exe", install.file(L"Game.exe"))) << utf8(throughZ);
    StandInGame game(throughZ + L"\\Game.exe", throughZ + L"\\data\\held.dat");

    EXPECT_FALSE(start(alwaysCancel));

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"「Game.exe」が実行中です。ゲームを終了してから再試行してください。");
}

// --- Room ---

std::wstring askedFolder;

TEST_F(StartChecks, RoomIsEveryFileAtOnceAgainstTheFreeBytes) {
    // 5000 bytes listed.
    const FreeBytesQuery exactly5000 = [](const std::wstring& folder) -> std::optional<std::uint64_t> {
        askedFolder = folder;
        return 5000;
    };
    const FreeBytesQuery only3975 = [](const std::wstring&) -> std::optional<std::uint64_t> { return 3975; };
    const FreeBytesQuery notSaid = [](const std::wstring&) -> std::optional<std::uint64_t> { return std::nullopt; };

    EXPECT_EQ(firstStartRefusal(session, exactly5000), std::nullopt);
    EXPECT_EQ(askedFolder, install.path());
    // 1025 bytes short: 2KB, rounded up.
    EXPECT_EQ(firstStartRefusal(session, only3975), L"空き容量が足りません。あと 2KB 必要です。");
    EXPECT_EQ(firstStartRefusal(session, notSaid), std::nullopt);
    // The real drive has room for 5000 bytes.
    EXPECT_EQ(firstStartRefusal(session), std::nullopt);

    // The room comes after every file's own reasons.
    session.files[1].destinationName = L"save\\b.dat";
    EXPECT_EQ(firstStartRefusal(session, only3975),
              L"「save」フォルダがありません。インストール先を確認してください。");
}


// A game that runs as another user, or with rights this program lacks, can't
// be opened to read its path: a process of the game's name that can't be
// opened counts as the game. One that ended since the list was taken
// (OpenProcess says ERROR_INVALID_PARAMETER) does not.
struct OpenFailure {
    static inline DWORD error = 0;
    static HANDLE WINAPI open(DWORD, BOOL, DWORD) {
        SetLastError(error);
        return nullptr;
    }
};

TEST_F(StartChecks, GameThatCantBeOpenedCountsAsRunningUnlessItHasEnded) {
    // Of the game's name, elsewhere: not the game when its path can be read.
    StandInGame elsewhere(other.file(L"Game.exe"), other.file(L"held.dat"));
    ASSERT_FALSE(gameRunningRefusal(install.path(), L"Game.exe").has_value());
    for (const DWORD error : {DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_INVALID_PARAMETER}}) {
        SCOPED_TRACE(error);
        OpenFailure::error = error;

        const std::optional<std::wstring> refusal = gameRunningRefusal(install.path(), L"Game.exe", OpenFailure::open);

        if (error == ERROR_INVALID_PARAMETER) {
            EXPECT_FALSE(refusal.has_value());
        } else {
            EXPECT_EQ(refusal, L"「Game.exe」が実行中です。ゲームを終了してから再試行してください。");
        }
    }
}

// --- A stopped run's repair while the game runs ---

// A stopped run that had moved b.dat aside and put its new b.dat in place.
void leaveRunStoppedInTheMoves(TempFolder& install, const std::wstring& recordsKey) {
    install.write(L"b.dat", "new b");
    install.write(L"b.dat~old", "old b");
    leaveStoppedRun(recordsKey, install.path(), {{L"b.dat", L"b.dat", L"b.dat~old"}});
}

// Nothing is touched while the game runs from the folder: the retry box
// first, then the repair once the game has ended (retry), or the run left
// for later (cancel). The game holds a file the repair does not touch.
TEST_F(StartChecks, RepairWaitsForTheGameToEnd) {
    for (const bool retry : {true, false}) {
        SCOPED_TRACE(retry ? "retry once the game ended" : "cancelled");
        TestRecordsKey stopped;
        ASSERT_NO_FATAL_FAILURE(leaveRunStoppedInTheMoves(install, stopped.key()));
        StandInGame game(install.file(L"Game.exe"), install.file(L"data\\held.dat"));
        const FolderState before = stateOf(install.path());
        FolderState atTheBox;

        MessageBoxPresser presser(dialog.window(), [&](const SeenMessageBox&, std::size_t index) {
            if (index == 0) {
                atTheBox = stateOf(install.path());
                if (retry) {
                    game.end();
                    return IDRETRY;
                }
                return IDCANCEL;
            }
            return IDOK;
        });
        const std::vector<RunRepair> repairs = repairWhenTheGameIsClosed(nullptr, stopped.key(), L"Game.exe");
        presser.stop();
        game.end();

        EXPECT_EQ(atTheBox, before);
        ASSERT_EQ(repairs.size(), 1u);
        ASSERT_GE(presser.seen().size(), 1u);
        EXPECT_EQ(presser.seen()[0].text, L"「Game.exe」が実行中です。ゲームを終了してから再試行してください。");
        EXPECT_EQ(presser.seen()[0].buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
        if (retry) {
            EXPECT_EQ(repairs[0].outcome, JournalRepair::restored);
            EXPECT_EQ(presser.seen().size(), 2u);
            EXPECT_EQ(readWholeFile(install.file(L"b.dat")), "old b");
            EXPECT_TRUE(storedRuns(stopped.key()).empty());
        } else {
            EXPECT_EQ(repairs[0].outcome, JournalRepair::postponed);
            EXPECT_EQ(presser.seen().size(), 1u);
            EXPECT_EQ(stateOf(install.path()), before);
            EXPECT_EQ(storedRuns(stopped.key()).size(), 1u);
            EXPECT_FALSE(repairsLetTheCopyStart(repairs));
        }
        DeleteFileW(install.file(L"b.dat~old").c_str());
        install.write(L"b.dat", "old b");
        DeleteFileW(install.file(L"data\\held.dat").c_str());
    }
}

// What holds a repair that can't finish, and what to do, in its box: a file
// of the stopped run held by another program; or a file of someone else's
// where the old b.dat must come back. The record stays for the next start.
TEST_F(StartChecks, RepairThatCantFinishNamesWhatHoldsIt) {
    for (const bool inUse : {true, false}) {
        SCOPED_TRACE(inUse ? "held by another program" : "someone else's file in the way");
        TestRecordsKey stopped;
        ASSERT_NO_FATAL_FAILURE(leaveRunStoppedInTheMoves(install, stopped.key()));
        UniqueHandle holder;
        if (inUse) {
            holder = holdOpen(install.file(L"b.dat"), FILE_SHARE_READ);
        } else {
            ASSERT_TRUE(DeleteFileW(install.file(L"b.dat").c_str()));
            install.write(L"b.dat", "someone else's b");
        }

        MessageBoxPresser presser(dialog.window());
        const std::vector<RunRepair> repairs = repairWhenTheGameIsClosed(nullptr, stopped.key(), L"Game.exe");
        presser.stop();

        ASSERT_EQ(repairs.size(), 1u);
        EXPECT_EQ(repairs[0].outcome, JournalRepair::failed);
        ASSERT_EQ(presser.seen().size(), 1u);
        EXPECT_EQ(presser.seen()[0].text,
                  L"前回のコピーを元に戻せませんでした。「" + install.file(L"b.dat") +
                      (inUse ? L"」を移動または削除できません。このファイルを使っているプログラムを終了してから、"
                              L"もう一度起動してください。"
                            : L"」は前回のコピーのファイルではないため、元のファイルを戻せません。"
                              L"このファイルを別の場所へ移してから、もう一度起動してください。"));
        EXPECT_EQ(presser.seen()[0].caption, L"error");
        EXPECT_EQ(readWholeFile(install.file(L"b.dat~old")), "old b");
        EXPECT_EQ(storedRuns(stopped.key()).size(), 1u);
        holder.reset();
        ASSERT_TRUE(DeleteFileW(install.file(L"b.dat~old").c_str()));
        install.write(L"b.dat", "old b");
    }
}

}  // namespace
