// Paths and file names as Windows resolves and compares them: the one place
// that says when two spellings name the same file. A settings line may spell
// a file "./data/a.dat", "data\A.DAT", "a.dat." or by its short name
// "DATAFI~1\A.DAT"; each resolves to one full path of long names, and those
// compare as the file system compares names.
#pragma once

#include <string>

// `path` made absolute from the current folder, "." and ".." and "/"
// resolved, trailing dots and spaces of a name dropped as Windows drops
// them, without trailing separators (a drive root keeps its own); as given
// when Windows can't.
std::wstring fullPathOf(const std::wstring& path);

// fullPathOf(`path`) with every name that exists on the disk in its long
// form (a short name "DATAFI~1" becomes "data folder", the letters as on the
// disk); the names below the last existing folder stay as given.
std::wstring resolvedPathOf(const std::wstring& path);

// Whether two names or paths are the same text as the file system compares
// names: ordinal, letters without case by the system's own table, whatever
// the user's locale.
bool sameFileName(const std::wstring& first, const std::wstring& second);

// The order that goes with sameFileName: for sorted lists of names.
bool fileNameBefore(const std::wstring& first, const std::wstring& second);
