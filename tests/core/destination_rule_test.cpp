// Destination names, as UTF-16 text: what stays inside the install folder,
// and why the rest is refused.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/destination_rule.h"
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

TEST(DestinationRuleText, ANulInsideTheNameIsRefusedNotCutShort) {
    // "a.dat" then U+0000 then "..\\..\\x": Windows would stop at the
    // U+0000, yet the name as read holds more, and it is refused whole.
    const std::wstring name(L"a.dat\0..\\..\\x", 13);
    EXPECT_EQ(destinationProblemOf(name), forbiddenCharacter);
}

}  // namespace
