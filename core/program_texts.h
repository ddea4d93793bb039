// The texts a settings text gives a run: the dialog's caption, the game's
// title and company (which name its registry key) and its executable.
// Declared once here. The settings and the checker hold them as the settings
// text's code page 932 bytes; the session holds them as the UTF-16 text it
// hands to Windows, converted once when the settings are read.
#pragma once

#include <string>

template <typename Text>
struct ProgramTextsOf {
    Text caption;
    Text title;
    Text company;
    Text executableName;

    bool operator==(const ProgramTextsOf&) const = default;
};

// As the settings text holds them: code page 932 bytes.
using ProgramTexts = ProgramTextsOf<std::string>;
// As Windows takes them: UTF-16.
using WideProgramTexts = ProgramTextsOf<std::wstring>;
