#include "core/decimal_text.h"

wchar_t* writeWideDecimal(std::uint64_t value, wchar_t* at) {
    wchar_t digits[mostDecimalDigits];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) {
        *at++ = digits[--count];
    }
    return at;
}

std::wstring wideDecimalText(std::uint64_t value) {
    wchar_t digits[mostDecimalDigits];
    return std::wstring(digits, writeWideDecimal(value, digits));
}

std::string decimalText(std::uint64_t value) {
    const std::wstring digits = wideDecimalText(value);
    return std::string(digits.begin(), digits.end());
}
