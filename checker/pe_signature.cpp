#include "checker/pe_signature.h"

#include <cstdint>

namespace {

// A little-endian number of `size` bytes at `offset`, or nothing past the end.
bool numberAt(const std::string& bytes, std::uint64_t offset, int size, std::uint64_t& value) {
    if (offset > bytes.size() || bytes.size() - offset < static_cast<std::uint64_t>(size)) {
        return false;
    }
    value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<std::uint64_t>(i)]);
    }
    return true;
}

constexpr std::uint64_t securityDirectory = 4;

}  // namespace

bool carriesSignature(const std::string& programBytes) {
    std::uint64_t header = 0;
    std::uint64_t signature = 0;
    std::uint64_t magic = 0;
    if (programBytes.compare(0, 2, "MZ") != 0 || !numberAt(programBytes, 0x3C, 4, header) ||
        !numberAt(programBytes, header, 4, signature) || signature != 0x4550 ||
        !numberAt(programBytes, header + 24, 2, magic)) {
        return false;
    }
    // The optional header follows the 4-byte signature and the 20-byte file
    // header; its data directories start after 96 bytes (PE32) or 112 (PE32+).
    const std::uint64_t optional = header + 24;
    const std::uint64_t directories = optional + (magic == 0x20B ? 112 : 96);
    std::uint64_t count = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    if ((magic != 0x10B && magic != 0x20B) || !numberAt(programBytes, directories - 4, 4, count) ||
        count <= securityDirectory || !numberAt(programBytes, directories + securityDirectory * 8, 4, offset) ||
        !numberAt(programBytes, directories + securityDirectory * 8 + 4, 4, size)) {
        return false;
    }
    // The table's offset is a file offset, not an address in the image.
    return offset != 0 && size != 0 && offset <= programBytes.size() && size <= programBytes.size() - offset;
}
