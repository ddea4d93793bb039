// What every other test takes for granted: Wine runs with the Japanese ANSI
// code page, and narrow literals are code page 932 bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

TEST(GroundTruth, AnsiCodePageIs932) {
    EXPECT_EQ(GetACP(), 932u);
}

TEST(GroundTruth, LiteralsAreCodePage932) {
    EXPECT_EQ(std::string("ソ"), std::string("\x83\x5C"));
    EXPECT_EQ(std::string("ｷｬﾝｾﾙ"), std::string("\xB7\xAC\xDD\xBE\xD9"));
    EXPECT_TRUE(IsDBCSLeadByte(0x83));
}
