#include "tests/support/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Allocations left before the next one fails; negative: never fail.
long allocationsBeforeFailure = -1;
thread_local long allocationsOnThisThreadBeforeFailure = -1;
std::atomic<bool> allocationFailed = false;

void countDown(long& allocationsLeft) {
    if (allocationsLeft > 0) {
        --allocationsLeft;
    }
}

}  // namespace

void failAllocationsAfter(long count) {
    allocationFailed = false;
    allocationsBeforeFailure = count;
}

void failAllocationsOnThisThreadAfter(long count) {
    allocationFailed = false;
    allocationsOnThisThreadBeforeFailure = count;
}

void stopFailingAllocations() {
    allocationsBeforeFailure = -1;
    allocationsOnThisThreadBeforeFailure = -1;
}

bool anAllocationFailed() { return allocationFailed; }

void* operator new(std::size_t size) {
    if (allocationsBeforeFailure == 0 || allocationsOnThisThreadBeforeFailure == 0) {
        allocationFailed = true;
        throw std::bad_alloc();
    }
    countDown(allocationsBeforeFailure);
    countDown(allocationsOnThisThreadBeforeFailure);
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
