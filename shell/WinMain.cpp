// The program's entry: code only from the system folder, one instance at a
// time, the settings, the repair of a copy stopped part way, then the patch
// dialog, whose end code becomes the process exit code.
#include <windows.h>

#include <commctrl.h>

#include "core/DllDefence.h"
#include "core/HandleOwners.h"
#include "core/PatchSession.h"
#include "dialog/PatchDialog.h"
#include "settings/SettingsLoading.h"
#include "shell/DialogRun.h"
#include "shell/StartupRepair.h"

namespace {

// Only the name's existence matters: while one instance holds it, any
// further start ends silently. The name is ASCII: every release of the
// program, whichever call it creates the name with, meets the same object.
constexpr wchar_t instanceGuardName[] = L"patch_quill_d.h";

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
    // record: its folder, whichever it was, is put back, or the copy
    // finished, before the player sees the dialog again.
    repairInterruptedCopies(patchSession.runRecords, patchSession.executableName);
    const LoadedModule commonControls(LoadLibraryW(L"comctl32.dll"));
    if (commonControls.valid()) {
        registerProgressBarClass(commonControls.get());
    }
    return runDialogToTheEnd(patchSession, instance, PatchDialogProc);
}
