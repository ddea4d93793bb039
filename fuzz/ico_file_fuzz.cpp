// An .ico file over any bytes: the choice of its largest image and the
// decoding of a bitmap one, read from a block of exactly the input's size.
//
// An image taken lies inside the input, has a size of at least one pixel,
// and a bitmap one decodes to exactly its pixels, each shown or hidden
// whole unless its alpha comes from a 32-bit image. A decoded square picture
// small enough to scale here becomes the icon's image of its fixed size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/fuzz_check.h"
#include "maker/icon_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto exact = std::make_unique<std::uint8_t[]>(size);
    std::memcpy(exact.get(), data, size);
    IcoImage image;
    const IcoReading reading = largestIcoImage(exact.get(), size, image);
    if (reading != IcoReading::read) {
        return 0;
    }
    FUZZ_REQUIRE(image.offset <= size && image.size <= size - image.offset);
    if (image.png) {
        FUZZ_REQUIRE(image.size >= 24);
        return 0;
    }
    FUZZ_REQUIRE(image.width > 0 && image.height > 0);
    RgbaPicture picture;
    FUZZ_REQUIRE(decodeIcoBitmap(exact.get(), size, image, picture) == IcoReading::read);
    FUZZ_REQUIRE(picture.width == image.width && picture.height == image.height);
    FUZZ_REQUIRE(picture.pixels.size() == std::size_t{picture.width} * picture.height * 4);
    const std::uint32_t bits = exact[image.offset + 14] | exact[image.offset + 15] << 8;
    if (bits != 32) {
        for (std::size_t at = 3; at < picture.pixels.size(); at += 4) {
            FUZZ_REQUIRE(picture.pixels[at] == 0 || picture.pixels[at] == 255);
        }
    }
    if (pictureShape(picture.width, picture.height) == PictureShape::fits && picture.width <= 256) {
        const RgbaPicture scaled = scaledToIconSize(picture);
        FUZZ_REQUIRE(iconImageBytes(scaled).size() == 40 + programIconSize * programIconSize * 3 +
                                                           programIconSize * programIconSize / 8);
    }
    return 0;
}
