// A publisher's settings text made into what the program reads: UTF-8 or
// code page 932 in, code page 932 with CR LF out, refused at the line with
// the character to write instead.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "settings/settings_conversion.h"
#include "tests/support/case_name.h"

namespace {

// UTF-8 bytes of a u8 literal (narrow literals are code page 932 here).
std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct ConvertedCase {
    const char* name;
    std::string text;
    std::string bytes;  // code page 932 (narrow literals compile to it)
};

void PrintTo(const ConvertedCase& row, std::ostream* out) { *out << row.name; }

class Converted : public testing::TestWithParam<ConvertedCase> {};

TEST_P(Converted, GivesTheProgramsBytes) {
    const SettingsConversion result = settingsFileFrom(GetParam().text);
    ASSERT_TRUE(result.converted) << result.line;
    EXPECT_EQ(result.bytes, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsConversion, Converted,
    testing::Values(
        ConvertedCase{"Utf8WithLf", utf8(u8"キャプション,港の修正\nファイル,データ\\ソ表.dat\n"),
                      "キャプション,港の修正\r\nファイル,データ\\ソ表.dat\r\n"},
        ConvertedCase{"Utf8WithMarkAndCrLf", utf8(u8"\uFEFFタイトル,港\r\n;メモ\r\n"), "タイトル,港\r\n;メモ\r\n"},
        ConvertedCase{"Utf8LastLineWithoutBreak", utf8(u8"タイトル,港\n\n会社,ハーバー"),
                      "タイトル,港\r\n\r\n会社,ハーバー\r\n"},
        ConvertedCase{"Utf8FullWidthTildeAndHalfWidthKana", utf8(u8"タイトル,１～２ ｷｬﾝｾﾙ\n"),
                      "タイトル,１～２ ｷｬﾝｾﾙ\r\n"},
        ConvertedCase{"Cp932KeptAsItIs", "キャプション,表示\nファイル,ソ.dat\r\n",
                      "キャプション,表示\r\nファイル,ソ.dat\r\n"},
        ConvertedCase{"Cp932CrAloneIsABreak", "タイトル,港\r会社,港\r", "タイトル,港\r\n会社,港\r\n"},
        ConvertedCase{"AsciiOnly", "a,b\nc", "a,b\r\nc\r\n"},
        ConvertedCase{"BlankLineOnly", "\n", "\r\n"},
        ConvertedCase{"FullWidthYenSignInTheCaption", utf8(u8"キャプション,￥100\n"), "キャプション,\x81\x8F" "100\r\n"}),
    caseName<ConvertedCase>);

struct RefusedCase {
    const char* name;
    std::string text;
    int line;
    std::wstring problem;
};

void PrintTo(const RefusedCase& row, std::ostream* out) { *out << row.name; }

class Refused : public testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, AtTheLineWithWhatToWrite) {
    const SettingsConversion result = settingsFileFrom(GetParam().text);
    EXPECT_FALSE(result.converted);
    EXPECT_TRUE(result.bytes.empty());
    EXPECT_EQ(result.line, GetParam().line);
    EXPECT_EQ(result.problem, GetParam().problem);
}

const std::wstring notAText =
    L"UTF-8 でもコード ページ 932 (Shift_JIS) でもないバイトがあります。UTF-8 か Shift_JIS (CP932) で保存し直してください。";

const std::wstring yenInTheKey =
    L"「¥」はコード ページ 932 で「\\」に変わり、レジストリのキーの区切りになります。タイトルと社名は"
    L"ゲームのインストーラが書いたレジストリのキーと一字一句同じでなければなりません。"
    L"インストーラのキーのとおりに書いてください。";

INSTANTIATE_TEST_SUITE_P(
    SettingsConversion, Refused,
    testing::Values(
        RefusedCase{"Empty", "", 1, L"設定のテキストが空です。キャプション、タイトル、社名、実行ファイルとファイルの行を書いてください。"},
        RefusedCase{"MarkAlone", "\xEF\xBB\xBF", 1,
                    L"設定のテキストが空です。キャプション、タイトル、社名、実行ファイルとファイルの行を書いてください。"},
        // A yen sign is read as a backslash: in the caption it shows as the
        // font draws a backslash, in the registry key's names it splits a key.
        RefusedCase{"YenSignInTheCaption", utf8(u8"キャプション,¥100 のパッチ\n"), 1,
                    L"「¥」はコード ページ 932 で「\\」に変わります。円記号を表示するなら全角の「￥」(U+FFE5) と書いてください。"},
        RefusedCase{"YenSignInTheTitle", utf8(u8"a\nタイトル,港¥灯\n"), 2, yenInTheKey},
        RefusedCase{"YenSignInTheCompany", utf8(u8"社名,¥港\n"), 1, yenInTheKey},
        RefusedCase{"YenSignForABackslash", utf8(u8"タイトル,港\n\nファイル,data¥a.dat\n"), 3,
                    L"「¥」はコード ページ 932 で「\\」に変わります。パスの区切りには「\\」と書いてください。"},
        RefusedCase{"WaveDash", utf8(u8"タイトル,1〜2\n"), 1,
                    L"「〜」(U+301C) はコード ページ 932 にありません。全角のチルダ「～」(U+FF5E) と書いてください。"},
        RefusedCase{"MinusSign", utf8(u8"a,b\r\nタイトル,−1\r\n"), 2,
                    L"「−」(U+2212) はコード ページ 932 にありません。全角のマイナス「－」(U+FF0D) と書いてください。"},
        RefusedCase{"DoubleVerticalLine", utf8(u8"タイトル,‖\n"), 1,
                    L"「‖」(U+2016) はコード ページ 932 にありません。「∥」(U+2225) と書いてください。"},
        RefusedCase{"CentSign", utf8(u8"タイトル,¢\n"), 1,
                    L"「¢」(U+00A2) はコード ページ 932 にありません。全角の「￠」(U+FFE0) と書いてください。"},
        RefusedCase{"PoundSign", utf8(u8"タイトル,£\n"), 1,
                    L"「£」(U+00A3) はコード ページ 932 にありません。全角の「￡」(U+FFE1) と書いてください。"},
        RefusedCase{"NotSign", utf8(u8"タイトル,¬\n"), 1,
                    L"「¬」(U+00AC) はコード ページ 932 にありません。全角の「￢」(U+FFE2) と書いてください。"},
        RefusedCase{"AccentedLetter", utf8(u8"タイトル,港\nタイトル,café\n"), 2,
                    L"「é」(U+00E9) はコード ページ 932 にない文字です。コード ページ 932 にある文字に書き換えてください。"},
        RefusedCase{"CharacterOutsideTheBasicPlane", utf8(u8"a\nb\nタイトル,𠮷\n"), 3,
                    L"「𠮷」(U+20BB7) はコード ページ 932 にない文字です。コード ページ 932 にある文字に書き換えてください。"},
        RefusedCase{"NeitherUtf8NorCp932", "a,b\r\nc,d\r\ne,\xFF\r\n", 3, notAText},
        RefusedCase{"Cp932WithUnassignedLead", "a,b\n\x85\x40\n", 2, notAText},
        RefusedCase{"MarkBeforeCp932", "\xEF\xBB\xBFタイトル,港\n", 1, notAText},
        RefusedCase{"Utf16", std::string("\xFF\xFE" "a\0,\0b\0", 8), 1,
                    L"UTF-16 で保存されています。UTF-8 か Shift_JIS (CP932) で保存し直してください。"}),
    caseName<RefusedCase>);

}  // namespace
