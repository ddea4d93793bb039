// The two handlers that serve the choice of the install folder: the shell's
// folder browser, and the size of the patch against the drive's free space.
#include <windows.h>

#include <shlobj.h>

#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "core/PatchSession.h"
#include "dialog/PatchDialog.h"
#include "dialog/display_rules.h"
#include "resources/resource_ids.h"

void updateSpaceDisplay(HWND dialog) {
    wchar_t text[textBufferSize];
    readFolderText(dialog, text);
    const std::wstring root = driveRootOf(text);
    const std::uint64_t requiredKb = wholeKilobytes(patchSession.totalSize());

    // A root the query can't use (a network path, a missing drive) gives
    // figures of 0, which show as the form without a free figure.
    const std::uint64_t freeKb = freeKilobytes(diskFiguresOf(root));

    SetDlgItemTextW(dialog, IDC_SPACE, spaceDisplayText(requiredKb, root, freeKb).c_str());
}

int CALLBACK browseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        // Opens on the folder text when it names an existing folder.
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

void chooseFolder(HWND dialog) {
    wchar_t text[textBufferSize];
    readFolderText(dialog, text);

    // The browser is made of shell objects, which need COM on this thread.
    ComApartment com;
    BROWSEINFOW request{};
    request.hwndOwner = dialog;
    request.pidlRoot = nullptr;
    request.pszDisplayName = text;
    request.lpszTitle = L"フォルダの指定";
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    request.lpfn = browseCallback;
    request.lParam = reinterpret_cast<LPARAM>(text);
    request.iImage = 0;
    TaskMemory<ITEMIDLIST> chosen(SHBrowseForFolderW(&request));
    if (!chosen.valid()) {
        return;  // cancelled or closed: nothing changes
    }
    // Only a folder with a path of its own can go into the edit; the display
    // name that the browser left in the buffer is no path.
    if (!SHGetPathFromIDListW(chosen.get(), text)) {
        return;
    }
    // Raises EN_CHANGE: the space display follows at once.
    SetDlgItemTextW(dialog, IDC_FOLDER, text);
}
