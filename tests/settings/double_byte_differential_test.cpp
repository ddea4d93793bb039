// The double-byte scans against the system's own code page 932 functions, on
// many random byte strings drawn with a fixed seed: where each character
// starts (CharNextExA with 932, CharNextA, CharPrevA, and the conversion of
// a name to UTF-16 that the file functions make), which bytes are lead
// bytes (IsDBCSLeadByteEx with 932), and so which bytes are characters of
// their own. The settings values' scan (findChar, with the code page 932
// ranges the program uses whatever the system's code page) must find exactly
// what the system's characters say. Prints one line of what it compared.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "settings/byte_scan.h"
#include "settings/lead_byte.h"
#include "tests/support/cp932_model.h"

namespace {

constexpr WORD japanese = 932;
constexpr std::uint32_t seed = 20261210;
constexpr int stringCount = 100000;
constexpr std::size_t longestString = 64;
constexpr int failuresShown = 10;

std::size_t nextBySystem(const char* text, std::size_t at) {
    return static_cast<std::size_t>(CharNextExA(japanese, text + at, 0) - text);
}

std::size_t nextByAnsiCodePage(const char* text, std::size_t at) {
    return static_cast<std::size_t>(CharNextA(text + at) - text);
}

// Character starts found backwards from the end, one CharPrevA at a time.
std::vector<std::size_t> startsByCharPrev(const std::string& text) {
    std::vector<std::size_t> starts;
    const char* begin = text.c_str();
    const char* at = begin + text.size();
    while (at > begin) {
        const char* previous = CharPrevA(begin, at);
        if (previous >= at) {
            break;  // no step back: the starts then differ, and that is reported
        }
        at = previous;
        starts.push_back(static_cast<std::size_t>(at - begin));
    }
    std::reverse(starts.begin(), starts.end());
    return starts;
}

// Random strings of up to 64 bytes, no NUL. Half the bytes come from those
// the scans care about (separators, stops, lead bytes at the edges of their
// ranges, bytes just outside them), the other half from all 255.
class RandomStrings {
public:
    std::string next() {
        static constexpr unsigned char telling[] = {'\\', '\\', '/', '"', '.', '.', ',', ':', ' ', 'a', 'C', 'N',
                                                    0x40, 0x7E, 0x7F, 0x80, 0x81, 0x83, 0x95, 0x9F, 0xA0, 0xDF,
                                                    0xE0, 0xEF, 0xFC, 0xFD, 0xFF};
        std::string text(random_() % (longestString + 1), 'x');
        for (char& byte : text) {
            const std::uint32_t draw = random_();
            byte = static_cast<char>((draw & 1) != 0 ? telling[(draw >> 1) % sizeof telling]
                                                     : 1 + (draw >> 1) % 255);
        }
        return text;
    }

private:
    std::mt19937 random_{seed};
};

std::string hexOf(const std::string& text) {
    std::ostringstream out;
    out << std::hex;
    for (const char byte : text) {
        out << ' ' << static_cast<int>(static_cast<unsigned char>(byte));
    }
    return out.str();
}

// Whether the name, converted to UTF-16 as the system's file functions
// convert an ANSI name, has the same characters: each single ASCII byte
// stays itself (a backslash stays a separator), and each other character
// becomes one non-ASCII unit (a trail byte 0x5C is no separator there either).
bool sameCharactersWhenConverted(const std::string& text, const cp932_model::Text& system) {
    std::wstring wide(text.size() + 1, L'\0');
    const int converted = MultiByteToWideChar(japanese, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                              static_cast<int>(wide.size()));
    std::size_t count = system.starts().size();
    // A lead byte left alone at the end is no character of the name.
    if (count > 0 && system.lengthOf(count - 1) == 1 &&
        cp932_model::isLead(static_cast<unsigned char>(text[system.starts()[count - 1]]))) {
        --count;
    }
    if (converted < static_cast<int>(count)) {
        return false;
    }
    for (std::size_t k = 0; k < count; ++k) {
        const auto first = static_cast<unsigned char>(text[system.starts()[k]]);
        const bool ascii = system.lengthOf(k) == 1 && first < 0x80;
        if (ascii ? wide[k] != static_cast<wchar_t>(first) : wide[k] < 0x80) {
            return false;
        }
    }
    return true;
}

// Every position at which findChar finds c, starting it again just past
// each one, as the program's registry-value trim does.
std::vector<std::size_t> positionsByFindChar(const std::string& text, char c) {
    std::vector<std::size_t> positions;
    std::size_t from = 0;
    for (;;) {
        const int found = findChar(text.c_str() + from, c);
        if (found < 0) {
            return positions;
        }
        positions.push_back(from + static_cast<std::size_t>(found));
        from += static_cast<std::size_t>(found) + 1;
    }
}

struct Tally {
    std::size_t strings = 0;
    std::size_t bytes = 0;
    std::size_t characters = 0;
    std::size_t doubleByteCharacters = 0;
    std::size_t separators = 0;
    std::size_t comparisons = 0;
    std::size_t disagreements = 0;

    // Counts one comparison; reports the first few that fail, with the string.
    void expect(bool agrees, const char* what, const std::string& text) {
        ++comparisons;
        if (agrees) {
            return;
        }
        if (++disagreements <= failuresShown) {
            ADD_FAILURE() << what << " disagrees with the system on the bytes" << hexOf(text);
        }
    }
};

void compareString(const std::string& text, Tally& tally) {
    const cp932_model::Text system(text.c_str(), nextBySystem);
    const std::vector<std::size_t>& starts = system.starts();
    tally.strings += 1;
    tally.bytes += text.size();
    tally.characters += starts.size();
    for (std::size_t k = 0; k < starts.size(); ++k) {
        tally.doubleByteCharacters += system.lengthOf(k) == 2 ? 1 : 0;
    }

    // The system's three ways of stepping agree with each other.
    tally.expect(cp932_model::Text(text.c_str(), nextByAnsiCodePage).starts() == starts, "CharNextA", text);
    tally.expect(startsByCharPrev(text) == starts, "CharPrevA", text);
    tally.expect(sameCharactersWhenConverted(text, system), "MultiByteToWideChar", text);

    // findChar finds every character of one byte, and nothing else: looked
    // for by each byte value the string holds, this covers every character
    // start but a lead byte left alone at the end, which is no character.
    for (const unsigned char c : std::set<unsigned char>(text.begin(), text.end())) {
        const std::vector<std::size_t> expected = system.positionsOf(static_cast<char>(c));
        tally.expect(positionsByFindChar(text, static_cast<char>(c)) == expected, "findChar", text);
        if (c == '\\') {
            tally.separators += expected.size();
        }
    }
}

TEST(DoubleByteScans, LeadBytesAreTheSystems) {
    ASSERT_EQ(GetACP(), 932u) << "the ANSI code page must be 932 (LC_ALL=ja_JP.UTF-8 under Wine)";
    for (int byte = 0; byte < 256; ++byte) {
        const bool system = IsDBCSLeadByteEx(japanese, static_cast<BYTE>(byte)) != FALSE;
        EXPECT_EQ(isLeadByte(static_cast<unsigned char>(byte)), system) << "byte " << byte;
        EXPECT_EQ(cp932_model::isLead(static_cast<unsigned char>(byte)), system) << "byte " << byte;
    }
}

TEST(DoubleByteScans, ScansAgreeWithTheSystemOnRandomStrings) {
    ASSERT_EQ(GetACP(), 932u) << "the ANSI code page must be 932 (LC_ALL=ja_JP.UTF-8 under Wine)";
    RandomStrings strings;
    Tally tally;
    for (int k = 0; k < stringCount; ++k) {
        compareString(strings.next(), tally);
    }
    std::printf("double-byte scans: %zu random strings (seed %u), %zu bytes, %zu characters "
                "(%zu double-byte), %zu separator backslashes; %zu comparisons of findChar with the characters of "
                "CharNextExA(932), CharNextA, CharPrevA and MultiByteToWideChar(932): %zu disagreements\n",
                tally.strings, static_cast<unsigned>(seed), tally.bytes, tally.characters,
                tally.doubleByteCharacters, tally.separators, tally.comparisons, tally.disagreements);
    std::fflush(stdout);
    EXPECT_EQ(tally.disagreements, 0u);
}

}  // namespace
