// Slows a program's copy down from outside, so that a test can act while the
// copy runs (cancel it, close it, kill it, hold a file) at a moment the bar
// names. The copy itself moves a game's files at the speed of the disk: a
// test file of tens of MiB is copied in a few hundredths of a second.
#pragma once

#include <windows.h>

#include "core/HandleOwners.h"

// From the moment the program's progress bar shows until the pacer goes or
// the program ends, every thread of the program but the dialog's is held
// (SuspendThread) most of the time and let run for a millisecond now and
// then: the copy runs about twenty times slower, while the dialog answers at
// once, as a player sees it. Nothing of the program changes.
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
