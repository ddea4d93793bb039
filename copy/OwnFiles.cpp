#include "copy/OwnFiles.h"

#include <cstddef>
#include <cstring>
#include <optional>

#include "core/FileProbe.h"

OpenedAtName openIfRecorded(const std::wstring& path, const RecordedFile& recorded, std::uint32_t volume) {
    OpenedAtName opened;
    // Shared for reading and writing as any move is, never for deleting: no
    // one moves or deletes the file between the look and the change.
    opened.file.reset(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const DWORD error = GetLastError();
    if (!opened.file.valid()) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            opened.found = FoundAtName::nothing;
        } else {
            // A folder opens only for backup; what else fails to open is
            // held by another program, or closed to this one.
            opened.found = isFolderAt(path) ? FoundAtName::other : FoundAtName::held;
        }
        return opened;
    }
    const std::optional<FileOnVolume> found = fileOnVolume(opened.file.get(), volume);
    if (!found || !found->plainFile || !recorded.recognises(found->identity)) {
        opened.file.reset();
        opened.found = FoundAtName::other;
        return opened;
    }
    opened.found = FoundAtName::recorded;
    return opened;
}

bool deleteOpened(UniqueHandle& file) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    const bool marked = SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
    // The name goes when the last handle does.
    file.reset();
    return marked;
}

void FileMover::makeRoomFor(std::size_t longestPath) {
    const std::size_t size = offsetof(FILE_RENAME_INFO, FileName) + (longestPath + 1) * sizeof(wchar_t);
    if (information_.size() < size) {
        information_.resize(size);
    }
}

bool FileMover::move(HANDLE file, const std::wstring& to) {
    makeRoomFor(to.size());
    auto* information = reinterpret_cast<FILE_RENAME_INFO*>(information_.data());
    information->ReplaceIfExists = FALSE;
    information->RootDirectory = nullptr;
    information->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    std::memcpy(information->FileName, to.c_str(), (to.size() + 1) * sizeof(wchar_t));
    return SetFileInformationByHandle(file, FileRenameInfo, information, static_cast<DWORD>(information_.size())) != 0;
}
