// The release file as patch-make reads it: "key,value" lines in UTF-8, and
// each slip stopped at its line.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "maker/release_file.h"
#include "tests/support/case_name.h"

namespace {

std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(ReleaseFile, ReadsTheSampleWithCommentsBlankLinesAndTrimming) {
    const ReleaseFile file = readReleaseFile(utf8(u8"\uFEFF; Harborlight 1.1 の修正パッチ\r\n"
                                                  u8"settings,settings.txt\r\n"
                                                  u8"\r\n"
                                                  u8"  name ,\tupdate  \r\n"
                                                  u8"   ; indented comment\r\n"
                                                  u8"company,ハーバーライト\r\n"
                                                  u8"copyright,Copyright (C) 2025, ハーバーライト\r\n"
                                                  u8"output,release"));
    ASSERT_EQ(file.problem, L"");
    ASSERT_EQ(file.values.size(), 5u);
    EXPECT_EQ(file.values.at(L"settings").text, L"settings.txt");
    EXPECT_EQ(file.values.at(L"settings").line, 2);
    EXPECT_EQ(file.values.at(L"name").text, L"update");
    EXPECT_EQ(file.values.at(L"name").line, 4);
    EXPECT_EQ(file.values.at(L"company").text, L"ハーバーライト");
    // Only the first comma separates: a value may hold more.
    EXPECT_EQ(file.values.at(L"copyright").text, L"Copyright (C) 2025, ハーバーライト");
    EXPECT_EQ(file.values.at(L"output").text, L"release");
    EXPECT_EQ(file.values.at(L"output").line, 8);
}

TEST(ReleaseFile, LfAndCrLfGiveTheSameLines) {
    const ReleaseFile lf = readReleaseFile("name,a\n\nversion,1.0\n");
    const ReleaseFile crLf = readReleaseFile("name,a\r\n\r\nversion,1.0\r\n");
    ASSERT_EQ(lf.problem, L"");
    ASSERT_EQ(crLf.problem, L"");
    EXPECT_EQ(lf.values.at(L"version").line, 3);
    EXPECT_EQ(crLf.values.at(L"version").line, 3);
    EXPECT_EQ(crLf.values.at(L"name").text, L"a");
}

TEST(ReleaseFile, SigningKeysAreAccepted) {
    const ReleaseFile file =
        readReleaseFile("sign-pkcs12,k.pfx\nsign-password-file,p.txt\nsign-timestamp-url,http://t.example\n");
    EXPECT_EQ(file.problem, L"");
    EXPECT_EQ(file.values.size(), 3u);
}

struct StoppedCase {
    const char* name;
    std::string bytes;
    int line;
    std::wstring problem;
};

void PrintTo(const StoppedCase& row, std::ostream* out) { *out << row.name; }

class Stopped : public testing::TestWithParam<StoppedCase> {};

TEST_P(Stopped, AtItsLine) {
    const ReleaseFile file = readReleaseFile(GetParam().bytes);
    EXPECT_EQ(file.errorLine, GetParam().line);
    EXPECT_EQ(file.problem, GetParam().problem);
    EXPECT_TRUE(file.values.empty());
}

const std::wstring emptyRelease =
    L"リリース ファイルに「キー,値」の行が一つもありません。少なくとも出力フォルダを書いてください (例: output,release)。";

INSTANTIATE_TEST_SUITE_P(
    ReleaseFile, Stopped,
    testing::Values(
        StoppedCase{"UnknownKey", "name,a\r\n; c\r\nicons,a.png\r\n", 3,
                    L"「icons」というキーはありません。settings, icon, files, name, version, product-version, "
                    L"description, product-name, company, copyright, output, sign-pkcs12, sign-password-file, "
                    L"sign-timestamp-url のどれかを書いてください。"},
        StoppedCase{"KeyTwice", "name,a\n\nversion,1\nname,b\n", 4,
                    L"「name」は 1 行目にもあります。どちらか一方にしてください。"},
        StoppedCase{"MissingComma", "name,a\noutput release\n", 2,
                    L"「output release」にコンマがありません。「キー,値」の形で書いてください (例: name,update)。"},
        StoppedCase{"EmptyValue", "name,a\ncompany,  \n", 2,
                    L"「company」の値がありません。値を書くか、この行を消してください。"},
        StoppedCase{"KeyNotTrimmedAwayIntoAnother", "na me,a\n", 1,
                    L"「na me」というキーはありません。settings, icon, files, name, version, product-version, "
                    L"description, product-name, company, copyright, output, sign-pkcs12, sign-password-file, "
                    L"sign-timestamp-url のどれかを書いてください。"},
        StoppedCase{"Empty", "", 1, emptyRelease},
        StoppedCase{"CommentsAndBlankLinesOnly", "; Harborlight\r\n\r\n  ; 1.1\r\n", 1, emptyRelease},
        StoppedCase{"NotUtf8", "name,a\r\ncompany,\x83\x6E\x81\x5B\r\n", 2,
                    L"UTF-8 ではないバイトがあります。リリース ファイルは UTF-8 で保存してください。"}),
    caseName<StoppedCase>);

}  // namespace
