// What the console tools (patch-check, patch-make) take from their command
// line: the arguments in UTF-16, so that a path may be named in any script
// whatever code page the system uses.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's own name.
std::vector<std::wstring> toolArguments();
