// Memory running out at any point while the settings load: the load never
// reports ready settings, and nothing escapes as an exception. Runs as its own executable,
// since it replaces the global allocation functions (failing_allocation.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "settings/SettingsLoading.h"
#include "tests/settings/TestGameKey.h"
#include "tests/support/TempFolder.h"
#include "tests/support/failing_allocation.h"

namespace {

// Fails the first, second, ... allocation of one load until a load gets
// through. Before that, every load must fail as settings unusable: memory
// that ran out is never told to the player as a game that is not installed
// (the game's key is there). Only where the complete load finds no game may
// a failed one say so too.
void expectEveryFailureReported(const std::wstring& programPath, int completeResult) {
    for (long failAt = 0;; ++failAt) {
        ASSERT_LT(failAt, 10000) << "no load got through";
        PatchSession session;
        int result = 0;
        failAllocationsAfter(failAt);
        try {
            result = loadSettingsFrom(session, GetModuleHandleW(nullptr), programPath);
        } catch (...) {
            stopFailingAllocations();
            FAIL() << "exception escaped at failing allocation " << failAt;
        }
        stopFailingAllocations();
        if (!anAllocationFailed()) {
            EXPECT_EQ(result, completeResult);
            EXPECT_GT(failAt, 1) << "the load made no allocation to fail";
            return;
        }
        if (completeResult == gameNotInstalled) {
            EXPECT_TRUE(result == settingsUnusable || result == gameNotInstalled)
                << "result " << result << " at failing allocation " << failAt;
        } else {
            EXPECT_EQ(result, settingsUnusable) << "at failing allocation " << failAt;
        }
    }
}

TEST(SettingsLoadingOutOfMemory, SettingsFile) {
    TempFolder folder;
    TestGameKey game;
    game.setPath(L"C:\\Game");
    folder.write(L"update.inf", "タイトル," + game.titleInSettings() + "\r\n社名," + game.companyInSettings() +
                                    "\r\nファイル,a.dat\r\nファイル,b.dat,c.dat\r\n");
    expectEveryFailureReported(folder.file(L"update.exe"), settingsReady);
}

TEST(SettingsLoadingOutOfMemory, EmbeddedSettings) {
    TempFolder folder;
    const std::wstring programPath = folder.file(L"update.exe");
    PatchSession session;
    const int complete = loadSettingsFrom(session, GetModuleHandleW(nullptr), programPath);
    ASSERT_NE(complete, settingsUnusable);
    expectEveryFailureReported(programPath, complete);
}

}  // namespace
