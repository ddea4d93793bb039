#include "copy/CopyPlan.h"

#include <algorithm>
#include <utility>

#include "copy/NamesInUse.h"
#include "copy/copy_rules.h"
#include "core/FileNames.h"
#include "core/FileProbe.h"
#include "core/path_text.h"

namespace {

// The first of the numbered names that neither the disk nor this plan uses.
std::wstring freeName(const std::wstring& folder, const std::wstring& destination,
                      std::wstring (*nameOf)(const std::wstring&, unsigned), NamesInUse& names) {
    for (unsigned attempt = 0;; ++attempt) {
        std::wstring name = nameOf(destination, attempt);
        const std::wstring key = names.keyOf(destinationPathIn(folder, name));
        if (!names.planned(key) && !names.onDisk(key)) {
            names.plan(key);
            return name;
        }
    }
}

// A destination as the record names it: its path below the install folder
// as the disk holds it (a short name or a name ending in a dot would
// otherwise create a second file beside the game's, and two spellings of
// one destination would be two files to the repair).
std::wstring destinationOnDisk(const std::wstring& destinationName, const std::wstring& key,
                               const std::wstring& resolvedFolder) {
    const std::wstring prefix = pathIn(resolvedFolder, std::wstring());
    const bool inside = key.size() > prefix.size() && sameFileName(key.substr(0, prefix.size()), prefix);
    return inside ? key.substr(prefix.size()) : destinationName;
}

// The destinations planned so far, each with the last planned file that
// fills it; sorted as the file system compares names.
class FilledDestinations {
public:
    // The file that filled `key` before `file` does; noEarlierFile when none.
    std::size_t fill(const std::wstring& key, std::size_t file) {
        const auto at = std::lower_bound(filled_.begin(), filled_.end(), key, [](const auto& one, const auto& name) {
            return fileNameBefore(one.first, name);
        });
        if (at != filled_.end() && sameFileName(at->first, key)) {
            return std::exchange(at->second, file);
        }
        filled_.insert(at, {key, file});
        return PlannedFile::noEarlierFile;
    }

private:
    std::vector<std::pair<std::wstring, std::size_t>> filled_;
};

}  // namespace

CopyPlan planCopy(const std::wstring& installFolder, const std::vector<PatchFileEntry>& entries) {
    CopyPlan plan{installFolder, {}, {}, 0};
    NamesInUse names;
    FilledDestinations filled;
    const std::wstring resolvedFolder = resolvedPathOf(installFolder);
    // Every destination is taken before any staged or kept name is chosen:
    // no file's staged name may be another's destination.
    for (const PatchFileEntry& entry : entries) {
        if (entry.isCopied()) {
            names.plan(names.keyOf(entry.destinationPath(installFolder)));
        }
    }
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const PatchFileEntry& entry = entries[index];
        if (!entry.isCopied()) {
            continue;
        }
        const std::wstring key = names.keyOf(entry.destinationPath(installFolder));
        const std::size_t earlier = filled.fill(key, plan.files.size());
        plan.files.push_back({index, entry.destinationName, earlier});
        JournalEntry& planned = plan.journal.entries.emplace_back();
        planned.destination = destinationOnDisk(entry.destinationName, key, resolvedFolder);
        planned.staged = freeName(installFolder, planned.destination, stagedNameOf, names);
        if (earlier != PlannedFile::noEarlierFile || names.onDisk(key)) {
            planned.kept = freeName(installFolder, planned.destination, keptNameOf, names);
        }
        plan.neededBytes += entry.size;
    }
    return plan;
}

std::optional<std::wstring> refusalBeforeWriting(const std::wstring& installFolder, const PlannedFile& file) {
    // The program runs as administrator, and a game folder may be writable
    // by every user: through a link (a junction needs no privilege) a
    // stranger could turn its moves and deletions onto any file.
    if (auto link = firstLinkBelow(installFolder, file.destinationName)) {
        return quotedName(*link) + L"はリンクのため、パッチを当てられません。";
    }
    const std::wstring folder = folderOfPath(file.destinationName);
    if (!folder.empty() && !isFolderAt(destinationPathIn(installFolder, folder))) {
        return quotedName(folder) + L"フォルダがありません。インストール先を確認してください。";
    }
    const std::wstring destination = destinationPathIn(installFolder, file.destinationName);
    // A file the user protected is not replaced, even where the file system
    // would let this program do it.
    const FoundFile found = findAt(destination);
    if (found.exists && (found.attributes & protectingAttributes) != 0) {
        return quotedName(file.destinationName) +
               L"は書き換えられない属性になっています。属性を外してから再試行してください。";
    }
    if (isOpenElsewhere(destination)) {
        return quotedName(file.destinationName) +
               L"がほかのプログラムで使用中です。そのプログラムを終了してから再試行してください。";
    }
    return std::nullopt;
}

bool stillReplaceable(const std::wstring& destinationPath, bool replaces) {
    return !replaces || (!isProtectedFile(destinationPath) && !isHeldAgainstMoving(destinationPath));
}
