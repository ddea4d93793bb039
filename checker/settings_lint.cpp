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

int lineOfTextHiddenByCtrlZ(const std::string& bytes) {
    const std::size_t ctrlZ = bytes.find('\x1A');
    if (ctrlZ == std::string::npos) {
        return 0;
    }
    const bool moreText =
        bytes.find_first_not_of(std::string("\x1A\r\n \t", 5), ctrlZ) != std::string::npos;
    return moreText ? lineOfOffset(bytes, ctrlZ) : 0;
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
