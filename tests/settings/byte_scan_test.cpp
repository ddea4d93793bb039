// The double-byte aware scans: a trail byte 0x5C (ソ, 表) is never taken for a
// backslash, and no scan reads past a lead byte that ends its text.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "settings/byte_scan.h"
#include "tests/support/case_name.h"

namespace {

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

TEST(FirstComma, ReadsTheWholeStringByCharacters) {
    EXPECT_EQ(firstCommaOf("a,b,c"), 1u);
    EXPECT_EQ(firstCommaOf("abc"), std::string::npos);
    EXPECT_EQ(firstCommaOf("a\x83,b,"), 4u);  // the lead byte takes the first comma
    EXPECT_EQ(firstCommaOf(std::string("a\0b,", 4)), 3u);  // past a NUL byte
    EXPECT_EQ(firstCommaOf("ab\x83"), std::string::npos);  // a lone lead byte ends it
}

struct NameCase {
    const char* name;
    const char* text;
    const char* comparable;  // letters without case, / as \.
    const char* folder;      // up to the last real separator
};

void PrintTo(const NameCase& nameCase, std::ostream* out) { *out << nameCase.name; }

class Names : public testing::TestWithParam<NameCase> {};

TEST_P(Names, FoldAndFolderStepOverDoubleByteCharacters) {
    EXPECT_EQ(comparableName(GetParam().text), GetParam().comparable);
    EXPECT_EQ(folderPartOf(GetParam().text), GetParam().folder);
}

const NameCase nameCases[] = {
    {"Empty", "", "", ""},
    {"TopLevel", "a.dat", "A.DAT", ""},
    {"Subfolder", "Data\\sub\\a.dat", "DATA\\SUB\\A.DAT", "Data\\sub"},
    {"SlashSeparates", "data/a.dat", "DATA\\A.DAT", "data"},
    {"TrailingSeparator", "data\\", "DATA\\", "data"},
    // ソ is 83 5C and 表 95 5C: their trail bytes are no separators.
    {"SoIsOneFolder", "ソ\\a.dat", "ソ\\A.DAT", "ソ"},
    {"HyoEndsTheName", "data\\表", "DATA\\表", "data"},
    // A trail byte that looks like a letter keeps its case: ビ is 83 72,
    // whose trail byte is the byte of "r".
    {"TrailByteKeepsItsCase", "ビa", "ビA", ""},
    {"LoneLeadByteAtEnd", "a\x83", "A\x83", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, Names, testing::ValuesIn(nameCases), caseName<NameCase>);

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
