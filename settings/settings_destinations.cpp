#include "settings/settings_destinations.h"

#include <set>

#include "settings/byte_scan.h"
#include "settings/cp932_conversion.h"
#include "settings/lead_byte.h"

DestinationProblem settingsDestinationProblemOf(const std::string& name) {
    std::wstring wide;
    if (!wideFromCp932(name, wide)) {
        return DestinationProblem::notCodePage932;
    }
    return destinationProblemOf(wide);
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
    const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
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
        if (settingsDestinationProblemOf(name) != DestinationProblem::none) {
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
