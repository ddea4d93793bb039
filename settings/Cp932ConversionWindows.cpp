#include <windows.h>

#include "settings/cp932_conversion.h"

bool wideFromCp932(const std::string& bytes, std::wstring& wide) {
    wide.clear();
    if (bytes.empty()) {
        return true;
    }
    if (bytes.size() > 0x7FFFFFFF) {
        return false;
    }
    const int byteCount = static_cast<int>(bytes.size());
    // Code page 932 itself, never the system's ANSI code page (1252 on a
    // Western Windows), and no best-fit guess for a byte it lacks.
    const int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), byteCount, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), byteCount, wide.data(), length) == length;
}
