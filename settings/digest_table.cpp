#include "settings/digest_table.h"

#include <set>

#include "core/decimal_text.h"
#include "settings/byte_scan.h"
#include "settings/settings_destinations.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;  // upper case too: the writer writes lower case only
}

bool digestFrom(const std::string& text, std::array<std::uint8_t, 32>& digest) {
    if (text.size() != 64) {
        return false;
    }
    for (std::size_t i = 0; i < 32; ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        digest[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

// Plain decimal digits, no sign and no leading zero: one text per size.
bool sizeFrom(const std::string& text, std::uint64_t& size) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');  // 19 digits fit in 64 bits
    }
    if (value > largestTableSize) {
        return false;
    }
    size = value;
    return true;
}

DigestTableReading refused(DigestTableProblem problem, int line) {
    DigestTableReading reading;
    reading.problem = problem;
    reading.line = line;
    return reading;
}

}  // namespace

bool isDigestTableName(const std::string& name) {
    return !name.empty() && !namesAFolder(name) && settingsDestinationProblemOf(name) == DestinationProblem::none;
}

DigestTableReading readDigestTable(const std::string& bytes) {
    if (bytes.empty()) {
        return refused(DigestTableProblem::empty, 0);
    }
    DigestTableReading reading;
    std::set<std::string> seen;
    int line = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        ++line;
        // The name may hold any byte but CR and LF; the writer ends every
        // line with CR LF, so a lone one is damage, and so is a line without.
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos || bytes[end] != '\r' || end + 1 >= bytes.size() || bytes[end + 1] != '\n') {
            return refused(DigestTableProblem::cutShort, line);
        }
        const std::string text = bytes.substr(start, end - start);
        start = end + 2;

        const std::size_t firstSpace = text.find(' ');
        const std::size_t secondSpace = firstSpace == std::string::npos ? std::string::npos : text.find(' ', firstSpace + 1);
        if (secondSpace == std::string::npos) {
            return refused(DigestTableProblem::unreadableLine, line);
        }
        DigestEntry entry;
        if (!digestFrom(text.substr(0, firstSpace), entry.digest)) {
            return refused(DigestTableProblem::badDigest, line);
        }
        if (!sizeFrom(text.substr(firstSpace + 1, secondSpace - firstSpace - 1), entry.size)) {
            return refused(DigestTableProblem::badSize, line);
        }
        entry.name = text.substr(secondSpace + 1);
        if (!isDigestTableName(entry.name)) {
            return refused(DigestTableProblem::badName, line);
        }
        if (!seen.insert(comparableName(entry.name)).second) {
            return refused(DigestTableProblem::nameTwice, line);
        }
        reading.entries.push_back(std::move(entry));
    }
    return reading;
}

std::string digestTableText(const std::vector<DigestEntry>& entries) {
    std::string text;
    for (const DigestEntry& entry : entries) {
        text += digestHex(entry.digest) + " " + decimalText(entry.size) + " " + entry.name + "\r\n";
    }
    return text;
}
