// The program's entry: one instance at a time, the settings, then the patch
// dialog, whose end code becomes the process exit code.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "dialog/PatchDialog.h"
#include "resources/resource_ids.h"
#include "shell/PatchSession.h"
#include "shell/win32_owners.h"

namespace {

// Only the name's existence matters: while one instance holds it, any
// further start ends silently.
constexpr char instanceGuardName[] = "patch_quill_d.h";

// No dialog exists yet, so the box has no owner.
void showSettingsError(int result) {
    const std::string text =
        result == -2 ? patchSession.title + "がインストールされていません。" : std::string("設定ファイルが読み込めません。");
    MessageBoxA(nullptr, text.c_str(), "error", MB_OK);
}

int runPatchDialog(HINSTANCE instance) {
    // The dialog template holds a progress bar, whose window class must exist
    // before the dialog is created.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);

    const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PATCH), nullptr, PatchDialogProc, 0);

    // After a confirmed cancel the worker may still be in its last chunk. The
    // session is torn down once this function's caller returns, so the worker
    // must have let go of it first.
    patchSession.waitForWorkerToFinish();
    return static_cast<int>(result);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    UniqueHandle instanceGuard(CreateMutexA(nullptr, FALSE, instanceGuardName));
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
    return runPatchDialog(instance);
}
