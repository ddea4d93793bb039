// Paths resolved as resolvedPathOf (core/FileNames.h) resolves them, for
// many paths at once: each folder is resolved and listed once, and a name
// is taken from the listing (a short name "LONGFI~1.DAT" for the file it
// names) instead of asking the disk about it. Under Wine each question
// about a name costs a scan of its folder (GetLongPathNameW about 0.7 ms a
// call in a folder of a thousand files), so a thousand files asked one by
// one take seconds. The listing is what the disk held when a folder was
// first asked.
#pragma once

#include <string>
#include <utility>
#include <vector>

class PathResolver {
public:
    // `path` whole, its folder in its long form with the disk's letters, its
    // name as given, or the long name a short one the disk had stands for.
    // The same text for every spelling of one file, as sameFileName
    // compares (a name's letters may differ in case).
    std::wstring resolved(const std::wstring& path);

    // Whether the disk held `resolvedPath` (a resolved()) when its folder
    // was listed.
    bool listed(const std::wstring& resolvedPath) const;

private:
    std::wstring resolvedFolder(const std::wstring& folder);
    void list(const std::wstring& resolved);

    std::vector<std::pair<std::wstring, std::wstring>> folders_;  // as given, resolved
    std::vector<std::wstring> onDisk_;                             // in fileNameBefore's order
    std::vector<std::pair<std::wstring, std::wstring>> shortNames_;  // short path, long path; by short path
};

// Sorted lists of names as the file system compares them (fileNameBefore's
// order): the same look-ups as sets, less code in the shipped program.
bool sortedNamesHold(const std::vector<std::wstring>& names, const std::wstring& name);
void addToSortedNames(std::vector<std::wstring>& names, const std::wstring& name);
