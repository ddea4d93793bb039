// The one record of a patch run, shared by the dialog thread and the copy
// worker. All its operations live with the subsystem that performs them:
// settings/ loads it, dialog/ attaches the window, copy/ runs the job.
#pragma once

#include <windows.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/HandleOwners.h"
#include "core/PatchFileEntry.h"
#include "core/program_texts.h"

// Posted (never sent) by the worker to the dialog when the copy failed; the
// text to show is in statusText by then.
inline constexpr UINT WM_COPYJOB_FAILED = WM_APP + 1;

enum CopyResult : std::int32_t {
    copyDone = 0,
    copyOpenFailed = -1,
    copyReadFailed = -2,
    copyWriteFailed = -3,
    copyDamaged = -4,  // a file's bytes are not the table's: statusText names it
    copyBusy = -5,     // another copy of the program holds the run lock: statusText says so
};

// What the user is told of any failed copy.
inline constexpr wchar_t copyFailedText[] = L"コピーに失敗しました。";

// Where the copy keeps the record of a run while it changes anything: a key
// of the program's own below HKEY_LOCAL_MACHINE, in the game key's view,
// where only an administrator writes.
inline constexpr wchar_t runRecordsKey[] = L"SOFTWARE\\patch_quill\\Unfinished runs";

class PatchSession : public WideProgramTexts {
public:
    // statusText has room for the failure text from the start, so that a copy
    // that fails for want of memory can still be reported.
    PatchSession() { statusText.reserve(std::size(copyFailedText)); }
    PatchSession(const PatchSession&) = delete;
    PatchSession& operator=(const PatchSession&) = delete;
    // Members are destroyed in reverse order of declaration: the worker's
    // handle is closed first, then the lock deleted, then the list and the
    // strings released.
    ~PatchSession() = default;

    // Cancel request, shared by the two threads under `lock`.
    void requestCancel();
    bool takeCancelRequest();

    // True while the worker thread exists and has not returned. Never blocks.
    bool isWorkerRunning() const;

    // Waits until a worker that is still running has returned, serving the
    // window calls it makes to this thread meanwhile. Used on the way out,
    // after the dialog has ended, so that the worker never touches a record
    // being torn down.
    void waitForWorkerToFinish();

    // Sum of the known sizes. Summed in 64 bits: several files under 4 GiB
    // each can add up to more than 32 bits hold.
    std::uint64_t totalSize() const;

    // settings/: 0 ready, -1 settings unusable, -2 game not installed.
    int loadSettings(HINSTANCE instance);

    // dialog/: stores the window and shows caption and install folder.
    void attachDialog(HWND window);

    // copy/: checks the folder text and starts the worker.
    bool startCopyJob(const wchar_t* folderText);
    CopyResult copyFiles();

    // Everything that comes from or goes to Windows is UTF-16: the names
    // from the settings are converted once, when they are read.
    std::wstring programFolder;
    std::wstring installFolder;
    std::wstring statusText;
    std::vector<PatchFileEntry> files;
    // Below HKEY_LOCAL_MACHINE; a test gives each run a key of its own.
    std::wstring runRecords = runRecordsKey;
    // Where a test watches, or fails, what the copy puts on the disk: the
    // flush of each staged file (from a few threads at once), each write to
    // the run's record (with its text; false: the write fails), each move
    // of the commit. Left as they are, the plain system call and nothing.
    struct DiskSeams {
        BOOL(WINAPI* flushFile)(HANDLE file) = FlushFileBuffers;
        bool (*recordWrite)(std::wstring_view text, void* context) = nullptr;
        void (*beforeMove)(void* context) = nullptr;
        void* context = nullptr;
    } diskSeams;
    HWND dialog = nullptr;

    unsigned char cancelRequested = 0;
    CriticalSection lock;
    UniqueHandle workerThread;
    DWORD workerThreadId = 0;
};

// The program's one record, constructed before WinMain runs.
extern PatchSession patchSession;
