#include "core/PatchFileEntry.h"

#include "core/FileProbe.h"

namespace {

// Size of whatever is found at path, or noSizeMarker when nothing is there or
// it does not fit the entry's 32 bits.
std::uint32_t sizeFoundAt(const std::wstring& path) {
    const FoundFile found = findAt(path);
    if (!found.exists || found.size > noSizeMarker) {
        return noSizeMarker;
    }
    return static_cast<std::uint32_t>(found.size);
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
