// The check of a patch folder, as the patch program would read it on a
// player's machine: every program in the folder, the settings each reads
// (its settings file, else its embedded settings), the files they list, and,
// when asked, an installation to try them against.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checker/finding.h"
#include "core/program_texts.h"

// Folders as full UTF-16 paths, as Windows names them: any folder name works.
struct CheckOptions {
    std::wstring patchFolder;
    std::optional<std::wstring> installFolder;
    // The free space to assume on the install folder's drive, in bytes,
    // instead of asking the drive: what a player with a nearly full disk
    // would meet.
    std::optional<std::uint64_t> assumedFreeSpace;
    // Without an install folder: whether to look at the installation this
    // machine's registry names. patch-make does not: a release is the same
    // whatever its maker has installed.
    bool lookAtThisMachine = true;
};

// What one program of the folder will do, for scripts that set up a trial
// installation from it.
struct ProgramSettings : ProgramTexts {
    std::string programName;   // file name in the patch folder, in code page 932 (see cp932Of)
    std::string settingsFrom;  // the settings file's name, or "" for the embedded settings
    std::vector<std::string> sources;       // as the "ファイル," lines name them
    std::vector<std::string> destinations;  // the same order; the source name when none is given
};

struct CheckReport {
    std::vector<Finding> findings;
    std::vector<ProgramSettings> programs;
};

CheckReport checkPatchFolder(const CheckOptions& options);
