#include "copy/HashingThread.h"

HashingThread::HashingThread(Sha256Stream& hash) : hash_(hash) {}

HashingThread::~HashingThread() {
    if (!thread_.valid()) {
        return;
    }
    waitForPiece();
    stop_ = true;
    SetEvent(pieceReady_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
}

void HashingThread::start() {
    started_ = true;
    pieceReady_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    pieceDone_.reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (!pieceReady_.valid() || !pieceDone_.valid()) {
        return;
    }
    // Its stack is only reserved: BCrypt's calls are all it runs.
    thread_.reset(CreateThread(nullptr, 64 * 1024, hashPieces, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
}

// Runs nothing that throws (the system's hash calls and events only), so no
// exception can leave the thread.
DWORD WINAPI HashingThread::hashPieces(void* self) noexcept {
    HashingThread& owner = *static_cast<HashingThread*>(self);
    for (;;) {
        WaitForSingleObject(owner.pieceReady_.get(), INFINITE);
        if (owner.stop_) {
            return 0;
        }
        if (!owner.hash_.update(owner.bytes_, owner.size_)) {
            owner.failed_ = true;
        }
        SetEvent(owner.pieceDone_.get());
    }
}

void HashingThread::waitForPiece() {
    if (thread_.valid()) {
        WaitForSingleObject(pieceDone_.get(), INFINITE);
    }
}

bool HashingThread::begin() {
    if (!started_) {
        start();
    }
    waitForPiece();
    failed_ = false;
    return hash_.begin();
}

bool HashingThread::update(const void* bytes, std::size_t size) {
    if (!thread_.valid()) {
        return hash_.update(bytes, size);
    }
    waitForPiece();
    if (failed_) {
        return false;
    }
    bytes_ = bytes;
    size_ = size;
    ResetEvent(pieceDone_.get());
    SetEvent(pieceReady_.get());
    return true;
}

bool HashingThread::finish(Sha256Digest& digest) {
    waitForPiece();
    return !failed_ && hash_.finish(digest);
}
