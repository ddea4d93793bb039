// patch-check run from outside, as a publisher runs it: a table of patch
// folders with one mistake each, every one reported with its file, its line
// and the exit code; a clean folder; and dry runs against an installation.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/HandleOwners.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

struct CheckRun {
    DWORD exitCode = 99;
    std::vector<std::string> lines;  // code page 932, without line breaks

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

// Runs patch-check with the arguments (UTF-16, as a folder of any name
// needs) and collects what it prints.
CheckRun runChecker(const std::wstring& arguments) {
    CheckRun run;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        ADD_FAILURE() << "no pipe: error " << GetLastError();
        return run;
    }
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine = L"\"" + hostPathInWine(PATCH_CHECKER) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.get();
    startup.hStdError = writer.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION created{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &created)) {
        ADD_FAILURE() << "patch-check did not start: error " << GetLastError();
        return run;
    }
    UniqueHandle process(created.hProcess);
    UniqueHandle thread(created.hThread);
    writer.reset();  // only the checker holds the write end now: its exit ends the reading
    std::string output;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(reader.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        output.append(buffer, read);
    }
    EXPECT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
    GetExitCodeProcess(process.get(), &run.exitCode);
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find("\r\n", start);
        if (end == std::string::npos) {
            end = output.size();
        }
        run.lines.push_back(output.substr(start, end - start));
        start = end + 2;
    }
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
     {{"patch.inf:5: 情報:", "「a.dat」(12 バイト) をインストール先の「a.dat」へ"},
      {"patch.inf:6: 情報:", "「data\\b.dat」へ"},
      {"patch.inf: 情報:", "容量 0KB"},
      {"patch.inf: 情報:", "「data」"}}},
    // 表's trail byte is 0x5C: still a program directly in the folder, and
    // it reads 表示.inf.
    {"ProgramNamedInJapanese",
     [](PatchFolder& patch) {
         patch.programName = L"表示.v1.1.exe";
         patch.settingsName = L"表示.inf";
     },
     0, {{"表示.inf:5: 情報:", "「a.dat」"}}},
    {"SettingsSavedAsUtf8", [](PatchFolder& patch) { patch.settings = utf8Of(patch.settings); }, 2,
     {{"patch.inf:1: エラー:", "UTF-8"}}},
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
     {{"patch.inf:5: 情報:", "「ソ」へコピーします"}}},
    {"TwoEntriesWithOneDestination", withLines([](auto& lines) { lines.push_back("ファイル,a.dat,DATA/B.DAT"); }), 2,
     {{"patch.inf:7: エラー:", "6 行目"}}},
    {"FileOfFourGiB",
     [](PatchFolder& patch) {
         patch.files = {{L"b.dat", "b"}};
         patch.more = [](const TempFolder& folder) { writeSparseFile(folder.file(L"a.dat"), 0x100000000ull); };
     },
     2, {{"patch.inf:5: エラー:", "4294967296"}}},
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
     0, {{"patch.inf: 情報:", "容量 5242880KB"}}},
    {"SourceIsAFolder",
     [](PatchFolder& patch) {
         patch.files = {{L"b.dat", "b"}};
         patch.more = [](const TempFolder& folder) { CreateDirectoryW(folder.file(L"a.dat").c_str(), nullptr); };
     },
     2, {{"patch.inf:5: エラー:", "フォルダ"}}},
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
     0, {{"patch.exe(埋め込み設定): 情報:", "patch.inf"}}},
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
    EXPECT_TRUE(run.has("patch.inf:5: 情報:", "「a.dat」を置き換えます")) << run;
    EXPECT_TRUE(run.has("patch.inf:6: 情報:", "「data\\b.dat」を新しく作ります")) << run;
    EXPECT_TRUE(run.has("patch.inf: 情報:", "空き容量")) << run;
}

TEST_F(DryRun, MissingSubfolderAndTooLittleRoom) {
    RemoveDirectoryW(install.file(L"data").c_str());
    // The program stages a.dat and b.dat (12 bytes each) beside their
    // destinations while the old a.dat still exists: 24 bytes at once,
    // whatever the disk of the test machine holds.
    const CheckRun run = check(L" --assume-free-space 11");
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_TRUE(run.has("patch.inf: エラー:", "「data」フォルダがない")) << run;
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
    EXPECT_TRUE(run.has("patch.inf:5: 情報:", "「a.dat」を置き換えます")) << run;
    EXPECT_TRUE(run.has("patch.inf:6: 情報:", "「data\\b.dat」を新しく作ります")) << run;
}

TEST_F(DryRun, ReadOnlyFileCannotBeReplaced) {
    SetFileAttributesW(install.file(L"a.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    const CheckRun run = check();
    EXPECT_EQ(run.exitCode, 2u) << run;
    EXPECT_TRUE(run.has("patch.inf:5: エラー:", "読み取り専用")) << run;
}

TEST(RegistryEntry, IsNamedInTheThirtyTwoBitView) {
    PatchFolder patch;
    patch.write();
    const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
    EXPECT_EQ(run.exitCode, 0u) << run;
    EXPECT_TRUE(run.has("patch.inf: 情報:", "HKEY_LOCAL_MACHINE\\SOFTWARE\\試験ソフト社\\試験ゲーム")) << run;
    EXPECT_TRUE(run.has("patch.inf: 情報:", "WOW6432Node\\試験ソフト社\\試験ゲーム")) << run;
    EXPECT_TRUE(run.has("patch.inf: 情報:", "この PC にはこのエントリがありません")) << run;
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
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(created, L"path", 0, REG_SZ, reinterpret_cast<const BYTE*>(install.path().c_str()),
                   static_cast<DWORD>((install.path().size() + 1) * sizeof(wchar_t)));
    RegCloseKey(created);

    const CheckRun run = runChecker(quotedArgument(patch.folder.path()));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    // Only when empty: another test may hold a key below it.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\試験ソフト社");
    EXPECT_EQ(run.exitCode, 1u) << run;
    EXPECT_TRUE(run.has("patch.inf: 情報:", "この PC にはこのエントリがあり、path は「" + cp932Of(install.path()) + "」"))
        << run;
    EXPECT_TRUE(run.has("patch.inf: 警告:", "「data」フォルダがない")) << run;
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
    EXPECT_TRUE(run.has("patch.inf:5: 情報:", "「a.dat」(12 バイト)")) << run;
    EXPECT_TRUE(run.has("patch.inf:6: 情報:", "「data\\b.dat」へ")) << run;
}

const PatchFolderNameCase patchFolderNameCases[] = {
    {"EndingInSo", L"パッチソ"},
    {"ChineseDownloads", L"张伟的下载\\patch"},
    {"LatinAccents", L"José\\été patch"},
};

INSTANTIATE_TEST_SUITE_P(Table, PatchFolderName, testing::ValuesIn(patchFolderNameCases),
                         caseName<PatchFolderNameCase>);

TEST(Usage, WrongArgumentsGiveThree) {
    EXPECT_EQ(runChecker(L"").exitCode, 3u);
    EXPECT_EQ(runChecker(L"--no-such-option x").exitCode, 3u);
    // No byte count: not taken for a huge free space.
    EXPECT_EQ(runChecker(L"--assume-free-space -5 x").exitCode, 3u);
    EXPECT_EQ(runChecker(L"--assume-free-space 99999999999999999999 x").exitCode, 3u);
    const CheckRun help = runChecker(L"--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_TRUE(help.has("使い方: patch-check")) << help;
}

}  // namespace
