#include "settings/DigestTableResource.h"

#include "resources/resource_ids.h"
#include "settings/digest_table.h"

std::optional<std::string> digestTableBytesOf(HMODULE module) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_DIGEST_TABLE), digestTableResourceType);
    if (found == nullptr) {
        return std::nullopt;
    }
    // A table that is there but can't be loaded is no table the reader
    // takes: empty bytes, refused as a whole, never "no table".
    const DWORD size = SizeofResource(module, found);
    const HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes == nullptr) {
        return std::string();
    }
    return std::string(static_cast<const char*>(bytes), size);
}
