#!/usr/bin/env python3
"""Turns a publisher's picture into the icon the program carries.

    convert_icon.py PICTURE OUTPUT.ico

PICTURE is an .ico or a .png file of any common colour depth (palette,
grey, 24-bit, 32-bit with alpha, 16 bits per channel), square, 128 x 128 or
larger; of an .ico, its largest image is taken. OUTPUT gets one 128 x 128
image in 24-bit colour with a 1-bit mask, the form the program's icon takes
(editors and ImageMagick write 32-bit icons). A larger picture is scaled
down. Pixels less than half opaque become transparent through the mask;
the others are laid over white, where Explorer shows icons.

Anything else stops with one line on stderr naming the file and what is
wrong, and exit code 1; OUTPUT is then left untouched.

Needs Pillow (Debian's python3-pil).
"""
import os
import sys

# Run from the build: leave no compiled cache in the source tree.
sys.dont_write_bytecode = True

from make_patch_icon import SIZE, icon_file_bytes  # noqa: E402

try:
    from PIL import Image, UnidentifiedImageError
except ImportError:
    sys.exit("convert_icon.py: Pillow is missing: install python3-pil")


class PictureError(Exception):
    pass


def opened_picture(path):
    if not os.path.isfile(path):
        raise PictureError("no such file: give an .ico or .png picture")
    try:
        picture = Image.open(path)
        picture.load()
    except (UnidentifiedImageError, OSError, ValueError, SyntaxError) as failure:
        raise PictureError(f"not a picture that can be read ({failure}): give an .ico or .png file")
    if picture.format not in ("ICO", "PNG"):
        raise PictureError(f"a {picture.format} picture: give an .ico or .png file")
    return picture


def checked_size(picture):
    width, height = picture.size
    if width != height:
        raise PictureError(f"the picture is {width} x {height}, not square: "
                           f"give a square picture of {SIZE} x {SIZE} or larger")
    if width < SIZE:
        raise PictureError(f"the picture is {width} x {height}, smaller than {SIZE} x {SIZE}: "
                           f"give one of {SIZE} x {SIZE} or larger")


def as_rgba(picture):
    # 16-bit grey loads as 32-bit integers, which a plain conversion would
    # clip to white: scale them to 8 bits first.
    if picture.mode in ("I", "I;16", "I;16B", "I;16L"):
        picture = picture.convert("I").point(lambda value: value * (1 / 257)).convert("L")
    return picture.convert("RGBA")


def scaled(picture):
    if picture.size == (SIZE, SIZE):
        return picture
    # Scaled with premultiplied alpha, so that transparent pixels don't
    # bleed their (meaningless) colour into the edges.
    return picture.convert("RGBa").resize((SIZE, SIZE), Image.Resampling.LANCZOS).convert("RGBA")


def over_white(red, green, blue, alpha):
    return tuple((channel * alpha + 255 * (255 - alpha) + 127) // 255 for channel in (red, green, blue))


def converted_icon(path):
    picture = opened_picture(path)
    checked_size(picture)
    pixels = scaled(as_rgba(picture)).load()
    return icon_file_bytes(lambda x, y: over_white(*pixels[x, y]), lambda x, y: pixels[x, y][3] < 128)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: convert_icon.py PICTURE OUTPUT.ico")
    source, output = sys.argv[1], sys.argv[2]
    try:
        icon = converted_icon(source)
    except PictureError as problem:
        sys.exit(f"{source}: {problem}")
    written = output + ".tmp"
    with open(written, "wb") as out:
        out.write(icon)
    os.replace(written, output)


if __name__ == "__main__":
    main()
