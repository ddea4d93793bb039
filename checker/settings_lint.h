// The publisher's mistakes that the program itself passes over without a
// word: a settings text in another encoding, lines that look like a key but
// carry none, values that make a file be skipped. Byte rules only, on code
// page 932 byte strings; the keys themselves are the program's
// (settings/settings_keys.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_keys.h"
#include "settings/text_encoding.h"

// The line (from 1) of a Ctrl-Z byte that hides more text after it (the
// program reads nothing past it), or 0.
int lineOfTextHiddenByCtrlZ(const std::string& bytes);

// How a line that carries no key looks.
enum class LineLook {
    ignoredAsIntended,  // empty, or a comment (";")
    leadingSpace,       // a key after spaces, tabs or a full-width space
    fullWidthComma,     // a key name followed by "，" or "、" instead of ","
    keyWithoutComma,    // a key name followed by something other than its comma
    misspeltKey,        // a name before a comma that is nearly a key's name
    unknown,            // anything else: ignored by the program
};

struct LineLookCheck {
    LineLook look = LineLook::ignoredAsIntended;
    SettingsKey key = SettingsKey::none;  // the key it resembles, for the first four looks
};

// For a line on which keyOfLine finds no key.
LineLookCheck lookOfLine(const std::string& line);

// The key's name without its comma ("ファイル"), code page 932.
std::string keyName(SettingsKey key);

// A source name holding * or ?: the program's size lookup takes it for a
// pattern, the copy for a name, and the open fails.
bool hasWildcard(const std::string& name);

// Whether `text` holds the double-byte `character` as one of its own
// characters. Its bytes alone prove nothing: "メC" is 83 81 43 and holds
// "，" (81 43) across two characters.
bool holdsCharacter(const std::string& text, const std::string& character);

// Whether the last character of `text` is the double-byte `character`.
bool endsWithCharacter(const std::string& text, const std::string& character);

// Of the candidates, the one most like `name` (differing in at most two
// bytes, ignoring letter case), or "" when none is.
std::string closestName(const std::string& name, const std::vector<std::string>& candidates);
