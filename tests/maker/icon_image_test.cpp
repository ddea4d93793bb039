// The icon's pixel and byte rules: the scaling, the mask and the layout of
// the icon resources, and the reading of .ico files, including broken ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "maker/icon_image.h"
#include "tests/support/case_name.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgba = std::array<std::uint8_t, 4>;

RgbaPicture pictureOf(std::uint32_t width, std::uint32_t height,
                      const std::function<Rgba(std::uint32_t, std::uint32_t)>& pixel) {
    RgbaPicture picture{width, height, Bytes(std::size_t{width} * height * 4)};
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const Rgba value = pixel(x, y);
            std::copy(value.begin(), value.end(), picture.pixels.begin() + (std::size_t{y} * width + x) * 4);
        }
    }
    return picture;
}

Rgba pixelAt(const RgbaPicture& picture, std::uint32_t x, std::uint32_t y) {
    const std::size_t at = (std::size_t{y} * picture.width + x) * 4;
    return {picture.pixels[at], picture.pixels[at + 1], picture.pixels[at + 2], picture.pixels[at + 3]};
}

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::uint32_t u32At(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// ---- Scaling ----------------------------------------------------------------

struct ScalingCase {
    const char* name;
    std::uint32_t size;
    std::function<Rgba(std::uint32_t, std::uint32_t)> source;
    Rgba expectedTopLeft;
};

void PrintTo(const ScalingCase& scalingCase, std::ostream* out) { *out << scalingCase.name; }

// Each case's pattern repeats, so every target pixel has the same expected value.
class Scaling : public testing::TestWithParam<ScalingCase> {};

TEST_P(Scaling, GivesTheAreaAverageOfEachBlock) {
    const ScalingCase& scase = GetParam();
    const RgbaPicture scaled = scaledToIconSize(pictureOf(scase.size, scase.size, scase.source));
    ASSERT_EQ(scaled.width, programIconSize);
    ASSERT_EQ(scaled.height, programIconSize);
    ASSERT_EQ(scaled.pixels.size(), std::size_t{programIconSize} * programIconSize * 4);
    for (std::uint32_t y = 0; y < programIconSize; ++y) {
        for (std::uint32_t x = 0; x < programIconSize; ++x) {
            ASSERT_EQ(pixelAt(scaled, x, y), scase.expectedTopLeft) << "at " << x << ", " << y;
        }
    }
}

const ScalingCase scalingCases[] = {
    // 2 x 2 blocks of red 10, 20, 30, 40: 25.
    {"HalvedOpaqueBlock", 256,
     [](std::uint32_t x, std::uint32_t y) { return Rgba{static_cast<std::uint8_t>(10 + 10 * (x % 2 + 2 * (y % 2))), 0, 0, 255}; },
     {25, 0, 0, 255}},
    // Half the block transparent red, half opaque blue: the hidden red must
    // not tint the edge (premultiplied), and alpha 127.5 rounds up.
    {"TransparentColourDoesNotBleed", 256,
     [](std::uint32_t x, std::uint32_t) { return x % 2 == 0 ? Rgba{255, 0, 0, 0} : Rgba{0, 0, 255, 255}; },
     {0, 0, 255, 128}},
    // Alpha-weighted colour: 200 at alpha 255 and 100 at alpha 85 give
    // (200 * 255 + 100 * 85) / 340 = 175, alpha 170.
    {"ColourWeightedByAlpha", 256,
     [](std::uint32_t, std::uint32_t y) { return y % 2 == 0 ? Rgba{200, 200, 200, 255} : Rgba{100, 100, 100, 85}; },
     {175, 175, 175, 170}},
    // 1.5 source pixels a target pixel: columns 0, 255, 0 repeating; each
    // target takes one whole pixel of 0 and half the 255: 255 / 3 = 85.
    {"ThreeHalvesShareTheMiddleColumn", 192,
     [](std::uint32_t x, std::uint32_t) { return x % 3 == 1 ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 0, 255}; },
     {85, 85, 85, 255}},
    // 1 in 4 of a 2 x 2 block at 1 rounds down; the even channel 2 of 4 at
    // 1 (0.5) rounds up.
    {"RoundsToNearest", 256,
     [](std::uint32_t x, std::uint32_t y) {
         return Rgba{static_cast<std::uint8_t>(x % 2 == 1 && y % 2 == 1), static_cast<std::uint8_t>(x % 2), 0, 255};
     },
     {0, 1, 0, 255}},
    // 1000 / 128 is no whole number: weights must still sum to the area, so
    // a flat colour stays exactly that colour.
    {"FlatColourAtAnUnevenRatio", 1000, [](std::uint32_t, std::uint32_t) { return Rgba{201, 99, 3, 77}; },
     {201, 99, 3, 77}},
    {"SameSizeKeepsThePixels", 128, [](std::uint32_t, std::uint32_t) { return Rgba{1, 2, 3, 200}; }, {1, 2, 3, 200}},
};

INSTANTIATE_TEST_SUITE_P(Blocks, Scaling, testing::ValuesIn(scalingCases), caseName<ScalingCase>);

TEST(Scaling, KeepsThePictureTheRightWayRound) {
    // One opaque pixel in the top-left 2 x 2 block of a transparent 256 picture.
    const RgbaPicture scaled = scaledToIconSize(pictureOf(256, 256, [](std::uint32_t x, std::uint32_t y) {
        return x == 1 && y == 0 ? Rgba{10, 20, 30, 255} : Rgba{0, 0, 0, 0};
    }));
    EXPECT_EQ(pixelAt(scaled, 0, 0), (Rgba{10, 20, 30, 64}));
    EXPECT_EQ(pixelAt(scaled, 1, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(scaled, 0, 1), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(scaled, 127, 127), (Rgba{0, 0, 0, 0}));
}

TEST(PictureShape, NeedsASquareOfTheIconSizeUpToTheLargest) {
    EXPECT_EQ(pictureShape(128, 128), PictureShape::fits);
    EXPECT_EQ(pictureShape(4096, 4096), PictureShape::fits);
    EXPECT_EQ(pictureShape(130, 128), PictureShape::notSquare);
    EXPECT_EQ(pictureShape(64, 64), PictureShape::tooSmall);
    EXPECT_EQ(pictureShape(127, 127), PictureShape::tooSmall);
    EXPECT_EQ(pictureShape(4097, 4097), PictureShape::tooLarge);
}

// ---- The icon resources -----------------------------------------------------------

TEST(IconImage, WritesBottomUpBgrRowsAndTheMaskEachPaddedToFourBytes) {
    // 5 x 2: colour rows of 15 bytes padded to 16, mask rows of 1 byte padded to 4.
    const RgbaPicture picture = pictureOf(5, 2, [](std::uint32_t x, std::uint32_t y) {
        if (y == 0 && x == 4) {
            return Rgba{9, 9, 9, 0};  // masked
        }
        return Rgba{static_cast<std::uint8_t>(10 * x + 1), static_cast<std::uint8_t>(100 + y), 200, 255};
    });
    const Bytes bytes = iconImageBytes(picture);
    ASSERT_EQ(bytes.size(), 40u + 2 * 16 + 2 * 4);
    EXPECT_EQ(u32At(bytes, 0), 40u);
    EXPECT_EQ(u32At(bytes, 4), 5u);
    EXPECT_EQ(u32At(bytes, 8), 4u);  // colours and mask, one above the other
    EXPECT_EQ(bytes[12] | bytes[13] << 8, 1);
    EXPECT_EQ(bytes[14] | bytes[15] << 8, 24);
    EXPECT_EQ(u32At(bytes, 16), 0u);
    EXPECT_EQ(u32At(bytes, 20), 2u * 16 + 2 * 4);
    const Bytes expected = {
        // bottom row (y = 1) first: blue, green, red
        200, 101, 1, 200, 101, 11, 200, 101, 21, 200, 101, 31, 200, 101, 41, 0,
        // top row, its last pixel masked and black
        200, 100, 1, 200, 100, 11, 200, 100, 21, 200, 100, 31, 0, 0, 0, 0,
        // mask rows, the bottom one first
        0x00, 0, 0, 0,
        0x08, 0, 0, 0};
    EXPECT_EQ(Bytes(bytes.begin() + 40, bytes.end()), expected);
}

TEST(IconImage, MasksPixelsLessThanHalfOpaqueAndLaysTheOthersOverWhite) {
    struct Case {
        std::uint8_t alpha;
        bool masked;
        std::array<std::uint8_t, 3> bgr;  // of red 255, green 0, blue 60
    };
    const Case cases[] = {
        {0, true, {0, 0, 0}},
        {127, true, {0, 0, 0}},
        // 60 * 128 + 255 * 127 = 40065 -> 157; 0 -> 127; 255 stays
        {128, false, {157, 127, 255}},
        {255, false, {60, 0, 255}},
    };
    for (const Case& icase : cases) {
        const Bytes bytes =
            iconImageBytes(pictureOf(1, 1, [&](std::uint32_t, std::uint32_t) { return Rgba{255, 0, 60, icase.alpha}; }));
        ASSERT_EQ(bytes.size(), 40u + 4 + 4);
        EXPECT_EQ((std::array<std::uint8_t, 3>{bytes[40], bytes[41], bytes[42]}), icase.bgr) << "alpha " << +icase.alpha;
        EXPECT_EQ(bytes[44] == 0x80, icase.masked) << "alpha " << +icase.alpha;
    }
}

TEST(IconImage, OfTheIconSizeIsTheSizeTheGroupNames) {
    const Bytes image = iconImageBytes(pictureOf(128, 128, [](std::uint32_t, std::uint32_t) { return Rgba{1, 2, 3, 255}; }));
    EXPECT_EQ(image.size(), 40u + 128 * 384 + 128 * 16);
    const Bytes group = iconGroupBytes(102, static_cast<std::uint32_t>(image.size()));
    const Bytes expected = {0, 0, 1, 0, 1, 0,     // an icon directory of one image
                            128, 128, 0, 0, 1, 0, 24, 0,  // 128 x 128, no palette, 1 plane, 24 bits
                            0x28, 0xC8, 0, 0,     // 51240 bytes
                            102, 0};              // the image's resource id
    EXPECT_EQ(group, expected);
}

// ---- .ico files ------------------------------------------------------------------

// A bitmap image as an .ico stores it. `value` gives a palette index for 1,
// 4 and 8 bits, else 0xAARRGGBB; `masked` the AND mask.
Bytes icoBitmap(std::uint32_t width, std::uint32_t height, std::uint16_t bits, const std::vector<std::uint32_t>& palette,
                const std::function<std::uint32_t(std::uint32_t, std::uint32_t)>& value,
                const std::function<bool(std::uint32_t, std::uint32_t)>& masked) {
    Bytes out;
    put32(out, 40);
    put32(out, width);
    put32(out, height * 2);
    put16(out, 1);
    put16(out, bits);
    for (int k = 0; k < 4; ++k) {
        put32(out, 0);  // no compression, image size, resolution
    }
    // A palette shorter than the depth allows says how many colours it holds.
    put32(out, bits <= 8 && palette.size() < (1u << bits) ? static_cast<std::uint32_t>(palette.size()) : 0);
    put32(out, 0);
    for (const std::uint32_t colour : palette) {
        put32(out, colour);
    }
    const std::size_t colourRow = (width * bits + 31) / 32 * 4;
    const std::size_t maskRow = (width + 31) / 32 * 4;
    for (std::uint32_t y = height; y-- > 0;) {
        Bytes row(colourRow);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            if (bits <= 8) {
                const std::size_t bit = std::size_t{x} * bits;
                row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | v << (8 - bits - bit % 8));
            } else {
                for (std::uint32_t k = 0; k < bits / 8u; ++k) {
                    row[x * (bits / 8) + k] = static_cast<std::uint8_t>(v >> (8 * k));
                }
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (std::uint32_t y = height; y-- > 0;) {
        Bytes row(maskRow);
        for (std::uint32_t x = 0; x < width; ++x) {
            if (masked(x, y)) {
                row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | 0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A PNG stream's signature and header chunk: all largestIcoImage reads of it.
Bytes pngStart(std::uint32_t width, std::uint32_t height) {
    Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (const std::uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    }
    const Bytes rest = {8, 6, 0, 0, 0, 0, 0, 0, 0};  // depth, colour type..., CRC
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

// An .ico file of these images, each directory entry claiming 16 x 16.
Bytes icoOf(const std::vector<Bytes>& images) {
    Bytes out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (const Bytes& image : images) {
        out.insert(out.end(), {16, 16, 0, 0, 1, 0, 32, 0});
        put32(out, static_cast<std::uint32_t>(image.size()));
        put32(out, static_cast<std::uint32_t>(offset));
        offset += image.size();
    }
    for (const Bytes& image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

Bytes flatBitmap(std::uint32_t size, std::uint16_t bits) {
    const std::vector<std::uint32_t> palette(bits <= 8 ? 2 : 0, 0x00FFFFFF);
    return icoBitmap(size, size, bits, palette, [](std::uint32_t, std::uint32_t) { return 0xFF102030u; },
                     [](std::uint32_t, std::uint32_t) { return false; });
}

TEST(IcoFile, PicksTheLargestImageByItsOwnSizeNotTheDirectorys) {
    const Bytes file = icoOf({flatBitmap(16, 32), pngStart(256, 256), flatBitmap(48, 24)});
    IcoImage image;
    ASSERT_EQ(largestIcoImage(file.data(), file.size(), image), IcoReading::read);
    EXPECT_TRUE(image.png);
    EXPECT_EQ(image.width, 256u);
    EXPECT_EQ(image.height, 256u);
    EXPECT_EQ(image.offset, 6u + 3 * 16 + flatBitmap(16, 32).size());

    // Of two images of one size, the one with more colours.
    const Bytes twoDepths = icoOf({flatBitmap(32, 32), flatBitmap(32, 4), flatBitmap(32, 24)});
    ASSERT_EQ(largestIcoImage(twoDepths.data(), twoDepths.size(), image), IcoReading::read);
    EXPECT_FALSE(image.png);
    EXPECT_EQ(image.offset, 6u + 3 * 16);
}

TEST(IcoFile, DecodesEveryBitmapDepthWithItsMask) {
    // 3 x 2 pixels, so that every row needs padding; the pixel at 2, 0 masked.
    const std::uint32_t colours[3][2] = {{0xFF0000FF, 0xFF00FF00}, {0xFFFF0000, 0xFF808080}, {0xFFFFFFFF, 0xFF000000}};
    const auto masked = [](std::uint32_t x, std::uint32_t y) { return x == 2 && y == 0; };
    for (const std::uint16_t bits : {1, 4, 8, 24, 32}) {
        std::vector<std::uint32_t> palette;
        std::function<std::uint32_t(std::uint32_t, std::uint32_t)> value;
        if (bits == 1) {
            // Two colours only: white and black, by the pixel's parity.
            palette = {0x00FFFFFF, 0x00000000};
            value = [](std::uint32_t x, std::uint32_t y) { return (x + y) % 2; };
        } else if (bits <= 8) {
            for (const auto& column : colours) {
                palette.insert(palette.end(), {column[0] & 0xFFFFFF, column[1] & 0xFFFFFF});
            }
            palette.resize(std::size_t{1} << bits, 0);
            value = [](std::uint32_t x, std::uint32_t y) { return 2 * x + y; };
        } else {
            value = [&](std::uint32_t x, std::uint32_t y) { return colours[x][y]; };
        }
        const Bytes file = icoOf({icoBitmap(3, 2, bits, palette, value, masked)});
        IcoImage image;
        ASSERT_EQ(largestIcoImage(file.data(), file.size(), image), IcoReading::read) << bits << " bits";
        RgbaPicture picture;
        ASSERT_EQ(decodeIcoBitmap(file.data(), file.size(), image, picture), IcoReading::read) << bits << " bits";
        ASSERT_EQ(picture.width, 3u);
        ASSERT_EQ(picture.height, 2u);
        for (std::uint32_t y = 0; y < 2; ++y) {
            for (std::uint32_t x = 0; x < 3; ++x) {
                std::uint32_t colour = bits == 1 ? ((x + y) % 2 == 0 ? 0xFFFFFF : 0) : colours[x][y] & 0xFFFFFF;
                const Rgba expected{static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
                                    static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(masked(x, y) ? 0 : 255)};
                // A 32-bit image's alpha rules over its mask.
                Rgba got = pixelAt(picture, x, y);
                if (bits == 32 && masked(x, y)) {
                    EXPECT_EQ(got[3], 255) << "32 bits: alpha, not the mask";
                    continue;
                }
                EXPECT_EQ(got, expected) << bits << " bits at " << x << ", " << y;
            }
        }
    }
}

TEST(IcoFile, TakesTheMaskOfA32BitImageWithoutAlpha) {
    const Bytes file = icoOf({icoBitmap(
        2, 1, 32, {}, [](std::uint32_t x, std::uint32_t) { return x == 0 ? 0x00123456u : 0x00654321u; },
        [](std::uint32_t x, std::uint32_t) { return x == 1; })});
    IcoImage image;
    ASSERT_EQ(largestIcoImage(file.data(), file.size(), image), IcoReading::read);
    RgbaPicture picture;
    ASSERT_EQ(decodeIcoBitmap(file.data(), file.size(), image, picture), IcoReading::read);
    EXPECT_EQ(pixelAt(picture, 0, 0), (Rgba{0x12, 0x34, 0x56, 255}));
    EXPECT_EQ(pixelAt(picture, 1, 0), (Rgba{0x65, 0x43, 0x21, 0}));
}

// Every prefix of a good file, in a block of exactly its size: the sanitizer
// sees any read past the end.
TEST(IcoFile, CutShortIsRefusedWithoutReadingPastTheEnd) {
    const Bytes whole = icoOf({flatBitmap(8, 8), flatBitmap(3, 4), pngStart(64, 64)});
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        const auto exact = std::make_unique<std::uint8_t[]>(size + (size == 0));
        std::copy(cut.begin(), cut.end(), exact.get());
        IcoImage image;
        const IcoReading reading = largestIcoImage(exact.get(), size, image);
        EXPECT_TRUE(reading == IcoReading::notIco || reading == IcoReading::damaged) << "cut at " << size;
    }
}

struct LyingCase {
    const char* name;
    std::function<void(Bytes&)> lie;
    IcoReading expected;
};

void PrintTo(const LyingCase& lyingCase, std::ostream* out) { *out << lyingCase.name; }

class LyingIco : public testing::TestWithParam<LyingCase> {};

TEST_P(LyingIco, IsRefusedWithoutReadingPastTheEnd) {
    // Directory at 0, one entry at 6 (its size at 14, its offset at 18), the
    // bitmap header at 22.
    Bytes file = icoOf({flatBitmap(4, 4)});
    GetParam().lie(file);
    const auto exact = std::make_unique<std::uint8_t[]>(file.size());
    std::copy(file.begin(), file.end(), exact.get());
    IcoImage image;
    EXPECT_EQ(largestIcoImage(exact.get(), file.size(), image), GetParam().expected);
}

void set32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) {
        bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
    }
}

const LyingCase lyingCases[] = {
    {"NoImages", [](Bytes& f) { f[4] = 0; }, IcoReading::damaged},
    {"MoreEntriesThanTheFileHolds", [](Bytes& f) { f[4] = 200; }, IcoReading::damaged},
    {"ImageOffsetPastTheEnd", [](Bytes& f) { set32(f, 18, static_cast<std::uint32_t>(f.size()) + 1); }, IcoReading::damaged},
    {"ImageSizePastTheEnd", [](Bytes& f) { set32(f, 14, static_cast<std::uint32_t>(f.size())); }, IcoReading::damaged},
    {"OffsetAndSizeWrapAround", [](Bytes& f) { set32(f, 14, 0xFFFFFFF0u); }, IcoReading::damaged},
    {"BitmapHeaderLargerThanTheImage", [](Bytes& f) { set32(f, 22, 0x10000); }, IcoReading::damaged},
    {"BitmapHigherThanItsRows", [](Bytes& f) { set32(f, 22 + 8, 2 * 400); }, IcoReading::damaged},
    {"BitmapHeightOdd", [](Bytes& f) { set32(f, 22 + 8, 7); }, IcoReading::damaged},
    {"BitmapNegativeWidth", [](Bytes& f) { set32(f, 22 + 4, 0xFFFFFFFC); }, IcoReading::damaged},
    {"PaletteLargerThanTheDepthAllows", [](Bytes& f) { set32(f, 22 + 32, 17); }, IcoReading::damaged},
    {"CompressedBitmap", [](Bytes& f) { set32(f, 22 + 16, 2); }, IcoReading::unknownBitmap},
    {"SixteenBitBitmap", [](Bytes& f) { f[22 + 14] = 16; }, IcoReading::unknownBitmap},
    {"PngWithoutItsHeaderChunk",
     [](Bytes& f) {
         const Bytes png = pngStart(128, 128);
         f.resize(22);
         f.insert(f.end(), png.begin(), png.end());
         set32(f, 14, static_cast<std::uint32_t>(png.size()));
         f[22 + 12] = 'X';
     },
     IcoReading::damaged},
    {"PngCutToItsSignature",
     [](Bytes& f) {
         const Bytes png = pngStart(128, 128);
         f.resize(22);
         f.insert(f.end(), png.begin(), png.begin() + 8);
         set32(f, 14, 8);
     },
     IcoReading::damaged},
    {"Cursor", [](Bytes& f) { f[2] = 2; }, IcoReading::notIco},
    {"BitmapFile", [](Bytes& f) { f[0] = 'B'; f[1] = 'M'; }, IcoReading::notIco},
};

INSTANTIATE_TEST_SUITE_P(Headers, LyingIco, testing::ValuesIn(lyingCases), caseName<LyingCase>);

}  // namespace
