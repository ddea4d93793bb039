// The game's own installer records its folder in the registry; this program
// only reads it.
#include <memory>
#include <new>

#include "core/GameRegistryView.h"
#include "core/HandleOwners.h"
#include "settings/SettingsLoading.h"
#include "settings/folder_names.h"

int readInstallFolder(const std::wstring& company, const std::wstring& title, std::wstring& installFolder) {
    const std::wstring keyPath = L"SOFTWARE\\" + company + L"\\" + title;
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | gameKeyView, key.receive()) !=
        ERROR_SUCCESS) {
        return gameNotInstalled;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), L"path", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0 ||
        size >= MAXDWORD - sizeof(wchar_t)) {
        return gameNotInstalled;
    }
    // One zero character more than the data holds (an odd byte count
    // rounded up): a value stored without its own terminator (any type is
    // accepted) still ends inside the buffer.
    const std::size_t characters = size / sizeof(wchar_t) + 2;
    std::unique_ptr<wchar_t[]> data(new (std::nothrow) wchar_t[characters]());
    if (!data) {
        // The key is there: memory ran out, as it may anywhere in loading.
        return settingsUnusable;
    }
    DWORD fetched = size;
    if (RegQueryValueExW(key.get(), L"path", nullptr, nullptr, reinterpret_cast<BYTE*>(data.get()), &fetched) !=
        ERROR_SUCCESS) {
        return gameNotInstalled;
    }
    installFolder = installFolderFromValue(data.get());
    return settingsReady;
}
