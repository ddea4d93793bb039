#include "shell/StartupRepair.h"

#include "copy/RepairBox.h"

void repairInterruptedCopies(const std::wstring& recordsKey) {
    showRepairBoxes(nullptr, repairStoppedRuns(recordsKey));
}
