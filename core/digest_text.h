// A SHA-256 digest as text: 64 lowercase hex digits, as the release's table
// of digests, patch-make's listing and patch-check's findings write it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

std::string digestHex(const std::array<std::uint8_t, 32>& digest);

// The same digits as UTF-16, for the texts handed to Windows.
std::wstring wideDigestHex(const std::array<std::uint8_t, 32>& digest);
