#include "settings/SettingsLoading.h"

#include <new>
#include <utility>

#include "core/ModuleResource.h"
#include "core/destination_rule.h"
#include "core/path_text.h"
#include "resources/resource_ids.h"
#include "settings/DigestTableResource.h"
#include "settings/ResolvedDigestTable.h"
#include "settings/cp932_conversion.h"
#include "settings/digest_table.h"
#include "settings/folder_names.h"
#include "settings/settings_keys.h"
#include "settings/settings_text.h"

namespace {

// The four names of the game, each converted from the settings' code page
// 932 bytes; false when one does not convert.
bool takeGameNames(PatchSession& session, const SettingsValues& values) {
    return wideFromCp932(values.caption, session.caption) && wideFromCp932(values.title, session.title) &&
           wideFromCp932(values.company, session.company) &&
           wideFromCp932(values.executableName, session.executableName);
}

// The table of digests the program carries, if any; false when it carries one
// the reader refuses: a damaged table could let a damaged file through.
bool readOwnDigestTable(HINSTANCE instance, std::vector<DigestEntry>& table) {
    const std::optional<std::string> bytes = digestTableBytesOf(instance);
    if (!bytes) {
        return true;
    }
    DigestTableReading reading = readDigestTable(*bytes);
    if (reading.problem != DigestTableProblem::none) {
        return false;
    }
    table = std::move(reading.entries);
    return true;
}

// One entry per "ファイル," line; false when a name does not convert or a
// destination would leave the install folder. A file the table names, however
// the line spells it, must be found with the table's size and digest; the
// table's other lines are for settings that list more.
bool takeFiles(PatchSession& session, const std::vector<FileLine>& files, const std::vector<DigestEntry>& table) {
    const ResolvedDigestTable resolvedTable(table, session.programFolder);
    for (const FileLine& file : files) {
        std::wstring source;
        std::wstring destination;
        if (!wideFromCp932(file.sourceName, source) || !wideFromCp932(file.destinationName, destination)) {
            return false;
        }
        session.files.push_back(PatchFileEntry::fromSettingsLine(session.programFolder, source, destination));
        // The program runs elevated, and whoever could leave a settings file
        // beside it would otherwise choose where it writes.
        if (!destinationStaysInside(session.files.back().destinationName)) {
            return false;
        }
        if (const DigestEntry* expected = resolvedTable.entryFor(session.files.back().sourcePath)) {
            PatchFileEntry& entry = session.files.back();
            entry.checked = true;
            entry.expectedSize = expected->size;
            entry.expectedDigest = expected->digest;
        }
    }
    return !session.files.empty();
}

int fillSession(PatchSession& session, HINSTANCE instance, const std::wstring& programPath) {
    session.programFolder = folderOfPath(programPath);
    const std::wstring baseName = baseNameOfPath(programPath);

    // A settings file that can be read replaces the embedded settings whole,
    // however little it holds.
    SettingsText text;
    if (!readSettingsFile(session.programFolder, baseName, text) && !readEmbeddedSettings(instance, text)) {
        return settingsUnusable;
    }

    // The table is the release's, whichever settings are in use.
    std::vector<DigestEntry> table;
    if (!readOwnDigestTable(instance, table)) {
        return settingsUnusable;
    }

    const SettingsValues values = readSettingsValues(text.lines());
    if (!takeGameNames(session, values) || !takeFiles(session, values.files, table)) {
        return settingsUnusable;
    }
    return readInstallFolder(session.company, session.title, session.installFolder);
}

}  // namespace

bool readSettingsFile(const std::wstring& folder, const std::wstring& baseName, SettingsText& text) {
    const std::wstring path = folder + L'\\' + baseName + L".inf";
    return text.readFile(path.c_str()) == settingsReadOk;
}

bool readEmbeddedSettings(HINSTANCE instance, SettingsText& text) {
    const ModuleResource settings = moduleResource(instance, defaultSettingsResourceType, IDR_DEFAULT_SETTINGS);
    return settings.bytes != nullptr && settings.size != 0 &&
           text.readMemory(settings.bytes, settings.size) == settingsReadOk;
}

std::wstring getProgramPath() {
    // A path can be longer than MAX_PATH (a long-path folder); the call then
    // fills the buffer and says so, and a larger one is tried.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), capacity);
        if (length == 0) {
            return std::wstring();
        }
        if (length < capacity) {
            path.resize(length);
            return path;
        }
    }
    return std::wstring();
}

namespace {

// The settings live in strings and lists; when memory runs out while they
// are built, they are as unusable as settings that can't be read.
template <typename Load>
int unlessMemoryRunsOut(Load load) {
    try {
        return load();
    } catch (const std::bad_alloc&) {
        return settingsUnusable;
    }
}

}  // namespace

int PatchSession::loadSettings(HINSTANCE instance) {
    return unlessMemoryRunsOut([&] { return fillSession(*this, instance, getProgramPath()); });
}

int loadSettingsFrom(PatchSession& session, HINSTANCE instance, const std::wstring& programPath) {
    return unlessMemoryRunsOut([&] { return fillSession(session, instance, programPath); });
}
