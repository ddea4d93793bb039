// Numbers in decimal digits, the one home of the digits every text of the
// program writes (the size display, the checker's notes, the copy's
// refusals). No system call: built natively too.
#pragma once

#include <cstdint>
#include <string>

// A number in decimal digits, for any 64-bit value.
std::string decimalText(std::uint64_t value);

// The same digits as UTF-16, for the texts handed to Windows.
std::wstring wideDecimalText(std::uint64_t value);
