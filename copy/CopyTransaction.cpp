#include "copy/CopyTransaction.h"

#include <algorithm>
#include <optional>

#include "copy/RunLock.h"
#include "core/FileNames.h"
#include "core/FileProbe.h"

namespace {

std::vector<PlannedPaths> pathsOf(const std::wstring& folder, const Journal& journal) {
    std::vector<PlannedPaths> paths;
    paths.reserve(journal.entries.size());
    for (const JournalEntry& entry : journal.entries) {
        paths.push_back({destinationPathIn(folder, entry.destination), destinationPathIn(folder, entry.staged),
                         entry.replaces() ? destinationPathIn(folder, entry.kept) : std::wstring()});
    }
    return paths;
}

std::size_t longestPathOf(const std::vector<PlannedPaths>& paths) {
    std::size_t longest = 0;
    for (const PlannedPaths& file : paths) {
        longest = std::max({longest, file.destination.size(), file.staged.size(), file.kept.size()});
    }
    return longest;
}

}  // namespace

CopyTransaction::CopyTransaction(const std::wstring& installFolder, const std::wstring& recordsKey)
    : folder_(installFolder), recordsKey_(recordsKey) {}

void CopyTransaction::plan(const std::vector<PatchFileEntry>& files) {
    plan_ = planCopy(folder_, files);
    volume_ = volumeSerialOf(folder_);
    paths_ = pathsOf(folder_, plan_.journal);
    // Made now, so that the run allocates nothing once it has begun.
    mover_.makeRoomFor(longestPathOf(paths_));
    identities_.reserve(2 * identityLineRoom * plan_.journal.entries.size());
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

std::optional<std::wstring> CopyTransaction::firstLink() const { return firstLinkOf(folder_, plan_.journal); }

bool CopyTransaction::writeJournal() {
    // Composed before the record exists: memory running out here must not
    // leave a record cut short.
    const std::wstring text = journalText(plan_.journal);
    return record_.create(recordsKey_, folder_, text);
}

UniqueHandle CopyTransaction::createStaged(std::size_t entry) {
    // Never over a file: the name was free when it was chosen, and whatever
    // took it since is not the run's. Unshared while it is written.
    UniqueHandle staged(CreateFileW(paths_[entry].staged.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!staged.valid()) {
        return staged;
    }
    // Left to the system to flush: a staged file a power cut leaves
    // unrecorded stays as it is, one a kill leaves is the run's to delete.
    const std::optional<FileIdentity> identity = identityOnVolume(staged.get(), volume_);
    const RecordedFile made{RecordedFile::Known::made, identity.value_or(FileIdentity{})};
    wchar_t line[identityLineRoom];
    if (!identity || !record_.add(identityLine(IdentityRole::staged, entry, made, line))) {
        deleteOpened(staged);
        return staged;
    }
    plan_.journal.entries[entry].stagedFile = made;
    return staged;
}

bool CopyTransaction::stagedWritten(std::size_t entry, HANDLE staged) {
    const std::optional<FileIdentity> identity = identityOnVolume(staged, volume_);
    if (!identity) {
        return false;
    }
    const FILETIME lastWrite{static_cast<DWORD>(identity->lastWrite), static_cast<DWORD>(identity->lastWrite >> 32)};
    if (!SetFileTime(staged, nullptr, nullptr, &lastWrite)) {
        return false;
    }
    plan_.journal.entries[entry].stagedFile = {RecordedFile::Known::whole, *identity};
    return true;
}

std::size_t CopyTransaction::commitStepCount() const {
    std::size_t steps = 0;
    for (const PlannedPaths& file : paths_) {
        steps += file.kept.empty() ? 1 : 2;
    }
    return steps;
}

bool CopyTransaction::recordKeptIdentity(std::size_t entry) {
    const PlannedPaths& file = paths_[entry];
    RecordedFile& kept = plan_.journal.entries[entry].keptFile;
    const std::size_t earlier = plan_.files[entry].keptIsStagedOf;
    if (earlier != PlannedFile::noEarlierFile) {
        kept = plan_.journal.entries[earlier].stagedFile;
        return kept.known == RecordedFile::Known::whole;
    }
    const std::optional<FileIdentity> found = identityAtName(file.destination, volume_);
    kept = found ? RecordedFile{RecordedFile::Known::whole, *found} : RecordedFile{};
    return found.has_value();
}

bool CopyTransaction::recordIdentities() {
    identities_.clear();
    wchar_t line[identityLineRoom];
    for (std::size_t entry = 0; entry < paths_.size(); ++entry) {
        const JournalEntry& planned = plan_.journal.entries[entry];
        if (planned.stagedFile.known != RecordedFile::Known::whole ||
            (planned.replaces() && !recordKeptIdentity(entry))) {
            return false;
        }
        identities_ += identityLine(IdentityRole::staged, entry, planned.stagedFile, line);
        identities_ += identityLine(IdentityRole::kept, entry, planned.keptFile, line);
    }
    return record_.append(identities_);
}

bool CopyTransaction::moveRecorded(const std::wstring& from, const RecordedFile& recorded, const std::wstring& to) {
    if (moveSeam_ != nullptr) {
        moveSeam_(moveSeamContext_);
    }
    OpenedAtName opened = openIfRecorded(from, recorded, volume());
    return opened.found == FoundAtName::recorded && mover_.move(opened.file.get(), to);
}

bool CopyTransaction::commit(std::size_t stepLimit) {
    if (!identitiesRecorded_) {
        if (!recordIdentities()) {
            return false;
        }
        identitiesRecorded_ = true;
    }
    for (std::size_t entry = 0; entry < paths_.size(); ++entry) {
        const PlannedPaths& file = paths_[entry];
        const JournalEntry& planned = plan_.journal.entries[entry];
        if (planned.replaces()) {
            if (moved_ == stepLimit) {
                return true;
            }
            if (!moveRecorded(file.destination, planned.keptFile, file.kept)) {
                return false;
            }
            ++moved_;
        }
        if (moved_ == stepLimit) {
            return true;
        }
        if (!moveRecorded(file.staged, planned.stagedFile, file.destination)) {
            return false;
        }
        ++moved_;
    }
    return true;
}

namespace {

// Deletes the file at `path` when it is the one recorded. True when none of
// the run's is left there.
bool deleteIfRecorded(const std::wstring& path, const RecordedFile& recorded, std::uint32_t volume) {
    OpenedAtName opened = openIfRecorded(path, recorded, volume);
    switch (opened.found) {
    case FoundAtName::recorded:
        return deleteOpened(opened.file);
    case FoundAtName::held:
        return false;
    case FoundAtName::nothing:
    case FoundAtName::other:
        break;
    }
    return true;
}

}  // namespace

bool CopyTransaction::complete(std::size_t keptLimit) {
    if (!record_.append(journalCommittedLine)) {
        return false;
    }
    plan_.journal.committed = true;
    // A kept file that can't be deleted leaves the record for the next
    // start, which deletes what is left; the files are in place either way.
    bool removed = true;
    std::size_t deleted = 0;
    for (std::size_t entry = 0; entry < paths_.size(); ++entry) {
        const JournalEntry& planned = plan_.journal.entries[entry];
        if (!planned.replaces()) {
            continue;
        }
        if (deleted == keptLimit) {
            return true;
        }
        ++deleted;
        removed = deleteIfRecorded(paths_[entry].kept, planned.keptFile, volume()) && removed;
    }
    if (removed) {
        record_.remove();
    }
    return true;
}

// The moves of `entry` are steps `asideStep` (when it replaces a file) and
// `inStep` of the commit; those below moved_ were made.
bool CopyTransaction::undoEntry(std::size_t entry, std::size_t asideStep, std::size_t inStep) {
    const PlannedPaths& file = paths_[entry];
    const JournalEntry& planned = plan_.journal.entries[entry];
    bool undone = true;
    if (inStep < moved_) {
        // The new file went into place and goes again; anything else found
        // there now is not the run's, and stays.
        OpenedAtName placed = openIfRecorded(file.destination, planned.stagedFile, volume());
        undone = placed.found == FoundAtName::nothing ||
                 (placed.found == FoundAtName::recorded && deleteOpened(placed.file));
    } else {
        undone = deleteIfRecorded(file.staged, planned.stagedFile, volume());
    }
    if (planned.replaces() && asideStep < moved_) {
        OpenedAtName kept = openIfRecorded(file.kept, planned.keptFile, volume());
        undone = kept.found == FoundAtName::recorded && mover_.move(kept.file.get(), file.destination) && undone;
    }
    return undone;
}

bool CopyTransaction::rollBack() {
    // The step numbers of every entry's moves, in commit order.
    std::size_t step = commitStepCount();
    bool undone = true;
    // In reverse, so that a destination listed twice gets back what the
    // first of its entries found there. Every entry is tried even after a
    // failure: what can be put back is.
    for (std::size_t entry = paths_.size(); entry-- > 0;) {
        const std::size_t inStep = --step;
        const std::size_t asideStep = plan_.journal.entries[entry].replaces() ? --step : SIZE_MAX;
        undone = undoEntry(entry, asideStep, inStep) && undone;
    }
    return undone && record_.remove();
}

namespace {

// What a repair did, what it left, and where it stopped.
struct RepairSteps {
    FileMover mover;
    std::uint32_t volume = 0;               // the install folder's
    bool changed = false;                   // a game file was put back, or a file of the run's taken out of place
    const std::wstring* blocked = nullptr;  // the first path that could not be moved or deleted
    bool blockedByOther = false;            // ... because someone else's file is there
    std::vector<std::wstring> leftAlone;    // files at the record's names that are not the run's

    bool stopAt(const std::wstring& path, bool byOther = false) {
        if (blocked == nullptr) {
            blocked = &path;
            blockedByOther = byOther;
        }
        return false;
    }
};

// Deletes the run's file at `path`; anything else there stays, and is named.
bool clearName(const std::wstring& path, const RecordedFile& recorded, RepairSteps& steps) {
    OpenedAtName opened = openIfRecorded(path, recorded, steps.volume);
    switch (opened.found) {
    case FoundAtName::recorded:
        return deleteOpened(opened.file) || steps.stopAt(path);
    case FoundAtName::held:
        return steps.stopAt(path);
    case FoundAtName::other:
        steps.leftAlone.push_back(path);
        break;
    case FoundAtName::nothing:
        break;
    }
    return true;
}

// Takes the run's new file out of `file`'s destination; what is left there.
FoundAtName takeOutPlaced(const PlannedPaths& file, const JournalEntry& entry, RepairSteps& steps) {
    OpenedAtName placed = openIfRecorded(file.destination, entry.stagedFile, steps.volume);
    if (placed.found != FoundAtName::recorded) {
        return placed.found;
    }
    if (!deleteOpened(placed.file)) {
        return FoundAtName::held;
    }
    steps.changed = true;
    return FoundAtName::nothing;
}

// One entry of a run stopped before its commit was recorded, back as it was,
// judged by the identities found, so that it holds wherever the run
// stopped: the file recorded as moved aside is still at its kept name, so
// whatever the run put in its place goes and it comes back; a new file the
// run put in place goes; the staged file goes.
bool restoreEntry(const PlannedPaths& file, const JournalEntry& entry, RepairSteps& steps) {
    if (entry.replaces()) {
        OpenedAtName kept = openIfRecorded(file.kept, entry.keptFile, steps.volume);
        if (kept.found == FoundAtName::held) {
            return steps.stopAt(file.kept);
        }
        if (kept.found == FoundAtName::other) {
            steps.leftAlone.push_back(file.kept);
        } else if (kept.found == FoundAtName::recorded) {
            const FoundAtName left = takeOutPlaced(file, entry, steps);
            if (left != FoundAtName::nothing) {
                return steps.stopAt(file.destination, left == FoundAtName::other);
            }
            if (!steps.mover.move(kept.file.get(), file.destination)) {
                return steps.stopAt(file.kept);
            }
            steps.changed = true;
        }
    } else if (takeOutPlaced(file, entry, steps) == FoundAtName::held) {
        // Another file there is someone's; one that can't be looked at may
        // still be the run's.
        return steps.stopAt(file.destination);
    }
    return clearName(file.staged, entry.stagedFile, steps);
}

// In reverse order, so that a destination listed twice gets back what the
// first of its entries found there. Every file is tried even after a
// failure: what can be put back is.
bool restoreAll(const std::vector<PlannedPaths>& paths, const Journal& journal, RepairSteps& steps) {
    bool restored = true;
    for (std::size_t entry = paths.size(); entry-- > 0;) {
        restored = restoreEntry(paths[entry], journal.entries[entry], steps) && restored;
    }
    return restored;
}

// Once the commit was recorded every file is in place: the files moved
// aside go. Nothing else of the run's is left.
bool finishAll(const std::vector<PlannedPaths>& paths, const Journal& journal, RepairSteps& steps) {
    bool finished = true;
    for (std::size_t entry = 0; entry < paths.size(); ++entry) {
        if (journal.entries[entry].replaces()) {
            finished = clearName(paths[entry].kept, journal.entries[entry].keptFile, steps) && finished;
        }
    }
    return finished;
}

RunRepair repairStoredRun(const std::wstring& recordsKey, const StoredRun& run, RepairGate gate) {
    RunRepair repair;
    repair.folder = run.folder;
    repair.place = storedRunPlace(recordsKey, run.name);
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
    // A folder whose volume can't be read finds none of the run's files:
    // whatever is there stays, and is named.
    steps.volume = volumeSerialOf(run.folder).value_or(0);
    const bool done = journal.committed ? finishAll(paths, journal, steps) : restoreAll(paths, journal, steps);
    repair.leftAlone = std::move(steps.leftAlone);
    if (!done) {
        repair.outcome = JournalRepair::failed;
        repair.blocked = steps.blocked != nullptr ? *steps.blocked : std::wstring();
        repair.blockedByOther = steps.blockedByOther;
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

// What every repair of `recordsKey` gives while another copy of the program
// holds its lock.
std::vector<RunRepair> busyRepair() {
    RunRepair busy;
    busy.outcome = JournalRepair::busy;
    return {busy};
}

}  // namespace

std::vector<RunRepair> repairStoppedRuns(const std::wstring& recordsKey, RepairGate gate) {
    RunLock lock(recordsKey);
    if (!lock.take()) {
        return busyRepair();
    }
    std::vector<RunRepair> repairs;
    for (const StoredRun& run : storedRuns(recordsKey)) {
        repairs.push_back(repairStoredRun(recordsKey, run, gate));
    }
    return repairs;
}

std::vector<RunRepair> repairStoppedRunsIn(const std::wstring& recordsKey, const std::wstring& installFolder,
                                           RepairGate gate) {
    RunLock lock(recordsKey);
    if (!lock.take()) {
        return busyRepair();
    }
    std::vector<RunRepair> repairs;
    const std::wstring folder = resolvedPathOf(installFolder);
    for (const StoredRun& run : storedRuns(recordsKey)) {
        if (!run.folder.empty() && sameFileName(resolvedPathOf(run.folder), folder)) {
            repairs.push_back(repairStoredRun(recordsKey, run, gate));
        }
    }
    return repairs;
}
