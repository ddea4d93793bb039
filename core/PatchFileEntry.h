// One file of the patch: where it is read from, the name it gets in the
// install folder, and its size as found when the settings were loaded.
#pragma once

#include <cstdint>
#include <string>

// Size of an entry whose source was missing, or 4 GiB or larger, at load
// time. Such an entry stays in the list but is neither counted nor copied.
inline constexpr std::uint32_t noSizeMarker = 0xFFFFFFFFu;

struct PatchFileEntry {
    std::wstring sourcePath;
    std::wstring destinationName;
    std::uint32_t size = noSizeMarker;

    // Builds the entry of one "ファイル," line: the source is looked up in the
    // program folder for its size. An empty destination name means the file
    // keeps its source name.
    static PatchFileEntry fromSettingsLine(const std::wstring& programFolder,
                                           const std::wstring& sourceName,
                                           const std::wstring& destinationName);

    // folder, exactly one backslash, destinationName; never normalised, so a
    // folder ending in a backslash gives two in a row.
    std::wstring destinationPath(const std::wstring& folder) const {
        return folder + L'\\' + destinationName;
    }
};
