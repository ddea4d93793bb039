// The copy as one change of the install folder: every file is first written
// beside its destination under a staged name, then all are moved into place
// at once, the old files kept aside until the end. A record where only an
// administrator writes (copy/RunRecord.h), flushed to the disk before the
// first change, holds the install folder and the names, and the identity of
// every file the run makes or moves, recorded before any move; so a run
// stopped at any moment is put back (or, once every file was in place,
// finished) by this run or by the next start, whatever folder it used, and
// only its own files are ever moved or deleted (copy/OwnFiles.h). Nothing is
// ever created, opened, moved or deleted through a link below the install
// folder.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "copy/CopyPlan.h"
#include "copy/OwnFiles.h"
#include "copy/RunRecord.h"
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
    // The record goes under HKEY_LOCAL_MACHINE\<recordsKey>.
    CopyTransaction(const std::wstring& installFolder, const std::wstring& recordsKey);
    CopyTransaction(const CopyTransaction&) = delete;
    CopyTransaction& operator=(const CopyTransaction&) = delete;
    // Lets go of the record and nothing else: an object dropped without a
    // roll back or a completion is a run that stopped there, which the next
    // start repairs.
    ~CopyTransaction() = default;

    // Takes the copy's plan of `files` (copy/CopyPlan.h): one planned file
    // for each entry with a known size, in list order.
    void plan(const std::vector<PatchFileEntry>& files);
    const Journal& journal() const { return plan_.journal; }
    const std::vector<PlannedPaths>& paths() const { return paths_; }
    // The place in the list of files of planned file `planned`.
    std::size_t listedEntryOf(std::size_t planned) const { return plan_.files[planned].entry; }

    // The first link among the paths planned (as the settings spell the name
    // up to it); nothing when there is none.
    std::optional<std::wstring> firstLink() const;

    // Creates the record (a new one, never over another) and flushes it;
    // false when it can't be written, and nothing was changed.
    bool writeJournal();

    // Creates the staged file of planned entry `entry` (counted among those
    // planned), never over anything, for writing alone, and records its
    // identity before a byte is written. No handle: nothing was created, or
    // what was could not be recorded and is gone again.
    UniqueHandle createStaged(std::size_t entry);
    // Once every byte of the staged file is written: its time of last write
    // is fixed, so that closing it changes nothing, and its whole identity
    // is kept for the record. False when it can't be read.
    bool stagedWritten(std::size_t entry, HANDLE staged);

    // The moves of the commit: two for a file that replaces another, one for
    // a new file.
    std::size_t commitStepCount() const;
    // First records, flushed, the identity of every staged file and of every
    // file to be moved aside, read from the disk now; then makes up to
    // `stepLimit` moves in list order, each only of the file recorded and
    // never over anything. False when the record or a move failed.
    bool commit(std::size_t stepLimit = SIZE_MAX);

    // Once every file is in place, each staged file flushed to the disk
    // before it was closed: records that the commit is complete, then
    // deletes up to `keptLimit` kept files (those recorded) and, when none is
    // left, the record. False when the record could not be written (the
    // folder is still as the commit left it, and may be rolled back).
    bool complete(std::size_t keptLimit = SIZE_MAX);

    // For tests only: asked before each write to the record with its text
    // (false fails that write), and before each move of the commit.
    void setRecordSeam(RunRecord::WriteSeam seam, void* context) { record_.setWriteSeam(seam, context); }
    void setMoveSeam(void (*seam)(void* context), void* context) {
        moveSeam_ = seam;
        moveSeamContext_ = context;
    }

    // Undoes what this run did, and only that: the moves it counted, in
    // reverse, and the staged files it made, each only while it is the file
    // recorded. Deletes the record when every step succeeded.
    bool rollBack();

private:
    bool recordIdentities();
    bool recordKeptIdentity(std::size_t entry);
    bool moveRecorded(const std::wstring& from, const RecordedFile& recorded, const std::wstring& to);
    bool undoEntry(std::size_t entry, std::size_t asideStep, std::size_t inStep);

    // The serial of the install folder's volume, read once by the plan: the
    // volume of every file the run identifies.
    std::uint32_t volume() const { return volume_.value_or(0); }

    std::wstring folder_;
    std::wstring recordsKey_;
    std::optional<std::uint32_t> volume_;
    // Its journal is the record's plan, and gains the identities as the
    // run learns them.
    CopyPlan plan_;
    std::vector<PlannedPaths> paths_;
    RunRecord record_;
    FileMover mover_;
    // The lines recorded before the moves; its room is made by the plan.
    std::wstring identities_;
    bool identitiesRecorded_ = false;
    std::size_t moved_ = 0;
    void (*moveSeam_)(void* context) = nullptr;
    void* moveSeamContext_ = nullptr;
};

// What became of one stopped run's record.
enum class JournalRepair {
    none,         // no record, or one whose run had changed no game file: deleted
    restored,     // the folder was put back as before the stopped run
    completed,    // the stopped run had put every file in place: finished
    unreadable,   // a record not to be followed: left as it is
    throughLink,  // a path of the record leads through a link: nothing done, the record stays
    failed,       // a step failed: the record stays for the next start
    postponed,    // the gate said not now (the game runs there): nothing done, the record stays
    busy,         // another copy of the program runs or repairs (another session): nothing done
};

struct RunRepair {
    JournalRepair outcome = JournalRepair::none;
    std::wstring folder;  // the install folder the run used
    std::wstring place;   // where the record is (for a record left as it is)
    std::wstring link;    // the link found, as the record names it (throughLink)
    std::wstring blocked; // the first path that could not be moved or deleted (failed)
    bool blockedByOther = false;  // what is there is someone else's file, in the way of the game's own
    // Files at the record's names that are not the run's: left untouched.
    std::vector<std::wstring> leftAlone;
};

// Asked with a stopped run's folder before anything there is touched; false
// postpones that run's repair.
struct RepairGate {
    bool (*mayRepair)(const std::wstring& folder, void* context) = nullptr;
    void* context = nullptr;
};

// Repairs every stopped run recorded under `recordsKey`, whatever folder it
// used; one outcome for each record found.
std::vector<RunRepair> repairStoppedRuns(const std::wstring& recordsKey, RepairGate gate = {});

// Repairs the stopped runs recorded for `installFolder` (the same folder
// however its text is spelled); none when there are none.
std::vector<RunRepair> repairStoppedRunsIn(const std::wstring& recordsKey, const std::wstring& installFolder,
                                           RepairGate gate = {});
