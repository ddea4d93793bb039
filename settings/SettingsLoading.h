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
    settingsUnusable = -1,   // no settings could be read, or they list no file
    gameNotInstalled = -2,   // the game's registry key or its "path" is missing
};

// The embedded default settings: resource type "INF", id 103.
inline constexpr WORD defaultSettingsResourceId = 103;
inline constexpr char defaultSettingsResourceType[] = "INF";

class SettingsText;

// Appends the lines of "<folder>\<base name>.inf", the settings file beside
// the program. A path longer than the platform's path buffer names no file
// the program could open: false, as for a file that can't be read.
bool readSettingsFile(const std::string& folder, const std::string& baseName, SettingsText& text);

// Appends the lines of the embedded default settings of `instance` (the
// running program, or another program's file loaded as data). False when the
// resource is missing, empty or can't be read.
bool readEmbeddedSettings(HINSTANCE instance, SettingsText& text);

// Folder and base name of the running program, from its command line.
std::string getProgramFolder();
std::string getProgramBaseName();

// The work of PatchSession::loadSettings, with the command line given, so that
// any program location can be tried.
int loadSettingsFrom(PatchSession& session, HINSTANCE instance, const char* commandLine);

// Reads the "path" value of HKEY_LOCAL_MACHINE\SOFTWARE\company\title into
// installFolder. Returns settingsReady or gameNotInstalled; installFolder is
// untouched on failure.
int readInstallFolder(const std::string& company, const std::string& title, std::string& installFolder);
