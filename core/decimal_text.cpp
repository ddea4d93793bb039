#include "core/decimal_text.h"

std::string decimalText(std::uint64_t value) {
    char digits[20];  // 2^64 - 1 has 20 digits
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::string text;
    while (count > 0) {
        text += digits[--count];
    }
    return text;
}

std::wstring wideDecimalText(std::uint64_t value) {
    const std::string digits = decimalText(value);
    return std::wstring(digits.begin(), digits.end());
}
