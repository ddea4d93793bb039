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

const char* keyText(SettingsKey key) {
    switch (key) {
        case SettingsKey::caption: return captionKey;
        case SettingsKey::title: return titleKey;
        case SettingsKey::company: return companyKey;
        case SettingsKey::executableName: return executableKey;
        case SettingsKey::file: return fileKey;
        case SettingsKey::none: break;
    }
    return "";
}

SettingsKey keyOfLine(const std::string& line, std::string& value) {
    // The keys differ in their first bytes, so at most one matches.
    for (const SettingsKey key : {SettingsKey::caption, SettingsKey::title, SettingsKey::company,
                                  SettingsKey::executableName, SettingsKey::file}) {
        if (valueAfterKey(line, keyText(key), value)) {
            return key;
        }
    }
    value.clear();
    return SettingsKey::none;
}

SettingsValues readSettingsValues(const std::vector<std::string>& lines) {
    SettingsValues values;
    std::string value;
    for (const std::string& line : lines) {
        switch (keyOfLine(line, value)) {
            case SettingsKey::caption: values.caption = value; break;
            case SettingsKey::title: values.title = value; break;
            case SettingsKey::company: values.company = value; break;
            case SettingsKey::executableName: values.executableName = value; break;
            case SettingsKey::file: values.files.push_back(splitFileValue(value)); break;
            case SettingsKey::none: break;
        }
    }
    return values;
}
