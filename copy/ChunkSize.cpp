#include "copy/ChunkSize.h"

#include "copy/copy_rules.h"
#include "core/FileProbe.h"

std::uint32_t chunkSizeFor(const std::wstring& installFolder) {
    // A folder on a drive starts with its root, such as "C:\".
    return chunkSizeOf(diskFiguresOf(installFolder.substr(0, 3)));
}
