#include "tests/driver/CopyPacer.h"

#include <tlhelp32.h>

#include <vector>

#include "resources/resource_ids.h"
#include "tests/driver/ProgramWindows.h"

namespace {

constexpr DWORD heldMs = 20;
constexpr DWORD runningMs = 1;

// Every thread of the process but `spared`, each opened to be held.
std::vector<HANDLE> threadsOf(DWORD processId, DWORD spared) {
    std::vector<HANDLE> threads;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot.valid()) {
        return threads;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId || entry.th32ThreadID == spared) {
            continue;
        }
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread != nullptr) {
            threads.push_back(thread);
        }
    }
    return threads;
}

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
    const DWORD dialogThread = GetWindowThreadProcessId(dialog, nullptr);
    for (;;) {
        if (process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) {
            return;
        }
        const std::vector<HANDLE> threads = threadsOf(processId_, dialogThread);
        for (HANDLE thread : threads) {
            SuspendThread(thread);
        }
        const bool stopped = WaitForSingleObject(stop_.get(), heldMs) != WAIT_TIMEOUT;
        for (HANDLE thread : threads) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
        if (stopped || WaitForSingleObject(stop_.get(), runningMs) != WAIT_TIMEOUT) {
            return;
        }
    }
}
