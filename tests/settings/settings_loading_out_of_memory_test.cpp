// Memory running out at any point while the settings load: the load never
// reports ready settings, and nothing escapes as an exception. Runs as its own executable,
// since it replaces the global allocation functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "settings/SettingsLoading.h"
#include "tests/settings/TestGameKey.h"
#include "tests/support/TempFolder.h"

namespace {

// Allocations left before the next one fails (and every one after it);
// negative: never fail.
long allocationsBeforeFailure = -1;
bool allocationFailed = false;

}  // namespace

void* operator new(std::size_t size) {
    if (allocationsBeforeFailure == 0) {
        allocationFailed = true;
        throw std::bad_alloc();
    }
    if (allocationsBeforeFailure > 0) {
        --allocationsBeforeFailure;
    }
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

namespace {

// Fails the first, second, ... allocation of one load until a load gets
// through. Before that, every load must fail: settings unusable, or the game
// not installed when it is the registry value that found no memory.
void expectEveryFailureReported(const std::string& commandLine, int completeResult) {
    for (long failAt = 0;; ++failAt) {
        ASSERT_LT(failAt, 10000) << "no load got through";
        PatchSession session;
        int result = 0;
        allocationFailed = false;
        allocationsBeforeFailure = failAt;
        try {
            result = loadSettingsFrom(session, GetModuleHandleA(nullptr), commandLine.c_str());
        } catch (...) {
            allocationsBeforeFailure = -1;
            FAIL() << "exception escaped at failing allocation " << failAt;
        }
        allocationsBeforeFailure = -1;
        if (!allocationFailed) {
            EXPECT_EQ(result, completeResult);
            EXPECT_GT(failAt, 1) << "the load made no allocation to fail";
            return;
        }
        EXPECT_TRUE(result == settingsUnusable || result == gameNotInstalled)
            << "result " << result << " at failing allocation " << failAt;
    }
}

TEST(SettingsLoadingOutOfMemory, SettingsFile) {
    TempFolder folder;
    TestGameKey game;
    game.setPath("C:\\Game");
    folder.write("update.inf", "タイトル," + game.title() + "\r\n社名," + game.company() +
                                   "\r\nファイル,a.dat\r\nファイル,b.dat,c.dat\r\n");
    expectEveryFailureReported("\"" + folder.file("update.exe") + "\"", settingsReady);
}

TEST(SettingsLoadingOutOfMemory, EmbeddedSettings) {
    TempFolder folder;
    const std::string commandLine = "\"" + folder.file("update.exe") + "\"";
    PatchSession session;
    const int complete = loadSettingsFrom(session, GetModuleHandleA(nullptr), commandLine.c_str());
    ASSERT_NE(complete, settingsUnusable);
    expectEveryFailureReported(commandLine, complete);
}

}  // namespace
