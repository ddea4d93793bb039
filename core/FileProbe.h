// What is found at a path, asked the way the program asks: the one place
// that probes files, folders and drives for the program and the checker.
// Paths are UTF-16, as Windows takes them, so that any folder name works.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/disk_space.h"
#include "core/file_identity.h"

// What a find-first search sees at a path. The text itself is the pattern,
// so a file's name passes as a folder would, and a drive root ("D:\") finds
// nothing.
struct FoundFile {
    bool exists = false;
    bool isFolder = false;
    DWORD attributes = 0;
    std::uint64_t size = 0;
};
FoundFile findAt(const std::wstring& path);

// Whether a find-first search finds anything at the path: the program's test
// of the install folder and of the game's executable.
bool pathExists(const wchar_t* path);

// Whether the path names a folder, by its attributes (a drive root counts).
bool isFolderAt(const std::wstring& path);

// Whether the path names a file (not a folder), by its attributes.
bool isFileAt(const std::wstring& path);

// The attributes by which a user protects a file: read-only, hidden, system.
// Not every file system enforces them (a Unix-backed drive written by its
// superuser replaces such a file), so the program asks rather than replace a
// file the user protected.
inline constexpr DWORD protectingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Whether another program holds the file open: an unshared open fails with
// a sharing or lock violation. A file that does not exist, or one this
// program may not open for other reasons (access denied), is not in use.
bool isOpenElsewhere(const std::wstring& path);

// Whether another program holds the file in a way that keeps it from being
// moved aside (open without sharing its deletion).
bool isHeldAgainstMoving(const std::wstring& path);

// The identity of an open file; nothing when it can't be read.
std::optional<FileIdentity> identityOf(HANDLE file);

// The serial number of the volume that holds `path` (a file or a folder);
// nothing when it can't be read. Under Wine each read of a volume's serial
// costs several times what every other question about a file costs
// together, so a run that handles many files below one folder reads it once.
std::optional<std::uint32_t> volumeSerialOf(const std::wstring& path);

// What is asked of a file opened below a folder whose volume is known: its
// identity on that volume, and whether it is a plain file (not a folder,
// not a link). The volume is the caller's, read once for the folder: only a
// name reached through no link is opened so, and such a name lies on the
// folder's own volume.
struct FileOnVolume {
    FileIdentity identity;
    bool plainFile = false;
};
std::optional<FileOnVolume> fileOnVolume(HANDLE file, std::uint32_t volume);

// The same for a file opened below such a folder: its identity alone, and
// nothing when the volume is unknown or the identity can't be read.
std::optional<FileIdentity> identityOnVolume(HANDLE file, const std::optional<std::uint32_t>& volume);

// The identity of the file at `path`, below a folder whose volume is
// `volume`: opened for its attributes alone, and never through a link at
// its name (the link itself is what is identified).
std::optional<FileIdentity> identityAtName(const std::wstring& path, const std::optional<std::uint32_t>& volume);

// Whether the path holds what the copy must not replace: a file the user
// protected (protectingAttributes), or a folder, which moving aside would
// take whatever its attributes.
bool isProtectedFile(const std::wstring& path);

// Whether two paths name the same file, whatever names lead to it (another
// drive letter for the same disk, a short name, a junction): same volume,
// same file index. False when either can't be opened.
bool isSameFile(const std::wstring& first, const std::wstring& second);

// The first name on the way from `folder` down to `folder\<relative>` that
// is a link (a reparse point: a junction, a symbolic link, a mount point):
// each folder of `relative` in turn, then its last name when that exists.
// Given as `relative` spells it up to that name ("data", "data\\sub");
// nothing when there is none. `folder` itself may be a link: a game library
// on another drive often is.
std::optional<std::wstring> firstLinkBelow(const std::wstring& folder, const std::wstring& relative);

// The figures of the drive whose root is `root` ("C:\"); all 0 when the
// query can't use it (a network path, a missing drive, a relative text).
DiskFreeSpace diskFiguresOf(const std::wstring& root);

// Bytes free to the caller on the drive holding `folder`; nothing when the
// drive does not answer.
std::optional<std::uint64_t> freeBytesFor(const std::wstring& folder);

// The bytes of a whole file; nothing when it can't be read.
std::optional<std::string> fileBytesAt(const std::wstring& path);

// One file or folder of a folder tree.
struct FolderEntry {
    std::wstring name;  // relative to the top, subfolders joined by "\"
    std::uint64_t size = 0;
    bool isFolder = false;
    DWORD attributes = 0;
    std::uint64_t lastWrite = 0;  // FILETIME as one number
};

// Everything below `folder`, each folder followed by what it holds.
std::vector<FolderEntry> listFolderTree(const std::wstring& folder);

// One name of a folder's listing: the name as the disk holds it and the
// short one Windows also answers to (empty when the name is short already or
// the file system keeps none).
struct NameInFolder {
    std::wstring name;
    std::wstring shortName;
};

// The names directly in `folder` ("." and ".." left out); none when it can't
// be listed.
std::vector<NameInFolder> namesInFolder(const std::wstring& folder);
