// The double-byte aware scans: a trail byte 0x5C (ソ, 表) is never taken for a
// backslash, and no scan reads past a lead byte that ends its text.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "settings/byte_scan.h"

namespace {

template <typename Case>
std::string caseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

struct FindCase {
    const char* name;
    const char* text;
    char c;
    int index;
};

void PrintTo(const FindCase& findCase, std::ostream* out) { *out << findCase.name; }

class FindChar : public testing::TestWithParam<FindCase> {};

TEST_P(FindChar, FindsOnlyRealCharacters) {
    EXPECT_EQ(findChar(GetParam().text, GetParam().c), GetParam().index);
}

const FindCase findCases[] = {
    {"EmptyText", "", ',', -1},
    {"FirstOfSeveral", "a,b,c", ',', 1},
    {"NotThere", "abc", ',', -1},
    {"AtStart", ",a", ',', 0},
    {"TrailByteOfSoIsNoBackslash", "ソ", '\\', -1},
    {"BackslashAfterSo", "ソ\\", '\\', 2},
    {"BackslashAfterHyo", "a表\\b", '\\', 3},
    // A lead byte takes the byte after it, whatever that byte is.
    {"LeadByteTakesComma", "a\x83,b,", ',', 4},
    {"LoneLeadByteAtEnd", "ab\x83", ',', -1},
    // Half-width katakana are single bytes.
    {"HalfWidthKatakanaIsSingleByte", "ｷｬﾝｾﾙ,", ',', 5},
};

INSTANTIATE_TEST_SUITE_P(Table, FindChar, testing::ValuesIn(findCases), caseName<FindCase>);

struct CommandLineCase {
    const char* name;
    const char* commandLine;
    const char* folder;
    const char* baseName;
};

void PrintTo(const CommandLineCase& lineCase, std::ostream* out) { *out << lineCase.name; }

class ProgramLocation : public testing::TestWithParam<CommandLineCase> {};

TEST_P(ProgramLocation, FolderAndBaseName) {
    EXPECT_EQ(programFolderOf(GetParam().commandLine), GetParam().folder);
    EXPECT_EQ(programBaseNameOf(GetParam().commandLine), GetParam().baseName);
}

const CommandLineCase commandLineCases[] = {
    {"QuotedPath", "\"C:\\Games\\Patch\\update.exe\"", "C:\\Games\\Patch", "update"},
    {"QuotedPathWithArguments", "\"C:\\Patch\\update.exe\" D:\\x\\y.txt", "C:\\Patch", "update"},
    {"UnquotedPath", "C:\\Patch\\update.exe", "C:\\Patch", "update"},
    {"UnquotedWithPlainArgument", "C:\\Patch\\update.exe -x", "C:\\Patch", "update"},
    // Only a quotation mark stops the scan: a backslash in an argument of an
    // unquoted command line moves the folder.
    {"UnquotedWithBackslashArgument", "C:\\Patch\\update.exe D:\\Other\\log.txt", "C:\\Patch\\update.exe D:\\Other",
     "log"},
    {"UnquotedWithQuotedArgument", "C:\\Patch\\update.exe \"D:\\Other\\x\"", "C:\\Patch", "update"},
    {"BareName", "update.exe", "", "update"},
    {"QuotedBareName", "\"update.exe\"", "", "update"},
    {"FolderWithSoAndHyo", "\"C:\\ソフト\\表\\update.exe\"", "C:\\ソフト\\表", "update"},
    {"FolderEndingInSo", "C:\\ゲームソ\\update.exe", "C:\\ゲームソ", "update"},
    {"NameWithTrailByteBackslash", "\"C:\\Patch\\表示.exe\"", "C:\\Patch", "表示"},
    {"NameStopsAtFirstFullStop", "C:\\Patch\\my.patch.exe", "C:\\Patch", "my"},
    {"FullStopInFolderOnly", "\"C:\\v1.2\\update\"", "C:\\v1.2", "update"},
    // A name that begins with its full stop is kept whole, never emptied.
    {"NameStartingWithFullStop", "C:\\Patch\\.exe", "C:\\Patch", ".exe"},
    {"LoneLeadByteAtEnd", "C:\\Patch\\a\x83", "C:\\Patch", "a\x83"},
    {"EmptyCommandLine", "", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, ProgramLocation, testing::ValuesIn(commandLineCases), caseName<CommandLineCase>);

struct FolderValueCase {
    const char* name;
    const char* value;
    const char* folder;
};

void PrintTo(const FolderValueCase& valueCase, std::ostream* out) { *out << valueCase.name; }

class InstallFolderValue : public testing::TestWithParam<FolderValueCase> {};

TEST_P(InstallFolderValue, DropsOneRealTrailingBackslash) {
    EXPECT_EQ(installFolderFromValue(GetParam().value), GetParam().folder);
}

const FolderValueCase folderValueCases[] = {
    {"Empty", "", ""},
    {"NoTrailingBackslash", "C:\\Games\\Harborlight", "C:\\Games\\Harborlight"},
    {"OneTrailingBackslash", "C:\\Games\\", "C:\\Games"},
    {"TwoTrailingBackslashesLoseOne", "C:\\Games\\\\", "C:\\Games\\"},
    {"DriveRootKept", "C:\\", "C:\\"},
    {"BackslashOnlyKept", "\\", "\\"},
    {"EndsInSo", "C:\\Gamesソ", "C:\\Gamesソ"},
    {"EndsInHyo", "C:\\表", "C:\\表"},
    {"SoThenBackslash", "C:\\ソ\\", "C:\\ソ"},
    {"LoneLeadByteAtEnd", "C:\\Games\\\x83", "C:\\Games\\\x83"},
};

INSTANTIATE_TEST_SUITE_P(Table, InstallFolderValue, testing::ValuesIn(folderValueCases), caseName<FolderValueCase>);

}  // namespace
