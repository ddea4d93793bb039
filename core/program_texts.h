// The texts a settings text gives a run: the dialog's caption, the game's
// title and company (which name its registry key) and its executable. Read
// by the settings, held by the session, reported by the checker: declared
// once here, assigned in one go.
#pragma once

#include <string>

struct ProgramTexts {
    std::string caption;
    std::string title;
    std::string company;
    std::string executableName;

    bool operator==(const ProgramTexts&) const = default;
};
