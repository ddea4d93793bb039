// The install folder read from the game's registry entry: missing keys and
// values, values of odd shapes, and the one trailing backslash dropped.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "settings/SettingsLoading.h"
#include "tests/settings/TestGameKey.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

using namespace std::string_literals;

enum class Entry { none, keyOnly, value };

struct RegistryCase {
    const char* name;
    Entry entry;
    DWORD type;
    std::string data;  // stored byte for byte (UTF-16), terminator included when given
    int result;
    std::wstring folder;
};

void PrintTo(const RegistryCase& registryCase, std::ostream* out) { *out << registryCase.name; }

class InstallFolderRegistry : public testing::TestWithParam<RegistryCase> {};

TEST_P(InstallFolderRegistry, ReadsThePathValue) {
    const RegistryCase& expected = GetParam();
    TestGameKey game;
    if (expected.entry == Entry::keyOnly) {
        game.create();
        game.setValue(L"Path2", REG_SZ, utf16Bytes(L"C:\\Elsewhere\0"s));
    } else if (expected.entry == Entry::value) {
        game.setValue(L"path", expected.type, expected.data);
    }
    std::wstring folder = L"untouched";
    EXPECT_EQ(readInstallFolder(game.company(), game.title(), folder), expected.result);
    EXPECT_EQ(folder, expected.result == settingsReady ? expected.folder : L"untouched") << utf8(folder);
}

const RegistryCase registryCases[] = {
    {"ValueFound", Entry::value, REG_SZ, utf16Bytes(L"C:\\Games\\Harborlight\0"s), settingsReady,
     L"C:\\Games\\Harborlight"},
    {"KeyMissing", Entry::none, REG_SZ, "", gameNotInstalled, L""},
    {"KeyWithoutPathValue", Entry::keyOnly, REG_SZ, "", gameNotInstalled, L""},
    {"EmptyBinaryValue", Entry::value, REG_BINARY, "", gameNotInstalled, L""},
    {"OnlyTerminator", Entry::value, REG_SZ, utf16Bytes(L"\0"s), settingsReady, L""},
    {"DriveRootKept", Entry::value, REG_SZ, utf16Bytes(L"C:\\\0"s), settingsReady, L"C:\\"},
    {"OneTrailingBackslashRemoved", Entry::value, REG_SZ, utf16Bytes(L"C:\\Games\\\0"s), settingsReady,
     L"C:\\Games"},
    {"TwoTrailingBackslashesLoseOne", Entry::value, REG_SZ, utf16Bytes(L"C:\\Games\\\\\0"s), settingsReady,
     L"C:\\Games\\"},
    {"EndsInSo", Entry::value, REG_SZ, utf16Bytes(L"C:\\ゲームソ\0"s), settingsReady, L"C:\\ゲームソ"},
    // Names that no one code page holds come back as they are.
    {"OutsideCodePage932", Entry::value, REG_SZ, utf16Bytes(L"C:\\Users\\José\\ゲーム été\\张伟\0"s),
     settingsReady, L"C:\\Users\\José\\ゲーム été\\张伟"},
    // The type is not looked at; data without a terminator gets one.
    {"BinaryWithoutTerminator", Entry::value, REG_BINARY, utf16Bytes(L"D:\\Harborlight"), settingsReady,
     L"D:\\Harborlight"},
    {"BinaryEndingInBackslash", Entry::value, REG_BINARY, utf16Bytes(L"D:\\Harborlight\\"), settingsReady,
     L"D:\\Harborlight"},
    // An odd byte count: the last byte is the low half of a character, whose
    // high half is the terminator's zero.
    {"OddByteCount", Entry::value, REG_BINARY, utf16Bytes(L"D:\\Game") + "x", settingsReady, L"D:\\Gamex"},
    {"EndsAtFirstNul", Entry::value, REG_BINARY, utf16Bytes(L"D:\\Game\0junk"s), settingsReady, L"D:\\Game"},
    {"ExpandableString", Entry::value, REG_EXPAND_SZ, utf16Bytes(L"%SystemDrive%\\Game\0"s), settingsReady,
     L"%SystemDrive%\\Game"},
};

INSTANTIATE_TEST_SUITE_P(Table, InstallFolderRegistry, testing::ValuesIn(registryCases),
                         caseName<RegistryCase>);

}  // namespace
