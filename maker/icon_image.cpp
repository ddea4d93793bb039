#include "maker/icon_image.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

std::uint16_t u16At(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint32_t u32At(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint32_t bigEndianU32At(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | static_cast<std::uint32_t>(at[3]);
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Bytes of a bitmap row of `width` pixels at `bits` a pixel: rows start on
// 4-byte boundaries.
std::uint64_t rowBytes(std::uint64_t width, std::uint32_t bits) {
    return (width * bits + 31) / 32 * 4;
}

const std::array<std::uint8_t, 8> pngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t icoDirectoryBytes = 6;
constexpr std::size_t icoEntryBytes = 16;
constexpr std::uint32_t bitmapHeaderBytes = 40;

// The form of a bitmap image inside an .ico, checked against the bytes it
// has: the header, its palette, the colour rows and the mask rows.
struct IcoBitmap {
    std::uint32_t headerBytes = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;  // of the picture: half the header's height
    std::uint32_t bits = 0;
    std::uint32_t paletteEntries = 0;
};

IcoReading readIcoBitmapHeader(const std::uint8_t* at, std::size_t bytes, IcoBitmap& bitmap) {
    if (bytes < bitmapHeaderBytes) {
        return IcoReading::damaged;
    }
    const std::uint32_t headerBytes = u32At(at);
    const auto width = static_cast<std::int32_t>(u32At(at + 4));
    const auto doubleHeight = static_cast<std::int32_t>(u32At(at + 8));
    const std::uint16_t planes = u16At(at + 12);
    const std::uint16_t bits = u16At(at + 14);
    const std::uint32_t compression = u32At(at + 16);
    const std::uint32_t coloursUsed = u32At(at + 32);
    // The colour rows and the mask rows share one height, twice the picture's.
    if (headerBytes < bitmapHeaderBytes || headerBytes > bytes || width <= 0 || doubleHeight <= 0 ||
        doubleHeight % 2 != 0 || width > 65535 || doubleHeight / 2 > 65535 || planes > 1) {
        return IcoReading::damaged;
    }
    if (compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        return IcoReading::unknownBitmap;
    }
    std::uint32_t paletteEntries = 0;
    if (bits <= 8) {
        paletteEntries = 1u << bits;
        if (coloursUsed > paletteEntries) {
            return IcoReading::damaged;
        }
        if (coloursUsed != 0) {
            paletteEntries = coloursUsed;
        }
    }
    const auto height = static_cast<std::uint32_t>(doubleHeight / 2);
    const std::uint64_t needed = std::uint64_t{headerBytes} + std::uint64_t{paletteEntries} * 4 +
                                 rowBytes(static_cast<std::uint32_t>(width), bits) * height +
                                 rowBytes(static_cast<std::uint32_t>(width), 1) * height;
    if (needed > bytes) {
        return IcoReading::damaged;
    }
    bitmap = {headerBytes, static_cast<std::uint32_t>(width), height, bits, paletteEntries};
    return IcoReading::read;
}

}  // namespace

PictureShape pictureShape(std::uint32_t width, std::uint32_t height) {
    if (width != height) {
        return PictureShape::notSquare;
    }
    if (width < programIconSize) {
        return PictureShape::tooSmall;
    }
    if (width > largestPictureSize) {
        return PictureShape::tooLarge;
    }
    return PictureShape::fits;
}

RgbaPicture scaledToIconSize(const RgbaPicture& square) {
    const std::uint64_t from = square.width;
    constexpr std::uint64_t to = programIconSize;
    RgbaPicture scaled{programIconSize, programIconSize, std::vector<std::uint8_t>(to * to * 4)};
    // In units of 1 / (from * to) of the picture's side, source pixel s
    // covers [s * to, (s + 1) * to) and target pixel d covers
    // [d * from, (d + 1) * from): a pixel's weight is the overlap.
    const auto overlap = [&](std::uint64_t source, std::uint64_t target) {
        const std::uint64_t start = std::max(source * to, target * from);
        const std::uint64_t end = std::min((source + 1) * to, (target + 1) * from);
        return end > start ? end - start : 0;
    };
    const std::uint64_t area = from * from;
    // Premultiplied sums: at most 255 * 255 * from * from, well inside 64 bits.
    std::vector<std::uint64_t> rowSums(to * 4);
    std::vector<std::uint64_t> sums(to * 4);
    for (std::uint64_t targetY = 0; targetY < to; ++targetY) {
        std::fill(sums.begin(), sums.end(), 0);
        for (std::uint64_t sourceY = targetY * from / to; sourceY < from && sourceY * to < (targetY + 1) * from;
             ++sourceY) {
            const std::uint64_t weightY = overlap(sourceY, targetY);
            std::fill(rowSums.begin(), rowSums.end(), 0);
            const std::uint8_t* row = square.pixels.data() + sourceY * from * 4;
            for (std::uint64_t targetX = 0; targetX < to; ++targetX) {
                std::uint64_t* sum = rowSums.data() + targetX * 4;
                for (std::uint64_t sourceX = targetX * from / to; sourceX < from && sourceX * to < (targetX + 1) * from;
                     ++sourceX) {
                    const std::uint64_t weightX = overlap(sourceX, targetX);
                    const std::uint8_t* pixel = row + sourceX * 4;
                    const std::uint64_t alpha = pixel[3];
                    for (int channel = 0; channel < 3; ++channel) {
                        sum[channel] += pixel[channel] * alpha * weightX;
                    }
                    sum[3] += alpha * weightX;
                }
            }
            for (std::uint64_t k = 0; k < to * 4; ++k) {
                sums[k] += rowSums[k] * weightY;
            }
        }
        for (std::uint64_t targetX = 0; targetX < to; ++targetX) {
            const std::uint64_t* sum = sums.data() + targetX * 4;
            std::uint8_t* out = scaled.pixels.data() + (targetY * to + targetX) * 4;
            const std::uint64_t alphaSum = sum[3];
            for (int channel = 0; channel < 3; ++channel) {
                out[channel] = static_cast<std::uint8_t>(alphaSum == 0 ? 0 : (sum[channel] + alphaSum / 2) / alphaSum);
            }
            out[3] = static_cast<std::uint8_t>((alphaSum + area / 2) / area);
        }
    }
    return scaled;
}

std::vector<std::uint8_t> iconImageBytes(const RgbaPicture& picture) {
    const std::uint64_t colourRow = rowBytes(picture.width, 24);
    const std::uint64_t maskRow = rowBytes(picture.width, 1);
    const auto imageBytes = static_cast<std::uint32_t>((colourRow + maskRow) * picture.height);
    std::vector<std::uint8_t> out;
    out.reserve(bitmapHeaderBytes + imageBytes);
    put32(out, bitmapHeaderBytes);
    put32(out, picture.width);
    put32(out, picture.height * 2);  // the colours and the mask, one above the other
    put16(out, 1);                   // planes
    put16(out, 24);                  // bits a pixel
    put32(out, 0);                   // BI_RGB
    put32(out, imageBytes);
    for (int unused = 0; unused < 4; ++unused) {
        put32(out, 0);  // resolution and palette: none
    }
    const auto masked = [](const std::uint8_t* pixel) { return pixel[3] < 128; };
    // Bitmaps store their rows from the bottom up.
    for (std::uint32_t y = picture.height; y-- > 0;) {
        const std::uint8_t* row = picture.pixels.data() + std::size_t{y} * picture.width * 4;
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            const std::uint8_t* pixel = row + std::size_t{x} * 4;
            const std::uint32_t alpha = pixel[3];
            for (int channel = 2; channel >= 0; --channel) {  // blue, green, red
                const std::uint32_t overWhite = masked(pixel) ? 0 : (pixel[channel] * alpha + 255 * (255 - alpha) + 127) / 255;
                out.push_back(static_cast<std::uint8_t>(overWhite));
            }
        }
        out.resize(out.size() + static_cast<std::size_t>(colourRow - std::uint64_t{picture.width} * 3), 0);
    }
    for (std::uint32_t y = picture.height; y-- > 0;) {
        const std::uint8_t* row = picture.pixels.data() + std::size_t{y} * picture.width * 4;
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(maskRow), 0);
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            if (masked(row + std::size_t{x} * 4)) {
                out[start + x / 8] = static_cast<std::uint8_t>(out[start + x / 8] | 0x80 >> (x % 8));
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> iconGroupBytes(std::uint16_t imageId, std::uint32_t imageSize) {
    std::vector<std::uint8_t> out;
    put16(out, 0);  // reserved
    put16(out, 1);  // an icon, not a cursor
    put16(out, 1);  // one image
    out.push_back(static_cast<std::uint8_t>(programIconSize));
    out.push_back(static_cast<std::uint8_t>(programIconSize));
    out.push_back(0);  // no palette
    out.push_back(0);  // reserved
    put16(out, 1);     // planes
    put16(out, 24);    // bits a pixel
    put32(out, imageSize);
    put16(out, imageId);
    return out;
}

IcoReading largestIcoImage(const std::uint8_t* data, std::size_t size, IcoImage& image) {
    if (size < icoDirectoryBytes || u16At(data) != 0 || u16At(data + 2) != 1) {
        return IcoReading::notIco;
    }
    const std::size_t count = u16At(data + 4);
    if (count == 0 || (size - icoDirectoryBytes) / icoEntryBytes < count) {
        return IcoReading::damaged;
    }
    bool found = false;
    bool unknownForm = false;
    std::uint32_t foundBits = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t* entry = data + icoDirectoryBytes + k * icoEntryBytes;
        const std::size_t bytes = u32At(entry + 8);
        const std::size_t offset = u32At(entry + 12);
        if (offset > size || bytes > size - offset) {
            return IcoReading::damaged;
        }
        const std::uint8_t* at = data + offset;
        IcoImage candidate{offset, bytes, false, 0, 0};
        std::uint32_t bits = 32;
        if (bytes >= pngSignature.size() && std::memcmp(at, pngSignature.data(), pngSignature.size()) == 0) {
            // The first chunk of a PNG stream is its header: length 13, "IHDR",
            // then the width and the height.
            if (bytes < 8 + 8 + 8 || bigEndianU32At(at + 8) != 13 || std::memcmp(at + 12, "IHDR", 4) != 0) {
                return IcoReading::damaged;
            }
            candidate.png = true;
            candidate.width = bigEndianU32At(at + 16);
            candidate.height = bigEndianU32At(at + 20);
        } else {
            IcoBitmap bitmap;
            const IcoReading header = readIcoBitmapHeader(at, bytes, bitmap);
            if (header == IcoReading::unknownBitmap) {
                unknownForm = true;
                continue;
            }
            if (header != IcoReading::read) {
                return header;
            }
            candidate.width = bitmap.width;
            candidate.height = bitmap.height;
            bits = bitmap.bits;
        }
        const std::uint64_t area = std::uint64_t{candidate.width} * candidate.height;
        const std::uint64_t foundArea = std::uint64_t{image.width} * image.height;
        if (!found || area > foundArea || (area == foundArea && bits > foundBits)) {
            image = candidate;
            foundBits = bits;
            found = true;
        }
    }
    if (!found) {
        return unknownForm ? IcoReading::unknownBitmap : IcoReading::damaged;
    }
    return IcoReading::read;
}

IcoReading decodeIcoBitmap(const std::uint8_t* data, std::size_t size, const IcoImage& image,
                           RgbaPicture& picture) {
    if (image.png || image.offset > size || image.size > size - image.offset) {
        return IcoReading::damaged;
    }
    const std::uint8_t* at = data + image.offset;
    IcoBitmap bitmap;
    const IcoReading header = readIcoBitmapHeader(at, image.size, bitmap);
    if (header != IcoReading::read) {
        return header;
    }
    const std::uint8_t* palette = at + bitmap.headerBytes;
    const std::uint8_t* colours = palette + std::size_t{bitmap.paletteEntries} * 4;
    const auto colourRow = static_cast<std::size_t>(rowBytes(bitmap.width, bitmap.bits));
    const std::uint8_t* mask = colours + colourRow * bitmap.height;
    const auto maskRow = static_cast<std::size_t>(rowBytes(bitmap.width, 1));

    picture = {bitmap.width, bitmap.height,
               std::vector<std::uint8_t>(std::size_t{bitmap.width} * bitmap.height * 4)};
    bool anyAlpha = false;
    for (std::uint32_t y = 0; y < bitmap.height; ++y) {
        // Rows are stored from the bottom up.
        const std::uint8_t* row = colours + colourRow * (bitmap.height - 1 - y);
        const std::uint8_t* maskBits = mask + maskRow * (bitmap.height - 1 - y);
        for (std::uint32_t x = 0; x < bitmap.width; ++x) {
            std::uint8_t* out = picture.pixels.data() + (std::size_t{y} * bitmap.width + x) * 4;
            const bool shown = (maskBits[x / 8] & (0x80 >> (x % 8))) == 0;
            const std::uint8_t* bgr = nullptr;
            std::uint8_t alpha = shown ? 255 : 0;
            if (bitmap.bits <= 8) {
                const std::uint32_t perByte = 8 / bitmap.bits;
                const std::uint32_t shift = (perByte - 1 - x % perByte) * bitmap.bits;
                const std::uint32_t index = (row[x / perByte] >> shift) & ((1u << bitmap.bits) - 1);
                // An index past a shortened palette has no colour: black.
                static const std::uint8_t black[3] = {0, 0, 0};
                bgr = index < bitmap.paletteEntries ? palette + std::size_t{index} * 4 : black;
            } else {
                bgr = row + std::size_t{x} * (bitmap.bits / 8);
                if (bitmap.bits == 32) {
                    alpha = bgr[3];
                    anyAlpha = anyAlpha || alpha != 0;
                }
            }
            out[0] = bgr[2];
            out[1] = bgr[1];
            out[2] = bgr[0];
            out[3] = alpha;
        }
    }
    if (bitmap.bits == 32 && !anyAlpha) {
        for (std::uint32_t y = 0; y < bitmap.height; ++y) {
            const std::uint8_t* maskBits = mask + maskRow * (bitmap.height - 1 - y);
            for (std::uint32_t x = 0; x < bitmap.width; ++x) {
                const bool shown = (maskBits[x / 8] & (0x80 >> (x % 8))) == 0;
                picture.pixels[(std::size_t{y} * bitmap.width + x) * 4 + 3] = shown ? 255 : 0;
            }
        }
    }
    return IcoReading::read;
}
