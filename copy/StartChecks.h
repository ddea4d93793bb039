// The checks made when Run is pressed, before anything is written: whatever
// would make the copy fail half way, or replace the files of a running game,
// is found here and told to the player, who can put it right and try again.
// Each check gives the text of its box, or nothing when all is well.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "core/FileProbe.h"
#include "core/PatchFileEntry.h"

class PatchSession;

// How a process found running is opened to read its image path: OpenProcess,
// or a test's stand-in.
using ProcessOpener = HANDLE(WINAPI*)(DWORD access, BOOL inherit, DWORD processId);

// "「<executable>」が実行中です。…" when a process runs the game's executable
// from the install folder, or one of its name can't be opened to tell (it
// may be the game, run by another user). Nothing when the settings name no
// executable.
std::optional<std::wstring> gameRunningRefusal(const std::wstring& installFolder, const std::wstring& executableName,
                                               ProcessOpener openProcess = OpenProcess);

// "「<source>」が壊れています。…": the text of a damaged file, named as the
// settings name its source, written into `text`. It allocates nothing when
// `text` has the room (damagedFileTextLength), so the copy can tell it once
// it has started.
void writeDamagedFileText(const PatchSession& session, const PatchFileEntry& entry, std::wstring& text);
std::size_t damagedFileTextLength(const PatchSession& session, const PatchFileEntry& entry);

// For the first listed file the table of digests names that was missing
// beside the program at load, or of another size than the table gives: the
// download is damaged, and no retry mends it.
std::optional<std::wstring> damagedFileRefusal(const PatchSession& session);

// How the free bytes of the install folder's drive are asked.
using FreeBytesQuery = std::optional<std::uint64_t> (*)(const std::wstring& folder);

// The first reason not to start: the game runs; then, file by file of the
// copy's plan (copy/CopyPlan.h), what must hold before writing; then the
// room the plan needs.
std::optional<std::wstring> firstStartRefusal(const PatchSession& session, FreeBytesQuery freeBytes = freeBytesFor);

// Shows each refusal `check()` gives in the retry box, until it gives none
// (true) or the player cancels (false; so does a box that could not be
// shown).
template <typename Check>
bool retryWhileRefused(HWND owner, Check check) {
    for (auto refusal = check(); refusal; refusal = check()) {
        if (MessageBoxW(owner, refusal->c_str(), L"error", MB_RETRYCANCEL) != IDRETRY) {
            return false;
        }
    }
    return true;
}
