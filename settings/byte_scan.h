// Double-byte aware scans of code page 932 byte strings: command lines, paths
// and settings values. A trail byte can be 0x5C, the backslash (ソ is 83 5C),
// so every scan steps over a lead byte together with the byte after it.
#pragma once

#include <string>

// Index of the first byte equal to c that is not the trail byte of a
// double-byte character, or -1. A lead byte just before the terminator ends
// the scan with -1: that byte is no character of its own.
int findChar(const char* text, char c);

// The folder of the program named at the start of a command line, without
// its last backslash; empty when the program was started by a bare name.
// Only a quotation mark ends the scan, so on an unquoted command line a
// backslash in an argument moves the folder.
std::string programFolderOf(const char* commandLine);

// The program's name after its folder, up to its first full stop or
// quotation mark: "C:\Patch\my.patch.exe" gives "my".
std::string programBaseNameOf(const char* commandLine);

// The install folder held by a registry value: one real trailing backslash
// is dropped, except from a drive root such as "C:\", which keeps it.
std::string installFolderFromValue(const char* value);
