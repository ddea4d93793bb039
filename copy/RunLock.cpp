#include "copy/RunLock.h"

std::wstring runLockName(const std::wstring& recordsKey) {
    // A backslash ends the namespace's part of a name: the key's own
    // separators become slashes.
    std::wstring name = L"Global\\" + recordsKey;
    for (std::size_t at = 7; at < name.size(); ++at) {
        if (name[at] == L'\\') {
            name[at] = L'/';
        }
    }
    return name;
}

RunLock::RunLock(const std::wstring& recordsKey)
    : mutex_(CreateMutexW(nullptr, FALSE, runLockName(recordsKey).c_str())) {}

RunLock::~RunLock() {
    for (; taken_ > 0; --taken_) {
        ReleaseMutex(mutex_.get());
    }
}

bool RunLock::take() {
    if (!mutex_.valid()) {
        return true;
    }
    const DWORD waited = WaitForSingleObject(mutex_.get(), 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        return false;
    }
    ++taken_;
    return true;
}
