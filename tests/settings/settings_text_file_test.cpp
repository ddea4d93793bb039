#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/HandleOwners.h"
#include "settings/settings_text.h"
#include "tests/support/TempFolder.h"

namespace {

using Lines = std::vector<std::string>;

// A file can be opened without any sharing only when no handle to it is
// left open anywhere.
bool nothingHoldsOpen(const std::string& path) {
    UniqueHandle exclusive(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    return exclusive.valid();
}

TEST(SettingsTextReadFile, ReadsAndSplitsTheWholeFile) {
    TempFolder folder;
    const std::string path = folder.write("patch.inf", "キャプション,表示\r\nタイトル,ソ\nlast");
    SettingsText settings;
    ASSERT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_EQ(settings.lines(), (Lines{"キャプション,表示", "タイトル,ソ", "last"}));
    EXPECT_TRUE(nothingHoldsOpen(path));
}

TEST(SettingsTextReadFile, EmptyFileGivesNoLines) {
    TempFolder folder;
    const std::string path = folder.write("empty.inf", "");
    SettingsText settings;
    EXPECT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_TRUE(settings.lines().empty());
    EXPECT_TRUE(nothingHoldsOpen(path));
}

TEST(SettingsTextReadFile, OpenFailuresLeaveLinesAsTheyWere) {
    TempFolder folder;
    CreateDirectoryA(folder.file("folder.inf").c_str(), nullptr);
    const std::string locked = folder.write("locked.inf", "ファイル,a.dat\r\n");
    // Another program holds the file open for writing and shares nothing.
    UniqueHandle holder(CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());

    const std::string paths[] = {folder.file("missing.inf"), folder.file("folder.inf"), locked,
                                 folder.file("no-such-folder\\patch.inf")};
    for (const std::string& path : paths) {
        SettingsText settings;
        ASSERT_EQ(settings.readMemory("held", 4), settingsReadOk);
        EXPECT_EQ(settings.readFile(path.c_str()), settingsOpenFailed) << path;
        EXPECT_EQ(settings.lines(), Lines{"held"}) << path;
    }
}

TEST(SettingsTextReadFile, AnotherReaderDoesNotStopIt) {
    TempFolder folder;
    const std::string path = folder.write("shared.inf", "a\r\n");
    UniqueHandle reader(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader.valid());
    SettingsText settings;
    EXPECT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_EQ(settings.lines(), Lines{"a"});
}

TEST(SettingsTextReadFile, AppendsAfterLinesAlreadyHeld) {
    TempFolder folder;
    const std::string path = folder.write("patch.inf", "b\r\nc");
    SettingsText settings;
    ASSERT_EQ(settings.readMemory("a", 1), settingsReadOk);
    ASSERT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_EQ(settings.lines(), (Lines{"a", "b", "c"}));
}

}  // namespace
