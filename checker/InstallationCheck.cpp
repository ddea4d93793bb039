// The dry run of one program's settings against an installation: the
// publisher's own (--install-folder) or the one this machine's registry
// names.
#include "checker/ProgramCheck.h"
#include "checker/ReportText.h"

#include "copy/CopyPlan.h"
#include "copy/copy_rules.h"
#include "core/FileProbe.h"
#include "core/PatchFileEntry.h"
#include "core/decimal_text.h"
#include "dialog/display_rules.h"
#include "settings/byte_scan.h"
#include "settings/settings_destinations.h"

namespace {

// Bytes, with the dialog's kilobyte figure for the larger ones.
std::string sizeText(std::uint64_t bytes) {
    return decimalText(bytes) + " バイト" + (bytes >= 1024 ? " (" + kilobytesText(bytes) + ")" : "");
}

}  // namespace

void ProgramCheck::reportRegistry() {
    if (settings_.title.empty() || settings_.company.empty() || files_.empty()) {
        return;
    }
    // The key is named by the converted names; one that does not convert
    // has its error, and the program would stop before the registry.
    const std::optional<std::wstring> company = wideOf(settings_.company);
    const std::optional<std::wstring> title = wideOf(settings_.title);
    if (!company || !title) {
        return;
    }
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + settings_.company + "\\" + settings_.title;
    const std::string key64 =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + settings_.company + "\\" + settings_.title;
    add(Severity::note, 0,
        "インストール先はレジストリ " + key + " の値 path から読みます (32 ビット表示。64 ビット版 Windows では " +
            key64 + ")");
    std::wstring installFolder;
    if (readInstallFolder(*company, *title, installFolder) == settingsReady) {
        add(Severity::note, 0, L"この PC にはこのエントリがあり、path は「" + installFolder + L"」です");
        checkInstallation(installFolder, false);
    } else {
        add(Severity::note, 0,
            "この PC にはこのエントリがありません。プレイヤーの PC では、ゲームのインストーラがここに書いている必要があります。"
            "ゲームをインストールしたフォルダに当てて試すには、--install-folder でそのフォルダを指定してください");
        for (const std::string& folder : neededFolders_) {
            add(Severity::note, 0, "インストール先に" + quoted(folder) + "フォルダが必要です (プログラムはフォルダを作りません)");
        }
    }
}

// Against an installation: the publisher's own (--install-folder) or the one
// this machine's registry names.
void ProgramCheck::checkInstallation(const std::wstring& folder, bool chosenByPublisher) {
    const std::wstring where = L"インストール先「" + folder + L"」";
    // A folder found on this machine is only a sample of a player's: its
    // faults are warnings there, errors when the publisher named it.
    const Severity severity = chosenByPublisher ? Severity::error : Severity::warning;
    // The program's own test: a find-first search, which a file passes as a
    // folder would, and a drive root ("D:\") fails.
    if (!pathExists(folder.c_str())) {
        add(severity, 0, where + L"がないため「指定されたフォルダがありません。」と表示されます");
        return;
    }
    // A name that does not convert has its error: nothing to look up.
    const std::optional<std::wstring> executable = wideOf(settings_.executableName);
    if (executable && !executable->empty() && !findAt(destinationPathIn(folder, *executable)).exists) {
        add(severity, lastLineOf_[SettingsKey::executableName],
            where + reportLineInUtf16("に" + quoted(settings_.executableName) + "がないため「" + shown(settings_.title) +
                                      "がインストールされていません。」と表示されます。実行ファイル名かフォルダを確かめてください"));
    }
    // The copy's own plan of these entries, and Run's own checks of it, in
    // the words the player would read.
    const CopyPlan plan = planCopy(folder, entries_);
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const PlannedFile& planned = plan.files[i];
        const JournalEntry& names = plan.journal.entries[i];
        // A destination an earlier line fills has its error already.
        if (planned.keptIsStagedOf != PlannedFile::noEarlierFile) {
            continue;
        }
        const FileLineAt& file = files_[planned.entry];
        if (const std::optional<std::wstring> refusal = refusalBeforeWriting(folder, planned)) {
            add(severity, file.line, where + L"では、実行するとプレイヤーに「" + *refusal + L"」と表示されます");
        } else if (namesAFolder(file.destination)) {
            continue;  // its error is given with the line
        } else if (!names.replaces()) {
            add(Severity::note, file.line, quoted(file.destination) + "を新しく作ります");
        } else if (findAt(destinationPathIn(folder, names.destination)).isFolder) {
            add(severity, file.line,
                quoted(file.destination) + "はインストール先ではフォルダのため、コピーに失敗します");
        } else {
            add(Severity::note, file.line, quoted(file.destination) + "を置き換えます");
        }
    }
    std::uint64_t free = 0;
    if (options_.assumedFreeSpace && chosenByPublisher) {
        free = *options_.assumedFreeSpace;
    } else {
        const std::optional<std::uint64_t> available = freeBytesFor(folder);
        if (!available) {
            return;
        }
        free = *available;
    }
    if (const std::optional<std::wstring> refusal = roomRefusalText(plan.neededBytes, free)) {
        add(severity, 0,
            where + reportLineInUtf16("のドライブの空き容量 " + sizeText(free) + " では、新しいファイル全部 " +
                                      sizeText(plan.neededBytes) + "を一度に置けないため、プレイヤーには") +
                L"「" + *refusal + L"」と表示されます。空きを作るよう案内してください");
    } else {
        add(Severity::note, 0,
            where + reportLineInUtf16("の空き容量 " + sizeText(free) + "、コピー中に一度に要る分 " + sizeText(plan.neededBytes)));
    }
}
