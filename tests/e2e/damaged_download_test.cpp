// A release patch-make wrote, damaged on its way to the player: the program
// names the damaged file, leaves the game as it was and ends with 2; the
// release as written installs. A damaged table is never followed.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "settings/digest_table.h"
#include "tests/e2e/PatchProgram.h"

namespace {

using Files = std::map<std::wstring, std::string>;

std::wstring damagedText(const std::wstring& sourceName) {
    return L"「" + sourceName + L"」が壊れています。パッチをもう一度ダウンロードしてください。";
}

// The release's files: one in a folder and big enough for many chunks, one
// small.
std::vector<PatchSource> releasedFiles() {
    return {{L"b.bin", L"", patternBytes(20000, 51)}, {L"data\\a.dat", L"", patternBytes(300000, 52)}};
}

class DamagedDownload : public PatchProgram {
protected:
    void SetUp() override {
        files = releasedFiles();
        ASSERT_NO_FATAL_FAILURE(makeRelease());
        putGameExecutable();
        ASSERT_TRUE(CreateDirectoryW(installedFile(L"data").c_str(), nullptr));
        gameParent.write(L"Game Folder\\data\\a.dat", "old a");
        gameParent.write(L"Game Folder\\b.bin", "old b");
        registerInstallFolder(gameFolder);
    }

    // patch-make writes the release into release\, from the program under
    // test as its stub, with settings that list `files` built in.
    void makeRelease() {
        for (const wchar_t* folder : {L"input", L"input\\files", L"input\\files\\data"}) {
            ASSERT_TRUE(CreateDirectoryW(patchFolder.file(folder).c_str(), nullptr));
        }
        patchFolder.write(L"input\\settings.txt", settingsListing(files));
        for (const PatchSource& file : files) {
            patchFolder.write(L"input\\files\\" + file.sourceName, file.bytes);
        }
        const ConsoleRun made = runConsoleTool(
            L"\"" + hostPathInWine(PATCH_MAKER) + L"\" --stub \"" + program + L"\" --settings \"" +
                patchFolder.file(L"input\\settings.txt") + L"\" --files \"" + patchFolder.file(L"input\\files") +
                L"\" --name update --version 1.0.0.0 --output \"" + patchFolder.file(L"release") + L"\"",
            patchFolder.path(), ErrorStream::merged);
        ASSERT_EQ(made.startError, 0u);
        // 1: written with warnings (the stub's own version texts).
        ASSERT_LE(made.exitCode, 1u) << "patch-make failed";
        program = patchFolder.file(L"release\\update.exe");
        ASSERT_TRUE(fileExists(program));
    }

    std::wstring released(const std::wstring& name) const { return patchFolder.file(L"release\\" + name); }

    // Run pressed on the game's folder; the box that follows must name
    // `sourceName`; OK ends the program with 2, the game as it was.
    void expectRefusalOf(const std::wstring& sourceName) {
        const Files before = filesUnder(gameFolder);
        ProgramRun run(program);
        Dialog dialog = nullptr;
        const MessageBoxView box = boxAfterRun(run, dialog);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, damagedText(sourceName));
        EXPECT_EQ(box.caption, L"error");
        EXPECT_EQ(box.owner, dialog);
        EXPECT_FALSE(box.hasCancel);
        pressButton(box.window, IDOK);
        expectExitCode(run, 2);
        EXPECT_EQ(filesUnder(gameFolder), before);
    }

    void expectInstalls(const std::vector<PatchSource>& installed) {
        ProgramRun run(program);
        const Dialog dialog = waitForPatchDialog(run);
        ASSERT_NE(dialog, nullptr);
        pressButton(dialog, IDC_RUN);
        expectCopyEndsWithOne(run, dialog, installed);
    }

    std::vector<PatchSource> files;
};

TEST_F(DamagedDownload, TheReleaseAsWrittenInstalls) { expectInstalls(files); }

struct Damage {
    const char* name;
    void (*damage)(std::string& bytes);
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }

const Damage damages[] = {
    {"ByteFlipped", [](std::string& bytes) { bytes[bytes.size() / 2] ^= 0x20; }},
    {"CutToAThird", [](std::string& bytes) { bytes.resize(bytes.size() / 3); }},
    {"AnotherFileOfTheSameSize", [](std::string& bytes) { bytes = patternBytes(bytes.size(), 53); }},
    {"MadeLonger", [](std::string& bytes) { bytes += "tail"; }},
};

class DamagedReleaseFile : public DamagedDownload, public testing::WithParamInterface<Damage> {
protected:
    void damage(const std::wstring& name) {
        std::string bytes = readWholeFile(released(name));
        GetParam().damage(bytes);
        patchFolder.write(L"release\\" + name, bytes);
    }
};

TEST_P(DamagedReleaseFile, IsNamedAndTheGameStaysAsItWas) {
    damage(L"data\\a.dat");
    expectRefusalOf(L"data\\a.dat");
}

// A settings file beside the program replaces the built-in settings; the
// files it lists are still checked against the table, the others are not
// its concern.
TEST_P(DamagedReleaseFile, SettingsBesideTheProgramListingFewerFilesCheckEachListedFile) {
    patchFolder.write(L"release\\update.inf", settingsListing({files[0]}));
    damage(L"data\\a.dat");
    {
        SCOPED_TRACE("the damaged file is not listed");
        expectInstalls({files[0]});
        EXPECT_EQ(fileBytesOrMissing(installedFile(L"data\\a.dat")), "old a");
    }
    gameParent.write(L"Game Folder\\b.bin", "old b");
    damage(L"b.bin");
    {
        SCOPED_TRACE("the listed file is damaged");
        expectRefusalOf(L"b.bin");
    }
}

INSTANTIATE_TEST_SUITE_P(Release, DamagedReleaseFile, testing::ValuesIn(damages),
                         [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST_F(DamagedDownload, AFileTheTableNamesMissingBesideTheProgramIsNamed) {
    ASSERT_TRUE(DeleteFileW(released(L"data\\a.dat").c_str()));
    expectRefusalOf(L"data\\a.dat");
}

// A settings file beside the program is anyone's to write: spelling a file
// the table names another way must not let it in unchecked. The box names it
// as the line spells it.
TEST_F(DamagedDownload, AFileTheTableNamesSpelledAnotherWayIsStillChecked) {
    std::string bytes = readWholeFile(released(L"data\\a.dat"));
    bytes[bytes.size() - 1] ^= 0x01;
    patchFolder.write(L"release\\data\\a.dat", bytes);
    for (const wchar_t* spelling : {L"./data/a.dat", L"DATA\\A.DAT", L"data\\a.dat.", L"data\\..\\data\\a.dat"}) {
        SCOPED_TRACE(testing::Message() << "spelt " << std::string(spelling, spelling + wcslen(spelling)));
        patchFolder.write(L"release\\update.inf", settingsListing({{spelling, L"data\\a.dat", bytes}}));
        expectRefusalOf(spelling);
    }
}

// --- The table itself damaged: the settings are unusable. ---

std::string tableOf(const std::wstring& program) {
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module, nullptr);
    std::string bytes;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_DIGEST_TABLE), digestTableResourceType)) {
        bytes.assign(static_cast<const char*>(LockResource(LoadResource(module, found))),
                     SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

void replaceTable(const std::wstring& program, const std::string& bytes) {
    HANDLE update = BeginUpdateResourceW(program.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(UpdateResourceW(update, digestTableResourceType, MAKEINTRESOURCEW(IDR_DIGEST_TABLE),
                                MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), const_cast<char*>(bytes.data()),
                                static_cast<DWORD>(bytes.size())));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
}

struct TableDamage {
    const char* name;
    std::string (*damage)(const std::string& table);
};

void PrintTo(const TableDamage& damage, std::ostream* out) { *out << damage.name; }

class DamagedTable : public DamagedDownload, public testing::WithParamInterface<TableDamage> {};

// Whichever settings are in use: the built-in ones, or a file beside the
// program that lists only a file the table does not name.
TEST_P(DamagedTable, MakesTheSettingsUnusable) {
    const std::string table = tableOf(program);
    ASSERT_FALSE(table.empty()) << "the release carries no table";
    ASSERT_NO_FATAL_FAILURE(replaceTable(program, GetParam().damage(table)));
    const Files before = filesUnder(gameFolder);

    for (const bool beside : {false, true}) {
        SCOPED_TRACE(beside ? "settings file beside the program" : "built-in settings");
        if (beside) {
            patchFolder.write(L"release\\c.bin", "not in the table");
            patchFolder.write(L"release\\update.inf", settingsListing({{L"c.bin", L"", "not in the table"}}));
        }
        ProgramRun run(program);
        const MessageBoxView box = waitForMessageBox(run);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, L"設定ファイルが読み込めません。");
        EXPECT_EQ(box.caption, L"error");
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(findDialog(run.processId(), DialogKind::patchDialog), nullptr);
        pressButton(box.window, IDOK);
        expectExitCode(run, 0);
        EXPECT_EQ(filesUnder(gameFolder), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Release, DamagedTable,
    testing::Values(
        // Its last line without the end of line the writer always gives it.
        TableDamage{"CutShort", [](const std::string& table) { return table.substr(0, table.size() - 20); }},
        TableDamage{"LineThatDoesNotParse", [](const std::string& table) { return table + "b.bin\r\n"; }},
        TableDamage{"NameOutsideTheInstallFolder",
                    [](const std::string& table) { return table + table.substr(0, 64) + " 5 ..\\outside.dat\r\n"; }}),
    [](const testing::TestParamInfo<TableDamage>& info) { return std::string(info.param.name); });

}  // namespace
