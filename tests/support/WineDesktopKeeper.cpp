// Keeps Wine's desktop process running for a whole test run.
//
// Wine starts its desktop process when the first program of a session asks
// for the desktop, and that process inherits the program's standard output.
// Under ctest that is a test's pipe: ctest then waits for the desktop to end
// (ten seconds after the last program of the session has gone, much longer
// while other tests keep running) before it counts the test as finished.
// Started by the test script with its output sent nowhere, this program asks
// first, and stays until the session's Wine server is stopped.
#include <windows.h>

#include "core/HandleOwners.h"

//
// Its one argument names a file it writes once the desktop is there, so that
// the script starts no test before.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    GetDesktopWindow();  // starts the desktop process now, from here
    {
        UniqueHandle ready(
            CreateFileA(commandLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!ready.valid()) {
            return 1;
        }
        DWORD written = 0;
        WriteFile(ready.get(), "ready\n", 6, &written, nullptr);
    }  // closed before the script reads it
    // A thread that owns no window still answers what is sent to it.
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
