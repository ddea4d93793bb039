#include "core/PatchSession.h"

PatchSession patchSession;

void PatchSession::requestCancel() {
    CriticalSectionLock held(lock);
    cancelRequested = 1;
}

bool PatchSession::takeCancelRequest() {
    CriticalSectionLock held(lock);
    const unsigned char requested = cancelRequested;
    cancelRequested = 0;
    return requested != 0;
}

bool PatchSession::isWorkerRunning() const {
    if (!workerThread.valid()) {
        return false;
    }
    // A failed wait counts as "not running", like a returned thread.
    return WaitForSingleObject(workerThread.get(), 0) == WAIT_TIMEOUT;
}

void PatchSession::waitForWorkerToFinish() {
    if (!workerThread.valid()) {
        return;
    }
    // The worker drives the dialog's controls with SendMessage, which this
    // thread must keep serving while it waits, or both threads would wait on
    // each other. Once the dialog is destroyed those calls fail at once.
    HANDLE worker = workerThread.get();
    for (;;) {
        // MWMO_INPUTAVAILABLE: a call that reached the queue before this wait
        // began, and was only noticed since, must wake it too. Without it the
        // wait sleeps on while the worker waits for its answer.
        const DWORD woken =
            MsgWaitForMultipleObjectsEx(1, &worker, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (woken != WAIT_OBJECT_0 + 1) {
            return;  // the worker has returned, or the wait failed
        }
        // Peeking dispatches the pending sent messages; nothing is removed.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

std::uint64_t PatchSession::totalSize() const {
    std::uint64_t total = 0;
    for (const PatchFileEntry& entry : files) {
        if (entry.isCopied()) {
            total += entry.size;
        }
    }
    return total;
}
