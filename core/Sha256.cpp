#include "core/Sha256.h"

#include <windows.h>

#include <bcrypt.h>

#include "core/HandleOwners.h"

namespace {

using OpenAlgorithmCall = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using CloseAlgorithmCall = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using CreateHashCall = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
using HashDataCall = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using FinishHashCall = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using DestroyHashCall = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);

template <typename Call>
Call entryOf(HMODULE module, const char* name) {
    // Cast through a plain function type: the signatures differ.
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// One hash at a time: the library, the algorithm and the hash object, each
// released in turn.
class Hasher {
public:
    Hasher() {
        wchar_t path[MAX_PATH + 16];
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            return;
        }
        lstrcatW(path, L"\\bcrypt.dll");
        library_ = LoadLibraryW(path);
        if (library_ == nullptr) {
            return;
        }
        const auto open = entryOf<OpenAlgorithmCall>(library_, "BCryptOpenAlgorithmProvider");
        const auto create = entryOf<CreateHashCall>(library_, "BCryptCreateHash");
        hashData_ = entryOf<HashDataCall>(library_, "BCryptHashData");
        finish_ = entryOf<FinishHashCall>(library_, "BCryptFinishHash");
        destroy_ = entryOf<DestroyHashCall>(library_, "BCryptDestroyHash");
        closeAlgorithm_ = entryOf<CloseAlgorithmCall>(library_, "BCryptCloseAlgorithmProvider");
        if (open == nullptr || create == nullptr || hashData_ == nullptr || finish_ == nullptr ||
            destroy_ == nullptr || closeAlgorithm_ == nullptr) {
            return;
        }
        if (open(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
            algorithm_ = nullptr;
            return;
        }
        if (create(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0) != 0) {
            hash_ = nullptr;
        }
    }
    ~Hasher() {
        if (hash_ != nullptr) {
            destroy_(hash_);
        }
        if (algorithm_ != nullptr) {
            closeAlgorithm_(algorithm_, 0);
        }
        if (library_ != nullptr) {
            FreeLibrary(library_);
        }
    }
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    bool ready() const { return hash_ != nullptr; }
    bool add(const void* bytes, ULONG size) {
        return hashData_(hash_, static_cast<PUCHAR>(const_cast<void*>(bytes)), size, 0) == 0;
    }
    bool finish(Sha256Digest& digest) { return finish_(hash_, digest.data(), digest.size(), 0) == 0; }

private:
    HMODULE library_ = nullptr;
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    HashDataCall hashData_ = nullptr;
    FinishHashCall finish_ = nullptr;
    DestroyHashCall destroy_ = nullptr;
    CloseAlgorithmCall closeAlgorithm_ = nullptr;
};

}  // namespace

bool sha256OfBytes(const void* bytes, std::size_t size, Sha256Digest& digest) {
    Hasher hasher;
    if (!hasher.ready() || size > 0xFFFFFFFFu) {
        return false;
    }
    return hasher.add(bytes, static_cast<ULONG>(size)) && hasher.finish(digest);
}

bool sha256OfFile(const std::wstring& path, Sha256Digest& digest) {
    Hasher hasher;
    if (!hasher.ready()) {
        return false;
    }
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        return false;
    }
    static constexpr DWORD bufferSize = 64 * 1024;
    // On the heap: the program's stack stays small.
    const GlobalBlock buffer(GlobalAlloc(GMEM_FIXED, bufferSize));
    if (!buffer.valid()) {
        return false;
    }
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.bytes(), bufferSize, &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return hasher.finish(digest);
        }
        if (!hasher.add(buffer.bytes(), read)) {
            return false;
        }
    }
}

std::wstring hexOf(const Sha256Digest& digest) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    for (const std::uint8_t byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}
