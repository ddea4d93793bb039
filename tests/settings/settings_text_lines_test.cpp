#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_text.h"
#include "tests/support/case_name.h"

namespace {

struct LineCase {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
};

std::vector<std::string> splitText(const std::string& text) {
    SettingsText settings;
    EXPECT_EQ(settings.readMemory(text.data(), text.size()), settingsReadOk);
    return settings.lines();
}

// Keeps the test names that ctest lists free of memory addresses.
void PrintTo(const LineCase& lineCase, std::ostream* out) { *out << lineCase.name; }

class LineRules : public testing::TestWithParam<LineCase> {};

TEST_P(LineRules, SplitsAsTheFormatSays) {
    EXPECT_EQ(splitText(GetParam().text), GetParam().lines);
}

using namespace std::string_literals;

const LineCase lineCases[] = {
    {"EmptyText", "", {}},
    {"OneLineNoBreak", "abc", {"abc"}},
    {"CrLf", "a\r\nb\r\n", {"a", "b"}},
    {"LoneLf", "a\nb\n", {"a", "b"}},
    {"LoneCr", "a\rb\r", {"a", "b"}},
    {"MixedBreaks", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
    {"LfCrGivesEmptyLine", "a\n\rb", {"a", "", "b"}},
    {"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
    {"SingleLf", "\n", {""}},
    {"EmptyLinesKept", "a\r\n\r\nb", {"a", "", "b"}},
    {"LastLineWithoutBreak", "a\r\nlast", {"a", "last"}},
    {"CrAsLastByteGivesNoEmptyLine", "a\r", {"a"}},
    {"CtrlZEndsText", "a\r\nb\x1A\r\nignored\r\n", {"a", "b"}},
    {"CtrlZRightAfterBreak", "a\r\n\x1A" "ignored", {"a", ""}},
    {"TextStartingWithCtrlZ", "\x1A" "a\r\nb", {""}},
    {"NulByteKept", "a\0b\r\nc"s, {"a\0b"s, "c"}},
    {"NothingTrimmed", " key, value \t\r\n", {" key, value \t"}},
    // ソ and 表 end in 0x5C; breaks are found byte by byte all the same.
    {"DoubleByteText", "ソ表\r\n能", {"ソ表", "能"}},
};

INSTANTIATE_TEST_SUITE_P(Table, LineRules, testing::ValuesIn(lineCases),
                         caseName<LineCase>);

TEST(SettingsTextReadMemory, AppendsAfterLinesAlreadyHeld) {
    SettingsText settings;
    ASSERT_EQ(settings.readMemory("a\r\nb", 4), settingsReadOk);
    ASSERT_EQ(settings.readMemory("c", 1), settingsReadOk);
    EXPECT_EQ(settings.lines(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(SettingsTextReadMemory, ReadsOnlyTheGivenSize) {
    const char block[] = "a\r\nb\r\nc";
    SettingsText settings;
    ASSERT_EQ(settings.readMemory(block, 5), settingsReadOk);
    EXPECT_EQ(settings.lines(), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
