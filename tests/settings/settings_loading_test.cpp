// Loading the settings of a program started from a chosen command line: the
// settings file beside it or else the embedded default settings, the file
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

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

class SettingsLoading : public testing::Test {
protected:
    int load(const std::string& commandLine) {
        return loadSettingsFrom(session, GetModuleHandleA(nullptr), commandLine.c_str());
    }

    // Result 0 or -2: whether the default game happens to be registered in
    // this prefix is no concern of these tests.
    void expectEmbeddedSettings(int result, const std::string& programFolder) {
        EXPECT_TRUE(result == settingsReady || result == gameNotInstalled) << result;
        EXPECT_EQ(session.programFolder, programFolder);
        EXPECT_EQ(session.caption, "Harborlight修正ファイル更新プログラム");
        EXPECT_EQ(session.title, "Harborlight");
        EXPECT_EQ(session.company, "ハーバーライト");
        EXPECT_EQ(session.executableName, "Velk.exe");
        ASSERT_EQ(session.files.size(), 2u);
        EXPECT_EQ(session.files[0].sourcePath, programFolder + "\\harbor.dat");
        EXPECT_EQ(session.files[0].destinationName, "harbor.dat");
        EXPECT_EQ(session.files[1].sourcePath, programFolder + "\\lighthouse.pak");
        EXPECT_EQ(session.files[1].destinationName, "lighthouse.pak");
    }

    void expectNothingLoaded() {
        EXPECT_EQ(session.caption, "");
        EXPECT_EQ(session.title, "");
        EXPECT_EQ(session.company, "");
        EXPECT_EQ(session.executableName, "");
        EXPECT_TRUE(session.files.empty());
        EXPECT_EQ(session.installFolder, "");
    }

    TempFolder folder;
    PatchSession session;
};

TEST_F(SettingsLoading, SettingsFileBesideProgramFillsTheSession) {
    TestGameKey game;
    game.setPath(folder.path() + "\\Game\\");
    // The base name ends at the first full stop: update.v2.exe reads update.inf.
    folder.write("update.inf", settingsText({"キャプション,試験パッチ", "タイトル," + game.title(),
                                             "社名," + game.company(), "実行ファイル,Velk.exe",
                                             "ファイル,present.dat,renamed.dat", "ファイル,absent.dat"}));
    folder.write("present.dat", "1234567");

    ASSERT_EQ(load(quoted(folder.file("update.v2.exe"))), settingsReady);
    EXPECT_EQ(session.programFolder, folder.path());
    EXPECT_EQ(session.caption, "試験パッチ");
    EXPECT_EQ(session.title, game.title());
    EXPECT_EQ(session.company, game.company());
    EXPECT_EQ(session.executableName, "Velk.exe");
    ASSERT_EQ(session.files.size(), 2u);
    EXPECT_EQ(session.files[0].sourcePath, folder.file("present.dat"));
    EXPECT_EQ(session.files[0].destinationName, "renamed.dat");
    EXPECT_EQ(session.files[0].size, 7u);
    // A listed file that is not there is no failure: it is skipped later.
    EXPECT_EQ(session.files[1].sourcePath, folder.file("absent.dat"));
    EXPECT_EQ(session.files[1].destinationName, "absent.dat");
    EXPECT_EQ(session.files[1].size, noSizeMarker);
    EXPECT_EQ(session.installFolder, folder.path() + "\\Game");
}

TEST_F(SettingsLoading, EmptySettingsFileIsUnusable) {
    folder.write("update.inf", "");
    EXPECT_EQ(load(quoted(folder.file("update.exe"))), settingsUnusable);
    EXPECT_EQ(session.programFolder, folder.path());
    expectNothingLoaded();
}

TEST_F(SettingsLoading, SettingsFileWithoutFileLinesIsUnusable) {
    // The embedded settings would list files, but a readable file replaces
    // them whole.
    folder.write("update.inf", settingsText({"キャプション,試験", "タイトル,Game", "社名,Maker",
                                             "実行ファイル,Game.exe", "実行ファイル,Other.exe"}));
    EXPECT_EQ(load(quoted(folder.file("update.exe"))), settingsUnusable);
    EXPECT_EQ(session.caption, "試験");
    EXPECT_EQ(session.title, "Game");
    EXPECT_EQ(session.company, "Maker");
    EXPECT_EQ(session.executableName, "Other.exe");
    EXPECT_TRUE(session.files.empty());
    EXPECT_EQ(session.installFolder, "");
}

TEST_F(SettingsLoading, MissingRegistryEntryLeavesTheTitleForTheMessage) {
    TestGameKey game;  // nothing created
    folder.write("update.inf",
                 settingsText({"タイトル," + game.title(), "社名," + game.company(), "ファイル,a.dat"}));
    EXPECT_EQ(load(quoted(folder.file("update.exe"))), gameNotInstalled);
    EXPECT_EQ(session.title, game.title());
    EXPECT_EQ(session.files.size(), 1u);
    EXPECT_EQ(session.installFolder, "");
}

TEST_F(SettingsLoading, FolderWithTrailByteBackslashIsNotCut) {
    // ソ and 表 end in the byte 0x5C.
    const std::string programFolder = folder.file("ソフト表");
    if (!CreateDirectoryA(programFolder.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        // Wine stores names in the character set of the Unix locale, which
        // is ASCII where ja_JP.UTF-8 is not installed.
        GTEST_SKIP() << "this file system takes no Japanese names (error " << error
                     << "): run Wine with the ja_JP.UTF-8 locale";
    }
    TestGameKey game;
    game.setPath("C:\\ソ");
    const std::string settings = settingsText({"キャプション,表", "タイトル," + game.title(),
                                               "社名," + game.company(), "ファイル,ソ.dat"});
    folder.write("ソフト表\\表ソ.inf", settings);

    EXPECT_EQ(load(quoted(programFolder + "\\表ソ.exe")), settingsReady);
    EXPECT_EQ(session.programFolder, programFolder);
    EXPECT_EQ(session.caption, "表");
    ASSERT_EQ(session.files.size(), 1u);
    EXPECT_EQ(session.files[0].sourcePath, programFolder + "\\ソ.dat");
    EXPECT_EQ(session.installFolder, "C:\\ソ");
}

// Destination names: a settings file beside the elevated program must not
// choose where it writes. A name that leaves the install folder makes the
// settings unusable before anything is looked up; names that stay inside
// still load.
struct DestinationCase {
    const char* name;
    const char* destination;
    int expected;
};

void PrintTo(const DestinationCase& destination, std::ostream* out) { *out << destination.name; }

class DestinationOfAFileLine : public SettingsLoading, public testing::WithParamInterface<DestinationCase> {};

TEST_P(DestinationOfAFileLine, DecidesWhetherTheSettingsLoad) {
    const DestinationCase& destination = GetParam();
    TestGameKey game;
    game.setPath("C:\\Game");
    folder.write("update.inf", settingsText({"タイトル," + game.title(), "社名," + game.company(), "ファイル,ok.dat",
                                             std::string("ファイル,a.dat,") + destination.destination}));

    EXPECT_EQ(load(quoted(folder.file("update.exe"))), destination.expected);
    if (destination.expected == settingsUnusable) {
        EXPECT_EQ(session.installFolder, "");  // refused before the registry is read
    } else {
        ASSERT_EQ(session.files.size(), 2u);
        EXPECT_EQ(session.files[1].destinationName, destination.destination);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DestinationOfAFileLine,
    testing::Values(DestinationCase{"ClimbsOut", "..\\outside.txt", settingsUnusable},
                    DestinationCase{"ClimbsOutThroughASubfolder", "data\\..\\..\\outside.txt", settingsUnusable},
                    DestinationCase{"DriveQualified", "C:\\Windows\\a.dat", settingsUnusable},
                    DestinationCase{"FromTheRoot", "\\Windows\\a.dat", settingsUnusable},
                    DestinationCase{"Unc", "\\\\server\\share\\a.dat", settingsUnusable},
                    DestinationCase{"Subfolder", "data\\a.dat", settingsReady},
                    DestinationCase{"ClimbsBackInside", "data\\..\\a.dat", settingsReady},
                    // ソ ends in the byte 0x5C, which is no separator here.
                    DestinationCase{"TrailByteBackslash", "ソ..\\a.dat", settingsReady}),
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
    SKIP_UNLESS_REPOSITORY_DEFAULT_SETTINGS();
    UniqueHandle holder = GetParam().prepare(folder);
    expectEmbeddedSettings(load(quoted(folder.file("update.exe"))), folder.path());
}

const UnreadableCase unreadableCases[] = {
    {"Missing", [](const TempFolder&) { return UniqueHandle(); }},
    {"HeldWithoutReadSharing",
     [](const TempFolder& where) {
         const std::string path = where.write("update.inf", settingsText({"ファイル,a.dat"}));
         UniqueHandle holder(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
         EXPECT_TRUE(holder.valid());
         return holder;
     }},
    {"Folder",
     [](const TempFolder& where) {
         EXPECT_TRUE(CreateDirectoryA(where.file("update.inf").c_str(), nullptr));
         return UniqueHandle();
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, UnreadableSettingsFile, testing::ValuesIn(unreadableCases),
                         caseName<UnreadableCase>);

// Puts the current directory somewhere for one test.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& path) {
        GetCurrentDirectoryA(MAX_PATH, saved_);
        EXPECT_TRUE(SetCurrentDirectoryA(path.c_str()));
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(saved_); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    char saved_[MAX_PATH] = {};
};

TEST_F(SettingsLoading, BareProgramNameReadsSettingsAtTheDriveRoot) {
    // The folder is empty, so the settings path is "\<name>.inf": the root of
    // the current drive.
    CurrentDirectory inTemp(folder.path());
    const std::string baseName = "patchtest-" + std::to_string(GetCurrentProcessId());
    const std::string rootSettings = "\\" + baseName + ".inf";
    {
        UniqueHandle file(CreateFileA(rootSettings.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid());
        const std::string text = settingsText({"キャプション,root", "ファイル,a.dat"});
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    }
    const int result = load(baseName + ".exe");
    DeleteFileA(rootSettings.c_str());

    EXPECT_EQ(result, gameNotInstalled);
    EXPECT_EQ(session.programFolder, "");
    EXPECT_EQ(session.caption, "root");
    ASSERT_EQ(session.files.size(), 1u);
    EXPECT_EQ(session.files[0].sourcePath, "\\a.dat");
}

// The settings path is composed in a buffer of the platform's maximum path
// length; a longer one counts as a file that can't be read.
class SettingsPathLength : public SettingsLoading {
protected:
    // A base name that makes "<folder>\<base name>.inf" exactly `length`
    // bytes long, with a settings file of that name in the folder.
    std::string programWithSettingsPathOf(std::size_t length) {
        const std::string baseName(length - folder.path().size() - 1 - 4, 'n');
        const std::string path = folder.file(baseName + ".inf");
        EXPECT_EQ(path.size(), length);
        writeLongPath(path, settingsText({"キャプション,from the file", "ファイル,a.dat"}));
        return quoted(folder.file(baseName + ".exe"));
    }

private:
    // Through the wide functions, which take paths longer than the ANSI ones.
    static void writeLongPath(const std::string& path, const std::string& text) {
        std::wstring wide = L"\\\\?\\";
        for (char c : path) {
            wide += static_cast<wchar_t>(static_cast<unsigned char>(c));  // ASCII path
        }
        UniqueHandle file(
            CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid()) << path;
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    }
};

TEST_F(SettingsPathLength, LongestPathThatFitsIsRead) {
    load(programWithSettingsPathOf(MAX_PATH - 1));
    EXPECT_EQ(session.caption, "from the file");
}

TEST_F(SettingsPathLength, OneByteLongerUsesEmbeddedSettings) {
    SKIP_UNLESS_REPOSITORY_DEFAULT_SETTINGS();
    const std::string program = programWithSettingsPathOf(MAX_PATH);
    expectEmbeddedSettings(load(program), folder.path());
}

TEST_F(SettingsPathLength, FarTooLongFolderUsesEmbeddedSettings) {
    SKIP_UNLESS_REPOSITORY_DEFAULT_SETTINGS();
    const std::string longFolder = "C:\\" + std::string(1200, 'f');
    expectEmbeddedSettings(load(quoted(longFolder + "\\" + std::string(600, 'n') + ".exe")), longFolder);
}

TEST(ProgramLocation, ComesFromThisProcessCommandLine) {
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::string path(module, length);
    const std::size_t lastBackslash = path.rfind('\\');  // the test's own path is plain ASCII
    const std::string name = path.substr(lastBackslash + 1);
    EXPECT_EQ(getProgramFolder(), path.substr(0, lastBackslash)) << GetCommandLineA();
    EXPECT_EQ(getProgramBaseName(), name.substr(0, name.find('.'))) << GetCommandLineA();
}

}  // namespace
