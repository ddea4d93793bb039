// The patch dialog's run, from its start to the moment the session may be
// torn down.
#pragma once

#include <windows.h>

#include "core/PatchSession.h"

// Runs the IDD_PATCH dialog of `instance` modally, with no owner, and returns
// its end code (DialogBoxParamW's failure value when it can't be created).
// Returns only once no worker is left that could still touch `session`.
int runDialogToTheEnd(PatchSession& session, HINSTANCE instance, DLGPROC procedure);
