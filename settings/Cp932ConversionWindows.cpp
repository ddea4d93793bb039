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

bool cp932FromWide(const std::wstring& wide, std::string& bytes) {
    bytes.clear();
    if (wide.empty()) {
        return true;
    }
    if (wide.size() > 0x7FFFFFFF) {
        return false;
    }
    const int units = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), units, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), units, bytes.data(), length, nullptr, &usedDefault);
    // Several characters share one code page 932 form; only the one that
    // reads back is that form's own.
    std::wstring back;
    return !usedDefault && wideFromCp932(bytes, back) && back == wide;
}
