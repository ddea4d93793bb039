// programIconFrom on pictures of every form a publisher might give (drawn by
// picture_fixtures.py), PNG decoded by the system's WIC: each gives one
// 128 x 128 image in 24 bits whose corner and centre are what the picture
// shows, the same bytes every time; and the refusals, in Japanese.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "maker/ProgramIcon.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

using Rgb = std::array<std::uint8_t, 3>;

std::wstring picture(const std::wstring& name) { return hostPathInWine(PICTURES) + L"\\" + name; }

constexpr Rgb green{40, 170, 70};
constexpr Rgb blue{70, 110, 190};
constexpr Rgb grey{128, 128, 128};
constexpr Rgb darkGrey{30, 30, 30};
constexpr std::size_t colourBytes = 128 * 128 * 3;

struct GoodCase {
    const char* name;
    const wchar_t* file;
    bool cornerMasked;  // else the corner shows cornerColour
    Rgb centreColour;
    Rgb cornerColour;
};

void PrintTo(const GoodCase& goodCase, std::ostream* out) { *out << goodCase.name; }

class GoodPicture : public testing::TestWithParam<GoodCase> {};

bool maskedAt(const ProgramIcon& icon, int x, int y) {
    return (icon.image[40 + colourBytes + (127 - y) * 16 + x / 8] & (0x80 >> (x % 8))) != 0;
}

Rgb colourAt(const ProgramIcon& icon, int x, int y) {
    const std::size_t at = 40 + (static_cast<std::size_t>(127 - y) * 128 + x) * 3;
    return {icon.image[at + 2], icon.image[at + 1], icon.image[at]};
}

TEST_P(GoodPicture, BecomesOne24BitImageShowingThePicture) {
    const GoodCase& gcase = GetParam();
    ProgramIcon icon;
    std::wstring problem;
    ASSERT_TRUE(programIconFrom(picture(gcase.file), 7, icon, problem)) << utf8(problem);

    ASSERT_EQ(icon.image.size(), 40 + colourBytes + 128 * 16);
    const std::uint8_t header[16] = {40, 0, 0, 0, 128, 0, 0, 0, 0, 1, 0, 0, 1, 0, 24, 0};
    EXPECT_TRUE(std::equal(std::begin(header), std::end(header), icon.image.begin()));
    const std::vector<std::uint8_t> group = {0, 0, 1, 0, 1, 0, 128, 128, 0, 0, 1, 0, 24, 0, 0x28, 0xC8, 0, 0, 7, 0};
    EXPECT_EQ(icon.group, group);

    // The corner is x + y < 24 of the picture at 128 x 128: pixels on its
    // edge may be part-covered once scaled.
    int wrong = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const bool corner = x + y <= 21;
            if (!corner && x + y < 25) {
                continue;
            }
            const bool masked = maskedAt(icon, x, y);
            const Rgb expected = corner ? (gcase.cornerMasked ? Rgb{0, 0, 0} : gcase.cornerColour) : gcase.centreColour;
            const bool expectMasked = corner && gcase.cornerMasked;
            if (masked != expectMasked || colourAt(icon, x, y) != expected) {
                if (++wrong <= 3) {
                    const Rgb got = colourAt(icon, x, y);
                    ADD_FAILURE() << "at " << x << ", " << y << ": " << (masked ? "masked " : "") << +got[0] << " "
                                  << +got[1] << " " << +got[2];
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);

    ProgramIcon again;
    ASSERT_TRUE(programIconFrom(picture(gcase.file), 7, again, problem));
    EXPECT_EQ(again.image, icon.image);
    EXPECT_EQ(again.group, icon.group);
}

const GoodCase goodCases[] = {
    {"palette_png", L"palette.png", true, green, {}},  // a palette with a transparent entry
    {"grey_png", L"grey.png", false, grey, darkGrey},
    {"grey_alpha_png", L"grey_alpha.png", true, grey, {}},
    {"grey16_png", L"grey16.png", false, grey, darkGrey},  // 16 bits a pixel
    {"rgb24_png", L"rgb24.png", false, green, blue},
    {"rgba32_png", L"rgba32.png", true, green, {}},
    {"large_png", L"large.png", true, green, {}},  // 512 x 512, scaled down
    {"bitmap24_ico", L"bitmap24.ico", true, green, {}},
    {"sizes_ico", L"sizes.ico", true, green, {}},  // 16, 128 and 48: the largest taken
    {"png_inside_ico", L"png_inside.ico", true, green, {}},  // a 32 bitmap and a 256 PNG
};

INSTANTIATE_TEST_SUITE_P(Forms, GoodPicture, testing::ValuesIn(goodCases), caseName<GoodCase>);

struct RefusedCase {
    const char* name;
    const wchar_t* file;
    const wchar_t* problem;
};

void PrintTo(const RefusedCase& refusedCase, std::ostream* out) { *out << refusedCase.name; }

class RefusedPicture : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedPicture, SaysWhatIsWrongAndWhatToDo) {
    ProgramIcon icon;
    std::wstring problem;
    EXPECT_FALSE(programIconFrom(picture(GetParam().file), 102, icon, problem));
    EXPECT_EQ(utf8(problem), utf8(GetParam().problem));
}

const RefusedCase refusedCases[] = {
    {"wide_png", L"wide.png", L"縦横が 130 × 128 で、正方形ではありません。128 × 128 以上の正方形の画像を指定してください。"},
    {"small_png", L"small.png", L"縦横が 64 × 64 で、小さすぎます。128 × 128 以上の正方形の画像を指定してください。"},
    {"small_ico", L"small.ico", L"縦横が 64 × 64 で、小さすぎます。128 × 128 以上の正方形の画像を指定してください。"},
    {"photo_png", L"photo.png", L"JPEG の画像で、アイコンには使えません。アイコンの .ico か .png ファイルを指定してください。"},
    {"drawing_png", L"drawing.png", L"BMP の画像で、アイコンには使えません。アイコンの .ico か .png ファイルを指定してください。"},
    {"notes_png", L"notes.png", L"画像ではありません。アイコンの .ico か .png ファイルを指定してください。"},
    {"cut_png", L"cut.png", L"PNG の画像として読み取れません (壊れています)。画像ソフトで .png に保存し直してください。"},
    {"huge_png", L"huge.png", L"縦横が 4097 × 4097 で、大きすぎます。4096 × 4096 以下に縮小した画像を指定してください。"},
    {"cut_ico", L"cut.ico", L".ico ファイルの中身が壊れています。画像ソフトで .ico か .png に保存し直してください。"},
    {"missing_png", L"missing.png", L"ファイルがありません。アイコンの .ico か .png ファイルを指定してください。"},
};

INSTANTIATE_TEST_SUITE_P(Pictures, RefusedPicture, testing::ValuesIn(refusedCases), caseName<RefusedCase>);

TEST(RefusedPicture, HeldByAnotherProgramSaysItCantBeRead) {
    const TempFolder folder;
    ASSERT_TRUE(CopyFileW(picture(L"rgba32.png").c_str(), folder.file(L"held.png").c_str(), FALSE));
    const UniqueHandle held(CreateFileW(folder.file(L"held.png").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    ProgramIcon icon;
    std::wstring problem;
    EXPECT_FALSE(programIconFrom(folder.file(L"held.png"), 102, icon, problem));
    EXPECT_EQ(utf8(problem), utf8(L"ファイルを読み取れません (エラー 32)。ほかのソフトで開いていれば閉じてから、やり直してください。"));
}

}  // namespace
