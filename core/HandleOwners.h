// Owners of Win32 handles, so that every path out of a function releases
// what it opened without a CloseHandle in each branch: one template for the
// handles a single call releases, and the critical section, its lock and the
// COM apartment, which need more than a release.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

// Owns one handle of type Handle, released by `releaseCall` when the owner goes
// or takes another. Null is "no handle"; so is `alsoEmpty` where the call that
// opens such handles reports failure with another value (-1, the value of
// INVALID_HANDLE_VALUE, for CreateFileW and FindFirstFileW).
template <typename Handle, auto releaseCall, std::intptr_t alsoEmpty = 0>
class Owner {
public:
    Owner() = default;
    explicit Owner(Handle handle) : handle_(handle) {}
    ~Owner() { reset(); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : handle_(other.release()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    bool valid() const {
        return handle_ != Handle{} && reinterpret_cast<std::intptr_t>(handle_) != alsoEmpty;
    }
    Handle get() const { return handle_; }
    Handle release() { return std::exchange(handle_, Handle{}); }
    void reset(Handle handle = Handle{}) {
        if (valid()) {
            releaseCall(handle_);
        }
        handle_ = handle;
    }
    // For the out parameter of an opening call; only on an owner holding
    // nothing.
    Handle* receive() { return &handle_; }

private:
    Handle handle_ = Handle{};
};

// A kernel handle, closed by CloseHandle. CreateFileW reports failure with
// INVALID_HANDLE_VALUE, most other calls with null: both count as "no handle".
using UniqueHandle = Owner<HANDLE, &CloseHandle, -1>;

// A module loaded by LoadLibrary or LoadLibraryEx (a library the program
// loads itself, or another program's file loaded as data to read its
// resources), released by FreeLibrary.
using LoadedModule = Owner<HMODULE, &FreeLibrary>;

// A search handle from FindFirstFileW, closed by FindClose.
using FindHandle = Owner<HANDLE, &FindClose, -1>;

// An open registry key, closed by RegCloseKey.
using RegistryKey = Owner<HKEY, &RegCloseKey>;

// A memory device context (for measuring text without a window), deleted by
// DeleteDC, and a font made for it, deleted by DeleteObject once it is no
// longer selected.
using MemoryDc = Owner<HDC, &DeleteDC>;
using FontHandle = Owner<HFONT, &DeleteObject>;

// Memory handed out by the COM task allocator (such as a shell item list),
// released by CoTaskMemFree.
template <typename T>
using TaskMemory = Owner<T*, &CoTaskMemFree>;

// A GlobalAlloc block, released by GlobalFree.
class GlobalBlock : public Owner<HGLOBAL, &GlobalFree> {
public:
    using Owner::Owner;
    // GMEM_FIXED blocks: the handle is the address.
    unsigned char* bytes() const { return static_cast<unsigned char*>(get()); }
};

// A critical section that lives exactly as long as its owner.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter() { EnterCriticalSection(&section_); }
    void leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// Holds a critical section for one scope.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& section) : section_(section) { section_.enter(); }
    ~CriticalSectionLock() { section_.leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& section_;
};

// COM on the calling thread for one scope, apartment-threaded as the shell's
// own dialogs require. Uninitialised only when this scope's call succeeded
// (S_FALSE, "already initialised", also counts and is paired).
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};
