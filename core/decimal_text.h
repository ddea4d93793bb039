// Numbers in decimal digits, the one home of the digits every text of the
// program writes (the size display, the checker's notes, the copy's
// refusals). No system call: built natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A number in decimal digits, for any 64-bit value.
std::string decimalText(std::uint64_t value);

// The same digits as UTF-16, for the texts handed to Windows.
std::wstring wideDecimalText(std::uint64_t value);

// The most digits a 64-bit value has.
inline constexpr std::size_t mostDecimalDigits = 20;

// Writes the UTF-16 digits at `at` (room for mostDecimalDigits) and returns
// the end of what it wrote. Allocates nothing.
wchar_t* writeWideDecimal(std::uint64_t value, wchar_t* at);
