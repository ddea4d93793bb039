// SHA-256 through the system's BCrypt, so that a publisher can compare what
// was written with what reaches the player. bcrypt.dll is no known DLL: it is
// loaded by its full path from the system folder, never imported.
#pragma once

#include <array>
#include <cstdint>
#include <string>

using Sha256Digest = std::array<std::uint8_t, 32>;

// False when the system offers no SHA-256 or the file can't be read whole.
bool sha256OfFile(const std::wstring& path, Sha256Digest& digest);
bool sha256OfBytes(const void* bytes, std::size_t size, Sha256Digest& digest);

// The digest as 64 lower-case hexadecimal digits.
std::wstring hexOf(const Sha256Digest& digest);
