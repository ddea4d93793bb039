#include "core/path_text.h"

namespace {

// Where the name after the folder starts: just past the last separator.
std::size_t nameStartOf(const std::wstring& path) {
    const std::size_t last = path.find_last_of(L"\\/");
    return last == std::wstring::npos ? 0 : last + 1;
}

}  // namespace

std::wstring folderOfPath(const std::wstring& path) {
    const std::size_t start = nameStartOf(path);
    return start == 0 ? std::wstring() : path.substr(0, start - 1);
}

std::wstring nameOfPath(const std::wstring& path) { return path.substr(nameStartOf(path)); }

std::wstring pathIn(const std::wstring& folder, const std::wstring& name) {
    return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}
