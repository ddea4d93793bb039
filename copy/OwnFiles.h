// The copy moves and deletes only its own files: a file is opened at the
// name the record gives, its identity read from that handle and compared
// with the one recorded, and only then moved or deleted through the same
// handle, so that nothing put at the name meanwhile is touched. The program
// runs as administrator in a folder any user may write to.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "copy/journal.h"
#include "core/HandleOwners.h"

// What was found at a name the record gives.
enum class FoundAtName {
    nothing,   // no file there
    recorded,  // the file recorded, opened for moving or deleting
    other,     // a file or folder that is not the one recorded, or a link: never touched
    held,      // something that can't be opened to be looked at (in use, or no access)
};

struct OpenedAtName {
    FoundAtName found = FoundAtName::nothing;
    UniqueHandle file;  // valid when found is `recorded`
};

// Opens what is at `path` (a link at that name itself, never what it leads
// to) and tells whether it is `recorded`. `volume` is the serial of the
// install folder's volume, read once for the run (core/FileProbe.h's
// fileOnVolume). Nothing a record does not know is ever the one recorded.
OpenedAtName openIfRecorded(const std::wstring& path, const RecordedFile& recorded, std::uint32_t volume);

// Deletes a file opened by openIfRecorded and closes it, so that its name
// is free when this returns true.
bool deleteOpened(UniqueHandle& file);

// Renames files opened by openIfRecorded, never over a file or folder:
// a name found taken is a failure, not a loss. The room for the longest
// name is made beforehand, so that a move allocates nothing.
class FileMover {
public:
    void makeRoomFor(std::size_t longestPath);
    bool move(HANDLE file, const std::wstring& to);

private:
    std::vector<unsigned char> information_;
};
