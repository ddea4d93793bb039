#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/RunRecord.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/MessageBoxPresser.h"
#include "tests/support/StoppedRun.h"
#include "tests/support/UnixLink.h"
#include "tests/support/case_name.h"

namespace {

class CopyJob : public CopyJobFixture {
public:
    void SetUp() override {
        CopyJobFixture::SetUp();
        session.installFolder = L"the folder from the registry";
        session.title = L"テストゲーム";
        session.executableName = L"game.exe";
        addEntry(L"a.bin", patternBytes(100, 20));
    }

    bool start(const std::wstring& folderText) { return startWith(folderText); }

    TempFolder other;
};

// --- Refusals ---

struct RefusalCase {
    const char* name;
    std::wstring (*folderText)(const CopyJob&);
    const wchar_t* title;
    const wchar_t* executableName;
    const wchar_t* message;
};

void PrintTo(const RefusalCase& refusal, std::ostream* out) { *out << refusal.name; }

class CopyJobRefusal : public CopyJob, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CopyJobRefusal, ShowsOneErrorBoxAndStartsNothing) {
    const RefusalCase& refusal = GetParam();
    session.title = refusal.title;
    session.executableName = refusal.executableName;
    const std::wstring folderText = refusal.folderText(*this);

    EXPECT_FALSE(start(folderText));

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, refusal.message);
    EXPECT_EQ(boxes[0].caption, L"error");
    EXPECT_EQ(boxes[0].owner, dialog.window());
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    // The refused text stays as the install folder.
    EXPECT_EQ(session.installFolder, folderText);
    EXPECT_FALSE(session.workerThread.valid());
    EXPECT_TRUE(IsWindowEnabled(dialog.control(IDC_RUN)));
    EXPECT_FALSE(fileExists(install.file(L"a.bin")));
}

const wchar_t* const folderMissing = L"指定されたフォルダがありません。";

// A folder whose name no one code page holds, made in the folder given.
std::wstring wideFolderIn(const TempFolder& parent) {
    const std::wstring folder = parent.file(L"张伟的下载 été");
    EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    return folder;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyJobRefusal,
    ::testing::Values(
        RefusalCase{"EmptyFolderText", [](const CopyJob&) { return std::wstring(); }, L"テストゲーム", L"game.exe",
                    folderMissing},
        RefusalCase{"FolderEndingInBackslash", [](const CopyJob& job) { return job.install.path() + L"\\"; },
                    L"テストゲーム", L"", folderMissing},
        RefusalCase{"BareDriveRoot", [](const CopyJob& job) { return job.install.path().substr(0, 3); },
                    L"テストゲーム", L"", folderMissing},
        RefusalCase{"FolderNotThere", [](const CopyJob& job) { return job.install.file(L"not there"); },
                    L"テストゲーム", L"", folderMissing},
        RefusalCase{"WideFolderNotThere", [](const CopyJob& job) { return job.install.file(L"张伟 été"); },
                    L"テストゲーム", L"", folderMissing},
        RefusalCase{"ExecutableNotThere", [](const CopyJob& job) { return job.install.path(); }, L"テストゲーム",
                    L"game.exe", L"テストゲームがインストールされていません。"},
        // The title as the settings gave it, whatever its characters.
        RefusalCase{"ExecutableNotThereWideTitle", [](const CopyJob& job) { return job.install.path(); },
                    L"Jeu d'été 张", L"game.exe", L"Jeu d'été 张がインストールされていません。"},
        RefusalCase{"ExecutableNotThereAndNoTitle", [](const CopyJob& job) { return job.install.path(); }, L"",
                    L"game.exe", L"がインストールされていません。"}),
    caseName<RefusalCase>);

// --- Accepted folder texts ---

struct AcceptCase {
    const char* name;
    std::wstring (*folderText)(const CopyJob&);
    const wchar_t* executableName;
};

void PrintTo(const AcceptCase& accept, std::ostream* out) { *out << accept.name; }

class CopyJobAccepts : public CopyJob, public ::testing::WithParamInterface<AcceptCase> {};

TEST_P(CopyJobAccepts, DisablesRunAndStartsTheWorker) {
    const AcceptCase& accept = GetParam();
    install.write(L"game.exe", "MZ");
    session.executableName = accept.executableName;
    const std::wstring folderText = accept.folderText(*this);

    EXPECT_TRUE(start(folderText));

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(session.installFolder, folderText);
    EXPECT_FALSE(IsWindowEnabled(dialog.control(IDC_RUN)));
    EXPECT_TRUE(session.workerThread.valid());
    EXPECT_NE(session.workerThreadId, 0u);
    finish();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyJobAccepts,
    ::testing::Values(
        AcceptCase{"FolderAndExecutableFound", [](const CopyJob& job) { return job.install.path(); }, L"game.exe"},
        // Only the folder is looked for when no executable is named.
        AcceptCase{"NoExecutableNamed", [](const CopyJob& job) { return job.other.path(); }, L""},
        AcceptCase{"FolderOutsideCodePage932", [](const CopyJob& job) { return wideFolderIn(job.other); }, L""},
        // The search does not ask for a folder.
        AcceptCase{"NameOfAnExistingFile", [](const CopyJob& job) { return job.install.file(L"game.exe"); }, L""}),
    caseName<AcceptCase>);

// --- The worker's report ---

TEST_F(CopyJob, CompleteJobShowsTheEndStateAndPostsNothing) {
    install.write(L"game.exe", "MZ");

    ASSERT_TRUE(start(install.path()));
    EXPECT_EQ(finish(), 0u);

    EXPECT_EQ(copied(L"a.bin"), patternBytes(100, 20));
    EXPECT_TRUE(dialog.failureNotices().empty());
    EXPECT_TRUE(session.statusText.empty());
    EXPECT_EQ(dialog.controlText(IDC_RUN), L"完了");
    EXPECT_TRUE(IsWindowEnabled(dialog.control(IDC_RUN)));
    EXPECT_FALSE(session.isWorkerRunning());
}

struct FailedJobCase {
    const char* name;
    void (*breakSecondEntry)(CopyJob&);
    CopyResult expected;
};

void PrintTo(const FailedJobCase& failed, std::ostream* out) { *out << failed.name; }

class CopyJobFails : public CopyJob, public ::testing::WithParamInterface<FailedJobCase> {};

TEST_P(CopyJobFails, StoresTheTextBeforePostingTheNotice) {
    const FailedJobCase& failed = GetParam();
    install.write(L"game.exe", "MZ");
    failed.breakSecondEntry(*this);

    ASSERT_TRUE(start(install.path()));
    EXPECT_EQ(finish(), static_cast<DWORD>(failed.expected));

    // Read by the dialog when the notice arrived: the text was there already.
    EXPECT_EQ(dialog.failureNotices(), std::vector<std::wstring>{L"コピーに失敗しました。"});
    EXPECT_EQ(dialog.controlText(IDC_RUN), L"実行");
    EXPECT_FALSE(IsWindowEnabled(dialog.control(IDC_RUN)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyJobFails,
    ::testing::Values(
        FailedJobCase{"SourceMissing",
                      [](CopyJob& job) { job.session.files.push_back({job.patch.file(L"b.bin"), L"b.bin", 10}); },
                      copyOpenFailed},
        FailedJobCase{"SourceShrunk", [](CopyJob& job) { job.addEntryRecordedAs(L"b.bin", "short", 10); },
                      copyReadFailed}),
    caseName<FailedJobCase>);

TEST_F(CopyJob, SecondStartLeavesTheRunningJobAlone) {
    install.write(L"game.exe", "MZ");
    ASSERT_TRUE(start(install.path()));
    const DWORD firstWorker = session.workerThreadId;
    const HANDLE firstHandle = session.workerThread.get();

    // Before the worker can get anywhere: this thread is not serving it yet.
    EXPECT_TRUE(start(other.path()));

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(session.workerThreadId, firstWorker);
    EXPECT_EQ(session.workerThread.get(), firstHandle);
    EXPECT_EQ(session.installFolder, install.path());
    EXPECT_EQ(finish(), 0u);
    EXPECT_EQ(copied(L"a.bin"), patternBytes(100, 20));
    EXPECT_FALSE(fileExists(other.file(L"a.bin")));
}

// --- A run stopped in the folder, and links below it ---

// The folder as a run stopped between the two moves of a.bin leaves it: the
// new content in place, the old one kept beside it, and the run's record.
void leaveAStoppedRunInTheFolder(TempFolder& install, const std::wstring& recordsKey) {
    install.write(L"game.exe", "MZ");
    install.write(L"a.bin", "new a of the stopped run");
    install.write(L"a.bin~old", "old a");
    leaveStoppedRun(recordsKey, install.path(), {{L"a.bin", L"a.bin", L"a.bin~old"}});
}

// A stopped run in the folder typed (its repair at the start failed, or it
// was never looked at): Run puts it back first, says so, then copies.
TEST_F(CopyJob, RunRepairsAStoppedRunInItsFolderFirstThenCopies) {
    ASSERT_NO_FATAL_FAILURE(leaveAStoppedRunInTheFolder(install, records.key()));

    ASSERT_TRUE(start(install.path()));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"前回のコピーが途中で終わっていたため、ゲームのファイルを元に戻しました。");
    EXPECT_EQ(boxes[0].owner, dialog.window());
    EXPECT_EQ(finish(), 0u);

    EXPECT_EQ(folderStateOf(install.path()), (FolderState{{L"a.bin", patternBytes(100, 20)}, {L"game.exe", "MZ"}}));
    EXPECT_TRUE(storedRuns(records.key()).empty());
}

// One that can't be put back (its file held by another program) keeps the
// copy from starting over it.
TEST_F(CopyJob, RunRefusesWhileAStoppedRunInItsFolderCantBeRepaired) {
    ASSERT_NO_FATAL_FAILURE(leaveAStoppedRunInTheFolder(install, records.key()));
    const FolderState before = folderStateOf(install.path());
    UniqueHandle holder(
        CreateFileW(install.file(L"a.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid());

    EXPECT_FALSE(start(install.path()));
    // What holds the repair, then why the copy does not start.
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"前回のコピーを元に戻せませんでした。「" + install.file(L"a.bin") +
                                 L"」を移動または削除できません。このファイルを使っているプログラムを終了してから、"
                                 L"もう一度起動してください。");
    EXPECT_EQ(boxes[1].text, L"前回のコピーが途中で終わったままのため、コピーを始められません。");
    EXPECT_FALSE(session.workerThread.valid());
    holder.reset();
    EXPECT_EQ(folderStateOf(install.path()), before);
    EXPECT_EQ(storedRuns(records.key()).size(), 1u);
}

// A folder of the game that is a link, to a folder outside it: named in the
// retry box before anything is written. The install folder itself may be a
// link.
TEST_F(CopyJob, LinkBelowTheInstallFolderIsNamedAndNothingIsWritten) {
    TempFolder parent;
    TempFolder game(parent.path() + L"\\");
    ASSERT_TRUE(CreateDirectoryW(parent.file(L"outside").c_str(), nullptr));
    parent.write(L"outside\\a.bin", "outside a");
    game.write(L"game.exe", "MZ");
    session.files[0].destinationName = L"data\\a.bin";
    UnixLink data(game.path(), L"data", L"../outside");
    UnixLink gameLink(parent.path(), L"game-link", game.path().substr(parent.path().size() + 1));
    ASSERT_TRUE(data.made() && gameLink.made()) << "no link under Wine";
    const FolderState before = folderStateOf(parent.path() + L"\\outside");

    for (const std::wstring& folder : {game.path(), gameLink.path()}) {
        EXPECT_FALSE(startWith(folder, [](const SeenMessageBox&, std::size_t) { return IDCANCEL; }));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, L"「data」はリンクのため、パッチを当てられません。");
        EXPECT_FALSE(session.workerThread.valid());
    }
    EXPECT_EQ(folderStateOf(parent.path() + L"\\outside"), before);
    EXPECT_TRUE(storedRuns(records.key()).empty());
}

}  // namespace
