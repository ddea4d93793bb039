#!/usr/bin/env python3
"""Pictures a publisher might give as the program's icon, for the tests of
programIconFrom (tests/maker/program_icon_test.cpp).

    picture_fixtures.py FOLDER

Every good picture is one flat colour, green (40, 170, 70), with its top left
corner (x + y < 24 at 128 x 128) transparent where the form has alpha, else
blue (70, 110, 190); grey forms use grey 128 and 30. A swapped channel, a
picture upside down or the wrong image of an .ico shows at the corner or the
centre. Other images of an .ico are red, so taking the wrong one shows.
"""
import io
import os
import struct
import sys

from PIL import Image

SIZE = 128
GREEN = (40, 170, 70)
BLUE = (70, 110, 190)
RED = (220, 30, 30)


def in_corner(x, y, size):
    return (x + y) * SIZE < 24 * size


def picture(size, mode="RGBA", colour=GREEN, corner=None):
    """The flat picture at `size`; the corner transparent, or of `corner`."""
    image = Image.new("RGBA", (size, size))
    image.putdata([(corner + (255,)) if corner and in_corner(x, y, size)
                   else (0, 0, 0, 0) if in_corner(x, y, size)
                   else colour + (255,)
                   for y in range(size) for x in range(size)])
    return image if mode == "RGBA" else image.convert(mode)


def png_bytes(image):
    out = io.BytesIO()
    image.save(out, "PNG")
    return out.getvalue()


def bitmap_image(image, bits):
    """An .ico bitmap image of an RGBA picture: 24 or 32 bits with its mask."""
    size = image.width
    pixels = image.load()
    colour_row = (size * bits + 31) // 32 * 4
    mask_row = (size + 31) // 32 * 4
    rows = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray()
        mask_bits = bytearray(mask_row)
        for x in range(size):
            r, g, b, a = pixels[x, y]
            if a < 128:
                mask_bits[x // 8] |= 0x80 >> (x % 8)
                if bits == 24:
                    r = g = b = 0
            row += bytes((b, g, r, a)) if bits == 32 else bytes((b, g, r))
        rows += row + bytes(colour_row - len(row))
        mask += mask_bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(rows) + len(mask), 0, 0, 0, 0)
    return header + bytes(rows) + bytes(mask)


def ico(images):
    """An .ico file of (width, bits, image bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for width, bits, data in images:
        out += struct.pack("<BBBBHHII", width % 256, width % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def grey_16(size):
    grey = picture(size, "RGBA", (128, 128, 128), (30, 30, 30)).convert("L")
    wide = Image.new("I;16", grey.size)
    wide.putdata([value * 257 for value in grey.getdata()])
    return wide


def palette_with_transparency():
    image = Image.new("P", (SIZE, SIZE))
    image.putpalette(list(GREEN) + list(BLUE) + [0] * (254 * 3))
    image.putdata([1 if in_corner(x, y, SIZE) else 0 for y in range(SIZE) for x in range(SIZE)])
    out = io.BytesIO()
    image.save(out, "PNG", transparency=1)
    return out.getvalue()


def pictures():
    small = picture(16, colour=RED)
    return {
        # Good ones.
        "palette.png": palette_with_transparency(),
        "grey.png": png_bytes(picture(SIZE, "RGBA", (128, 128, 128), (30, 30, 30)).convert("L")),
        "grey_alpha.png": png_bytes(picture(SIZE, "RGBA", (128, 128, 128)).convert("LA")),
        "grey16.png": png_bytes(grey_16(SIZE)),
        "rgb24.png": png_bytes(picture(SIZE, "RGBA", GREEN, BLUE).convert("RGB")),
        "rgba32.png": png_bytes(picture(SIZE)),
        "large.png": png_bytes(picture(512)),
        "bitmap24.ico": ico([(SIZE, 24, bitmap_image(picture(SIZE), 24))]),
        "sizes.ico": ico([(16, 32, bitmap_image(small, 32)), (SIZE, 32, bitmap_image(picture(SIZE), 32)),
                          (48, 32, bitmap_image(picture(48, colour=RED), 32))]),
        "png_inside.ico": ico([(32, 32, bitmap_image(picture(32, colour=RED), 32)),
                               (256, 32, png_bytes(picture(256)))]),
        # Refused ones.
        "wide.png": png_bytes(picture(SIZE).resize((130, 128))),
        "small.png": png_bytes(picture(64)),
        "small.ico": ico([(64, 32, bitmap_image(picture(64), 32))]),
        "photo.png": jpeg_bytes(),
        "drawing.png": bmp_bytes(),
        "notes.png": "キャプション,Velk\n".encode(),
        "cut.png": png_bytes(picture(SIZE))[:200],
        "cut.ico": ico([(SIZE, 32, bitmap_image(picture(SIZE), 32))])[:3000],
        "huge.png": png_bytes(Image.new("RGB", (4097, 4097), GREEN)),
    }


def jpeg_bytes():
    out = io.BytesIO()
    picture(SIZE).convert("RGB").save(out, "JPEG")
    return out.getvalue()


def bmp_bytes():
    out = io.BytesIO()
    picture(SIZE).convert("RGB").save(out, "BMP")
    return out.getvalue()


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: picture_fixtures.py FOLDER")
    os.makedirs(sys.argv[1], exist_ok=True)
    for name, data in pictures().items():
        with open(os.path.join(sys.argv[1], name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
