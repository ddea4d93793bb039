// The findings' text conversions: the settings' names in code page 932 as
// the program converts them, and the report's lines in UTF-16.
#pragma once

#include <optional>
#include <string>

// A settings name as the program converts it (code page 932 named
// explicitly); nothing when it does not convert.
std::optional<std::wstring> wideOf(const std::string& cp932Name);

// A name Windows gave (a file of the folder) in code page 932, as a
// settings line would name it. A character code page 932 lacks becomes the
// system's default character: no settings name could name such a file anyway.
std::string cp932Of(const std::wstring& name);

// A settings value fit to print among the findings: as it is when it is code
// page 932 text, else with each byte that is none replaced, so that it
// converts to the findings' UTF-16.
std::string shown(const std::string& cp932Name);

// A text composed in code page 932 (a settings value in it, say) in the
// findings' UTF-16.
std::wstring reportLineInUtf16(const std::string& text);
