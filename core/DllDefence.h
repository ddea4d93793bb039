// Code only from the system folder: the first thing each of the project's
// programs does, before it loads anything by name.
#pragma once

#include <windows.h>

// From here on every DLL the process loads by name comes from the system
// folder (or, for comctl32, from the side-by-side assembly that the manifest
// names), and the DLLs that the system's own libraries load on demand are
// loaded from there by their full paths.
void loadCodeOnlyFromTheSystem();

// Loads the system folder's `name` by its full path (never searched for);
// null when the system lacks it. The caller owns the reference.
HMODULE loadSystemLibrary(const wchar_t* name);
