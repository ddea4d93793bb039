#include "core/PatchFileEntry.h"

#include "core/FileProbe.h"

namespace {

// Size of whatever is found at path, or noSizeMarker when nothing is there or
// it is too large to copy.
std::uint64_t sizeFoundAt(const std::wstring& path) {
    const FoundFile found = findAt(path);
    return found.exists && found.size < firstSizeNotCopied ? found.size : noSizeMarker;
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
