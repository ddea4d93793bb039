#include <windows.h>

#include "shell/PatchFileEntry.h"
#include "shell/win32_owners.h"

namespace {

// Size of whatever is found at path, or noSizeMarker when nothing is there or
// it does not fit the entry's 32 bits.
std::uint32_t sizeFoundAt(const std::string& path) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(path.c_str(), &found));
    if (!search.valid()) {
        return noSizeMarker;
    }
    return found.nFileSizeHigh != 0 ? noSizeMarker : found.nFileSizeLow;
}

}  // namespace

PatchFileEntry PatchFileEntry::fromSettingsLine(const std::string& programFolder, const std::string& sourceName,
                                                const std::string& destinationName) {
    PatchFileEntry entry;
    entry.sourcePath = programFolder + '\\' + sourceName;
    entry.destinationName = destinationName.empty() ? sourceName : destinationName;
    entry.size = sizeFoundAt(entry.sourcePath);
    return entry;
}
