// Splitting and joining paths as Windows reads them: "\" and "/" both
// separate. Plain UTF-16 work (no character of it can hold a separator, as a
// code page 932 trail byte can). No system call: built natively too.
#pragma once

#include <string>

// The folder part of `path`, without its last separator; empty when the path
// holds none. "C:\Games\Patch\update.exe" gives "C:\Games\Patch".
std::wstring folderOfPath(const std::wstring& path);

// The name after the last separator; the whole path when it holds none.
std::wstring nameOfPath(const std::wstring& path);

// `name` in `folder`, with one backslash between (a drive root has its own).
std::wstring pathIn(const std::wstring& folder, const std::wstring& name);
