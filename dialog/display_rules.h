// The patch dialog's arithmetic and texts that need no system call: the
// centring of the dialog, the drive root of a folder text, and the two-line
// size and free-space text. Built natively too, so the figures are checked
// under the sanitizers.
#pragma once

#include <cstdint>
#include <string>

#include "core/decimal_text.h"  // decimalText, for the size texts' callers
#include "core/disk_space.h"

// Offset that centres an extent inside an area, truncated toward zero: a
// window 3 pixels wider than the area gets -1.
int centredOffset(int area, int extent);

// The first three characters of a folder text, or all of it when shorter:
// the drive root for the usual "C:\..." text. Taken as it is, with no check
// that it is a root at all.
std::wstring driveRootOf(const wchar_t* folderText);

// Whole kilobytes, the remainder dropped.
inline std::uint64_t wholeKilobytes(std::uint64_t bytes) { return bytes >> 10; }

// Free kilobytes of a drive, 0 when the query gave nothing. Worked out in 64
// bits: a drive with 2 TiB free has more kilobytes than 31 bits hold. Figures
// whose kilobytes pass 64 bits give the largest 64-bit figure.
std::uint64_t freeKilobytes(const DiskFreeSpace& space);

// A size as the dialog shows it: whole kilobytes, "1234KB".
std::string kilobytesText(std::uint64_t bytes);

// The text of the size and free-space display. With a free figure:
//   "容量\t\t<required>KB\n<root>空き容量\t<free>KB"
// and, when there is no free figure (freeKb 0):
//   "容量\t\t<required>KB\n 空き容量\tKB"
std::wstring spaceDisplayText(std::uint64_t requiredKb, const std::wstring& root, std::uint64_t freeKb);
