// Owners of handle kinds that only the tests use; the program's own owners
// are in shell/win32_owners.h.
#pragma once

#include <windows.h>

// Owns a module loaded by LoadLibraryEx (for instance another program's file,
// loaded as data to read its resources), released by FreeLibrary.
class LoadedModule {
public:
    explicit LoadedModule(HMODULE module) : module_(module) {}
    ~LoadedModule() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool valid() const { return module_ != nullptr; }
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

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
