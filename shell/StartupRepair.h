// What the start does with the records that stopped copies left, before the
// dialog opens.
#pragma once

#include <string>

// Repairs every folder a stopped copy recorded under `recordsKey` (below
// HKEY_LOCAL_MACHINE), whatever folder it used, each once the game
// (`executableName`) no longer runs from it, and tells the player in boxes
// with no owner: the game running (retry box), the folder put back, the copy
// completed, a file in the way, or a record left alone because it can't be
// followed (the box names it). Without a record nothing is shown.
void repairInterruptedCopies(const std::wstring& recordsKey, const std::wstring& executableName);
