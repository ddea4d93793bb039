#include "core/FileProbe.h"

#include "core/HandleOwners.h"

FoundFile findAt(const std::string& path) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(path.c_str(), &found));
    if (!search.valid()) {
        return {};
    }
    return {true, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, found.dwFileAttributes,
            (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow};
}

bool pathExists(const char* path) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(path, &found));
    return search.valid();
}

bool isFolderAt(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

DiskFreeSpace diskFiguresOf(const std::string& root) {
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    // A failed query leaves the zeros.
    GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters);
    return {sectorsPerCluster, bytesPerSector, freeClusters};
}

std::optional<std::uint64_t> freeBytesFor(const std::string& folder) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    return available.QuadPart;
}
