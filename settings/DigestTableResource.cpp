#include "settings/DigestTableResource.h"

#include "core/ModuleResource.h"
#include "resources/resource_ids.h"

std::optional<std::string> digestTableBytesOf(HMODULE module) {
    const ModuleResource table = moduleResource(module, digestTableResourceType, IDR_DIGEST_TABLE);
    if (!table.found) {
        return std::nullopt;
    }
    // A table that is there but can't be loaded is no table the reader
    // takes: empty bytes, refused as a whole, never "no table".
    if (table.bytes == nullptr) {
        return std::string();
    }
    return std::string(reinterpret_cast<const char*>(table.bytes), table.size);
}
