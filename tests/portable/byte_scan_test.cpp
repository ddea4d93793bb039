// The double-byte aware scan of settings values: a trail byte 0x5C (ソ, 表) is
// never taken for a backslash, and no scan reads past a lead byte that ends
// its text.
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

}  // namespace
