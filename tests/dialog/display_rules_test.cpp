#include "dialog/display_rules.h"
#include "tests/support/case_name.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace {

TEST(CentredOffset, TruncatesTowardZero) {
    EXPECT_EQ(centredOffset(800, 301), 249);
    EXPECT_EQ(centredOffset(800, 300), 250);
    EXPECT_EQ(centredOffset(800, 803), -1);  // a dialog wider than the area
    EXPECT_EQ(centredOffset(800, 804), -2);
}

TEST(DriveRoot, IsTheFirstThreeCharactersAsTheyStand) {
    EXPECT_EQ(driveRootOf(L"C:\\Game"), L"C:\\");
    EXPECT_EQ(driveRootOf(L"C:\\"), L"C:\\");
    EXPECT_EQ(driveRootOf(L"C:"), L"C:");
    EXPECT_EQ(driveRootOf(L""), L"");
    EXPECT_EQ(driveRootOf(L"\\\\server\\share"), L"\\\\s");
    EXPECT_EQ(driveRootOf(L"ソフト表\\a"), L"ソフト");
    // No regard for surrogate pairs: half of one can end the root.
    EXPECT_EQ(driveRootOf(L"C:\xD840\xDC0B"), std::wstring(L"C:\xD840"));
}

TEST(DecimalText, WritesEveryDigitOfSixtyFourBits) {
    EXPECT_EQ(decimalText(0), "0");
    EXPECT_EQ(decimalText(7), "7");
    EXPECT_EQ(decimalText(4000), "4000");
    EXPECT_EQ(decimalText(2147483648u), "2147483648");  // where a signed %d turns negative
    EXPECT_EQ(decimalText(4294967296ull), "4294967296");  // where 32 bits wrap
    EXPECT_EQ(decimalText(UINT64_MAX), "18446744073709551615");
}

TEST(KilobytesText, ShowsWholeKilobytes) {
    EXPECT_EQ(kilobytesText(0), "0KB");
    EXPECT_EQ(kilobytesText(2047), "1KB");
    EXPECT_EQ(kilobytesText(UINT64_MAX), "18014398509481983KB");
}

struct FreeSpaceCase {
    const char* name;
    DiskFreeSpace space;
    std::uint64_t expectedKb;
};

void PrintTo(const FreeSpaceCase& param, std::ostream* out) { *out << param.name; }

class FreeKilobytes : public testing::TestWithParam<FreeSpaceCase> {};

TEST_P(FreeKilobytes, AreTheFreeBytesInWholeKilobytes) {
    EXPECT_EQ(freeKilobytes(GetParam().space), GetParam().expectedKb);
}

INSTANTIATE_TEST_SUITE_P(
    Drives, FreeKilobytes,
    testing::Values(FreeSpaceCase{"SmallDrive", {8, 512, 1000}, 4000},
                    FreeSpaceCase{"FailedQuery", {0, 0, 0}, 0},
                    FreeSpaceCase{"NoFreeCluster", {8, 512, 0}, 0},
                    FreeSpaceCase{"HalfAKilobyteFree", {1, 512, 1}, 0},
                    // 2 TiB free: 2^31 KB, beyond a signed 32-bit figure.
                    FreeSpaceCase{"TwoTebibytes", {8, 512, 0x20000000u}, 0x80000000ull},
                    // Every cluster of a 16 TiB drive free: beyond 32 bits.
                    FreeSpaceCase{"SixteenTebibytes", {8, 512, 0xFFFFFFFFu}, 0xFFFFFFFFull * 4},
                    FreeSpaceCase{"LargeClusters", {128, 4096, 0xFFFFFFFFu}, 0xFFFFFFFFull * 512},
                    // Figures no disk has, but a network share may report: the
                    // free bytes pass 64 bits while the kilobytes still fit...
                    FreeSpaceCase{"BytesBeyondSixtyFourBits", {1u << 20, 1u << 20, 1u << 26}, 1ull << 56},
                    // (the input the size-text fuzz target found)
                    FreeSpaceCase{"BytesBeyondSixtyFourBitsFound", {0xFFu, 0xFFFFFDFFu, 0xFFFFFA02u},
                                  0x3FBFFE023FC2FD7Full},
                    // ...or the kilobytes do not fit either: the largest figure, not a wrapped one.
                    FreeSpaceCase{"KilobytesBeyondSixtyFourBits", {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}, UINT64_MAX}),
    caseName<FreeSpaceCase>);

TEST(WholeKilobytes, DropTheRemainder) {
    EXPECT_EQ(wholeKilobytes(1023), 0u);
    EXPECT_EQ(wholeKilobytes(1024), 1u);
    EXPECT_EQ(wholeKilobytes(2047), 1u);
    EXPECT_EQ(wholeKilobytes(6ull << 30), 6u << 20);  // a 6 GiB patch
}

TEST(SpaceDisplayText, WithAFreeFigureStartsTheSecondLineWithTheRoot) {
    EXPECT_EQ(spaceDisplayText(1, L"C:\\", 4000), L"容量\t\t1KB\nC:\\空き容量\t4000KB");
    // The root as the folder text has it, whatever its characters.
    const std::wstring root = L"张:\\";  // outside the check, whose text is quoted in code page 932
    EXPECT_EQ(spaceDisplayText(1, root, 4000), L"容量\t\t1KB\n" + root + L"空き容量\t4000KB");
}

TEST(SpaceDisplayText, WithoutAFreeFigureShowsNoNumberAndNoRoot) {
    EXPECT_EQ(spaceDisplayText(0, L"\\\\s", 0), L"容量\t\t0KB\n 空き容量\tKB");
}

TEST(SpaceDisplayText, ShowsFiguresBeyondThirtyTwoBitsInFull) {
    EXPECT_EQ(spaceDisplayText(6291456, L"D:\\", 0x80000000ull),
              L"容量\t\t6291456KB\nD:\\空き容量\t2147483648KB");
    EXPECT_EQ(spaceDisplayText(0x100000000ull, L"D:\\", 0x400000000ull),
              L"容量\t\t4294967296KB\nD:\\空き容量\t17179869184KB");
}

}  // namespace
