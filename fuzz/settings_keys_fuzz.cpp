// Key matching and "ファイル," value splitting over any settings text: each
// single-valued field holds what follows its key on the last line that
// starts with it (a line read up to its first NUL byte), each "ファイル," line
// gives one entry in line order, and an entry's source and destination join
// back into the line's value at its first real comma, never at a trail byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "settings/settings_text.h"
#include "settings/settings_keys.h"
#include "tests/support/cp932_model.h"

namespace {

// The keys as code page 932 bytes, written out here rather than taken from
// the program: キャプション, タイトル, 社名, 実行ファイル and ファイル, each with its comma.
const std::string captionKey = "\x83\x4C\x83\x83\x83\x76\x83\x56\x83\x87\x83\x93,";
const std::string titleKey = "\x83\x5E\x83\x43\x83\x67\x83\x8B,";
const std::string companyKey = "\x8E\xD0\x96\xBC,";
const std::string executableKey = "\x8E\xC0\x8D\x73\x83\x74\x83\x40\x83\x43\x83\x8B,";
const std::string fileKey = "\x83\x74\x83\x40\x83\x43\x83\x8B,";

// What follows `key` on a line (read up to its first NUL), when the line
// starts with it.
bool valueOf(const std::string& text, const std::string& key, std::string& value) {
    if (text.compare(0, key.size(), key) != 0) {
        return false;
    }
    value = text.substr(key.size());
    return true;
}

// The split of a "ファイル," value: the source runs up to the first comma
// character of the value, and the destination is everything after it.
void requireSplitAtFirstRealComma(const std::string& value, const FileLine& file) {
    const ExactText exact(value);
    const cp932_model::Text text(exact.c_str(), cp932_model::nextByRanges);
    const std::size_t comma = text.firstOf(",");
    if (comma == text.starts().size()) {
        FUZZ_REQUIRE(file.sourceName == value);
        FUZZ_REQUIRE(file.destinationName.empty());
        return;
    }
    const std::size_t at = text.starts()[comma];
    FUZZ_REQUIRE(file.sourceName + "," + file.destinationName == value);
    FUZZ_REQUIRE(file.sourceName.size() == at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SettingsText settings;
    FUZZ_REQUIRE(settings.readMemory(data, size) == settingsReadOk);
    const std::vector<std::string>& lines = settings.lines();
    const SettingsValues values = readSettingsValues(lines);

    SettingsValues expected;
    std::vector<std::string> fileValues;
    std::string value;
    for (const std::string& line : lines) {
        const ExactText exactLine(line);
        const std::string text = exactLine.str();
        if (valueOf(text, captionKey, value)) {
            expected.caption = value;
        }
        if (valueOf(text, titleKey, value)) {
            expected.title = value;
        }
        if (valueOf(text, companyKey, value)) {
            expected.company = value;
        }
        if (valueOf(text, executableKey, value)) {
            expected.executableName = value;
        }
        if (valueOf(text, fileKey, value)) {
            fileValues.push_back(value);
        }
        // The split on its own, over the whole line as a value.
        requireSplitAtFirstRealComma(text, splitFileValue(text));
    }
    FUZZ_REQUIRE(values.caption == expected.caption);
    FUZZ_REQUIRE(values.title == expected.title);
    FUZZ_REQUIRE(values.company == expected.company);
    FUZZ_REQUIRE(values.executableName == expected.executableName);

    FUZZ_REQUIRE(values.files.size() == fileValues.size());
    for (std::size_t k = 0; k < fileValues.size(); ++k) {
        requireSplitAtFirstRealComma(fileValues[k], values.files[k]);
    }
    return 0;
}
