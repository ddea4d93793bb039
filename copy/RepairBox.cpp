#include "copy/RepairBox.h"

namespace {

void show(HWND owner, const std::wstring& text, const wchar_t* caption) {
    MessageBoxW(owner, text.c_str(), caption, MB_OK);
}

void showRepairBox(HWND owner, const RunRepair& repair) {
    switch (repair.outcome) {
    case JournalRepair::restored:
        show(owner, L"前回のコピーが途中で終わっていたため、ゲームのファイルを元に戻しました。", L"");
        break;
    case JournalRepair::completed:
        show(owner, L"前回のコピーが途中で終わっていたため、コピーを完了しました。", L"");
        break;
    case JournalRepair::unreadable:
        show(owner, L"前回のコピーの記録が読めないため、そのままにしました。\n" + repair.place, L"error");
        break;
    case JournalRepair::throughLink:
        show(owner,
             L"「" + repair.link + L"」はリンクのため、前回のコピーを元に戻せません。\n" + repair.folder,
             L"error");
        break;
    case JournalRepair::none:
    case JournalRepair::failed:
        // A repair that could not finish keeps its record, which the next
        // start follows again; meanwhile Run into its folder refuses.
        break;
    }
}

}  // namespace

void showRepairBoxes(HWND owner, const std::vector<RunRepair>& repairs) {
    for (const RunRepair& repair : repairs) {
        showRepairBox(owner, repair);
    }
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
