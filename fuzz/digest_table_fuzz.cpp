// The release's table of digests, over any bytes: a table taken is exactly
// what the writer writes for its entries (one text per table, so nothing a
// damaged resource holds can read as another table), every name in it is
// one the install folder's rule accepts and no file is named twice; a table
// refused gives no entry, and the lines before the one refused read as a
// table of their own (the reader names the first damaged line).
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "fuzz/fuzz_check.h"
#include "settings/byte_scan.h"
#include "settings/digest_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const DigestTableReading reading = readDigestTable(bytes);

    if (reading.problem == DigestTableProblem::none) {
        FUZZ_REQUIRE(reading.line == 0);
        FUZZ_REQUIRE(!reading.entries.empty());
        FUZZ_REQUIRE(digestTableText(reading.entries) == bytes);
        std::set<std::string> names;
        for (const DigestEntry& entry : reading.entries) {
            FUZZ_REQUIRE(isDigestTableName(entry.name));
            FUZZ_REQUIRE(entry.size <= largestTableSize);
            FUZZ_REQUIRE(names.insert(comparableName(entry.name)).second);
        }
        return 0;
    }

    FUZZ_REQUIRE(reading.entries.empty());
    if (reading.problem == DigestTableProblem::empty) {
        FUZZ_REQUIRE(size == 0 && reading.line == 0);
        return 0;
    }
    FUZZ_REQUIRE(reading.line >= 1);
    // The lines before the refused one: each ends with CR LF.
    std::size_t end = 0;
    for (int line = 1; line < reading.line; ++line) {
        const std::size_t lineEnd = bytes.find("\r\n", end);
        FUZZ_REQUIRE(lineEnd != std::string::npos);
        end = lineEnd + 2;
    }
    if (reading.line > 1) {
        const DigestTableReading before = readDigestTable(bytes.substr(0, end));
        FUZZ_REQUIRE(before.problem == DigestTableProblem::none);
        FUZZ_REQUIRE(before.entries.size() == static_cast<std::size_t>(reading.line - 1));
    }
    return 0;
}
