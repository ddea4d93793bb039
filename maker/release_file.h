// The publisher's release file: one UTF-8 text (a mark allowed, CR LF or LF)
// in the settings text's own style, "key,value" lines, ";" starting a
// comment, blank lines ignored. The keys are the command line's options
// without their "--".
#pragma once

#include <map>
#include <string>

struct ReleaseValue {
    std::wstring text;  // trimmed of spaces and tabs
    int line = 0;
};

struct ReleaseFile {
    std::map<std::wstring, ReleaseValue> values;  // by key
    int errorLine = 0;       // where reading stopped, from 1
    std::wstring problem;    // what is wrong and what to do, in Japanese; empty when read
};

// A file without a "key,value" line (empty, or comments only) stops at line 1.
ReleaseFile readReleaseFile(const std::string& bytes);

// Whether `key` is one of the release file's keys.
bool isReleaseKey(const std::wstring& key);
