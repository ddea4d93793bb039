// The byte rules of patch-check: what a settings text's bytes are, which
// lines look like a key but carry none, and the small comparisons behind the
// folder findings.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "checker/finding.h"
#include "checker/settings_lint.h"
#include "tests/support/case_name.h"

namespace {

using namespace std::string_literals;

// "タイトル,港" in UTF-8, and the same in code page 932 (the sources are
// compiled to code page 932).
const std::string utf8Title = "\xE3\x82\xBF\xE3\x82\xA4\xE3\x83\x88\xE3\x83\xAB,\xE6\xB8\xAF";
const std::string cp932Title = "タイトル,港";

struct EncodingCase {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    int line;
};

void PrintTo(const EncodingCase& encodingCase, std::ostream* out) { *out << encodingCase.name; }

class Encoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(Encoding, IsToldWithItsLine) {
    const EncodingCheck check = checkEncoding(GetParam().bytes);
    EXPECT_EQ(check.encoding, GetParam().encoding);
    EXPECT_EQ(check.line, GetParam().line);
}

using enum TextEncoding;

const EncodingCase encodingCases[] = {
    {"CodePage932", ";コメント\r\n" + cp932Title + "\r\nファイル,表.dat\r\n", codePage932, 0},
    {"Empty", "", codePage932, 0},
    {"AsciiOnly", "; only ascii\r\n", codePage932, 0},
    {"HalfWidthKatakana", "キャプション,ｷｬﾝｾﾙ\r\n", codePage932, 0},
    // Two half-width katakana that happen to form a UTF-8 sequence (C3 BD).
    {"HalfWidthPairThatLooksLikeUtf8", "; \xC3\xBD\r\n", codePage932, 0},
    {"Utf8", ";comment\r\n;more\n" + utf8Title + "\r\n", utf8WithoutBom, 3},
    {"Utf8WithBom", "\xEF\xBB\xBF" + utf8Title + "\r\n", utf8WithBom, 1},
    {"BomOnCodePage932", "\xEF\xBB\xBF" + cp932Title + "\r\n", bomOnCodePage932, 1},
    {"Utf16LittleEndianWithMark", "\xFF\xFE;\0a\0\r\0\n\0"s, utf16, 1},
    {"Utf16BigEndianWithMark", "\xFE\xFF\0;\0a"s, utf16, 1},
    {"Utf16WithoutMark", ";\0a\0b\0\r\0\n\0"s, utf16, 1},
    {"LeadByteBeforeLineBreak", "a\r\nb\x82\r\nc", notCodePage932, 2},
    {"LeadByteAtTheEnd", "a\nb\n\x82", notCodePage932, 3},
    {"UndefinedSingleByte", "a\r\r\xFD", notCodePage932, 3},
    {"UnassignedLeadByte", "a\n\x85\x40", notCodePage932, 2},
    {"CrLfCountsOnce", "a\r\n\r\nb\xA0", notCodePage932, 3},
};

INSTANTIATE_TEST_SUITE_P(Table, Encoding, testing::ValuesIn(encodingCases), caseName<EncodingCase>);

TEST(CtrlZ, HidesTextAfterItOnItsLine) {
    EXPECT_EQ(lineOfTextHiddenByCtrlZ("a\r\nb\x1A\r\nファイル,x\r\n"), 2);
    // A Ctrl-Z at the end, as old editors write it, hides nothing.
    EXPECT_EQ(lineOfTextHiddenByCtrlZ("a\r\nb\r\n\x1A"), 0);
    EXPECT_EQ(lineOfTextHiddenByCtrlZ("a\r\n"), 0);
}

struct LookCase {
    const char* name;
    std::string line;
    LineLook look;
    SettingsKey key;
};

void PrintTo(const LookCase& lookCase, std::ostream* out) { *out << lookCase.name; }

class LineLooks : public testing::TestWithParam<LookCase> {};

TEST_P(LineLooks, AreNamedWithTheKeyTheyResemble) {
    const LineLookCheck check = lookOfLine(GetParam().line);
    EXPECT_EQ(check.look, GetParam().look);
    EXPECT_EQ(check.key, GetParam().key);
}

using enum LineLook;
using enum SettingsKey;

const LookCase lookCases[] = {
    {"Empty", "", ignoredAsIntended, none},
    {"Comment", ";ファイル,a.dat", ignoredAsIntended, none},
    {"IndentedComment", "  ;x", ignoredAsIntended, none},
    {"SpacesOnly", " \t", ignoredAsIntended, none},
    {"LeadingSpace", " ファイル,a.dat", leadingSpace, file},
    {"LeadingTab", "\tタイトル,x", leadingSpace, title},
    {"LeadingFullWidthSpace", "　社名,x", leadingSpace, company},
    {"LeadingSpaceAndFullWidthComma", " ファイル，a.dat", leadingSpace, file},
    {"FullWidthComma", "ファイル，a.dat", fullWidthComma, file},
    {"IdeographicComma", "キャプション、x", fullWidthComma, caption},
    {"KeyWithoutComma", "タイトル", keyWithoutComma, title},
    {"KeyFollowedByText", "実行ファイルVelk.exe", keyWithoutComma, executableName},
    {"KeyFollowedByColon", "ファイル:a.dat", keyWithoutComma, file},
    {"LongerNameWins", "実行ファイル a.exe", keyWithoutComma, executableName},
    {"MisspeltLongKey", "キャプシャン,x", misspeltKey, caption},
    {"MisspeltShortKey", "会社名,x", misspeltKey, company},
    {"MisspeltFileKey", "フアイル,a.dat", misspeltKey, file},
    {"HalfWidthKatakanaKey", "ﾌｧｲﾙ,a.dat", misspeltKey, file},
    {"HalfWidthKatakanaExecutableKey", "実行ﾌｧｲﾙ,a.exe", misspeltKey, executableName},
    {"UnknownText", "version 1.1", unknown, none},
    {"UnknownKeyLikeText", "バージョン,1.1", unknown, none},
    {"NulEndsTheLine", "\0ファイル,a"s, ignoredAsIntended, none},
};

INSTANTIATE_TEST_SUITE_P(Table, LineLooks, testing::ValuesIn(lookCases), caseName<LookCase>);

TEST(SourceNames, WildcardsAndNearMisses) {
    EXPECT_TRUE(hasWildcard("*.pak"));
    EXPECT_TRUE(hasWildcard("a?.dat"));
    EXPECT_FALSE(hasWildcard("表.dat"));
    EXPECT_EQ(closestName("bgm_v21.pak", {"readme.txt", "bgm_v2.1.pak", "bgm.pak"}), "bgm_v2.1.pak");
    EXPECT_EQ(closestName("BGM.PAK", {"bgm.pak"}), "bgm.pak");
    EXPECT_EQ(closestName("harbor.dat", {"lighthouse.pak"}), "");
}

TEST(Lines, CountBreaksAsTheProgramDoes) {
    const std::string text = "a\r\nb\rc\nd\n\re";
    EXPECT_EQ(lineOfOffset(text, 0), 1);
    EXPECT_EQ(lineOfOffset(text, 3), 2);  // b, after CR LF
    EXPECT_EQ(lineOfOffset(text, 5), 3);  // c, after a lone CR
    EXPECT_EQ(lineOfOffset(text, 7), 4);  // d
    EXPECT_EQ(lineOfOffset(text, 10), 6);  // e, after LF then CR: an empty line between
}

TEST(Report, FormatAndExitCode) {
    EXPECT_EQ(formatFinding({Severity::error, L"patch.inf", 12, L"x"}), L"patch.inf:12: エラー: x。");
    EXPECT_EQ(formatFinding({Severity::warning, L"a.dat", 0, L"y"}), L"a.dat: 警告: y。");
    // A text closed already keeps its one full stop.
    EXPECT_EQ(formatFinding({Severity::note, L"a.dat", 0, L"z。"}), L"a.dat: メモ: z。");
    EXPECT_EQ(formatFinding({Severity::note, L"a.dat", 0, L""}), L"a.dat: メモ: 。");
    // A name code page 932 lacks, as it is.
    EXPECT_EQ(formatFinding({Severity::warning, L"caf\u00E9.txt", 0, L"y"}), L"caf\u00E9.txt: 警告: y。");
    EXPECT_EQ(exitCodeOf({}), 0);
    EXPECT_EQ(exitCodeOf({{Severity::note, L"a", 0, L""}}), 0);
    EXPECT_EQ(exitCodeOf({{Severity::warning, L"a", 0, L""}, {Severity::note, L"a", 0, L""}}), 1);
    EXPECT_EQ(exitCodeOf({{Severity::warning, L"a", 0, L""}, {Severity::error, L"a", 0, L""}}), 2);
}

}  // namespace
