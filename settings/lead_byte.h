// The one system dependency of the byte-string rules: whether a byte starts a
// double-byte character. The program asks Windows for its ANSI code page; the
// native build of the rules uses the code page 932 ranges.
#pragma once

bool isLeadByte(unsigned char byte);
