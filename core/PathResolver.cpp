#include "core/PathResolver.h"

#include <algorithm>

#include "core/FileNames.h"
#include "core/FileProbe.h"
#include "core/path_text.h"

bool sortedNamesHold(const std::vector<std::wstring>& names, const std::wstring& name) {
    const auto at = std::lower_bound(names.begin(), names.end(), name, fileNameBefore);
    return at != names.end() && sameFileName(*at, name);
}

void addToSortedNames(std::vector<std::wstring>& names, const std::wstring& name) {
    const auto at = std::lower_bound(names.begin(), names.end(), name, fileNameBefore);
    if (at == names.end() || !sameFileName(*at, name)) {
        names.insert(at, name);
    }
}

std::wstring PathResolver::resolved(const std::wstring& path) {
    const std::wstring full = fullPathOf(path);
    const std::wstring key = pathIn(resolvedFolder(folderOfPath(full)), nameOfPath(full));
    const auto at = std::lower_bound(shortNames_.begin(), shortNames_.end(), key,
                                     [](const auto& name, const std::wstring& wanted) {
                                         return fileNameBefore(name.first, wanted);
                                     });
    return at != shortNames_.end() && sameFileName(at->first, key) ? at->second : key;
}

bool PathResolver::listed(const std::wstring& resolvedPath) const { return sortedNamesHold(onDisk_, resolvedPath); }

std::wstring PathResolver::resolvedFolder(const std::wstring& folder) {
    for (const auto& [given, resolved] : folders_) {
        if (given == folder) {
            return resolved;
        }
    }
    std::wstring resolved = resolvedPathOf(folder);
    const bool listed = std::any_of(folders_.begin(), folders_.end(),
                                    [&](const auto& known) { return sameFileName(known.second, resolved); });
    if (!listed) {
        list(resolved);
    }
    folders_.emplace_back(folder, std::move(resolved));
    return folders_.back().second;
}

void PathResolver::list(const std::wstring& resolved) {
    for (const NameInFolder& found : namesInFolder(resolved)) {
        addToSortedNames(onDisk_, pathIn(resolved, found.name));
        if (!found.shortName.empty()) {
            shortNames_.emplace_back(pathIn(resolved, found.shortName), pathIn(resolved, found.name));
        }
    }
    std::sort(shortNames_.begin(), shortNames_.end(),
              [](const auto& first, const auto& second) { return fileNameBefore(first.first, second.first); });
}
