#include "copy/NamesInUse.h"

#include <algorithm>

#include "core/FileNames.h"
#include "core/FileProbe.h"
#include "core/path_text.h"

namespace {

bool holds(const std::vector<std::wstring>& names, const std::wstring& key) {
    const auto at = std::lower_bound(names.begin(), names.end(), key, fileNameBefore);
    return at != names.end() && sameFileName(*at, key);
}

void add(std::vector<std::wstring>& names, const std::wstring& key) {
    const auto at = std::lower_bound(names.begin(), names.end(), key, fileNameBefore);
    if (at == names.end() || !sameFileName(*at, key)) {
        names.insert(at, key);
    }
}

}  // namespace

std::wstring NamesInUse::keyOf(const std::wstring& path) {
    const std::wstring full = fullPathOf(path);
    const std::wstring key = pathIn(resolvedFolder(folderOfPath(full)), nameOfPath(full));
    const auto at = std::lower_bound(shortNames_.begin(), shortNames_.end(), key,
                                     [](const auto& name, const std::wstring& wanted) {
                                         return fileNameBefore(name.first, wanted);
                                     });
    return at != shortNames_.end() && sameFileName(at->first, key) ? at->second : key;
}

bool NamesInUse::onDisk(const std::wstring& key) const { return holds(onDisk_, key); }

bool NamesInUse::planned(const std::wstring& key) const { return holds(planned_, key); }

void NamesInUse::plan(const std::wstring& key) { add(planned_, key); }

std::wstring NamesInUse::resolvedFolder(const std::wstring& folder) {
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

void NamesInUse::list(const std::wstring& resolved) {
    for (const NameInFolder& found : namesInFolder(resolved)) {
        add(onDisk_, pathIn(resolved, found.name));
        if (!found.shortName.empty()) {
            shortNames_.emplace_back(pathIn(resolved, found.shortName), pathIn(resolved, found.name));
        }
    }
    std::sort(shortNames_.begin(), shortNames_.end(),
              [](const auto& first, const auto& second) { return fileNameBefore(first.first, second.first); });
}
