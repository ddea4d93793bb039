#include "tests/driver/CopyPacer.h"

#include <tlhelp32.h>

#include <map>

#include "resources/resource_ids.h"
#include "tests/driver/ProgramWindows.h"

namespace {

constexpr DWORD heldMs = 30;
constexpr DWORD runningMs = 1;

// The threads of a process held in turn, by id. New ones (the copy's worker,
// its hashing thread) are looked for while the others are held, so that
// the time a look takes is no time the copy runs.
class HeldThreads {
public:
    explicit HeldThreads(DWORD processId) : processId_(processId) {}
    ~HeldThreads() {
        for (const auto& [id, thread] : threads_) {
            CloseHandle(thread);
        }
    }
    HeldThreads(const HeldThreads&) = delete;
    HeldThreads& operator=(const HeldThreads&) = delete;

    // Holds every thread of the process but `spared` not yet known.
    void holdNewOnes(DWORD spared) {
        const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        if (!snapshot.valid()) {
            return;
        }
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
            if (entry.th32OwnerProcessID != processId_ || entry.th32ThreadID == spared ||
                threads_.count(entry.th32ThreadID) != 0) {
                continue;
            }
            HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
            if (thread != nullptr) {
                SuspendThread(thread);
                threads_[entry.th32ThreadID] = thread;
            }
        }
    }
    void holdAll() {
        for (const auto& [id, thread] : threads_) {
            SuspendThread(thread);
        }
    }
    void releaseAll() {
        for (const auto& [id, thread] : threads_) {
            ResumeThread(thread);
        }
    }

private:
    DWORD processId_;
    std::map<DWORD, HANDLE> threads_;
};

}  // namespace

CopyPacer::CopyPacer(DWORD processId) : processId_(processId), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_.reset(CreateThread(nullptr, 0, pace, this, 0, nullptr));
}

CopyPacer::~CopyPacer() {
    SetEvent(stop_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI CopyPacer::pace(void* self) {
    static_cast<CopyPacer*>(self)->paceCopy();
    return 0;
}

void CopyPacer::paceCopy() {
    const UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId_));
    HWND dialog = nullptr;
    // Until the copy shows its bar.
    while (WaitForSingleObject(stop_.get(), 1) == WAIT_TIMEOUT) {
        if (process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) {
            return;
        }
        dialog = findDialog(processId_, DialogKind::patchDialog);
        if (dialog != nullptr && IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS))) {
            break;
        }
        dialog = nullptr;
    }
    if (dialog == nullptr) {
        return;
    }
    const DWORD dialogThreadId = GetWindowThreadProcessId(dialog, nullptr);
    const UniqueHandle dialogThread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, dialogThreadId));
    HeldThreads threads(processId_);
    // The copy's threads run only while the dialog's is held, and the other
    // way round. The worker tells the bar each step through a call that
    // waits for the dialog's thread, so it passes at most one step a turn,
    // however late this thread itself gets its turns on a busy machine.
    for (;;) {
        threads.holdAll();
        threads.holdNewOnes(dialogThreadId);
        ResumeThread(dialogThread.get());
        const bool stopped = WaitForSingleObject(stop_.get(), heldMs) != WAIT_TIMEOUT ||
                             (process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0);
        if (stopped) {
            threads.releaseAll();
            return;
        }
        SuspendThread(dialogThread.get());
        threads.releaseAll();
        if (WaitForSingleObject(stop_.get(), runningMs) != WAIT_TIMEOUT) {
            ResumeThread(dialogThread.get());
            return;
        }
    }
}
