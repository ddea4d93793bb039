#include "maker/ReleaseDigests.h"

#include <set>

#include "core/FileProbe.h"
#include "core/Sha256.h"
#include "settings/byte_scan.h"
#include "settings/cp932_conversion.h"
#include "settings/settings_keys.h"
#include "settings/settings_text.h"

std::optional<std::vector<DigestEntry>> releaseDigests(const std::wstring& folder, const std::string& settings) {
    SettingsText text;
    if (text.readMemory(settings.data(), settings.size()) != settingsReadOk) {
        return std::nullopt;
    }
    std::vector<DigestEntry> entries;
    std::set<std::string> named;
    for (const FileLine& line : readSettingsValues(text.lines()).files) {
        // One line per file: two lines copying one source to two places
        // share its entry.
        std::wstring wide;
        if (!isDigestTableName(line.sourceName) || !wideFromCp932(line.sourceName, wide) ||
            !named.insert(comparableName(line.sourceName)).second) {
            continue;
        }
        const std::wstring path = folder + L"\\" + wide;
        const FoundFile found = findAt(path);
        if (!found.exists || found.isFolder) {
            continue;
        }
        DigestEntry entry;
        if (!sha256OfFile(path, entry.digest)) {
            return std::nullopt;
        }
        entry.size = found.size;
        entry.name = line.sourceName;
        entries.push_back(std::move(entry));
    }
    return entries;
}
