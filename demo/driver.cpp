// Runs the patch program once on the demo game and drives it the way a player
// would, printing every step: the dialog's caption and texts, the progress,
// the end texts and the exit code. scripts/demo uses it when there is no
// display for a person to click on.
//
//   patch_demo_driver.exe PROGRAM EXPECTED_FOLDER_FILE SIGNAL_FOLDER [LOOK_NAME]
//   patch_demo_driver.exe --box PROGRAM SIGNAL_FOLDER NAME
//   patch_demo_driver.exe --resources PROGRAM OUTPUT_FOLDER
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
// --box starts the program where it should meet a message box instead of
// its dialog (its game not installed): the box has its picture taken under
// NAME and is dismissed with OK.
//
// --resources starts nothing: it reads back what the program file carries
// and a player's Explorer shows, into OUTPUT_FOLDER: its first icon drawn
// with DrawIconEx at 128 x 128 (icon-128.bmp) and at the sizes Explorer
// draws it (icon-sizes.bmp), and its version texts as GetFileVersionInfoW
// reads them (version.txt, UTF-8, and version.bmp).
//
// Exit code 0 when the run went as a player expects (folder found, copy
// finished or dialog closed, the program ended with 1; --box: the box came
// and the program ended with 0; --resources: an icon and version texts were
// found and written), otherwise 1.
#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    // A box that has only just opened is brought in front a moment later:
    // its caption would be drawn inactive. A window that never comes in front
    // is still worth its picture.
    waitUntil([&] { return GetForegroundWindow() == dialog; }, 5000);
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

// Whether the program started; says why not.
bool startedOrSaid(const ProgramProcess& program) {
    if (!program.started()) {
        print(L"FAILED: the program could not be started (error " + std::to_wstring(program.startError()) + L")");
    }
    return program.started();
}

// The patch dialog and a message box, once the program shows either.
std::pair<HWND, HWND> firstWindowOf(const ProgramProcess& program) {
    HWND dialog = nullptr;
    HWND box = nullptr;
    waitUntil(
        [&] {
            dialog = findDialog(program.processId(), DialogKind::patchDialog);
            box = findDialog(program.processId(), DialogKind::messageBox);
            return dialog != nullptr || box != nullptr;
        },
        windowWait);
    return {dialog, box};
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
    if (!startedOrSaid(program)) {
        return 1;
    }
    const auto [dialog, box] = firstWindowOf(program);
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


// --box: the program meets a message box as it starts, which the script
// takes a picture of; OK dismisses it.
int lookAtBox(const std::wstring& programPath, const std::wstring& signalFolder, const std::wstring& name) {
    print(L"starting " + programPath);
    ProgramProcess program(programPath, programPath.substr(0, programPath.find_last_of(L'\\')));
    if (!startedOrSaid(program)) {
        return 1;
    }
    const auto [dialog, box] = firstWindowOf(program);
    if (box == nullptr) {
        print(dialog != nullptr ? L"FAILED: the dialog opened instead of a message box"
                                : L"FAILED: no message box appeared");
        program.terminate(3);
        return 1;
    }
    print(L"message box " + visible(windowText(box)) + L": " + visible(controlText(box, messageBoxTextId)));
    if (!screenshot(box, signalFolder, name)) {
        program.terminate(3);
        return 1;
    }
    print(L"pressing OK");
    pressButton(box, IDOK);
    return finish(program) == 0 ? 0 : 1;
}

// A picture drawn with GDI, white to begin with, saved as a 24-bit BMP.
class Picture {
public:
    Picture(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels_), nullptr, 0);
        if (bitmap_ != nullptr) {
            previous_ = SelectObject(dc_, bitmap_);
            const RECT all{0, 0, width, height};
            FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        }
    }
    ~Picture() {
        if (bitmap_ != nullptr) {
            SelectObject(dc_, previous_);
            DeleteObject(bitmap_);
        }
        DeleteDC(dc_);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool valid() const { return bitmap_ != nullptr; }
    HDC dc() const { return dc_; }

    bool save(const std::wstring& path) const {
        GdiFlush();
        const DWORD rowBytes = (static_cast<DWORD>(width_) * 3 + 3) & ~3u;
        BITMAPFILEHEADER file{};
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width_;
        header.biHeight = height_;  // bottom row first, as every reader takes it
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + rowBytes * static_cast<DWORD>(height_);
        std::vector<unsigned char> bytes(file.bfSize);
        CopyMemory(bytes.data(), &file, sizeof file);
        CopyMemory(bytes.data() + sizeof file, &header, sizeof header);
        for (int y = 0; y < height_; ++y) {
            unsigned char* row = bytes.data() + file.bfOffBits + rowBytes * static_cast<DWORD>(height_ - 1 - y);
            for (int x = 0; x < width_; ++x) {
                const unsigned char* pixel = pixels_ + (static_cast<std::size_t>(y) * width_ + x) * 4;
                row[x * 3] = pixel[0];
                row[x * 3 + 1] = pixel[1];
                row[x * 3 + 2] = pixel[2];
            }
        }
        UniqueHandle out(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        return out.valid() && WriteFile(out.get(), bytes.data(), file.bfSize, &written, nullptr) &&
               written == file.bfSize;
    }

private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    unsigned char* pixels_ = nullptr;
};

// The system's proportional Gothic, as the dialog's texts use it.
HFONT textFont(int pixels) {
    return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS UI Gothic");
}

// RT_GROUP_ICON, in its UTF-16 form whatever UNICODE says.
const LPCWSTR groupIconType = MAKEINTRESOURCEW(14);

// The name of the first icon group: the one Explorer shows for the file.
BOOL CALLBACK takeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    auto* const first = reinterpret_cast<std::wstring*>(found);
    *first = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name;
    return FALSE;
}

// The program's icon, drawn as Explorer draws it: at 128 x 128 alone, and
// at each size Explorer's views use, side by side with the size beneath.
bool drawIcons(const std::wstring& programPath, const std::wstring& outputFolder) {
    HMODULE module = LoadLibraryExW(programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        print(L"FAILED: the program's resources could not be read (error " + std::to_wstring(GetLastError()) + L")");
        return false;
    }
    std::wstring group;
    EnumResourceNamesW(module, groupIconType, takeFirstName, reinterpret_cast<LONG_PTR>(&group));
    if (group.empty()) {
        print(L"FAILED: the program carries no icon");
        FreeLibrary(module);
        return false;
    }
    const LPCWSTR groupName = group[0] == L'#'
                                  ? MAKEINTRESOURCEW(static_cast<WORD>(std::stoul(group.substr(1))))
                                  : group.c_str();
    const auto loadIcon = [&](int size) {
        return static_cast<HICON>(LoadImageW(module, groupName, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    };
    bool ok = true;
    {
        Picture alone(128, 128);
        HICON icon = loadIcon(128);
        ok = alone.valid() && icon != nullptr && DrawIconEx(alone.dc(), 0, 0, icon, 128, 128, 0, nullptr, DI_NORMAL) &&
             alone.save(outputFolder + L"\\icon-128.bmp");
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
    // Details and list 16, small toolbar 24, content 32, tiles and medium
    // icons 48, large icons 96, extra large 256.
    static const int sizes[] = {16, 24, 32, 48, 64, 96, 128, 256};
    constexpr int gap = 16;
    constexpr int labelHeight = 24;
    int width = gap;
    for (const int size : sizes) {
        width += size + gap;
    }
    Picture all(width, 256 + gap * 2 + labelHeight);
    HFONT font = textFont(14);
    ok = ok && all.valid();
    if (ok) {
        HGDIOBJ previousFont = SelectObject(all.dc(), font);
        SetBkMode(all.dc(), TRANSPARENT);
        int x = gap;
        for (const int size : sizes) {
            HICON icon = loadIcon(size);
            // Bottoms aligned, as the sizes compare best.
            ok = ok && icon != nullptr && DrawIconEx(all.dc(), x, gap + 256 - size, icon, size, size, 0, nullptr, DI_NORMAL);
            if (icon != nullptr) {
                DestroyIcon(icon);
            }
            RECT label{x - gap / 2, gap + 256 + 4, x + size + gap / 2, gap + 256 + 4 + labelHeight};
            const std::wstring text = std::to_wstring(size);
            DrawTextW(all.dc(), text.c_str(), -1, &label, DT_CENTER | DT_TOP | DT_SINGLELINE);
            x += size + gap;
        }
        SelectObject(all.dc(), previousFont);
        ok = ok && all.save(outputFolder + L"\\icon-sizes.bmp");
    }
    DeleteObject(font);
    FreeLibrary(module);
    if (!ok) {
        print(L"FAILED: the program's icon could not be drawn");
        return false;
    }
    print(L"  icon:          " + group + L", drawn at 128 and at 16 24 32 48 64 96 128 256");
    return true;
}

// The version texts of the program as Explorer's properties read them, one
// "Name: text" line each, in the order Explorer lists them.
bool readVersionTexts(const std::wstring& programPath, std::vector<std::wstring>& lines) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(programPath.c_str(), &ignored);
    if (size == 0) {
        print(L"FAILED: the program carries no version texts (error " + std::to_wstring(GetLastError()) + L")");
        return false;
    }
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(programPath.c_str(), 0, size, block.data())) {
        print(L"FAILED: GetFileVersionInfoW failed (error " + std::to_wstring(GetLastError()) + L")");
        return false;
    }
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        const auto numbers = [](DWORD high, DWORD low) {
            return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
                   std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
        };
        lines.push_back(L"file version (numbers): " + numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
        lines.push_back(L"product version (numbers): " +
                        numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
    }
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) {
        print(L"FAILED: the version texts name no language");
        return false;
    }
    const auto* translation = static_cast<const WORD*>(value);
    wchar_t language[16];
    wsprintfW(language, L"%04x%04x", translation[0], translation[1]);
    lines.push_back(L"language: " + std::wstring(language));
    static const wchar_t* const names[] = {L"FileDescription", L"FileVersion",      L"ProductName",
                                           L"ProductVersion",  L"CompanyName",      L"LegalCopyright",
                                           L"OriginalFilename", L"InternalName"};
    for (const wchar_t* name : names) {
        const std::wstring query = L"\\StringFileInfo\\" + std::wstring(language) + L"\\" + name;
        std::wstring text = L"(none)";
        if (VerQueryValueW(block.data(), query.c_str(), &value, &length) && length > 0) {
            text = static_cast<const wchar_t*>(value);
        }
        lines.push_back(std::wstring(name) + L": " + text);
    }
    return true;
}

bool writeVersionTexts(const std::wstring& programPath, const std::wstring& outputFolder) {
    std::vector<std::wstring> lines;
    if (!readVersionTexts(programPath, lines)) {
        return false;
    }
    std::string text;
    for (const std::wstring& line : lines) {
        text += utf8FromUtf16(line) + "\n";
        print(L"  version:       " + line);
    }
    {
        UniqueHandle out(CreateFileW((outputFolder + L"\\version.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!out.valid() || !WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
            print(L"FAILED: version.txt could not be written");
            return false;
        }
    }
    constexpr int lineHeight = 22;
    constexpr int margin = 12;
    Picture picture(640, margin * 2 + lineHeight * static_cast<int>(lines.size()));
    HFONT font = textFont(15);
    bool ok = picture.valid();
    if (ok) {
        HGDIOBJ previousFont = SelectObject(picture.dc(), font);
        SetBkMode(picture.dc(), TRANSPARENT);
        int y = margin;
        for (const std::wstring& line : lines) {
            RECT box{margin, y, 640 - margin, y + lineHeight};
            DrawTextW(picture.dc(), line.c_str(), -1, &box, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            y += lineHeight;
        }
        SelectObject(picture.dc(), previousFont);
        ok = picture.save(outputFolder + L"\\version.bmp");
    }
    DeleteObject(font);
    if (!ok) {
        print(L"FAILED: version.bmp could not be written");
    }
    return ok;
}

// --resources: the program file as Explorer shows it.
int lookAtResources(const std::wstring& programPath, const std::wstring& outputFolder) {
    print(L"reading the icon and version texts of " + programPath);
    const bool icons = drawIcons(programPath, outputFolder);
    const bool versions = writeVersionTexts(programPath, outputFolder);
    return icons && versions ? 0 : 1;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) {
        return 2;
    }
    const std::wstring first = count > 1 ? arguments[1] : L"";
    int result = 2;
    if (first == L"--box" && count == 5) {
        result = lookAtBox(arguments[2], arguments[3], arguments[4]);
    } else if (first == L"--resources" && count == 4) {
        result = lookAtResources(arguments[2], arguments[3]);
    } else if (first.rfind(L"--", 0) != 0 && (count == 4 || count == 5)) {
        result = drive(arguments[1], readFirstLine(arguments[2]), arguments[3], count == 5 ? arguments[4] : L"");
    } else {
        print(L"usage: patch_demo_driver PROGRAM EXPECTED_FOLDER_FILE SIGNAL_FOLDER [LOOK_NAME]\n"
              L"       patch_demo_driver --box PROGRAM SIGNAL_FOLDER NAME\n"
              L"       patch_demo_driver --resources PROGRAM OUTPUT_FOLDER");
    }
    LocalFree(arguments);
    return result;
}
