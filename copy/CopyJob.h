// The copy job's worker thread, started by PatchSession::startCopyJob.
#pragma once

#include <windows.h>

// The worker thread's start routine; its parameter is the PatchSession.
DWORD WINAPI copyWorker(LPVOID parameter);
