#include "settings/text_encoding.h"

#include <algorithm>

#include "settings/lead_byte.h"

namespace {

unsigned char byteAt(const std::string& text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

bool startsWith(const std::string& text, std::size_t at, const std::string& prefix) {
    return text.size() - std::min(at, text.size()) >= prefix.size() && text.compare(at, prefix.size(), prefix) == 0;
}

// Length of the UTF-8 sequence at i, or 0 when none is there.
std::size_t utf8SequenceAt(const std::string& bytes, std::size_t i) {
    const unsigned char first = byteAt(bytes, i);
    std::size_t length = 0;
    if (first < 0x80) {
        return 1;
    } else if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byteAt(bytes, i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // Overlong forms and surrogates are no UTF-8.
    const unsigned char second = byteAt(bytes, i + 1);
    if ((first == 0xE0 && second < 0xA0) || (first == 0xED && second >= 0xA0) || (first == 0xF0 && second < 0x90) ||
        (first == 0xF4 && second >= 0x90)) {
        return 0;
    }
    return length;
}

struct Utf8Scan {
    bool valid = true;
    bool hasThreeByteCharacter = false;  // kana and kanji are three bytes in UTF-8
    std::size_t firstNonAscii = std::string::npos;
};

Utf8Scan scanUtf8(const std::string& bytes, std::size_t from) {
    Utf8Scan scan;
    for (std::size_t i = from; i < bytes.size();) {
        const std::size_t length = utf8SequenceAt(bytes, i);
        if (length == 0) {
            scan.valid = false;
            return scan;
        }
        if (length > 1 && scan.firstNonAscii == std::string::npos) {
            scan.firstNonAscii = i;
        }
        scan.hasThreeByteCharacter = scan.hasThreeByteCharacter || length >= 3;
        i += length;
    }
    return scan;
}

// Lead bytes with no character behind them in code page 932.
bool isUnassignedLead(unsigned char byte) {
    return byte == 0x85 || byte == 0x86 || byte == 0xEB || byte == 0xEC || byte == 0xEF;
}

bool isTrailByte(unsigned char byte) { return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC); }

// Offset of the first byte that no code page 932 text holds, or npos.
std::size_t firstInvalidCodePage932(const std::string& bytes, std::size_t from) {
    for (std::size_t i = from; i < bytes.size();) {
        const unsigned char byte = byteAt(bytes, i);
        if (byte == 0x80 || byte == 0xA0 || byte >= 0xFD) {
            return i;
        }
        if (isLeadByte(byte)) {
            if (isUnassignedLead(byte) || i + 1 >= bytes.size() || !isTrailByte(byteAt(bytes, i + 1))) {
                return i;
            }
            i += 2;
        } else {
            ++i;
        }
    }
    return std::string::npos;
}

bool looksLikeUtf16(const std::string& bytes) {
    if (bytes.size() >= 2 && ((byteAt(bytes, 0) == 0xFF && byteAt(bytes, 1) == 0xFE) ||
                              (byteAt(bytes, 0) == 0xFE && byteAt(bytes, 1) == 0xFF))) {
        return true;
    }
    // Without a mark: ASCII in UTF-16 is every other byte zero.
    const auto zeros = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\0'));
    return bytes.size() >= 2 && zeros * 4 >= bytes.size();
}

}  // namespace

int lineOfOffset(const std::string& bytes, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++line;
        }
    }
    return line;
}

EncodingCheck checkEncoding(const std::string& bytes) {
    if (looksLikeUtf16(bytes)) {
        return {TextEncoding::utf16, 1};
    }
    if (startsWith(bytes, 0, "\xEF\xBB\xBF")) {
        return {scanUtf8(bytes, 3).valid ? TextEncoding::utf8WithBom : TextEncoding::bomOnCodePage932, 1};
    }
    const Utf8Scan utf8 = scanUtf8(bytes, 0);
    const std::size_t invalid = firstInvalidCodePage932(bytes, 0);
    // Half-width katakana pairs can pass for UTF-8 by chance; kana and kanji
    // in UTF-8 take three bytes each.
    if (utf8.valid && utf8.firstNonAscii != std::string::npos &&
        (utf8.hasThreeByteCharacter || invalid != std::string::npos)) {
        return {TextEncoding::utf8WithoutBom, lineOfOffset(bytes, utf8.firstNonAscii)};
    }
    if (invalid != std::string::npos) {
        return {TextEncoding::notCodePage932, lineOfOffset(bytes, invalid)};
    }
    return {TextEncoding::codePage932, 0};
}

bool wideFromUtf8(const std::string& bytes, std::wstring& wide) {
    wide.clear();
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = utf8SequenceAt(bytes, i);
        if (length == 0) {
            return false;
        }
        static constexpr unsigned char leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t code = byteAt(bytes, i) & leadMask[length];
        for (std::size_t k = 1; k < length; ++k) {
            code = (code << 6) | (byteAt(bytes, i + k) & 0x3F);
        }
        if (code >= 0x10000 && sizeof(wchar_t) == 2) {  // Windows: a surrogate pair
            code -= 0x10000;
            wide += static_cast<wchar_t>(0xD800 + (code >> 10));
            wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(code);
        }
        i += length;
    }
    return true;
}

std::size_t firstNonUtf8Offset(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = utf8SequenceAt(bytes, i);
        if (length == 0) {
            return i;
        }
        i += length;
    }
    return std::string::npos;
}
