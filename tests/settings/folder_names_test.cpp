// The program's own path and the registry's install folder, as UTF-16.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/path_text.h"
#include "settings/folder_names.h"
#include "tests/support/case_name.h"

namespace {

struct ProgramPathCase {
    const char* name;
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* baseName;
};

void PrintTo(const ProgramPathCase& pathCase, std::ostream* out) { *out << pathCase.name; }

class ProgramLocation : public testing::TestWithParam<ProgramPathCase> {};

TEST_P(ProgramLocation, FolderAndBaseName) {
    EXPECT_EQ(folderOfPath(GetParam().path), GetParam().folder);
    EXPECT_EQ(baseNameOfPath(GetParam().path), GetParam().baseName);
}

const ProgramPathCase programPathCases[] = {
    {"PlainPath", L"C:\\Games\\Patch\\update.exe", L"C:\\Games\\Patch", L"update"},
    {"FolderOutsideCodePage932", L"C:\\Users\\张伟\\José\\update.exe", L"C:\\Users\\张伟\\José", L"update"},
    {"FolderWithSoAndHyo", L"C:\\ソフト\\表\\update.exe", L"C:\\ソフト\\表", L"update"},
    {"FolderEndingInSo", L"C:\\ゲームソ\\update.exe", L"C:\\ゲームソ", L"update"},
    {"JapaneseName", L"C:\\Patch\\表示.exe", L"C:\\Patch", L"表示"},
    {"NameStopsAtFirstFullStop", L"C:\\Patch\\my.patch.exe", L"C:\\Patch", L"my"},
    {"FullStopInFolderOnly", L"C:\\v1.2\\update", L"C:\\v1.2", L"update"},
    // A name that begins with its full stop is kept whole, never emptied.
    {"NameStartingWithFullStop", L"C:\\Patch\\.exe", L"C:\\Patch", L".exe"},
    {"UncShare", L"\\\\server\\share\\update.exe", L"\\\\server\\share", L"update"},
    {"BareName", L"update.exe", L"", L"update"},
    {"Empty", L"", L"", L""},
};

INSTANTIATE_TEST_SUITE_P(Table, ProgramLocation, testing::ValuesIn(programPathCases), caseName<ProgramPathCase>);

struct FolderValueCase {
    const char* name;
    std::wstring value;
    const wchar_t* folder;
};

void PrintTo(const FolderValueCase& valueCase, std::ostream* out) { *out << valueCase.name; }

class InstallFolderValue : public testing::TestWithParam<FolderValueCase> {};

TEST_P(InstallFolderValue, DropsOneTrailingBackslash) {
    EXPECT_EQ(installFolderFromValue(GetParam().value), GetParam().folder);
}

const FolderValueCase folderValueCases[] = {
    {"Empty", L"", L""},
    {"NoTrailingBackslash", L"C:\\Games\\Harborlight", L"C:\\Games\\Harborlight"},
    {"OneTrailingBackslash", L"C:\\Games\\", L"C:\\Games"},
    {"TwoTrailingBackslashesLoseOne", L"C:\\Games\\\\", L"C:\\Games\\"},
    {"DriveRootKept", L"C:\\", L"C:\\"},
    {"BackslashOnlyKept", L"\\", L"\\"},
    {"EndsInSo", L"C:\\Gamesソ", L"C:\\Gamesソ"},
    {"AccentsAndHan", L"C:\\José\\ゲーム été\\", L"C:\\José\\ゲーム été"},
    // A value stored with its terminator, or with text after one, ends there.
    {"EndsAtFirstNul", std::wstring(L"C:\\Games\\\0junk", 14), L"C:\\Games"},
};

INSTANTIATE_TEST_SUITE_P(Table, InstallFolderValue, testing::ValuesIn(folderValueCases), caseName<FolderValueCase>);

}  // namespace
