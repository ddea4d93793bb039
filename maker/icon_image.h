// The program's icon as bytes, from pixels: the rules that need no system
// call (the picture's shape, the scaling to the icon's size, the icon
// resources' layout and the reading of an .ico file's bitmap images), so the
// same picture gives the same bytes on every machine and compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The icon's one image is this many pixels wide and high.
constexpr std::uint32_t programIconSize = 128;
// Larger pictures are refused: scaled down from further they show nothing
// more, and their pixels alone would take a good part of a 32-bit process.
constexpr std::uint32_t largestPictureSize = 4096;

// A picture's pixels: rows from the top, each pixel red, green, blue, alpha
// (not premultiplied).
struct RgbaPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes
};

enum class PictureShape { fits, notSquare, tooSmall, tooLarge };

PictureShape pictureShape(std::uint32_t width, std::uint32_t height);

// A square picture of programIconSize or more, scaled to programIconSize
// square by area averaging with premultiplied alpha, so that the colour of
// transparent pixels does not bleed into the edges. Integer arithmetic,
// each result rounded to the nearest.
RgbaPicture scaledToIconSize(const RgbaPicture& square);

// The RT_ICON resource of a picture: a BITMAPINFOHEADER with double height,
// the colours in 24 bits bottom-up, then the AND mask, 1 bit a pixel, each
// row padded to 4 bytes. Pixels less than half opaque are masked (and
// stored black, as a masked pixel is drawn through its colour); the others
// are laid over white, where icons are mostly shown.
std::vector<std::uint8_t> iconImageBytes(const RgbaPicture& picture);

// The RT_GROUP_ICON resource naming one image of the program's icon size in
// 24 bits, imageSize bytes, by its resource id.
std::vector<std::uint8_t> iconGroupBytes(std::uint16_t imageId, std::uint32_t imageSize);

// The largest image of an .ico file, where its bytes lie in the file.
struct IcoImage {
    std::size_t offset = 0;
    std::size_t size = 0;
    bool png = false;  // a PNG stream, else a bitmap with its mask
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

enum class IcoReading {
    read,
    notIco,          // not an icon file at all (no icon directory)
    damaged,         // a directory or image that runs past the end or contradicts itself
    unknownBitmap,   // a bitmap form that icons do not use (compressed, 16 bits...)
};

// Finds the largest image of an .ico file (by the sizes its images really
// have, not by what the directory claims), reading nothing outside
// data[0, size).
IcoReading largestIcoImage(const std::uint8_t* data, std::size_t size, IcoImage& image);

// Decodes an .ico bitmap image (1, 4, 8, 24 or 32 bits a pixel with its
// AND mask) found by largestIcoImage. A 32-bit image whose alpha bytes are
// all zero is one of the old kind: its mask says which pixels show.
IcoReading decodeIcoBitmap(const std::uint8_t* data, std::size_t size, const IcoImage& image,
                           RgbaPicture& picture);
