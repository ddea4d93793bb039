// The lock that every copy and every repair of stopped runs holds, whatever
// the Windows session: a mutex in the global namespace, named after the
// records key it guards. The single-instance guard (shell/WinMain.cpp) sees
// only its own session, so without it a second copy of the program started
// in another session (fast user switching) would take a run still going on
// for a stopped one, put its folder back under it, or copy into the same
// folder at once. A copy of the program that dies holding it leaves it
// abandoned, which the next one takes as free.
#pragma once

#include <windows.h>

#include <string>

#include "core/HandleOwners.h"

class RunLock {
public:
    explicit RunLock(const std::wstring& recordsKey);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock if no one else holds it, at once, without waiting;
    // true while this thread holds it (again, for a thread that holds it
    // already). Where no lock can be made at all, true: the program runs
    // without one, as without its single-instance guard.
    bool take();

private:
    UniqueHandle mutex_;
    unsigned taken_ = 0;
};

// The lock's name for the records under `recordsKey`.
std::wstring runLockName(const std::wstring& recordsKey);

// Run's retry box while another copy of the program holds the lock.
inline constexpr wchar_t runLockBusyText[] =
    L"ほかのユーザーがこのパッチを実行中です。終わってから再試行してください。";
// The copy's failure when the lock is taken between Run and the copy's start.
inline constexpr wchar_t runLockBusyCopyText[] =
    L"ほかのユーザーがこのパッチを実行中のため、コピーできませんでした。";
