// The native build's conversion, for the tests and fuzz targets of the rules
// that follow it: glibc's CP932, Windows' code page 932 as the C library
// knows it.
#include <iconv.h>

#include <cerrno>

#include "settings/cp932_conversion.h"

bool wideFromCp932(const std::string& bytes, std::wstring& wide) {
    wide.clear();
    if (bytes.empty()) {
        return true;
    }
    iconv_t converter = iconv_open("WCHAR_T", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string input = bytes;
    std::wstring output(bytes.size() + 1, L'\0');  // never more characters than bytes
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(output.data());
    std::size_t outLeft = output.size() * sizeof(wchar_t);
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0) {
        return false;
    }
    output.resize(output.size() - outLeft / sizeof(wchar_t));
    wide = output;
    return true;
}

bool cp932FromWide(const std::wstring& wide, std::string& bytes) {
    bytes.clear();
    if (wide.empty()) {
        return true;
    }
    iconv_t converter = iconv_open("CP932", "WCHAR_T");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::wstring input = wide;
    std::string output(wide.size() * 2 + 2, '\0');  // never more than two bytes a character
    char* in = reinterpret_cast<char*>(input.data());
    std::size_t inLeft = input.size() * sizeof(wchar_t);
    char* out = output.data();
    std::size_t outLeft = output.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result != 0 || inLeft != 0) {
        return false;  // irreversible conversions count too
    }
    output.resize(output.size() - outLeft);
    std::wstring back;
    if (!wideFromCp932(output, back) || back != wide) {
        return false;
    }
    bytes = output;
    return true;
}
