#include "copy/copy_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "tests/support/case_name.h"

namespace {

struct ChunkCase {
    const char* name;
    DiskFreeSpace drive;
    std::uint32_t expected;
};

void PrintTo(const ChunkCase& chunkCase, std::ostream* out) { *out << chunkCase.name; }

class ChunkSize : public testing::TestWithParam<ChunkCase> {};

TEST_P(ChunkSize, IsWholeClustersOfAboutOneMebibyte) {
    EXPECT_EQ(chunkSizeOf(GetParam().drive), GetParam().expected);
}

constexpr std::uint32_t MiB = 1024 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Drives, ChunkSize,
    testing::Values(
        // Every cluster size of a real volume: the fewest whole clusters
        // that hold 1 MiB.
        ChunkCase{"SmallestCluster", {1, 512, 10}, MiB},
        ChunkCase{"FourKilobyteCluster", {8, 512, 10}, MiB},
        ChunkCase{"AdvancedFormatSectors", {16, 4096, 10}, MiB},
        ChunkCase{"LargestFatCluster", {128, 512, 10}, MiB},
        ChunkCase{"LargestNtfsCluster", {4096, 512, 10}, 2 * MiB},
        // A cluster that does not divide 1 MiB: 350 clusters of 3,000 bytes.
        ChunkCase{"OddCluster", {6, 500, 10}, 1050000},
        ChunkCase{"ClusterJustOverOneMebibyte", {2049, 512, 10}, 2049 * 512},
        ChunkCase{"ClusterJustUnderTheLargest", {8191, 512, 10}, 8191 * 512},
        // Nothing reported: the fallback, never a chunk of 0.
        ChunkCase{"QueryFailed", {0, 0, 0}, fallbackChunkSize},
        ChunkCase{"NoSectorSize", {8, 0, 10}, fallbackChunkSize},
        // Figures whose product passes 32 bits: in 32 bits 65536 * 65536
        // wraps to 0 and 65537 * 65535 to 1 byte.
        ChunkCase{"ProductWrapsToZero", {65536, 65536, 10}, largestChunkSize},
        ChunkCase{"ProductWrapsToOneByte", {65535, 65537, 10}, largestChunkSize},
        ChunkCase{"LargestFigures", {0xFFFFFFFFu, 0xFFFFFFFFu, 10}, largestChunkSize},
        // Too large to allocate twice on a 32-bit process, or a few bytes.
        ChunkCase{"HugeCluster", {65536, 512, 10}, largestChunkSize},
        ChunkCase{"ClusterOfTheLargestChunk", {8192, 512, 10}, largestChunkSize},
        ChunkCase{"TinyCluster", {1, 1, 10}, MiB}),
    caseName<ChunkCase>);

struct PositionCase {
    const char* name;
    std::uint64_t done;
    std::uint64_t total;
    int expected;
};

void PrintTo(const PositionCase& position, std::ostream* out) { *out << position.name; }

class ProgressPosition : public testing::TestWithParam<PositionCase> {};

TEST_P(ProgressPosition, StaysWithinTheBarsRange) {
    const PositionCase& position = GetParam();
    EXPECT_EQ(progressPosition(position.done, position.total), position.expected);
}

constexpr std::uint64_t GiB = 1024ull * 1024 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressPosition,
    testing::Values(PositionCase{"Start", 0, 200, 0},
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
    caseName<PositionCase>);

struct RoomCase {
    const char* name;
    std::uint64_t needed;
    std::optional<std::uint64_t> free;
    std::uint64_t shortKilobytes;
    std::optional<std::wstring> text;
};

void PrintTo(const RoomCase& roomCase, std::ostream* out) { *out << roomCase.name; }

class Room : public testing::TestWithParam<RoomCase> {};

TEST_P(Room, RefusesOnlyAShortfallTheDriveReported) {
    const RoomCase& room = GetParam();
    if (room.free) {
        EXPECT_EQ(shortfallKilobytes(room.needed, *room.free), room.shortKilobytes);
    }
    EXPECT_EQ(roomRefusalText(room.needed, room.free), room.text);
}

constexpr std::uint64_t largest = ~std::uint64_t{0};

INSTANTIATE_TEST_SUITE_P(
    Drives, Room,
    testing::Values(
        RoomCase{"ExactFit", 5000, 5000, 0, std::nullopt},
        RoomCase{"PlentyFree", 5000, largest, 0, std::nullopt},
        RoomCase{"NothingToCopy", 0, 0, 0, std::nullopt},
        // Any part of a kilobyte missing counts as a whole one.
        RoomCase{"OneByteShort", 5000, 4999, 1, L"空き容量が足りません。あと 1KB 必要です。"},
        RoomCase{"OneKilobyteShort", 5000, 3976, 1, L"空き容量が足りません。あと 1KB 必要です。"},
        RoomCase{"OneKilobyteAndOneByteShort", 5000, 3975, 2, L"空き容量が足りません。あと 2KB 必要です。"},
        RoomCase{"NothingFree", 1234 * 1024, 0, 1234, L"空き容量が足りません。あと 1234KB 必要です。"},
        // Past 32 bits, in bytes and in kilobytes.
        RoomCase{"FilesPastFourGigabytes", 6ull << 30, 1ull << 30, 5ull << 20,
                 L"空き容量が足りません。あと 5242880KB 必要です。"},
        RoomCase{"ShortfallPastFourTerabytes", (5ull << 42) + 1, 0, (5ull << 32) + 1,
                 L"空き容量が足りません。あと 21474836481KB 必要です。"},
        // Rounding up must not wrap: 2^64 - 1 bytes are 2^54 kilobytes.
        RoomCase{"LargestShortfall", largest, 0, 1ull << 54, L"空き容量が足りません。あと 18014398509481984KB 必要です。"},
        // A drive that does not say (a network path) never refuses.
        RoomCase{"FreeNotReported", 5000, std::nullopt, 0, std::nullopt},
        RoomCase{"FreeNotReportedHugeFiles", largest, std::nullopt, 0, std::nullopt}),
    caseName<RoomCase>);

}  // namespace
