// The program's version resource (what the file's properties show), built as
// bytes by the release maker, and the rules its texts follow. The layout is
// resources/version.rc's: Japanese texts in UTF-16 under "041104B0", the
// translation 0x0411, 1200, a Windows application of no particular kind.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using VersionNumbers = std::array<std::uint16_t, 4>;

struct VersionFields {
    VersionNumbers fileVersion{};
    VersionNumbers productVersion{};
    std::wstring companyName;
    std::wstring fileDescription;
    std::wstring fileVersionText;
    std::wstring internalName;
    std::wstring legalCopyright;
    std::wstring originalFilename;
    std::wstring productName;
    std::wstring productVersionText;
};

// The RT_VERSION resource's bytes.
std::vector<std::uint8_t> versionResourceBytes(const VersionFields& fields);

// "1.2" -> 1, 2, 0, 0: one to four decimal numbers from 0 to 65535, between
// full stops. False for anything else.
bool versionNumbersFrom(const std::wstring& text, VersionNumbers& numbers);

// A file property's text holds no line break or other control character.
bool isPropertyText(const std::wstring& text);

// The program's file name from what the publisher gave: ".exe" dropped if
// given. False for a name the program can't carry: empty, with a folder or
// any of \ / : * ? " < > |, a control character, beginning with a full stop
// (its settings file is named after it up to the first full stop), or
// ending in a full stop or a space.
bool programNameFrom(const std::wstring& given, std::wstring& name);
