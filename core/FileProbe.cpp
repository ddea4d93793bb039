#include "core/FileProbe.h"

#include "core/HandleOwners.h"

namespace {

void listInto(const std::string& folder, const std::string& prefix, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search.valid()) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        FolderEntry entry;
        entry.name = prefix + name;
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        entries.push_back(entry);
        if (entry.isFolder) {
            listInto(folder + "\\" + name, entry.name + "\\", entries);
        }
    } while (FindNextFileA(search.get(), &found));
}

}  // namespace

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

std::optional<std::string> fileBytesAt(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) {
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    DWORD read = 0;
    if (size > 0 && !ReadFile(file.get(), bytes.data(), size, &read, nullptr)) {
        return std::nullopt;
    }
    bytes.resize(read);
    return bytes;
}

std::vector<FolderEntry> listFolderTree(const std::string& folder) {
    std::vector<FolderEntry> entries;
    listInto(folder, "", entries);
    return entries;
}
