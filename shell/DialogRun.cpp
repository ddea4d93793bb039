#include "shell/DialogRun.h"

#include "resources/resource_ids.h"

int runDialogToTheEnd(PatchSession& session, HINSTANCE instance, DLGPROC procedure) {
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PATCH), nullptr, procedure, 0);

    // After a confirmed cancel the worker may still be in its last chunk, or
    // waiting for this thread to answer one of its window calls. The session
    // is torn down once the caller returns, so the worker must have let go of
    // it first.
    session.waitForWorkerToFinish();
    return static_cast<int>(result);
}
