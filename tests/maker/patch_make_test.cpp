// patch-make run from outside, as a publisher runs it: a release from a
// sample release file (settings in UTF-8 and in code page 932, Japanese
// version texts) read back from the written program; the same inputs giving
// the same bytes; and a table of wrong inputs, each refused with its one
// line at its place, leaving nothing behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/GameRegistryView.h"
#include "core/HandleOwners.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

struct MakeRun {
    DWORD exitCode = 99;
    std::vector<std::wstring> lines;  // without line breaks
};

std::ostream& operator<<(std::ostream& out, const MakeRun& run) {
    out << "exit code " << run.exitCode << ", output:\n";
    for (const std::wstring& line : run.lines) {
        out << "  " << utf8FromUtf16(line) << "\n";
    }
    return out;
}

std::vector<std::wstring> linesOf(const std::string& utf8Text) {
    std::vector<std::wstring> lines;
    const std::wstring text = utf16FromUtf8(utf8Text);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(L"\r\n", start);
        end = end == std::wstring::npos ? text.size() : end;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring maker() { return hostPathInWine(PATCH_MAKER); }
std::wstring stub() { return hostPathInWine(PATCH_PROGRAM); }

// Runs a command line in `folder` with its output on a pipe (UTF-8, as a
// script or a log reads it).
MakeRun runIn(const std::wstring& folder, std::wstring commandLine) {
    const ConsoleRun tool = runConsoleTool(std::move(commandLine), folder, ErrorStream::merged);
    EXPECT_EQ(tool.startError, 0u) << "did not start";
    EXPECT_TRUE(tool.ended);
    MakeRun run;
    run.exitCode = tool.exitCode;
    run.lines = linesOf(tool.output);
    return run;
}

MakeRun runMaker(const std::wstring& folder, const std::wstring& arguments) {
    return runIn(folder, quoted(maker()) + L" " + arguments);
}

std::string utf8Of(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The sample release: its release file, settings, and two patch files.
const std::string sampleRelease = utf8Of(u8"; Harborlight 1.1 の修正パッチ\r\n"
                                         u8"settings,settings.txt\r\n"
                                         u8"files,files\r\n"
                                         u8"name,update\r\n"
                                         u8"version,1.1.0.0\r\n"
                                         u8"description,Harborlight 1.1 修正ファイル更新プログラム\r\n"
                                         u8"product-name,Harborlight\r\n"
                                         u8"company,潮見ソフト\r\n"
                                         u8"copyright,Copyright (C) 2025 潮見ソフト\r\n"
                                         u8"output,release\r\n");

// The settings the program reads, code page 932 with CR LF (narrow literals
// compile to code page 932).
const std::string sampleSettingsCp932 =
    "キャプション,Harborlight 1.1 修正\r\n"
    "タイトル,Harborlight\r\n"
    "社名,ハーバーライト\r\n"
    "実行ファイル,Velk.exe\r\n"
    "ファイル,データ\\ソ表.dat\r\n"
    "ファイル,sub\\b.dat\r\n";
const std::string sampleSettingsUtf8 = utf8Of(u8"キャプション,Harborlight 1.1 修正\n"
                                              u8"タイトル,Harborlight\n"
                                              u8"社名,ハーバーライト\n"
                                              u8"実行ファイル,Velk.exe\n"
                                              u8"ファイル,データ\\ソ表.dat\n"
                                              u8"ファイル,sub\\b.dat\n");

struct SampleRelease {
    TempFolder folder;

    explicit SampleRelease(const std::string& settings, const std::string& release = sampleRelease) {
        folder.write(L"release.txt", release);
        folder.write(L"settings.txt", settings);
        CreateDirectoryW(folder.file(L"files").c_str(), nullptr);
        CreateDirectoryW(folder.file(L"files\\データ").c_str(), nullptr);
        CreateDirectoryW(folder.file(L"files\\sub").c_str(), nullptr);
        folder.write(L"files\\データ\\ソ表.dat", "first");
        folder.write(L"files\\sub\\b.dat", "second");
    }
    MakeRun make(const std::wstring& more = L"") const {
        return runMaker(folder.path(), L"release.txt --stub " + quoted(stub()) + more);
    }
};

std::string resourceOf(const std::wstring& program, const wchar_t* type, WORD id, WORD language) {
    const LoadedModule module(
        LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    const HRSRC found = FindResourceExW(module.get(), type, MAKEINTRESOURCEW(id), language);
    if (found == nullptr) {
        return "(none)";
    }
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module.get(), found)));
    return std::string(bytes, SizeofResource(module.get(), found));
}

std::wstring versionText(const std::wstring& program, const wchar_t* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    std::vector<unsigned char> block(size);
    if (size == 0 || !GetFileVersionInfoW(program.c_str(), 0, size, block.data())) {
        return L"(none)";
    }
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), &value, &length)) {
        return L"(none)";
    }
    return static_cast<const wchar_t*>(value);
}

// What is left in the release's folder besides what the test put there.
std::vector<std::wstring> leftOver(const TempFolder& folder) {
    std::vector<std::wstring> names;
    for (const std::wstring& name : namesIn(folder.path())) {
        if (name != L"release.txt" && name != L"settings.txt" && name != L"files") {
            names.push_back(name);
        }
    }
    return names;
}

class MadeRelease : public testing::TestWithParam<const char*> {};

TEST_P(MadeRelease, CarriesTheSettingsVersionTextsAndFiles) {
    const bool utf8 = std::string(GetParam()) == "Utf8Settings";
    const SampleRelease sample(utf8 ? sampleSettingsUtf8 : sampleSettingsCp932);
    const MakeRun run = sample.make();
    ASSERT_EQ(run.exitCode, 0u) << run;

    const std::wstring program = sample.folder.file(L"release\\update.exe");
    EXPECT_EQ(resourceOf(program, L"INF", 103, 0x0411), sampleSettingsCp932);
    EXPECT_EQ(versionText(program, L"CompanyName"), L"潮見ソフト");
    EXPECT_EQ(versionText(program, L"FileDescription"), L"Harborlight 1.1 修正ファイル更新プログラム");
    EXPECT_EQ(versionText(program, L"FileVersion"), L"1.1.0.0");
    EXPECT_EQ(versionText(program, L"ProductVersion"), L"1.1.0.0");
    EXPECT_EQ(versionText(program, L"InternalName"), L"update");
    EXPECT_EQ(versionText(program, L"OriginalFilename"), L"update.exe");
    EXPECT_EQ(versionText(program, L"LegalCopyright"), L"Copyright (C) 2025 潮見ソフト");
    EXPECT_EQ(versionText(program, L"ProductName"), L"Harborlight");
    // Without an icon the stub's stays, group and images alike.
    EXPECT_EQ(resourceOf(program, MAKEINTRESOURCEW(14), 102, 0x0411), resourceOf(stub(), MAKEINTRESOURCEW(14), 102, 0x0411));
    EXPECT_NE(resourceOf(program, MAKEINTRESOURCEW(14), 102, 0x0411), "(none)");

    // The table of digests: each listed file's SHA-256 and size, named as
    // the settings name it (code page 932), in the settings' order.
    EXPECT_EQ(resourceOf(program, L"SHA256", 104, 0x0411),
              "a7937b64b8caa58f03721bb6bacf5c78cb235febe0e70b1b84cd99541461a08e 5 データ\\ソ表.dat\r\n"
              "16367aacb67a4a017c8da8ab95682ccb390863780f7114dda0a0e0c55644c7c4 6 sub\\b.dat\r\n");
    EXPECT_EQ(readWholeFile(sample.folder.file(L"release\\データ\\ソ表.dat")), "first");
    EXPECT_EQ(readWholeFile(sample.folder.file(L"release\\sub\\b.dat")), "second");
    EXPECT_EQ(leftOver(sample.folder), std::vector<std::wstring>{L"release"});

    // Each written file's digest, then the summary.
    ASSERT_EQ(run.lines.size(), 4u) << run;
    EXPECT_EQ(run.lines[0].substr(64), L"  update.exe");
    const std::vector<std::wstring> files(run.lines.begin() + 1, run.lines.begin() + 3);
    EXPECT_NE(std::find(files.begin(), files.end(), L"a7937b64b8caa58f03721bb6bacf5c78cb235febe0e70b1b84cd99541461a08e  データ\\ソ表.dat"), files.end()) << run;
    EXPECT_NE(std::find(files.begin(), files.end(), L"16367aacb67a4a017c8da8ab95682ccb390863780f7114dda0a0e0c55644c7c4  sub\\b.dat"), files.end()) << run;
    EXPECT_EQ(run.lines[3], L"「release」に update.exe とファイル 2 個を書きました (警告 0 件、署名なし)。");
}

INSTANTIATE_TEST_SUITE_P(PatchMake, MadeRelease, testing::Values("Utf8Settings", "Cp932Settings"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST(PatchMake, SameInputsGiveTheSameBytes) {
    const SampleRelease sample(sampleSettingsUtf8);
    ASSERT_EQ(sample.make(L" --output first").exitCode, 0u);
    ASSERT_EQ(sample.make(L" --output second").exitCode, 0u);
    const std::string first = readWholeFile(sample.folder.file(L"first\\update.exe"));
    EXPECT_GT(first.size(), 100000u);
    EXPECT_TRUE(first == readWholeFile(sample.folder.file(L"second\\update.exe")));
}

// A file two lines copy (to two places, named in another case and with /)
// has one line in the table, under the name the first line gives.
TEST(PatchMake, TheTableListsAFileOnceWhateverTheLinesNamingIt) {
    SampleRelease sample(sampleSettingsCp932);
    sample.folder.write(L"settings.txt", sampleSettingsCp932 + "ファイル,SUB/B.DAT,copy.dat\r\n");
    const MakeRun run = sample.make();
    ASSERT_EQ(run.exitCode, 0u) << run;
    EXPECT_EQ(resourceOf(sample.folder.file(L"release\\update.exe"), L"SHA256", 104, 0x0411),
              "a7937b64b8caa58f03721bb6bacf5c78cb235febe0e70b1b84cd99541461a08e 5 データ\\ソ表.dat\r\n"
              "16367aacb67a4a017c8da8ab95682ccb390863780f7114dda0a0e0c55644c7c4 6 sub\\b.dat\r\n");
}

void replaceText(std::string& text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// The stub's company and description are the demo game's: left out, or
// copied from the sample unchanged, they would name another publisher.
TEST(PatchMake, WarnsOfTheStubsTextsAndLeavesOutUnsignedWhenSigningFollows) {
    std::string release = sampleRelease;
    const std::size_t at = release.find("description,");
    release.erase(at, release.find("\r\n", at) + 2 - at);
    replaceText(release, utf8Of(u8"company,潮見ソフト"), utf8Of(u8"company,ハーバーライト"));
    const SampleRelease sample(sampleSettingsUtf8, release);
    const MakeRun run = sample.make(L" --signing-follows");
    EXPECT_EQ(run.exitCode, 1u) << run;
    const std::wstring program = sample.folder.file(L"release\\update.exe");
    EXPECT_EQ(versionText(program, L"CompanyName"), versionText(stub(), L"CompanyName"));
    ASSERT_GE(run.lines.size(), 3u) << run;
    EXPECT_EQ(run.lines[0], L"release.txt:7: 警告: 会社名 (company) がスタブのまま「ハーバーライト」です。"
                            L"あなたの会社名を company に書いてください。") << run;
    EXPECT_EQ(run.lines[1].rfind(L"patch-make: 警告: ファイルの説明 (description) がスタブのまま「", 0), 0u) << run;
    EXPECT_EQ(run.lines.back(), L"「release」に update.exe とファイル 2 個を書きました (警告 2 件)。");
}

BOOL CALLBACK countResource(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// The icon replaces the stub's whole: one 128 x 128 image in 24-bit colour,
// and no image of the stub's left behind under another id.
TEST(PatchMake, CarriesTheIconAsOne128By128ImageIn24Bits) {
    const SampleRelease sample(sampleSettingsUtf8);
    const MakeRun run = sample.make(L" --icon " + quoted(hostPathInWine(PICTURES "/large.png")));
    ASSERT_EQ(run.exitCode, 0u) << run;
    const std::wstring program = sample.folder.file(L"release\\update.exe");
    const std::string group = resourceOf(program, MAKEINTRESOURCEW(14), 102, 0x0411);
    ASSERT_EQ(group.size(), 6u + 14u) << "one image in the group";
    EXPECT_EQ(static_cast<unsigned char>(group[6]), 128u);
    EXPECT_EQ(static_cast<unsigned char>(group[7]), 128u);
    EXPECT_EQ(static_cast<unsigned char>(group[12]), 24u);
    const WORD imageId = static_cast<WORD>(static_cast<unsigned char>(group[18]) | static_cast<unsigned char>(group[19]) << 8);
    const std::string image = resourceOf(program, MAKEINTRESOURCEW(3), imageId, 0x0411);
    ASSERT_GE(image.size(), 40u);
    EXPECT_EQ(static_cast<unsigned char>(image[14]), 24u) << "biBitCount";
    EXPECT_NE(image, resourceOf(stub(), MAKEINTRESOURCEW(3), imageId, 0x0411)) << "the stub's own picture";
    int images = 0;
    const LoadedModule module(
        LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    EnumResourceNamesW(module.get(), MAKEINTRESOURCEW(3), countResource, reinterpret_cast<LONG_PTR>(&images));
    EXPECT_EQ(images, 1);
}

TEST(PatchMake, ReplacesAFullOutputOnlyWhenAsked) {
    const SampleRelease sample(sampleSettingsUtf8);
    CreateDirectoryW(sample.folder.file(L"release").c_str(), nullptr);
    sample.folder.write(L"release\\old.txt", "old");
    sample.folder.write(L"release\\UPDATE.EXE", "the older release's program");
    const MakeRun refused = sample.make();
    EXPECT_EQ(refused.exitCode, 2u) << refused;
    EXPECT_EQ(readWholeFile(sample.folder.file(L"release\\old.txt")), "old");
    const MakeRun replaced = sample.make(L" --replace");
    EXPECT_EQ(replaced.exitCode, 0u) << replaced;
    // What the new release no longer holds is named; what it writes anew is not.
    EXPECT_EQ(replaced.lines.front(), L"「release\\old.txt」は新しいリリースにないため消しました (--replace)。")
        << replaced;
    EXPECT_EQ(std::count_if(replaced.lines.begin(), replaced.lines.end(),
                            [](const std::wstring& line) { return line.ends_with(L"消しました (--replace)。"); }),
              1)
        << replaced;
    EXPECT_EQ(namesIn(sample.folder.file(L"release")),
              (std::vector<std::wstring>{L"sub", L"update.exe", L"データ"}));
    EXPECT_EQ(leftOver(sample.folder), std::vector<std::wstring>{L"release"});
}

// A file whose name code page 932 lacks is named as it is, in the findings
// as in the list of digests.
TEST(PatchMake, NamesAFileOutsideCodePage932AsItIs) {
    SampleRelease sample(sampleSettingsUtf8);
    sample.folder.write(L"files\\café.txt", "menu");
    const MakeRun run = sample.make();
    EXPECT_EQ(run.exitCode, 1u) << run;
    // (The macros spell their arguments in code page 932, which has no é.)
    const std::wstring finding = L"caf\u00E9.txt: 警告: どの「ファイル,」の行にも書かれていないため、コピーされません。"
                                 L"要るなら行を足し、要らないなら消してください。";
    const std::wstring digestEnd = L"  caf\u00E9.txt";
    EXPECT_NE(std::find(run.lines.begin(), run.lines.end(), finding), run.lines.end()) << run;
    EXPECT_NE(std::find_if(run.lines.begin(), run.lines.end(),
                           [&](const std::wstring& line) { return line.ends_with(digestEnd); }),
              run.lines.end())
        << run;
}

// With nothing to go on, how to use it (wrong usage).
TEST(PatchMake, WithoutArgumentsShowsHowToUseIt) {
    const TempFolder work;
    const MakeRun run = runMaker(work.path(), L"");
    EXPECT_EQ(run.exitCode, 3u) << run;
    ASSERT_FALSE(run.lines.empty()) << run;
    EXPECT_EQ(run.lines[0].rfind(L"使い方: patch-make", 0), 0u) << run;
}

// Through the command interpreter, its output redirected to a file: the
// same UTF-8 lines.
TEST(PatchMake, RunsThroughCmdWithItsOutputInAFile) {
    const SampleRelease sample(sampleSettingsUtf8);
    MakeRun run = runIn(sample.folder.path(), L"cmd /c \"" + quoted(maker()) + L" release.txt --stub " +
                                                  quoted(stub()) + L" > made.txt\"");
    EXPECT_EQ(run.exitCode, 0u);
    const std::vector<std::wstring> lines = linesOf(readWholeFile(sample.folder.file(L"made.txt")));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), L"「release」に update.exe とファイル 2 個を書きました (警告 0 件、署名なし)。");
}

struct WrongCase {
    const char* name;
    std::function<void(SampleRelease&)> spoil;
    std::wstring arguments;  // after the release file and the stub
    DWORD exitCode;
    std::wstring line;  // the start of the one line printed
};

void PrintTo(const WrongCase& row, std::ostream* out) { *out << row.name; }

class Wrong : public testing::TestWithParam<WrongCase> {};

void replaceInRelease(SampleRelease& sample, const std::string& from, const std::string& to) {
    std::string release = sampleRelease;
    release.replace(release.find(from), from.size(), to);
    sample.folder.write(L"release.txt", release);
}

// The sample's settings with `to` in place of `from`.
std::function<void(SampleRelease&)> settingsWith(const char8_t* from, const char8_t* to) {
    return [from, to](SampleRelease& sample) {
        std::string settings = sampleSettingsUtf8;
        replaceText(settings, utf8Of(from), utf8Of(to));
        sample.folder.write(L"settings.txt", settings);
    };
}

TEST_P(Wrong, IsRefusedAtItsPlaceLeavingNothing) {
    SampleRelease sample(sampleSettingsUtf8);
    GetParam().spoil(sample);
    const MakeRun run = sample.make(GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run;
    ASSERT_FALSE(run.lines.empty()) << run;
    EXPECT_EQ(run.lines[0].rfind(GetParam().line, 0), 0u) << run;
    EXPECT_EQ(leftOver(sample.folder), std::vector<std::wstring>{}) << run;
}

const auto nothing = [](SampleRelease&) {};

INSTANTIATE_TEST_SUITE_P(
    PatchMake, Wrong,
    testing::Values(
        WrongCase{"MissingSettingsFile", [](SampleRelease& s) { DeleteFileW(s.folder.file(L"settings.txt").c_str()); },
                  L"", 2, L"release.txt:2: エラー: 「settings.txt」がありません。"},
        WrongCase{"MissingFilesFolder", [](SampleRelease& s) { replaceInRelease(s, "files,files", "files,patch"); },
                  L"", 2, L"release.txt:3: エラー: 「patch」がありません。"},
        WrongCase{"SettingsWithAYenSign", settingsWith(u8"sub\\", u8"sub¥"), L"", 2,
                  L"settings.txt:6: エラー: 「¥」はコード ページ 932 で「\\」に変わります。パスの区切りには「\\」と書いてください。"},
        WrongCase{"SettingsListingAMissingFile",
                  [](SampleRelease& s) { DeleteFileW(s.folder.file(L"files\\sub\\b.dat").c_str()); }, L"", 2,
                  L"settings.txt:6: エラー: "},
        WrongCase{"StubThatIsNotThisProgram", nothing, L" --stub " + quoted(hostPathInWine(PATCH_CHECKER)), 2,
                  L"patch-make: エラー: 「" + hostPathInWine(PATCH_CHECKER) + L"」はこのパッチ プログラムではありません"},
        WrongCase{"UnknownKey", [](SampleRelease& s) { replaceInRelease(s, "name,update", "nam,update"); }, L"", 2,
                  L"release.txt:4: エラー: 「nam」というキーはありません。"},
        WrongCase{"KeyTwice", [](SampleRelease& s) { replaceInRelease(s, "output,release", "name,again"); }, L"", 2,
                  L"release.txt:10: エラー: 「name」は 4 行目にもあります。どちらか一方にしてください。"},
        WrongCase{"BadVersion", [](SampleRelease& s) { replaceInRelease(s, "version,1.1.0.0", "version,1.1.0.70000"); },
                  L"", 2, L"release.txt:5: エラー: バージョン「1.1.0.70000」が読めません。"},
        WrongCase{"BadName", [](SampleRelease& s) { replaceInRelease(s, "name,update", "name,bin\\update"); }, L"", 2,
                  L"release.txt:4: エラー: 「bin\\update」はプログラムの名前にできません。"},
        WrongCase{"NoOutput", [](SampleRelease& s) { replaceInRelease(s, "output,release\r\n", ""); }, L"", 3,
                  L"patch-make: エラー: --output を指定してください。"},
        WrongCase{"EmptyReleaseFile", [](SampleRelease& s) { s.folder.write(L"release.txt", ""); }, L"", 2,
                  L"release.txt:1: エラー: リリース ファイルに「キー,値」の行が一つもありません。"},
        WrongCase{"OutputInAMissingFolder",
                  [](SampleRelease& s) { replaceInRelease(s, "output,release", "output,nowhere\\release"); }, L"", 2,
                  L"release.txt:10: エラー: 出力フォルダ「nowhere\\release」を置くフォルダ「nowhere」がありません。"},
        WrongCase{"RelativeOutputOptionInAMissingFolder", nothing, L" --output out\\rel", 2,
                  L"patch-make: エラー: 出力フォルダ「out\\rel」を置くフォルダ「out」がありません。"},
        WrongCase{"EmptySettingsFile", [](SampleRelease& s) { s.folder.write(L"settings.txt", ""); }, L"", 2,
                  L"settings.txt:1: エラー: 設定のテキストが空です。"},
        WrongCase{"YenSignInTheCaption", settingsWith(u8"1.1", u8"¥1.1"), L"", 2,
                  L"settings.txt:1: エラー: 「¥」はコード ページ 932 で「\\」に変わります。円記号を表示するなら全角の「￥」(U+FFE5) と書いてください。"},
        WrongCase{"YenSignInTheCompany", settingsWith(u8"ハーバーライト", u8"¥ハーバーライト"), L"", 2,
                  L"settings.txt:3: エラー: 「¥」はコード ページ 932 で「\\」に変わり、レジストリのキーの区切りになります。"}),
    caseName<WrongCase>);

}  // namespace

namespace {

// The download's sample makes a release as it stands, with the stub beside
// patch-make: the one warning is the demo's company, which the sample says
// to replace.
TEST(PatchMake, TheDownloadsSampleMakesARelease) {
    const TempFolder work;
    const std::wstring dist = hostPathInWine(PATCH_DIST);
    const MakeRun run = runIn(work.path(), quoted(dist + L"\\patch-make.exe") + L" " +
                                               quoted(dist + L"\\sample\\release.txt") + L" --output release");
    EXPECT_EQ(run.exitCode, 1u) << run;
    ASSERT_FALSE(run.lines.empty());
    int warnings = 0;
    for (const std::wstring& line : run.lines) {
        warnings += line.find(L": 警告: ") != std::wstring::npos ? 1 : 0;
    }
    EXPECT_EQ(warnings, 1) << run;
    EXPECT_NE(run.lines[0].find(L"会社名 (company) がスタブのまま"), std::wstring::npos) << run;
    EXPECT_EQ(run.lines.back(), L"「release」に update.exe とファイル 2 個を書きました (警告 1 件、署名なし)。");
    const std::wstring program = work.file(L"release\\update.exe");
    EXPECT_EQ(versionText(program, L"InternalName"), L"update");
    EXPECT_EQ(namesIn(work.file(L"release")),
              (std::vector<std::wstring>{L"harbor.dat", L"lighthouse.pak", L"update.exe"}));
}

}  // namespace

namespace {

// A release is the same whatever its maker has installed: the game's entry
// in this machine's registry, naming a folder without the game, changes
// nothing in what patch-make says or writes.
TEST(PatchMake, IsTheSameWhateverThisMachineHasInstalled) {
    std::string settings = sampleSettingsUtf8;
    replaceText(settings, utf8Of(u8"社名,ハーバーライト"), utf8Of(u8"社名,潮見試験工房"));
    const SampleRelease sample(settings);
    const TempFolder notTheGame;
    const std::wstring key = L"SOFTWARE\\潮見試験工房\\Harborlight";
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | gameKeyView,
                              nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const RegistryKey owned(created);
    const std::wstring path = notTheGame.path();
    RegSetValueExW(created, L"path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    const MakeRun run = sample.make();
    deleteGameKeyTree(L"潮見試験工房");
    EXPECT_EQ(run.exitCode, 0u) << run;
    for (const std::wstring& line : run.lines) {
        EXPECT_EQ(line.find(L"インストール先"), std::wstring::npos) << run;
    }
}

}  // namespace
