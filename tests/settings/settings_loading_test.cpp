// Loading the settings of a program at a chosen path: the settings file
// beside it or else the embedded default settings, the file
// list, and the install folder from the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>

#include "core/HandleOwners.h"
#include "settings/SettingsLoading.h"
#include "tests/settings/TestGameKey.h"
#include "tests/settings/default_settings_text.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

std::string settingsText(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

class SettingsLoading : public testing::Test {
protected:
    int load(const std::wstring& programPath) {
        return loadSettingsFrom(session, GetModuleHandleW(nullptr), programPath);
    }

    // Result 0 or -2: whether the default game happens to be registered in
    // this prefix is no concern of these tests.
    void expectEmbeddedSettings(int result, const std::wstring& programFolder) {
        EXPECT_TRUE(result == settingsReady || result == gameNotInstalled) << result;
        EXPECT_EQ(session.programFolder, programFolder);
        EXPECT_EQ(session.caption, L"Harborlight修正ファイル更新プログラム");
        EXPECT_EQ(session.title, L"Harborlight");
        EXPECT_EQ(session.company, L"ハーバーライト");
        EXPECT_EQ(session.executableName, L"Velk.exe");
        ASSERT_EQ(session.files.size(), 2u);
        EXPECT_EQ(session.files[0].sourcePath, programFolder + L"\\harbor.dat");
        EXPECT_EQ(session.files[0].destinationName, L"harbor.dat");
        EXPECT_EQ(session.files[1].sourcePath, programFolder + L"\\lighthouse.pak");
        EXPECT_EQ(session.files[1].destinationName, L"lighthouse.pak");
    }

    void expectNothingLoaded() {
        EXPECT_EQ(session.caption, L"");
        EXPECT_EQ(session.title, L"");
        EXPECT_EQ(session.company, L"");
        EXPECT_EQ(session.executableName, L"");
        EXPECT_TRUE(session.files.empty());
        EXPECT_EQ(session.installFolder, L"");
    }

    TempFolder folder;
    PatchSession session;
};

TEST_F(SettingsLoading, SettingsFileBesideProgramFillsTheSession) {
    TestGameKey game;
    game.setPath(folder.path() + L"\\Game\\");
    // The base name ends at the first full stop: update.v2.exe reads update.inf.
    folder.write(L"update.inf", settingsText({"キャプション,試験パッチ", "タイトル," + game.titleInSettings(),
                                              "社名," + game.companyInSettings(), "実行ファイル,Velk.exe",
                                              "ファイル,present.dat,renamed.dat", "ファイル,absent.dat"}));
    folder.write(L"present.dat", "1234567");

    ASSERT_EQ(load(folder.file(L"update.v2.exe")), settingsReady);
    EXPECT_EQ(session.programFolder, folder.path());
    EXPECT_EQ(session.caption, L"試験パッチ");
    EXPECT_EQ(session.title, game.title());
    EXPECT_EQ(session.company, game.company());
    EXPECT_EQ(session.executableName, L"Velk.exe");
    ASSERT_EQ(session.files.size(), 2u);
    EXPECT_EQ(session.files[0].sourcePath, folder.file(L"present.dat"));
    EXPECT_EQ(session.files[0].destinationName, L"renamed.dat");
    EXPECT_EQ(session.files[0].size, 7u);
    // A listed file that is not there is no failure: it is skipped later.
    EXPECT_EQ(session.files[1].sourcePath, folder.file(L"absent.dat"));
    EXPECT_EQ(session.files[1].destinationName, L"absent.dat");
    EXPECT_EQ(session.files[1].size, noSizeMarker);
    EXPECT_EQ(session.installFolder, folder.path() + L"\\Game");
}

TEST_F(SettingsLoading, JapaneseCompanyAndTitleFindTheirKey) {
    // The key the game's installer wrote in UTF-16, found from the names'
    // code page 932 bytes in the settings.
    TestGameKey game({"ハーバーライト", L"ハーバーライト"}, {"港の灯ソ表", L"港の灯ソ表"});
    game.setPath(L"D:\\ハーバーライト\\港の灯");
    folder.write(L"update.inf", settingsText({"タイトル," + game.titleInSettings(),
                                              "社名," + game.companyInSettings(), "ファイル,a.dat"}));

    ASSERT_EQ(load(folder.file(L"update.exe")), settingsReady);
    EXPECT_EQ(session.company, game.company());
    EXPECT_EQ(session.title, game.title());
    EXPECT_EQ(session.installFolder, L"D:\\ハーバーライト\\港の灯");
}

TEST_F(SettingsLoading, FolderOutsideCodePage932IsRead) {
    // Neither the folder nor the recorded install folder has a code page 932
    // form: the program names both to Windows as they are.
    const std::wstring programFolder = folder.file(L"张伟的下载");
    ASSERT_TRUE(CreateDirectoryW(programFolder.c_str(), nullptr)) << GetLastError();
    // Spelled outside the checks: their texts are quoted into narrow code
    // page 932 messages, which these characters have no form in.
    const std::wstring installFolder = L"C:\\Users\\José\\ゲーム été";
    TestGameKey game;
    game.setPath(installFolder);
    folder.write(L"张伟的下载\\update.inf",
                 settingsText({"キャプション,試験", "タイトル," + game.titleInSettings(),
                               "社名," + game.companyInSettings(), "ファイル,a.dat"}));
    folder.write(L"张伟的下载\\a.dat", "123");

    ASSERT_EQ(load(programFolder + L"\\update.exe"), settingsReady);
    EXPECT_EQ(session.programFolder, programFolder);
    EXPECT_EQ(session.caption, L"試験");
    ASSERT_EQ(session.files.size(), 1u);
    EXPECT_EQ(session.files[0].sourcePath, programFolder + L"\\a.dat");
    EXPECT_EQ(session.files[0].size, 3u);
    EXPECT_EQ(session.installFolder, installFolder) << utf8(session.installFolder);
}

TEST_F(SettingsLoading, EmptySettingsFileIsUnusable) {
    folder.write(L"update.inf", "");
    EXPECT_EQ(load(folder.file(L"update.exe")), settingsUnusable);
    EXPECT_EQ(session.programFolder, folder.path());
    expectNothingLoaded();
}

TEST_F(SettingsLoading, SettingsFileWithoutFileLinesIsUnusable) {
    // The embedded settings would list files, but a readable file replaces
    // them whole.
    folder.write(L"update.inf", settingsText({"キャプション,試験", "タイトル,Game", "社名,Maker",
                                              "実行ファイル,Game.exe", "実行ファイル,Other.exe"}));
    EXPECT_EQ(load(folder.file(L"update.exe")), settingsUnusable);
    EXPECT_EQ(session.caption, L"試験");
    EXPECT_EQ(session.title, L"Game");
    EXPECT_EQ(session.company, L"Maker");
    EXPECT_EQ(session.executableName, L"Other.exe");
    EXPECT_TRUE(session.files.empty());
    EXPECT_EQ(session.installFolder, L"");
}

TEST_F(SettingsLoading, MissingRegistryEntryLeavesTheTitleForTheMessage) {
    TestGameKey game;  // nothing created
    folder.write(L"update.inf", settingsText({"タイトル," + game.titleInSettings(),
                                              "社名," + game.companyInSettings(), "ファイル,a.dat"}));
    EXPECT_EQ(load(folder.file(L"update.exe")), gameNotInstalled);
    EXPECT_EQ(session.title, game.title());
    EXPECT_EQ(session.files.size(), 1u);
    EXPECT_EQ(session.installFolder, L"");
}

TEST_F(SettingsLoading, FolderWithTrailByteBackslashIsNotCut) {
    // ソ and 表 end in the byte 0x5C in code page 932; in UTF-16 they are
    // characters of their own, and the names come from the settings as such.
    const std::wstring programFolder = folder.file(L"ソフト表");
    ASSERT_TRUE(CreateDirectoryW(programFolder.c_str(), nullptr)) << GetLastError();
    TestGameKey game;
    game.setPath(L"C:\\ソ");
    const std::string settings = settingsText({"キャプション,表", "タイトル," + game.titleInSettings(),
                                               "社名," + game.companyInSettings(), "ファイル,ソ.dat"});
    folder.write(L"ソフト表\\表ソ.inf", settings);

    EXPECT_EQ(load(programFolder + L"\\表ソ.exe"), settingsReady);
    EXPECT_EQ(session.programFolder, programFolder);
    EXPECT_EQ(session.caption, L"表");
    ASSERT_EQ(session.files.size(), 1u);
    EXPECT_EQ(session.files[0].sourcePath, programFolder + L"\\ソ.dat");
    EXPECT_EQ(session.installFolder, L"C:\\ソ");
}

// Names in the settings that code page 932 does not define: converted, they
// would reach Windows as some other name, so the settings are unusable before
// anything is looked up.
struct UnconvertibleCase {
    const char* name;
    std::string line;
};

void PrintTo(const UnconvertibleCase& unconvertible, std::ostream* out) { *out << unconvertible.name; }

class UnconvertibleName : public SettingsLoading, public testing::WithParamInterface<UnconvertibleCase> {};

TEST_P(UnconvertibleName, MakesTheSettingsUnusable) {
    TestGameKey game;
    game.setPath(L"C:\\Game");
    folder.write(L"update.inf", settingsText({"タイトル," + game.titleInSettings(),
                                              "社名," + game.companyInSettings(), "ファイル,ok.dat",
                                              GetParam().line}));
    EXPECT_EQ(load(folder.file(L"update.exe")), settingsUnusable);
    EXPECT_EQ(session.installFolder, L"");
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnconvertibleName,
    testing::Values(UnconvertibleCase{"CaptionWithUnassignedPair", "キャプション,試験\x85\x40"},
                    UnconvertibleCase{"TitleWithUnassignedPair", "タイトル,\x85\x40"},
                    UnconvertibleCase{"ExecutableWithLoneLeadByte", "実行ファイル,Velk\x83"},
                    UnconvertibleCase{"SourceWithUnassignedPair", std::string("ファイル,\x85\x40") + ".dat"},
                    UnconvertibleCase{"SourceWithLoneLeadByte", "ファイル,a\x83"},
                    UnconvertibleCase{"DestinationWithLoneLeadByteAtTheEnd", "ファイル,a.dat,a\x83"},
                    UnconvertibleCase{"DestinationWithUnassignedPair", std::string("ファイル,a.dat,\x85\x40") + ".dat"}),
    caseName<UnconvertibleCase>);

// Destination names: a settings file beside the elevated program must not
// choose where it writes. A name that leaves the install folder makes the
// settings unusable before anything is looked up; names that stay inside
// still load.
struct DestinationCase {
    const char* name;
    const char* destination;
    const wchar_t* loaded;  // the destination as loaded, when it is
    int expected;
};

void PrintTo(const DestinationCase& destination, std::ostream* out) { *out << destination.name; }

class DestinationOfAFileLine : public SettingsLoading, public testing::WithParamInterface<DestinationCase> {};

TEST_P(DestinationOfAFileLine, DecidesWhetherTheSettingsLoad) {
    const DestinationCase& destination = GetParam();
    TestGameKey game;
    game.setPath(L"C:\\Game");
    folder.write(L"update.inf",
                 settingsText({"タイトル," + game.titleInSettings(), "社名," + game.companyInSettings(),
                               "ファイル,ok.dat", std::string("ファイル,a.dat,") + destination.destination}));

    EXPECT_EQ(load(folder.file(L"update.exe")), destination.expected);
    if (destination.expected == settingsUnusable) {
        EXPECT_EQ(session.installFolder, L"");  // refused before the registry is read
    } else {
        ASSERT_EQ(session.files.size(), 2u);
        EXPECT_EQ(session.files[1].destinationName, destination.loaded);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DestinationOfAFileLine,
    testing::Values(DestinationCase{"ClimbsOut", "..\\outside.txt", nullptr, settingsUnusable},
                    DestinationCase{"ClimbsOutThroughASubfolder", "data\\..\\..\\outside.txt", nullptr,
                                    settingsUnusable},
                    DestinationCase{"DriveQualified", "C:\\Windows\\a.dat", nullptr, settingsUnusable},
                    DestinationCase{"FromTheRoot", "\\Windows\\a.dat", nullptr, settingsUnusable},
                    DestinationCase{"Unc", "\\\\server\\share\\a.dat", nullptr, settingsUnusable},
                    // Wildcards and redirections: no file name holds them.
                    DestinationCase{"Wildcard", "data\\*.dat", nullptr, settingsUnusable},
                    DestinationCase{"LessThan", "a<b.dat", nullptr, settingsUnusable},
                    DestinationCase{"Subfolder", "data\\a.dat", L"data\\a.dat", settingsReady},
                    DestinationCase{"ClimbsBackInside", "data\\..\\a.dat", L"data\\..\\a.dat", settingsReady},
                    // ソ ends in the byte 0x5C, which is no separator here.
                    DestinationCase{"TrailByteBackslash", "ソ..\\a.dat", L"ソ..\\a.dat", settingsReady}),
    caseName<DestinationCase>);

// Ways a settings file can be there and still not be readable; each makes the
// embedded settings apply.
struct UnreadableCase {
    const char* name;
    // Prepares update.inf in the folder; the handle returned is held open
    // while the settings load.
    std::function<UniqueHandle(const TempFolder&)> prepare;
};

void PrintTo(const UnreadableCase& unreadable, std::ostream* out) { *out << unreadable.name; }

class UnreadableSettingsFile : public SettingsLoading, public testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableSettingsFile, EmbeddedSettingsApply) {
    UniqueHandle holder = GetParam().prepare(folder);
    expectEmbeddedSettings(load(folder.file(L"update.exe")), folder.path());
}

const UnreadableCase unreadableCases[] = {
    {"Missing", [](const TempFolder&) { return UniqueHandle(); }},
    {"HeldWithoutReadSharing",
     [](const TempFolder& where) {
         const std::wstring path = where.write(L"update.inf", settingsText({"ファイル,a.dat"}));
         UniqueHandle holder(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
         EXPECT_TRUE(holder.valid());
         return holder;
     }},
    {"Folder",
     [](const TempFolder& where) {
         EXPECT_TRUE(CreateDirectoryW(where.file(L"update.inf").c_str(), nullptr));
         return UniqueHandle();
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, UnreadableSettingsFile, testing::ValuesIn(unreadableCases),
                         caseName<UnreadableCase>);

// Puts the current directory somewhere for one test.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::wstring& path) {
        GetCurrentDirectoryW(MAX_PATH, saved_);
        EXPECT_TRUE(SetCurrentDirectoryW(path.c_str()));
    }
    ~CurrentDirectory() { SetCurrentDirectoryW(saved_); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    wchar_t saved_[MAX_PATH] = {};
};

TEST_F(SettingsLoading, BareProgramNameReadsSettingsAtTheDriveRoot) {
    // The folder is empty, so the settings path is "\<name>.inf": the root of
    // the current drive.
    CurrentDirectory inTemp(folder.path());
    const std::wstring baseName = L"patchtest-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring rootSettings = L"\\" + baseName + L".inf";
    {
        UniqueHandle file(CreateFileW(rootSettings.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid());
        const std::string text = settingsText({"キャプション,root", "ファイル,a.dat"});
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    }
    const int result = load(baseName + L".exe");
    DeleteFileW(rootSettings.c_str());

    EXPECT_EQ(result, gameNotInstalled);
    EXPECT_EQ(session.programFolder, L"");
    EXPECT_EQ(session.caption, L"root");
    ASSERT_EQ(session.files.size(), 1u);
    EXPECT_EQ(session.files[0].sourcePath, L"\\a.dat");
}

// The settings path is the program's folder and base name, whatever their
// length: the program sets no limit of its own below the system's.
class SettingsPathLength : public SettingsLoading {
protected:
    // A base name that makes "<in>\<base name>.inf" exactly `length`
    // characters long, with a settings file of that name in the folder `in`.
    std::wstring programWithSettingsPathOf(std::size_t length, const std::wstring& in) {
        const std::wstring baseName(length - in.size() - 1 - 4, L'n');
        const std::wstring path = in + L"\\" + baseName + L".inf";
        EXPECT_EQ(path.size(), length);
        writeLongPath(path, settingsText({"キャプション,from the file", "ファイル,a.dat"}));
        return in + L"\\" + baseName + L".exe";
    }

    // Whether the system opens the settings path as the program names it
    // (without the long-path prefix).
    static bool systemOpens(const std::wstring& program) {
        const std::wstring settingsPath = program.substr(0, program.size() - 4) + L".inf";
        UniqueHandle file(CreateFileW(settingsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.valid();
    }

private:
    // With the long-path prefix, which takes paths of any length.
    static void writeLongPath(const std::wstring& path, const std::string& text) {
        UniqueHandle file(CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid()) << utf8(path);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    }
};

TEST_F(SettingsPathLength, LongestClassicPathIsRead) {
    load(programWithSettingsPathOf(MAX_PATH - 1, folder.path()));
    EXPECT_EQ(session.caption, L"from the file");
}

TEST_F(SettingsPathLength, LongerPathIsReadWhereTheSystemOpensIt) {
    // In a subfolder: no one name may pass 255 characters.
    const std::wstring subfolder = folder.file(std::wstring(150, L'd'));
    ASSERT_TRUE(CreateDirectoryW(subfolder.c_str(), nullptr)) << GetLastError();
    const std::wstring program = programWithSettingsPathOf(MAX_PATH + 40, subfolder);
    if (!systemOpens(program)) {
        // A system without long paths: the file can't be read, as a missing one.
        expectEmbeddedSettings(load(program), subfolder);
        return;
    }
    load(program);
    EXPECT_EQ(session.caption, L"from the file");
}

TEST_F(SettingsPathLength, FarTooLongFolderUsesEmbeddedSettings) {
    const std::wstring longFolder = L"C:\\" + std::wstring(1200, L'f');
    expectEmbeddedSettings(load(longFolder + L"\\" + std::wstring(600, L'n') + L".exe"), longFolder);
}

TEST(ProgramLocation, IsThisProcessModulePath) {
    wchar_t module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    EXPECT_EQ(getProgramPath(), std::wstring(module, length)) << utf8(GetCommandLineW());
}

}  // namespace
