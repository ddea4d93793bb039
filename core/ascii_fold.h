// The one ASCII case fold of the program's names: a to z as A to Z, every
// other byte or UTF-16 unit as it is. Windows compares file names without
// the case of these letters; a trail byte of a double-byte character may
// look like a letter, so callers that fold a code page 932 text step over
// double-byte characters.
#pragma once

template <typename Char>
constexpr Char upperAscii(Char c) {
    return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 'a' + 'A') : c;
}
