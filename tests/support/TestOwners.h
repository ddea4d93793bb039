// Owners of handle kinds that only the tests use; the program's own owners
// are in core/HandleOwners.h.
#pragma once

#include <windows.h>

#include "core/HandleOwners.h"  // LoadedModule, which the program uses too

// A window the test made itself (a dialog from a template), destroyed by
// DestroyWindow on the test's thread.
using WindowOwner = Owner<HWND, &DestroyWindow>;

// Owns an activation context from CreateActCtx, released by ReleaseActCtx.
class ActivationContext {
public:
    explicit ActivationContext(HANDLE context) : context_(context) {}
    ~ActivationContext() {
        if (valid()) {
            ReleaseActCtx(context_);
        }
    }
    ActivationContext(const ActivationContext&) = delete;
    ActivationContext& operator=(const ActivationContext&) = delete;

    bool valid() const { return context_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return context_; }

private:
    HANDLE context_;
};
