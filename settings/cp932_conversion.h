// Names in the settings text are code page 932 bytes, whatever code page the
// system runs with; Windows takes them as UTF-16. Each name is converted
// once, when the settings are read, with code page 932 named explicitly.
#pragma once

#include <string>

// The UTF-16 text of a code page 932 byte string. False when the bytes hold
// anything code page 932 does not define (a lone lead byte, an unassigned
// pair): such a name would reach Windows as some other name.
bool wideFromCp932(const std::string& bytes, std::wstring& wide);

// The code page 932 bytes of a UTF-16 text, the other way. False when a
// character has no code page 932 form that reads back as the same character
// (no best-fit look-alike: "¥" would become "\").
bool cp932FromWide(const std::wstring& wide, std::string& bytes);
