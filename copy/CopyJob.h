// The copy job's worker thread, started by PatchSession::startCopyJob.
#pragma once

#include <windows.h>

// The worker thread's start routine; its parameter is the PatchSession.
DWORD WINAPI copyWorker(LPVOID parameter);

// The dialog while the copy runs: the progress bar in place of the folder
// choice and the space display, the prompt "コピー中...". Called on the
// worker; the dialog's own thread serves the window calls.
void showProgressView(HWND dialog);

// The dialog once every file is in place: the bar full, the prompt
// "コピー終了", Run turned into "完了", enabled and focused.
void showFinishedView(HWND dialog);
