// SHA-256 through the system's BCrypt, so that a publisher can compare what
// was written with what reaches the player, and the copy can check each file
// on its own pass over the bytes. bcrypt.dll is no known DLL: it is loaded by
// its full path from the system folder, never imported.
#pragma once

#include <windows.h>

#include <bcrypt.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using Sha256Digest = std::array<std::uint8_t, 32>;

// One digest at a time, fed in pieces: begin, any number of updates, finish.
// The library and the algorithm are opened once, on the first begin (a copy
// with nothing to check never loads them); each begin starts a new hash (a finished one can't be reused on every
// Windows). Every call returns false when the system offers no SHA-256 or a
// step fails; update and finish also after a begin that failed.
class Sha256Stream {
public:
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    bool begin();
    bool update(const void* bytes, std::size_t size);
    bool finish(Sha256Digest& digest);

private:
    void openAlgorithm();
    void dropHash();

    bool opened_ = false;
    using CreateHashCall = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG,
                                             ULONG);
    using HashDataCall = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
    using FinishHashCall = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
    using DestroyHashCall = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);
    using CloseAlgorithmCall = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);

    HMODULE library_ = nullptr;
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    CreateHashCall createHash_ = nullptr;
    HashDataCall hashData_ = nullptr;
    FinishHashCall finishHash_ = nullptr;
    DestroyHashCall destroyHash_ = nullptr;
    CloseAlgorithmCall closeAlgorithm_ = nullptr;
};

// False when the system offers no SHA-256 or the file can't be read whole.
bool sha256OfFile(const std::wstring& path, Sha256Digest& digest);
bool sha256OfBytes(const void* bytes, std::size_t size, Sha256Digest& digest);
