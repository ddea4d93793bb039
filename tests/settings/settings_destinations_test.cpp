// Destinations as the settings text writes them: converted with code page
// 932, then judged; and the folders they need.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "settings/cp932_conversion.h"
#include "settings/settings_destinations.h"
#include "tests/support/case_name.h"

namespace {

using enum DestinationProblem;

struct NeededFoldersCase {
    const char* name;
    std::vector<std::string> destinations;
    std::vector<std::string> folders;
};

void PrintTo(const NeededFoldersCase& foldersCase, std::ostream* out) { *out << foldersCase.name; }

class NeededFolders : public testing::TestWithParam<NeededFoldersCase> {};

TEST_P(NeededFolders, ParentsFirstEachOnceInOrderMet) {
    EXPECT_EQ(foldersNeededBy(GetParam().destinations), GetParam().folders);
}

const NeededFoldersCase neededFoldersCases[] = {
    {"TopLevelOnly", {"a.dat", "b.dat"}, {}},
    {"OneFolder", {"a.dat", "data\\b.dat"}, {"data"}},
    {"ParentsBeforeChildren", {"data\\sub\\deep\\a.dat"}, {"data", "data\\sub", "data\\sub\\deep"}},
    {"EachOnceInOrderMet", {"b\\x.dat", "a\\y.dat", "b\\z.dat", "B\\w.dat"}, {"b", "a"}},
    {"SlashJoinedWithBackslash", {"data/sub/a.dat"}, {"data", "data\\sub"}},
    // ソ (83 5C) and 表 (95 5C): their trail bytes separate nothing.
    {"SoAndHyoAreWholeNames", {"ソ\\表\\a.dat", "表示.dat"}, {"ソ", "ソ\\表"}},
    {"DotsResolved", {".\\data\\.\\a.dat", "x\\..\\y\\b.dat", "data\\\\c.dat"}, {"data", "y"}},
    {"RefusedPassedOver", {"..\\out\\a.dat", "C:\\x\\b.dat", "nul\\c.dat", "in\\d.dat"}, {"in"}},
};

INSTANTIATE_TEST_SUITE_P(Table, NeededFolders, testing::ValuesIn(neededFoldersCases), caseName<NeededFoldersCase>);

TEST(NamesAFolder, EndsInASeparatorOrADotComponent) {
    EXPECT_FALSE(namesAFolder("a.dat"));
    EXPECT_FALSE(namesAFolder("data\\a.dat"));
    EXPECT_FALSE(namesAFolder("ソ"));  // its trail byte is no separator
    EXPECT_TRUE(namesAFolder("data\\"));
    EXPECT_TRUE(namesAFolder("data/"));
    EXPECT_TRUE(namesAFolder("data\\."));
    EXPECT_TRUE(namesAFolder("data\\sub\\.."));
    EXPECT_TRUE(namesAFolder(".."));
}

// A "ファイル," name as the settings hold it, converted with code page 932,
// then judged: a byte sequence code page 932 lacks never reaches the rule.
struct SettingsNameCase {
    const char* name;
    const char* bytes;
    bool converts;
    DestinationProblem problem;
};

void PrintTo(const SettingsNameCase& nameCase, std::ostream* out) { *out << nameCase.name; }

class SettingsName : public testing::TestWithParam<SettingsNameCase> {};

TEST_P(SettingsName, ConvertsWithCodePage932ThenKeepsInside) {
    std::wstring wide;
    ASSERT_EQ(wideFromCp932(GetParam().bytes, wide), GetParam().converts);
    if (GetParam().converts) {
        EXPECT_EQ(destinationProblemOf(wide), GetParam().problem);
    }
}

const SettingsNameCase settingsNameCases[] = {
    // ソ is 83 5C: its trail byte is no separator once converted.
    {"SoBeforeTwoParents", "\x83\x5C" "x\\..\\..\\a.dat", true, climbsOut},
    {"SoFolder", "\x83\x5C\\a.dat", true, none},
    {"HyoDots", "\x95\x5C..", true, none},
    {"LoneLeadByteAtEnd", "a\x83", false, none},
    {"LeadByteBeforeNul", "a\x81", false, none},
    {"UnassignedPair", "\x85\x40", false, none},
    {"ControlByte", "a\x01.dat", true, forbiddenCharacter},
    {"HalfWidthKatakana", "\xB7\xAC\xDD\xBE\xD9", true, none},
};

INSTANTIATE_TEST_SUITE_P(Table, SettingsName, testing::ValuesIn(settingsNameCases), caseName<SettingsNameCase>);

}  // namespace
