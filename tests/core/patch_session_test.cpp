#include <windows.h>

#include <gtest/gtest.h>

#include "core/PatchSession.h"

namespace {

TEST(PatchSession, FreshRecordIsEmpty) {
    PatchSession session;
    EXPECT_TRUE(session.programFolder.empty());
    EXPECT_TRUE(session.installFolder.empty());
    EXPECT_TRUE(session.caption.empty());
    EXPECT_TRUE(session.statusText.empty());
    // Room for the failure text from the start: a copy that fails for want
    // of memory can still say so.
    EXPECT_GE(session.statusText.capacity(), std::wstring(copyFailedText).size());
    EXPECT_TRUE(session.files.empty());
    EXPECT_EQ(session.dialog, nullptr);
    EXPECT_FALSE(session.workerThread.valid());
    EXPECT_EQ(session.cancelRequested, 0);
    EXPECT_FALSE(session.isWorkerRunning());
    EXPECT_EQ(session.totalSize(), 0u);
}

TEST(PatchSession, OneCancelRequestIsTakenOnce) {
    PatchSession session;
    EXPECT_FALSE(session.takeCancelRequest());
    session.requestCancel();
    session.requestCancel();  // two requests before a test count as one
    EXPECT_TRUE(session.takeCancelRequest());
    EXPECT_FALSE(session.takeCancelRequest());
}

struct ThreadGate {
    UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

DWORD WINAPI waitAtGate(LPVOID parameter) {
    WaitForSingleObject(static_cast<ThreadGate*>(parameter)->release.get(), INFINITE);
    return 0;
}

TEST(PatchSession, WorkerRunsOnlyWhileItsThreadDoes) {
    PatchSession session;
    ThreadGate gate;
    EXPECT_FALSE(session.isWorkerRunning());
    session.workerThread.reset(CreateThread(nullptr, 0, waitAtGate, &gate, 0, &session.workerThreadId));
    ASSERT_TRUE(session.workerThread.valid());
    EXPECT_TRUE(session.isWorkerRunning());
    EXPECT_TRUE(session.isWorkerRunning());  // the test does not consume anything
    SetEvent(gate.release.get());
    ASSERT_EQ(WaitForSingleObject(session.workerThread.get(), 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(session.isWorkerRunning());
    // The handle is kept until teardown, even after the thread returned.
    EXPECT_TRUE(session.workerThread.valid());
}

struct SendingWorker {
    HWND target;
    LRESULT answer = 0;
};

DWORD WINAPI sendToWindow(LPVOID parameter) {
    auto* worker = static_cast<SendingWorker*>(parameter);
    worker->answer = SendMessageW(worker->target, WM_GETTEXTLENGTH, 0, 0);
    return 0;
}

// The wait on the way out must serve the worker's synchronous window calls;
// a plain wait would leave both threads waiting on each other.
TEST(PatchSession, WaitForWorkerServesItsWindowCalls) {
    PatchSession session;
    HWND window = CreateWindowExW(0, L"STATIC", L"12345", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SendingWorker worker{window};
    session.workerThread.reset(CreateThread(nullptr, 0, sendToWindow, &worker, 0, &session.workerThreadId));
    ASSERT_TRUE(session.workerThread.valid());
    session.waitForWorkerToFinish();
    EXPECT_FALSE(session.isWorkerRunning());
    EXPECT_EQ(worker.answer, 5);
    DestroyWindow(window);
}

TEST(PatchSession, WaitForWorkerWithoutWorkerReturnsAtOnce) {
    PatchSession session;
    session.waitForWorkerToFinish();
    EXPECT_FALSE(session.isWorkerRunning());
}

TEST(PatchSession, TotalSizeSkipsEntriesWithoutSize) {
    PatchSession session;
    session.files = {
        {L"a", L"a", 100},
        {L"b", L"b", noSizeMarker},
        {L"c", L"c", 0},
        {L"d", L"d", 23},
    };
    EXPECT_EQ(session.totalSize(), 123u);

    session.files = {{L"x", L"x", noSizeMarker}, {L"y", L"y", noSizeMarker}};
    EXPECT_EQ(session.totalSize(), 0u);
}

TEST(PatchSession, TotalSizeBeyondFourGigabytesDoesNotWrap) {
    PatchSession session;
    session.files = {{L"a", L"a", 0xFFFFFFFEu}, {L"b", L"b", 0xFFFFFFFEu}};
    EXPECT_EQ(session.totalSize(), 2ull * 0xFFFFFFFEu);
}

TEST(PatchFileEntry, DestinationPathJoinsWithExactlyOneBackslash) {
    const PatchFileEntry entry{L"C:\\Patch\\a.txt", L"a.txt", 1};
    EXPECT_EQ(entry.destinationPath(L"C:\\Game"), L"C:\\Game\\a.txt");
    EXPECT_EQ(entry.destinationPath(L"C:\\"), L"C:\\\\a.txt");
    EXPECT_EQ(entry.destinationPath(L""), L"\\a.txt");
    const PatchFileEntry nested{L"x", L"data\\ソ.dat", 1};
    EXPECT_EQ(nested.destinationPath(L"D:\\表"), L"D:\\表\\data\\ソ.dat");
}

}  // namespace
