#include "copy/copy_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "tests/support/case_name.h"

namespace {

struct ChunkCase {
    const char* name;
    DiskFreeSpace drive;
    std::uint32_t expected;
};

void PrintTo(const ChunkCase& chunkCase, std::ostream* out) { *out << chunkCase.name; }

class ChunkSize : public testing::TestWithParam<ChunkCase> {};

TEST_P(ChunkSize, IsOneClusterWithinBounds) {
    EXPECT_EQ(chunkSizeOf(GetParam().drive), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Drives, ChunkSize,
    testing::Values(
        // Every cluster size of a real volume is kept exactly.
        ChunkCase{"SmallestCluster", {1, 512, 10}, 512},
        ChunkCase{"FourKilobyteCluster", {8, 512, 10}, 4096},
        ChunkCase{"AdvancedFormatSectors", {16, 4096, 10}, 65536},
        ChunkCase{"LargestFatCluster", {128, 512, 10}, 65536},
        ChunkCase{"LargestNtfsCluster", {4096, 512, 10}, 2 * 1024 * 1024},
        // Nothing reported: the fallback, never a chunk of 0.
        ChunkCase{"QueryFailed", {0, 0, 0}, fallbackChunkSize},
        ChunkCase{"NoSectorSize", {8, 0, 10}, fallbackChunkSize},
        // Figures whose product passes 32 bits: in 32 bits 65536 * 65536
        // wraps to 0 and 65537 * 65535 to 1 byte.
        ChunkCase{"ProductWrapsToZero", {65536, 65536, 10}, largestChunkSize},
        ChunkCase{"ProductWrapsToOneByte", {65535, 65537, 10}, largestChunkSize},
        ChunkCase{"LargestFigures", {0xFFFFFFFFu, 0xFFFFFFFFu, 10}, largestChunkSize},
        // Too large to allocate on a 32-bit process, or too small to move.
        ChunkCase{"HugeCluster", {65536, 512, 10}, largestChunkSize},
        ChunkCase{"TinyCluster", {1, 1, 10}, smallestChunkSize}),
    caseName<ChunkCase>);

}  // namespace
