// Paths split and joined as Windows reads them.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/path_text.h"
#include "tests/support/case_name.h"

namespace {

struct PathCase {
    const char* name;
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* nameInFolder;
};

void PrintTo(const PathCase& pathCase, std::ostream* out) { *out << pathCase.name; }

class PathSplit : public testing::TestWithParam<PathCase> {};

TEST_P(PathSplit, FolderAndName) {
    EXPECT_EQ(folderOfPath(GetParam().path), GetParam().folder);
    EXPECT_EQ(nameOfPath(GetParam().path), GetParam().nameInFolder);
}

const PathCase pathCases[] = {
    {"Backslashes", L"C:\\Games\\Patch\\update.exe", L"C:\\Games\\Patch", L"update.exe"},
    {"SlashesAsWindowsTakesThem", L"out/release/patch.exe", L"out/release", L"patch.exe"},
    {"MixedSeparatorsLastWins", L"C:\\out/release\\x", L"C:\\out/release", L"x"},
    {"JapaneseFolder", L"C:\\ソフト\\表\\update.exe", L"C:\\ソフト\\表", L"update.exe"},
    {"DriveRootLosesItsBackslash", L"C:\\update.exe", L"C:", L"update.exe"},
    {"TrailingSeparator", L"C:\\Games\\", L"C:\\Games", L""},
    {"BareName", L"update.exe", L"", L"update.exe"},
    // As written: a destination's folder is the one the copy opens, not a
    // tidied one.
    {"ClimbBackInAsWritten", L"data\\..\\save\\a.dat", L"data\\..\\save", L"a.dat"},
    {"WideNames", L"张 été\\ソ表.dat", L"张 été", L"ソ表.dat"},
    {"Empty", L"", L"", L""},
};

INSTANTIATE_TEST_SUITE_P(Table, PathSplit, testing::ValuesIn(pathCases), caseName<PathCase>);

TEST(PathIn, OneBackslashBetween) {
    EXPECT_EQ(pathIn(L"C:\\Patch", L"a.dat"), L"C:\\Patch\\a.dat");
    EXPECT_EQ(pathIn(L"C:\\", L"a.dat"), L"C:\\a.dat");
    EXPECT_EQ(pathIn(L"\\\\server\\share", L"sub\\a.dat"), L"\\\\server\\share\\sub\\a.dat");
}

}  // namespace
