// Reading the settings file itself: one open, one size query, one read.
#include <windows.h>

#include "core/HandleOwners.h"
#include "settings/settings_text.h"

int SettingsText::readFile(const wchar_t* path) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return settingsOpenFailed;
    }
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) {
        return settingsSizeFailed;
    }
    // One byte more than the file, all zero: a short read leaves zeros.
    GlobalBlock block(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size) + 1));
    if (!block.valid()) {
        return settingsNoMemory;
    }
    DWORD bytesRead = 0;
    if (!ReadFile(file.get(), block.bytes(), size, &bytesRead, nullptr)) {
        return settingsReadFailed;
    }
    file.reset();
    return splitLines(block.bytes(), size);
}
