// The copy as one change of the install folder: every file is first written
// beside its destination under a staged name, then all are moved into place
// at once, the old files kept aside until the end. A journal in the install
// folder, written through to the disk before the first change, records the
// names, so that a run stopped at any moment is put back (or, once every file
// was in place, finished) by this run or by the next start.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "copy/journal.h"
#include "core/HandleOwners.h"
#include "core/PatchFileEntry.h"

// The full paths of one planned file. Worked out once, so that putting the
// folder back needs no memory.
struct PlannedPaths {
    std::wstring destination;
    std::wstring staged;
    std::wstring kept;  // empty: the destination is new
};

class CopyTransaction {
public:
    explicit CopyTransaction(const std::wstring& installFolder);
    CopyTransaction(const CopyTransaction&) = delete;
    CopyTransaction& operator=(const CopyTransaction&) = delete;
    // Lets go of the journal file and nothing else: an object dropped without
    // a roll back or a completion is a run that stopped there, which the
    // next start repairs.
    ~CopyTransaction() = default;

    // One planned file for each entry with a known size, in list order:
    // names that are in use neither on the disk nor by an earlier entry.
    void plan(const std::vector<PatchFileEntry>& files);
    const Journal& journal() const { return journal_; }
    const std::vector<PlannedPaths>& paths() const { return paths_; }

    // Creates the journal (never over an existing one) and writes it
    // through; false when it can't be written, and nothing was changed.
    bool writeJournal();

    // The moves of the commit: two for a file that replaces another, one for
    // a new file.
    std::size_t commitStepCount() const;
    // Makes up to `stepLimit` moves in list order; false when one failed.
    bool commit(std::size_t stepLimit = SIZE_MAX);

    // Once every file is in place: records that the commit is complete,
    // then deletes up to `keptLimit` kept files and, when none is left, the
    // journal. False when the record could not be written (the folder is
    // still as the commit left it, and may be rolled back).
    bool complete(std::size_t keptLimit = SIZE_MAX);

    // Puts the folder back as it was before the run, from what is on the
    // disk; deletes the journal when every step succeeded.
    bool rollBack();

private:
    std::wstring folder_;
    std::wstring journalPath_;
    Journal journal_;
    std::vector<PlannedPaths> paths_;
    UniqueHandle journalFile_;
};

// What the start found in the install folder.
enum class JournalRepair {
    none,        // no journal
    restored,    // the folder was put back as before the stopped run
    completed,   // the stopped run had put every file in place: finished
    unreadable,  // a journal not to be followed: left as it is
    failed,      // a step failed: the journal stays for the next start
};

// The journal's full path in `installFolder`.
std::wstring journalPathIn(const std::wstring& installFolder);

// Repairs the install folder from the journal a stopped run left there.
JournalRepair repairFromJournal(const std::wstring& installFolder);
