// Double-byte aware scans of code page 932 byte strings: the values of the
// settings text. A trail byte can be 0x5C, the backslash (ソ is 83 5C), so
// every scan steps over a lead byte together with the byte after it.
#pragma once

// Index of the first byte equal to c that is not the trail byte of a
// double-byte character, or -1. A lead byte just before the terminator ends
// the scan with -1: that byte is no character of its own.
int findChar(const char* text, char c);
