#include "core/DllDefence.h"

#include <windows.h>

namespace {

// DLLs that the system's own libraries load by name, on demand, during a run
// (themes, the common controls, the folder browser's shell objects), and
// that are no known DLLs.
constexpr const wchar_t* systemDllsLoadedOnDemand[] = {
    L"uxtheme.dll", L"dwmapi.dll", L"msimg32.dll", L"cryptbase.dll", L"propsys.dll", L"winmm.dll", L"version.dll",
};

// Loads them from the system folder by their full paths. A later load by name
// then finds the one already loaded and searches nowhere. This covers the
// systems without SetDefaultDllDirectories, and loaders that do not apply it
// to every load (Wine resolves its libraries' delayed imports with the search
// order the process started with). They stay loaded for the whole run, which
// is what they are loaded for.
void loadSystemDllsFromTheSystemFolder() {
    for (const wchar_t* name : systemDllsLoadedOnDemand) {
        loadSystemLibrary(name);  // a DLL this system lacks is simply not there to plant
    }
}

}  // namespace

HMODULE loadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || lstrlenW(name) > 14) {
        return nullptr;
    }
    wchar_t path[MAX_PATH + 16];
    wsprintfW(path, L"%s\\%s", folder, name);
    return LoadLibraryW(path);
}

// The program runs with administrator rights and is usually started from a
// downloads folder or an unpacked archive, where anyone may have left a DLL
// under a system DLL's name. Windows' default search order looks in the
// program's own folder first for every DLL that is not among the system's
// known DLLs, and the system's own libraries load such DLLs on demand. From
// here on every DLL the process loads by name comes from the system folder
// (or, for comctl32, from the side-by-side assembly that the manifest names).
void loadCodeOnlyFromTheSystem() {
    using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
    // Windows Vista, and 7 without update KB2533623, lack this call. There
    // the program's folder stays in the search for DLLs loaded on demand,
    // except for those loaded below; the program's own imports are known
    // DLLs, and comctl32 comes from the assembly the manifest names, which is
    // searched before the program's folder.
    // Cast through a plain function type: the two signatures differ.
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // The current folder leaves the search too (it is the program's folder
    // when started by a double click).
    SetDllDirectoryW(L"");
    // An empty removable drive typed into the folder edit would otherwise
    // stop the run with a system box; its space text just shows no free
    // figure.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    loadSystemDllsFromTheSystemFolder();
}
