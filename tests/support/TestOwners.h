// Owners of handle kinds that only the tests use; the program's own owners
// are in core/HandleOwners.h.
#pragma once

#include <windows.h>

#include "core/HandleOwners.h"  // LoadedModule, which the program uses too

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
