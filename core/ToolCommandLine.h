// What the console tools (patch-check, patch-make) take from their command
// line: the arguments in UTF-16, so that a path may be named in any script
// whatever code page the system uses, and each path made full.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's own name.
std::vector<std::wstring> toolArguments();

// `path` made absolute from the current folder, without trailing
// separators (a drive root keeps its own); as given when Windows can't.
std::wstring fullPathOf(const std::wstring& path);
