#include "core/ModuleResource.h"

ModuleResource moduleResource(HMODULE module, const wchar_t* type, WORD id) {
    ModuleResource resource;
    const HRSRC found = module == nullptr ? nullptr : FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) {
        return resource;
    }
    resource.found = true;
    const DWORD size = SizeofResource(module, found);
    const HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes != nullptr) {
        resource.bytes = static_cast<const unsigned char*>(bytes);
        resource.size = size;
    }
    return resource;
}
