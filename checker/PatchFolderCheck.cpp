// The folder as a whole: which files are programs, which settings files no
// program reads, which files no line lists; each program's own check is
// ProgramCheck's.
#include "checker/PatchFolderCheck.h"

#include <windows.h>

#include <set>

#include "checker/ProgramCheck.h"
#include "core/FileProbe.h"
#include "settings/byte_scan.h"

namespace {

bool endsWithNoCase(const std::string& name, const char* suffix) {
    const std::string tail = comparableName(suffix);
    return name.size() >= tail.size() && comparableName(name.substr(name.size() - tail.size())) == tail;
}

bool isThisChecker(const std::string& name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string own(path, length);
    // The folder by the program's own scan, which steps over the trail byte
    // 0x5C of ソ or 表.
    const std::string folder = programFolderOf(("\"" + own + "\"").c_str());
    const std::string ownName = folder.empty() ? own : own.substr(folder.size() + 1);
    return comparableName(name) == comparableName(ownName) || comparableName(name) == "PATCH-CHECK.EXE";
}

// A name directly in the patch folder, not in a subfolder of it ("表示.exe"
// holds the byte 0x5C, yet no separator).
bool isTopLevel(const std::string& name) { return findChar(name.c_str(), '\\') < 0; }

// The .inf file a program would read, by the program's own base-name rule.
std::string settingsNameOf(const std::string& folder, const std::string& programName) {
    return programBaseNameOf(("\"" + folder + "\\" + programName + "\"").c_str()) + ".inf";
}

}  // namespace

CheckReport checkPatchFolder(const CheckOptions& options) {
    CheckReport report;
    std::vector<Finding>& findings = report.findings;
    const std::string& folder = options.patchFolder;
    if (!isFolderAt(folder)) {
        findings.push_back({Severity::error, folder, 0, "パッチフォルダがありません。フォルダを指定してください"});
        return report;
    }
    const std::vector<FolderEntry> entries = listFolderTree(folder);

    std::vector<std::string> programs;
    std::vector<std::string> others;  // candidates for a misnamed source
    for (const FolderEntry& entry : entries) {
        if (entry.isFolder) {
            continue;
        }
        const bool topLevel = isTopLevel(entry.name);
        if (topLevel && endsWithNoCase(entry.name, ".exe") && !isThisChecker(entry.name) &&
            ProgramAsData(folder + "\\" + entry.name).hasEmbeddedSettings()) {
            programs.push_back(entry.name);
        } else if (!(topLevel && (endsWithNoCase(entry.name, ".inf") || isThisChecker(entry.name)))) {
            others.push_back(entry.name);
        }
    }
    if (programs.empty()) {
        findings.push_back({Severity::error, ".", 0,
                            "パッチプログラム (設定を埋め込んだ .exe) がありません。dist/ のプログラムを置いてください"});
        return report;
    }

    std::set<std::string> settingsFilesRead;
    std::set<std::string> listedSources;
    for (const std::string& program : programs) {
        ProgramAsData data(folder + "\\" + program);
        ProgramCheck check(options, findings, listedSources);
        report.programs.push_back(check.run(program, data, settingsFilesRead, others));
    }

    for (const FolderEntry& entry : entries) {
        const bool topLevel = isTopLevel(entry.name);
        if (entry.isFolder || !topLevel || !endsWithNoCase(entry.name, ".inf") ||
            settingsFilesRead.count(comparableName(entry.name)) != 0) {
            continue;
        }
        std::string readers;
        for (const std::string& program : programs) {
            readers += (readers.empty() ? "" : "、") + program + " は " + settingsNameOf(folder, program);
        }
        findings.push_back({Severity::error, entry.name, 0,
                            "どのプログラムもこのファイルを読みません (" + readers +
                                " を読みます。プログラムはファイル名の最初のピリオドまでを名前とします)。名前を合わせてください"});
    }
    for (const FolderEntry& entry : entries) {
        if (!entry.isFolder && isTopLevel(entry.name) && isThisChecker(entry.name)) {
            findings.push_back({Severity::note, entry.name, 0,
                                "このチェッカーはプレイヤーには要りません。配布するフォルダからは外してください"});
        }
    }
    for (const std::string& name : others) {
        if (listedSources.count(comparableName(name)) == 0) {
            findings.push_back({Severity::warning, name, 0,
                                "どの「ファイル,」の行にも書かれていないため、コピーされません。要るなら行を足し、要らないなら消してください"});
        }
    }
    return report;
}
