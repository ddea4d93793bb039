#include "copy/CopyTransaction.h"

#include <cstring>

#include "core/FileProbe.h"

namespace {

bool nameInUse(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Only a file is ever staged or kept: a folder that took one of those names
// meanwhile is someone else's, and is never moved or deleted.
bool fileAt(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The file system compares names without regard to case.
bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool anySameName(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (const std::wstring& other : names) {
        if (sameName(other, name)) {
            return true;
        }
    }
    return false;
}

std::wstring inFolder(const std::wstring& folder, const std::wstring& name) { return folder + L'\\' + name; }

// The first of the numbered names that neither the disk nor this plan uses.
std::wstring freeName(const std::wstring& folder, const std::wstring& destination,
                      std::wstring (*nameOf)(const std::wstring&, unsigned), std::vector<std::wstring>& planned) {
    for (unsigned attempt = 0;; ++attempt) {
        std::wstring name = nameOf(destination, attempt);
        if (!anySameName(planned, name) && !nameInUse(inFolder(folder, name))) {
            planned.push_back(name);
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

bool deleteFileIfThere(const std::wstring& path) { return !fileAt(path) || DeleteFileW(path.c_str()) != 0; }

// One file back as it was, judged by what is on the disk, so that it holds
// wherever the run stopped: a kept file still there means the old content
// was moved aside and goes back; a new destination whose staged file is gone
// was moved into place by this run.
bool restore(const PlannedPaths& file) {
    if (!file.kept.empty()) {
        if (fileAt(file.kept) && (!deleteFileIfThere(file.destination) || !moveFile(file.kept, file.destination))) {
            return false;
        }
    } else if (!fileAt(file.staged) && !deleteFileIfThere(file.destination)) {
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

// After a complete commit: the kept files (up to `keptLimit` of them) and
// any staged file left are deleted. True when none is left.
bool removeLeftovers(const std::vector<PlannedPaths>& paths, std::size_t keptLimit) {
    bool removed = true;
    std::size_t deleted = 0;
    for (const PlannedPaths& file : paths) {
        if (!file.kept.empty() && fileAt(file.kept)) {
            if (deleted == keptLimit) {
                return false;
            }
            ++deleted;
            removed = DeleteFileW(file.kept.c_str()) != 0 && removed;
        }
        removed = deleteFileIfThere(file.staged) && removed;
    }
    return removed;
}

bool writeAll(HANDLE file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

// The journal's text in the file: UTF-16LE code units, no mark before them.
bool writeThrough(HANDLE file, const wchar_t* text, std::size_t length) {
    return writeAll(file, text, static_cast<DWORD>(length * sizeof(wchar_t))) && FlushFileBuffers(file);
}

}  // namespace

CopyTransaction::CopyTransaction(const std::wstring& installFolder)
    : folder_(installFolder), journalPath_(journalPathIn(installFolder)) {}

void CopyTransaction::plan(const std::vector<PatchFileEntry>& files) {
    journal_ = Journal();
    std::vector<std::wstring> planned;
    for (const PatchFileEntry& entry : files) {
        if (entry.size != noSizeMarker) {
            planned.push_back(entry.destinationName);
        }
    }
    std::vector<std::wstring> earlier;
    for (const PatchFileEntry& entry : files) {
        if (entry.size == noSizeMarker) {
            continue;
        }
        JournalEntry planEntry{entry.destinationName, std::wstring(), std::wstring()};
        const bool replaces = anySameName(earlier, planEntry.destination) ||
                              nameInUse(entry.destinationPath(folder_));
        earlier.push_back(planEntry.destination);
        planEntry.staged = freeName(folder_, planEntry.destination, stagedNameOf, planned);
        if (replaces) {
            planEntry.kept = freeName(folder_, planEntry.destination, keptNameOf, planned);
        }
        journal_.entries.push_back(planEntry);
    }
    paths_ = pathsOf(folder_, journal_);
}

bool CopyTransaction::writeJournal() {
    // Composed before the file exists: memory running out here must not
    // leave an empty journal that every later start would refuse to follow.
    const std::wstring text = journalText(journal_);
    journalFile_.reset(CreateFileW(journalPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!journalFile_.valid()) {
        return false;  // a journal already there belongs to a run not yet repaired
    }
    if (!writeThrough(journalFile_.get(), text.data(), text.size())) {
        journalFile_.reset();
        DeleteFileW(journalPath_.c_str());
        return false;
    }
    return true;
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
    if (!writeThrough(journalFile_.get(), journalCommittedLine, std::size(journalCommittedLine) - 1)) {
        return false;
    }
    journal_.committed = true;
    journalFile_.reset();
    // A kept file that can't be deleted leaves the journal for the next
    // start, which deletes what is left; the files are in place either way.
    if (removeLeftovers(paths_, keptLimit)) {
        DeleteFileW(journalPath_.c_str());
    }
    return true;
}

bool CopyTransaction::rollBack() {
    journalFile_.reset();
    return restoreAll(paths_) && DeleteFileW(journalPath_.c_str()) != 0;
}

std::wstring journalPathIn(const std::wstring& installFolder) { return inFolder(installFolder, journalFileName); }

namespace {

// The journal's text, or nothing when the file can't be read or holds an
// odd number of bytes (no whole UTF-16 text).
bool readJournalFile(const std::wstring& path, std::wstring& text) {
    const std::optional<std::string> bytes = fileBytesAt(path);
    if (!bytes || bytes->size() % sizeof(wchar_t) != 0) {
        return false;
    }
    text.resize(bytes->size() / sizeof(wchar_t));
    std::memcpy(text.data(), bytes->data(), bytes->size());
    return true;
}

}  // namespace

JournalRepair repairFromJournal(const std::wstring& installFolder) {
    if (installFolder.empty()) {
        return JournalRepair::none;
    }
    const std::wstring path = journalPathIn(installFolder);
    if (!nameInUse(path)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return JournalRepair::none;
        }
    }
    std::wstring text;
    Journal journal;
    if (!readJournalFile(path, text) || readJournal(text, journal) != JournalReading::followed) {
        return JournalRepair::unreadable;
    }
    const std::vector<PlannedPaths> paths = pathsOf(installFolder, journal);
    if (journal.committed) {
        return removeLeftovers(paths, SIZE_MAX) && DeleteFileW(path.c_str()) ? JournalRepair::completed
                                                                             : JournalRepair::failed;
    }
    return restoreAll(paths) && DeleteFileW(path.c_str()) ? JournalRepair::restored : JournalRepair::failed;
}
