// Filling the PatchSession at start-up: the settings file beside the program
// or else the embedded default settings, then the game's install folder from
// the registry.
#pragma once

#include <windows.h>

#include <string>

#include "core/PatchSession.h"

// Results of loadSettings.
enum LoadSettingsResult : int {
    settingsReady = 0,
    settingsUnusable = -1,   // no settings could be read, they list no file, or a name in them is unusable
    gameNotInstalled = -2,   // the game's registry key or its "path" is missing
};

class SettingsText;

// Appends the lines of "<folder>\<base name>.inf", the settings file beside
// the program. False when it can't be read.
bool readSettingsFile(const std::wstring& folder, const std::wstring& baseName, SettingsText& text);

// Appends the lines of the embedded default settings of `instance` (the
// running program, or another program's file loaded as data). False when the
// resource is missing, empty or can't be read.
bool readEmbeddedSettings(HINSTANCE instance, SettingsText& text);

// The running program's own full path, as the system loaded it (not the
// command line, which is whatever the starting program passed). Empty when
// the system can't say.
std::wstring getProgramPath();

// The work of PatchSession::loadSettings, with the program's path given, so
// that any program location can be tried.
int loadSettingsFrom(PatchSession& session, HINSTANCE instance, const std::wstring& programPath);

// Reads the "path" value of HKEY_LOCAL_MACHINE\SOFTWARE\company\title into
// installFolder. Returns settingsReady, gameNotInstalled (no key, or no usable
// "path" in it) or settingsUnusable (memory ran out); installFolder is
// untouched on failure.
int readInstallFolder(const std::wstring& company, const std::wstring& title, std::wstring& installFolder);
