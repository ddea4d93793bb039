// Writing a release: checks what was given, assembles the release beside
// the output folder, runs the checker's findings on it, and puts it in place.
#pragma once

#include "maker/ReleaseOptions.h"

// 0 written, nothing to mend; 1 written, warnings only; 2 refused (nothing
// written).
int writeRelease(const Release& release);
