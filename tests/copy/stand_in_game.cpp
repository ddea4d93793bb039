// Stands in for a running game: holds one file open, unshared, as a game
// holds its data, until the test tells it to end.
//   stand_in_game.exe <file to hold> <event to set when holding> <event that ends it>
// The two events are made by the test before it starts this program.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 2;
    }
    HANDLE held = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    HANDLE holding = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE end = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (held == INVALID_HANDLE_VALUE || holding == nullptr || end == nullptr) {
        return 3;
    }
    SetEvent(holding);
    // A test that never says so does not leave it behind for long.
    WaitForSingleObject(end, 60000);
    CloseHandle(held);
    return 0;
}
