// Memory running out while lines are appended: the reader reports it and
// keeps the lines it held. Runs as its own executable, since it replaces the
// global allocation functions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "settings/SettingsText.h"

namespace {

// Allocations left before the next one fails; negative: never fail.
long allocationsBeforeFailure = -1;

}  // namespace

void* operator new(std::size_t size) {
    if (allocationsBeforeFailure == 0) {
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

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

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
        allocationsBeforeFailure = failAt;
        const int result = settings.readMemory(text.data(), text.size());
        allocationsBeforeFailure = -1;
        if (result == settingsReadOk) {
            EXPECT_EQ(settings.lines().size(), 21u) << "failing allocation " << failAt;
        } else {
            EXPECT_EQ(result, settingsNoMemory);
            EXPECT_EQ(settings.lines(), std::vector<std::string>{"kept"}) << "failing allocation " << failAt;
        }
    }
}

}  // namespace
