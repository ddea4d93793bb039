// Replaces the global allocation functions of the test executable that links
// failing_allocation.cpp, so that a test can make memory run out on cue.
#pragma once

// The next `count` allocations succeed; the one after and every later one
// throw std::bad_alloc, until stopFailingAllocations().
void failAllocationsAfter(long count);
// The same for the calling thread's allocations alone: other threads (a
// test's window, served while a worker thread runs) allocate as usual.
void failAllocationsOnThisThreadAfter(long count);
// Ends both, the latter for the calling thread.
void stopFailingAllocations();

// Whether an allocation has been refused since failAllocationsAfter().
bool anAllocationFailed();
