// What the start does with a journal that a stopped copy left in the install
// folder, before the dialog opens.
#pragma once

#include <string>

// Repairs the folder from its journal and tells the player in a box with no
// owner: the folder put back, the copy completed, or a journal left alone
// because it can't be followed (the box names it). A folder without a journal
// shows nothing.
void repairInterruptedCopy(const std::wstring& installFolder);
