// One small owner per kind of Win32 handle, so that every path out of a
// function releases what it opened without a CloseHandle in each branch.
#pragma once

#include <windows.h>

#include <utility>

// Owns a kernel handle closed by CloseHandle. CreateFileA reports failure with
// INVALID_HANDLE_VALUE, most other calls with null: both count as "no handle".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() { return std::exchange(handle_, nullptr); }
    void reset(HANDLE handle = nullptr) {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// Owns a module loaded by LoadLibrary or LoadLibraryEx (a library the program
// loads itself, or another program's file loaded as data to read its
// resources), released by FreeLibrary.
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

// Owns a search handle from FindFirstFileA, closed by FindClose.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (valid()) {
            FindClose(handle_);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Owns an open registry key, closed by RegCloseKey.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY get() const { return key_; }
    // For the out parameter of RegOpenKeyExA; only on a key not yet open.
    HKEY* receive() { return &key_; }

private:
    HKEY key_ = nullptr;
};

// Owns a GlobalAlloc block, released by GlobalFree.
class GlobalBlock {
public:
    explicit GlobalBlock(HGLOBAL block) : block_(block) {}
    ~GlobalBlock() {
        if (block_ != nullptr) {
            GlobalFree(block_);
        }
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    bool valid() const { return block_ != nullptr; }
    // GMEM_FIXED blocks: the handle is the address.
    unsigned char* bytes() const { return static_cast<unsigned char*>(block_); }

private:
    HGLOBAL block_;
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

// Owns memory handed out by the COM task allocator (such as a shell item
// list), released by CoTaskMemFree.
template <typename T>
class TaskMemory {
public:
    explicit TaskMemory(T* memory) : memory_(memory) {}
    ~TaskMemory() { CoTaskMemFree(memory_); }
    TaskMemory(const TaskMemory&) = delete;
    TaskMemory& operator=(const TaskMemory&) = delete;

    bool valid() const { return memory_ != nullptr; }
    T* get() const { return memory_; }

private:
    T* memory_;
};
