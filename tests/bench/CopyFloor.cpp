// The floor the patch program's copy is measured against (scripts/bench):
// the same calls, done in place. The program's own dialog with its progress
// bar on the main thread; Run starts a worker that copies each listed file
// straight over its destination, one cluster of the install drive at a time,
// with one cross-thread PBM_SETPOS per chunk and the same cancel test; then
// Run becomes "完了", which ends it with 1. Nothing is staged, renamed or
// journalled. It stays the design the program had before its chunks grew and
// its bar was told only when it moves, so that both are measured against it.
//
// Started without arguments, as the program is: it reads floor.txt beside
// itself (UTF-8): the install folder on the first line, then one
// "source<TAB>destination" pair of full paths a line.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "copy/copy_rules.h"
#include "core/HandleOwners.h"
#include "resources/resource_ids.h"

namespace {

struct FloorFile {
    std::wstring source;
    std::wstring destination;
    std::uint64_t size = 0;
};

struct FloorRun {
    std::wstring installFolder;
    std::vector<FloorFile> files;
    std::uint64_t total = 0;
    HWND dialog = nullptr;
    HANDLE worker = nullptr;
    CRITICAL_SECTION lock{};
    bool cancelRequested = false;
};

FloorRun run;

std::wstring wideFromUtf8(const std::string& bytes) {
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                             text.data(), static_cast<int>(text.size()))));
    return text;
}

std::uint64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool readList() {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"floor.txt";
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    std::string bytes(static_cast<std::size_t>(GetFileSize(file.get(), nullptr)), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        return false;
    }
    const std::wstring text = wideFromUtf8(bytes);
    std::size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        const std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) {
            continue;
        }
        if (first) {
            run.installFolder = line;
            first = false;
            continue;
        }
        const std::size_t tab = line.find(L'\t');
        if (tab == std::wstring::npos) {
            return false;
        }
        FloorFile entry{line.substr(0, tab), line.substr(tab + 1)};
        entry.size = fileSize(entry.source);
        run.total += entry.size;
        run.files.push_back(entry);
    }
    return !run.files.empty();
}

// One cluster of the install folder's drive; 4 KiB when it says nothing.
std::uint32_t clusterOf(const std::wstring& folder) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(folder.substr(0, 3).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters) ||
        sectorsPerCluster * bytesPerSector == 0) {
        return 4096;
    }
    return sectorsPerCluster * bytesPerSector;
}

bool takeCancelRequest() {
    EnterCriticalSection(&run.lock);
    const bool requested = run.cancelRequested;
    run.cancelRequested = false;
    LeaveCriticalSection(&run.lock);
    return requested;
}

// The program's protected-file question, asked the same way.
bool isProtectedFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

bool copyFile(const FloorFile& entry, unsigned char* buffer, std::uint32_t chunkSize, HWND progressBar,
              std::uint64_t& done) {
    if (takeCancelRequest()) {
        return false;
    }
    UniqueHandle destination;
    UniqueHandle source(CreateFileW(entry.source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.valid() || isProtectedFile(entry.destination)) {
        return false;
    }
    destination.reset(CreateFileW(entry.destination.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!destination.valid()) {
        return false;
    }
    std::uint64_t copied = 0;
    bool firstChunk = true;
    do {
        if (!firstChunk && takeCancelRequest()) {
            return false;
        }
        firstChunk = false;
        const std::uint64_t left = entry.size - copied;
        const DWORD wanted = left < chunkSize ? static_cast<DWORD>(left) : chunkSize;
        DWORD got = 0;
        if (!ReadFile(source.get(), buffer, wanted, &got, nullptr) || got < wanted) {
            return false;
        }
        copied += got;
        DWORD written = 0;
        if (!WriteFile(destination.get(), buffer, wanted, &written, nullptr) || written < wanted) {
            return false;
        }
        done += written;
        SendMessageW(progressBar, PBM_SETPOS, static_cast<WPARAM>(progressPosition(done, run.total)), 0);
    } while (copied < entry.size);
    DWORD beyond = 0;
    return ReadFile(source.get(), buffer, 1, &beyond, nullptr) && beyond == 0;
}

DWORD WINAPI copyWorker(void*) {
    HWND dialog = run.dialog;
    HWND progressBar = GetDlgItem(dialog, IDC_PROGRESS);
    const std::uint32_t chunkSize = clusterOf(run.installFolder);
    GlobalBlock buffer(GlobalAlloc(GMEM_FIXED, chunkSize));
    if (!buffer.valid()) {
        return 3;
    }
    std::uint64_t done = 0;
    for (const FloorFile& entry : run.files) {
        if (!copyFile(entry, buffer.bytes(), chunkSize, progressBar, done)) {
            SetWindowTextW(GetDlgItem(dialog, IDC_PROMPT), L"floor: copy failed");
            return 3;
        }
    }
    SendMessageW(progressBar, PBM_SETPOS, 100, 0);
    SetWindowTextW(GetDlgItem(dialog, IDC_PROMPT), L"コピー終了");
    HWND runButton = GetDlgItem(dialog, IDC_RUN);
    SetWindowTextW(runButton, L"完了");
    EnableWindow(runButton, TRUE);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(runButton), TRUE);
    return 1;
}

void startCopy(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDC_RUN), FALSE);
    ShowWindow(GetDlgItem(dialog, IDC_BROWSE), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_FOLDER), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_SPACE), SW_HIDE);
    HWND progressBar = GetDlgItem(dialog, IDC_PROGRESS);
    ShowWindow(progressBar, SW_SHOW);
    SetWindowTextW(GetDlgItem(dialog, IDC_PROMPT), L"コピー中...");
    SendMessageW(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(progressBar, PBM_SETPOS, 0, 0);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(progressBar), TRUE);
    run.worker = CreateThread(nullptr, 0, copyWorker, nullptr, 0, nullptr);
}

INT_PTR CALLBACK floorDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        run.dialog = dialog;
        SetWindowTextW(GetDlgItem(dialog, IDC_FOLDER), run.installFolder.c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_RUN) {
            if (run.worker == nullptr) {
                startCopy(dialog);
            } else {
                EndDialog(dialog, 1);
            }
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EnterCriticalSection(&run.lock);
            run.cancelRequested = true;
            LeaveCriticalSection(&run.lock);
            EndDialog(dialog, 2);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitializeCriticalSection(&run.lock);
    if (!readList()) {
        return 4;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const INT_PTR ended = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PATCH), nullptr, floorDialog, 0);
    DWORD workerResult = 3;
    if (run.worker != nullptr) {
        WaitForSingleObject(run.worker, INFINITE);
        GetExitCodeThread(run.worker, &workerResult);
        CloseHandle(run.worker);
    }
    if (ended != 1) {
        return static_cast<int>(ended);
    }
    return static_cast<int>(workerResult);
}
