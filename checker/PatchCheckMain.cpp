// patch-check: tells a publisher, before shipping, what a player will meet
// when the patch program runs from a patch folder. Reads the folder with the
// program's own settings code and reports one finding per line, like a
// compiler: "file:line: severity: what is wrong, and what to do".
//
// Exit code: 0 ready, 1 warnings only, 2 errors (a player's run would fail,
// be refused, or skip a file), 3 wrong usage.
#include <windows.h>

#include <shellapi.h>

#include <cerrno>
#include <cwchar>
#include <string>
#include <vector>

#include "checker/PatchFolderCheck.h"
#include "checker/ProgramCheck.h"
#include "checker/ReportText.h"
#include "core/ConsoleOutput.h"
#include "core/DllDefence.h"
#include "core/FileNames.h"
#include "core/ToolCommandLine.h"
#include "core/decimal_text.h"
#include "settings/byte_scan.h"
#include "settings/folder_names.h"
#include "settings/settings_destinations.h"

namespace {

// The usage, the settings list and the summary are composed in code page
// 932, as the settings are; the findings are UTF-16. Every line reaches the
// reader through the one writer of a console tool's text (UTF-16 to a
// console, UTF-8 to a pipe or a file).
void write(const std::string& text) { writeToolText(ToolStream::output, reportLineInUtf16(text)); }

// Wrong usage: one line on standard error, in the findings' style, and where
// to read more.
int usageError(const std::string& what, const std::wstring& argument = std::wstring()) {
    writeToolText(ToolStream::error,
                  reportLineInUtf16("patch-check: エラー: " + what) + argument +
                      reportLineInUtf16("。使い方は patch-check --help で確かめてください。\r\n"));
    return 3;
}

void printUsage() {
    write("使い方: patch-check [--install-folder フォルダ] [--assume-free-space バイト数] [--list-settings] パッチフォルダ\r\n"
          "\r\n"
          "パッチフォルダを、プレイヤーの PC でパッチプログラムが読むとおりに読み、\r\n"
          "見つかったことを 1 行に 1 件「ファイル:行: 重さ: 何がいけないか、どうするか」で書きます。\r\n"
          "ファイル名はパッチフォルダからの相対名です。\r\n"
          "\r\n"
          "  --install-folder フォルダ     このインストール先に当てて確かめます: 実行ファイル、\r\n"
          "                                置き換えるファイルと新しく作るファイル、足りないフォルダ、\r\n"
          "                                空き容量。なければレジストリのエントリを確かめます。\r\n"
          "  --assume-free-space バイト数  インストール先のドライブの空きをこの値とみなします\r\n"
          "                                (空きの少ないプレイヤーの PC を試すとき)。\r\n"
          "  --list-settings               各プログラムが使う設定を「キー=値」の行で書き出します。\r\n"
          "\r\n"
          "終了コード: 0 配布できる、1 警告だけ、2 エラーあり (プレイヤーの実行が失敗する、\r\n"
          "拒否される、ファイルがスキップされる)、3 使い方の誤り。\r\n");
}

// A folder as the program would see it: absolute, without a trailing
// backslash (a drive root keeps its own).
std::wstring fullPath(const std::wstring& path) {
    std::wstring full = fullPathOf(path);
    // The program's own trim of a folder text.
    for (std::wstring trimmed = installFolderFromValue(full); trimmed != full; trimmed = installFolderFromValue(full)) {
        full = trimmed;
    }
    return full;
}

// Values as the settings write them; a value that is no code page 932 text
// (the program refuses such settings, and the check says so) has its stray
// bytes replaced, so that the list stays code page 932 text for the
// scripts that convert it.
void listSettings(const std::vector<ProgramSettings>& programs) {
    for (const ProgramSettings& program : programs) {
        std::string text = "program=" + program.programName + "\r\n";
        text += "settings=" + program.settingsFrom + "\r\n";
        text += "caption=" + shown(program.caption) + "\r\n";
        text += "title=" + shown(program.title) + "\r\n";
        text += "company=" + shown(program.company) + "\r\n";
        text += "executable=" + shown(program.executableName) + "\r\n";
        for (std::size_t i = 0; i < program.sources.size(); ++i) {
            text += "file=" + shown(program.sources[i]) + "\t" + shown(program.destinations[i]) + "\r\n";
        }
        // What a trial installation must create: the program creates no
        // folder.
        for (const std::string& folder : foldersNeededBy(program.destinations)) {
            text += "folder=" + folder + "\r\n";
        }
        write(text);
    }
}

std::string summaryOf(const std::vector<Finding>& findings) {
    int errors = 0;
    int warnings = 0;
    for (const Finding& finding : findings) {
        errors += finding.severity == Severity::error ? 1 : 0;
        warnings += finding.severity == Severity::warning ? 1 : 0;
    }
    const std::string counts = "エラー " + decimalText(static_cast<std::uint64_t>(errors)) + " 件、警告 " + decimalText(static_cast<std::uint64_t>(warnings)) + " 件: ";
    if (errors > 0) {
        return counts + "このままではプレイヤーの実行が失敗するか、ファイルが届きません";
    }
    return counts + (warnings > 0 ? "配布できますが、警告を確かめてください" : "配布できます");
}

}  // namespace

int main() {
    // Started from a download folder, like the program it checks: every DLL
    // it loads by name comes from the system folder.
    loadCodeOnlyFromTheSystem();
    CheckOptions options;
    bool list = false;
    bool folderGiven = false;
    const std::vector<std::wstring> arguments = toolArguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"-h" || argument == L"--help" || argument == L"/?") {
            printUsage();
            return 0;
        } else if (argument == L"--install-folder" || argument == L"--assume-free-space") {
            if (i + 1 >= arguments.size()) {
                return usageError(argument == L"--install-folder" ? "--install-folder の後にインストール先のフォルダを指定してください"
                                                                  : "--assume-free-space の後にバイト数を指定してください");
            }
            const std::wstring& value = arguments[++i];
            if (argument == L"--install-folder") {
                options.installFolder = fullPath(value);
                continue;
            }
            // Digits only: wcstoull would take "-5" for 2^64 - 5, and a
            // figure past 64 bits for the largest one.
            wchar_t* end = nullptr;
            errno = 0;
            options.assumedFreeSpace = std::wcstoull(value.c_str(), &end, 10);
            if (value.empty() || value[0] < L'0' || value[0] > L'9' || *end != L'\0' || errno == ERANGE) {
                return usageError("--assume-free-space には 18446744073709551615 までのバイト数を数字だけで書いてください: ",
                                  value);
            }
        } else if (argument == L"--list-settings") {
            list = true;
        } else if (!folderGiven && !argument.empty() && argument[0] != L'-') {
            options.patchFolder = fullPath(argument);
            folderGiven = true;
        } else if (folderGiven && !argument.empty() && argument[0] != L'-') {
            return usageError("パッチフォルダは一度に一つだけ指定してください: ", argument);
        } else {
            return usageError("知らないオプションです: ", argument);
        }
    }
    if (!folderGiven) {
        return usageError("パッチフォルダを指定してください");
    }
    const CheckReport report = checkPatchFolder(options);
    if (list) {
        listSettings(report.programs);
        return exitCodeOf(report.findings);
    }
    for (const Finding& finding : report.findings) {
        writeToolText(ToolStream::output, formatFinding(finding) + L"\r\n");
    }
    write(summaryOf(report.findings) + "\r\n");
    return exitCodeOf(report.findings);
}
