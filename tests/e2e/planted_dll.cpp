// A DLL that someone left beside the program under the name of a system DLL.
// It does nothing but leave a marker file beside itself when it is loaded,
// "<its own path>.loaded", so that a test sees from outside whether the
// program took it instead of the system's own.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    char marker[MAX_PATH + 16];
    const DWORD length = GetModuleFileNameA(module, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return TRUE;
    }
    lstrcatA(marker, ".loaded");
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return TRUE;
}
