// The double-byte aware scan of settings values: a trail byte 0x5C (ソ, 表) is
// never taken for a backslash, and no scan reads past a lead byte that ends
// its text.
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

// Two names are one file's when their comparable forms are equal.
TEST(ComparableNames, EqualAsWindowsCompares) {
    const auto same = [](const std::string& a, const std::string& b) { return comparableName(a) == comparableName(b); };
    EXPECT_TRUE(same("Data\\A.dat", "data/a.DAT"));
    EXPECT_FALSE(same("data\\a.dat", "data\\b.dat"));
    EXPECT_FALSE(same("a.dat", "a.dat.bak"));
    // ア (83 41) and ヂ (83 61): trail bytes are no letters to fold.
    EXPECT_FALSE(same("\x83\x41.dat", "\x83\x61.dat"));
    EXPECT_TRUE(same("表\\a.dat", "表/A.dat"));
}

}  // namespace
