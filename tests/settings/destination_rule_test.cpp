// Destination names of "ファイル," lines: what stays inside the install folder,
// and why the rest is refused.
#include <gtest/gtest.h>

#include <ostream>

#include "settings/cp932_conversion.h"
#include "settings/destination_rule.h"
#include "tests/support/case_name.h"

namespace {

struct DestinationCase {
    const char* name;
    const wchar_t* destination;
    DestinationProblem problem;
};

void PrintTo(const DestinationCase& destinationCase, std::ostream* out) { *out << destinationCase.name; }

class DestinationRule : public testing::TestWithParam<DestinationCase> {};

TEST_P(DestinationRule, KeepsWritesInsideTheInstallFolder) {
    EXPECT_EQ(destinationProblemOf(GetParam().destination), GetParam().problem);
    EXPECT_EQ(destinationStaysInside(GetParam().destination), GetParam().problem == DestinationProblem::none);
}

using enum DestinationProblem;

const DestinationCase destinationCases[] = {
    {"PlainName", L"a.dat", none},
    {"Subfolder", L"data\\a.dat", none},
    {"ForwardSlashSubfolder", L"data/a.dat", none},
    {"ClimbBackIntoFolder", L"data\\..\\a.dat", none},
    {"CurrentFolderComponents", L".\\data\\.\\a.dat", none},
    {"DoubledSeparatorCollapses", L"data\\\\a.dat", none},
    {"TrailingSeparator", L"data\\", none},
    {"Empty", L"", none},
    {"DotsInsideName", L"a..b.dat", none},
    {"DotsBeforeName", L"..a\\x.dat", none},
    {"JapaneseFolder", L"ソ\\表.dat", none},
    {"NameOutsideCodePage932", L"张伟\\été.dat", none},
    {"DeviceWordInsideName", L"console.dat", none},
    {"Com10IsAFile", L"com10", none},
    {"HalfWidthKatakana", L"ｷｬﾝｾﾙ.dat", none},
    {"ParentOfFolder", L"..\\outside.txt", climbsOut},
    {"ParentForwardSlash", L"../outside.txt", climbsOut},
    {"ParentAlone", L"..", climbsOut},
    {"ClimbsOutLater", L"data\\..\\..\\a.dat", climbsOut},
    {"ClimbsOutAfterCurrent", L".\\..\\a.dat", climbsOut},
    {"DriveAbsolute", L"C:\\Windows\\a.dll", driveOrStream},
    {"DriveRelative", L"D:a.dat", driveOrStream},
    {"Stream", L"a.dat:hidden", driveOrStream},
    {"RootRelative", L"\\Windows\\a.dll", fromRoot},
    {"RootRelativeForwardSlash", L"/Windows/a.dll", fromRoot},
    {"Unc", L"\\\\server\\share\\a.dat", fromRoot},
    {"DevicePath", L"\\\\.\\PhysicalDrive0", fromRoot},
    {"Nul", L"nul", deviceName},
    {"ConWithExtension", L"CON.txt", deviceName},
    {"Com1InSubfolder", L"data\\com1.dat", deviceName},
    {"LptWithSpaceBeforeExtension", L"LPT3 .log", deviceName},
    {"ThreeDots", L"...", dotsAndSpacesOnly},
    {"DotSpace", L"data\\. \\a.dat", dotsAndSpacesOnly},
    {"SpaceOnly", L" \\a.dat", dotsAndSpacesOnly},
    {"Wildcard", L"data\\*.dat", forbiddenCharacter},
    {"QuestionMark", L"a?.dat", forbiddenCharacter},
    {"LessThan", L"a<b.dat", forbiddenCharacter},
    {"GreaterThan", L"a>b.dat", forbiddenCharacter},
    {"QuotationMark", L"\"a.dat\"", forbiddenCharacter},
    {"Bar", L"a|b.dat", forbiddenCharacter},
    {"Tab", L"a\tb.dat", forbiddenCharacter},
    {"UnitSeparator", L"a\x1F.dat", forbiddenCharacter},
};

INSTANTIATE_TEST_SUITE_P(Table, DestinationRule, testing::ValuesIn(destinationCases), caseName<DestinationCase>);

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

TEST(DestinationRuleText, ANulInsideTheNameIsRefusedNotCutShort) {
    // "a.dat" then U+0000 then "..\\..\\x": Windows would stop at the
    // U+0000, yet the name as read holds more, and it is refused whole.
    const std::wstring name(L"a.dat\0..\\..\\x", 13);
    EXPECT_EQ(destinationProblemOf(name), forbiddenCharacter);
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
