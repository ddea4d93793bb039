#include "dialog/PatchDialog.h"

#include <cstring>

#include "core/PatchSession.h"
#include "dialog/display_rules.h"
#include "resources/resource_ids.h"

void PatchSession::attachDialog(HWND window) {
    dialog = window;
    SetWindowTextW(window, caption.c_str());
    // Raises EN_CHANGE, which fills the space display before the dialog is
    // first shown.
    SetDlgItemTextW(window, IDC_FOLDER, installFolder.c_str());
}

void readFolderText(HWND dialog, wchar_t (&buffer)[textBufferSize]) {
    // EM_GETLINE takes the capacity, in characters, in the buffer's first
    // word and does not end the text.
    const WORD capacity = textBufferSize;
    std::memcpy(buffer, &capacity, sizeof capacity);
    const LRESULT copied = SendDlgItemMessageW(dialog, IDC_FOLDER, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer));
    buffer[copied < textBufferSize ? copied : textBufferSize - 1] = L'\0';
}

namespace {

// Centred on the primary display's full-screen client area, and on top.
BOOL onInitDialog(HWND dialog) {
    RECT frame;
    GetWindowRect(dialog, &frame);
    const int x = centredOffset(GetSystemMetrics(SM_CXFULLSCREEN), frame.right - frame.left);
    const int y = centredOffset(GetSystemMetrics(SM_CYFULLSCREEN), frame.bottom - frame.top);
    SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
    patchSession.attachDialog(dialog);
    return TRUE;  // focus to the first tab stop, the Run button
}

BOOL onClose(HWND dialog) {
    if (patchSession.isWorkerRunning()) {
        MessageBoxW(dialog, L"処理中です。", L"", MB_OK);
        return TRUE;
    }
    EndDialog(dialog, 1);
    return TRUE;
}

// Asked the same whether or not a copy runs; a running copy goes on while the
// question is open. Ends at once, without waiting for the worker: the worker
// stops at its next chunk, and the entry function waits for it before the
// session is torn down.
void onCancel(HWND dialog) {
    // The question's wording is the program's own, as players have always
    // seen it; it is kept on purpose, letter for letter.
    if (MessageBoxW(dialog, L"処理を中断しましすか？", L"キャンセル", MB_OKCANCEL) != IDOK) {
        return;
    }
    if (patchSession.isWorkerRunning()) {
        patchSession.requestCancel();
    }
    EndDialog(dialog, 2);
}

// The button reads "実行" until a complete copy turns it into "完了".
void onRun(HWND dialog) {
    wchar_t text[textBufferSize];
    GetWindowTextW(GetDlgItem(dialog, IDC_RUN), text, textBufferSize);
    if (lstrcmpW(text, L"実行") != 0) {
        EndDialog(dialog, 1);
        return;
    }
    readFolderText(dialog, text);
    if (!patchSession.startCopyJob(text)) {
        // The job start has shown why; a refused folder ends the run.
        EndDialog(dialog, 2);
    }
}

BOOL onCommand(HWND dialog, WORD id, WORD notification) {
    switch (id) {
    case IDCANCEL:
        onCancel(dialog);
        break;
    case IDC_FOLDER:
        if (notification == EN_CHANGE) {
            updateSpaceDisplay(dialog);
        }
        break;
    case IDC_RUN:
        onRun(dialog);
        break;
    case IDC_BROWSE:
        chooseFolder(dialog);
        break;
    default:
        break;
    }
    return TRUE;
}

BOOL onCopyJobFailed(HWND dialog) {
    MessageBoxW(dialog, patchSession.statusText.c_str(), L"error", MB_OK);
    EndDialog(dialog, 2);
    return TRUE;
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_CLOSE:
        return onClose(dialog);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_COPYJOB_FAILED:
        return onCopyJobFailed(dialog);
    default:
        return FALSE;
    }
}

// The run can't go on without memory for its texts: the user is told as of
// any failed copy, and the dialog ends, after asking a running worker to stop
// as Cancel does.
INT_PTR onOutOfMemory(HWND dialog) {
    if (patchSession.isWorkerRunning()) {
        patchSession.requestCancel();
    }
    MessageBoxW(dialog, copyFailedText, L"error", MB_OK);
    EndDialog(dialog, 2);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK PatchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    // An exception must not leave this procedure: the system's dialog code
    // that called it can't pass one on, and the process would end. The
    // handlers' strings (the folder text, the space text, the refusals) are
    // what can throw, when memory runs out.
    try {
        return dispatch(dialog, message, wParam);
    } catch (...) {
        return onOutOfMemory(dialog);
    }
}
