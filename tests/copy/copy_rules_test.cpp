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

struct FolderCase {
    const char* name;
    const wchar_t* destination;
    const wchar_t* folder;
};

void PrintTo(const FolderCase& folderCase, std::ostream* out) { *out << folderCase.name; }

class DestinationFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(DestinationFolder, IsTheNameUpToItsLastSeparator) {
    EXPECT_EQ(destinationFolderOf(GetParam().destination), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DestinationFolder,
    testing::Values(FolderCase{"InTheInstallFolder", L"a.dat", L""},
                    FolderCase{"OneFolder", L"data\\a.dat", L"data"},
                    FolderCase{"Nested", L"data\\maps\\a.dat", L"data\\maps"},
                    FolderCase{"ForwardSlash", L"data/a.dat", L"data"},
                    FolderCase{"MixedSeparators", L"data/maps\\a.dat", L"data/maps"},
                    // As written: the folder the copy will open, not a tidied one.
                    FolderCase{"ClimbBackIn", L"data\\..\\save\\a.dat", L"data\\..\\save"},
                    FolderCase{"WideNames", L"张 été\\ソ表.dat", L"张 été"}),
    caseName<FolderCase>);

}  // namespace
