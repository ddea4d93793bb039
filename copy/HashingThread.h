// The digest of a file the table names, worked out beside the copy rather
// than after each chunk: SHA-256 through the system costs more than reading
// and writing the same bytes, so the copy hands each chunk to a thread of
// its own and goes on writing it and reading the next while the chunk is
// hashed. Overlapped file I/O on the copy's thread would need no thread, but
// under Wine an overlapped read of a file on the disk completes inside
// ReadFile (measured: 64 reads of 4 MiB, each reported pending after doing
// its work), so nothing would overlap there.
#pragma once

#include <windows.h>

#include <cstddef>

#include "core/HandleOwners.h"
#include "core/Sha256.h"

// The calls of Sha256Stream, in the same order, from the copy's thread. A
// piece handed to update is hashed on the hashing thread: its bytes must stay
// as they are until the next call returns (update, finish, begin, or the
// owner's end), which waits for it; the copy alternates two buffers. The
// thread is started on the first begin; where it can't be, every piece is
// hashed in the call, as before. The dialog's thread never waits on it.
class HashingThread {
public:
    explicit HashingThread(Sha256Stream& hash);
    ~HashingThread();
    HashingThread(const HashingThread&) = delete;
    HashingThread& operator=(const HashingThread&) = delete;

    bool begin();
    // False when a piece handed before could not be hashed.
    bool update(const void* bytes, std::size_t size);
    // Waits for the last piece: false when any piece failed.
    bool finish(Sha256Digest& digest);

private:
    void start();
    void waitForPiece();
    static DWORD WINAPI hashPieces(void* self) noexcept;

    Sha256Stream& hash_;
    bool started_ = false;
    UniqueHandle thread_;
    UniqueHandle pieceReady_;  // auto-reset: one piece, or the stop, to take
    UniqueHandle pieceDone_;   // manual-reset: set while nothing is handed
    // Written by one thread while the other waits on an event: the event's
    // set and wait order the accesses.
    const void* bytes_ = nullptr;
    std::size_t size_ = 0;
    bool stop_ = false;
    bool failed_ = false;
};
