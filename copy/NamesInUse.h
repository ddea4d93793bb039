// The names in use in the folders a copy's plan writes to, and the names it
// has planned, compared as Windows resolves and compares paths: whole, "."
// and ".." resolved, folders in their long form, a name given in its short
// form ("LONGFI~1.DAT") taken for the file it names. Each folder is listed
// once: asking the disk about every candidate name instead costs, under
// Wine, a scan of the whole folder for each name that is not there (with a
// thousand files, seconds).
#pragma once

#include <string>
#include <utility>
#include <vector>

class NamesInUse {
public:
    // `path` as the plan compares it: its folder resolved, its name as the
    // disk holds it when the disk has it (under that or its short name), as
    // given otherwise.
    std::wstring keyOf(const std::wstring& path);

    // Whether the disk held `key` (a keyOf) when its folder was first asked.
    bool onDisk(const std::wstring& key) const;
    bool planned(const std::wstring& key) const;
    void plan(const std::wstring& key);

private:
    // Kept in fileNameBefore's order: the same look-ups as sets, less code
    // in the shipped program.
    using SortedNames = std::vector<std::wstring>;

    std::wstring resolvedFolder(const std::wstring& folder);
    void list(const std::wstring& resolved);

    std::vector<std::pair<std::wstring, std::wstring>> folders_;  // as given, resolved
    SortedNames onDisk_;
    std::vector<std::pair<std::wstring, std::wstring>> shortNames_;  // short path, long path; by short path
    SortedNames planned_;
};
