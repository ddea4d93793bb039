// The keys of a settings text and what their lines set. A line carries a key
// when it starts with the key's bytes, comma included; the value is the rest
// of the line. Nothing is trimmed.
#pragma once

#include <string>
#include <vector>

#include "core/program_texts.h"

// One "ファイル," line: the file to copy and the name it gets in the install
// folder (empty: the file keeps its own name).
struct FileLine {
    std::string sourceName;
    std::string destinationName;

    bool operator==(const FileLine&) const = default;
};

// Everything a settings text sets, in the order its lines gave it.
struct SettingsValues : ProgramTexts {
    std::vector<FileLine> files;

    bool operator==(const SettingsValues&) const = default;
};

// The value after `key` when `line` carries it. A line is used as a
// NUL-terminated text, so a NUL byte ends it. Returns false when the line is
// shorter than the key or starts otherwise.
bool valueAfterKey(const std::string& line, const char* key, std::string& value);

// Splits a "ファイル," value at its first real comma. The destination keeps any
// further commas.
FileLine splitFileValue(const std::string& value);

// The key a line carries, if any, in the order the program tests them.
enum class SettingsKey { none, caption, title, company, executableName, file };

// The key `line` carries and, when it carries one, its value (as
// valueAfterKey gives it). A line carries at most one key.
SettingsKey keyOfLine(const std::string& line, std::string& value);

// The key's own bytes, comma included ("" for none): code page 932.
const char* keyText(SettingsKey key);

// Reads every line: each single-valued key is set by the last line carrying
// it (an empty value empties it); each "ファイル," line adds one file.
SettingsValues readSettingsValues(const std::vector<std::string>& lines);
