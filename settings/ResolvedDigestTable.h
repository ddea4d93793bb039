// The release's table of digests with each name resolved from the program
// folder as Windows resolves a path, so that a file is found in the table
// however the settings spell it: "./data/a.dat", "data/A.DAT", "a.dat." and
// a short name all lead to the table's "data\a.dat". A settings file beside
// the program is anyone's to write; a file found by its text alone would
// pass unchecked under another spelling.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/PathResolver.h"
#include "settings/digest_table.h"

class ResolvedDigestTable {
public:
    // `entries` must outlive the table: it points into them. A name that is
    // not code page 932 text names no file and is left out.
    ResolvedDigestTable(const std::vector<DigestEntry>& entries, const std::wstring& programFolder);

    // The entry for the file at `sourcePath`; nullptr when the table names
    // another file or none.
    const DigestEntry* entryFor(const std::wstring& sourcePath) const;

private:
    // Each folder of the program's listed once, for the table's names and
    // every look-up after them.
    mutable PathResolver disk_;
    std::vector<std::pair<std::wstring, const DigestEntry*>> byPath_;  // in fileNameBefore's order
};
