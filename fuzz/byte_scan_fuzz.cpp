// The double-byte aware scan of settings values over any bytes: findChar
// finds the first character that is the byte it looks for, never the trail
// byte of a double-byte character (ソ is 83 5C), and nothing when there is no
// such character, as the character model (tests/support/cp932_model.h) says.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "settings/byte_scan.h"
#include "tests/support/cp932_model.h"

namespace {

using cp932_model::nextByRanges;

void checkFindChar(const ExactText& text, const cp932_model::Text& model, char c) {
    const std::vector<std::size_t> positions = model.positionsOf(c);
    const int found = findChar(text.c_str(), c);
    if (positions.empty()) {
        FUZZ_REQUIRE(found == -1);
    } else {
        FUZZ_REQUIRE(found >= 0 && static_cast<std::size_t>(found) == positions.front());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ExactText text(data, size);
    const cp932_model::Text model(text.c_str(), nextByRanges);
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
