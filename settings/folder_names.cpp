#include "settings/folder_names.h"

namespace {

// Where the name after the folder starts: just past the last backslash.
std::size_t nameStartOf(const std::wstring& path) {
    const std::size_t last = path.rfind(L'\\');
    return last == std::wstring::npos ? 0 : last + 1;
}

}  // namespace

std::wstring folderOfPath(const std::wstring& path) {
    const std::size_t start = nameStartOf(path);
    return start == 0 ? std::wstring() : path.substr(0, start - 1);
}

std::wstring baseNameOfPath(const std::wstring& path) {
    const std::wstring name = path.substr(nameStartOf(path));
    const std::size_t stop = name.find(L'.');
    if (stop == 0 || stop == std::wstring::npos) {
        return name;
    }
    return name.substr(0, stop);
}

std::wstring installFolderFromValue(const std::wstring& value) {
    std::wstring folder = value.substr(0, value.find(L'\0'));
    if (folder.size() > 3 && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}
