// The table of digests a release carries: for each file its built-in
// settings list, the SHA-256 and size the publisher's release had, so that
// damage between the publisher and the player shows before it is installed.
// patch-make writes it, the program and patch-check read it.
//
// A resource of its own in the program (IDR_DIGEST_TABLE, type "SHA256", in
// resources/resource_ids.h; Japanese),
// code page 932 text, one line per file, each ended by CR LF:
//
//     <64 lower-case hex digits> <size in decimal> <name as the settings' source name>
//
// One space between the fields; the name is the rest of the line (a name
// may hold spaces). No system call: built natively too.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/digest_text.h"

// The largest size a line may give: the largest a file can have (Windows
// counts file sizes in signed 64 bits).
inline constexpr std::uint64_t largestTableSize = 0x7FFFFFFFFFFFFFFFull;

struct DigestEntry {
    std::array<std::uint8_t, 32> digest{};
    std::uint64_t size = 0;
    std::string name;  // code page 932, as the settings write the source

    bool operator==(const DigestEntry&) const = default;
};

// Why a table is refused. A table is taken whole or not at all: a damaged
// table could otherwise let a damaged file through unchecked.
enum class DigestTableProblem {
    none,
    empty,           // no line at all
    cutShort,        // the last line has no CR LF, or a line break is a lone CR or LF
    unreadableLine,  // not "<digest> <size> <name>"
    badDigest,       // not 64 lower-case hexadecimal digits
    badSize,         // not plain decimal digits, or over largestTableSize
    badName,         // empty, naming a folder, or refused by the install folder's rule
    nameTwice,       // the same file as an earlier line (letters without case)
};

struct DigestTableReading {
    DigestTableProblem problem = DigestTableProblem::none;
    int line = 0;                      // the line refused, from 1; 0 when none or the text as a whole
    std::vector<DigestEntry> entries;  // empty unless problem is none
};

DigestTableReading readDigestTable(const std::string& bytes);

// The table's text for `entries`, in their order: what readDigestTable reads
// back to the same entries when each name is one it accepts.
std::string digestTableText(const std::vector<DigestEntry>& entries);

// Whether the table takes `name` as a file's name (the reader's own rule on
// names), for the writer, which leaves out any other.
bool isDigestTableName(const std::string& name);
