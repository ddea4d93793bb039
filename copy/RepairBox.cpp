#include "copy/RepairBox.h"

#include "copy/StartChecks.h"
#include "copy/copy_rules.h"

namespace {

void show(HWND owner, const std::wstring& text, const wchar_t* caption) {
    MessageBoxW(owner, text.c_str(), caption, MB_OK);
}

// The files found at the record's names that were not the run's, one a
// line after the box's text; nothing when there were none.
std::wstring leftAloneLines(const RunRepair& repair) {
    if (repair.leftAlone.empty()) {
        return std::wstring();
    }
    std::wstring lines = L"\n次のファイルは前回のコピーのものではないため、そのままにしました。";
    for (const std::wstring& path : repair.leftAlone) {
        lines += L"\n「" + path + L"」";
    }
    return lines;
}

void showRepairBox(HWND owner, const RunRepair& repair) {
    switch (repair.outcome) {
    case JournalRepair::restored:
        show(owner, L"前回のコピーが途中で終わっていたため、ゲームのファイルを元に戻しました。" + leftAloneLines(repair), L"");
        break;
    case JournalRepair::completed:
        show(owner, L"前回のコピーが途中で終わっていたため、コピーを完了しました。" + leftAloneLines(repair), L"");
        break;
    case JournalRepair::unreadable:
        show(owner, L"前回のコピーの記録が読めないため、そのままにしました。\n" + repair.place, L"error");
        break;
    case JournalRepair::throughLink:
        show(owner,
             quotedName(repair.link) + L"はリンクのため、前回のコピーを元に戻せません。\n" + repair.folder,
             L"error");
        break;
    case JournalRepair::failed:
        // The record stays: the next start follows it again, and meanwhile
        // Run into its folder refuses.
        show(owner,
             L"前回のコピーを元に戻せませんでした。「" + repair.blocked +
                 (repair.blockedByOther
                      ? L"」は前回のコピーのファイルではないため、元のファイルを戻せません。このファイルを別の場所へ移してから、"
                        L"もう一度起動してください。"
                      : L"」を移動または削除できません。このファイルを使っているプログラムを終了してから、"
                        L"もう一度起動してください。") +
                 leftAloneLines(repair),
             L"error");
        break;
    case JournalRepair::none:
        // No game file had changed: only files someone else put at the
        // run's names are worth a word.
        if (!repair.leftAlone.empty()) {
            show(owner, L"前回のコピーが途中で終わっていました。ゲームのファイルは変わっていません。" + leftAloneLines(repair),
                 L"");
        }
        break;
    case JournalRepair::postponed:
    case JournalRepair::busy:
        // The player chose to wait, or another copy of the program is at
        // work: the next start, or Run, asks again.
        break;
    }
}

}  // namespace

void showRepairBoxes(HWND owner, const std::vector<RunRepair>& repairs) {
    for (const RunRepair& repair : repairs) {
        showRepairBox(owner, repair);
    }
}

namespace {

struct GameGate {
    HWND owner;
    const std::wstring& executableName;
};

bool gameClosedIn(const std::wstring& folder, void* context) {
    const GameGate& gate = *static_cast<const GameGate*>(context);
    return retryWhileRefused(gate.owner, [&] { return gameRunningRefusal(folder, gate.executableName); });
}

}  // namespace

std::vector<RunRepair> repairWhenTheGameIsClosed(HWND owner, const std::wstring& recordsKey,
                                                 const std::wstring& executableName, const std::wstring* onlyFolder) {
    GameGate game{owner, executableName};
    const RepairGate gate{gameClosedIn, &game};
    std::vector<RunRepair> repairs = onlyFolder != nullptr ? repairStoppedRunsIn(recordsKey, *onlyFolder, gate)
                                                           : repairStoppedRuns(recordsKey, gate);
    showRepairBoxes(owner, repairs);
    return repairs;
}

bool repairsLetTheCopyStart(const std::vector<RunRepair>& repairs) {
    for (const RunRepair& repair : repairs) {
        if (repair.outcome != JournalRepair::none && repair.outcome != JournalRepair::restored &&
            repair.outcome != JournalRepair::completed) {
            return false;
        }
    }
    return true;
}
