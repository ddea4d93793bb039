#include "core/Sha256.h"

#include "core/DllDefence.h"
#include "core/HandleOwners.h"

namespace {

using OpenAlgorithmCall = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);

template <typename Call>
Call entryOf(HMODULE module, const char* name) {
    // Cast through a plain function type: the signatures differ.
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

Sha256Stream::Sha256Stream() = default;

void Sha256Stream::openAlgorithm() {
    opened_ = true;
    library_ = loadSystemLibrary(L"bcrypt.dll");
    if (library_ == nullptr) {
        return;
    }
    const auto open = entryOf<OpenAlgorithmCall>(library_, "BCryptOpenAlgorithmProvider");
    createHash_ = entryOf<CreateHashCall>(library_, "BCryptCreateHash");
    hashData_ = entryOf<HashDataCall>(library_, "BCryptHashData");
    finishHash_ = entryOf<FinishHashCall>(library_, "BCryptFinishHash");
    destroyHash_ = entryOf<DestroyHashCall>(library_, "BCryptDestroyHash");
    closeAlgorithm_ = entryOf<CloseAlgorithmCall>(library_, "BCryptCloseAlgorithmProvider");
    if (open == nullptr || createHash_ == nullptr || hashData_ == nullptr || finishHash_ == nullptr ||
        destroyHash_ == nullptr || closeAlgorithm_ == nullptr) {
        return;
    }
    if (open(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
        algorithm_ = nullptr;
    }
}

Sha256Stream::~Sha256Stream() {
    dropHash();
    if (algorithm_ != nullptr) {
        closeAlgorithm_(algorithm_, 0);
    }
    if (library_ != nullptr) {
        FreeLibrary(library_);
    }
}

void Sha256Stream::dropHash() {
    if (hash_ != nullptr) {
        destroyHash_(hash_);
        hash_ = nullptr;
    }
}

bool Sha256Stream::begin() {
    dropHash();
    if (!opened_) {
        openAlgorithm();
    }
    if (algorithm_ == nullptr) {
        return false;
    }
    // The system keeps the hash's state itself: no buffer of ours.
    if (createHash_(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0) != 0) {
        hash_ = nullptr;
        return false;
    }
    return true;
}

bool Sha256Stream::update(const void* bytes, std::size_t size) {
    if (hash_ == nullptr) {
        return false;
    }
    auto* next = static_cast<PUCHAR>(const_cast<void*>(bytes));
    // The system takes at most 32 bits of length a call.
    while (size > 0) {
        const ULONG piece = size > 0x80000000u ? 0x80000000u : static_cast<ULONG>(size);
        if (hashData_(hash_, next, piece, 0) != 0) {
            dropHash();
            return false;
        }
        next += piece;
        size -= piece;
    }
    return true;
}

bool Sha256Stream::finish(Sha256Digest& digest) {
    if (hash_ == nullptr) {
        return false;
    }
    const bool finished = finishHash_(hash_, digest.data(), digest.size(), 0) == 0;
    dropHash();
    return finished;
}

bool sha256OfBytes(const void* bytes, std::size_t size, Sha256Digest& digest) {
    Sha256Stream hash;
    return hash.begin() && hash.update(bytes, size) && hash.finish(digest);
}

bool sha256OfFile(const std::wstring& path, Sha256Digest& digest) {
    Sha256Stream hash;
    if (!hash.begin()) {
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
            return hash.finish(digest);
        }
        if (!hash.update(buffer.bytes(), read)) {
            return false;
        }
    }
}
