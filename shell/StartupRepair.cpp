#include "shell/StartupRepair.h"

#include "copy/RepairBox.h"

void repairInterruptedCopies(const std::wstring& recordsKey, const std::wstring& executableName) {
    repairWhenTheGameIsClosed(nullptr, recordsKey, executableName);
}
