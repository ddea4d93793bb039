#include "settings/settings_keys.h"

#include <cstring>

#include "settings/byte_scan.h"

namespace {

// Code page 932 bytes (the sources are compiled with that execution
// character set); each key ends with its comma.
constexpr char captionKey[] = "キャプション,";
constexpr char titleKey[] = "タイトル,";
constexpr char companyKey[] = "社名,";
constexpr char executableKey[] = "実行ファイル,";
constexpr char fileKey[] = "ファイル,";

static_assert(sizeof captionKey - 1 == 13 && sizeof titleKey - 1 == 9 && sizeof companyKey - 1 == 5 &&
                  sizeof executableKey - 1 == 13 && sizeof fileKey - 1 == 9,
              "keys must be compiled as code page 932 bytes");

}  // namespace

bool valueAfterKey(const std::string& line, const char* key, std::string& value) {
    const char* text = line.c_str();  // ends at the line's first NUL byte
    const std::size_t textLength = std::strlen(text);
    const std::size_t keyLength = std::strlen(key);
    if (textLength < keyLength || std::memcmp(text, key, keyLength) != 0) {
        return false;
    }
    value.assign(text + keyLength, textLength - keyLength);
    return true;
}

FileLine splitFileValue(const std::string& value) {
    const int comma = findChar(value.c_str(), ',');
    if (comma < 0) {
        return {value, std::string()};
    }
    const auto at = static_cast<std::size_t>(comma);
    return {value.substr(0, at), value.substr(at + 1)};
}

SettingsValues readSettingsValues(const std::vector<std::string>& lines) {
    SettingsValues values;
    const struct {
        const char* key;
        std::string SettingsValues::*field;
    } singleValued[] = {
        {captionKey, &SettingsValues::caption},
        {titleKey, &SettingsValues::title},
        {companyKey, &SettingsValues::company},
        {executableKey, &SettingsValues::executableName},
    };
    std::string value;
    for (const std::string& line : lines) {
        for (const auto& entry : singleValued) {
            if (valueAfterKey(line, entry.key, value)) {
                values.*entry.field = value;
            }
        }
        if (valueAfterKey(line, fileKey, value)) {
            values.files.push_back(splitFileValue(value));
        }
    }
    return values;
}
