// The release's table of digests: what its writer writes reads back whole,
// and a table with any damage is refused as a whole, at the line that shows it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "settings/digest_table.h"
#include "tests/support/case_name.h"

namespace {

using enum DigestTableProblem;

// SHA-256 of "abc" and of "" (the standard's test vectors), as digests.
const std::string abcHex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string emptyHex = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

std::array<std::uint8_t, 32> digestOf(const std::string& hex) {
    std::array<std::uint8_t, 32> digest{};
    for (std::size_t i = 0; i < 32; ++i) {
        digest[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    }
    return digest;
}

const std::string goodLine = abcHex + " 3 data\\a.dat\r\n";

TEST(DigestTable, WrittenEntriesReadBackInTheirOrder) {
    const std::vector<DigestEntry> entries = {
        {digestOf(abcHex), 3, "data\\a.dat"},
        {digestOf(emptyHex), 0, "b.dat"},
        // Trail bytes 5C (ソ, 表), a space inside the name, a folder with /,
        // and the largest size a file can have.
        {digestOf(abcHex), largestTableSize, "データ\\ソ表 2.dat"},
        {digestOf(emptyHex), 4294967296u, "sub/c d.dat"},
    };
    const std::string text = digestTableText(entries);
    EXPECT_EQ(text.substr(0, goodLine.size()), goodLine);
    const DigestTableReading reading = readDigestTable(text);
    EXPECT_EQ(reading.problem, none);
    EXPECT_EQ(reading.entries, entries);
    EXPECT_EQ(digestHex(reading.entries[0].digest), abcHex);
}

struct DamagedCase {
    const char* name;
    std::string text;
    DigestTableProblem problem;
    int line;
};

void PrintTo(const DamagedCase& row, std::ostream* out) { *out << row.name; }

class DamagedTable : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedTable, IsRefusedWholeAtItsLine) {
    const DigestTableReading reading = readDigestTable(GetParam().text);
    EXPECT_EQ(reading.problem, GetParam().problem);
    EXPECT_EQ(reading.line, GetParam().line);
    EXPECT_TRUE(reading.entries.empty()) << "a damaged table gives no entry at all";
}

const std::string second = emptyHex + " 0 b.dat\r\n";

const DamagedCase damagedCases[] = {
    {"Empty", "", empty, 0},
    // Cut short anywhere inside a line: in the name, the size, the digest,
    // between CR and LF.
    {"CutInTheLastName", goodLine + second.substr(0, second.size() - 4), cutShort, 2},
    {"CutBetweenCrAndLf", goodLine + second.substr(0, second.size() - 1), cutShort, 2},
    {"CutInTheDigest", goodLine + abcHex.substr(0, 20), cutShort, 2},
    {"LoneLf", abcHex + " 3 a.dat\n" + second, cutShort, 1},
    {"LoneCrInsideTheName", abcHex + " 3 a\r.dat\r\n", cutShort, 1},
    {"NoName", abcHex + " 3\r\n", unreadableLine, 1},
    {"NoSpaces", abcHex + "\r\n", unreadableLine, 1},
    {"EmptyLine", goodLine + "\r\n", unreadableLine, 2},
    {"DigestShort", abcHex.substr(1) + " 3 a.dat\r\n", badDigest, 1},
    {"DigestLong", abcHex + "0 3 a.dat\r\n", badDigest, 1},
    {"DigestUpperCase", "BA" + abcHex.substr(2) + " 3 a.dat\r\n", badDigest, 1},
    {"DigestNotHex", "g" + abcHex.substr(1) + " 3 a.dat\r\n", badDigest, 1},
    {"TwoSpacesAfterDigest", abcHex + "  3 a.dat\r\n", badSize, 1},
    {"SizeNegative", abcHex + " -3 a.dat\r\n", badSize, 1},
    {"SizeWithSign", abcHex + " +3 a.dat\r\n", badSize, 1},
    {"SizeHex", abcHex + " 0x3 a.dat\r\n", badSize, 1},
    {"SizeLeadingZero", abcHex + " 03 a.dat\r\n", badSize, 1},
    {"SizeOneOverTheLargest", abcHex + " 9223372036854775808 a.dat\r\n", badSize, 1},
    {"SizePast64Bits", abcHex + " 18446744073709551616 a.dat\r\n", badSize, 1},
    {"SizeTwentyDigits", abcHex + " 00000000000000000003 a.dat\r\n", badSize, 1},
    // Names as the install folder's rule judges them.
    {"NameEmpty", abcHex + " 3 \r\n", badName, 1},
    {"NameClimbsOut", goodLine + emptyHex + " 0 ..\\b.dat\r\n", badName, 2},
    {"NameFromRoot", abcHex + " 3 \\windows\\a.dat\r\n", badName, 1},
    {"NameOnAnotherDrive", abcHex + " 3 C:a.dat\r\n", badName, 1},
    {"NameDevice", abcHex + " 3 data\\nul.txt\r\n", badName, 1},
    {"NameWildcard", abcHex + " 3 *.dat\r\n", badName, 1},
    {"NameWithNul", abcHex + " 3 a" + std::string(1, '\0') + ".dat\r\n", badName, 1},
    {"NameFolder", abcHex + " 3 data\\\r\n", badName, 1},
    {"NameNotCodePage932", abcHex + " 3 \x81.dat\r\n", badName, 1},
    // The same file twice, letters without case: two digests for one file.
    {"NameTwice", goodLine + second + emptyHex + " 0 DATA\\A.DAT\r\n", nameTwice, 3},
    {"NameTwiceWithSlash", goodLine + emptyHex + " 0 data/a.dat\r\n", nameTwice, 2},
};

INSTANTIATE_TEST_SUITE_P(Table, DamagedTable, testing::ValuesIn(damagedCases), caseName<DamagedCase>);

}  // namespace
