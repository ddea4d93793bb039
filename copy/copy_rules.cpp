#include "copy/copy_rules.h"

#include "core/decimal_text.h"

std::uint32_t chunkSizeOf(const DiskFreeSpace& drive) {
    // In 64 bits: two 32-bit figures can multiply past 32 bits and wrap to a
    // few bytes, or to 0.
    const std::uint64_t cluster = std::uint64_t{drive.bytesPerSector} * drive.sectorsPerCluster;
    if (cluster == 0) {
        return fallbackChunkSize;  // a failed query leaves the zeros
    }
    if (cluster >= largestChunkSize) {
        return largestChunkSize;
    }
    // Below 4 MiB a cluster, the whole clusters that hold 1 MiB stay below
    // 4 MiB too.
    const std::uint64_t clusters = (preferredChunkSize + cluster - 1) / cluster;
    return static_cast<std::uint32_t>(clusters * cluster);
}

std::uint64_t shortfallKilobytes(std::uint64_t neededBytes, std::uint64_t freeBytes) {
    if (neededBytes <= freeBytes) {
        return 0;
    }
    // Rounded up without adding 1023 first, which wraps for a shortfall near
    // 2^64.
    const std::uint64_t missing = neededBytes - freeBytes;
    return (missing >> 10) + ((missing & 1023) != 0 ? 1 : 0);
}

std::optional<std::wstring> roomRefusalText(std::uint64_t neededBytes, std::optional<std::uint64_t> freeBytes) {
    if (!freeBytes) {
        return std::nullopt;
    }
    const std::uint64_t kilobytes = shortfallKilobytes(neededBytes, *freeBytes);
    if (kilobytes == 0) {
        return std::nullopt;
    }
    return L"空き容量が足りません。あと " + wideDecimalText(kilobytes) + L"KB 必要です。";
}

std::wstring quotedName(const std::wstring& name) { return L"「" + name + L"」"; }
