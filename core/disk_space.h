// The figures of a drive as the system reports them: free space and cluster
// size come from one query. Portable, so the rules that work them out build
// natively too.
#pragma once

#include <cstdint>

struct DiskFreeSpace {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t freeClusters = 0;
};
