#include "copy/CopyTransaction.h"

#include <algorithm>

#include "copy/NamesInUse.h"
#include "core/FileNames.h"
#include "core/FileProbe.h"
#include "core/path_text.h"

namespace {

std::wstring inFolder(const std::wstring& folder, const std::wstring& name) { return folder + L'\\' + name; }

// The first of the numbered names that neither the disk nor this plan uses.
std::wstring freeName(const std::wstring& folder, const std::wstring& destination,
                      std::wstring (*nameOf)(const std::wstring&, unsigned), NamesInUse& names) {
    for (unsigned attempt = 0;; ++attempt) {
        std::wstring name = nameOf(destination, attempt);
        const std::wstring key = names.keyOf(inFolder(folder, name));
        if (!names.planned(key) && !names.onDisk(key)) {
            names.plan(key);
            return name;
        }
    }
}

std::vector<PlannedPaths> pathsOf(const std::wstring& folder, const Journal& journal) {
    std::vector<PlannedPaths> paths;
    paths.reserve(journal.entries.size());
    for (const JournalEntry& entry : journal.entries) {
        paths.push_back({inFolder(folder, entry.destination), inFolder(folder, entry.staged),
                         entry.replaces() ? inFolder(folder, entry.kept) : std::wstring()});
    }
    return paths;
}

bool moveFile(const std::wstring& from, const std::wstring& to) {
    // Never over a file: a name found taken is a failure, not a loss.
    return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

// Only a file is ever staged or kept: a folder that took one of those names
// meanwhile is someone else's, and is never moved or deleted.
bool deleteFileIfThere(const std::wstring& path) { return !isFileAt(path) || DeleteFileW(path.c_str()) != 0; }

// One file back as it was, judged by what is on the disk, so that it holds
// wherever the run stopped: a kept file still there means the old content
// was moved aside and goes back; a new destination whose staged file is gone
// was moved into place by this run.
bool restore(const PlannedPaths& file) {
    if (!file.kept.empty()) {
        if (isFileAt(file.kept) && (!deleteFileIfThere(file.destination) || !moveFile(file.kept, file.destination))) {
            return false;
        }
    } else if (!isFileAt(file.staged) && !deleteFileIfThere(file.destination)) {
        return false;
    }
    return deleteFileIfThere(file.staged);
}

// In reverse order, so that a destination listed twice gets back what the
// first of its entries found there. Every file is tried even after a
// failure: what can be put back is.
bool restoreAll(const std::vector<PlannedPaths>& paths) {
    bool restored = true;
    for (auto file = paths.rbegin(); file != paths.rend(); ++file) {
        restored = restore(*file) && restored;
    }
    return restored;
}

// After a complete commit: the kept files (up to `keptLimit` of them) and,
// when `stagedMayRemain` (a run stopped before it cleaned up), any staged file
// left are deleted. True when none is left.
bool removeLeftovers(const std::vector<PlannedPaths>& paths, std::size_t keptLimit, bool stagedMayRemain) {
    bool removed = true;
    std::size_t deleted = 0;
    for (const PlannedPaths& file : paths) {
        if (!file.kept.empty() && isFileAt(file.kept)) {
            if (deleted == keptLimit) {
                return false;
            }
            ++deleted;
            removed = DeleteFileW(file.kept.c_str()) != 0 && removed;
        }
        if (stagedMayRemain) {
            removed = deleteFileIfThere(file.staged) && removed;
        }
    }
    return removed;
}

}  // namespace

CopyTransaction::CopyTransaction(const std::wstring& installFolder, const std::wstring& recordsKey)
    : folder_(installFolder), recordsKey_(recordsKey) {}

namespace {

// A destination as the journal names it: the last name as the disk holds
// it when the disk has the file (a short name or a name ending in a dot
// would otherwise create a second file beside the game's).
std::wstring destinationOnDisk(const std::wstring& destinationName, const std::wstring& key) {
    const std::wstring folder = folderOfPath(destinationName);
    return folder.empty() ? nameOfPath(key) : pathIn(folder, nameOfPath(key));
}

// One journal entry for each entry copied, in list order. The names in use
// are let go before the paths are worked out: with a thousand files both
// are large, and the copy's peak memory is their sum otherwise.
Journal plannedJournal(const std::wstring& folder, const std::vector<PatchFileEntry>& files) {
    Journal journal;
    NamesInUse names;
    NamesInUse earlier;  // the destinations of the entries planned so far
    for (const PatchFileEntry& entry : files) {
        if (entry.isCopied()) {
            names.plan(names.keyOf(entry.destinationPath(folder)));
        }
    }
    for (const PatchFileEntry& entry : files) {
        if (!entry.isCopied()) {
            continue;
        }
        const std::wstring destination = names.keyOf(entry.destinationPath(folder));
        JournalEntry planEntry{destinationOnDisk(entry.destinationName, destination), std::wstring(),
                               std::wstring()};
        const bool replaces = earlier.planned(destination) || names.onDisk(destination);
        earlier.plan(destination);
        planEntry.staged = freeName(folder, planEntry.destination, stagedNameOf, names);
        if (replaces) {
            planEntry.kept = freeName(folder, planEntry.destination, keptNameOf, names);
        }
        journal.entries.push_back(planEntry);
    }
    return journal;
}

}  // namespace

void CopyTransaction::plan(const std::vector<PatchFileEntry>& files) {
    journal_ = plannedJournal(folder_, files);
    paths_ = pathsOf(folder_, journal_);
}

namespace {

// The first link on the way to any name of `journal`'s entries.
std::optional<std::wstring> firstLinkOf(const std::wstring& folder, const Journal& journal) {
    for (const JournalEntry& entry : journal.entries) {
        for (const std::wstring* name : {&entry.destination, &entry.staged, &entry.kept}) {
            if (auto link = firstLinkBelow(folder, *name)) {
                return link;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::wstring> CopyTransaction::firstLink() const { return firstLinkOf(folder_, journal_); }

bool CopyTransaction::writeJournal() {
    // Composed before the record exists: memory running out here must not
    // leave a record cut short.
    const std::wstring text = journalText(journal_);
    return record_.create(recordsKey_, folder_, text);
}

std::size_t CopyTransaction::commitStepCount() const {
    std::size_t steps = 0;
    for (const PlannedPaths& file : paths_) {
        steps += file.kept.empty() ? 1 : 2;
    }
    return steps;
}

bool CopyTransaction::commit(std::size_t stepLimit) {
    std::size_t steps = 0;
    for (const PlannedPaths& file : paths_) {
        if (!file.kept.empty()) {
            if (steps++ == stepLimit) {
                return true;
            }
            if (!moveFile(file.destination, file.kept)) {
                return false;
            }
        }
        if (steps++ == stepLimit) {
            return true;
        }
        if (!moveFile(file.staged, file.destination)) {
            return false;
        }
    }
    return true;
}

bool CopyTransaction::complete(std::size_t keptLimit) {
    if (!record_.append(journalCommittedLine)) {
        return false;
    }
    journal_.committed = true;
    // A kept file that can't be deleted leaves the record for the next
    // start, which deletes what is left; the files are in place either way.
    // Every staged file was moved into place by the commit.
    if (removeLeftovers(paths_, keptLimit, false)) {
        record_.remove();
    }
    return true;
}

bool CopyTransaction::rollBack() { return restoreAll(paths_) && record_.remove(); }

namespace {

RunRepair repairStoredRun(const std::wstring& recordsKey, const StoredRun& run) {
    RunRepair repair{JournalRepair::none, run.folder, storedRunPlace(recordsKey, run.name), std::wstring()};
    if (run.folder.empty()) {
        // Cut short while it was written, before the first change.
        removeStoredRun(recordsKey, run.name);
        return repair;
    }
    Journal journal;
    if (readJournal(run.text, journal) != JournalReading::followed) {
        repair.outcome = JournalRepair::unreadable;
        return repair;
    }
    if (auto link = firstLinkOf(run.folder, journal)) {
        repair.outcome = JournalRepair::throughLink;
        repair.link = *link;
        return repair;
    }
    const std::vector<PlannedPaths> paths = pathsOf(run.folder, journal);
    if (journal.committed) {
        repair.outcome = removeLeftovers(paths, SIZE_MAX, true) && removeStoredRun(recordsKey, run.name)
                             ? JournalRepair::completed
                             : JournalRepair::failed;
    } else {
        repair.outcome = restoreAll(paths) && removeStoredRun(recordsKey, run.name) ? JournalRepair::restored
                                                                                     : JournalRepair::failed;
    }
    return repair;
}

}  // namespace

std::vector<RunRepair> repairStoppedRuns(const std::wstring& recordsKey) {
    std::vector<RunRepair> repairs;
    for (const StoredRun& run : storedRuns(recordsKey)) {
        repairs.push_back(repairStoredRun(recordsKey, run));
    }
    return repairs;
}

std::vector<RunRepair> repairStoppedRunsIn(const std::wstring& recordsKey, const std::wstring& installFolder) {
    std::vector<RunRepair> repairs;
    const std::wstring folder = resolvedPathOf(installFolder);
    for (const StoredRun& run : storedRuns(recordsKey)) {
        if (!run.folder.empty() && sameFileName(resolvedPathOf(run.folder), folder)) {
            repairs.push_back(repairStoredRun(recordsKey, run));
        }
    }
    return repairs;
}
