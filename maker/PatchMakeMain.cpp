// patch-make: writes a publisher's release folder from the shipped patch
// program (the stub): the program under the publisher's name with their
// settings, icon and version texts built in, the patch files beside it, the
// checker's findings on the result and each written file's SHA-256. This
// file is its command line; the release's values are ReleaseOptions', the
// version texts VersionTexts', the writing ReleaseWriter's.
//
// Exit code: 0 written, nothing to mend; 1 written, warnings only; 2 refused
// (nothing written); 3 wrong usage.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ConsoleOutput.h"
#include "core/DllDefence.h"
#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "core/FileNames.h"
#include "core/ToolCommandLine.h"
#include "core/decimal_text.h"
#include "maker/ReleaseOptions.h"
#include "maker/ReleaseWriter.h"
#include "maker/version_resource.h"
#include "settings/settings_conversion.h"

namespace {

void printUsage() {
    say(L"使い方: patch-make [リリース ファイル] [--settings ファイル] [--icon ファイル] [--files フォルダ]\r\n"
        L"                  [--name 名前] [--version X.Y.Z.W] [--product-version X.Y.Z.W]\r\n"
        L"                  [--description 説明] [--product-name 製品名] [--company 会社名]\r\n"
        L"                  [--copyright 著作権表示] [--output フォルダ] [--stub patch.exe]\r\n"
        L"                  [--replace] [--signing-follows] [--show-release]\r\n"
        L"       patch-make --convert-settings テキスト 設定ファイル\r\n"
        L"\r\n"
        L"パッチ プログラム (スタブ) に設定、アイコン、バージョン情報を組み込んで「名前.exe」とし、\r\n"
        L"files のファイルと一緒に出力フォルダに書きます。リリース ファイルは「キー,値」の行で\r\n"
        L"書いた UTF-8 のテキストで、キーはオプションの名前から「--」を除いたものです。\r\n"
        L"オプションはリリース ファイルより優先します。\r\n"
        L"\r\n"
        L"  --stub ファイル       もとにするパッチ プログラム (既定: patch-make と同じフォルダの patch.exe)\r\n"
        L"  --replace             出力フォルダが空でなければ置き換えます\r\n"
        L"  --signing-follows     このあと署名するので「署名なし」と書きません\r\n"
        L"  --show-release        何も書かず、リリース ファイルとオプションを合わせた値を「キー=値」で書きます\r\n"
        L"  --sign-pkcs12, --sign-password-file, --sign-timestamp-url\r\n"
        L"                        署名の指定。受け付けますが、patch-make は署名しません\r\n"
        L"                        (Windows では書いた後に SignTool で署名します: README-ja.txt の 7.)\r\n"
        L"  --convert-settings    UTF-8 かコード ページ 932 のテキストを、プログラムが読む\r\n"
        L"                        設定ファイル (コード ページ 932、CR LF) にします\r\n"
        L"\r\n"
        L"終了コード: 0 書いた、1 書いたが警告あり、2 エラー (何も書いていません)、3 使い方の誤り。");
}

// --show-release: what the release file and the options come to, one
// "key=value" line each, paths made full; scripts/publish acts on the
// signing entries and the output from these lines.
int showRelease(const Release& release) {
    constexpr const wchar_t* pathKeys[] = {L"settings", L"icon", L"files", L"output", L"stub",
                                           L"sign-pkcs12", L"sign-password-file"};
    std::wstring name = L"patch";
    const Given* givenName = release.find(L"name");
    if (givenName != nullptr && !programNameFrom(givenName->text, name)) {
        name = givenName->text;
    }
    std::wstring lines = L"name=" + name + L"\r\n";
    for (const auto& [key, given] : release.values) {
        if (key == L"name") {
            continue;
        }
        bool isPath = false;
        for (const wchar_t* pathKey : pathKeys) {
            isPath = isPath || key == pathKey;
        }
        lines += key + L"=" + (isPath ? release.pathOf(given) : given.text) + L"\r\n";
    }
    writeToolText(ToolStream::output, lines);
    return 0;
}

bool writeWholeFile(const std::wstring& path, const std::string& bytes) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}


// --convert-settings TEXT FILE.
int convertSettings(const std::wstring& from, const std::wstring& to) {
    const std::wstring path = fullPathOf(from);
    const std::optional<std::string> text = isFileAt(path) ? fileBytesAt(path) : std::nullopt;
    if (!text) {
        say(errorLine({L"patch-make", missing(from, L"設定のテキスト (UTF-8 かコード ページ 932) を指定してください。")}));
        return 2;
    }
    const SettingsConversion converted = settingsFileFrom(*text);
    if (!converted.converted) {
        say(errorLine({from + L":" + wideDecimalText(static_cast<std::uint64_t>(converted.line)), converted.problem}));
        return 2;
    }
    if (!writeWholeFile(fullPathOf(to), converted.bytes)) {
        say(errorLine({L"patch-make", L"「" + to + L"」に書けません。"}));
        return 2;
    }
    say(L"「" + to + L"」に設定ファイルを書きました (コード ページ 932、CR LF)。");
    return 0;
}

}  // namespace

int main() {
    loadCodeOnlyFromTheSystem();
    const std::vector<std::wstring> arguments = toolArguments();
    if (arguments.empty()) {
        printUsage();
        return 3;
    }
    if (arguments[0] == L"--convert-settings") {
        if (arguments.size() != 3) {
            printUsage();
            return 3;
        }
        return convertSettings(arguments[1], arguments[2]);
    }
    Release release;
    std::wstring releaseFile;
    bool showOnly = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"-h" || argument == L"--help" || argument == L"/?") {
            printUsage();
            return 0;
        } else if (takesValue(argument) && i + 1 < arguments.size()) {
            release.values[argument.substr(2)] = {arguments[++i], L"patch-make", L""};
        } else if (argument == L"--replace") {
            release.replace = true;
        } else if (argument == L"--signing-follows") {
            release.signingFollows = true;
        } else if (argument == L"--show-release") {
            showOnly = true;
        } else if (releaseFile.empty() && !argument.empty() && argument[0] != L'-') {
            releaseFile = argument;
        } else {
            printUsage();
            return 3;
        }
    }
    if (!releaseFile.empty() && !addReleaseFile(release, releaseFile)) {
        return 2;
    }
    if (showOnly) {
        return showRelease(release);
    }
    if (release.find(L"output") == nullptr) {
        say(errorLine({L"patch-make", L"--output を指定してください。"}));
        return 3;
    }
    return writeRelease(release);
}
