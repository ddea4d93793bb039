#include "settings/ResolvedDigestTable.h"

#include <algorithm>

#include "core/FileNames.h"
#include "core/path_text.h"
#include "settings/cp932_conversion.h"

namespace {

bool pathBefore(const std::pair<std::wstring, const DigestEntry*>& first,
                const std::pair<std::wstring, const DigestEntry*>& second) {
    return fileNameBefore(first.first, second.first);
}

}  // namespace

ResolvedDigestTable::ResolvedDigestTable(const std::vector<DigestEntry>& entries, const std::wstring& programFolder) {
    byPath_.reserve(entries.size());
    for (const DigestEntry& entry : entries) {
        std::wstring name;
        if (wideFromCp932(entry.name, name)) {
            byPath_.emplace_back(disk_.resolved(pathIn(programFolder, name)), &entry);
        }
    }
    std::sort(byPath_.begin(), byPath_.end(), pathBefore);
}

const DigestEntry* ResolvedDigestTable::entryFor(const std::wstring& sourcePath) const {
    if (byPath_.empty()) {
        return nullptr;  // no table: the path need not be resolved
    }
    const std::pair<std::wstring, const DigestEntry*> wanted{disk_.resolved(sourcePath), nullptr};
    const auto at = std::lower_bound(byPath_.begin(), byPath_.end(), wanted, pathBefore);
    return at != byPath_.end() && sameFileName(at->first, wanted.first) ? at->second : nullptr;
}
