#include "copy/CopyTransaction.h"

#include <algorithm>

#include "core/FileProbe.h"

namespace {

std::wstring inFolder(const std::wstring& folder, const std::wstring& name) { return folder + L'\\' + name; }

// The names in use in the folders a plan writes to, each folder listed once,
// compared as the file system compares them (whole paths, "." and ".."
// resolved, letters without case). Asking the disk about every candidate
// name instead costs, under Wine, a scan of the whole folder for each name
// that is not there: with a thousand files, seconds.
// A path as the file system compares it: whole, "." and ".." resolved, the
// letters without case.
std::wstring comparedForm(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(length < full.size() ? length : 0);
    if (full.empty()) {
        full = path;
    }
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    return full;
}

class NamesInUse {
public:
    bool onDisk(const std::wstring& path) {
        const std::wstring key = keyOf(path);
        listFolderOf(key);
        return holds(onDisk_, key);
    }
    bool planned(const std::wstring& path) const { return holds(planned_, keyOf(path)); }
    void plan(const std::wstring& path) { add(planned_, keyOf(path)); }

private:
    static std::wstring keyOf(const std::wstring& path) { return comparedForm(path); }

    // Sorted vectors rather than sets: the same lookups, less code in the
    // shipped program.
    using SortedNames = std::vector<std::wstring>;

    static bool holds(const SortedNames& names, const std::wstring& key) {
        const auto at = std::lower_bound(names.begin(), names.end(), key);
        return at != names.end() && *at == key;
    }
    static bool add(SortedNames& names, const std::wstring& key) {
        const auto at = std::lower_bound(names.begin(), names.end(), key);
        if (at != names.end() && *at == key) {
            return false;
        }
        names.insert(at, key);
        return true;
    }

    void listFolderOf(const std::wstring& key) {
        const std::wstring folder = key.substr(0, key.rfind(L'\\'));
        if (!add(listed_, folder)) {
            return;
        }
        WIN32_FIND_DATAW found;
        FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
        if (!search.valid()) {
            return;
        }
        do {
            std::wstring name = found.cFileName;
            CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
            add(onDisk_, folder + L'\\' + name);
        } while (FindNextFileW(search.get(), &found));
    }

    SortedNames listed_;
    SortedNames onDisk_;
    SortedNames planned_;
};

// The first of the numbered names that neither the disk nor this plan uses.
std::wstring freeName(const std::wstring& folder, const std::wstring& destination,
                      std::wstring (*nameOf)(const std::wstring&, unsigned), NamesInUse& names) {
    for (unsigned attempt = 0;; ++attempt) {
        std::wstring name = nameOf(destination, attempt);
        const std::wstring path = inFolder(folder, name);
        if (!names.planned(path) && !names.onDisk(path)) {
            names.plan(path);
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

// What a repair did and where it stopped.
struct RepairSteps {
    bool changed = false;  // a game file was put back or a file the run made deleted
    const std::wstring* blocked = nullptr;  // the first path that could not be moved or deleted

    bool failedAt(const std::wstring& path) {
        if (blocked == nullptr) {
            blocked = &path;
        }
        return false;
    }
};

// One file back as it was, judged by what is on the disk, so that it holds
// wherever the run stopped: a kept file still there means the old content
// was moved aside and goes back; a new destination whose staged file is gone
// was moved into place by this run.
bool restore(const PlannedPaths& file, RepairSteps& steps) {
    if (!file.kept.empty()) {
        if (isFileAt(file.kept)) {
            if (!deleteFileIfThere(file.destination)) {
                return steps.failedAt(file.destination);
            }
            if (!moveFile(file.kept, file.destination)) {
                return steps.failedAt(file.kept);
            }
            steps.changed = true;
        }
    } else if (!isFileAt(file.staged) && isFileAt(file.destination)) {
        if (DeleteFileW(file.destination.c_str()) == 0) {
            return steps.failedAt(file.destination);
        }
        steps.changed = true;
    }
    return deleteFileIfThere(file.staged) || steps.failedAt(file.staged);
}

// In reverse order, so that a destination listed twice gets back what the
// first of its entries found there. Every file is tried even after a
// failure: what can be put back is.
bool restoreAll(const std::vector<PlannedPaths>& paths, RepairSteps& steps) {
    bool restored = true;
    for (auto file = paths.rbegin(); file != paths.rend(); ++file) {
        restored = restore(*file, steps) && restored;
    }
    return restored;
}

// After a complete commit: the kept files (up to `keptLimit` of them) and,
// when `stagedMayRemain` (a run stopped before it cleaned up), any staged file
// left are deleted. True when none is left.
bool removeLeftovers(const std::vector<PlannedPaths>& paths, std::size_t keptLimit, bool stagedMayRemain,
                     RepairSteps& steps) {
    bool removed = true;
    std::size_t deleted = 0;
    for (const PlannedPaths& file : paths) {
        if (!file.kept.empty() && isFileAt(file.kept)) {
            if (deleted == keptLimit) {
                return false;
            }
            ++deleted;
            removed = (DeleteFileW(file.kept.c_str()) != 0 || steps.failedAt(file.kept)) && removed;
        }
        if (stagedMayRemain) {
            removed = (deleteFileIfThere(file.staged) || steps.failedAt(file.staged)) && removed;
        }
    }
    return removed;
}

}  // namespace

CopyTransaction::CopyTransaction(const std::wstring& installFolder, const std::wstring& recordsKey)
    : folder_(installFolder), recordsKey_(recordsKey) {}

namespace {

// One journal entry for each entry with a known size, in list order. The
// names in use are let go before the paths are worked out: with a thousand
// files both are large, and the copy's peak memory is their sum otherwise.
Journal plannedJournal(const std::wstring& folder, const std::vector<PatchFileEntry>& files) {
    Journal journal;
    NamesInUse names;
    NamesInUse earlier;  // the destinations of the entries planned so far
    for (const PatchFileEntry& entry : files) {
        if (entry.size != noSizeMarker) {
            names.plan(entry.destinationPath(folder));
        }
    }
    for (const PatchFileEntry& entry : files) {
        if (entry.size == noSizeMarker) {
            continue;
        }
        const std::wstring destination = entry.destinationPath(folder);
        JournalEntry planEntry{entry.destinationName, std::wstring(), std::wstring()};
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
    RepairSteps steps;
    if (removeLeftovers(paths_, keptLimit, false, steps)) {
        record_.remove();
    }
    return true;
}

bool CopyTransaction::rollBack() {
    RepairSteps steps;
    return restoreAll(paths_, steps) && record_.remove();
}

namespace {

RunRepair repairStoredRun(const std::wstring& recordsKey, const StoredRun& run, RepairGate gate) {
    RunRepair repair{JournalRepair::none, run.folder, storedRunPlace(recordsKey, run.name), std::wstring(),
                     std::wstring()};
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
    if (gate.mayRepair != nullptr && !gate.mayRepair(run.folder, gate.context)) {
        repair.outcome = JournalRepair::postponed;
        return repair;
    }
    const std::vector<PlannedPaths> paths = pathsOf(run.folder, journal);
    RepairSteps steps;
    const bool done = journal.committed ? removeLeftovers(paths, SIZE_MAX, true, steps) : restoreAll(paths, steps);
    if (!done) {
        repair.outcome = JournalRepair::failed;
        repair.blocked = steps.blocked != nullptr ? *steps.blocked : std::wstring();
    } else if (!removeStoredRun(recordsKey, run.name)) {
        repair.outcome = JournalRepair::failed;
        repair.blocked = repair.place;
    } else if (journal.committed) {
        repair.outcome = JournalRepair::completed;
    } else {
        // A run stopped before it changed any game file leaves nothing to
        // tell: only its own staged files were there.
        repair.outcome = steps.changed ? JournalRepair::restored : JournalRepair::none;
    }
    return repair;
}

}  // namespace

std::vector<RunRepair> repairStoppedRuns(const std::wstring& recordsKey, RepairGate gate) {
    std::vector<RunRepair> repairs;
    for (const StoredRun& run : storedRuns(recordsKey)) {
        repairs.push_back(repairStoredRun(recordsKey, run, gate));
    }
    return repairs;
}

namespace {

// A folder as compared with another: its compared form without the
// separators a text may end with ("C:\Game\" is "C:\Game").
std::wstring comparedFolder(const std::wstring& folder) {
    std::wstring form = comparedForm(folder);
    while (form.size() > 3 && (form.back() == L'\\' || form.back() == L'/')) {
        form.pop_back();
    }
    return form;
}

}  // namespace

std::vector<RunRepair> repairStoppedRunsIn(const std::wstring& recordsKey, const std::wstring& installFolder,
                                           RepairGate gate) {
    std::vector<RunRepair> repairs;
    const std::wstring folder = comparedFolder(installFolder);
    for (const StoredRun& run : storedRuns(recordsKey)) {
        if (!run.folder.empty() && comparedFolder(run.folder) == folder) {
            repairs.push_back(repairStoredRun(recordsKey, run, gate));
        }
    }
    return repairs;
}
