// Destination names of "ファイル," lines: what stays inside the install folder,
// and why the rest is refused.
#include <gtest/gtest.h>

#include <ostream>

#include "settings/destination_rule.h"
#include "tests/support/case_name.h"

namespace {

struct DestinationCase {
    const char* name;
    const char* destination;
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
    {"PlainName", "a.dat", none},
    {"Subfolder", "data\\a.dat", none},
    {"ForwardSlashSubfolder", "data/a.dat", none},
    {"ClimbBackIntoFolder", "data\\..\\a.dat", none},
    {"CurrentFolderComponents", ".\\data\\.\\a.dat", none},
    {"DoubledSeparatorCollapses", "data\\\\a.dat", none},
    {"TrailingSeparator", "data\\", none},
    {"Empty", "", none},
    {"DotsInsideName", "a..b.dat", none},
    {"SoIsNoSeparator", "ソ\\..\\a.dat", none},
    {"TrailByteOfHyoBeforeDots", "表..", none},
    {"DeviceWordInsideName", "console.dat", none},
    {"Com10IsAFile", "com10", none},
    {"HalfWidthKatakana", "ｷｬﾝｾﾙ.dat", none},
    {"ParentOfFolder", "..\\outside.txt", climbsOut},
    {"ParentForwardSlash", "../outside.txt", climbsOut},
    {"ParentAlone", "..", climbsOut},
    {"ClimbsOutLater", "data\\..\\..\\a.dat", climbsOut},
    {"ClimbsOutAfterCurrent", ".\\..\\a.dat", climbsOut},
    // ソ's trail byte is 0x5C, yet "ソx" is one folder: a scan that split it
    // in two would count one folder too many and let the second ".." out.
    {"SoIsOneFolder", "ソx\\..\\..\\a.dat", climbsOut},
    {"SoDotsIsOneFolder", "ソ..\\..\\a.dat", none},
    {"DriveAbsolute", "C:\\Windows\\a.dll", driveOrStream},
    {"DriveRelative", "D:a.dat", driveOrStream},
    {"Stream", "a.dat:hidden", driveOrStream},
    {"RootRelative", "\\Windows\\a.dll", fromRoot},
    {"RootRelativeForwardSlash", "/Windows/a.dll", fromRoot},
    {"Unc", "\\\\server\\share\\a.dat", fromRoot},
    {"DevicePath", "\\\\.\\PhysicalDrive0", fromRoot},
    {"Nul", "nul", deviceName},
    {"ConWithExtension", "CON.txt", deviceName},
    {"Com1InSubfolder", "data\\com1.dat", deviceName},
    {"LptWithSpaceBeforeExtension", "LPT3 .log", deviceName},
    {"ThreeDots", "...", dotsAndSpacesOnly},
    {"DotSpace", "data\\. \\a.dat", dotsAndSpacesOnly},
    {"SpaceOnly", " \\a.dat", dotsAndSpacesOnly},
    // A lead byte that ends the name is a byte of its own; nothing is read past it.
    {"LoneLeadByteAtEnd", "a\x83", none},
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

}  // namespace
