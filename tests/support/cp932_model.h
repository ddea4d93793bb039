// A second, simple model of the double-byte scans of settings values, for
// the fuzz targets and for the check of the scans against the system's own
// code page 932 functions under Wine. It first cuts a text into characters with whatever
// it is given (the code page 932 ranges written out below, or CharNextExA),
// and then answers every question on whole characters: it never steps over
// lead bytes the way the program's scans do, so the two can be compared.
// ASCII only, byte values written out: it builds with clang too, which has no
// code page 932 execution character set.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace cp932_model {

// Lead bytes of code page 932 (Shift_JIS as Windows extends it), written
// out again here rather than taken from the program.
constexpr bool isLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Where the character after the one at `at` starts, by the ranges above: a
// lead byte takes the byte after it, unless that byte ends the text.
inline std::size_t nextByRanges(const char* text, std::size_t at) {
    return isLead(static_cast<unsigned char>(text[at])) && text[at + 1] != '\0' ? at + 2 : at + 1;
}

// A NUL-terminated text cut into characters.
class Text {
public:
    // `next(text, at)` gives the start of the character after the one at
    // `at`; it is never asked at the terminator.
    template <typename Next>
    Text(const char* text, Next next) : bytes_(text) {
        for (std::size_t at = 0; at < bytes_.size(); at = next(text, at)) {
            starts_.push_back(at);
        }
    }

    const std::vector<std::size_t>& starts() const { return starts_; }

    // Whether the character at starts()[k] is the single byte c. A lead byte
    // left alone at the end is no character the scans look for.
    bool isSingle(std::size_t k, char c) const {
        return lengthOf(k) == 1 && bytes_[starts_[k]] == c && !isLead(static_cast<unsigned char>(c));
    }

    std::size_t lengthOf(std::size_t k) const {
        return (k + 1 < starts_.size() ? starts_[k + 1] : bytes_.size()) - starts_[k];
    }

    // Byte positions of the characters that are the single byte c.
    std::vector<std::size_t> positionsOf(char c) const {
        std::vector<std::size_t> positions;
        for (std::size_t k = 0; k < starts_.size(); ++k) {
            if (isSingle(k, c)) {
                positions.push_back(starts_[k]);
            }
        }
        return positions;
    }

    // Index into starts() of the first character that is one of `stops`,
    // from character `from` on; starts().size() when there is none.
    std::size_t firstOf(const char* stops, std::size_t from = 0) const {
        for (std::size_t k = from; k < starts_.size(); ++k) {
            for (const char* stop = stops; *stop != '\0'; ++stop) {
                if (isSingle(k, *stop)) {
                    return k;
                }
            }
        }
        return starts_.size();
    }

private:
    std::string bytes_;
    std::vector<std::size_t> starts_;
};

}  // namespace cp932_model
