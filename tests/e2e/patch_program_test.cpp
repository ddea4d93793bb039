// The patch program end to end: started as a user starts it, its windows
// read and its buttons pressed from this process, its exit code and the
// installed files checked afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "core/HandleOwners.h"
#include "tests/driver/ProgramWindows.h"
#include "tests/e2e/PatchFixture.h"
#include "tests/e2e/PatchProgram.h"
#include "tests/support/case_name.h"

namespace {

TEST_F(PatchProgram, FullPatchCopiesEveryFileAndEndsWithOne) {
    const std::vector<PatchSource> files = {{L"data.bin", L"", patternBytes(300000, 7)},
                                            {L"readme.txt", L"manual.txt", "手順書\r\n"},
                                            {L"empty.dat", L"", ""}};
    prepareInstalledGame(files);
    ProgramRun run(program);
    ASSERT_TRUE(run.started());
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);

    expectOpeningView(dialog, 300000 + 8);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS)));

    RECT frame;
    ASSERT_TRUE(GetWindowRect(dialog, &frame));
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXFULLSCREEN) - (frame.right - frame.left)) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYFULLSCREEN) - (frame.bottom - frame.top)) / 2);

    pressButton(dialog, IDC_RUN);
    ASSERT_TRUE(waitUntil([&] { return finished(dialog); }));
    // The progress view stays, with the Run button turned into "完了".
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_FOLDER)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_BROWSE)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SPACE)));
    EXPECT_EQ(progressPosition(dialog), 100);
    expectCopyEndsWithOne(run, dialog, files);
}

TEST_F(PatchProgram, SecondStartWhileTheDialogShowsEndsAtOnceWithZero) {
    prepareInstalledGame({{L"a.bin", L"", "a"}});
    ProgramRun first(program);
    const Dialog dialog = waitForPatchDialog(first);
    ASSERT_NE(dialog, nullptr);

    expectSilentSecondStart();
    EXPECT_TRUE(IsWindow(dialog));  // the first goes on, undisturbed

    // Once the first has ended, the name is free again.
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    expectExitCode(first, 1);
    ProgramRun third(program);
    const Dialog again = waitForPatchDialog(third);
    ASSERT_NE(again, nullptr);
    PostMessageW(again, WM_CLOSE, 0, 0);
    expectExitCode(third, 1);
}

TEST_F(PatchProgram, SecondStartWhileTheErrorBoxShowsEndsAtOnceWithZero) {
    shipPatch({{L"a.bin", L"", "a"}});  // and no registry entry
    ProgramRun first(program);
    const MessageBoxView box = waitForMessageBox(first);
    ASSERT_NE(box.window, nullptr);

    expectSilentSecondStart();
    EXPECT_TRUE(IsWindow(box.window));

    pressButton(box.window, IDOK);
    expectExitCode(first, 0);
}

// Settings the program refuses before it shows its dialog.
struct SettingsFailure {
    const char* name;
    std::vector<PatchSource> files;  // shipped beside the program and listed
    bool installed;                  // the game's executable and registry entry
    const wchar_t* text;             // without the title
    bool titleFirst;
    // Appended to the settings as it is, bytes that the names above can't
    // hold; null: none.
    const char* extraSettingsLine = nullptr;
};

void PrintTo(const SettingsFailure& failure, std::ostream* out) { *out << failure.name; }

class SettingsFailureBox : public PatchProgram, public testing::WithParamInterface<SettingsFailure> {};

TEST_P(SettingsFailureBox, ShowsAnErrorBoxWithoutOwnerAndEndsWithZero) {
    const SettingsFailure& failure = GetParam();
    shipPatch(failure.files);
    if (failure.extraSettingsLine != nullptr) {
        writeSettings(settingsListing(failure.files) + failure.extraSettingsLine);
    }
    if (failure.installed) {
        putGameExecutable();
        registerInstallFolder(gameFolder);  // registered, and still no dialog
    }
    const std::map<std::wstring, std::string> gameBefore = filesUnder(gameFolder);
    const std::map<std::wstring, std::string> besideBefore = filesUnder(gameParent.path());
    const std::map<std::wstring, std::string> patchBefore = filesUnder(patchFolder.path());

    ProgramRun run(program);
    const MessageBoxView box = waitForMessageBox(run);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, (failure.titleFirst ? title : std::wstring()) + failure.text);
    EXPECT_EQ(box.caption, L"error");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_FALSE(box.hasCancel);
    EXPECT_EQ(findDialog(run.processId(), DialogKind::patchDialog), nullptr);

    pressButton(box.window, IDOK);
    expectExitCode(run, 0);
    // Nothing written, wherever a destination points.
    EXPECT_EQ(filesUnder(gameFolder), gameBefore);
    EXPECT_EQ(filesUnder(gameParent.path()), besideBefore);
    EXPECT_EQ(filesUnder(patchFolder.path()), patchBefore);
    for (const PatchSource& file : failure.files) {
        EXPECT_FALSE(fileExists(installedFile(file.destinationName.empty() ? file.sourceName : file.destinationName)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsFailureBox,
    testing::Values(SettingsFailure{"ListNoFile", {}, true, L"設定ファイルが読み込めません。", false},
                    SettingsFailure{"GameNotRegistered", {{L"a.bin", L"", "a"}}, false,
                                    L"がインストールされていません。", true},
                    SettingsFailure{"DestinationOutsideTheInstallFolder",
                                    {{L"a.dat", L"..\\outside.txt", "written by the patch"}}, true,
                                    L"設定ファイルが読み込めません。", false},
                    SettingsFailure{"DestinationWithAForbiddenCharacter",
                                    {{L"a.dat", L"a|b.dat", "written by the patch"}}, true,
                                    L"設定ファイルが読み込めません。", false},
                    // A lead byte followed by a full stop: no character of
                    // code page 932, so no name to copy to.
                    SettingsFailure{"NameWithoutACodePage932Form", {{L"a.dat", L"", "a"}}, true,
                                    L"設定ファイルが読み込めません。", false, "ファイル,b\x81.dat\r\n"}),
    caseName<SettingsFailure>);

// The scenarios whose message boxes the program shows over its dialog: their
// Japanese texts are also checked on a system whose locale is not Japanese
// (tests/e2e/CMakeLists.txt).
using MessageBoxes = PatchProgram;

// Where the game's registry entry points.
enum class Registered { gameFolder, gameFolderWithBackslash, missingDrive };

// A patch whose Run the program refuses over its dialog.
struct RunRefusal {
    const char* name;
    std::vector<PatchSource> files;  // listed in the settings
    bool shipped;                    // the files lie beside the program; else only listed
    bool gameInstalled;              // Velk.exe in the game folder
    Registered registered;
    const wchar_t* space;  // the space text before Run; null: not checked
    const wchar_t* text;   // without the title
    bool titleFirst;
    // The names in the game folder at the end; the patch's files among them
    // are installed whole.
    std::vector<std::wstring> gameFolderAfter;
};

void PrintTo(const RunRefusal& refusal, std::ostream* out) { *out << refusal.name; }

class RunRefusedBox : public PatchProgram, public testing::WithParamInterface<RunRefusal> {};

TEST_P(RunRefusedBox, ShowsAnErrorBoxOverTheDialogAndEndsWithTwo) {
    const RunRefusal& refusal = GetParam();
    if (refusal.shipped) {
        shipPatch(refusal.files);
    } else {
        writeSettings(settingsListing(refusal.files));
    }
    if (refusal.gameInstalled) {
        putGameExecutable();
    }
    const std::wstring missing = L"Q:\\Games\\Harbor";  // no such drive
    const std::wstring shown = refusal.registered == Registered::missingDrive ? missing : gameFolder;
    registerInstallFolder(refusal.registered == Registered::gameFolderWithBackslash ? shown + L"\\" : shown);
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(controlText(dialog, IDC_FOLDER), shown);
    if (refusal.space != nullptr) {
        EXPECT_EQ(controlText(dialog, IDC_SPACE), refusal.space);
    }

    pressButton(dialog, IDC_RUN);
    const MessageBoxView box = waitForMessageBox(run);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, (refusal.titleFirst ? title : std::wstring()) + refusal.text);
    EXPECT_EQ(box.caption, L"error");
    EXPECT_EQ(box.owner, dialog);
    EXPECT_FALSE(box.hasCancel);
    EXPECT_NE(controlText(dialog, IDC_PROMPT), L"コピー終了");
    pressButton(box.window, IDOK);
    expectExitCode(run, 2);

    EXPECT_EQ(namesIn(gameFolder), refusal.gameFolderAfter);
    for (const PatchSource& file : refusal.files) {
        const std::wstring name = file.destinationName.empty() ? file.sourceName : file.destinationName;
        if (std::find(refusal.gameFolderAfter.begin(), refusal.gameFolderAfter.end(), name) !=
            refusal.gameFolderAfter.end()) {
            expectInstalled(file);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RunRefusedBox,
    testing::Values(
        // The drive can't be asked for its free space: no free figure.
        RunRefusal{"MissingFolder", {{L"a.bin", L"", patternBytes(5000)}}, true, false, Registered::missingDrive,
                   L"容量\t\t4KB\n 空き容量\tKB", L"指定されたフォルダがありません。", false, {}},
        RunRefusal{"FolderWithoutTheGame", {{L"a.bin", L"", patternBytes(5000)}}, true, false,
                   Registered::gameFolder, nullptr, L"がインストールされていません。", true, {}},
        // Listed, but nothing of the patch came along with the program.
        RunRefusal{"EveryListedFileMissing", {{L"a.bin", L"", ""}, {L"b.bin", L"renamed.bin", ""}}, false, true,
                   Registered::gameFolder, nullptr, L"コピーに失敗しました。", false, {L"Velk.exe"}}),
    caseName<RunRefusal>);

TEST_F(MessageBoxes, CancelBeforeTheCopyAsksAndEndsWithTwoOnlyOnOk) {
    prepareInstalledGame({{L"a.bin", L"", patternBytes(5000)}});
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);

    pressButton(dialog, IDCANCEL);
    answerCancelQuestion(waitForMessageBox(run), dialog, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return findDialog(run.processId(), DialogKind::messageBox) == nullptr; }));
    EXPECT_FALSE(run.exitCode(300).has_value());
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(controlText(dialog, IDC_FOLDER), gameFolder);

    pressButton(dialog, IDCANCEL);
    answerCancelQuestion(waitForMessageBox(run), dialog, IDOK);
    expectExitCode(run, 2);
    EXPECT_FALSE(fileExists(installedFile(L"a.bin")));
}

TEST_F(MessageBoxes, CancelDuringTheCopyStopsItAndEndsWithTwo) {
    const std::vector<PatchSource> files = slowPatch();
    prepareInstalledGame(files);
    ProgramRun run(program, CopySpeed::paced);
    const Dialog dialog = startSlowCopy(run);
    ASSERT_NE(dialog, nullptr);

    // Answered Cancel: the dialog stays and the copy goes on.
    pressButton(dialog, IDCANCEL);
    answerCancelQuestion(waitForMessageBox(run), dialog, IDCANCEL);
    const int before = progressPosition(dialog);
    EXPECT_TRUE(waitUntil([&] { return progressPosition(dialog) > before; }, 5000));
    ASSERT_FALSE(finished(dialog)) << "the copy ended before it could be cancelled";

    // Answered OK: the program ends, the copy stopped part way and the
    // folder put back (all_or_nothing_test.cpp compares it byte for byte).
    pressButton(dialog, IDCANCEL);
    answerCancelQuestion(waitForMessageBox(run), dialog, IDOK);
    expectExitCode(run, 2);
    EXPECT_FALSE(findDialog(run.processId(), DialogKind::messageBox));
    EXPECT_EQ(namesIn(gameFolder), std::vector<std::wstring>{L"Velk.exe"});
}

TEST_F(PatchProgram, CloseBeforeTheCopyEndsWithOne) {
    prepareInstalledGame({{L"a.bin", L"", patternBytes(5000)}});
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
    EXPECT_FALSE(fileExists(installedFile(L"a.bin")));
}

TEST_F(MessageBoxes, CloseDuringTheCopyOnlyTellsThatItRuns) {
    const std::vector<PatchSource> files = slowPatch();
    prepareInstalledGame(files);
    ProgramRun run(program, CopySpeed::paced);
    const Dialog dialog = startSlowCopy(run);
    ASSERT_NE(dialog, nullptr);

    PostMessageW(dialog, WM_CLOSE, 0, 0);
    const MessageBoxView box = waitForMessageBox(run);
    EXPECT_EQ(box.text, L"処理中です。");
    EXPECT_EQ(box.caption, L"");
    EXPECT_EQ(box.owner, dialog);
    EXPECT_FALSE(box.hasCancel);
    EXPECT_FALSE(finished(dialog)) << "the copy ended before the close box was used";
    pressButton(box.window, IDOK);

    // Ended with "完了", not the close box: the worker thread may not have
    // returned yet, and the close box would then only tell again.
    expectCopyEndsWithOne(run, dialog, files, 30000);
}

// Presses the browse button and returns the folder browser once it shows
// the game folder selected: four levels below the desktop (computer, drive,
// test folder, game folder). Wine's browser now and then stops its walk
// down to the folder half way and then selects nothing: on the first browse
// in a new prefix, or when another Wine program starts during the walk. Such
// a browser is cancelled and opened again, as a user would.
HWND openBrowserOnGameFolder(ProgramRun& run, HWND dialog) {
    constexpr int gameFolderDepth = 4;
    for (int attempt = 0; attempt < 4; ++attempt) {
        pressButton(dialog, IDC_BROWSE);
        HWND browser = waitForDialog(run.processId(), DialogKind::folderBrowser);
        if (browser == nullptr) {
            return nullptr;
        }
        if (waitUntil([&] { return folderBrowserSelectionDepth(browser) >= gameFolderDepth; }, 15000)) {
            return browser;
        }
        pressButton(browser, IDCANCEL);
        if (!waitUntil([&] { return !IsWindow(browser); })) {
            return nullptr;
        }
    }
    return nullptr;
}

TEST_F(PatchProgram, FolderBrowserCancelledLeavesTheFolderAlone) {
    prepareInstalledGame({{L"a.bin", L"", patternBytes(5000)}});
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    const std::wstring spaceBefore = controlText(dialog, IDC_SPACE);

    pressButton(dialog, IDC_BROWSE);
    HWND browser = waitForDialog(run.processId(), DialogKind::folderBrowser);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(GetWindow(browser, GW_OWNER), dialog);
    EXPECT_EQ(controlText(browser, 0x3742), L"フォルダの指定");
    pressButton(browser, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(browser); }));

    EXPECT_EQ(controlText(dialog, IDC_FOLDER), gameFolder);
    EXPECT_EQ(controlText(dialog, IDC_SPACE), spaceBefore);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
}

TEST_F(PatchProgram, FolderBrowserChoiceIsWrittenBackAndRefreshesTheSpace) {
    prepareInstalledGame({{L"a.bin", L"", patternBytes(5000)}});
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    // Spoil both texts, so that the choice visibly writes them anew.
    const std::wstring stale = L"stale";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, IDC_SPACE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(stale.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    ASSERT_EQ(controlText(dialog, IDC_SPACE), stale);

    HWND browser = openBrowserOnGameFolder(run, dialog);
    ASSERT_NE(browser, nullptr);
    pressButton(browser, IDOK);  // on the folder it opened with, the edit's
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(browser); }));

    EXPECT_TRUE(waitUntil([&] { return controlText(dialog, IDC_SPACE) != stale; }));
    EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, controlText(dialog, IDC_FOLDER).c_str(), -1,
                             gameFolder.c_str(), -1),
              CSTR_EQUAL)
        << utf8(controlText(dialog, IDC_FOLDER));
    expectSpaceText(controlText(dialog, IDC_SPACE), 5000, gameFolder);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
}

TEST_F(PatchProgram, PatchOfMoreThanFourGigabytesShowsItsTrueSize) {
    // Two files of 3 GiB each, sparse: their sizes are set, no space taken.
    for (const wchar_t* name : {L"huge1.pak", L"huge2.pak"}) {
        UniqueHandle file(CreateFileW(patchFolder.file(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid());
        LONG high = 0;
        ASSERT_NE(SetFilePointer(file.get(), static_cast<LONG>(0xC0000000u), &high, FILE_BEGIN),
                  INVALID_SET_FILE_POINTER);
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    writeSettings(settingsListing({{L"huge1.pak", L"", ""}, {L"huge2.pak", L"", ""}}));
    putGameExecutable();
    registerInstallFolder(gameFolder);
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    expectSpaceText(controlText(dialog, IDC_SPACE), 6ull << 30, gameFolder);  // 6291456KB
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
}

// --- Safe when elevated: code only from the system, writes only inside the
// install folder, no failure reported as success ---

std::vector<std::wstring> plantedDllNames() {
    std::vector<std::wstring> names;
    const std::wstring list = L"" PATCH_PLANTED_DLLS;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(L',', start), list.size());
        names.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return names;
}

// Wine normally prefers its own DLLs. Told to take "native, then built-in"
// DLLs for a program, it looks beside the program first, as Windows' default
// search order does for every DLL that is not among the system's known DLLs.
// Wine 8 takes WINEDLLOVERRIDES for a started process from its parent's Unix
// environment, not from the environment block given to CreateProcess, so the
// same request is made through Wine's per-program key, for one program name.
class DllsBesideTheProgramPreferred {
public:
    explicit DllsBesideTheProgramPreferred(const std::wstring& programName)
        : key_(L"Software\\Wine\\AppDefaults\\" + programName) {
        RegistryKey overrides;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, overrides.receive(), nullptr),
                  ERROR_SUCCESS);
        const std::wstring order = L"native,builtin";
        for (const std::wstring& name : plantedDllNames()) {
            RegSetValueExW(overrides.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
                           static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
        }
    }
    ~DllsBesideTheProgramPreferred() {
        RegDeleteKeyW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());
    }
    DllsBesideTheProgramPreferred(const DllsBesideTheProgramPreferred&) = delete;
    DllsBesideTheProgramPreferred& operator=(const DllsBesideTheProgramPreferred&) = delete;

private:
    std::wstring key_;
};

class PlantedDlls : public PatchProgram {
protected:
    void plantBesideTheProgram() {
        for (const std::wstring& name : plantedDllNames()) {
            const std::wstring planted = hostPathInWine(PATCH_PLANTED_DLL_FOLDER) + L"\\" + name + L".dll";
            ASSERT_TRUE(CopyFileW(planted.c_str(), patchFolder.file(name + L".dll").c_str(), FALSE)) << utf8(planted);
        }
    }

    // The marker files that loaded DLLs left beside themselves.
    std::vector<std::wstring> markers() const {
        std::vector<std::wstring> found;
        for (const std::wstring& name : namesIn(patchFolder.path())) {
            if (name.find(L".loaded") != std::wstring::npos) {
                found.push_back(name);
            }
        }
        return found;
    }

    // A program without any defence, started from the patch folder under the
    // same preference, loads every planted DLL: the planting works.
    void expectPlantingTakesEffect() {
        const std::wstring probe = patchFolder.file(L"probe.exe");
        ASSERT_TRUE(CopyFileW(hostPathInWine(PATCH_PLANTED_PROBE).c_str(), probe.c_str(), FALSE));
        DllsBesideTheProgramPreferred preferred(L"probe.exe");
        ProgramRun run(probe);
        const std::optional<DWORD> loaded = run.exitCode(exitTimeoutMs);
        ASSERT_TRUE(loaded.has_value());
        std::vector<std::wstring> expected;
        for (const std::wstring& name : plantedDllNames()) {
            expected.push_back(name + L".dll.loaded-before-guard");
        }
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(markers(), expected) << "the planted DLLs are not taken even without a defence";
        for (const std::wstring& marker : expected) {
            DeleteFileW(patchFolder.file(marker).c_str());
        }
    }
};

TEST_F(PlantedDlls, NoneIsLoadedThroughBrowserCopyAndNotInstalledBox) {
    const std::vector<PatchSource> files = {{L"a.bin", L"", patternBytes(300000, 4)}};
    prepareInstalledGame(files);
    plantBesideTheProgram();
    ASSERT_FALSE(HasFatalFailure());
    expectPlantingTakesEffect();
    ASSERT_FALSE(HasFatalFailure());
    DllsBesideTheProgramPreferred preferred(L"update.exe");

    // Each run stops at its first fault; the markers are looked at whatever
    // became of the runs.
    const auto browseAndCopy = [&] {
        ProgramRun run(program);
        const Dialog dialog = waitForPatchDialog(run);
        ASSERT_NE(dialog, nullptr);
        HWND browser = openBrowserOnGameFolder(run, dialog);
        ASSERT_NE(browser, nullptr);
        pressButton(browser, IDOK);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(browser); }));

        pressButton(dialog, IDC_RUN);
        expectCopyEndsWithOne(run, dialog, files);
    };
    const auto notInstalled = [&] {
        forgetInstallFolder();
        ProgramRun run(program);
        const MessageBoxView box = waitForMessageBox(run);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, title + L"がインストールされていません。");
        pressButton(box.window, IDOK);
        expectExitCode(run, 0);
    };
    browseAndCopy();
    notInstalled();

    std::vector<std::wstring> loadedAtStart;
    std::vector<std::wstring> loadedLater;
    for (const std::wstring& marker : markers()) {
        const bool atStart = marker.find(L"-before-guard") != std::wstring::npos;
        (atStart ? loadedAtStart : loadedLater).push_back(marker);
    }
    EXPECT_EQ(loadedLater, std::vector<std::wstring>{}) << "taken from beside the program while it ran";
    // Wine's own user32 imports version.dll, and Wine's loader resolves that
    // import beside the program while it starts the process, before any code
    // of the program runs (Windows' user32 is a known DLL, whose imports come
    // from the system folder). No program can keep that one out under Wine.
    for (const std::wstring& marker : loadedAtStart) {
        EXPECT_EQ(marker, L"version.dll.loaded-before-guard") << "taken from beside the program at its start";
    }
}

}  // namespace
