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
bool nothingHoldsOpen(const std::wstring& path) {
    UniqueHandle exclusive(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    return exclusive.valid();
}

TEST(SettingsTextReadFile, ReadsAndSplitsTheWholeFile) {
    TempFolder folder;
    const std::wstring path = folder.write(L"patch.inf", "キャプション,表示\r\nタイトル,ソ\nlast");
    SettingsText settings;
    ASSERT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_EQ(settings.lines(), (Lines{"キャプション,表示", "タイトル,ソ", "last"}));
    EXPECT_TRUE(nothingHoldsOpen(path));
}

TEST(SettingsTextReadFile, NameOutsideCodePage932) {
    TempFolder folder;
    const std::wstring path = folder.write(L"张伟 été.inf", "a\r\n");
    SettingsText settings;
    ASSERT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_EQ(settings.lines(), Lines{"a"});
}

TEST(SettingsTextReadFile, EmptyFileGivesNoLines) {
    TempFolder folder;
    const std::wstring path = folder.write(L"empty.inf", "");
    SettingsText settings;
    EXPECT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_TRUE(settings.lines().empty());
    EXPECT_TRUE(nothingHoldsOpen(path));
}

TEST(SettingsTextReadFile, OpenFailuresLeaveLinesAsTheyWere) {
    TempFolder folder;
    CreateDirectoryW(folder.file(L"folder.inf").c_str(), nullptr);
    const std::wstring locked = folder.write(L"locked.inf", "ファイル,a.dat\r\n");
    // Another program holds the file open for writing and shares nothing.
    UniqueHandle holder(CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());

    const std::wstring paths[] = {folder.file(L"missing.inf"), folder.file(L"folder.inf"), locked,
                                  folder.file(L"no-such-folder\\patch.inf")};
    for (const std::wstring& path : paths) {
        SettingsText settings;
        ASSERT_EQ(settings.readMemory("held", 4), settingsReadOk);
        EXPECT_EQ(settings.readFile(path.c_str()), settingsOpenFailed) << utf8(path);
        EXPECT_EQ(settings.lines(), Lines{"held"}) << utf8(path);
    }
}

TEST(SettingsTextReadFile, AnotherReaderDoesNotStopIt) {
    TempFolder folder;
    const std::wstring path = folder.write(L"shared.inf", "a\r\n");
    UniqueHandle reader(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader.valid());
    SettingsText settings;
    EXPECT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_EQ(settings.lines(), Lines{"a"});
}

TEST(SettingsTextReadFile, AppendsAfterLinesAlreadyHeld) {
    TempFolder folder;
    const std::wstring path = folder.write(L"patch.inf", "b\r\nc");
    SettingsText settings;
    ASSERT_EQ(settings.readMemory("a", 1), settingsReadOk);
    ASSERT_EQ(settings.readFile(path.c_str()), settingsReadOk);
    EXPECT_EQ(settings.lines(), (Lines{"a", "b", "c"}));
}

}  // namespace
