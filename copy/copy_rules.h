// Arithmetic of the copy: how big a chunk is, where the progress bar stands
// after a number of bytes, and the rules the copy checks before it writes
// anything (the room it needs, the folder a destination needs). No system
// call: built natively too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/disk_space.h"

// The size the copy aims at for a chunk: measured under Wine on files of
// 256 MiB, a read and a write of 256 KiB to 4 MiB cost about the same and
// far less than smaller ones (4 KiB: five times the time), and two buffers
// of 1 MiB keep the program's private bytes small.
inline constexpr std::uint32_t preferredChunkSize = 1024 * 1024;

// Chunk size used when the install folder's drive reports no cluster size (a
// network path, a relative text, a drive that does not answer). 1 MiB is a
// whole number of clusters on every common volume, so writes stay cluster
// aligned.
inline constexpr std::uint32_t fallbackChunkSize = preferredChunkSize;

// The largest chunk: a drive that reports odd figures (a network file system
// gives its own) can't make the copy ask for a buffer too large to allocate.
inline constexpr std::uint32_t largestChunkSize = 4 * 1024 * 1024;

// The fewest whole clusters of the drive (bytes per sector times sectors per
// cluster, worked out in 64 bits) that hold preferredChunkSize;
// largestChunkSize when that is more; fallbackChunkSize when the drive
// reported nothing (a figure of 0). Never 0.
std::uint32_t chunkSizeOf(const DiskFreeSpace& drive);

// Position of the progress bar, 0 to 100, after `done` of `total` bytes.
// Both counts are 64-bit: done × 100 needs more than 32 bits once done passes
// about 42.9 MB, and the total of several files can pass 4 GiB. A total of 0
// (nothing but empty files) has nothing to measure: the bar stays at 0 until
// the end of the copy fills it.
constexpr int progressPosition(std::uint64_t done, std::uint64_t total) {
    if (total == 0) {
        return 0;
    }
    if (done >= total) {
        return 100;
    }
    return static_cast<int>(done * 100 / total);
}

// Every file is staged beside its destination while the old one still
// exists, so the drive must hold all the new files at once: `neededBytes` is
// the sum of the known sizes (64 bits). The kilobytes missing, rounded up
// (one byte short is 1KB); 0 when they fit.
std::uint64_t shortfallKilobytes(std::uint64_t neededBytes, std::uint64_t freeBytes);

// What the player is told when the files don't fit:
// "空き容量が足りません。あと <kilobytes>KB 必要です。", the kilobytes rounded up.
// Nothing when they fit, and nothing when the drive does not say how much is
// free (a network path, a drive that does not answer): the copy is not
// refused on a figure no one gave.
std::optional<std::wstring> roomRefusalText(std::uint64_t neededBytes, std::optional<std::uint64_t> freeBytes);

// A name as the player's boxes give it: 「<name>」.
std::wstring quotedName(const std::wstring& name);
