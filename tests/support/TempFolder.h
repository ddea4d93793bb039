// A folder of its own for one test, removed with everything in it at the end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TempFolder {
public:
    // In the user's temporary folder.
    TempFolder();
    // In the given folder, which ends with a backslash.
    explicit TempFolder(const std::string& parent);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing backslash.
    const std::string& path() const { return path_; }
    // path() + "\" + name.
    std::string file(const std::string& name) const;
    // Writes bytes to path() + "\" + name, replacing any file there.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

// Names of the files and folders in a folder ("." and ".." left out),
// sorted; none when it can't be listed.
std::vector<std::string> namesIn(const std::string& folder);

// Whole content of a file; fails the test when it can't be read.
std::string readWholeFile(const std::string& path);

// Bytes that differ from offset to offset, so that a shifted or repeated
// chunk does not compare equal.
std::string patternBytes(std::size_t size, unsigned seed = 1);
