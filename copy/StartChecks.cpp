#include "copy/StartChecks.h"

#include <windows.h>
#include <tlhelp32.h>

#include <iterator>

#include "copy/CopyPlan.h"
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
            return quotedName(executableName) + L"が実行中です。ゲームを終了してから再試行してください。";
        }
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

std::optional<std::wstring> firstStartRefusal(const PatchSession& session, FreeBytesQuery freeBytes) {
    if (auto refusal = gameRunningRefusal(session.installFolder, session.executableName)) {
        return refusal;
    }
    // A file not found beside the program is not copied, and has no place
    // in the plan.
    const CopyPlan plan = planCopy(session.installFolder, session.files);
    for (const PlannedFile& file : plan.files) {
        if (auto refusal = refusalBeforeWriting(plan.installFolder, file)) {
            return refusal;
        }
    }
    return roomRefusalText(plan.neededBytes, freeBytes(session.installFolder));
}
