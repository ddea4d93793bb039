// The files of a patch folder against the table of digests a program of it
// carries (written by patch-make): the publisher's last look at a release as
// it was uploaded, or as it came back from a download.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "checker/finding.h"

// Adds an error for a table the program can't read, and for each file the
// table names that is missing from the folder, or whose size or SHA-256
// differs. `checked` holds the entries already checked for another program
// of the folder (name, size and digest): each is checked once. `sources`:
// the files the settings in use list (the program checks only those).
void checkDigestTable(const std::wstring& patchFolder, const std::wstring& programName, HMODULE program,
                      const std::vector<std::string>& sources, std::vector<Finding>& findings,
                      std::set<std::string>& checked);
