#include "core/destination_rule.h"

#include <cstddef>

#include "core/ascii_fold.h"

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Characters that no Windows file name holds: the wildcards and the
// redirection and quoting characters are read as syntax by the file
// functions, the control characters are refused by them.
bool isForbidden(wchar_t c) {
    return static_cast<unsigned long>(c) < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*';
}

bool sameLetters(const wchar_t* text, std::size_t length, const wchar_t* upperWord) {
    std::size_t i = 0;
    for (; i < length && upperWord[i] != L'\0'; ++i) {
        if (upperAscii(text[i]) != upperWord[i]) {
            return false;
        }
    }
    return i == length && upperWord[i] == L'\0';
}

// Windows opens these names as devices in any folder, with any extension
// ("nul.txt"), and ignores spaces before the extension.
bool isDeviceName(const wchar_t* component, std::size_t length) {
    std::size_t stem = 0;
    while (stem < length && component[stem] != L'.') {
        ++stem;
    }
    while (stem > 0 && component[stem - 1] == L' ') {
        --stem;
    }
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* device : devices) {
        if (sameLetters(component, stem, device)) {
            return true;
        }
    }
    if (stem == 4 && (sameLetters(component, 3, L"COM") || sameLetters(component, 3, L"LPT"))) {
        return component[3] >= L'0' && component[3] <= L'9';
    }
    return false;
}

enum class ComponentKind { plain, current, parent, dotsAndSpaces };

ComponentKind kindOf(const wchar_t* component, std::size_t length) {
    std::size_t dots = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (component[i] == L'.') {
            ++dots;
        } else if (component[i] != L' ') {
            return ComponentKind::plain;
        }
    }
    if (length == 1 && dots == 1) {
        return ComponentKind::current;
    }
    if (length == 2 && dots == 2) {
        return ComponentKind::parent;
    }
    return ComponentKind::dotsAndSpaces;
}

// The problem of one component, given how deep the walk is; moves `depth`.
DestinationProblem walkComponent(const wchar_t* component, std::size_t length, long& depth) {
    if (length == 0) {
        return DestinationProblem::none;  // doubled separators collapse
    }
    switch (kindOf(component, length)) {
    case ComponentKind::current:
        return DestinationProblem::none;
    case ComponentKind::parent:
        return --depth < 0 ? DestinationProblem::climbsOut : DestinationProblem::none;
    case ComponentKind::dotsAndSpaces:
        return DestinationProblem::dotsAndSpacesOnly;
    case ComponentKind::plain:
        break;
    }
    if (isDeviceName(component, length)) {
        return DestinationProblem::deviceName;
    }
    ++depth;
    return DestinationProblem::none;
}

}  // namespace

DestinationProblem destinationProblemOf(const std::wstring& name) {
    if (!name.empty() && isSeparator(name[0])) {
        return DestinationProblem::fromRoot;
    }
    for (const wchar_t c : name) {
        if (c == L':') {
            return DestinationProblem::driveOrStream;
        }
        if (isForbidden(c)) {
            return DestinationProblem::forbiddenCharacter;
        }
    }
    // Folders entered below the install folder, less the ".." met so far.
    long depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isSeparator(name[i])) {
            continue;
        }
        const DestinationProblem problem = walkComponent(name.data() + start, i - start, depth);
        if (problem != DestinationProblem::none) {
            return problem;
        }
        start = i + 1;
    }
    return DestinationProblem::none;
}
