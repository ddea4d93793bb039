// The release a publisher asks for: the values of the release file and the
// options (an option wins over the file), each with where it was given, and
// patch-make's messages that name those places.
#pragma once

#include <map>
#include <string>

// One value of the release, and where it was given, for the messages.
struct Given {
    std::wstring text;
    std::wstring where;     // "release.txt:4" or "patch-make"
    std::wstring baseFolder;  // relative paths start here ("" : the current folder)
};

// A refusal: "where: エラー: text".
struct Refusal {
    std::wstring where;
    std::wstring text;
};

class Release {
public:
    std::map<std::wstring, Given> values;
    bool replace = false;
    bool signingFollows = false;

    const Given* find(const wchar_t* key) const;
    // The full path a value names: relative to the release file's folder
    // when the file gave it, else to the current folder.
    std::wstring pathOf(const Given& given) const;
};

// "where: エラー: text".
std::wstring errorLine(const Refusal& refusal);

// One line of patch-make's output.
void say(const std::wstring& line);

// "「asGiven」がありません。" and what to do.
std::wstring missing(const std::wstring& asGiven, const wchar_t* whatToDo);

// Whether `option` ("--name") is one that takes a value: the release file's
// keys.
bool takesValue(const std::wstring& option);

// Adds the values of the release file `releaseFile` (as typed) that no
// option gave. False, after saying why, when it can't be read or is refused.
bool addReleaseFile(Release& release, const std::wstring& releaseFile);
