// The few POSIX thread calls that the static C++ runtime of this compiler
// makes, for the shipped program only, on Windows' own primitives.
//
// The compiler's runtime (exception allocation, the unwinder's frame table,
// the per-thread exception records) locks and keeps per-thread data through
// pthread_mutex_*, pthread_once and pthread_key_*. Linking those from the
// static winpthreads library brings in its whole thread layer (threads,
// condition variables, read-write locks, its own thread-exit callback):
// about 31 KB of the program, which creates its one worker thread with
// CreateThread and uses none of it. Defining here every function the runtime
// calls keeps that library out of the link; a call to any other of its
// functions would bring a member back and stop the link on the duplicates.
//
// What the runtime asks of them, and how it is met:
// - a mutex is a pointer-sized value set to PTHREAD_MUTEX_INITIALIZER (-1)
//   by static initialization, or by pthread_mutex_init; it is used here as a
//   slim reader/writer lock in place, whose unlocked state is 0 (the runtime
//   never asks for a recursive mutex: that takes mutex attributes, which are
//   not defined here);
// - pthread_once runs its function exactly once; a second caller waits until
//   the first has finished it;
// - a key's destructor runs for a thread's value when the thread ends (the
//   runtime frees each thread's exception record so): fiber-local storage
//   calls back at thread exit, one callback per key;
// - pthread_getspecific leaves the thread's last error as it was: the
//   runtime reads its per-thread data inside a throw or a catch, between a
//   failing system call and the program's GetLastError.
#include <errno.h>
#include <pthread.h>
#include <windows.h>

namespace {

static_assert(sizeof(pthread_mutex_t) == sizeof(SRWLOCK));

SRWLOCK* slimLockOf(pthread_mutex_t* mutex) {
    // A mutex still in its static initial state becomes an unlocked slim lock;
    // one already in use is left as it is.
    InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(mutex), nullptr,
                                      reinterpret_cast<PVOID>(PTHREAD_MUTEX_INITIALIZER));
    return reinterpret_cast<SRWLOCK*>(mutex);
}

enum : LONG { onceNotRun = PTHREAD_ONCE_INIT, onceRunning = 1, onceDone = 2 };

// The runtime makes one key; a few spare ones cost nothing.
constexpr unsigned keyCapacity = 4;
void (*keyDestructors[keyCapacity])(void*);
DWORD keySlots[keyCapacity];
volatile LONG keysMade = 0;

template <unsigned Key>
void WINAPI endOfThreadValue(void* value) {
    if (value != nullptr && keyDestructors[Key] != nullptr) {
        keyDestructors[Key](value);
    }
}

constexpr PFLS_CALLBACK_FUNCTION endOfThreadCallbacks[keyCapacity] = {
    endOfThreadValue<0>, endOfThreadValue<1>, endOfThreadValue<2>, endOfThreadValue<3>};

}  // namespace

extern "C" {

int pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t*) {
    *mutex = 0;
    return 0;
}

int pthread_mutex_destroy(pthread_mutex_t*) {
    return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
    AcquireSRWLockExclusive(slimLockOf(mutex));
    return 0;
}

int pthread_mutex_unlock(pthread_mutex_t* mutex) {
    ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(mutex));
    return 0;
}

int pthread_once(pthread_once_t* once, void (*function)(void)) {
    volatile LONG* state = once;
    if (InterlockedCompareExchange(state, onceDone, onceDone) == onceDone) {
        return 0;
    }
    if (InterlockedCompareExchange(state, onceRunning, onceNotRun) == onceNotRun) {
        function();
        InterlockedExchange(state, onceDone);
        return 0;
    }
    while (InterlockedCompareExchange(state, onceDone, onceDone) != onceDone) {
        Sleep(0);
    }
    return 0;
}

int pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
    const LONG index = InterlockedIncrement(&keysMade) - 1;
    if (index >= static_cast<LONG>(keyCapacity)) {
        return EAGAIN;
    }
    keyDestructors[index] = destructor;
    const DWORD slot = FlsAlloc(endOfThreadCallbacks[index]);
    if (slot == FLS_OUT_OF_INDEXES) {
        return EAGAIN;
    }
    keySlots[index] = slot;
    *key = static_cast<pthread_key_t>(index);
    return 0;
}

void* pthread_getspecific(pthread_key_t key) {
    const DWORD lastError = GetLastError();
    void* value = FlsGetValue(keySlots[key]);
    SetLastError(lastError);
    return value;
}

int pthread_setspecific(pthread_key_t key, const void* value) {
    return FlsSetValue(keySlots[key], const_cast<void*>(value)) ? 0 : ENOMEM;
}

}  // extern "C"
