// Slows a program's copy down from outside, so that a test can act while the
// copy runs (cancel it, close it, kill it, hold a file) at a moment the bar
// names. The copy itself moves a game's files at the speed of the disk: a
// test file of tens of MiB is copied in a few hundredths of a second.
#pragma once

#include <windows.h>

#include "core/HandleOwners.h"

// From the moment the program's progress bar shows until the pacer goes or
// the program ends, the program's threads take turns (SuspendThread): every
// thread but the dialog's runs for about a millisecond, then the dialog's
// alone for 30 ms. The worker tells the bar each step it moves through a
// call that waits for the dialog's thread, so the copy passes at most one
// step of the bar a turn: 100 steps take three seconds or more, however the
// machine schedules this thread, while the dialog still answers within a
// turn. Nothing of the program changes.
class CopyPacer {
public:
    explicit CopyPacer(DWORD processId);
    ~CopyPacer();
    CopyPacer(const CopyPacer&) = delete;
    CopyPacer& operator=(const CopyPacer&) = delete;

private:
    static DWORD WINAPI pace(void* self);
    void paceCopy();

    DWORD processId_;
    UniqueHandle stop_;
    UniqueHandle thread_;
};
