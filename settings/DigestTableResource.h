// The release's table of digests (settings/digest_table.h) as a program
// file carries it: the program reads its own, patch-check and patch-make
// read another program's, loaded as data.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The table resource's bytes; nothing when the module carries no table
// (a program that no release has written: it checks nothing).
std::optional<std::string> digestTableBytesOf(HMODULE module);
