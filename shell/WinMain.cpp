// The program's entry: code only from the system folder, one instance at a
// time, the settings, the repair of a copy stopped part way, then the patch
// dialog, whose end code becomes the process exit code.
#include <windows.h>

#include <commctrl.h>

#include "core/HandleOwners.h"
#include "core/PatchSession.h"
#include "dialog/PatchDialog.h"
#include "settings/SettingsLoading.h"
#include "shell/DialogRun.h"
#include "shell/StartupRepair.h"

namespace {

// Only the name's existence matters: while one instance holds it, any
// further start ends silently.
// The name is ASCII, so the W call names the same object as before.
constexpr wchar_t instanceGuardName[] = L"patch_quill_d.h";

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
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    for (const wchar_t* name : systemDllsLoadedOnDemand) {
        wchar_t path[MAX_PATH + 16];
        wsprintfW(path, L"%s\\%s", folder, name);
        LoadLibraryW(path);  // a DLL this system lacks is simply not there to plant
    }
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

// The dialog's progress bar is a common control, whose window class must
// exist before the dialog is created. comctl32 is no known DLL, so it is
// loaded here, once the search is restricted, rather than imported: imports
// are resolved before WinMain runs, when the program's folder still comes
// first. The manifest's common controls 6 apply to it all the same.
void registerProgressBarClass(HMODULE commonControls) {
    using InitCommonControlsExCall = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initCommonControlsEx = reinterpret_cast<InitCommonControlsExCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(commonControls, "InitCommonControlsEx")));
    // Without it the dialog can't be created, and its failure value
    // becomes the exit code.
    if (initCommonControlsEx != nullptr) {
        const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
        initCommonControlsEx(&classes);
    }
}

// No dialog exists yet, so the box has no owner. Composed without anything
// that throws: out of memory here still shows a reason.
void showSettingsError(int result) {
    if (result != gameNotInstalled) {
        MessageBoxW(nullptr, L"設定ファイルが読み込めません。", L"error", MB_OK);
        return;
    }
    static const wchar_t notInstalled[] = L"がインストールされていません。";
    const std::size_t titleBytes = patchSession.title.size() * sizeof(wchar_t);
    GlobalBlock text(GlobalAlloc(GMEM_FIXED, titleBytes + sizeof notInstalled));
    if (!text.valid()) {
        MessageBoxW(nullptr, notInstalled, L"error", MB_OK);
        return;
    }
    unsigned char* const bytes = text.bytes();
    CopyMemory(bytes, patchSession.title.data(), titleBytes);
    CopyMemory(bytes + titleBytes, notInstalled, sizeof notInstalled);
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(bytes), L"error", MB_OK);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    loadCodeOnlyFromTheSystem();

    UniqueHandle instanceGuard(CreateMutexW(nullptr, FALSE, instanceGuardName));
    const DWORD guardError = GetLastError();
    if (guardError == ERROR_ALREADY_EXISTS) {
        return 0;
    }
    // A guard that could not be made for another reason is no reason to stop.

    const int settings = patchSession.loadSettings(instance);
    if (settings != 0) {
        showSettingsError(settings);
        return 0;
    }
    // A copy stopped part way (killed, crashed, a power cut) left its
    // journal: the folder is put back, or the copy finished, before the
    // player sees the dialog again.
    repairInterruptedCopy(patchSession.installFolder);
    const LoadedModule commonControls(LoadLibraryW(L"comctl32.dll"));
    if (commonControls.valid()) {
        registerProgressBarClass(commonControls.get());
    }
    return runDialogToTheEnd(patchSession, instance, PatchDialogProc);
}
