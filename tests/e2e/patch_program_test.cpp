// The patch program end to end: started as a user starts it, its windows
// read and its buttons pressed from this process, its exit code and the
// installed files checked afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
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
    const std::vector<PatchSource> files = {{"data.bin", "", patternBytes(300000, 7)},
                                            {"readme.txt", "manual.txt", "手順書\r\n"},
                                            {"empty.dat", "", ""}};
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
    prepareInstalledGame({{"a.bin", "", "a"}});
    ProgramRun first(program);
    const Dialog dialog = waitForPatchDialog(first);
    ASSERT_NE(dialog, nullptr);

    expectSilentSecondStart();
    EXPECT_TRUE(IsWindow(dialog));  // the first goes on, undisturbed

    // Once the first has ended, the name is free again.
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    expectExitCode(first, 1);
    ProgramRun third(program);
    const Dialog again = waitForPatchDialog(third);
    ASSERT_NE(again, nullptr);
    PostMessageA(again, WM_CLOSE, 0, 0);
    expectExitCode(third, 1);
}

TEST_F(PatchProgram, SecondStartWhileTheErrorBoxShowsEndsAtOnceWithZero) {
    shipPatch({{"a.bin", "", "a"}});  // and no registry entry
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
    const char* text;                // without the title
    bool titleFirst;
};

void PrintTo(const SettingsFailure& failure, std::ostream* out) { *out << failure.name; }

class SettingsFailureBox : public PatchProgram, public testing::WithParamInterface<SettingsFailure> {};

TEST_P(SettingsFailureBox, ShowsAnErrorBoxWithoutOwnerAndEndsWithZero) {
    const SettingsFailure& failure = GetParam();
    shipPatch(failure.files);
    if (failure.installed) {
        putGameExecutable();
        registerInstallFolder(gameFolder);  // registered, and still no dialog
    }
    const std::vector<std::string> gameBefore = namesIn(gameFolder);
    const std::vector<std::string> besideBefore = namesIn(gameParent.path());
    const std::vector<std::string> patchBefore = namesIn(patchFolder.path());

    ProgramRun run(program);
    const MessageBoxView box = waitForMessageBox(run);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, (failure.titleFirst ? title : std::string()) + failure.text);
    EXPECT_EQ(box.caption, "error");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_FALSE(box.hasCancel);
    EXPECT_EQ(findDialog(run.processId(), DialogKind::patchDialog), nullptr);

    pressButton(box.window, IDOK);
    expectExitCode(run, 0);
    // Nothing written, wherever a destination points.
    EXPECT_EQ(namesIn(gameFolder), gameBefore);
    EXPECT_EQ(namesIn(gameParent.path()), besideBefore);
    EXPECT_EQ(namesIn(patchFolder.path()), patchBefore);
    for (const PatchSource& file : failure.files) {
        EXPECT_FALSE(fileExists(installedFile(file.destinationName.empty() ? file.sourceName : file.destinationName)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsFailureBox,
    testing::Values(SettingsFailure{"ListNoFile", {}, true, "設定ファイルが読み込めません。", false},
                    SettingsFailure{"GameNotRegistered", {{"a.bin", "", "a"}}, false, "がインストールされていません。",
                                    true},
                    SettingsFailure{"DestinationOutsideTheInstallFolder",
                                    {{"a.dat", "..\\outside.txt", "written by the patch"}}, true,
                                    "設定ファイルが読み込めません。", false}),
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
    const char* space;  // the space text before Run; null: not checked
    const char* text;   // without the title
    bool titleFirst;
    // The names in the game folder at the end; the patch's files among them
    // are installed whole.
    std::vector<std::string> gameFolderAfter;
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
    const std::string missing = "Q:\\Games\\Harbor";  // no such drive
    const std::string shown = refusal.registered == Registered::missingDrive ? missing : gameFolder;
    registerInstallFolder(refusal.registered == Registered::gameFolderWithBackslash ? shown + "\\" : shown);
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
    EXPECT_EQ(box.text, (refusal.titleFirst ? title : std::string()) + refusal.text);
    EXPECT_EQ(box.caption, "error");
    EXPECT_EQ(box.owner, dialog);
    EXPECT_FALSE(box.hasCancel);
    EXPECT_NE(controlText(dialog, IDC_PROMPT), "コピー終了");
    pressButton(box.window, IDOK);
    expectExitCode(run, 2);

    EXPECT_EQ(namesIn(gameFolder), refusal.gameFolderAfter);
    for (const PatchSource& file : refusal.files) {
        const std::string name = file.destinationName.empty() ? file.sourceName : file.destinationName;
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
        RunRefusal{"MissingFolder", {{"a.bin", "", patternBytes(5000)}}, true, false, Registered::missingDrive,
                   "容量\t\t4KB\n 空き容量\tKB", "指定されたフォルダがありません。", false, {}},
        RunRefusal{"FolderWithoutTheGame", {{"a.bin", "", patternBytes(5000)}}, true, false,
                   Registered::gameFolder, nullptr, "がインストールされていません。", true, {}},
        // The second file's destination folder does not exist, so it can't be
        // created; the first is copied before that, the third never.
        RunRefusal{"CopyFailure",
                   {{"a.bin", "", patternBytes(5000, 1)},
                    {"b.bin", "nowhere\\b.bin", patternBytes(5000, 2)},
                    {"c.bin", "", patternBytes(5000, 3)}},
                   true, true, Registered::gameFolderWithBackslash, nullptr, "コピーに失敗しました。", false,
                   {"Velk.exe", "a.bin"}},
        // Listed, but nothing of the patch came along with the program.
        RunRefusal{"EveryListedFileMissing", {{"a.bin", "", ""}, {"b.bin", "renamed.bin", ""}}, false, true,
                   Registered::gameFolder, nullptr, "コピーに失敗しました。", false, {"Velk.exe"}}),
    caseName<RunRefusal>);

TEST_F(MessageBoxes, CancelBeforeTheCopyAsksAndEndsWithTwoOnlyOnOk) {
    prepareInstalledGame({{"a.bin", "", patternBytes(5000)}});
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
    EXPECT_FALSE(fileExists(installedFile("a.bin")));
}

TEST_F(MessageBoxes, CancelDuringTheCopyStopsItAndEndsWithTwo) {
    const std::vector<PatchSource> files = slowPatch();
    prepareInstalledGame(files);
    ProgramRun run(program);
    const Dialog dialog = startSlowCopy(run);
    ASSERT_NE(dialog, nullptr);

    // Answered Cancel: the dialog stays and the copy goes on.
    pressButton(dialog, IDCANCEL);
    answerCancelQuestion(waitForMessageBox(run), dialog, IDCANCEL);
    const int before = progressPosition(dialog);
    EXPECT_TRUE(waitUntil([&] { return progressPosition(dialog) > before; }, 5000));
    ASSERT_FALSE(finished(dialog)) << "the copy ended before it could be cancelled";

    // Answered OK: the program ends at once, the copy stopped part way.
    pressButton(dialog, IDCANCEL);
    answerCancelQuestion(waitForMessageBox(run), dialog, IDOK);
    expectExitCode(run, 2);
    EXPECT_FALSE(findDialog(run.processId(), DialogKind::messageBox));

    expectInstalled(files[0]);
    const std::string partial = fileBytesOrMissing(installedFile("large.bin"));
    EXPECT_LT(partial.size(), files[1].bytes.size());
    EXPECT_TRUE(files[1].bytes.compare(0, partial.size(), partial) == 0) << "the part written differs";
    EXPECT_FALSE(fileExists(installedFile("last.bin")));
    // Nothing holds the part-written file any more.
    UniqueHandle exclusive(CreateFileA(installedFile("large.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(exclusive.valid());
}

TEST_F(PatchProgram, CloseBeforeTheCopyEndsWithOne) {
    prepareInstalledGame({{"a.bin", "", patternBytes(5000)}});
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
    EXPECT_FALSE(fileExists(installedFile("a.bin")));
}

TEST_F(MessageBoxes, CloseDuringTheCopyOnlyTellsThatItRuns) {
    const std::vector<PatchSource> files = slowPatch();
    prepareInstalledGame(files);
    ProgramRun run(program);
    const Dialog dialog = startSlowCopy(run);
    ASSERT_NE(dialog, nullptr);

    PostMessageA(dialog, WM_CLOSE, 0, 0);
    const MessageBoxView box = waitForMessageBox(run);
    EXPECT_EQ(box.text, "処理中です。");
    EXPECT_EQ(box.caption, "");
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
    prepareInstalledGame({{"a.bin", "", patternBytes(5000)}});
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    const std::string spaceBefore = controlText(dialog, IDC_SPACE);

    pressButton(dialog, IDC_BROWSE);
    HWND browser = waitForDialog(run.processId(), DialogKind::folderBrowser);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(GetWindow(browser, GW_OWNER), dialog);
    EXPECT_EQ(controlText(browser, 0x3742), "フォルダの指定");
    pressButton(browser, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(browser); }));

    EXPECT_EQ(controlText(dialog, IDC_FOLDER), gameFolder);
    EXPECT_EQ(controlText(dialog, IDC_SPACE), spaceBefore);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
}

TEST_F(PatchProgram, FolderBrowserChoiceIsWrittenBackAndRefreshesTheSpace) {
    prepareInstalledGame({{"a.bin", "", patternBytes(5000)}});
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    // Spoil both texts, so that the choice visibly writes them anew.
    const std::string stale = "stale";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_SPACE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(stale.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    ASSERT_EQ(controlText(dialog, IDC_SPACE), stale);

    HWND browser = openBrowserOnGameFolder(run, dialog);
    ASSERT_NE(browser, nullptr);
    pressButton(browser, IDOK);  // on the folder it opened with, the edit's
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(browser); }));

    EXPECT_TRUE(waitUntil([&] { return controlText(dialog, IDC_SPACE) != stale; }));
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, controlText(dialog, IDC_FOLDER).c_str(), -1,
                             gameFolder.c_str(), -1),
              CSTR_EQUAL)
        << controlText(dialog, IDC_FOLDER);
    expectSpaceText(controlText(dialog, IDC_SPACE), 5000, gameFolder);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
}

TEST_F(PatchProgram, PatchOfMoreThanFourGigabytesShowsItsTrueSize) {
    // Two files of 3 GiB each, sparse: their sizes are set, no space taken.
    for (const char* name : {"huge1.pak", "huge2.pak"}) {
        UniqueHandle file(CreateFileA(patchFolder.file(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid());
        LONG high = 0;
        ASSERT_NE(SetFilePointer(file.get(), static_cast<LONG>(0xC0000000u), &high, FILE_BEGIN),
                  INVALID_SET_FILE_POINTER);
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    writeSettings(settingsListing({{"huge1.pak", "", ""}, {"huge2.pak", "", ""}}));
    putGameExecutable();
    registerInstallFolder(gameFolder);
    ProgramRun run(program);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    expectSpaceText(controlText(dialog, IDC_SPACE), 6ull << 30, gameFolder);  // 6291456KB
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
}

// --- Safe when elevated: code only from the system, writes only inside the
// install folder, no failure reported as success ---

std::vector<std::string> plantedDllNames() {
    std::vector<std::string> names;
    const std::string list = PATCH_PLANTED_DLLS;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
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
    explicit DllsBesideTheProgramPreferred(const std::string& programName)
        : key_("Software\\Wine\\AppDefaults\\" + programName) {
        RegistryKey overrides;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key_ + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, overrides.receive(), nullptr),
                  ERROR_SUCCESS);
        const std::string order = "native,builtin";
        for (const std::string& name : plantedDllNames()) {
            RegSetValueExA(overrides.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
                           static_cast<DWORD>(order.size() + 1));
        }
    }
    ~DllsBesideTheProgramPreferred() {
        RegDeleteKeyA(HKEY_CURRENT_USER, (key_ + "\\DllOverrides").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
    }
    DllsBesideTheProgramPreferred(const DllsBesideTheProgramPreferred&) = delete;
    DllsBesideTheProgramPreferred& operator=(const DllsBesideTheProgramPreferred&) = delete;

private:
    std::string key_;
};

class PlantedDlls : public PatchProgram {
protected:
    void plantBesideTheProgram() {
        for (const std::string& name : plantedDllNames()) {
            const std::string planted = hostPathInWine(PATCH_PLANTED_DLL_FOLDER "/" + name + ".dll");
            ASSERT_TRUE(CopyFileA(planted.c_str(), patchFolder.file(name + ".dll").c_str(), FALSE)) << planted;
        }
    }

    // The marker files that loaded DLLs left beside themselves.
    std::vector<std::string> markers() const {
        std::vector<std::string> found;
        for (const std::string& name : namesIn(patchFolder.path())) {
            if (name.find(".loaded") != std::string::npos) {
                found.push_back(name);
            }
        }
        return found;
    }

    // A program without any defence, started from the patch folder under the
    // same preference, loads every planted DLL: the planting works.
    void expectPlantingTakesEffect() {
        const std::string probe = patchFolder.file("probe.exe");
        ASSERT_TRUE(CopyFileA(hostPathInWine(PATCH_PLANTED_PROBE).c_str(), probe.c_str(), FALSE));
        DllsBesideTheProgramPreferred preferred("probe.exe");
        ProgramRun run(probe);
        const std::optional<DWORD> loaded = run.exitCode(exitTimeoutMs);
        ASSERT_TRUE(loaded.has_value());
        std::vector<std::string> expected;
        for (const std::string& name : plantedDllNames()) {
            expected.push_back(name + ".dll.loaded-before-guard");
        }
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(markers(), expected) << "the planted DLLs are not taken even without a defence";
        for (const std::string& marker : expected) {
            DeleteFileA(patchFolder.file(marker).c_str());
        }
    }
};

TEST_F(PlantedDlls, NoneIsLoadedThroughBrowserCopyAndNotInstalledBox) {
    const std::vector<PatchSource> files = {{"a.bin", "", patternBytes(300000, 4)}};
    prepareInstalledGame(files);
    plantBesideTheProgram();
    ASSERT_FALSE(HasFatalFailure());
    expectPlantingTakesEffect();
    ASSERT_FALSE(HasFatalFailure());
    DllsBesideTheProgramPreferred preferred("update.exe");

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
        EXPECT_EQ(box.text, title + "がインストールされていません。");
        pressButton(box.window, IDOK);
        expectExitCode(run, 0);
    };
    browseAndCopy();
    notInstalled();

    std::vector<std::string> loadedAtStart;
    std::vector<std::string> loadedLater;
    for (const std::string& marker : markers()) {
        const bool atStart = marker.find("-before-guard") != std::string::npos;
        (atStart ? loadedAtStart : loadedLater).push_back(marker);
    }
    EXPECT_EQ(loadedLater, std::vector<std::string>{}) << "taken from beside the program while it ran";
    // Wine's own user32 imports version.dll, and Wine's loader resolves that
    // import beside the program while it starts the process, before any code
    // of the program runs (Windows' user32 is a known DLL, whose imports come
    // from the system folder). No program can keep that one out under Wine.
    for (const std::string& marker : loadedAtStart) {
        EXPECT_EQ(marker, "version.dll.loaded-before-guard") << "taken from beside the program at its start";
    }
}

TEST_F(PatchProgram, CancelAmongManySmallFilesLeavesEachOldOrNew) {
    // One chunk each: a file is either untouched or replaced whole, unless
    // a cancel could empty one that it had just opened.
    constexpr int fileCount = 1500;
    std::vector<PatchSource> files;
    for (int i = 0; i < fileCount; ++i) {
        const std::string name = "f" + std::to_string(i) + ".dat";
        files.push_back({name, "", "new content of " + name});
        patchFolder.write(name, files.back().bytes);
        gameParent.write("Game Folder\\" + name, "old " + name);
    }
    writeSettings(settingsListing(files));
    putGameExecutable();
    registerInstallFolder(gameFolder);

    ProgramRun run(program);
    const Dialog dialog = startSlowCopy(run);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(waitUntil([&] { return progressPosition(dialog) >= 5; }));
    pressButton(dialog, IDCANCEL);
    answerCancelQuestion(waitForMessageBox(run), dialog, IDOK);
    expectExitCode(run, 2);

    int replaced = 0;
    int untouched = 0;
    for (const PatchSource& file : files) {
        const std::string installed = fileBytesOrMissing(installedFile(file.sourceName));
        if (installed == file.bytes) {
            ++replaced;
        } else if (installed == "old " + file.sourceName) {
            ++untouched;
        } else {
            ADD_FAILURE() << file.sourceName << " holds \"" << installed << "\"";
        }
    }
    EXPECT_GT(replaced, 0);
    EXPECT_GT(untouched, 0) << "the copy ended before the cancel";
}

}  // namespace
