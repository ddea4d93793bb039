// One file of the patch: where it is read from, the name it gets in the
// install folder, its size as found when the settings were loaded, and, when
// the program's table of digests names it, the size and SHA-256 the release
// gave it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Size of an entry whose source was missing, or 4 GiB or larger, at load
// time. Such an entry stays in the list but is neither counted nor copied.
// No file has this size (Windows counts sizes in signed 64 bits), so a file
// of 4,294,967,295 bytes is copied like any other.
inline constexpr std::uint64_t noSizeMarker = 0xFFFFFFFFFFFFFFFFull;

// Sources of this size or more are not copied: the copy counts a file's
// bytes in 32 bits.
inline constexpr std::uint64_t firstSizeNotCopied = 0x100000000ull;

// Where a destination name lands: folder, exactly one backslash, the name;
// never normalised, so a folder ending in a backslash gives two in a row,
// as the copy opens it.
inline std::wstring destinationPathIn(const std::wstring& folder, const std::wstring& destinationName) {
    return folder + L'\\' + destinationName;
}

struct PatchFileEntry {
    std::wstring sourcePath;
    std::wstring destinationName;
    std::uint64_t size = noSizeMarker;
    // Set from the table of digests: such a file must be found with exactly
    // this size and these bytes, or it is damaged.
    bool checked = false;
    std::uint64_t expectedSize = 0;
    std::array<std::uint8_t, 32> expectedDigest{};

    // Builds the entry of one "ファイル," line: the source is looked up in the
    // program folder for its size. An empty destination name means the file
    // keeps its source name.
    static PatchFileEntry fromSettingsLine(const std::wstring& programFolder,
                                           const std::wstring& sourceName,
                                           const std::wstring& destinationName);

    // Whether the copy writes this entry: its source was found, under 4 GiB.
    bool isCopied() const { return size != noSizeMarker; }

    std::wstring destinationPath(const std::wstring& folder) const { return destinationPathIn(folder, destinationName); }
};
