// Double-byte aware scans of code page 932 byte strings: command lines, paths
// and settings values. A trail byte can be 0x5C, the backslash (ソ is 83 5C),
// so every scan steps over a lead byte together with the byte after it.
#pragma once

#include <cstddef>
#include <string>

// Index of the first byte equal to c that is not the trail byte of a
// double-byte character, or -1. A lead byte just before the terminator ends
// the scan with -1: that byte is no character of its own.
int findChar(const char* text, char c);

// Index of the first real comma of a line, or npos. Unlike findChar it reads
// the whole string, NUL bytes included.
std::size_t firstCommaOf(const std::string& line);

// The one ASCII case fold of the program's names: a to z as A to Z, every
// other byte as it is (a trail byte may look like a letter: callers that
// fold a whole text step over double-byte characters).
char upperAscii(char c);

// A name as Windows compares file names: ASCII letters without case, / as \,
// double-byte characters as they are (the trail byte of ソ stays 0x5C).
std::string comparableName(std::string name);

// The folder part of a relative name ("data\sub" of "data\sub\a.dat"), up to
// its last real separator (\ or /, never the trail byte of ソ); "" for a name
// with none.
std::string folderPartOf(const std::string& name);

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
