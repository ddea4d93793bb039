// Where a copy keeps its record (copy/journal.h: the install folder and the
// plan) while it changes anything: a key of the program's own below
// HKEY_LOCAL_MACHINE, in the game key's view, where only an administrator
// writes. Nothing a player or a stranger can write is ever followed: the
// game folder may be writable by every user.
//
// Under the records key, one subkey per run ("1", "2", ...) holds:
//   "0", "1", ...  the record's text in pieces of whole lines (REG_BINARY,
//                  UTF-16LE), so that a plan of thousands of files never
//                  makes one large value;
//   "folder"       the install folder as the run used it (REG_SZ), written
//                  after every piece of the plan: a run without it was cut
//                  short before anything changed.
// The committed line is one more piece, added once every file is in place.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/HandleOwners.h"

class RunRecord {
public:
    RunRecord() = default;
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    // A new subkey under `recordsKey` holding `text` and `folder`, flushed
    // to the disk. False when it can't be written: nothing is left then.
    bool create(const std::wstring& recordsKey, const std::wstring& folder, const std::wstring& text);
    // Adds `text` after the pieces written, flushed. Allocates nothing.
    bool append(std::wstring_view text);
    // The same, left for the system to flush: what a power cut may lose
    // must leave a record that still reads, and is followed, without it.
    bool add(std::wstring_view text);

    // Asked with the text before each append or add; false makes it fail
    // with nothing written. For tests only.
    using WriteSeam = bool (*)(std::wstring_view text, void* context);
    void setWriteSeam(WriteSeam seam, void* context) {
        writeSeam_ = seam;
        seamContext_ = context;
    }
    // Deletes the record; true when it is gone. Allocates nothing.
    bool remove();

private:
    bool writePieces(std::wstring_view text);

    RegistryKey records_;
    std::wstring name_;
    RegistryKey key_;
    unsigned pieces_ = 0;
    WriteSeam writeSeam_ = nullptr;
    void* seamContext_ = nullptr;
};

// One record found under the records key.
struct StoredRun {
    std::wstring name;    // its subkey
    std::wstring folder;  // empty: its writing was cut short
    std::wstring text;
};

// Every record under `recordsKey`, in the order of their subkeys' names.
std::vector<StoredRun> storedRuns(const std::wstring& recordsKey);

// Deletes one record found by storedRuns.
bool removeStoredRun(const std::wstring& recordsKey, const std::wstring& name);

// How a record is named in a box: its full key.
std::wstring storedRunPlace(const std::wstring& recordsKey, const std::wstring& name);
