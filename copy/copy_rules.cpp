#include "copy/copy_rules.h"

std::uint32_t chunkSizeOf(const DiskFreeSpace& drive) {
    // In 64 bits: two 32-bit figures can multiply past 32 bits and wrap to a
    // few bytes, or to 0.
    const std::uint64_t cluster = std::uint64_t{drive.bytesPerSector} * drive.sectorsPerCluster;
    if (cluster == 0) {
        return fallbackChunkSize;  // a failed query leaves the zeros
    }
    if (cluster < smallestChunkSize) {
        return smallestChunkSize;
    }
    if (cluster > largestChunkSize) {
        return largestChunkSize;
    }
    return static_cast<std::uint32_t>(cluster);
}
