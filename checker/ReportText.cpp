#include "checker/ReportText.h"

#include <windows.h>

#include "settings/cp932_conversion.h"

std::optional<std::wstring> wideOf(const std::string& cp932Name) {
    std::wstring wide;
    if (!wideFromCp932(cp932Name, wide)) {
        return std::nullopt;
    }
    return wide;
}

std::string cp932Of(const std::wstring& name) {
    if (name.empty() || name.size() > 0x7FFFFFFF) {
        return std::string();
    }
    const int units = static_cast<int>(name.size());
    // A character code page 932 lacks becomes the system's default
    // character, not a look-alike ("e" for "é" could name another file of
    // the folder); the findings stay code page 932 text.
    const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, name.data(), units, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::string();
    }
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, name.data(), units, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::string shown(const std::string& cp932Name) {
    if (wideOf(cp932Name)) {
        return cp932Name;
    }
    // Without MB_ERR_INVALID_CHARS each byte that is no character becomes a
    // replacement character, which converts back.
    if (cp932Name.size() > 0x7FFFFFFF) {
        return std::string();
    }
    const int bytes = static_cast<int>(cp932Name.size());
    const int length = MultiByteToWideChar(932, 0, cp932Name.data(), bytes, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(932, 0, cp932Name.data(), bytes, wide.data(), length);
    return cp932Of(wide);
}

std::wstring reportLineInUtf16(const std::string& text) {
    std::wstring wide;
    // Every value that reaches the report has been made code page 932 text
    // (shown, cp932Of): the second try only keeps a slip from losing a line.
    if (!wideFromCp932(text, wide)) {
        wideFromCp932(shown(text), wide);
    }
    return wide;
}
