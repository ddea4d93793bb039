// patch-check run from outside, as a publisher runs it: a table of patch
// folders with one mistake each, every one reported with its file, its line
// and the exit code; a clean folder; and dry runs against an installation.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "core/GameRegistryView.h"
#include "core/HandleOwners.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/support/TempFolder.h"
#include "tests/support/UnixLink.h"
#include "tests/support/case_name.h"

namespace {

struct CheckRun {
    DWORD exitCode = 99;
    std::string output;             // the bytes written to standard output, as they came
    std::vector<std::string> lines;  // standard output in code page 932, as the literals here, without line breaks
    std::vector<std::string> errorLines;  // standard error, the same way

    bool has(const std::string& start, const std::string& part = "") const {
        for (const std::string& line : lines) {
            if (line.rfind(start, 0) == 0 && line.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

std::ostream& operator<<(std::ostream& out, const CheckRun& run) {
    out << "exit code " << run.exitCode << ", output:\n";
    for (const std::string& line : run.lines) {
        out << "  " << line << "\n";
    }
    for (const std::string& line : run.errorLines) {
        out << "  (standard error) " << line << "\n";
    }
    return out;
}

// A UTF-16 name as the checker writes it in its code page 932 report: a
// character code page 932 lacks as the default character, no look-alike.
std::string cp932Of(const std::wstring& text) {
    const int units = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), units, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), units, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

// What patch-check wrote to a pipe, which must be UTF-8, as the code page 932
// lines this file's literals compare with.
std::vector<std::string> linesOfPipedText(const std::string& utf8Text, const char* stream) {
    std::vector<std::string> lines;
    if (utf8Text.empty()) {
        return lines;
    }
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Text.data(),
                                           static_cast<int>(utf8Text.size()), nullptr, 0);
    if (length <= 0) {
        ADD_FAILURE() << "patch-check's " << stream << " is no UTF-8 text";
        return lines;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), static_cast<int>(utf8Text.size()), wide.data(), length);
    const std::string text = cp932Of(wide);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Runs patch-check with the arguments (UTF-16, as a folder of any name
// needs) and collects what it prints on each stream.
CheckRun runChecker(const std::wstring& arguments) {
    const ConsoleRun tool =
        runConsoleTool(L"\"" + hostPathInWine(PATCH_CHECKER) + L"\" " + arguments, L"", ErrorStream::apart);
    EXPECT_EQ(tool.startError, 0u) << "patch-check did not start";
    EXPECT_TRUE(tool.ended);
    CheckRun run;
    run.exitCode = tool.exitCode;
    run.output = tool.output;
    run.lines = linesOfPipedText(tool.output, "standard output");
    run.errorLines = linesOfPipedText(tool.errors, "standard error");
    return run;
}

std::wstring quotedArgument(const std::wstring& text) { return L"\"" + text + L"\""; }

// The settings of a clean patch: every key, a file under its own name and
// one into a subfolder.
std::vector<std::string> cleanSettingsLines() {
    return {
        "キャプション,試験ゲーム修正ファイル",  // 1
        "タイトル,試験ゲーム",                  // 2
        "社名,試験ソフト社",                    // 3
        "実行ファイル,Game.exe",                // 4
        "ファイル,a.dat",                       // 5
        "ファイル,b.dat,data\\b.dat",           // 6
    };
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// The same settings as the publisher's editor saves them in UTF-8 (the
// literals of this file are code page 932).
std::string utf8Of(const std::string& codePage932) {
    const int wideLength = MultiByteToWideChar(932, 0, codePage932.data(), static_cast<int>(codePage932.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(932, 0, codePage932.data(), static_cast<int>(codePage932.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string utf16Of(const std::string& codePage932) {
    const int wideLength = MultiByteToWideChar(932, 0, codePage932.data(), static_cast<int>(codePage932.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(932, 0, codePage932.data(), static_cast<int>(codePage932.size()), wide.data(), wideLength);
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

// A file of `size` bytes that takes no room: the end is set, nothing written.
void writeSparseFile(const std::wstring& path, unsigned long long size) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << utf8(path);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
}

// A patch folder as the publisher assembled it.
struct PatchFolder {
    TempFolder folder;
    std::wstring programName = L"patch.exe";
    std::wstring settingsName = L"patch.inf";
    std::string settings = joined(cleanSettingsLines());
    bool withSettings = true;
    std::vector<std::pair<std::wstring, std::string>> files = {{L"a.dat", "a, version 2"}, {L"b.dat", "b, version 2"}};
    std::function<void(const TempFolder&)> more;

    void write() const {
        ASSERT_TRUE(CopyFileW(hostPathInWine(PATCH_PROGRAM).c_str(), folder.file(programName).c_str(), FALSE));
        if (withSettings) {
            folder.write(settingsName, settings);
        }
        for (const auto& [name, bytes] : files) {
            folder.write(name, bytes);
        }
        if (more) {
            more(folder);
        }
    }
};

struct Expected {
    std::string start;  // "patch.inf:5: エラー:" and the like
    std::string part;   // a piece of the text, or ""
};

struct BrokenFolderCase {
    const char* name;
    std::function<void(PatchFolder&)> mistake;
    DWORD exitCode;
    std::vector<Expected> findings;
    std::vector<Expected> wrongFindings = {};  // must not be reported
};

void PrintTo(const BrokenFolderCase& folderCase, std::ostream* out) { *out << folderCase.name; }

std::function<void(PatchFolder&)> withLines(std::function<void(std::vector<std::string>&)> change) {
    return [change](PatchFolder& patch) {
        std::vector<std::string> lines = cleanSettingsLines();
        change(lines);
        patch.settings = joined(lines);
    };
}

class BrokenFolder : public testing::TestWithParam<BrokenFolderCase> {};

TEST_P(BrokenFolder, IsReportedWithFileLineAndExitCode) {
    PatchFolder patch;
    GetParam().mistake(patch);
    patch.write();
    const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run;
    for (const Expected& expected : GetParam().findings) {
        EXPECT_TRUE(run.has(expected.start, expected.part)) << "expected " << expected.start << " " << expected.part
                                                            << "\n" << run;
    }
    for (const Expected& wrong : GetParam().wrongFindings) {
        EXPECT_FALSE(run.has(wrong.start, wrong.part)) << "not expected " << wrong.start << " " << wrong.part
                                                       << "\n" << run;
    }
}

const BrokenFolderCase brokenFolderCases[] = {
    {"Clean", [](PatchFolder&) {}, 0,
     {{"patch.inf:5: メモ:", "「a.dat」(12 バイト) をインストール先の「a.dat」へ"},
      {"patch.inf:6: メモ:", "「data\\b.dat」へ"},
      {"patch.inf: メモ:", "容量 0KB"},
      {"patch.inf: メモ:", "「data」"}},
     {{"patch.inf:1: 警告:", ""}}},
    // 表's trail byte is 0x5C: still a program directly in the folder, and
    // it reads 表示.inf.
    {"ProgramNamedInJapanese",
     [](PatchFolder& patch) {
         patch.programName = L"表示.v1.1.exe";
         patch.settingsName = L"表示.inf";
     },
     0, {{"表示.inf:5: メモ:", "「a.dat」"}}},
    // The conversion the download has: patch-make's, not a script.
    {"SettingsSavedAsUtf8", [](PatchFolder& patch) { patch.settings = utf8Of(patch.settings); }, 2,
     {{"patch.inf:1: エラー:", "UTF-8"}, {"patch.inf:1: エラー:", "patch-make --convert-settings"}},
     {{"patch.inf:1: エラー:", "scripts/"}}},
    {"SettingsSavedAsUtf16", [](PatchFolder& patch) { patch.settings = utf16Of(patch.settings); }, 2,
     {{"patch.inf:1: エラー:", "UTF-16"}}},
    // The mark is the one fault of line 1: its key is no unknown text.
    {"ByteOrderMark", [](PatchFolder& patch) { patch.settings = "\xEF\xBB\xBF" + patch.settings; }, 2,
     {{"patch.inf:1: エラー:", "BOM"}}, {{"patch.inf:1: 警告:", ""}}},
    {"MisnamedFile",
     [](PatchFolder& patch) {
         patch.files = {{L"bgm_v2.1.pak", "music"}, {L"b.dat", "b"}};
         withLines([](auto& lines) { lines[4] = "ファイル,bgm_v21.pak"; })(patch);
     },
     2, {{"patch.inf:5: エラー:", "「bgm_v2.1.pak」"}, {"bgm_v2.1.pak: 警告:", ""}}},
    {"SettingsNamedAfterTheWholeProgramName",
     [](PatchFolder& patch) {
         patch.programName = L"update.v2.exe";
         patch.settingsName = L"update.v2.inf";
     },
     2, {{"update.v2.inf: エラー:", "update.inf"}}},
    {"FullWidthComma", withLines([](auto& lines) { lines[4] = "ファイル，a.dat"; }), 2,
     {{"patch.inf:5: エラー:", "全角"}, {"a.dat: 警告:", ""}}},
    {"FullWidthCommaBeforeTheDestination", withLines([](auto& lines) { lines[4] = "ファイル,a.dat，a2.dat"; }), 2,
     {{"patch.inf:5: エラー:", "半角カンマ「,」"}}},
    {"LeadingSpace", withLines([](auto& lines) { lines[4] = " ファイル,a.dat"; }), 2,
     {{"patch.inf:5: エラー:", "空白"}}},
    {"MisspeltKey", withLines([](auto& lines) { lines[4] = "フアイル,a.dat"; }), 2,
     {{"patch.inf:5: エラー:", "「ファイル,」"}}},
    {"KeyWithoutComma", withLines([](auto& lines) { lines[3] = "実行ファイルGame.exe"; }), 1,
     {{"patch.inf:4: 警告:", "「実行ファイル」"}, {"patch.inf: 警告:", "「実行ファイル,」の行がありません"}}},
    {"FileKeyWithNothingAfterIt", withLines([](auto& lines) { lines.push_back("ファイル,"); }), 2,
     {{"patch.inf:7: エラー:", "空"}}},
    // a.dat is listed all the same: no "no line lists it".
    {"DestinationLeavesTheInstallFolder", withLines([](auto& lines) { lines[4] = "ファイル,a.dat,..\\a.dat"; }), 2,
     {{"patch.inf:5: エラー:", "設定ファイルが読み込めません"}},
     {{"a.dat: 警告:", ""}}},
    // The refusal of the whole settings is what the player meets, whatever
    // the source.
    {"EmptySourceAndADestinationOutside", withLines([](auto& lines) { lines.push_back("ファイル,,..\\x.dat"); }), 2,
     {{"patch.inf:7: エラー:", "設定ファイルが読み込めません"}}},
    // 85 40 is no code page 932 character: the program can't convert the
    // name and refuses the settings. One finding, not a second one that
    // asks for a name inside the install folder.
    {"DestinationNotInCodePage932", withLines([](auto& lines) { lines[4] = "ファイル,a.dat,\x85\x40.dat"; }), 2,
     {{"patch.inf:5: エラー:", "コピー先「"}, {"patch.inf:5: エラー:", "Shift_JIS (CP932) にある文字だけで書いてください"}},
     {{"patch.inf:5: エラー:", "インストール先フォルダの中"}}},
    {"SourceNotInCodePage932", withLines([](auto& lines) { lines[4] = "ファイル,\x85\x40.dat"; }), 2,
     {{"patch.inf:5: エラー:", "コピーするファイル名「"}}, {{"patch.inf:5: エラー:", "コピー先「"}}},
    {"TitleNotInCodePage932", withLines([](auto& lines) { lines[1] = "タイトル,試験\x85\x40"; }), 2,
     {{"patch.inf:2: エラー:", "「タイトル,」の値"}}},
    {"DestinationWithAnAsterisk", withLines([](auto& lines) { lines[4] = "ファイル,a.dat,a*.dat"; }), 2,
     {{"patch.inf:5: エラー:", "ファイル名に使えない文字"}}, {{"a.dat: 警告:", ""}}},
    // A destination that names a folder: the copy can't create it.
    {"DestinationEndingInABackslash", withLines([](auto& lines) { lines[4] = "ファイル,a.dat,data\\"; }), 2,
     {{"patch.inf:5: エラー:", "フォルダ"}}},
    {"DestinationEndingInTwoDots", withLines([](auto& lines) { lines[4] = "ファイル,a.dat,data\\.."; }), 2,
     {{"patch.inf:5: エラー:", "フォルダ"}}},
    // ソ ends in the byte 0x5C, and names a file all the same.
    {"DestinationEndingInSo", withLines([](auto& lines) { lines[4] = "ファイル,a.dat,ソ"; }), 0,
     {{"patch.inf:5: メモ:", "「ソ」へコピーします"}}},
    {"TwoEntriesWithOneDestination", withLines([](auto& lines) { lines.push_back("ファイル,a.dat,DATA/B.DAT"); }), 2,
     {{"patch.inf:7: エラー:", "6 行目"}}},
    {"FileOfFourGiB",
     [](PatchFolder& patch) {
         patch.files = {{L"b.dat", "b"}};
         patch.more = [](const TempFolder& folder) { writeSparseFile(folder.file(L"a.dat"), 0x100000000ull); };
     },
     2, {{"patch.inf:5: エラー:", "4294967296"}}},
    // One byte less is a size like any other: copied, and checked.
    {"FileOfFourGiBLessOneByte",
     [](PatchFolder& patch) {
         patch.files = {{L"b.dat", "b"}};
         patch.more = [](const TempFolder& folder) { writeSparseFile(folder.file(L"a.dat"), 0xFFFFFFFFull); };
     },
     0, {{"patch.inf:5: メモ:", "4294967295"}}},
    // Several files of 4 GiB in all: each is copied, and the dialog's figures
    // are 64-bit.
    {"FilesOfMoreThanFourGiBInAll",
     [](PatchFolder& patch) {
         patch.files = {};
         patch.more = [](const TempFolder& folder) {
             writeSparseFile(folder.file(L"a.dat"), 0xA0000000ull);
             writeSparseFile(folder.file(L"b.dat"), 0xA0000000ull);
         };
     },
     0, {{"patch.inf: メモ:", "容量 5242880KB"}}},
    // The program takes the first file the pattern finds, and counts its
    // size in the dialog's figure before the copy fails on the name.
    {"SourceWithAWildcardIsCountedAsTheProgramCountsIt",
     [](PatchFolder& patch) {
         withLines([](auto& lines) { lines[4] = "ファイル,a.d?t,a.dat"; })(patch);
         patch.files[0].second = std::string(3000, 'a');
     },
     2, {{"patch.inf:5: エラー:", "* か ?"}, {"patch.inf: メモ:", "容量 2KB"}}},
    {"SourceIsAFolder",
     [](PatchFolder& patch) {
         patch.files = {{L"b.dat", "b"}};
         patch.more = [](const TempFolder& folder) { CreateDirectoryW(folder.file(L"a.dat").c_str(), nullptr); };
     },
     2, {{"patch.inf:5: エラー:", "フォルダ"}}},
    // Far past the title bar's end: the full caption never shows.
    {"CaptionWiderThanTheTitleBar",
     withLines([](auto& lines) {
         lines[0] = "キャプション,試験ゲーム 修正ファイル バージョン 1.1 から 1.2 への更新プログラム (港の灯 追加データ付き)";
     }),
     1, {{"patch.inf:1: 警告:", "キャプション「試験ゲーム 修正ファイル バージョン"}, {"patch.inf:1: 警告:", "タイトル バーに収まりません"}}},
    {"MissingCaption", withLines([](auto& lines) { lines.erase(lines.begin()); }), 1,
     {{"patch.inf: 警告:", "「キャプション,」"}}},
    {"MissingTitle", withLines([](auto& lines) { lines.erase(lines.begin() + 1); }), 2,
     {{"patch.inf: エラー:", "「タイトル,」"}}},
    {"TitleWithASpaceAfterTheComma", withLines([](auto& lines) { lines[1] = "タイトル, 試験ゲーム"; }), 1,
     {{"patch.inf:2: 警告:", "空白"}}},
    {"ExecutableWithAFullWidthSpaceAfterIt", withLines([](auto& lines) { lines[3] = "実行ファイル,Game.exe　"; }), 1,
     {{"patch.inf:4: 警告:", "後ろに空白"}}},
    // メ is 83 81 and the at sign 40: the bytes of a full-width space, yet
    // no space.
    {"TitleEndingInMeAndAnAtSign", withLines([](auto& lines) { lines[1] = "タイトル,試験アニメ@"; }), 0, {},
     {{"patch.inf:2: 警告:", ""}}},
    // メ and C hold the bytes of "，" (81 43): no full-width comma.
    {"MissingSourceWhoseBytesHoldAFullWidthComma", withLines([](auto& lines) { lines[4] = "ファイル,メCメC.dat"; }), 2,
     {{"patch.inf:5: エラー:", "ファイルを置くか"}}},
    {"EmptyCompany", withLines([](auto& lines) { lines[2] = "社名,"; }), 2, {{"patch.inf:3: エラー:", "空"}}},
    {"TitleTwice", withLines([](auto& lines) { lines.push_back("タイトル,別のゲーム"); }), 1,
     {{"patch.inf:7: 警告:", "2 行目"}}},
    {"NoFileLine", withLines([](auto& lines) { lines.resize(4); }), 2,
     {{"patch.inf: エラー:", "設定ファイルが読み込めません"}}},
    {"UnlistedFile", [](PatchFolder& patch) { patch.files.push_back({L"readme.txt", "hello"}); }, 1,
     {{"readme.txt: 警告:", ""}}},
    {"TextAfterCtrlZ", withLines([](auto& lines) { lines[3] += "\x1A"; }), 2,
     {{"patch.inf:4: 警告:", "Ctrl-Z"}, {"patch.inf: エラー:", "「ファイル,」の行が一つもない"}}},
    {"EmbeddedSettings",
     [](PatchFolder& patch) {
         patch.withSettings = false;
         patch.files = {{L"harbor.dat", "h"}, {L"lighthouse.pak", "l"}};
     },
     0, {{"patch.exe(埋め込み設定): メモ:", "patch.inf"}}},
    {"EmbeddedSettingsListAFileNotShipped",
     [](PatchFolder& patch) {
         patch.withSettings = false;
         patch.files = {{L"harbor.dat", "h"}};
     },
     2, {{"patch.exe(埋め込み設定):12: エラー:", "「lighthouse.pak」"}}},
    {"SettingsFileThatCannotBeRead",
     [](PatchFolder& patch) {
         patch.withSettings = false;
         patch.files = {{L"harbor.dat", "h"}, {L"lighthouse.pak", "l"}};
         patch.more = [](const TempFolder& folder) { CreateDirectoryW(folder.file(L"patch.inf").c_str(), nullptr); };
     },
     2, {{"patch.inf: エラー:", "埋め込み設定を使います"}}},
    {"NoProgram", [](PatchFolder& patch) { patch.more = [](const TempFolder& folder) { DeleteFileW(folder.file(L"patch.exe").c_str()); }; }, 2,
     {{".: エラー:", ".exe"}}},
};

INSTANTIATE_TEST_SUITE_P(Table, BrokenFolder, testing::ValuesIn(brokenFolderCases), caseName<BrokenFolderCase>);

// --list-settings: after a program's "file=" lines, one "folder=" line for
// each subfolder its accepted destinations need, parents first, each once.
struct ListedFoldersCase {
    const char* name;
    std::vector<std::string> fileLines;
    std::vector<std::string> folderLines;
};

void PrintTo(const ListedFoldersCase& foldersCase, std::ostream* out) { *out << foldersCase.name; }

class ListedFolders : public testing::TestWithParam<ListedFoldersCase> {};

TEST_P(ListedFolders, FollowTheFileLinesOfTheirProgram) {
    PatchFolder patch;
    std::vector<std::string> lines = cleanSettingsLines();
    lines.resize(4);  // the keys, without the "ファイル," lines
    lines.insert(lines.end(), GetParam().fileLines.begin(), GetParam().fileLines.end());
    patch.settings = joined(lines);
    patch.files = {{L"a.dat", "a"}, {L"b.dat", "b"}, {L"c.dat", "c"}};
    patch.write();
    const CheckRun run = runChecker(L"--list-settings " + quotedArgument(patch.folder.path()));
    std::vector<std::string> folders;
    std::size_t lastFileLine = 0;
    std::size_t firstFolderLine = run.lines.size();
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        if (run.lines[i].rfind("file=", 0) == 0) {
            lastFileLine = i;
        } else if (run.lines[i].rfind("folder=", 0) == 0) {
            if (folders.empty()) {
                firstFolderLine = i;
            }
            folders.push_back(run.lines[i]);
        }
    }
    EXPECT_TRUE(run.has("program=patch.exe")) << run;
    EXPECT_TRUE(run.has("settings=patch.inf")) << run;
    EXPECT_EQ(folders, GetParam().folderLines) << run;
    EXPECT_LT(lastFileLine, firstFolderLine) << run;
}

const ListedFoldersCase listedFoldersCases[] = {
    {"TopLevelNeedsNone", {"ファイル,a.dat", "ファイル,b.dat,b2.dat"}, {}},
    {"OneSubfolder", {"ファイル,a.dat", "ファイル,b.dat,data\\b.dat"}, {"folder=data"}},
    {"ParentsFirstEachOnce",
     {"ファイル,a.dat,data\\sub\\a.dat", "ファイル,b.dat,Data\\b.dat", "ファイル,c.dat,other\\c.dat"},
     {"folder=data", "folder=data\\sub", "folder=other"}},
    // ソ is 83 5C and 表 95 5C: no separator inside either.
    {"SoAndHyoAreWholeNames", {"ファイル,a.dat,ソ\\表\\a.dat", "ファイル,b.dat,表示.dat"},
     {"folder=ソ", "folder=ソ\\表"}},
    {"RefusedDestinationPassedOver", {"ファイル,a.dat,..\\out\\a.dat", "ファイル,b.dat,in\\b.dat"}, {"folder=in"}},
};

INSTANTIATE_TEST_SUITE_P(Table, ListedFolders, testing::ValuesIn(listedFoldersCases), caseName<ListedFoldersCase>);

// A game installed as its installer left it, for the dry runs.
class DryRun : public testing::Test {
protected:
    DryRun() {
        patch.write();
        install.write(L"Game.exe", "game");
        install.write(L"a.dat", "a, version 1");
        CreateDirectoryW(install.file(L"data").c_str(), nullptr);
    }

    CheckRun check(const std::wstring& more = L"") const {
        return runChecker(quotedArgument(patch.folder.path()) + L" --install-folder " +
                          quotedArgument(install.path()) + more);
    }

    PatchFolder patch;
    TempFolder install;
};

TEST_F(DryRun, ReadyInstallationNamesReplacedAndCreatedFiles) {
    const CheckRun run = check();
    EXPECT_EQ(run.exitCode, 0u) << run;
    EXPECT_TRUE(run.has("patch.inf:5: メモ:", "「a.dat」を置き換えます")) << run;
    EXPECT_TRUE(run.has("patch.inf:6: メモ:", "「data\\b.dat」を新しく作ります")) << run;
    EXPECT_TRUE(run.has("patch.inf: メモ:", "空き容量")) << run;
}

TEST_F(DryRun, MissingSubfolderAndTooLittleRoom) {
    RemoveDirectoryW(install.file(L"data").c_str());
    // The program stages a.dat and b.dat (12 bytes each) beside their
    // destinations while the old a.dat still exists: 24 bytes at once,
    // whatever the disk of the test machine holds.
    const CheckRun run = check(L" --assume-free-space 11");
    EXPECT_EQ(run.exitCode, 2u) << run;
    // In the words of Run's own check, on the line of the file that needs it.
    EXPECT_TRUE(run.has("patch.inf:6: エラー:", "「「data」フォルダがありません。インストール先を確認してください。」"))
        << run;
    EXPECT_TRUE(run.has("patch.inf: エラー:", "空き容量 11 バイト")) << run;
    EXPECT_TRUE(run.has("patch.inf: エラー:", "新しいファイル全部 24 バイト")) << run;
    EXPECT_TRUE(run.has("patch.inf: エラー:", "「空き容量が足りません。あと 1KB 必要です。」")) << run;

    CreateDirectoryW(install.file(L"data").c_str(), nullptr);
    // What the copy adds (12 bytes: a.dat keeps its size) is not enough: the
    // program asks for room for every staged file.
    EXPECT_EQ(check(L" --assume-free-space 12").exitCode, 2u);
    EXPECT_EQ(check(L" --assume-free-space 24").exitCode, 0u);
}

TEST_F(DryRun, FolderWithoutTheGame) {
    DeleteFileW(install.file(L"Game.exe").c_str());
    const CheckRun run = check();
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_TRUE(run.has("patch.inf:4: エラー:", "試験ゲームがインストールされていません。")) << run;
}

// The program looks the folder up as it looks up a file: a file in its
// place passes, and the game's executable is then missing.
TEST_F(DryRun, InstallFolderThatIsAFile) {
    const CheckRun run = runChecker(quotedArgument(patch.folder.path()) + L" --install-folder " +
                                    quotedArgument(install.file(L"a.dat")));
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_FALSE(run.has("patch.inf: エラー:", "指定されたフォルダがありません。")) << run;
    EXPECT_TRUE(run.has("patch.inf:4: エラー:", "試験ゲームがインストールされていません。")) << run;
}

// The game installed under a folder whose name code page 932 lacks: found,
// and every file in it too.
TEST_F(DryRun, InstallFolderNamedOutsideCodePage932) {
    // Inside the installation the fixture made, which removes it whole.
    const std::wstring parent = install.file(L"José");
    const std::wstring folder = parent + L"\\ゲーム été";
    ASSERT_TRUE(CreateDirectoryW(parent.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const wchar_t* name : {L"Game.exe", L"a.dat"}) {
        ASSERT_TRUE(CopyFileW(install.file(name).c_str(), (folder + L"\\" + name).c_str(), FALSE)) << utf8(name);
    }
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\data").c_str(), nullptr));
    const CheckRun run = runChecker(quotedArgument(patch.folder.path()) + L" --install-folder " + quotedArgument(folder));
    EXPECT_EQ(run.exitCode, 0u) << run;
    EXPECT_TRUE(run.has("patch.inf:5: メモ:", "「a.dat」を置き換えます")) << run;
    EXPECT_TRUE(run.has("patch.inf:6: メモ:", "「data\\b.dat」を新しく作ります")) << run;
}

TEST_F(DryRun, ReadOnlyFileCannotBeReplaced) {
    SetFileAttributesW(install.file(L"a.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    const CheckRun run = check();
    EXPECT_EQ(run.exitCode, 2u) << run;
    // Run refuses it with its retry box before anything is written; the
    // dry run tells the box's words.
    EXPECT_TRUE(run.has("patch.inf:5: エラー:",
                        "「「a.dat」は書き換えられない属性になっています。属性を外してから再試行してください。」"))
        << run;
}

// Run refuses a destination reached through a link (a stranger's junction
// would turn the copy's moves onto any file); so does the dry run.
TEST_F(DryRun, DestinationThroughALinkIsRefusedAsRunRefusesIt) {
    ASSERT_TRUE(RemoveDirectoryW(install.file(L"data").c_str()));
    ASSERT_TRUE(CreateDirectoryW(install.file(L"elsewhere").c_str(), nullptr));
    const UnixLink data(install.path(), L"data", L"elsewhere");
    ASSERT_TRUE(data.made());
    const CheckRun run = check();
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_TRUE(run.has("patch.inf:6: エラー:", "「「data」はリンクのため、パッチを当てられません。」")) << run;
    EXPECT_TRUE(run.has("patch.inf:5: メモ:", "「a.dat」を置き換えます")) << run;
}

TEST(RegistryEntry, IsNamedInTheThirtyTwoBitView) {
    PatchFolder patch;
    patch.write();
    const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
    EXPECT_EQ(run.exitCode, 0u) << run;
    EXPECT_TRUE(run.has("patch.inf: メモ:", "HKEY_LOCAL_MACHINE\\SOFTWARE\\試験ソフト社\\試験ゲーム")) << run;
    EXPECT_TRUE(run.has("patch.inf: メモ:", "WOW6432Node\\試験ソフト社\\試験ゲーム")) << run;
    EXPECT_TRUE(run.has("patch.inf: メモ:", "この PC にはこのエントリがありません")) << run;
    // What a publisher on Windows has to try it: the download holds no script.
    EXPECT_TRUE(run.has("patch.inf: メモ:", "--install-folder でそのフォルダを指定してください")) << run;
    EXPECT_FALSE(run.has("", "scripts/")) << run;
}

// The entry a game's installer wrote on this machine: the check then tries
// the folder it names, and reports what would fail there as warnings (this
// machine is only one player's). The folder's name holds characters code
// page 932 lacks: the registry's text and the folder are UTF-16 throughout.
TEST(RegistryEntry, FoundOnThisMachineIsCheckedAsAnInstallation) {
    // A title of its own: the other tests, running meanwhile, find no entry.
    PatchFolder patch;
    withLines([](auto& lines) { lines[1] = "タイトル,試験ゲーム登録済み"; })(patch);
    patch.write();
    TempFolder games;
    const std::wstring installPath = games.file(L"José ゲーム été");
    ASSERT_TRUE(CreateDirectoryW(installPath.c_str(), nullptr));
    TempFolder install(installPath + L"\\");
    install.write(L"Game.exe", "game");
    const std::wstring key = L"SOFTWARE\\試験ソフト社\\試験ゲーム登録済み";
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | gameKeyView, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(created, L"path", 0, REG_SZ, reinterpret_cast<const BYTE*>(install.path().c_str()),
                   static_cast<DWORD>((install.path().size() + 1) * sizeof(wchar_t)));
    RegCloseKey(created);

    const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), gameKeyView, 0);
    // Only when empty: another test may hold a key below it.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\試験ソフト社", gameKeyView, 0);
    EXPECT_EQ(run.exitCode, 1u) << run;
    EXPECT_TRUE(run.has("patch.inf: メモ:", "この PC にはこのエントリがあり、path は「" + cp932Of(install.path()) + "」"))
        << run;
    // Run's own refusal, a warning on a folder found on this machine.
    EXPECT_TRUE(run.has("patch.inf:6: 警告:", "「「data」フォルダがありません。インストール先を確認してください。」"))
        << run;
    // The executable was found in the folder the entry names.
    EXPECT_FALSE(run.has("patch.inf:4:", "")) << run;
}

// A text saved in another encoding is one mistake, reported once, not once
// for every line whose key it hides.
TEST(AnotherEncoding, IsOneFindingNotOnePerLine) {
    for (const bool utf16 : {false, true}) {
        PatchFolder patch;
        patch.settings = utf16 ? utf16Of(patch.settings) : "\xEF\xBB\xBF" + utf8Of(patch.settings);
        patch.write();
        const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
        EXPECT_EQ(run.exitCode, 2u) << run;
        EXPECT_TRUE(run.has("patch.inf:1: エラー:", utf16 ? "UTF-16" : "UTF-8")) << run;
        EXPECT_FALSE(run.has("patch.inf:2:", "")) << run;
        EXPECT_FALSE(run.has("patch.inf:5:", "")) << run;
        EXPECT_FALSE(run.has("patch.inf: エラー:", "")) << run;
        EXPECT_FALSE(run.has("patch.inf: 警告:", "")) << run;
    }
}

// The patch folder wherever the publisher (or a player) unpacked it: a name
// ending in ソ, whose code page 932 trail byte is 0x5C (no separator to
// trim), and names code page 932 has no characters for.
struct PatchFolderNameCase {
    const char* name;
    std::wstring folder;  // below a temporary folder
};

void PrintTo(const PatchFolderNameCase& nameCase, std::ostream* out) { *out << nameCase.name; }

class PatchFolderName : public testing::TestWithParam<PatchFolderNameCase> {};

TEST_P(PatchFolderName, IsCheckedAsItIs) {
    PatchFolder patch;
    patch.write();
    std::wstring named = patch.folder.path();
    for (std::size_t start = 0; start < GetParam().folder.size();) {
        const std::size_t end = std::min(GetParam().folder.find(L'\\', start), GetParam().folder.size());
        named += L"\\" + GetParam().folder.substr(start, end - start);
        ASSERT_TRUE(CreateDirectoryW(named.c_str(), nullptr)) << utf8(named);
        start = end + 1;
    }
    for (const wchar_t* name : {L"patch.exe", L"patch.inf", L"a.dat", L"b.dat"}) {
        ASSERT_TRUE(MoveFileW(patch.folder.file(name).c_str(), (named + L"\\" + name).c_str())) << utf8(name);
    }
    const CheckRun run = runChecker(quotedArgument(named));
    EXPECT_EQ(run.exitCode, 0u) << run;
    EXPECT_TRUE(run.has("patch.inf:5: メモ:", "「a.dat」(12 バイト)")) << run;
    EXPECT_TRUE(run.has("patch.inf:6: メモ:", "「data\\b.dat」へ")) << run;
}

const PatchFolderNameCase patchFolderNameCases[] = {
    {"EndingInSo", L"パッチソ"},
    {"ChineseDownloads", L"张伟的下载\\patch"},
    {"LatinAccents", L"José\\été patch"},
};

INSTANTIATE_TEST_SUITE_P(Table, PatchFolderName, testing::ValuesIn(patchFolderNameCases),
                         caseName<PatchFolderNameCase>);

// Wrong usage: exit code 3, and one line on standard error that says what is
// wrong, in the findings' style; nothing on standard output, which a script
// reads as the report.
struct UsageCase {
    const char* name;
    std::wstring arguments;
    std::string errorStart;
};

void PrintTo(const UsageCase& usageCase, std::ostream* out) { *out << usageCase.name; }

class WrongUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(WrongUsage, GivesThreeAndOneLineOnStandardError) {
    const CheckRun run = runChecker(GetParam().arguments);
    EXPECT_EQ(run.exitCode, 3u) << run;
    EXPECT_TRUE(run.output.empty()) << run;
    ASSERT_EQ(run.errorLines.size(), 1u) << run;
    EXPECT_EQ(run.errorLines[0].rfind("patch-check: エラー: " + GetParam().errorStart, 0), 0u) << run;
    EXPECT_NE(run.errorLines[0].find("patch-check --help"), std::string::npos) << run;
}

const UsageCase usageCases[] = {
    {"NoFolder", L"", "パッチフォルダを指定してください"},
    {"UnknownOption", L"--no-such-option x", "知らないオプションです: --no-such-option"},
    {"TwoFolders", L"x y", "パッチフォルダは一度に一つだけ"},
    {"InstallFolderWithoutAFolder", L"x --install-folder", "--install-folder の後に"},
    // No byte count: not taken for a huge free space.
    {"NegativeFreeSpace", L"--assume-free-space -5 x", "--assume-free-space には"},
    {"FreeSpacePastSixtyFourBits", L"--assume-free-space 99999999999999999999 x", "--assume-free-space には"},
};

INSTANTIATE_TEST_SUITE_P(Table, WrongUsage, testing::ValuesIn(usageCases), caseName<UsageCase>);

TEST(Usage, HelpGoesToStandardOutput) {
    const CheckRun help = runChecker(L"--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_TRUE(help.has("使い方: patch-check")) << help;
    EXPECT_TRUE(help.errorLines.empty()) << help;
}

// The report read from a pipe, as scripts, editors and CI logs read it: UTF-8
// whatever the system's code page, so that a Japanese file name reads back
// as the publisher named it.
TEST(PipedReport, IsUtf8) {
    PatchFolder patch;
    patch.files.push_back({L"説明書.txt", "read me"});
    patch.write();
    const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
    EXPECT_EQ(run.exitCode, 1u) << run;
    const std::string expected =
        utf8FromUtf16(L"\r\n説明書.txt: 警告: どの「ファイル,」の行にも書かれていないため、コピーされません。");
    EXPECT_NE(run.output.find(expected), std::string::npos) << run;
}

// A name code page 932 lacks shows as Windows gives it, in the findings'
// files and texts alike.
TEST(PipedReport, NamesOutsideCodePage932AsTheyAre) {
    PatchFolder patch;
    patch.programName = L"café.exe";
    patch.settingsName = L"café.inf";
    patch.files.push_back({L"naïve.txt", "read me"});
    patch.write();
    const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
    EXPECT_EQ(run.exitCode, 1u) << run;
    for (const wchar_t* expected : {L"café.inf:5: メモ: 「a.dat」(12 バイト)",
                                    L"\r\ncafé.inf: メモ: café.exe はこの設定ファイルを読みます",
                                    L"\r\nnaïve.txt: 警告: どの「ファイル,」の行にも書かれていないため"}) {
        EXPECT_NE(run.output.find(utf8FromUtf16(expected)), std::string::npos) << utf8FromUtf16(expected) << "\n" << run;
    }
}

// The program as the download has it carries no signature: a note (it runs
// all the same) that says how to sign it, on the program's own name.
TEST(Signature, AnUnsignedProgramHasANoteOnHowToSignIt) {
    PatchFolder patch;
    patch.programName = L"update.exe";
    patch.settingsName = L"update.inf";
    patch.write();
    const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
    EXPECT_EQ(run.exitCode, 0u) << run;
    EXPECT_TRUE(run.has("update.exe: メモ: 署名がありません。", "signtool sign /fd SHA256")) << run;
    EXPECT_TRUE(run.has("update.exe: メモ:", "update.exe。")) << run;
    EXPECT_TRUE(run.has("エラー 0 件、警告 0 件: 配布できます")) << run;
}

INT_PTR CALLBACK ignoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The patch dialog's title bar as a real dialog made from the program's own
// template has it (without its controls: only the frame matters), and the
// width of a text in the system's caption font. The tests' Wine prefix runs
// at 96 DPI and maps the Japanese fonts (scripts/lib/environment.sh): there
// the caption font is Wine's "MS Shell Dlg" at 12 pixels, drawn with
// IPAGothic under the Japanese locale, and the dialog's ＭＳ Ｐゴシック 9 pt is
// IPAPGothic (base unit 7: 187 dialog units are 327 pixels; the close button
// takes 18). The test prints what it measured.
class TitleBar {
public:
    TitleBar() {
        LoadedModule program(LoadLibraryExW(hostPathInWine(PATCH_PROGRAM).c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        const HRSRC found = FindResourceW(program.get(), MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(5));
        const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(program.get(), found)));
        if (bytes == nullptr) {
            ADD_FAILURE() << "the program carries no dialog 101";
            return;
        }
        std::vector<unsigned char> dialogTemplate(bytes, bytes + SizeofResource(program.get(), found));
        // A classic template: its item count is the word at offset 8.
        dialogTemplate[8] = 0;
        dialogTemplate[9] = 0;
        const HWND dialog = CreateDialogIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), nullptr,
            ignoreMessages, 0);
        if (dialog == nullptr) {
            ADD_FAILURE() << "no dialog: error " << GetLastError();
            return;
        }
        RECT client{};
        GetClientRect(dialog, &client);
        room = client.right - client.left - GetSystemMetrics(SM_CXSIZE);
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        font_ = CreateFontIndirectW(&metrics.lfCaptionFont);
        std::cout << "title bar: " << room << " pixels for the caption; caption font " << utf8(metrics.lfCaptionFont.lfFaceName)
                  << " (drawn with " << faceOf(font_) << "), height " << metrics.lfCaptionFont.lfHeight
                  << "; the dialog's client area " << client.right - client.left << " pixels in "
                  << faceOf(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0))) << "\n";
        DestroyWindow(dialog);
    }
    ~TitleBar() { DeleteObject(font_); }

    int widthOf(const std::wstring& text) const {
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ earlier = SelectObject(dc, font_);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, earlier);
        DeleteDC(dc);
        return extent.cx;
    }

    int room = 0;

private:
    // The face a font is drawn with once the system has resolved its name.
    static std::string faceOf(HFONT font) {
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ earlier = SelectObject(dc, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, face);
        SelectObject(dc, earlier);
        DeleteDC(dc);
        return utf8(face);
    }

    HFONT font_ = nullptr;
};

// The caption that lost its last character under the close button: one
// character more than the title bar holds is reported, with both widths;
// one character less is not.
TEST(CaptionWidth, OneCharacterPastTheCloseButtonIsReported) {
    const TitleBar titleBar;
    ASSERT_GT(titleBar.room, 0);
    const std::wstring long_ = L"港の灯修正ファイル第二版更新プログラム追加データ集港の灯修正ファイル第二版更新プログラム追加データ集";
    std::size_t length = 1;
    while (length <= long_.size() && titleBar.widthOf(long_.substr(0, length)) <= titleBar.room) {
        ++length;
    }
    ASSERT_LE(length, long_.size()) << "the caption never outgrows the title bar";
    const std::wstring tooWide = long_.substr(0, length);
    const int width = titleBar.widthOf(tooWide);
    ASSERT_LT(width - titleBar.room, titleBar.widthOf(tooWide.substr(length - 1)) + 1);

    for (const bool fits : {true, false}) {
        const std::wstring caption = fits ? tooWide.substr(0, length - 1) : tooWide;
        PatchFolder patch;
        withLines([&](auto& lines) { lines[0] = "キャプション," + cp932Of(caption); })(patch);
        patch.write();
        const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
        EXPECT_EQ(run.exitCode, fits ? 0u : 1u) << run;
        if (fits) {
            EXPECT_FALSE(run.has("patch.inf:1: 警告:")) << run;
        } else {
            EXPECT_TRUE(run.has("patch.inf:1: 警告: キャプション「" + cp932Of(caption) +
                                "」はタイトル バーに収まりません (幅 " + std::to_string(width) +
                                " ピクセル、表示できるのは " + std::to_string(titleBar.room) +
                                " ピクセルまで)。短くしてください。"))
                << run;
        }
    }
}

}  // namespace

namespace {

// A release as a publisher makes it: patch-make writes the program, with
// the table of each listed file's SHA-256 and size, and the files beside it.
struct MadeRelease {
    TempFolder work;
    std::wstring folder;
    std::string large;  // data\a.dat: every byte position tells apart

    MadeRelease() {
        work.write(L"settings.txt", joined({"キャプション,試験ゲーム修正ファイル", "タイトル,試験ゲーム", "社名,試験ソフト社",
                                            "実行ファイル,Game.exe", "ファイル,data\\a.dat", "ファイル,ソ表.dat,data\\b.dat"}));
        CreateDirectoryW(work.file(L"files").c_str(), nullptr);
        CreateDirectoryW(work.file(L"files\\data").c_str(), nullptr);
        for (int i = 0; i < 65536; ++i) {
            large += static_cast<char>((i * 7 + i / 256) & 0xFF);
        }
        work.write(L"files\\data\\a.dat", large);
        work.write(L"files\\ソ表.dat", "b, version 2");
        make();
    }

    // patch-make on the files, its exit code asserted.
    void make() {
        const ConsoleRun made = runConsoleTool(
            L"\"" + hostPathInWine(PATCH_MAKER) + L"\" --stub \"" + hostPathInWine(PATCH_PROGRAM) +
                L"\" --settings settings.txt --files files --output release --name update"
                L" --company 試験ソフト社 --description 試験ゲーム修正ファイル",
            work.path(), ErrorStream::merged);
        ASSERT_TRUE(made.ended) << "patch-make";
        ASSERT_EQ(made.exitCode, 0u) << "patch-make";
        folder = work.file(L"release");
    }
};

const std::string aDat = "data\\a.dat: エラー: ";
const std::string bDat = "ソ表.dat: エラー: ";

TEST(ReleaseDigests, TheUntouchedReleasePasses) {
    const MadeRelease release;
    const CheckRun run = runChecker(quotedArgument(release.folder));
    EXPECT_EQ(run.exitCode, 0u) << run;
}

struct DamageCase {
    const char* name;
    std::function<void(const MadeRelease&)> damage;
    std::string finding;  // the start of the line naming data\a.dat
};

void PrintTo(const DamageCase& row, std::ostream* out) { *out << row.name; }

class DamagedRelease : public testing::TestWithParam<DamageCase> {};

// Each as a download can arrive: the damaged file named, the other not.
TEST_P(DamagedRelease, NamesTheDamagedFileWithExitTwo) {
    const MadeRelease release;
    GetParam().damage(release);
    const CheckRun run = runChecker(quotedArgument(release.folder));
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_TRUE(run.has(GetParam().finding,
                        "プレイヤーのパッチは「data\\a.dat」が壊れています と表示して何もコピーしません。"))
        << run;
    EXPECT_FALSE(run.has(bDat)) << run;
}

const std::string sizeDiffers = aDat + "配布したときと大きさが違います (表では 65536 バイト、いまは ";
const std::string contentDiffers = aDat + "配布したときと中身が違います (SHA-256 が表では ";

const DamageCase damageCases[] = {
    {"OneByteFlipped",
     [](const MadeRelease& r) {
         std::string bytes = r.large;
         bytes[40000] = static_cast<char>(bytes[40000] ^ 0x01);
         r.work.write(L"release\\data\\a.dat", bytes);
     },
     contentDiffers},
    {"CutToAThird", [](const MadeRelease& r) { r.work.write(L"release\\data\\a.dat", r.large.substr(0, 65536 / 3)); },
     sizeDiffers + "21845 バイト)"},
    {"ReplacedByAnotherOfTheSameSize",
     [](const MadeRelease& r) { r.work.write(L"release\\data\\a.dat", std::string(65536, 'x')); }, contentDiffers},
    {"MadeLonger", [](const MadeRelease& r) { r.work.write(L"release\\data\\a.dat", r.large + "\n"); },
     sizeDiffers + "65537 バイト)"},
    {"Missing", [](const MadeRelease& r) { DeleteFileW(r.work.file(L"release\\data\\a.dat").c_str()); },
     aDat + "配布したときにあったファイルがありません (update.exe の SHA-256 の表にあります)"},
};

INSTANTIATE_TEST_SUITE_P(ReleaseDigests, DamagedRelease, testing::ValuesIn(damageCases), caseName<DamageCase>);

// Every damaged file is named, not only the first.
TEST(ReleaseDigests, NamesEachDamagedFile) {
    const MadeRelease release;
    release.work.write(L"release\\data\\a.dat", release.large.substr(1));
    release.work.write(L"release\\ソ表.dat", "b, version 3");
    const CheckRun run = runChecker(quotedArgument(release.folder));
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_TRUE(run.has(sizeDiffers + "65535 バイト)")) << run;
    EXPECT_TRUE(run.has(bDat + "配布したときと中身が違います (SHA-256 が表では ")) << run;
}

// A settings file beside the program listing fewer files than the table:
// the program checks only what it copies, yet the release is not what was
// made, and the finding says which of the two a file is.
TEST(ReleaseDigests, AFileTheSettingsInUseDoNotListIsNamedAsNotCheckedByTheProgram) {
    const MadeRelease release;
    release.work.write(L"release\\update.inf", joined({"キャプション,試験ゲーム修正ファイル", "タイトル,試験ゲーム",
                                                        "社名,試験ソフト社", "実行ファイル,Game.exe", "ファイル,ソ表.dat"}));
    release.work.write(L"release\\data\\a.dat", std::string(65536, 'x'));
    release.work.write(L"release\\ソ表.dat", "b, version 3");
    const CheckRun run = runChecker(quotedArgument(release.folder));
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_TRUE(run.has(contentDiffers, "。いまの設定はこのファイルをコピーしないため、プレイヤーのパッチは確かめません。")) << run;
    EXPECT_TRUE(run.has(bDat + "配布したときと中身が違います (SHA-256 が表では ",
                        "プレイヤーのパッチは「ソ表.dat」が壊れています と表示して何もコピーしません。"))
        << run;
}

// A table the program can't read makes its settings unusable: reported on
// the program, whatever the files are.
TEST(ReleaseDigests, ATableCutShortIsReportedOnTheProgram) {
    const MadeRelease release;
    const std::wstring program = release.work.file(L"release\\update.exe");
    std::string table;
    {
        const LoadedModule module(
            LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        const HRSRC found = FindResourceExW(module.get(), L"SHA256", MAKEINTRESOURCEW(104), 0x0411);
        ASSERT_NE(found, nullptr) << "the release carries no table";
        table.assign(static_cast<const char*>(LockResource(LoadResource(module.get(), found))),
                     SizeofResource(module.get(), found));
    }
    table.resize(table.size() - 5);
    HANDLE update = BeginUpdateResourceW(program.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(UpdateResourceW(update, L"SHA256", MAKEINTRESOURCEW(104), 0x0411, table.data(),
                                static_cast<DWORD>(table.size())));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    const CheckRun run = runChecker(quotedArgument(release.folder));
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_TRUE(run.has("update.exe: エラー: 埋め込みの SHA-256 の表が壊れています (2 行目: 途中で切れています)。")) << run;
}

}  // namespace
