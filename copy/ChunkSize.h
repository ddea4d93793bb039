// The copy reads and writes one cluster of the install folder's drive at a
// time.
#pragma once

#include <cstdint>
#include <string>

// Bytes per sector times sectors per cluster of the drive named by the first
// three characters of `installFolder`; fallbackChunkSize when the drive
// reports nothing usable; within the bounds of copy/copy_rules.h.
std::uint32_t chunkSizeFor(const std::wstring& installFolder);
