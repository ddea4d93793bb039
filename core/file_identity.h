// Who a file is, as Windows tells it from an open handle: the volume's
// serial number and the file's index on it, with its size and time of last
// write. The same file keeps all four through a rename; another file at the
// same name differs in its index, and on a file system whose indexes are
// not kept for ever (FAT) most likely in its size or time. No system call:
// built natively too.
#pragma once

#include <cstdint>

struct FileIdentity {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;  // FILETIME as one number

    bool operator==(const FileIdentity&) const = default;
};
