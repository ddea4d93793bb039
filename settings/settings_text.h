// A settings text split into lines, read from the settings file or from the
// embedded default settings. Knows nothing of keys.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Results of readFile and readMemory.
enum SettingsReadResult : int {
    settingsReadOk = 0,
    settingsOpenFailed = -1,
    settingsSizeFailed = -2,
    settingsNoMemory = -3,
    settingsReadFailed = -4,
};

class SettingsText {
public:
    // Reads the whole file and appends its lines. On any failure the lines
    // held before stay as they were.
    int readFile(const wchar_t* path);

    // Appends the lines of a block the caller keeps. Fails only when memory
    // runs out (settingsNoMemory), and then appends nothing.
    int readMemory(const void* data, std::size_t size);

    const std::vector<std::string>& lines() const { return lines_; }

private:
    int splitLines(const unsigned char* data, std::size_t size);

    std::vector<std::string> lines_;
};
