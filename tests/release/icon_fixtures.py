#!/usr/bin/env python3
"""Pictures a publisher might give as the icon, and the check of what the
build made of them.

    icon_fixtures.py make KIND OUTPUT
    icon_fixtures.py check KIND RESOURCES.res

The check reads the icon from the compiled resources that the program links.
Every picture shows the program's own icon (resources/icon/make_patch_icon.py
draws it), so the converted image can be compared with it pixel by pixel: a
swapped channel, a picture upside down or a shifted row shows as a large
difference.
"""
import io
import os
import struct
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "icon"))

from make_patch_icon import SIZE, icon_file_bytes, pixel  # noqa: E402
from PIL import Image  # noqa: E402


def reference(size=SIZE):
    """The icon's picture as an RGB image, scaled up by whole pixels."""
    picture = Image.new("RGB", (SIZE, SIZE))
    picture.putdata([pixel(x, y) for y in range(SIZE) for x in range(SIZE)])
    return picture if size == SIZE else picture.resize((size, size), Image.Resampling.NEAREST)


def transparent_corner(x, y):
    return x + y < 24


def ico_32_bit(out):
    """As ImageMagick writes it: a 32-bit BGRA bitmap, alpha in the fourth
    byte, and an AND mask; here the top left corner is transparent."""
    rows = bytearray()
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):
        mask_row = bytearray(SIZE // 8)
        for x in range(SIZE):
            r, g, b = pixel(x, y)
            if transparent_corner(x, y):
                rows += bytes((b, g, r, 0))
                mask_row[x // 8] |= 0x80 >> (x % 8)
            else:
                rows += bytes((b, g, r, 255))
        mask += mask_row
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(rows) + len(mask), 0, 0, 0, 0)
    image = header + bytes(rows) + bytes(mask)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    out.write(struct.pack("<HHH", 0, 1, 1) + entry + image)


def make(kind, path):
    with open(path, "wb") as out:
        if kind == "ico_24_bit":
            out.write(icon_file_bytes(pixel))
        elif kind == "ico_32_bit":
            ico_32_bit(out)
        elif kind == "ico_png_256":
            # Windows Vista and later store their 256 x 256 icons as PNG.
            reference(256).convert("RGBA").save(out, "ICO", sizes=[(256, 256)])
        elif kind == "png_large":
            reference(512).save(out, "PNG")
        elif kind == "png_palette":
            reference().quantize(256).save(out, "PNG")
        elif kind == "png_grey_16_bit":
            grey = reference(256).convert("L")
            wide = Image.new("I;16", grey.size)
            wide.putdata([value * 257 for value in grey.getdata()])
            wide.save(out, "PNG")
        elif kind == "png_not_square":
            reference().resize((SIZE + 32, SIZE)).save(out, "PNG")
        elif kind == "ico_too_small":
            reference().resize((64, 64)).save(out, "ICO", sizes=[(64, 64)])
        elif kind == "text":
            out.write("キャプション,Velk\n".encode())
        else:
            sys.exit(f"no picture of kind {kind}")


# How far each kind may drift from the icon, in mean difference per channel:
# an exact copy, or a picture that went through scaling or a palette.
ALLOWED_DIFFERENCE = {
    "ico_24_bit": 0,
    "ico_32_bit": 0,
    "ico_png_256": 2,
    "png_large": 2,
    "png_palette": 4,
    "png_grey_16_bit": 2,
}


def resources(path):
    """{(type, name): data} of a compiled resource file (.res) whose types
    and names are numbers."""
    data = open(path, "rb").read()
    found = {}
    at = 0
    while at + 8 <= len(data):
        size, header_size = struct.unpack_from("<II", data, at)
        type_marker, type_id, name_marker, name_id = struct.unpack_from("<HHHH", data, at + 8)
        if type_marker == 0xFFFF and name_marker == 0xFFFF:
            found[(type_id, name_id)] = data[at + header_size:at + header_size + size]
        at += header_size + size
        at += -at % 4
    return found


def check(kind, path):
    """Checks the icon that the program's resources (a .res file) carry."""
    carried = resources(path)
    group = carried.get((14, 102))  # RT_GROUP_ICON, the program's icon group
    if group is None:
        sys.exit(f"{path}: no icon group 102")
    _, kind_of_group, count = struct.unpack_from("<HHH", group, 0)
    width, height, _, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
    problems = []
    if (kind_of_group, count) != (1, 1):
        problems.append(f"the group holds {count} images, not one")
    if (width, height, bits) != (SIZE, SIZE, 24):
        problems.append(f"the group says {width} x {height} at {bits} bits")
    image = carried.get((3, icon_id), b"")  # RT_ICON
    header = struct.unpack_from("<IiiHH", image, 0) if len(image) >= 16 else None
    if header != (40, SIZE, SIZE * 2, 1, 24):
        problems.append(f"the bitmap header is {header}")
    rows = SIZE * SIZE * 3
    if len(image) != size or size != 40 + rows + SIZE * SIZE // 8:
        problems.append(f"the image is {len(image)} bytes, the group says {size}")
    if problems:
        sys.exit(f"{path}: " + "; ".join(problems))

    expected = reference()
    if kind == "png_grey_16_bit":
        expected = expected.convert("L").convert("RGB")
    expected_pixels = expected.load()
    pixels = image[40:40 + rows]
    mask = image[40 + rows:]
    difference = 0
    counted = 0
    for y in range(SIZE):
        stored_row = SIZE - 1 - y
        for x in range(SIZE):
            masked = bool(mask[stored_row * SIZE // 8 + x // 8] & (0x80 >> (x % 8)))
            should_mask = kind == "ico_32_bit" and transparent_corner(x, y)
            if masked != should_mask:
                sys.exit(f"{path}: pixel {x}, {y} is {'masked' if masked else 'opaque'}, "
                         f"expected {'masked' if should_mask else 'opaque'}")
            at = (stored_row * SIZE + x) * 3
            b, g, r = pixels[at:at + 3]
            if masked:
                if (r, g, b) != (0, 0, 0):
                    sys.exit(f"{path}: masked pixel {x}, {y} is not black")
                continue
            er, eg, eb = expected_pixels[x, y]
            difference += abs(r - er) + abs(g - eg) + abs(b - eb)
            counted += 3
    mean = difference / counted
    if mean > ALLOWED_DIFFERENCE[kind]:
        sys.exit(f"{path}: differs from the picture by {mean:.2f} per channel on average "
                 f"(at most {ALLOWED_DIFFERENCE[kind]} expected)")
    print(f"{kind}: one {SIZE} x {SIZE} image at 24 bits, {mean:.2f} per channel from the picture")


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("make", "check"):
        sys.exit("usage: icon_fixtures.py make KIND OUTPUT | check KIND RESOURCES.res")
    if sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3])
    else:
        check(sys.argv[2], sys.argv[3])


if __name__ == "__main__":
    main()
