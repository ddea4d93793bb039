// Where the game's key lives: the registry's 32-bit view. The player's
// program is 32-bit, and the game's installer wrote its key where a 32-bit
// program reads it (WOW6432Node on 64-bit Windows). Every reader and writer of
// that key names the view, so that a 64-bit build of the same code (the
// tests' build on a Linux that cannot run 32-bit programs) meets the same
// key, and a publisher's 64-bit patch-check looks where the player's program
// does.
#pragma once

#include <windows.h>

inline constexpr REGSAM gameKeyView = KEY_WOW64_32KEY;

// Deletes SOFTWARE\<below> in the game's view, with everything under it.
// For the tests and tools that write a game's key and take it away again.
inline LONG deleteGameKeyTree(const wchar_t* below) {
    HKEY software = nullptr;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0,
                                gameKeyView | DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE,
                                &software);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    status = RegDeleteTreeW(software, below);
    if (status == ERROR_SUCCESS) {
        status = RegDeleteKeyExW(software, below, gameKeyView, 0);
        status = status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    RegCloseKey(software);
    return status;
}
