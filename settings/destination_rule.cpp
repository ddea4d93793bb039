#include "settings/destination_rule.h"

#include <cstddef>
#include <cstring>
#include <set>

#include "settings/byte_scan.h"
#include "settings/lead_byte.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool sameLetters(const char* text, std::size_t length, const char* upperWord) {
    if (std::strlen(upperWord) != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (upperAscii(text[i]) != upperWord[i]) {
            return false;
        }
    }
    return true;
}

// Windows opens these names as devices in any folder, with any extension
// ("nul.txt"), and ignores spaces before the extension.
bool isDeviceName(const char* component, std::size_t length) {
    std::size_t stem = 0;
    while (stem < length && component[stem] != '.') {
        ++stem;
    }
    while (stem > 0 && component[stem - 1] == ' ') {
        --stem;
    }
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : devices) {
        if (sameLetters(component, stem, device)) {
            return true;
        }
    }
    if (stem == 4 && (sameLetters(component, 3, "COM") || sameLetters(component, 3, "LPT"))) {
        return component[3] >= '0' && component[3] <= '9';
    }
    return false;
}

enum class ComponentKind { plain, current, parent, dotsAndSpaces };

ComponentKind kindOf(const char* component, std::size_t length) {
    std::size_t dots = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (component[i] == '.') {
            ++dots;
        } else if (component[i] != ' ') {
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

}  // namespace

DestinationProblem destinationProblemOf(const char* name) {
    if (isSeparator(name[0])) {
        return DestinationProblem::fromRoot;
    }
    const std::size_t length = std::strlen(name);
    // Folders entered below the install folder, less the ".." met so far.
    long depth = 0;
    std::size_t start = 0;
    std::size_t i = 0;
    for (;;) {
        const bool atEnd = i >= length;
        if (atEnd || isSeparator(name[i])) {
            const char* component = name + start;
            const std::size_t componentLength = (atEnd ? length : i) - start;
            if (componentLength > 0) {
                switch (kindOf(component, componentLength)) {
                case ComponentKind::current:
                    break;
                case ComponentKind::parent:
                    if (--depth < 0) {
                        return DestinationProblem::climbsOut;
                    }
                    break;
                case ComponentKind::dotsAndSpaces:
                    return DestinationProblem::dotsAndSpacesOnly;
                case ComponentKind::plain:
                    if (isDeviceName(component, componentLength)) {
                        return DestinationProblem::deviceName;
                    }
                    ++depth;
                    break;
                }
            }
            if (atEnd) {
                return DestinationProblem::none;
            }
            start = ++i;
            continue;
        }
        if (name[i] == ':') {
            return DestinationProblem::driveOrStream;
        }
        // A lead byte takes the byte after it, which may be 0x5C; a lead
        // byte that ends the name is a byte of its own.
        i += isLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < length ? 2 : 1;
    }
}

bool namesAFolder(const std::string& name) {
    const std::string folder = folderPartOf(name);
    const std::string last = folder.empty() ? name : name.substr(folder.size() + 1);
    return last.empty() || last == "." || last == "..";
}

namespace {

// The folder components of a name, as Windows resolves them: empty and "."
// components dropped, ".." taking back the one before it.
std::vector<std::string> resolvedFoldersOf(const std::string& name) {
    const std::string folder = folderPartOf(name);
    std::vector<std::string> components;
    std::size_t start = 0;
    std::size_t i = 0;
    for (;;) {
        const bool atEnd = i >= folder.size();
        if (atEnd || isSeparator(folder[i])) {
            const std::string component = folder.substr(start, (atEnd ? folder.size() : i) - start);
            if (component == "..") {
                if (!components.empty()) {
                    components.pop_back();
                }
            } else if (!component.empty() && component != ".") {
                components.push_back(component);
            }
            if (atEnd) {
                return components;
            }
            start = ++i;
            continue;
        }
        i += isLeadByte(static_cast<unsigned char>(folder[i])) && i + 1 < folder.size() ? 2 : 1;
    }
}

}  // namespace

std::vector<std::string> foldersNeededBy(const std::vector<std::string>& destinations) {
    std::vector<std::string> folders;
    std::set<std::string> seen;
    for (const std::string& name : destinations) {
        if (!destinationStaysInside(name.c_str())) {
            continue;
        }
        std::string path;
        for (const std::string& component : resolvedFoldersOf(name)) {
            path += (path.empty() ? "" : "\\") + component;
            if (seen.insert(comparableName(path)).second) {
                folders.push_back(path);
            }
        }
    }
    return folders;
}
