// The names in use in the folders a copy's plan writes to, and the names it
// has planned, compared as Windows resolves and compares paths: whole, "."
// and ".." resolved, folders in their long form, a name given in its short
// form ("LONGFI~1.DAT") taken for the file it names. Each folder is listed
// once (core/PathResolver.h): asking the disk about every candidate name
// instead costs, under Wine, a scan of the whole folder for each name that
// is not there (with a thousand files, seconds).
#pragma once

#include <string>
#include <vector>

#include "core/PathResolver.h"

class NamesInUse {
public:
    // `path` as the plan compares it (PathResolver::resolved): its folder
    // resolved, its name as given or the long name its short one stands for.
    std::wstring keyOf(const std::wstring& path) { return disk_.resolved(path); }

    // Whether the disk held `key` (a keyOf) when its folder was first asked.
    bool onDisk(const std::wstring& key) const { return disk_.listed(key); }
    bool planned(const std::wstring& key) const { return sortedNamesHold(planned_, key); }
    void plan(const std::wstring& key) { addToSortedNames(planned_, key); }

private:
    PathResolver disk_;
    std::vector<std::wstring> planned_;
};
