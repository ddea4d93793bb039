#include "settings/folder_names.h"

#include "core/ascii_fold.h"
#include "core/path_text.h"

std::wstring baseNameOfPath(const std::wstring& path) {
    const std::wstring name = nameOfPath(path);
    const std::size_t stop = name.find(L'.');
    if (stop == 0 || stop == std::wstring::npos) {
        return name;
    }
    return name.substr(0, stop);
}

std::wstring comparableWideName(std::wstring name) {
    for (wchar_t& unit : name) {
        unit = unit == L'/' ? L'\\' : upperAscii(unit);
    }
    return name;
}

std::wstring installFolderFromValue(const std::wstring& value) {
    std::wstring folder = value.substr(0, value.find(L'\0'));
    if (folder.size() > 3 && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}
