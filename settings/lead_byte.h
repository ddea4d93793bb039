// Whether a byte starts a double-byte character of code page 932. The
// settings text is code page 932 whatever code page the system runs with, so
// the ranges are the code page's own, never the system's ANSI code page.
#pragma once

bool isLeadByte(unsigned char byte);
