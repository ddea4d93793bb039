// A DLL that someone left beside the program under the name of a system DLL.
// It does nothing but leave a marker file beside itself when it is loaded,
// so that a test sees from outside whether a program took it instead of the
// system's own: "<its own path>.loaded" once the patch program has begun its
// work (its single-instance name, made just after its DLL defence, exists),
// "<its own path>.loaded-before-guard" when no such program runs (another
// program, or the patch program's start, before any of its code has run).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    // In UTF-16: the folder it was planted in need not fit the code page.
    wchar_t marker[MAX_PATH + 32];
    const DWORD length = GetModuleFileNameW(module, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return TRUE;
    }
    HANDLE programGuard = OpenMutexW(SYNCHRONIZE, FALSE, L"patch_quill_d.h");
    lstrcatW(marker, programGuard != nullptr ? L".loaded" : L".loaded-before-guard");
    if (programGuard != nullptr) {
        CloseHandle(programGuard);
    }
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return TRUE;
}
