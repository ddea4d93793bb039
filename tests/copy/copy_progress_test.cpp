#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "copy/ChunkSize.h"
#include "copy/copy_rules.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/case_name.h"

namespace {

TEST(ChunkSize, IsWholeClustersOfTheInstallFoldersDrive) {
    TempFolder install;
    const std::uint32_t cluster = clusterSizeOf(install.path());
    const std::uint32_t chunk = chunkSizeFor(install.path());
    EXPECT_EQ(chunk % cluster, 0u);
    EXPECT_GE(chunk, preferredChunkSize);
    EXPECT_LT(chunk, preferredChunkSize + cluster);
    // Only the first three characters name the drive.
    EXPECT_EQ(chunkSizeFor(install.path() + L"\\no such folder"), chunk);
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
                         caseName<NoDriveCase>);

}  // namespace
