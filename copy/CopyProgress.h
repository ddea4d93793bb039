// Arithmetic of the copy's progress: how big a chunk is when the drive does
// not say, and where the bar stands after a number of bytes.
#pragma once

#include <cstdint>

// Chunk size used when the install folder's drive reports no cluster size (a
// network path, a relative text, a drive that does not answer). 64 KiB is a
// whole number of clusters on every common volume, so writes stay cluster
// aligned, and it keeps the number of round trips on a network share low.
inline constexpr std::uint32_t fallbackChunkSize = 64 * 1024;

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
