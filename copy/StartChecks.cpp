#include "copy/StartChecks.h"

#include <windows.h>
#include <tlhelp32.h>

#include <iterator>

#include "copy/copy_rules.h"
#include "core/FileNames.h"
#include "core/HandleOwners.h"
#include "core/PatchSession.h"
#include "core/path_text.h"

namespace {

// Whether the process runs the file at `gamePath`.
//
// Its image path comes as a full DOS path: under Wine 8 (measured) a drive
// letter path with "." and "..", / and short names resolved, the letters of
// the folders as they were typed when the program was started, those of the
// file as on the disk. The install folder's text may have been typed
// otherwise ("c:/games/x"), and the drive letter is the one the game was
// started through: a game started through another drive that reaches the
// same disk (Wine's Z:, which shows the whole Unix tree, holds C: too; on
// Windows a substituted drive) names another path. Hence the text first,
// then the file's identity.
bool runsTheGame(DWORD processId, const std::wstring& gamePath, ProcessOpener openProcess) {
    UniqueHandle process(openProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    const DWORD error = GetLastError();
    if (!process.valid()) {
        // Ended since the snapshot: no game. Any other refusal (a game run
        // as another user, or with rights this program lacks) hides a
        // process that has the game's name: it counts as the game. A wrong
        // guess costs the player one retry box; a game replaced under its
        // feet costs its files.
        return error != ERROR_INVALID_PARAMETER;
    }
    std::wstring image(32768, L'\0');  // the longest path Windows has
    DWORD length = static_cast<DWORD>(image.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, image.data(), &length)) {
        return true;  // as above: a path that can't be read is no proof it is another program
    }
    image.resize(length);
    return sameFileName(image, gamePath) || isSameFile(image, gamePath);
}

std::wstring quoted(const std::wstring& name) { return L"「" + name + L"」"; }

}  // namespace

std::optional<std::wstring> gameRunningRefusal(const std::wstring& installFolder, const std::wstring& executableName,
                                               ProcessOpener openProcess) {
    if (executableName.empty()) {
        return std::nullopt;
    }
    const std::wstring gamePath = installFolder + L'\\' + executableName;
    const std::wstring gameName = nameOfPath(executableName);
    // Restart Manager would say who holds a file, but under Wine it lists no
    // one: the program looks for the game itself.
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) {
        // No list of processes: the files in use are still found, file by
        // file, below.
        return std::nullopt;
    }
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W process{};
    process.dwSize = sizeof process;
    for (BOOL found = Process32FirstW(snapshot.get(), &process); found;
         found = Process32NextW(snapshot.get(), &process)) {
        if (process.th32ProcessID != self && sameFileName(process.szExeFile, gameName) &&
            runsTheGame(process.th32ProcessID, gamePath, openProcess)) {
            return quoted(executableName) + L"が実行中です。ゲームを終了してから再試行してください。";
        }
    }
    return std::nullopt;
}

std::optional<std::wstring> destinationRefusal(const std::wstring& installFolder, const PatchFileEntry& entry) {
    // The program runs as administrator, and a game folder may be writable
    // by every user: through a link (a junction needs no privilege) a
    // stranger could turn its moves and deletions onto any file.
    if (auto link = firstLinkBelow(installFolder, entry.destinationName)) {
        return quoted(*link) + L"はリンクのため、パッチを当てられません。";
    }
    // The program makes no folders.
    const std::wstring folder = folderOfPath(entry.destinationName);
    if (!folder.empty() && !isFolderAt(installFolder + L'\\' + folder)) {
        return quoted(folder) + L"フォルダがありません。インストール先を確認してください。";
    }
    const std::wstring destination = entry.destinationPath(installFolder);
    // A file the user protected is not replaced, even where the file system
    // would let this program do it.
    const FoundFile found = findAt(destination);
    if (found.exists &&
        (found.attributes & protectingAttributes) != 0) {
        return quoted(entry.destinationName) + L"は書き換えられない属性になっています。属性を外してから再試行してください。";
    }
    if (isOpenElsewhere(destination)) {
        return quoted(entry.destinationName) +
               L"がほかのプログラムで使用中です。そのプログラムを終了してから再試行してください。";
    }
    return std::nullopt;
}

namespace {

constexpr wchar_t damagedOpening[] = L"「";
constexpr wchar_t damagedClosing[] = L"」が壊れています。パッチをもう一度ダウンロードしてください。";

// Where the settings' source name starts in the entry's full path.
std::size_t sourceNameStart(const PatchSession& session) { return session.programFolder.size() + 1; }

}  // namespace

void writeDamagedFileText(const PatchSession& session, const PatchFileEntry& entry, std::wstring& text) {
    text.assign(damagedOpening);
    text.append(entry.sourcePath, sourceNameStart(session), std::wstring::npos);
    text.append(damagedClosing);
}

std::size_t damagedFileTextLength(const PatchSession& session, const PatchFileEntry& entry) {
    return std::size(damagedOpening) - 1 + entry.sourcePath.size() - sourceNameStart(session) +
           std::size(damagedClosing) - 1;
}

std::optional<std::wstring> damagedFileRefusal(const PatchSession& session) {
    for (const PatchFileEntry& entry : session.files) {
        // A missing file, or one of 4 GiB or more, has no size here: neither
        // is what the table gives (the copy takes no file that large).
        if (entry.checked && (!entry.isCopied() || entry.size != entry.expectedSize)) {
            std::wstring text;
            writeDamagedFileText(session, entry, text);
            return text;
        }
    }
    return std::nullopt;
}

std::optional<std::wstring> roomRefusal(const PatchSession& session, FreeBytesQuery freeBytes) {
    return roomRefusalText(session.totalSize(), freeBytes(session.installFolder));
}

std::optional<std::wstring> firstStartRefusal(const PatchSession& session, FreeBytesQuery freeBytes) {
    if (auto refusal = gameRunningRefusal(session.installFolder, session.executableName)) {
        return refusal;
    }
    for (const PatchFileEntry& entry : session.files) {
        // A file not found beside the program is not copied.
        if (!entry.isCopied()) {
            continue;
        }
        if (auto refusal = destinationRefusal(session.installFolder, entry)) {
            return refusal;
        }
    }
    return roomRefusal(session, freeBytes);
}
