// The game's own installer records its folder in the registry; this program
// only reads it.
#include <memory>
#include <new>

#include "core/HandleOwners.h"
#include "settings/SettingsLoading.h"
#include "settings/byte_scan.h"

int readInstallFolder(const std::string& company, const std::string& title, std::string& installFolder) {
    const std::string keyPath = "SOFTWARE\\" + company + "\\" + title;
    // A 32-bit program: on 64-bit Windows this reads the 32-bit view
    // (WOW6432Node), where the game's 32-bit installer wrote.
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.receive()) != ERROR_SUCCESS) {
        return gameNotInstalled;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), "path", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0 ||
        size == MAXDWORD) {
        return gameNotInstalled;
    }
    // One zero byte more than the data: a value stored without its own
    // terminator (any type is accepted) still ends inside the buffer.
    std::unique_ptr<char[]> data(new (std::nothrow) char[size + 1]());
    if (!data) {
        return gameNotInstalled;
    }
    DWORD fetched = size;
    if (RegQueryValueExA(key.get(), "path", nullptr, nullptr, reinterpret_cast<BYTE*>(data.get()), &fetched) !=
        ERROR_SUCCESS) {
        return gameNotInstalled;
    }
    installFolder = installFolderFromValue(data.get());
    return settingsReady;
}
