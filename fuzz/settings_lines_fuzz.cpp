// The line rules of a settings text, over any bytes: no line holds CR, LF or
// Ctrl-Z; the lines with the breaks found between them give back the text up
// to its first Ctrl-Z, nothing dropped and nothing added; and a second block
// read into the same text appends its lines after the first.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "settings/settings_text.h"

namespace {

constexpr char carriageReturn = '\r';
constexpr char lineFeed = '\n';
constexpr char endOfText = '\x1A';

// Length of the break that starts at `at`: 2 for CR LF, 1 for a lone CR or
// LF, 0 for anything else (or the end).
std::size_t breakLengthAt(const std::string& text, std::size_t at) {
    if (at >= text.size()) {
        return 0;
    }
    if (text[at] == carriageReturn) {
        return at + 1 < text.size() && text[at + 1] == lineFeed ? 2 : 1;
    }
    return text[at] == lineFeed ? 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The block is the caller's, of exactly its size: nothing may be read
    // past it, and no terminator follows it.
    const std::unique_ptr<std::uint8_t[]> block = std::make_unique<std::uint8_t[]>(size);
    std::memcpy(block.get(), data, size);

    SettingsText settings;
    FUZZ_REQUIRE(settings.readMemory(block.get(), size) == settingsReadOk);
    const std::vector<std::string> lines = settings.lines();

    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t endOfTextAt = text.find(endOfText);
    const bool endedByCtrlZ = endOfTextAt != std::string::npos;
    const std::string read = text.substr(0, endOfTextAt);

    // Only an empty block gives no line: even a lone Ctrl-Z ends one (empty) line.
    FUZZ_REQUIRE(lines.empty() == (size == 0));

    // Walk the text along the lines: each line is the next bytes of the
    // text, and a break (CR LF taken as one) separates it from the next one.
    std::size_t at = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        FUZZ_REQUIRE(line.find_first_of("\r\n\x1A") == std::string::npos);
        FUZZ_REQUIRE(at + line.size() <= read.size());
        FUZZ_REQUIRE(read.compare(at, line.size(), line) == 0);
        at += line.size();
        const std::size_t breakLength = breakLengthAt(read, at);
        if (k + 1 < lines.size()) {
            FUZZ_REQUIRE(breakLength > 0);
            at += breakLength;
        } else if (endedByCtrlZ) {
            // The last line runs up to the Ctrl-Z.
            FUZZ_REQUIRE(at == read.size());
        } else {
            // The last line ends the text, with or without a break; a break
            // at the very end starts no empty line after it.
            at += breakLength;
            FUZZ_REQUIRE(at == read.size());
            FUZZ_REQUIRE(breakLength > 0 || !line.empty());
        }
    }
    FUZZ_REQUIRE(at == read.size());

    // A second block appends; the lines held stay as they were.
    FUZZ_REQUIRE(settings.readMemory(block.get(), size) == settingsReadOk);
    FUZZ_REQUIRE(settings.lines().size() == 2 * lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
        FUZZ_REQUIRE(settings.lines()[k] == lines[k]);
        FUZZ_REQUIRE(settings.lines()[lines.size() + k] == lines[k]);
    }
    return 0;
}
