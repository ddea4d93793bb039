#include "copy/StagedFlush.h"

#include <algorithm>

bool StagedFlush::hold(UniqueHandle file) {
    held_[count_++] = file.release();
    return count_ < groupSize || flushHeld();
}

// Takes the next file of the group until none is left. Runs nothing that
// throws, so no exception can leave a thread.
DWORD WINAPI StagedFlush::flushSome(void* self) noexcept {
    StagedFlush& owner = *static_cast<StagedFlush*>(self);
    for (std::size_t index = owner.next_++; index < owner.count_; index = owner.next_++) {
        if (!owner.flushFile_(owner.held_[index])) {
            owner.failed_ = true;
        }
    }
    return 0;
}

bool StagedFlush::flushHeld() {
    next_ = 0;
    failed_ = false;
    // This thread flushes too; a helper that can't be started leaves its
    // share to the others.
    std::array<UniqueHandle, threadCount - 1> helpers;
    const std::size_t wanted = std::min<std::size_t>(threadCount - 1, count_ > 0 ? count_ - 1 : 0);
    for (std::size_t i = 0; i < wanted; ++i) {
        // Its stack is only reserved: a flush is all it runs.
        helpers[i].reset(CreateThread(nullptr, 64 * 1024, flushSome, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    }
    flushSome(this);
    for (UniqueHandle& helper : helpers) {
        if (helper.valid()) {
            WaitForSingleObject(helper.get(), INFINITE);
        }
    }
    const bool flushed = !failed_;
    closeHeld();
    return flushed;
}

void StagedFlush::closeHeld() {
    for (std::size_t i = 0; i < count_; ++i) {
        CloseHandle(held_[i]);
    }
    count_ = 0;
}
