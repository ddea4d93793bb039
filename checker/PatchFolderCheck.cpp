// The folder as a whole: which files are programs, which settings files no
// program reads, which files no line lists; each program's own check is
// ProgramCheck's. The folder is listed in UTF-16, as Windows names its
// files, and a name reaches the findings as it is.
#include "checker/PatchFolderCheck.h"

#include <windows.h>

#include <optional>
#include <set>

#include "checker/DigestTableCheck.h"
#include "checker/ProgramCheck.h"
#include "checker/ReportText.h"
#include "checker/pe_signature.h"
#include "core/FileProbe.h"
#include "core/path_text.h"
#include "settings/SettingsLoading.h"
#include "settings/byte_scan.h"
#include "settings/folder_names.h"

namespace {

bool endsWithNoCase(const std::wstring& name, const wchar_t* suffix) {
    const std::wstring tail = comparableWideName(suffix);
    return name.size() >= tail.size() && comparableWideName(name.substr(name.size() - tail.size())) == tail;
}

bool isThisChecker(const std::wstring& name) {
    const std::wstring own = getProgramPath();
    const std::wstring folder = folderOfPath(own);
    const std::wstring ownName = folder.empty() ? own : own.substr(folder.size() + 1);
    const std::wstring comparable = comparableWideName(name);
    return comparable == comparableWideName(ownName) || comparable == L"PATCH-CHECK.EXE";
}

// A name directly in the patch folder, not in a subfolder of it.
bool isTopLevel(const std::wstring& name) { return name.find(L'\\') == std::wstring::npos; }

// The .inf file a program would read, by the program's own base-name rule.
std::wstring settingsNameOf(const std::wstring& folder, const std::wstring& programName) {
    return baseNameOfPath(pathIn(folder, programName)) + L".inf";
}

// A file of the folder that a line could list: its name in code page 932,
// as the settings would write it; nothing when code page 932 can't hold it
// (no "ファイル," line can name that file).
std::optional<std::string> settingsFormOf(const std::wstring& name) {
    const std::string bytes = cp932Of(name);
    const std::optional<std::wstring> back = wideOf(bytes);
    if (!back || *back != name) {
        return std::nullopt;
    }
    return bytes;
}

// The program runs elevated: unsigned, the consent dialog names an unknown
// publisher and the browser or SmartScreen warns of the download. It runs
// all the same: a note, with the guide's way to sign it.
std::wstring unsignedNote(const std::wstring& programName) {
    const std::wstring shownName =
        programName.find(L' ') == std::wstring::npos ? programName : L"\"" + programName + L"\"";
    return L"署名がありません。プレイヤーには管理者の確認の画面で「不明な発行元」と出て、ダウンロードのときに"
           L"ブラウザーや SmartScreen が警告します。配る前にコード署名の証明書で署名してください "
           L"(README-ja.txt の「7. 署名する」): signtool sign /fd SHA256 /tr http://timestamp.digicert.com "
           L"/td SHA256 /f cert.pfx /p PASSWORD " +
           shownName;
}

}  // namespace

CheckReport checkPatchFolder(const CheckOptions& options) {
    CheckReport report;
    std::vector<Finding>& findings = report.findings;
    const std::wstring& folder = options.patchFolder;
    if (!isFolderAt(folder)) {
        findings.push_back({Severity::error, folder, 0, L"パッチフォルダがありません。フォルダを指定してください"});
        return report;
    }
    const std::vector<FolderEntry> entries = listFolderTree(folder);

    std::vector<std::wstring> programs;
    std::vector<std::wstring> others;      // files no line may list but ought to
    std::vector<std::string> nameable;      // those a line can name: candidates for a misnamed source
    for (const FolderEntry& entry : entries) {
        if (entry.isFolder) {
            continue;
        }
        const bool topLevel = isTopLevel(entry.name);
        if (topLevel && endsWithNoCase(entry.name, L".exe") && !isThisChecker(entry.name) &&
            ProgramAsData(pathIn(folder, entry.name)).hasEmbeddedSettings()) {
            programs.push_back(entry.name);
        } else if (!(topLevel && (endsWithNoCase(entry.name, L".inf") || isThisChecker(entry.name)))) {
            others.push_back(entry.name);
            if (const std::optional<std::string> bytes = settingsFormOf(entry.name)) {
                nameable.push_back(*bytes);
            }
        }
    }
    if (programs.empty()) {
        findings.push_back({Severity::error, L".", 0,
                            L"パッチプログラム (設定を埋め込んだ .exe) がありません。dist/ のプログラムを置いてください"});
        return report;
    }

    std::set<std::wstring> settingsFilesRead;
    std::set<std::string> listedSources;
    std::set<std::string> tableEntriesChecked;
    for (const std::wstring& program : programs) {
        ProgramAsData data(pathIn(folder, program));
        ProgramCheck check(options, findings, listedSources);
        report.programs.push_back(check.run(program, data, settingsFilesRead, nameable));
        checkDigestTable(folder, program, data.get(), report.programs.back().sources, findings,
                         tableEntriesChecked);
        const std::optional<std::string> bytes = fileBytesAt(pathIn(folder, program));
        if (bytes && !carriesSignature(*bytes)) {
            findings.push_back({Severity::note, program, 0, unsignedNote(program)});
        }
    }

    for (const FolderEntry& entry : entries) {
        const bool topLevel = isTopLevel(entry.name);
        if (entry.isFolder || !topLevel || !endsWithNoCase(entry.name, L".inf") ||
            settingsFilesRead.count(comparableWideName(entry.name)) != 0) {
            continue;
        }
        std::wstring readers;
        for (const std::wstring& program : programs) {
            readers += (readers.empty() ? L"" : L"、") + program + L" は " + settingsNameOf(folder, program);
        }
        findings.push_back({Severity::error, entry.name, 0,
                            L"どのプログラムもこのファイルを読みません (" + readers +
                                L" を読みます。プログラムはファイル名の最初のピリオドまでを名前とします)。名前を合わせてください"});
    }
    for (const FolderEntry& entry : entries) {
        if (!entry.isFolder && isTopLevel(entry.name) && isThisChecker(entry.name)) {
            findings.push_back({Severity::note, entry.name, 0,
                                L"このチェッカーはプレイヤーには要りません。配布するフォルダからは外してください"});
        }
    }
    for (const std::wstring& name : others) {
        const std::optional<std::string> bytes = settingsFormOf(name);
        if (!bytes || listedSources.count(comparableName(*bytes)) == 0) {
            findings.push_back({Severity::warning, name, 0,
                                L"どの「ファイル,」の行にも書かれていないため、コピーされません。要るなら行を足し、要らないなら消してください"});
        }
    }
    return report;
}
