// The table of digests patch-make writes into a release: the SHA-256 and
// size of each file the program's built-in settings list, as it lies in the
// release folder once the files are copied.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/digest_table.h"

// `settings`: the built-in settings' bytes (code page 932). A listed file
// missing from the folder, a folder, or a name the table can't hold is left
// out (the checker names such a line). Nothing when a listed file can't be
// hashed.
std::optional<std::vector<DigestEntry>> releaseDigests(const std::wstring& folder, const std::string& settings);
