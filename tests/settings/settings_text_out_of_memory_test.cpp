// Memory running out while lines are appended: the reader reports it and
// keeps the lines it held. Runs as its own executable, since it replaces the
// global allocation functions (failing_allocation.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_text.h"
#include "tests/support/failing_allocation.h"

namespace {

TEST(SettingsTextOutOfMemory, ReportsFailureAndKeepsHeldLines) {
    // Long lines, so that every line needs an allocation of its own.
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += std::string(100, static_cast<char>('a' + i)) + "\r\n";
    }
    for (long failAt = 0; failAt < 40; ++failAt) {
        SettingsText settings;
        ASSERT_EQ(settings.readMemory("kept\r\n", 6), settingsReadOk);
        failAllocationsAfter(failAt);
        const int result = settings.readMemory(text.data(), text.size());
        stopFailingAllocations();
        if (result == settingsReadOk) {
            EXPECT_EQ(settings.lines().size(), 21u) << "failing allocation " << failAt;
        } else {
            EXPECT_EQ(result, settingsNoMemory);
            EXPECT_EQ(settings.lines(), std::vector<std::string>{"kept"}) << "failing allocation " << failAt;
        }
    }
}

}  // namespace
