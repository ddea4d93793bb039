#include "checker/DigestTableCheck.h"

#include <optional>
#include <set>

#include "checker/ProgramCheck.h"
#include "checker/ReportText.h"
#include "core/FileProbe.h"
#include "core/Sha256.h"
#include "core/decimal_text.h"
#include "core/path_text.h"
#include "settings/DigestTableResource.h"
#include "settings/ResolvedDigestTable.h"
#include "settings/byte_scan.h"
#include "settings/digest_table.h"

namespace {

const char* tableProblemText(DigestTableProblem problem) {
    switch (problem) {
        case DigestTableProblem::empty: return "空です";
        case DigestTableProblem::cutShort: return "途中で切れています";
        case DigestTableProblem::unreadableLine: return "「SHA-256 大きさ 名前」の形をしていません";
        case DigestTableProblem::badDigest: return "SHA-256 が 16 進の小文字 64 けたではありません";
        case DigestTableProblem::badSize: return "大きさが数ではないか、大きすぎます";
        case DigestTableProblem::badName: return "名前がインストール先フォルダの中のファイル名ではありません";
        case DigestTableProblem::nameTwice: return "同じファイルが前の行にもあります";
        case DigestTableProblem::none: break;
    }
    return "";
}

// What the player meets, and what the publisher does about it. A file the
// settings in use do not list (a settings file beside the program listing
// fewer) is not checked by the program, but the release is not what was
// made all the same.
std::string damagedConsequence(const std::string& name, bool listed) {
    return std::string("。") +
           (listed ? "プレイヤーのパッチは「" + name + "」が壊れています と表示して何もコピーしません"
                   : std::string("いまの設定はこのファイルをコピーしないため、プレイヤーのパッチは確かめません")) +
           "。ファイルを置き直すか、patch-make でリリースを作り直してください";
}

}  // namespace

void checkDigestTable(const std::wstring& patchFolder, const std::wstring& programName, HMODULE program,
                      const std::vector<std::string>& sources, std::vector<Finding>& findings,
                      std::set<std::string>& checked) {
    const std::optional<std::string> bytes = digestTableBytesOf(program);
    if (!bytes) {
        return;  // no release wrote this program: it checks nothing
    }
    const DigestTableReading table = readDigestTable(*bytes);
    if (table.problem != DigestTableProblem::none) {
        findings.push_back(
            {Severity::error, programName, 0,
             reportLineInUtf16(
                 std::string("埋め込みの SHA-256 の表が壊れています (") +
                 (table.line > 0 ? lineText(table.line) + ": " : std::string()) + tableProblemText(table.problem) +
                 ")。プログラムはこの設定を使わず「設定ファイルが読み込めません。」と表示します。patch-make でリリースを作り直してください")});
        return;
    }
    // The entries the settings list, each found as the program finds it.
    const ResolvedDigestTable resolved(table.entries, patchFolder);
    std::set<const DigestEntry*> listedEntries;
    for (const std::string& source : sources) {
        if (const std::optional<std::wstring> wideSource = wideOf(source)) {
            listedEntries.insert(resolved.entryFor(pathIn(patchFolder, *wideSource)));
        }
    }
    for (const DigestEntry& entry : table.entries) {
        if (!checked.insert(comparableName(entry.name) + " " + decimalText(entry.size) + " " + digestHex(entry.digest))
                 .second) {
            continue;
        }
        const std::string name = shown(entry.name);
        const std::wstring file = reportLineInUtf16(name);
        const bool listed = listedEntries.count(&entry) != 0;
        const std::optional<std::wstring> wide = wideOf(entry.name);
        const std::wstring path = pathIn(patchFolder, wide ? *wide : std::wstring());
        const FoundFile found = findAt(path);
        if (!wide || !found.exists || found.isFolder) {
            findings.push_back({Severity::error, file, 0,
                                L"配布したときにあったファイルがありません (" + programName + L" の SHA-256 の表にあります)" +
                                    reportLineInUtf16(damagedConsequence(name, listed))});
            continue;
        }
        if (found.size != entry.size) {
            findings.push_back({Severity::error, file, 0,
                                reportLineInUtf16("配布したときと大きさが違います (表では " + decimalText(entry.size) +
                                                  " バイト、いまは " + decimalText(found.size) + " バイト)" +
                                                  damagedConsequence(name, listed))});
            continue;
        }
        Sha256Digest digest{};
        if (!sha256OfFile(path, digest)) {
            findings.push_back({Severity::error, file, 0,
                                L"読めないため SHA-256 を確かめられません。ほかのプログラムが開いていないか確かめてください"});
        } else if (digest != entry.digest) {
            findings.push_back({Severity::error, file, 0,
                                reportLineInUtf16("配布したときと中身が違います (SHA-256 が表では " +
                                                  digestHex(entry.digest) + "、いまは " + digestHex(digest) + ")" +
                                                  damagedConsequence(name, listed))});
        }
    }
}
