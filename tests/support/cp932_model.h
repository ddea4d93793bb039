// A second, simple model of the double-byte rules, for the fuzz targets and
// for the check of the scans against the system's own code page 932
// functions under Wine. It first cuts a text into characters with whatever
// it is given (the code page 932 ranges written out below, or CharNextExA),
// and then answers every question on whole characters: it never steps over
// lead bytes the way the program's scans do, so the two can be compared.
// ASCII only, byte values written out: it builds with clang too, which has no
// code page 932 execution character set.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "settings/destination_rule.h"

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

    const std::string& bytes() const { return bytes_; }
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

// What the command line says of the program: the path (after an opening
// quotation mark), its folder and base name, and the byte index of the
// separator that ends the folder (npos when there is none).
struct ProgramPath {
    std::string path;
    std::size_t separator = std::string::npos;
    std::string folder;
    std::string baseName;
};

template <typename Next>
ProgramPath programPathOf(const char* commandLine, Next next) {
    const Text path(commandLine[0] == '"' ? commandLine + 1 : commandLine, next);
    ProgramPath result;
    result.path = path.bytes();
    // The last backslash before the first quotation mark.
    const std::size_t quote = path.firstOf("\"");
    for (std::size_t k = 0; k < quote; ++k) {
        if (path.isSingle(k, '\\')) {
            result.separator = path.starts()[k];
        }
    }
    std::size_t restStart = 0;
    if (result.separator != std::string::npos) {
        result.folder = result.path.substr(0, result.separator);
        restStart = result.separator + 1;
    }
    // The name runs to its first full stop or quotation mark, and is the
    // whole rest when that stop is its first character or missing.
    const Text rest(result.path.c_str() + restStart, next);
    const std::size_t stop = rest.firstOf(".\"");
    const bool cut = stop > 0 && stop < rest.starts().size();
    result.baseName = cut ? rest.bytes().substr(0, rest.starts()[stop]) : rest.bytes();
    return result;
}

// The install folder a registry value gives: one real trailing backslash
// dropped, but never from a value of three bytes or fewer ("C:\").
inline std::string installFolderOf(const Text& value) {
    const std::size_t count = value.starts().size();
    if (count > 0 && value.isSingle(count - 1, '\\') && value.bytes().size() > 3) {
        return value.bytes().substr(0, value.bytes().size() - 1);
    }
    return value.bytes();
}

// What is wrong with a destination name, each reason found on its own. The
// resolver is the plain one: both \ and / separate, empty components and "."
// are nothing, ".." goes up one folder.
struct DestinationFacts {
    bool fromRoot = false;           // the first character is a separator
    bool colon = false;              // a colon character anywhere
    bool leavesFolder = false;       // the resolver goes above the folder
    bool device = false;             // a component names a device
    bool dotsAndSpaces = false;      // a component of dots and spaces, other than "." and ".."

    bool any() const { return fromRoot || colon || leavesFolder || device || dotsAndSpaces; }
};

inline bool isDevice(const std::string& component) {
    // The name before its first full stop, trailing spaces ignored, in any
    // case. The full stop found may be a trail byte; the stem then holds its
    // lead byte and names no device, as it would if cut at a real full stop.
    std::string stem = component.substr(0, component.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    for (char& c : stem) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (stem == device) {
            return true;
        }
    }
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '0' &&
           stem[3] <= '9';
}

inline DestinationFacts destinationFactsOf(const Text& name) {
    DestinationFacts facts;
    const std::vector<std::size_t>& starts = name.starts();
    facts.fromRoot = !starts.empty() && (name.isSingle(0, '\\') || name.isSingle(0, '/'));
    facts.colon = name.firstOf(":") < starts.size();

    // Components, cut at separator characters only.
    std::vector<std::string> components(1);
    for (std::size_t k = 0; k < starts.size(); ++k) {
        if (name.isSingle(k, '\\') || name.isSingle(k, '/')) {
            components.emplace_back();
        } else {
            components.back() += name.bytes().substr(starts[k], name.lengthOf(k));
        }
    }
    long depth = 0;
    for (const std::string& component : components) {
        if (component.empty() || component == ".") {
            continue;
        }
        if (component == "..") {
            if (--depth < 0) {
                facts.leavesFolder = true;
            }
            continue;
        }
        if (component.find_first_not_of(". ") == std::string::npos) {
            facts.dotsAndSpaces = true;
        }
        // A lead byte (of any character) ends the ASCII stem: never a device.
        facts.device = facts.device || isDevice(component);
        ++depth;
    }
    return facts;
}

// Whether the reason the program's rule gives for a name is among the faults
// found here; a name the rule accepts must have none.
inline bool reasonHolds(DestinationProblem problem, const DestinationFacts& facts) {
    switch (problem) {
    case DestinationProblem::none:
        return !facts.any();
    case DestinationProblem::fromRoot:
        return facts.fromRoot;
    case DestinationProblem::driveOrStream:
        return facts.colon;
    case DestinationProblem::climbsOut:
        return facts.leavesFolder;
    case DestinationProblem::deviceName:
        return facts.device;
    case DestinationProblem::dotsAndSpacesOnly:
        return facts.dotsAndSpaces;
    }
    return false;  // a reason the rule does not name
}

}  // namespace cp932_model
