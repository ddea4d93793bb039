// The check of one program of a patch folder: the settings it reads, their
// lines and values, the files they list (ProgramCheck.cpp), and what they
// would do to an installation (InstallationCheck.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "checker/PatchFolderCheck.h"
#include "checker/ReportText.h"
#include "checker/finding.h"
#include "core/HandleOwners.h"
#include "core/destination_rule.h"
#include "core/ModuleResource.h"
#include "core/PatchFileEntry.h"
#include "resources/resource_ids.h"
#include "settings/SettingsLoading.h"
#include "settings/settings_keys.h"
#include "settings/settings_text.h"

// A program file loaded as data, to read its resources without running any
// of its code.
class ProgramAsData {
public:
    explicit ProgramAsData(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

    HMODULE get() const { return module_.get(); }
    bool hasEmbeddedSettings() const {
        return moduleResource(module_.get(), defaultSettingsResourceType, IDR_DEFAULT_SETTINGS).found;
    }

private:
    LoadedModule module_;
};

struct FileLineAt {
    int line;
    std::string source;
    std::string destination;  // the source name when the line gives none
    bool destinationGiven;
    // The names as the program converts them from code page 932; nothing
    // when their bytes are no code page 932 text (the program then refuses
    // the settings).
    std::optional<std::wstring> wideSource;
    std::optional<std::wstring> wideDestination;
};

// Everything found while checking one program.
class ProgramCheck {
public:
    ProgramCheck(const CheckOptions& options, std::vector<Finding>& findings, std::set<std::string>& listedSources)
        : options_(options), findings_(findings), listedSources_(listedSources) {}

    // programName: the file's name in the patch folder. settingsFilesRead
    // gains the settings file it reads (comparableWideName); folderFiles are
    // the other files of the folder that a settings name can name.
    ProgramSettings run(const std::wstring& programName, const ProgramAsData& program,
                        std::set<std::wstring>& settingsFilesRead, const std::vector<std::string>& folderFiles);

private:
    // Texts composed in code page 932 around the settings' own names, and in
    // UTF-16 around the names Windows gives (files, folders).
    void add(Severity severity, int line, const std::string& text) { add(severity, line, reportLineInUtf16(text)); }
    void add(Severity severity, int line, const std::wstring& text) {
        findings_.push_back({severity, label_, line, text});
    }
    void addFor(Severity severity, const std::wstring& file, const std::wstring& text) {
        findings_.push_back({severity, file, 0, text});
    }
    bool readSettings(const std::wstring& programName, const ProgramAsData& program, std::set<std::wstring>& read);
    void checkEncoding(const std::string& bytes);
    void checkLines();
    void checkLineWithoutKey(int line, const std::string& text);
    void checkSurroundingSpace(int line, SettingsKey key, const std::string& value);
    void checkRequiredValues();
    void checkNamesConvert();
    void checkCaptionFits(const ProgramAsData& program);
    void addNotConverted(int line, const std::string& what, const std::string& name);
    void checkFiles(const std::vector<std::string>& folderFiles);
    void checkFile(const FileLineAt& file, const std::vector<std::string>& unlisted);
    void checkFileNamesConvert(const FileLineAt& file);
    DestinationProblem checkDestination(const FileLineAt& file);
    PatchFileEntry checkSource(const FileLineAt& file, DestinationProblem problem,
                               const std::vector<std::string>& unlisted);
    void reportMissingSource(const FileLineAt& file, const std::vector<std::string>& unlisted);
    void checkDestinationUnique(const FileLineAt& file, std::size_t index);
    void reportSize();
    void checkInstallation(const std::wstring& folder, bool chosenByPublisher);
    void reportRegistry();

    const CheckOptions& options_;
    std::vector<Finding>& findings_;
    std::set<std::string>& listedSources_;
    std::wstring label_;  // where the settings come from, as findings name it
    std::wstring programFolder_;  // as the program takes it from its own path
    ProgramSettings settings_;
    SettingsText text_;
    std::map<SettingsKey, int> lastLineOf_;
    std::vector<FileLineAt> files_;
    std::set<std::string> neededFolders_;
    bool inAnotherEncoding_ = false;        // UTF-8 or UTF-16: no line can carry a key
    bool markOnFirstLine_ = false;          // a UTF-8 mark on code page 932: line 1 has its finding
    std::uint64_t totalBytes_ = 0;          // every size the program counts
    std::vector<PatchFileEntry> entries_;  // per file line, as the program loads it
};
