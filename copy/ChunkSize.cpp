#include "copy/ChunkSize.h"

#include <windows.h>

#include "copy/CopyProgress.h"

std::uint32_t chunkSizeFor(const std::wstring& installFolder) {
    // A folder on a drive starts with its root, such as "C:\".
    wchar_t root[4];
    lstrcpynW(root, installFolder.c_str(), 4);

    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters);

    // A failed query leaves the zeros; a chunk of 0 bytes would never advance.
    const std::uint32_t cluster = bytesPerSector * sectorsPerCluster;
    return cluster != 0 ? cluster : fallbackChunkSize;
}
