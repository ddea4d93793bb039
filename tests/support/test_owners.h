// Owners of handle kinds that only the tests use; the program's own owners
// are in shell/win32_owners.h.
#pragma once

#include <windows.h>

#include "shell/win32_owners.h"  // LoadedModule, which the program uses too

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
