// Double-byte aware scans of code page 932 byte strings: the names and
// values of the settings text. A trail byte can be 0x5C, the backslash (ソ is 83 5C),
// so every scan steps over a lead byte together with the byte after it.
#pragma once

#include <cstddef>
#include <string>

#include "core/ascii_fold.h"

// Index of the first byte equal to c that is not the trail byte of a
// double-byte character, or -1. A lead byte just before the terminator ends
// the scan with -1: that byte is no character of its own.
int findChar(const char* text, char c);

// Index of the first real comma of a line, or npos. Unlike findChar it reads
// the whole string, NUL bytes included.
std::size_t firstCommaOf(const std::string& line);

// A name as Windows compares file names: ASCII letters without case, / as \,
// double-byte characters as they are (the trail byte of ソ stays 0x5C).
std::string comparableName(std::string name);

// The folder part of a relative name ("data\sub" of "data\sub\a.dat"), up to
// its last real separator (\ or /, never the trail byte of ソ); "" for a name
// with none.
std::string folderPartOf(const std::string& name);
