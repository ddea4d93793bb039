// What the player is told of a stopped run's repair, at the start and when
// Run meets a folder a stopped run left behind.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "copy/CopyTransaction.h"

// One box per repair that did something or found something in the way,
// owned by `owner` (none before the dialog exists). A run left whole shows
// nothing here (the repair failed, or there was nothing to do).
void showRepairBoxes(HWND owner, const std::vector<RunRepair>& repairs);

// Whether every repair left its folder as a copy may start from.
bool repairsLetTheCopyStart(const std::vector<RunRepair>& repairs);

// What Run says when a stopped run in the folder could not be repaired.
inline constexpr wchar_t unrepairedRunText[] =
    L"前回のコピーが途中で終わったままのため、コピーを始められません。";
