// The double-byte aware scans of outside input over any bytes: the program
// folder and base name of a command line, findChar, and the trim of the
// install-folder registry value. Each is compared with the character model
// (tests/support/cp932_model.h), and the folder is also checked on its own
// terms: a prefix of the command line (after an opening quotation mark) that
// ends just before a backslash that is a character of its own, never the
// trail byte of a double-byte character.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "settings/byte_scan.h"
#include "tests/support/cp932_model.h"

namespace {

using cp932_model::nextByRanges;

bool isCharacterStart(const cp932_model::Text& text, std::size_t at) {
    for (const std::size_t start : text.starts()) {
        if (start == at) {
            return true;
        }
    }
    return false;
}

void checkProgramPath(const ExactText& commandLine) {
    const std::string folder = programFolderOf(commandLine.c_str());
    const std::string baseName = programBaseNameOf(commandLine.c_str());
    const cp932_model::ProgramPath expected = cp932_model::programPathOf(commandLine.c_str(), nextByRanges);
    FUZZ_REQUIRE(folder == expected.folder);
    FUZZ_REQUIRE(baseName == expected.baseName);

    const std::string& path = expected.path;
    const cp932_model::Text pathText(path.c_str(), nextByRanges);
    FUZZ_REQUIRE(path.compare(0, folder.size(), folder) == 0);
    // The scan stops at the first quotation mark character.
    const cp932_model::Text folderText(folder.c_str(), nextByRanges);
    FUZZ_REQUIRE(folderText.firstOf("\"") == folderText.starts().size());
    if (expected.separator != std::string::npos) {
        FUZZ_REQUIRE(folder.size() == expected.separator);
        FUZZ_REQUIRE(path[folder.size()] == '\\');
        FUZZ_REQUIRE(isCharacterStart(pathText, folder.size()));
        // The base name follows the separator.
        FUZZ_REQUIRE(path.compare(folder.size() + 1, baseName.size(), baseName) == 0);
    } else {
        FUZZ_REQUIRE(folder.empty());
        FUZZ_REQUIRE(path.compare(0, baseName.size(), baseName) == 0);
    }
    // A cut name stops just before a full stop or quotation mark character.
    const std::size_t restStart = expected.separator == std::string::npos ? 0 : expected.separator + 1;
    const std::size_t end = restStart + baseName.size();
    if (end < path.size()) {
        FUZZ_REQUIRE(!baseName.empty());
        FUZZ_REQUIRE(path[end] == '.' || path[end] == '"');
        FUZZ_REQUIRE(isCharacterStart(pathText, end));
    }
}

void checkFindChar(const ExactText& text, const cp932_model::Text& model, char c) {
    const std::vector<std::size_t> positions = model.positionsOf(c);
    const int found = findChar(text.c_str(), c);
    if (positions.empty()) {
        FUZZ_REQUIRE(found == -1);
    } else {
        FUZZ_REQUIRE(found >= 0 && static_cast<std::size_t>(found) == positions.front());
    }
}

void checkInstallFolder(const ExactText& value, const cp932_model::Text& model) {
    const std::string folder = installFolderFromValue(value.c_str());
    const std::string whole = value.str();
    FUZZ_REQUIRE(folder == cp932_model::installFolderOf(model));
    // Whole, or one real backslash less.
    FUZZ_REQUIRE(folder == whole || (folder.size() + 1 == whole.size() && whole.compare(0, folder.size(), folder) == 0 &&
                                     whole.back() == '\\' && whole.size() > 3));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ExactText text(data, size);
    const cp932_model::Text model(text.c_str(), nextByRanges);
    checkProgramPath(text);
    checkInstallFolder(text, model);
    for (const char c : {'\\', ',', '"', '.'}) {
        checkFindChar(text, model, c);
    }
    // Any character the input picks, looked for in the rest of it.
    if (size > 1) {
        const ExactText rest(data + 1, size - 1);
        checkFindChar(rest, cp932_model::Text(rest.c_str(), nextByRanges), static_cast<char>(data[0]));
    }
    return 0;
}
