#include "core/digest_text.h"

std::string digestHex(const std::array<std::uint8_t, 32>& digest) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

std::wstring wideDigestHex(const std::array<std::uint8_t, 32>& digest) {
    const std::string hex = digestHex(digest);
    return std::wstring(hex.begin(), hex.end());
}
