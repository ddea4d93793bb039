#include "core/FileNames.h"

#include <windows.h>

#include "core/path_text.h"

namespace {

// A call that fills a buffer and, when the buffer is short, says how long
// it must be: paths may be longer than MAX_PATH. Most fit it, and take one
// call (under Wine each GetLongPathNameW costs a scan of every folder on
// the way).
template <typename Call>
std::wstring filledBy(Call call) {
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = call(buffer.data(), MAX_PATH);
    if (length >= MAX_PATH) {
        const DWORD needed = length;
        buffer.assign(needed, L'\0');
        length = call(buffer.data(), needed);
        if (length >= needed) {
            return std::wstring();
        }
    }
    buffer.resize(length);
    return buffer;
}

std::wstring withoutTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    return path;
}

// Whether a name of the path is longer than any file system keeps.
bool holdsOverlongName(const std::wstring& path) {
    std::size_t start = 0;
    for (std::size_t end = path.find(L'\\'); ; end = path.find(L'\\', start)) {
        const std::size_t length = (end == std::wstring::npos ? path.size() : end) - start;
        if (length > 255) {
            return true;
        }
        if (end == std::wstring::npos) {
            return false;
        }
        start = end + 1;
    }
}

// The long form of an absolute path whose every name exists; empty when one
// does not. A path with an overlong name names nothing, and Wine's
// GetLongPathNameW does not come back from one.
std::wstring longPathOf(const std::wstring& full) {
    if (holdsOverlongName(full)) {
        return std::wstring();
    }
    return filledBy([&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(full.c_str(), buffer, size); });
}

// Longest existing folder first, then the missing names as given.
std::wstring longFormOf(const std::wstring& full) {
    std::wstring resolved = longPathOf(full);
    if (!resolved.empty()) {
        return resolved;
    }
    const std::size_t cut = full.find_last_of(L'\\');
    // A drive root ("C:\") or a server's share ends the walk.
    if (cut == std::wstring::npos || cut <= 2 || full.find_first_not_of(L'\\') == std::wstring::npos) {
        return full;
    }
    return pathIn(longFormOf(full.substr(0, cut)), full.substr(cut + 1));
}

int compareFileNames(const std::wstring& first, const std::wstring& second) {
    return CompareStringOrdinal(first.c_str(), static_cast<int>(first.size()), second.c_str(),
                                static_cast<int>(second.size()), TRUE);
}

}  // namespace

std::wstring fullPathOf(const std::wstring& path) {
    const std::wstring full =
        filledBy([&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(path.c_str(), size, buffer, nullptr); });
    return full.empty() ? path : withoutTrailingSeparators(full);
}

std::wstring resolvedPathOf(const std::wstring& path) { return longFormOf(fullPathOf(path)); }

bool sameFileName(const std::wstring& first, const std::wstring& second) {
    return compareFileNames(first, second) == CSTR_EQUAL;
}

bool fileNameBefore(const std::wstring& first, const std::wstring& second) {
    return compareFileNames(first, second) == CSTR_LESS_THAN;
}
