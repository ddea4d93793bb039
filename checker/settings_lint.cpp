#include "checker/settings_lint.h"

#include <algorithm>
#include <cstring>

#include "settings/byte_scan.h"
#include "settings/lead_byte.h"

namespace {

unsigned char byteAt(const std::string& text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

bool startsWith(const std::string& text, std::size_t at, const std::string& prefix) {
    return text.size() - std::min(at, text.size()) >= prefix.size() && text.compare(at, prefix.size(), prefix) == 0;
}

// --- Encodings -------------------------------------------------------------

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

// --- Lines -------------------------------------------------------------------

constexpr SettingsKey allKeys[] = {SettingsKey::caption, SettingsKey::title, SettingsKey::company,
                                   SettingsKey::executableName, SettingsKey::file};

const std::string fullWidthSpace = "　";
const std::string fullWidthComma = "，";
const std::string ideographicComma = "、";

// Index just past the spaces, tabs and full-width spaces that start the line.
std::size_t afterLeadingSpace(const std::string& line) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
        } else if (startsWith(line, i, fullWidthSpace)) {
            i += fullWidthSpace.size();
        } else {
            break;
        }
    }
    return i;
}

// The key whose name (without comma) starts the text at `at`; the longest
// such name wins, so "実行ファイル" is not taken for something else.
SettingsKey keyNameAt(const std::string& text, std::size_t at) {
    SettingsKey found = SettingsKey::none;
    std::size_t foundLength = 0;
    for (const SettingsKey key : allKeys) {
        const std::string name = keyName(key);
        if (name.size() > foundLength && startsWith(text, at, name)) {
            found = key;
            foundLength = name.size();
        }
    }
    return found;
}

// A text cut into its characters: one byte, or a lead byte with its trail.
std::vector<std::string> charactersOf(const std::string& text) {
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = isLeadByte(byteAt(text, i)) && i + 1 < text.size() ? 2 : 1;
        std::string character = text.substr(i, length);
        if (length == 1) {
            character[0] = upperAscii(character[0]);
        }
        characters.push_back(character);
        i += length;
    }
    return characters;
}

// Edit distance in characters, letters compared without case; anything
// above `limit` counts as limit + 1.
std::size_t editDistance(const std::string& aText, const std::string& bText, std::size_t limit) {
    const std::vector<std::string> a = charactersOf(aText);
    const std::vector<std::string> b = charactersOf(bText);
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) {
        return limit + 1;
    }
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return std::min(previous[b.size()], limit + 1);
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

int lineOfTextHiddenByCtrlZ(const std::string& bytes) {
    const std::size_t ctrlZ = bytes.find('\x1A');
    if (ctrlZ == std::string::npos) {
        return 0;
    }
    const bool moreText =
        bytes.find_first_not_of(std::string("\x1A\r\n \t", 5), ctrlZ) != std::string::npos;
    return moreText ? lineOfOffset(bytes, ctrlZ) : 0;
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

std::string keyName(SettingsKey key) {
    const std::string text = keyText(key);
    return text.empty() ? text : text.substr(0, text.size() - 1);
}

LineLookCheck lookOfLine(const std::string& wholeLine) {
    // The program sees a line up to its first NUL byte.
    const std::string line(wholeLine.c_str());
    if (line.empty() || line[0] == ';') {
        return {};
    }
    const std::size_t start = afterLeadingSpace(line);
    if (start == line.size()) {
        return {};
    }
    if (start > 0) {
        const std::string rest = line.substr(start);
        if (rest[0] == ';') {
            return {};  // an indented comment
        }
        std::string value;
        SettingsKey key = keyOfLine(rest, value);
        if (key == SettingsKey::none) {
            const LineLookCheck inner = lookOfLine(rest);
            key = inner.look == LineLook::unknown ? SettingsKey::none : inner.key;
        }
        if (key != SettingsKey::none) {
            return {LineLook::leadingSpace, key};
        }
        return {LineLook::unknown, SettingsKey::none};
    }
    // Keys typed in half-width katakana are other bytes altogether.
    const struct {
        const char* name;
        SettingsKey key;
    } halfWidthNames[] = {
        {"ｷｬﾌﾟｼｮﾝ", SettingsKey::caption},
        {"ﾀｲﾄﾙ", SettingsKey::title},
        {"実行ﾌｧｲﾙ", SettingsKey::executableName},
        {"ﾌｧｲﾙ", SettingsKey::file},
    };
    for (const auto& halfWidth : halfWidthNames) {
        if (startsWith(line, 0, halfWidth.name)) {
            return {LineLook::misspeltKey, halfWidth.key};
        }
    }
    const SettingsKey named = keyNameAt(line, 0);
    if (named != SettingsKey::none) {
        const std::size_t after = keyName(named).size();
        if (startsWith(line, after, fullWidthComma) || startsWith(line, after, ideographicComma)) {
            return {LineLook::fullWidthComma, named};
        }
        return {LineLook::keyWithoutComma, named};
    }
    const std::size_t comma = firstCommaOf(line);
    if (comma != std::string::npos && comma > 0) {
        const std::string head = line.substr(0, comma);
        // The nearest key within one character (two for the long names).
        SettingsKey nearest = SettingsKey::none;
        std::size_t nearestDistance = 3;
        for (const SettingsKey key : allKeys) {
            const std::string name = keyName(key);
            const std::size_t limit = charactersOf(name).size() >= 6 ? 2 : 1;
            const std::size_t distance = editDistance(head, name, limit);
            if (distance <= limit && distance < nearestDistance) {
                nearest = key;
                nearestDistance = distance;
            }
        }
        if (nearest != SettingsKey::none) {
            return {LineLook::misspeltKey, nearest};
        }
    }
    return {LineLook::unknown, SettingsKey::none};
}

bool sameDestination(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (isLeadByte(byteAt(a, i)) && i + 1 < a.size()) {
            // A double-byte character matches only itself; its trail byte
            // may look like a letter.
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
            continue;
        }
        const char x = a[i] == '/' ? '\\' : upperAscii(a[i]);
        const char y = b[i] == '/' ? '\\' : upperAscii(b[i]);
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool hasWildcard(const std::string& name) {
    return findChar(name.c_str(), '*') >= 0 || findChar(name.c_str(), '?') >= 0;
}

bool holdsCharacter(const std::string& text, const std::string& character) {
    const std::vector<std::string> characters = charactersOf(text);
    return std::find(characters.begin(), characters.end(), character) != characters.end();
}

bool endsWithCharacter(const std::string& text, const std::string& character) {
    const std::vector<std::string> characters = charactersOf(text);
    return !characters.empty() && characters.back() == character;
}

std::string closestName(const std::string& name, const std::vector<std::string>& candidates) {
    std::string best;
    std::size_t bestDistance = 3;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = editDistance(name, candidate, 2);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}
