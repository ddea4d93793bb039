#include "core/FileProbe.h"

#include <winternl.h>

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
        entry.attributes = found.dwFileAttributes;
        entry.lastWrite = (std::uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) | found.ftLastWriteTime.dwLowDateTime;
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

bool isFileAt(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isProtectedFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & (protectingAttributes | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

bool isOpenElsewhere(const std::wstring& path) {
    // Read access is enough to meet every other open that reads, writes or
    // deletes: with no sharing at all, any of them refuses this one.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    const DWORD error = GetLastError();
    return !file.valid() && (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION);
}

bool isHeldAgainstMoving(const std::wstring& path) {
    UniqueHandle probe(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = GetLastError();
    return !probe.valid() && error == ERROR_SHARING_VIOLATION;
}

namespace {

// The identity of a file, opened for its attributes only: a running
// program's image file opens so too.
std::optional<FileIdentity> fileIdentity(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() ? identityOf(file.get()) : std::nullopt;
}

}  // namespace

std::optional<FileIdentity> identityOf(HANDLE file) {
    DWORD volume = 0;
    if (!GetVolumeInformationByHandleW(file, nullptr, 0, &volume, nullptr, nullptr, nullptr, 0)) {
        return std::nullopt;
    }
    return identityOnVolume(file, volume);
}

std::optional<FileIdentity> identityOnVolume(HANDLE file, const std::optional<std::uint32_t>& volume) {
    if (!volume) {
        return std::nullopt;
    }
    const std::optional<FileOnVolume> found = fileOnVolume(file, *volume);
    return found ? std::optional<FileIdentity>(found->identity) : std::nullopt;
}

std::optional<FileIdentity> identityAtName(const std::wstring& path, const std::optional<std::uint32_t>& volume) {
    UniqueHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file.valid() ? identityOnVolume(file.get(), volume) : std::nullopt;
}

std::optional<std::uint32_t> volumeSerialOf(const std::wstring& path) {
    // Backup semantics: a folder opens so too.
    UniqueHandle opened(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    DWORD serial = 0;
    if (!opened.valid() ||
        !GetVolumeInformationByHandleW(opened.get(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return std::nullopt;
    }
    return serial;
}

namespace {

// The file's index on its volume, as GetFileInformationByHandle gives it,
// asked without the volume's serial that call reads each time.
std::optional<std::uint64_t> fileIndexOf(HANDLE file) {
    struct {
        LARGE_INTEGER indexNumber;
    } internal{};
    IO_STATUS_BLOCK status{};
    constexpr auto fileInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
    if (NtQueryInformationFile(file, &status, &internal, sizeof internal, fileInternalInformation) < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(internal.indexNumber.QuadPart);
}

}  // namespace

std::optional<FileOnVolume> fileOnVolume(HANDLE file, std::uint32_t volume) {
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> index = fileIndexOf(file);
    if (!index) {
        return std::nullopt;
    }
    FileOnVolume found;
    found.identity = FileIdentity{volume, *index, static_cast<std::uint64_t>(standard.EndOfFile.QuadPart),
                                  static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart)};
    found.plainFile = (basic.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    return found;
}

bool isSameFile(const std::wstring& first, const std::wstring& second) {
    const std::optional<FileIdentity> one = fileIdentity(first);
    const std::optional<FileIdentity> other = fileIdentity(second);
    return one && other && one->volume == other->volume && one->index == other->index;
}

std::optional<std::wstring> firstLinkBelow(const std::wstring& folder, const std::wstring& relative) {
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) {
            end = relative.size();
        }
        if (end > start) {
            const std::wstring name = relative.substr(0, end);
            const DWORD attributes = GetFileAttributesW((folder + L'\\' + name).c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                // Nothing there, so nothing further down either.
                return std::nullopt;
            }
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                return name;
            }
        }
        start = end + 1;
    }
    return std::nullopt;
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

std::vector<NameInFolder> namesInFolder(const std::wstring& folder) {
    std::vector<NameInFolder> names;
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search.valid()) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back({name, found.cAlternateFileName});
        }
    } while (FindNextFileW(search.get(), &found));
    return names;
}
