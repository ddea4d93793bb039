// The check of one program of a patch folder: the settings it reads, their
// lines and values, the files they list (ProgramCheck.cpp), and what they
// would do to an installation (InstallationCheck.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "checker/PatchFolderCheck.h"
#include "core/HandleOwners.h"
#include "settings/SettingsLoading.h"
#include "settings/settings_keys.h"
#include "settings/settings_text.h"

inline constexpr std::uint64_t fourGiB = 0x100000000ull;

// A program file loaded as data, to read its resources without running any
// of its code.
class ProgramAsData {
public:
    explicit ProgramAsData(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

    HMODULE get() const { return module_.get(); }
    bool hasEmbeddedSettings() const {
        return module_.valid() && FindResourceA(module_.get(), MAKEINTRESOURCEA(defaultSettingsResourceId),
                                                defaultSettingsResourceType) != nullptr;
    }

private:
    LoadedModule module_;
};

struct FileLineAt {
    int line;
    std::string source;
    std::string destination;  // the source name when the line gives none
};

// Pieces of the findings' texts.
std::string quoted(const std::string& text);
std::string lineText(int line);

// Everything found while checking one program.
class ProgramCheck {
public:
    ProgramCheck(const CheckOptions& options, std::vector<Finding>& findings, std::set<std::string>& listedSources)
        : options_(options), findings_(findings), listedSources_(listedSources) {}

    ProgramSettings run(const std::string& programName, const ProgramAsData& program,
                        std::set<std::string>& settingsFilesRead, const std::vector<std::string>& folderFiles);

private:
    void add(Severity severity, int line, const std::string& text) {
        findings_.push_back({severity, label_, line, text});
    }
    void addFor(Severity severity, const std::string& file, const std::string& text) {
        findings_.push_back({severity, file, 0, text});
    }
    bool readSettings(const std::string& programName, const ProgramAsData& program, std::set<std::string>& read);
    void checkEncoding(const std::string& bytes);
    void checkLines();
    void checkLineWithoutKey(int line, const std::string& text);
    void checkSurroundingSpace(int line, SettingsKey key, const std::string& value);
    void checkRequiredValues();
    void checkFiles(const std::vector<std::string>& folderFiles);
    void checkFile(const FileLineAt& file, const std::vector<std::string>& unlisted);
    void reportSize();
    void checkInstallation(const std::string& folder, bool chosenByPublisher);
    void reportRegistry();

    const CheckOptions& options_;
    std::vector<Finding>& findings_;
    std::set<std::string>& listedSources_;
    std::string label_;  // where the settings come from, as findings name it
    ProgramSettings settings_;
    SettingsText text_;
    std::map<SettingsKey, int> lastLineOf_;
    std::vector<FileLineAt> files_;
    std::set<std::string> neededFolders_;
    bool inAnotherEncoding_ = false;        // UTF-8 or UTF-16: no line can carry a key
    bool markOnFirstLine_ = false;          // a UTF-8 mark on code page 932: line 1 has its finding
    std::uint64_t totalBytes_ = 0;          // every size the program counts
    std::vector<std::uint64_t> entrySizes_;  // per file line; fourGiB when not copied
};
