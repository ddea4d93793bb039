#include <windows.h>

#include "shell/PatchFileEntry.h"
#include "shell/win32_owners.h"

namespace {

// Size of whatever is found at path, or noSizeMarker when nothing is there or
// it does not fit the entry's 32 bits.
std::uint32_t sizeFoundAt(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW(path.c_str(), &found));
    if (!search.valid()) {
        return noSizeMarker;
    }
    return found.nFileSizeHigh != 0 ? noSizeMarker : found.nFileSizeLow;
}

}  // namespace

PatchFileEntry PatchFileEntry::fromSettingsLine(const std::wstring& programFolder, const std::wstring& sourceName,
                                                const std::wstring& destinationName) {
    PatchFileEntry entry;
    entry.sourcePath = programFolder + L'\\' + sourceName;
    entry.destinationName = destinationName.empty() ? sourceName : destinationName;
    entry.size = sizeFoundAt(entry.sourcePath);
    return entry;
}
