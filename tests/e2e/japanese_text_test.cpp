// Japanese text on its way through the program: folder and file names with
// characters whose second byte in code page 932 is a backslash (ソ 83 5C,
// 表 95 5C), names that code page 932 can't hold at all (张, é), the
// settings file found by the program's own name, the embedded settings and
// a registry value holding a Japanese path. tests/e2e/CMakeLists.txt runs
// every scenario a second time on a Wine whose locale is not Japanese, as
// many players' Windows are: the program asks for no code page of its own
// and must work there all the same.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/driver/ProgramWindows.h"
#include "tests/e2e/PatchFixture.h"
#include "tests/e2e/PatchProgram.h"
#include "tests/settings/default_settings_text.h"

namespace {

using JapaneseText = PatchProgram;

// The Unix locale this run gives Wine's programs (the test wrapper takes it
// from PATCH_WINE_LOCALE); Japanese unless the variable names another.
std::wstring wineLocale() {
    wchar_t name[64] = L"";
    const DWORD length = GetEnvironmentVariableW(L"PATCH_WINE_LOCALE", name, 64);
    return length > 0 && length < 64 ? name : L"ja_JP.UTF-8";
}

// The ANSI code page that a program with the patch program's own manifest
// gets in this run (0 when it could not be run).
DWORD codePageUnderTheProgramsManifest() {
    const std::wstring probe = hostPathInWine(PATCH_CODE_PAGE_PROBE);
    ProgramRun run(probe);
    EXPECT_TRUE(run.started()) << utf8(probe);
    return run.exitCode(windowTimeoutMs).value_or(0);
}

// The second run of the scenarios is worth something only if the program
// really gets another code page than 932 there, as on a Western Windows 10:
// the probe carries the program's own manifest, so a manifest that chose a
// code page again would show here. This test process chooses none either:
// what it prepares and reads is UTF-16, whatever the code page.
TEST(WineLocale, TheProgramsManifestLeavesTheCodePageToTheLocale) {
    const std::wstring locale = wineLocale();
    const DWORD codePage = codePageUnderTheProgramsManifest();
    if (locale.rfind(L"ja_JP", 0) == 0) {
        EXPECT_EQ(codePage, 932u) << utf8(locale);
    } else {
        EXPECT_NE(codePage, 932u) << utf8(locale);
        EXPECT_NE(codePage, 0u) << utf8(locale);
    }
    EXPECT_EQ(GetACP(), codePage) << "the test process should follow the locale as the program does";
}

TEST_F(JapaneseText, PatchInJapaneseFoldersCopiesEveryFileAndEndsWithOne) {
    useGameFolder(L"ソフト表 ゲーム");
    placeProgram(L"表ソ パッチ", L"update.exe", L"update.inf");
    const std::vector<PatchSource> files = {{L"表示.dat", L"", patternBytes(70000, 4)},
                                            {L"readme.txt", L"ソ説明.txt", "手順書\r\n"}};
    prepareInstalledGame(files);
    ProgramRun run(program);
    ASSERT_TRUE(run.started());
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);

    expectOpeningView(dialog, 70000 + 8);

    pressButton(dialog, IDC_RUN);
    expectCopyEndsWithOne(run, dialog, files);
}

// The program reads the settings named after itself up to the first full
// stop; its name's 表 ends in the byte of a backslash, which must not be
// taken for the end of the folder.
TEST_F(JapaneseText, SettingsFileIsNamedAfterTheProgramUpToItsFirstFullStop) {
    placeProgram(L"ソ", L"表示.v1.1.exe", L"表示.inf");
    prepareInstalledGame({{L"a.bin", L"", "a"}});
    // Names the rule must not pick: the whole name, and the name cut at its
    // last full stop.
    const std::string unread = "キャプション,読まれない設定\r\n";
    for (const wchar_t* name : {L"ソ\\表示.v1.1.inf", L"ソ\\表示.v1.inf"}) {
        patchFolder.write(name, unread);
    }
    ProgramRun run(program);
    ASSERT_TRUE(run.started());
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowText(dialog), caption);
    EXPECT_EQ(controlText(dialog, IDC_FOLDER), gameFolder);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
}

TEST_F(JapaneseText, EmbeddedSettingsServeWhenNoSettingsFileIsBeside) {
    // As the repository's embedded settings name them.
    caption = L"Harborlight修正ファイル更新プログラム";
    company = L"ハーバーライト";
    title = L"Harborlight";
    useGameFolder(L"ハーバーライト ソ表");
    const std::vector<PatchSource> files = {{L"harbor.dat", L"", releasedFileOr(L"harbor.dat", patternBytes(3000, 5))},
                                            {L"lighthouse.pak", L"", releasedFileOr(L"lighthouse.pak", patternBytes(9000, 6))}};
    for (const PatchSource& file : files) {
        patchFolder.write(file.sourceName, file.bytes);
    }
    putGameExecutable();
    registerInstallFolder(gameFolder);
    ProgramRun run(program);
    ASSERT_TRUE(run.started());
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);

    expectOpeningView(dialog, files[0].bytes.size() + files[1].bytes.size());
    pressButton(dialog, IDC_RUN);
    expectCopyEndsWithOne(run, dialog, files);
}

// A player whose user name and game folder hold characters that code page
// 932 has no form for: the program finds itself and its settings there,
// shows the folder as the registry holds it, and copies into a subfolder
// under the Japanese name its code page 932 settings give.
TEST_F(JapaneseText, FoldersOutsideCodePage932AreFoundShownAndPatched) {
    placeProgram(L"张伟的下载\\patch", L"update.exe", L"update.inf");
    useGameFolder(L"José\\ゲーム été");
    ASSERT_TRUE(CreateDirectoryW(installedFile(L"データ").c_str(), nullptr));
    gameParent.write(gameFolder.substr(gameParent.path().size() + 1) + L"\\データ\\セーブ説明.txt", "古い説明\r\n");
    gameParent.write(gameFolder.substr(gameParent.path().size() + 1) + L"\\データ\\残る.dat", "kept");
    const std::vector<PatchSource> files = {{L"セーブ説明.txt", L"データ\\セーブ説明.txt", "新しい説明\r\n"},
                                            {L"表示.dat", L"", patternBytes(40000, 8)}};
    prepareInstalledGame(files);
    const std::map<std::wstring, std::string> patchBefore = filesUnder(patchFolder.path());
    std::map<std::wstring, std::string> gameExpected = filesUnder(gameFolder);
    gameExpected[L"データ\\セーブ説明.txt"] = files[0].bytes;
    gameExpected[L"表示.dat"] = files[1].bytes;

    ProgramRun run(program);
    ASSERT_TRUE(run.started()) << "error " << run.startError();
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    expectOpeningView(dialog, 40000 + 12);
    pressButton(dialog, IDC_RUN);
    expectCopyEndsWithOne(run, dialog, files);

    EXPECT_EQ(filesUnder(gameFolder), gameExpected);
    EXPECT_EQ(filesUnder(patchFolder.path()), patchBefore);
}

}  // namespace
