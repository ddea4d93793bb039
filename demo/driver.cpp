// Runs the patch program once on the demo game and drives it the way a player
// would, printing every step: the dialog's caption and texts, the progress,
// the end texts and the exit code. scripts/demo uses it when there is no
// display for a person to click on.
//
//   patch_demo_driver.exe PROGRAM EXPECTED_FOLDER_FILE SIGNAL_FOLDER [LOOK_NAME]
//
// PROGRAM is the patch program to start. EXPECTED_FOLDER_FILE holds, in
// UTF-8, the install folder that the program should have found in the
// registry: a file rather than an argument, since Wine converts arguments
// with the Unix locale's character set, which may not hold Japanese. At each
// line
// "@screenshot NAME" the driver waits until the file SIGNAL_FOLDER\NAME.done
// exists: meanwhile the script takes a picture of the screen.
//
// Without LOOK_NAME the driver runs the whole patch: pictures "before" and
// "after", Run, then "完了". With it, it only opens the dialog, has its
// picture taken under that name and closes it with the close box: a look at
// the dialog under other display settings.
//
// Exit code 0 when the run went as a player expects (folder found, copy
// finished or dialog closed, the program ended with 1), otherwise 1.
#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>

#include "resources/resource_ids.h"
#include "core/HandleOwners.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/driver/ProgramWindows.h"

namespace {

constexpr DWORD windowWait = 30000;
constexpr DWORD copyWait = 120000;
constexpr DWORD exitWait = 15000;

// The console shows UTF-8; the program's texts arrive as UTF-16.
void print(const std::wstring& line) { printLine(line); }

// Tabs and line breaks of a control's text, shown as \t and \n.
std::wstring visible(const std::wstring& text) {
    std::wstring shown;
    for (const wchar_t c : text) {
        if (c == L'\t') {
            shown += L"\\t";
        } else if (c == L'\n') {
            shown += L"\\n";
        } else if (c != L'\r') {
            shown += c;
        }
    }
    return L"\"" + shown + L"\"";
}

// Brings the dialog to the front, so that its caption is drawn active, and
// lets the script take its picture.
bool screenshot(HWND dialog, const std::wstring& signalFolder, const std::wstring& name) {
    SetForegroundWindow(dialog);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);
    print(L"@screenshot " + name);
    const std::wstring signal = signalFolder + L"\\" + name + L".done";
    if (!waitUntil([&] { return GetFileAttributesW(signal.c_str()) != INVALID_FILE_ATTRIBUTES; }, windowWait)) {
        print(L"FAILED: no screenshot was taken");
        return false;
    }
    return true;
}

void printDialog(HWND dialog) {
    print(L"  caption:       " + visible(windowText(dialog)));
    print(L"  prompt:        " + visible(controlText(dialog, IDC_PROMPT)));
    if (IsWindowVisible(GetDlgItem(dialog, IDC_FOLDER))) {
        print(L"  folder:        " + visible(controlText(dialog, IDC_FOLDER)));
        print(L"  space:         " + visible(controlText(dialog, IDC_SPACE)));
    }
    if (IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS))) {
        print(L"  progress:      " + std::to_wstring(progressPosition(dialog)) + L"%");
    }
    print(L"  run button:    " + visible(controlText(dialog, IDC_RUN)) +
          (IsWindowEnabled(GetDlgItem(dialog, IDC_RUN)) ? L" (enabled)" : L" (disabled)"));
}

// A message box in place of the expected dialog: show it, dismiss it.
void reportMessageBox(HWND box) {
    print(L"message box " + visible(windowText(box)) + L": " + visible(controlText(box, messageBoxTextId)));
    pressButton(box, IDOK);
}

// The first line of a UTF-8 text file, or "" when it can't be read.
std::wstring readFirstLine(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    char bytes[4096];
    DWORD read = 0;
    if (!file.valid() || !ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr)) {
        return L"";
    }
    std::wstring text(read, L'\0');
    text.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(read), text.data(), static_cast<int>(read))));
    return text.substr(0, text.find_first_of(L"\r\n"));
}

// Waits for the program to end and prints its exit code.
DWORD finish(ProgramProcess& program) {
    const std::optional<DWORD> code = program.exitCode(exitWait);
    if (!code.has_value()) {
        print(L"FAILED: the program did not end");
        program.terminate(3);
        return 3;
    }
    print(L"exit code: " + std::to_wstring(*code));
    return *code;
}

// From Run to the end state: prints each new prompt and every bar position
// seen.
bool watchCopy(ProgramProcess& program, HWND dialog, std::wstring prompt) {
    std::wstring positions;
    int lastPosition = -1;
    bool finished = false;
    HWND box = nullptr;
    waitUntil(
        [&] {
            const std::wstring nowPrompt = controlText(dialog, IDC_PROMPT);
            if (nowPrompt != prompt) {
                prompt = nowPrompt;
                print(L"  prompt:        " + visible(prompt));
            }
            if (IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS))) {
                const int position = progressPosition(dialog);
                if (position != lastPosition) {
                    positions += (lastPosition < 0 ? L"" : L" ") + std::to_wstring(position);
                    lastPosition = position;
                }
            }
            finished = controlText(dialog, IDC_RUN) == L"完了" && IsWindowEnabled(GetDlgItem(dialog, IDC_RUN));
            box = findDialog(program.processId(), DialogKind::messageBox);
            return finished || box != nullptr || program.exitCode(0).has_value();
        },
        copyWait);
    print(L"  progress seen: " + positions + L" (%)");
    if (box != nullptr) {
        reportMessageBox(box);
        return false;
    }
    if (!finished) {
        print(L"FAILED: the copy did not finish");
        return false;
    }
    return true;
}

// Only shows the dialog as it opens, for its picture, and closes it.
int look(ProgramProcess& program, HWND dialog, const std::wstring& signalFolder, const std::wstring& name) {
    RECT frame{};
    GetWindowRect(dialog, &frame);
    print(L"  window size:   " + std::to_wstring(frame.right - frame.left) + L" x " +
          std::to_wstring(frame.bottom - frame.top) + L" pixels");
    if (!screenshot(dialog, signalFolder, name)) {
        program.terminate(3);
        return 1;
    }
    print(L"closing the dialog with its close box");
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    return finish(program) == 1 ? 0 : 1;
}

int drive(const std::wstring& programPath, const std::wstring& expectedFolder, const std::wstring& signalFolder,
          const std::wstring& lookName) {
    print(L"starting " + programPath);
    // In its own folder, as Explorer starts it.
    ProgramProcess program(programPath, programPath.substr(0, programPath.find_last_of(L'\\')));
    if (!program.started()) {
        print(L"FAILED: the program could not be started (error " + std::to_wstring(program.startError()) + L")");
        return 1;
    }
    HWND dialog = nullptr;
    HWND box = nullptr;
    waitUntil(
        [&] {
            dialog = findDialog(program.processId(), DialogKind::patchDialog);
            box = findDialog(program.processId(), DialogKind::messageBox);
            return dialog != nullptr || box != nullptr;
        },
        windowWait);
    if (dialog == nullptr) {
        if (box != nullptr) {
            reportMessageBox(box);
        } else {
            print(L"FAILED: no dialog appeared");
        }
        finish(program);
        return 1;
    }

    print(L"the dialog is open:");
    printDialog(dialog);
    const std::wstring folder = controlText(dialog, IDC_FOLDER);
    if (folder != expectedFolder) {
        print(L"FAILED: the folder should be " + visible(expectedFolder) + L", the registry entry was not found");
        program.terminate(3);
        return 1;
    }
    print(L"the install folder from the registry is shown");
    if (!lookName.empty()) {
        return look(program, dialog, signalFolder, lookName);
    }
    if (!screenshot(dialog, signalFolder, L"before")) {
        program.terminate(3);
        return 1;
    }

    print(L"pressing " + visible(controlText(dialog, IDC_RUN)));
    const std::wstring choosingPrompt = controlText(dialog, IDC_PROMPT);
    pressButton(dialog, IDC_RUN);
    if (!watchCopy(program, dialog, choosingPrompt)) {
        finish(program);
        return 1;
    }
    print(L"the copy has finished:");
    printDialog(dialog);
    if (!screenshot(dialog, signalFolder, L"after")) {
        program.terminate(3);
        return 1;
    }

    print(L"pressing " + visible(controlText(dialog, IDC_RUN)));
    pressButton(dialog, IDC_RUN);
    return finish(program) == 1 ? 0 : 1;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 4 || count > 5) {
        print(L"usage: patch_demo_driver PROGRAM EXPECTED_FOLDER_FILE SIGNAL_FOLDER [LOOK_NAME]");
        return 2;
    }
    const int result =
        drive(arguments[1], readFirstLine(arguments[2]), arguments[3], count == 5 ? arguments[4] : L"");
    LocalFree(arguments);
    return result;
}
