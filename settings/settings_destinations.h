// Destinations as the settings text writes them (code page 932 bytes): the
// destination rule on the name the program will use, and the folders the
// names need. For the settings loading and the publisher's check.
#pragma once

#include <string>
#include <vector>

#include "core/destination_rule.h"

// The problem of a destination as the settings text writes it (code page 932
// bytes): converted as the program converts it, then judged as above.
DestinationProblem settingsDestinationProblemOf(const std::string& name);

// Whether a destination name that stays inside the install folder names a
// folder rather than a file: it ends in a real separator (not the trail byte
// of ソ), or its last component is "." or "..". No file can be created there.
bool namesAFolder(const std::string& name);

// The subfolders of the install folder that the accepted destinations need
// (the program creates none): each folder's parents before it, each folder
// once (letters without case), in the order first met. Names are as the
// settings write them, joined by backslashes, with "." and ".." resolved as
// Windows resolves them; a trail byte 0x5C (ソ, 表) separates nothing.
// Destinations the rule refuses are passed over.
std::vector<std::string> foldersNeededBy(const std::vector<std::string>& destinations);
