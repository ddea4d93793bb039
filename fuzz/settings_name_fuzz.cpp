// A settings name over any bytes: its conversion from code page 932 to
// UTF-16, then the destination rule of "ファイル," lines on what it converts to.
//
// The conversion: a lead byte with no trail byte after it (the name ends, or
// the next byte is no trail byte) is a pair code page 932 lacks, and the
// name must not convert; an ASCII-only name always converts; a converted
// name has one unit per character, each ASCII byte stays itself and every
// other character becomes a non-ASCII unit, so a trail byte 0x5C (ソ is
// 83 5C) never turns into a separator.
//
// The rule: a second, plain resolver here cuts the wide name at \ and / and
// walks the components from the install folder. A name the rule accepts must
// stay inside the folder and have none of the other faults the rule names; a
// name it refuses must have the fault the rule gives as the reason. The
// verdict is the same with / for every \ separator: both separate.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "settings/cp932_conversion.h"
#include "core/destination_rule.h"
#include "tests/support/cp932_model.h"

namespace {

// Trail bytes of code page 932, written out here like the lead bytes in
// cp932_model.h.
bool isTrail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

// The characters of the bytes by the code page 932 ranges: their lengths in
// bytes, and whether a lead byte stands without a trail byte.
struct ByteCharacters {
    std::vector<std::size_t> lengths;
    bool missingTrail = false;
};

ByteCharacters byteCharactersOf(const std::string& bytes) {
    ByteCharacters characters;
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (cp932_model::isLead(byte)) {
            if (at + 1 == bytes.size() || !isTrail(static_cast<unsigned char>(bytes[at + 1]))) {
                characters.missingTrail = true;
                return characters;
            }
            characters.lengths.push_back(2);
            at += 2;
        } else {
            characters.lengths.push_back(1);
            at += 1;
        }
    }
    return characters;
}

void checkConversion(const std::string& bytes, bool converted, const std::wstring& wide) {
    const ByteCharacters characters = byteCharactersOf(bytes);
    if (characters.missingTrail) {
        FUZZ_REQUIRE(!converted);
        return;
    }
    bool asciiOnly = true;
    for (const char byte : bytes) {
        asciiOnly = asciiOnly && static_cast<unsigned char>(byte) < 0x80;
    }
    if (asciiOnly) {
        FUZZ_REQUIRE(converted);
    }
    if (!converted) {
        return;  // an unassigned pair or single byte: nothing more to say
    }
    FUZZ_REQUIRE(wide.size() == characters.lengths.size());
    std::size_t at = 0;
    for (std::size_t k = 0; k < wide.size(); ++k) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto unit = static_cast<unsigned long>(wide[k]);
        if (characters.lengths[k] == 1 && first < 0x80) {
            FUZZ_REQUIRE(unit == first);
        } else {
            FUZZ_REQUIRE(unit >= 0x80);
        }
        at += characters.lengths[k];
    }
}

// What is wrong with a destination name, each fault found on its own. The
// resolver is the plain one: both \ and / separate, empty components and "."
// are nothing, ".." goes up one folder.
struct DestinationFaults {
    bool fromRoot = false;       // the first character is a separator
    bool colon = false;          // a colon anywhere
    bool forbidden = false;      // U+0000-U+001F or < > " | ? * anywhere
    bool leavesFolder = false;   // the walk goes above the folder
    bool device = false;         // a component names a device
    bool dotsAndSpaces = false;  // a component of dots and spaces, other than "." and ".."

    bool any() const { return fromRoot || colon || forbidden || leavesFolder || device || dotsAndSpaces; }
};

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The name before its first full stop, trailing spaces ignored, in any case
// (ASCII letters only): CON, PRN, AUX, NUL, CONIN$, CONOUT$, CLOCK$, or COM
// or LPT with one digit.
bool isDevice(const std::wstring& component) {
    std::wstring stem = component.substr(0, component.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') {
        stem.pop_back();
    }
    for (wchar_t& c : stem) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"}) {
        if (stem == device) {
            return true;
        }
    }
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'0' && stem[3] <= L'9';
}

DestinationFaults faultsOf(const std::wstring& name) {
    DestinationFaults faults;
    faults.fromRoot = !name.empty() && isSeparator(name[0]);
    std::vector<std::wstring> components(1);
    for (const wchar_t c : name) {
        faults.colon = faults.colon || c == L':';
        faults.forbidden = faults.forbidden || static_cast<unsigned long>(c) < 0x20 ||
                           std::wstring(L"<>\"|?*").find(c) != std::wstring::npos;
        if (isSeparator(c)) {
            components.emplace_back();
        } else {
            components.back() += c;
        }
    }
    long depth = 0;
    for (const std::wstring& component : components) {
        if (component.empty() || component == L".") {
            continue;
        }
        if (component == L"..") {
            faults.leavesFolder = faults.leavesFolder || --depth < 0;
            continue;
        }
        faults.dotsAndSpaces = faults.dotsAndSpaces || component.find_first_not_of(L". ") == std::wstring::npos;
        faults.device = faults.device || isDevice(component);
        ++depth;
    }
    return faults;
}

// Whether the reason the rule gives is among the faults found here; a name
// the rule accepts must have none.
bool reasonHolds(DestinationProblem problem, const DestinationFaults& faults) {
    switch (problem) {
    case DestinationProblem::none:
        return !faults.any();
    case DestinationProblem::fromRoot:
        return faults.fromRoot;
    case DestinationProblem::driveOrStream:
        return faults.colon;
    case DestinationProblem::climbsOut:
        return faults.leavesFolder;
    case DestinationProblem::deviceName:
        return faults.device;
    case DestinationProblem::dotsAndSpacesOnly:
        return faults.dotsAndSpaces;
    case DestinationProblem::forbiddenCharacter:
        return faults.forbidden;
    case DestinationProblem::notCodePage932:
        return false;  // only for names as bytes: a converted name never has it
    }
    return false;  // a reason the rule does not name
}

std::wstring separatorsSwapped(std::wstring name) {
    for (wchar_t& c : name) {
        if (c == L'\\') {
            c = L'/';
        } else if (c == L'/') {
            c = L'\\';
        }
    }
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The whole input, NUL bytes included: the name is a count of bytes.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::wstring name;
    const bool converted = wideFromCp932(bytes, name);
    checkConversion(bytes, converted, name);
    if (!converted) {
        return 0;
    }

    const DestinationProblem problem = destinationProblemOf(name);
    FUZZ_REQUIRE(destinationStaysInside(name) == (problem == DestinationProblem::none));
    FUZZ_REQUIRE(reasonHolds(problem, faultsOf(name)));
    FUZZ_REQUIRE(destinationProblemOf(separatorsSwapped(name)) == problem);
    return 0;
}
