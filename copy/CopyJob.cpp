// Run's side of the copy: the folder checks, the checks before anything is
// written, then the one worker thread.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "copy/CopyJob.h"
#include "copy/RepairBox.h"
#include "copy/RunLock.h"
#include "copy/StartChecks.h"
#include "core/FileProbe.h"
#include "core/PatchSession.h"
#include "resources/resource_ids.h"

namespace {

void showRefusal(HWND dialog, const std::wstring& text) { MessageBoxW(dialog, text.c_str(), L"error", MB_OK); }

// An exception that left the thread's start routine would end the whole
// process. Memory running out in the middle of the copy is a failed copy like
// any other: the files and the buffer are released on the way out, and the
// user is told.
CopyResult copyOrFail(PatchSession& session) {
    try {
        return session.copyFiles();
    } catch (...) {
        return copyOpenFailed;
    }
}

// A run stopped in the install folder and not repaired at the start (a file
// was held then) is put right first, once the game no longer runs there: a
// copy over it would mix two runs. Not while another copy of the program (in
// another session) copies or repairs: the retry box until it is done.
// False once the player was told why the copy can't start.
bool repairStoppedRunHere(PatchSession& session) {
    RunLock lock(session.runRecords);
    if (!retryWhileRefused(session.dialog, [&lock]() -> std::optional<std::wstring> {
            return lock.take() ? std::nullopt : std::optional<std::wstring>(runLockBusyText);
        })) {
        return false;
    }
    const std::vector<RunRepair> repairs =
        repairWhenTheGameIsClosed(session.dialog, session.runRecords, session.executableName, &session.installFolder);
    if (!repairsLetTheCopyStart(repairs)) {
        showRefusal(session.dialog, unrepairedRunText);
        return false;
    }
    return true;
}

}  // namespace

bool PatchSession::startCopyJob(const wchar_t* folderText) {
    // One job per run. A second start would change installFolder under a
    // worker that reads it and set two workers writing the same files; the
    // dialog keeps showing the job that exists.
    if (workerThread.valid()) {
        return true;
    }

    // A damaged download stays damaged whatever the player chooses: told
    // first, and the run ends with nothing written.
    if (auto damaged = damagedFileRefusal(*this)) {
        showRefusal(dialog, *damaged);
        return false;
    }

    installFolder = folderText;
    if (!pathExists(folderText)) {
        showRefusal(dialog, L"指定されたフォルダがありません。");
        return false;
    }
    if (!executableName.empty()) {
        const std::wstring executablePath = installFolder + L'\\' + executableName;
        if (!pathExists(executablePath.c_str())) {
            showRefusal(dialog, title + L"がインストールされていません。");
            return false;
        }
    }

    if (!repairStoppedRunHere(*this)) {
        return false;
    }

    // Nothing has been written yet: whatever would stop the copy half way is
    // told now, and the player may put it right and try again. キャンセル
    // refuses the start like any refusal.
    if (!retryWhileRefused(dialog, [this] { return firstStartRefusal(*this); })) {
        return false;
    }

    EnableWindow(GetDlgItem(dialog, IDC_RUN), FALSE);
    // A thread that can't be created leaves Run disabled and no worker to
    // wait for; Cancel and the close box still end the dialog.
    workerThread.reset(CreateThread(nullptr, 0, copyWorker, this, 0, &workerThreadId));
    return true;
}

DWORD WINAPI copyWorker(LPVOID parameter) {
    PatchSession& session = *static_cast<PatchSession*>(parameter);
    const CopyResult result = copyOrFail(session);
    if (result == copyDone) {
        // Complete (the dialog shows its end state) or cancelled (the dialog
        // is ending): nothing to report.
        return 0;
    }
    // Written before the post: the dialog reads it when the notice arrives.
    // statusText has had room for it since the session was made, so this
    // needs no memory; a damaged file's text, or the lock's, is already there.
    if (result != copyDamaged && result != copyBusy) {
        session.statusText = copyFailedText;
    }
    PostMessageW(session.dialog, WM_COPYJOB_FAILED, 0, 0);
    return static_cast<DWORD>(result);
}
