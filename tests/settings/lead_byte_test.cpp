#include <gtest/gtest.h>

#include "settings/lead_byte.h"

namespace {

// The settings text is code page 932 whatever the system's code page: the
// program's lead-byte test is that code page's, in every build.
TEST(LeadByte, MatchesCodePage932Ranges) {
    for (int byte = 0; byte < 256; ++byte) {
        const bool expected = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        EXPECT_EQ(isLeadByte(static_cast<unsigned char>(byte)), expected) << "byte " << byte;
    }
}

TEST(LeadByte, LiteralsAreCodePage932) {
    // ソ is 0x83 0x5C: a lead byte followed by a backslash byte.
    const char text[] = "ソ";
    ASSERT_EQ(sizeof text, 3u);
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 0x83);
    EXPECT_EQ(static_cast<unsigned char>(text[1]), 0x5C);
    EXPECT_TRUE(isLeadByte(static_cast<unsigned char>(text[0])));
}

}  // namespace
