// The shipped program's own POSIX thread calls (shell/SmallThreadRuntime.cpp),
// linked here as in the program: instead of the static thread library, so that
// the C++ runtime's exceptions run on them. No test framework: GoogleTest
// uses the thread library's other calls, which would bring it back.
//
// Each check runs its threads at once and fails loudly on what a wrong
// lock, once, key or last error would do; it prints what it found.
#include <pthread.h>
#include <windows.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int failures = 0;

void expect(bool holds, const char* check, const std::string& detail) {
    std::printf("%s %s: %s\n", holds ? "ok  " : "FAIL", check, detail.c_str());
    if (!holds) {
        ++failures;
    }
}

// Starts count threads on work(index) together and waits for all of them.
template <typename Work>
struct Start {
    Work* work;
    int index;
    HANDLE go;
};

template <typename Work>
DWORD WINAPI startWhenToldTo(void* parameter) {
    auto* start = static_cast<Start<Work>*>(parameter);
    WaitForSingleObject(start->go, INFINITE);
    (*start->work)(start->index);
    return 0;
}

template <typename Work>
void runTogether(int count, Work work) {
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<Start<Work>> starts(count);
    std::vector<HANDLE> threads;
    for (int i = 0; i < count; ++i) {
        starts[i] = {&work, i, go};
        threads.push_back(CreateThread(nullptr, 0, startWhenToldTo<Work>, &starts[i], 0, nullptr));
    }
    SetEvent(go);
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    for (HANDLE thread : threads) {
        CloseHandle(thread);
    }
    CloseHandle(go);
}

constexpr int threadCount = 4;

void mutexesExclude() {
    // The runtime's own mutexes are static, set to the initializer.
    static pthread_mutex_t staticMutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_t madeMutex;
    pthread_mutex_init(&madeMutex, nullptr);
    for (pthread_mutex_t* mutex : {&staticMutex, &madeMutex}) {
        constexpr int rounds = 20000;
        volatile long counter = 0;
        runTogether(threadCount, [&](int) {
            for (int i = 0; i < rounds; ++i) {
                pthread_mutex_lock(mutex);
                // A read and a write apart, with a switch between now and then:
                // without exclusion the other threads' increments are lost.
                const long seen = counter;
                if (i % 64 == 0) {
                    Sleep(0);
                }
                counter = seen + 1;
                pthread_mutex_unlock(mutex);
            }
        });
        expect(counter == threadCount * rounds, mutex == &staticMutex ? "static mutex" : "initialized mutex",
               std::to_string(counter) + " increments of " + std::to_string(threadCount * rounds));
    }
    pthread_mutex_destroy(&madeMutex);
}

pthread_once_t once = PTHREAD_ONCE_INIT;
volatile long onceRuns = 0;
volatile long onceFinished = 0;

void onceFunction() {
    InterlockedIncrement(&onceRuns);
    Sleep(100);
    onceFinished = 1;
}

void onceRunsOnceAndOthersWait() {
    volatile long sawUnfinished = 0;
    runTogether(threadCount, [&](int) {
        pthread_once(&once, onceFunction);
        if (onceFinished == 0) {
            InterlockedIncrement(&sawUnfinished);
        }
    });
    pthread_once(&once, onceFunction);
    expect(onceRuns == 1 && sawUnfinished == 0, "once",
           std::to_string(onceRuns) + " runs, " + std::to_string(sawUnfinished) + " callers back before it finished");
}

void* destroyedValues[threadCount + 1];
volatile long destructions = 0;

void recordDestruction(void* value) {
    destroyedValues[InterlockedIncrement(&destructions) - 1] = value;
}

void keysArePerThreadAndDestroyedAtThreadEnd() {
    pthread_key_t key;
    expect(pthread_key_create(&key, recordDestruction) == 0, "key made", "");
    int values[threadCount];
    volatile long mixedUp = 0;
    runTogether(threadCount, [&](int index) {
        if (pthread_getspecific(key) != nullptr) {
            InterlockedIncrement(&mixedUp);
        }
        // The last thread sets nothing: nothing to destroy for it.
        if (index == threadCount - 1) {
            return;
        }
        pthread_setspecific(key, &values[index]);
        Sleep(20);
        if (pthread_getspecific(key) != &values[index]) {
            InterlockedIncrement(&mixedUp);
        }
    });
    bool eachOnce = destructions == threadCount - 1;
    for (int i = 0; eachOnce && i < threadCount - 1; ++i) {
        int found = 0;
        for (int d = 0; d < destructions; ++d) {
            found += destroyedValues[d] == &values[i] ? 1 : 0;
        }
        eachOnce = found == 1;
    }
    expect(mixedUp == 0, "per-thread values", std::to_string(mixedUp) + " threads saw another's value");
    expect(eachOnce, "values destroyed at thread end",
           std::to_string(destructions) + " destructor calls for " + std::to_string(threadCount - 1) + " values");
}

void lastErrorSurvivesThrowAndCatch() {
    pthread_key_t key;
    pthread_key_create(&key, nullptr);
    SetLastError(ERROR_SHARING_VIOLATION);
    pthread_getspecific(key);
    expect(GetLastError() == ERROR_SHARING_VIOLATION, "last error kept by a per-thread read",
           std::to_string(GetLastError()));
    // As the program does: a failed call, a throw, and its last error read in the catch.
    DWORD inCatch = 0;
    try {
        SetLastError(ERROR_SHARING_VIOLATION);
        throw std::runtime_error("held");
    } catch (const std::exception&) {
        inCatch = GetLastError();
    }
    expect(inCatch == ERROR_SHARING_VIOLATION, "last error kept through throw and catch", std::to_string(inCatch));
}

struct Mark {
    int thread;
    int round;
};

void exceptionsOnSeveralThreads() {
    // Each thread's records of the exception in flight are its own: a caught
    // exception, its rethrow and a nested one in the catch stay the thread's.
    constexpr int rounds = 5000;
    volatile long wrong = 0;
    runTogether(threadCount, [&](int index) {
        for (int round = 0; round < rounds; ++round) {
            try {
                try {
                    throw Mark{index, round};
                } catch (const Mark&) {
                    if (round % 16 == 0) {
                        Sleep(0);
                    }
                    try {
                        throw std::runtime_error("nested");
                    } catch (const std::runtime_error&) {
                    }
                    if (std::uncaught_exceptions() != 0) {
                        InterlockedIncrement(&wrong);
                    }
                    throw;
                }
            } catch (const Mark& mark) {
                if (mark.thread != index || mark.round != round) {
                    InterlockedIncrement(&wrong);
                }
            }
            if (std::current_exception() != nullptr) {
                InterlockedIncrement(&wrong);
            }
        }
    });
    expect(wrong == 0, "exceptions on several threads at once",
           std::to_string(wrong) + " wrong catches of " + std::to_string(threadCount * rounds));
}

}  // namespace

int main() {
    mutexesExclude();
    onceRunsOnceAndOthersWait();
    keysArePerThreadAndDestroyedAtThreadEnd();
    lastErrorSurvivesThrowAndCatch();
    exceptionsOnSeveralThreads();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
