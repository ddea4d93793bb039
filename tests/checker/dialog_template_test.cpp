// What the caption check reads of the program's dialog template: its width
// in dialog units and its font, from a classic DIALOG or a DIALOGEX template,
// whatever its menu and class fields hold; nothing from bytes cut short.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "checker/dialog_template.h"
#include "tests/support/case_name.h"

namespace {

constexpr std::uint32_t setFont = 0x40;  // DS_SETFONT
constexpr std::uint32_t captionStyle = 0x80C00000 | 0x80000 | 0x80 | setFont;  // the program's dialog

// A template's bytes, little-endian, as the resource compiler lays them.
struct TemplateBytes {
    std::vector<unsigned char> bytes;

    TemplateBytes& word(std::uint16_t value) {
        bytes.push_back(static_cast<unsigned char>(value));
        bytes.push_back(static_cast<unsigned char>(value >> 8));
        return *this;
    }
    TemplateBytes& doubleWord(std::uint32_t value) { return word(static_cast<std::uint16_t>(value)).word(value >> 16); }
    TemplateBytes& text(const std::u16string& value) {
        for (const char16_t unit : value) {
            word(unit);
        }
        return word(0);
    }
    TemplateBytes& byte(unsigned char value) {
        bytes.push_back(value);
        return *this;
    }
};

// The classic header up to the menu field: style, extended style, no
// controls, x 0, y 0, the width, height 91.
TemplateBytes classic(std::uint32_t style, std::uint16_t width) {
    return TemplateBytes{}.doubleWord(style).doubleWord(0).word(0).word(0).word(0).word(width).word(91);
}

TemplateBytes extended(std::uint32_t style, std::uint16_t width) {
    return TemplateBytes{}.word(1).word(0xFFFF).doubleWord(0).doubleWord(0x10).doubleWord(style).word(0).word(0).word(
        0).word(width).word(91);
}

struct TemplateCase {
    const char* name;
    std::vector<unsigned char> bytes;
    bool read;
    int width = 0;
    int pointSize = 0;  // 0: no font of its own
    std::u16string font = u"";
};

void PrintTo(const TemplateCase& templateCase, std::ostream* out) { *out << templateCase.name; }

class DialogTemplate : public testing::TestWithParam<TemplateCase> {};

TEST_P(DialogTemplate, GivesItsWidthAndFont) {
    const TemplateCase& expected = GetParam();
    const auto layout = readDialogTemplate(expected.bytes.data(), expected.bytes.size());
    ASSERT_EQ(layout.has_value(), expected.read);
    if (!layout) {
        return;
    }
    EXPECT_EQ(layout->widthInDialogUnits, expected.width);
    EXPECT_EQ(layout->fontPointSize.value_or(0), expected.pointSize);
    EXPECT_EQ(layout->fontName, expected.font);
}

const std::vector<unsigned char> programsOwn =
    classic(captionStyle, 187).word(0).word(0).text(u"パッチ").word(9).text(u"ＭＳ Ｐゴシック").bytes;

const TemplateCase templateCases[] = {
    {"ProgramsOwn", programsOwn, true, 187, 9, u"ＭＳ Ｐゴシック"},
    {"WithoutAFont", classic(captionStyle & ~setFont, 200).word(0).word(0).text(u"x").bytes, true, 200},
    // A menu and a class by ordinal (FFFF and a number), or by name: both
    // must be stepped over to reach the title and the font.
    {"MenuByNameClassByOrdinal",
     classic(captionStyle, 150).text(u"MENU").word(0xFFFF).word(0x8002).text(u"題").word(10).text(u"Font").bytes, true,
     150, 10, u"Font"},
    {"MenuByOrdinalClassByName",
     classic(captionStyle, 150).word(0xFFFF).word(7).text(u"MyClass").text(u"").word(8).text(u"F").bytes, true, 150, 8,
     u"F"},
    // DIALOGEX: weight, italic and character set lie between size and name.
    {"Extended",
     extended(captionStyle, 240).word(0).word(0).text(u"題").word(9).word(400).byte(0).byte(1).text(u"Meiryo UI").bytes,
     true, 240, 9, u"Meiryo UI"},
    {"CutInTheFontName", std::vector<unsigned char>(programsOwn.begin(), programsOwn.end() - 3), false},
    {"CutInTheTitle", classic(captionStyle, 187).word(0).word(0).word(u'パ').bytes, false},
    {"CutInTheHeader", std::vector<unsigned char>(programsOwn.begin(), programsOwn.begin() + 13), false},
    {"Empty", {}, false},
};

INSTANTIATE_TEST_SUITE_P(Table, DialogTemplate, testing::ValuesIn(templateCases), caseName<TemplateCase>);

// The dialog manager's arithmetic: the base unit from the alphabet's width,
// then dialog units to pixels rounded as MulDiv rounds.
TEST(DialogUnits, BecomePixelsAsTheDialogManagerCounts) {
    EXPECT_EQ(horizontalBaseUnit(312), 6);  // 12 a letter on average
    EXPECT_EQ(horizontalBaseUnit(338), 7);  // 13: rounded up from 6.5
    EXPECT_EQ(horizontalBaseUnit(337), 6);  // just under 13
    EXPECT_EQ(pixelsOfDialogUnits(187, 6), 281);  // 280.5 rounds up
    EXPECT_EQ(pixelsOfDialogUnits(187, 7), 327);  // 327.25
    EXPECT_EQ(pixelsOfDialogUnits(-2, 6), -3);    // away from zero, as MulDiv
    EXPECT_EQ(fontHeightAt96Dpi(9), -12);
    EXPECT_EQ(fontHeightAt96Dpi(10), -13);  // 13.33
    EXPECT_EQ(fontHeightAt96Dpi(11), -15);  // 14.67
}

}  // namespace
