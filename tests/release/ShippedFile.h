// A built program's file as Windows sees it: its resources (the file loaded
// as data, never run) and the texts of its version resource.
#pragma once

#include <windows.h>

#include <array>
#include <string>

// Paths are UTF-16, as the program's own.

// Bytes of one resource of the module file at `path`, in the given language
// (LANG_NEUTRAL: whichever the file has); empty when there is none.
std::string resourceBytes(const std::wstring& path, LPCWSTR type, LPCWSTR name, WORD language = LANG_NEUTRAL);

// The image of the first icon of icon group `group`, as the file stores it.
std::string groupIconImage(const std::wstring& path, WORD group);

// One text of the version resource's Japanese table; empty when missing.
std::wstring versionText(const std::wstring& path, const wchar_t* field);

// FILEVERSION and PRODUCTVERSION: four numbers each.
using VersionNumbers = std::array<unsigned, 4>;
struct FixedVersions {
    VersionNumbers file{};
    VersionNumbers product{};
};
FixedVersions fixedVersions(const std::wstring& path);

// A UTF-8 settings text as the program must receive it: code page 932,
// every line ended by CR LF, no byte-order mark. Converted here with the
// system's own code page 932 table, apart from the build's converter.
std::string settingsBytes(const std::string& utf8Text);

std::wstring fromUtf8(const std::string& text);
std::wstring fromUtf8(const char8_t* text);
