#include "core/FileProbe.h"

#include "core/HandleOwners.h"

namespace {

void listInto(const std::wstring& folder, const std::wstring& prefix, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search.valid()) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        FolderEntry entry;
        entry.name = prefix + name;
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        entries.push_back(entry);
        if (entry.isFolder) {
            listInto(folder + L"\\" + name, entry.name + L"\\", entries);
        }
    } while (FindNextFileW(search.get(), &found));
}

}  // namespace

FoundFile findAt(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW(path.c_str(), &found));
    if (!search.valid()) {
        return {};
    }
    return {true, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, found.dwFileAttributes,
            (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow};
}

bool pathExists(const wchar_t* path) {
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW(path, &found));
    return search.valid();
}

bool isFolderAt(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

DiskFreeSpace diskFiguresOf(const std::wstring& root) {
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    // A failed query leaves the zeros.
    GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters);
    return {sectorsPerCluster, bytesPerSector, freeClusters};
}

std::optional<std::uint64_t> freeBytesFor(const std::wstring& folder) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    return available.QuadPart;
}

std::optional<std::string> fileBytesAt(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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

std::vector<FolderEntry> listFolderTree(const std::wstring& folder) {
    std::vector<FolderEntry> entries;
    listInto(folder, L"", entries);
    return entries;
}
