// What the lines of a settings text set: keys matched byte for byte at the
// start of a line, values taken whole, "ファイル," values split at their first
// real comma.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "settings/settings_keys.h"
#include "tests/support/case_name.h"

namespace {

using namespace std::string_literals;

struct KeyCase {
    const char* name;
    std::vector<std::string> lines;
    SettingsValues values;
};

SettingsValues noValues() { return {"", "", "", "", {}}; }

SettingsValues title(const std::string& value) {
    SettingsValues values = noValues();
    values.title = value;
    return values;
}

void PrintTo(const KeyCase& keyCase, std::ostream* out) { *out << keyCase.name; }

class SettingsKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(SettingsKeys, SetWhatTheLinesCarry) {
    const SettingsValues values = readSettingsValues(GetParam().lines);
    EXPECT_EQ(values.caption, GetParam().values.caption);
    EXPECT_EQ(values.title, GetParam().values.title);
    EXPECT_EQ(values.company, GetParam().values.company);
    EXPECT_EQ(values.executableName, GetParam().values.executableName);
    EXPECT_EQ(values.files, GetParam().values.files);
}

// The same key in UTF-8: a text in another encoding matches no key.
const std::string utf8TitleKey = "\xE3\x82\xBF\xE3\x82\xA4\xE3\x83\x88\xE3\x83\xAB,";

const KeyCase keyCases[] = {
    {"EveryKey",
     {"キャプション,更新", "タイトル,Harborlight", "社名,ハーバーライト", "実行ファイル,Velk.exe", "ファイル,a.dat"},
     {"更新", "Harborlight", "ハーバーライト", "Velk.exe", {{"a.dat", ""}}}},
    {"NoLines", {}, noValues()},
    {"SpaceBeforeKeyIgnored", {" タイトル,X"}, noValues()},
    {"KeyWithoutCommaIgnored", {"タイトルX", "タイトル"}, noValues()},
    {"SpaceAfterCommaKept", {"タイトル, X "}, title(" X ")},
    {"LastOfTwoWins", {"タイトル,A", "タイトル,B"}, title("B")},
    {"LaterEmptyLineEmpties", {"タイトル,A", "タイトル,"}, title("")},
    {"ValueKeepsItsCommas", {"キャプション,a,b;c"}, {"a,b;c", "", "", "", {}}},
    {"CommentLineIgnored", {";タイトル,X", "; comment"}, noValues()},
    {"ExecutableLineAddsNoFile", {"実行ファイル,Velk.exe"}, {"", "", "", "Velk.exe", {}}},
    {"FileLinesInOrder",
     {"ファイル,b.dat", "ファイル,a.dat,c.dat", "ファイル,"},
     {"", "", "", "", {{"b.dat", ""}, {"a.dat", "c.dat"}, {"", ""}}}},
    {"FileKeyNotAtStartIgnored", {" ファイル,a.dat", "xファイル,a.dat"}, noValues()},
    {"NulEndsTheLine", {"タイトル,ab\0cd"s}, title("ab")},
    {"NulInsideKeyIgnored", {"タイト\0ル,x"s}, noValues()},
    {"OtherEncodingMatchesNothing", {utf8TitleKey + "x"}, noValues()},
};

INSTANTIATE_TEST_SUITE_P(Table, SettingsKeys, testing::ValuesIn(keyCases), caseName<KeyCase>);

struct FileValueCase {
    const char* name;
    std::string value;
    FileLine file;
};

void PrintTo(const FileValueCase& valueCase, std::ostream* out) { *out << valueCase.name; }

class FileValue : public testing::TestWithParam<FileValueCase> {};

TEST_P(FileValue, SplitsAtFirstRealComma) {
    EXPECT_EQ(splitFileValue(GetParam().value), GetParam().file);
}

const FileValueCase fileValueCases[] = {
    {"NoComma", "a.dat", {"a.dat", ""}},
    {"Destination", "a.dat,b.dat", {"a.dat", "b.dat"}},
    {"TrailingComma", "a.dat,", {"a.dat", ""}},
    {"EmptyValue", "", {"", ""}},
    {"EmptySource", ",b.dat", {"", "b.dat"}},
    {"DestinationKeepsFurtherCommas", "a.dat,data\\b,c.dat,", {"a.dat", "data\\b,c.dat,"}},
    {"SpacesKept", " a.dat , b.dat ", {" a.dat ", " b.dat "}},
    {"DoubleByteNames", "表.dat,ソ\\能.dat", {"表.dat", "ソ\\能.dat"}},
    // A lead byte takes the byte after it, a comma included.
    {"CommaAfterLeadByteIsNoComma", "a\x83,b", {"a\x83,b", ""}},
    {"LoneLeadByteAtEnd", "a.da\x83", {"a.da\x83", ""}},
};

INSTANTIATE_TEST_SUITE_P(Table, FileValue, testing::ValuesIn(fileValueCases), caseName<FileValueCase>);

}  // namespace
