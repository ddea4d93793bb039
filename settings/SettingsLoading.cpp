#include "settings/SettingsLoading.h"

#include <new>
#include <utility>

#include "settings/byte_scan.h"
#include "settings/destination_rule.h"
#include "settings/settings_keys.h"
#include "settings/settings_text.h"

namespace {

int fillSession(PatchSession& session, HINSTANCE instance, const char* commandLine) {
    session.programFolder = programFolderOf(commandLine);
    const std::string baseName = programBaseNameOf(commandLine);

    // A settings file that can be read replaces the embedded settings whole,
    // however little it holds.
    SettingsText text;
    if (!readSettingsFile(session.programFolder, baseName, text) && !readEmbeddedSettings(instance, text)) {
        return settingsUnusable;
    }

    SettingsValues values = readSettingsValues(text.lines());
    static_cast<ProgramTexts&>(session) = std::move(static_cast<ProgramTexts&>(values));
    for (const FileLine& file : values.files) {
        session.files.push_back(
            PatchFileEntry::fromSettingsLine(session.programFolder, file.sourceName, file.destinationName));
        // The program runs elevated, and whoever could leave a settings file
        // beside it would otherwise choose where it writes.
        if (!destinationStaysInside(session.files.back().destinationName.c_str())) {
            return settingsUnusable;
        }
    }
    if (session.files.empty()) {
        return settingsUnusable;
    }
    return readInstallFolder(session.company, session.title, session.installFolder);
}

}  // namespace

bool readSettingsFile(const std::string& folder, const std::string& baseName, SettingsText& text) {
    char path[MAX_PATH];
    const std::size_t needed = folder.size() + 1 + baseName.size() + sizeof ".inf";
    if (needed > sizeof path) {
        return false;
    }
    wsprintfA(path, "%s\\%s.inf", folder.c_str(), baseName.c_str());
    return text.readFile(path) == settingsReadOk;
}

bool readEmbeddedSettings(HINSTANCE instance, SettingsText& text) {
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(defaultSettingsResourceId), defaultSettingsResourceType);
    if (resource == nullptr) {
        return false;
    }
    const DWORD size = SizeofResource(instance, resource);
    if (size == 0) {
        return false;
    }
    HGLOBAL loaded = LoadResource(instance, resource);
    if (loaded == nullptr) {
        return false;
    }
    // Resource memory belongs to the module: nothing to unlock or free.
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) {
        return false;
    }
    return text.readMemory(bytes, size) == settingsReadOk;
}

std::string getProgramFolder() {
    return programFolderOf(GetCommandLineA());
}

std::string getProgramBaseName() {
    return programBaseNameOf(GetCommandLineA());
}

int PatchSession::loadSettings(HINSTANCE instance) {
    return loadSettingsFrom(*this, instance, GetCommandLineA());
}

int loadSettingsFrom(PatchSession& session, HINSTANCE instance, const char* commandLine) {
    // The settings live in strings and lists; when memory runs out while
    // they are built, they are as unusable as settings that can't be read.
    try {
        return fillSession(session, instance, commandLine);
    } catch (const std::bad_alloc&) {
        return settingsUnusable;
    }
}
