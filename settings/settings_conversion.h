// A publisher's settings text, saved as UTF-8 or as code page 932, made into
// the bytes the program reads: code page 932 with CR LF line ends. Both the
// release maker (the settings built into the program) and the settings file
// written beside the program take this one way.
#pragma once

#include <string>

struct SettingsConversion {
    bool converted = false;
    std::string bytes;     // code page 932, every line ended by CR LF
    int line = 0;          // where a refusal is, from 1
    std::wstring problem;  // when refused: what is wrong and what to do, in Japanese
};

// Refuses, at the line: bytes that are neither UTF-8 nor code page 932, and
// a character with no exact code page 932 form, naming the character to
// write instead for the usual slips ("¥" for a path's "\" or the caption's
// "￥", "〜" for "～"). An empty text (a mark at most) is refused at line 1.
SettingsConversion settingsFileFrom(const std::string& text);
