// The one plan of a copy: for every listed file the copy writes, where it is
// read from, where it goes, the names it is staged and kept under, and what
// must hold before anything is written there. Worked out from the entries
// and one listing of the folders they go to (core/PathResolver.h, through
// core/FileProbe.h). The start checks, the transaction and patch-check's
// dry run all ask it, so the checker reports what the player would meet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "copy/journal.h"
#include "core/PatchFileEntry.h"

// One file the copy writes. Its source, size and digest are its entry's.
struct PlannedFile {
    std::size_t entry = 0;  // its place in the list of files
    std::wstring destinationName;  // as the settings spell it: what the player's boxes name
    // For a destination an earlier planned file fills: that file's place in
    // the plan, whose staged file is what this one moves aside.
    // noEarlierFile: the file found on the disk, or none.
    std::size_t keptIsStagedOf = noEarlierFile;

    static constexpr std::size_t noEarlierFile = SIZE_MAX;
};

struct CopyPlan {
    std::wstring installFolder;
    std::vector<PlannedFile> files;  // one for each entry copied, in list order
    // The names of each planned file, in the same order, below the install
    // folder: the destination resolved (folders as on the disk, a short name
    // as the long one it stands for, no trailing dot), the staged name and
    // the kept one (none: the destination is new). What the run records.
    Journal journal;
    // Every new file is staged beside its destination while the old one
    // still exists: the drive must hold all of them at once.
    std::uint64_t neededBytes = 0;
};

// The plan of copying the entries with a known size into `installFolder`:
// staged and kept names that are in use neither on the disk, as its folders
// were listed now, nor by an earlier file of the plan.
CopyPlan planCopy(const std::wstring& installFolder, const std::vector<PatchFileEntry>& entries);

// What must hold before the copy writes anything for `file`: no link on the
// way from the install folder, its folder there (the program makes none),
// and a destination that can be replaced (not read-only, hidden or system;
// not open in another program), in that order. The text of the player's
// box for the first that does not; nothing when all do.
std::optional<std::wstring> refusalBeforeWriting(const std::wstring& installFolder, const PlannedFile& file);

// What must still hold when the copy writes one planned file, the checks
// long past: a destination planned as a file to replace is still one, not
// protected, not a folder, not held against being moved aside (else the copy
// fails before any file is moved). One that was not there at the plan has
// nothing to protect (one that appeared since makes the commit's move fail).
bool stillReplaceable(const std::wstring& destinationPath, bool replaces);
