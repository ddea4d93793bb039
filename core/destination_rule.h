// Where a "ファイル," line may write. The program runs with administrator
// rights and its settings file can come from anyone who could write to the
// folder it was started from, so a destination name must name a file inside
// the install folder and nothing else: no other drive, no path from a root,
// no climb out with "..", no device, nothing Windows would read as more than
// a file name.
#pragma once

#include <string>

// Why a destination name is refused. The rule looks at the name as Windows
// will resolve it below the install folder: both \ and / separate
// components, empty components collapse, and a trailing dot or space is
// dropped from a component.
enum class DestinationProblem {
    none,
    fromRoot,            // starts with a separator: the drive's root, or \\server (UNC), or \\?\ and \\.\ paths
    driveOrStream,       // holds a colon: "C:\x", "C:x" (another drive) or "a.dat:x" (a stream)
    climbsOut,           // more ".." than the folders before it
    deviceName,          // CON, PRN, AUX, NUL, COM0-9, LPT0-9 (with any extension): a device, not a file
    dotsAndSpacesOnly,   // a component such as "..." or ". ": Windows strips it to something else
    forbiddenCharacter,  // a control character (U+0000-U+001F) or < > " | ? *: no file name holds one
    notCodePage932,      // as the settings write it: bytes code page 932 does not define, so no name at all
};

// The problem of a destination name, as the UTF-16 text the settings name
// converts to. An empty name is none: it names the install folder itself,
// which no file can replace. The whole text counts, an embedded U+0000
// included.
DestinationProblem destinationProblemOf(const std::wstring& name);

inline bool destinationStaysInside(const std::wstring& name) {
    return destinationProblemOf(name) == DestinationProblem::none;
}
