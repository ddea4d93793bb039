// The install folder read from the game's registry entry: missing keys and
// values, values of odd shapes, and the one trailing backslash dropped.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "settings/SettingsLoading.h"
#include "tests/settings/TestGameKey.h"
#include "tests/support/case_name.h"

namespace {

using namespace std::string_literals;

enum class Entry { none, keyOnly, value };

struct RegistryCase {
    const char* name;
    Entry entry;
    DWORD type;
    std::string data;  // stored byte for byte, terminator included when given
    int result;
    std::string folder;
};

void PrintTo(const RegistryCase& registryCase, std::ostream* out) { *out << registryCase.name; }

class InstallFolderRegistry : public testing::TestWithParam<RegistryCase> {};

TEST_P(InstallFolderRegistry, ReadsThePathValue) {
    const RegistryCase& expected = GetParam();
    TestGameKey game;
    if (expected.entry == Entry::keyOnly) {
        game.create();
        game.setValue("Path2", REG_SZ, "C:\\Elsewhere\0"s);
    } else if (expected.entry == Entry::value) {
        game.setValue("path", expected.type, expected.data);
    }
    std::string folder = "untouched";
    EXPECT_EQ(readInstallFolder(game.company(), game.title(), folder), expected.result);
    EXPECT_EQ(folder, expected.result == settingsReady ? expected.folder : "untouched");
}

const RegistryCase registryCases[] = {
    {"ValueFound", Entry::value, REG_SZ, "C:\\Games\\Harborlight\0"s, settingsReady, "C:\\Games\\Harborlight"},
    {"KeyMissing", Entry::none, REG_SZ, "", gameNotInstalled, ""},
    {"KeyWithoutPathValue", Entry::keyOnly, REG_SZ, "", gameNotInstalled, ""},
    {"EmptyBinaryValue", Entry::value, REG_BINARY, "", gameNotInstalled, ""},
    {"OnlyTerminator", Entry::value, REG_SZ, "\0"s, settingsReady, ""},
    {"DriveRootKept", Entry::value, REG_SZ, "C:\\\0"s, settingsReady, "C:\\"},
    {"OneTrailingBackslashRemoved", Entry::value, REG_SZ, "C:\\Games\\\0"s, settingsReady, "C:\\Games"},
    {"TwoTrailingBackslashesLoseOne", Entry::value, REG_SZ, "C:\\Games\\\\\0"s, settingsReady, "C:\\Games\\"},
    {"EndsInSo", Entry::value, REG_SZ, "C:\\ゲームソ\0"s, settingsReady, "C:\\ゲームソ"},
    // The type is not looked at; data without a terminator gets one.
    {"BinaryWithoutTerminator", Entry::value, REG_BINARY, "D:\\Harborlight", settingsReady, "D:\\Harborlight"},
    {"BinaryEndingInBackslash", Entry::value, REG_BINARY, "D:\\Harborlight\\", settingsReady, "D:\\Harborlight"},
    {"EndsAtFirstNul", Entry::value, REG_BINARY, "D:\\Game\0junk"s, settingsReady, "D:\\Game"},
    {"ExpandableString", Entry::value, REG_EXPAND_SZ, "%SystemDrive%\\Game\0"s, settingsReady,
     "%SystemDrive%\\Game"},
};

INSTANTIATE_TEST_SUITE_P(Table, InstallFolderRegistry, testing::ValuesIn(registryCases),
                         caseName<RegistryCase>);

}  // namespace
