// The names the program takes from Windows as UTF-16: its own path and the
// install folder recorded in the registry. Plain UTF-16 work: no character
// of another one can hold a backslash, as a code page 932 trail byte can.
#pragma once

#include <string>

// The program's name after its folder (core/path_text.h splits), up to its
// first full stop:
// "C:\Patch\my.patch.exe" gives "my". A name that starts with its full stop
// (".exe"), or has none, is kept whole rather than cut.
std::wstring baseNameOfPath(const std::wstring& path);

// A file name Windows gave, as the program's names compare: ASCII letters
// without case, / as \ (byte_scan's comparableName of a UTF-16 name).
std::wstring comparableWideName(std::wstring name);

// The install folder held by a registry value: one trailing backslash is
// dropped, except from a drive root such as "C:\", which keeps it. The value
// ends at its first U+0000, as a registry text does.
std::wstring installFolderFromValue(const std::wstring& value);
