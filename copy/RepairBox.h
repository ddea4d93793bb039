// What the player is told of a stopped run's repair, at the start and when
// Run meets a folder a stopped run left behind.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "copy/CopyTransaction.h"

// One box per repair that did something or found something in the way,
// owned by `owner` (none before the dialog exists): one that could not
// finish names the file in the way and what to do. Nothing for a run that
// had changed nothing, nor for one postponed (the player chose that).
void showRepairBoxes(HWND owner, const std::vector<RunRepair>& repairs);

// Repairs the stopped runs under `recordsKey` (only those of `onlyFolder`,
// however its text is spelled, when it is given), each once the game no
// longer runs from its folder: until then the retry box of Run's checks,
// where キャンセル leaves that run for later (postponed). Then the boxes of
// showRepairBoxes, owned by `owner`.
std::vector<RunRepair> repairWhenTheGameIsClosed(HWND owner, const std::wstring& recordsKey,
                                                 const std::wstring& executableName,
                                                 const std::wstring* onlyFolder = nullptr);

// Whether every repair left its folder as a copy may start from.
bool repairsLetTheCopyStart(const std::vector<RunRepair>& repairs);

// What Run says when a stopped run in the folder could not be repaired.
inline constexpr wchar_t unrepairedRunText[] =
    L"前回のコピーが途中で終わったままのため、コピーを始められません。";
