#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "copy/ChunkSize.h"
#include "copy/copy_rules.h"
#include "tests/support/CopyFixture.h"

namespace {

struct PositionCase {
    const char* name;
    std::uint64_t done;
    std::uint64_t total;
    int expected;
};

void PrintTo(const PositionCase& position, std::ostream* out) { *out << position.name; }

class ProgressPosition : public ::testing::TestWithParam<PositionCase> {};

TEST_P(ProgressPosition, StaysWithinTheBarsRange) {
    const PositionCase& position = GetParam();
    EXPECT_EQ(progressPosition(position.done, position.total), position.expected);
}

constexpr std::uint64_t GiB = 1024ull * 1024 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressPosition,
    ::testing::Values(PositionCase{"Start", 0, 200, 0},
                      PositionCase{"HalfOfTwoSmallFiles", 100, 200, 50},
                      PositionCase{"RemainderIsDropped", 199, 200, 99},
                      PositionCase{"HalfOfAHundredMillion", 50000000, 100000000, 50},
                      // done × 100 no longer fits 32 bits here.
                      PositionCase{"PastFortyThreeMegabytes", 3000000000ull, 4000000000ull, 75},
                      PositionCase{"TotalOfFourGiB", 2 * GiB, 4 * GiB, 50},
                      PositionCase{"TotalBeyondFourGiB", 9 * GiB, 10 * GiB, 90},
                      PositionCase{"LastByteOfSixGiB", 6 * GiB - 1, 6 * GiB, 99},
                      PositionCase{"Complete", 6 * GiB, 6 * GiB, 100},
                      PositionCase{"NothingToMeasure", 0, 0, 0}),
    [](const ::testing::TestParamInfo<PositionCase>& info) { return std::string(info.param.name); });

TEST(ChunkSize, IsTheClusterOfTheInstallFoldersDrive) {
    TempFolder install;
    EXPECT_EQ(chunkSizeFor(install.path()), clusterSizeOf(install.path()));
    // Only the first three characters name the drive.
    EXPECT_EQ(chunkSizeFor(install.path() + L"\\no such folder"), clusterSizeOf(install.path()));
}

struct NoDriveCase {
    const char* name;
    const wchar_t* folder;
};

void PrintTo(const NoDriveCase& noDrive, std::ostream* out) { *out << noDrive.name; }

class ChunkSizeWithoutDrive : public ::testing::TestWithParam<NoDriveCase> {};

TEST_P(ChunkSizeWithoutDrive, FallsBackToAPositiveSize) {
    EXPECT_EQ(chunkSizeFor(GetParam().folder), fallbackChunkSize);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChunkSizeWithoutDrive,
                         ::testing::Values(NoDriveCase{"EmptyFolder", L""},
                                           NoDriveCase{"NetworkPath", L"\\\\server\\share\\game"}),
                         [](const ::testing::TestParamInfo<NoDriveCase>& info) { return std::string(info.param.name); });

}  // namespace
