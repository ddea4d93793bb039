#include "shell/StartupRepair.h"

#include <windows.h>

#include "copy/CopyTransaction.h"

void repairInterruptedCopy(const std::wstring& installFolder) {
    switch (repairFromJournal(installFolder)) {
    case JournalRepair::restored:
        MessageBoxW(nullptr, L"前回のコピーが途中で終わっていたため、ゲームのファイルを元に戻しました。", L"", MB_OK);
        break;
    case JournalRepair::completed:
        MessageBoxW(nullptr, L"前回のコピーが途中で終わっていたため、コピーを完了しました。", L"", MB_OK);
        break;
    case JournalRepair::unreadable: {
        const std::wstring text =
            L"前回のコピーの記録が読めないため、そのままにしました。\n" + journalPathIn(installFolder);
        MessageBoxW(nullptr, text.c_str(), L"error", MB_OK);
        break;
    }
    case JournalRepair::none:
    case JournalRepair::failed:
        // A repair that could not finish keeps the journal, which the next
        // start follows again; meanwhile a copy into this folder refuses to
        // start over it and reports its failure.
        break;
    }
}
