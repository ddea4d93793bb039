// Japanese text on its way through the program: folder and file names with
// characters whose second byte is a backslash (ソ 83 5C, 表 95 5C), the
// settings file found by the program's own name, the embedded settings and
// a registry value holding a Japanese path. tests/e2e/CMakeLists.txt runs
// these scenarios a second time on a Wine whose locale is not Japanese, as
// many players' Windows are: the program must then still work in code page
// 932.
#include <windows.h>

#include <gtest/gtest.h>

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
std::string wineLocale() {
    char name[64] = "";
    const DWORD length = GetEnvironmentVariableA("PATCH_WINE_LOCALE", name, sizeof name);
    return length > 0 && length < sizeof name ? name : "ja_JP.UTF-8";
}

// The ANSI code page that the locale of this run gives a program without a
// manifest of its own (0 when it could not be run).
DWORD codePageOfAProgramWithoutManifest() {
    const std::string probe = hostPathInWine(PATCH_CODE_PAGE_PROBE);
    ProgramRun run(probe);
    EXPECT_TRUE(run.started()) << probe;
    return run.exitCode(windowTimeoutMs).value_or(0);
}

// The second run of these scenarios is worth something only if its programs
// really get another code page than 932; this one does not choose its own.
// (This test process itself keeps 932 through its manifest, as the program
// does, so that the names and texts it prepares are the same in both runs.)
TEST(WineLocale, ProgramsWithoutTheirOwnCodePageFollowTheLocale) {
    const std::string locale = wineLocale();
    const DWORD codePage = codePageOfAProgramWithoutManifest();
    if (locale.rfind("ja_JP", 0) == 0) {
        EXPECT_EQ(codePage, 932u) << locale;
    } else {
        EXPECT_NE(codePage, 932u) << locale;
        EXPECT_NE(codePage, 0u) << locale;
    }
    EXPECT_EQ(GetACP(), 932u) << "the test's own manifest should keep it in code page 932";
}

TEST_F(JapaneseText, PatchInJapaneseFoldersCopiesEveryFileAndEndsWithOne) {
    useGameFolder("ソフト表 ゲーム");
    placeProgram("表ソ パッチ", "update.exe", "update.inf");
    const std::vector<PatchSource> files = {{"表示.dat", "", patternBytes(70000, 4)},
                                            {"readme.txt", "ソ説明.txt", "手順書\r\n"}};
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
    placeProgram("ソ", "表示.v1.1.exe", "表示.inf");
    prepareInstalledGame({{"a.bin", "", "a"}});
    // Names the rule must not pick: the whole name, and the name cut at its
    // last full stop.
    const std::string unread = "キャプション,読まれない設定\r\n";
    for (const char* name : {"ソ\\表示.v1.1.inf", "ソ\\表示.v1.inf"}) {
        patchFolder.write(name, unread);
    }
    ProgramRun run(program);
    ASSERT_TRUE(run.started());
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowText(dialog), caption);
    EXPECT_EQ(controlText(dialog, IDC_FOLDER), gameFolder);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    expectExitCode(run, 1);
}

TEST_F(JapaneseText, EmbeddedSettingsServeWhenNoSettingsFileIsBeside) {
    SKIP_UNLESS_REPOSITORY_DEFAULT_SETTINGS();
    // As the repository's embedded settings name them.
    caption = "Harborlight修正ファイル更新プログラム";
    company = "ハーバーライト";
    title = "Harborlight";
    useGameFolder("ハーバーライト ソ表");
    const std::vector<PatchSource> files = {{"harbor.dat", "", patternBytes(3000, 5)},
                                            {"lighthouse.pak", "", patternBytes(9000, 6)}};
    for (const PatchSource& file : files) {
        patchFolder.write(file.sourceName, file.bytes);
    }
    putGameExecutable();
    registerInstallFolder(gameFolder);
    ProgramRun run(program);
    ASSERT_TRUE(run.started());
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);

    expectOpeningView(dialog, 12000);
    pressButton(dialog, IDC_RUN);
    expectCopyEndsWithOne(run, dialog, files);
}

}  // namespace
