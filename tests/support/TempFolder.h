// A folder of its own for one test, removed with everything in it at the end.
// Paths are UTF-16, as the program's own: a folder name need not fit any
// code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TempFolder {
public:
    // In the user's temporary folder.
    TempFolder();
    // In the given folder, which ends with a backslash.
    explicit TempFolder(const std::wstring& parent);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing backslash.
    const std::wstring& path() const { return path_; }
    // path() + "\" + name.
    std::wstring file(const std::wstring& name) const;
    // Writes bytes to path() + "\" + name, replacing any file there.
    std::wstring write(const std::wstring& name, const std::string& bytes) const;

private:
    std::wstring path_;
};

// Names of the files and folders in a folder ("." and ".." left out),
// sorted; none when it can't be listed.
std::vector<std::wstring> namesIn(const std::wstring& folder);

// The last name of the short form Windows gives an existing path (the name
// itself when the file system keeps no other); empty when the path does not
// exist.
std::wstring shortNameOf(const std::wstring& path);

// Whole content of a file; fails the test when it can't be read.
std::string readWholeFile(const std::wstring& path);

// Bytes that differ from offset to offset, so that a shifted or repeated
// chunk does not compare equal.
std::string patternBytes(std::size_t size, unsigned seed = 1);

// UTF-8 for test messages (gtest prints narrow text).
std::string utf8(const std::wstring& text);
