#!/usr/bin/env python3
"""Draws the program's icon and writes it as a .ico file.

One 128 x 128 image, 24 bits per pixel, stored as a bitmap (with its AND
mask), which every Windows version reads. The picture: a folder in the
colours of the dialog, with a green arrow pointing into it, for "files go
into the game's folder".

    resources/icon/make_patch_icon.py resources/icon/patch.ico

Uses only the standard library, so the committed icon can be made again
anywhere. Its writer also serves resources/icon/convert_icon.py, which turns
a publisher's picture into the same kind of file.
"""
import struct
import sys

SIZE = 128


def inside_rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - 1 - radius)
    cy = min(max(y, top + radius), bottom - 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def inside_arrow(x, y):
    # A shaft from the top down to the head, then a triangle pointing down.
    if 52 <= x < 76 and 6 <= y < 58:
        return True
    return 58 <= y < 90 and abs(x - 63.5) <= (90 - y) * 1.1


def pixel(x, y):
    """Colour (r, g, b) of the pixel at x, y, with y growing downwards."""
    if inside_arrow(x, y):
        # A darker rim three pixels wide around a lighter inside.
        interior = all(inside_arrow(x + dx, y + dy) for dx, dy in ((-3, 0), (3, 0), (0, -3), (0, 3)))
        return (40, 170, 70) if interior else (20, 100, 40)
    folder_tab = inside_rounded_rect(x, y, 12, 38, 56, 56, 6)
    folder_body = inside_rounded_rect(x, y, 8, 48, 120, 118, 8)
    if folder_body:
        shade = 200 - (y - 48)
        return (255, min(255, 170 + shade // 4), 60)
    if folder_tab:
        return (230, 160, 40)
    # Background: a soft blue that lightens towards the top.
    return (70 + y // 4, 110 + y // 4, 190 + y // 3)


def icon_file_bytes(colour_at, transparent_at=lambda x, y: False):
    """A .ico file holding one SIZE x SIZE image in 24 bits per pixel.

    colour_at(x, y) gives (r, g, b), with y growing downwards;
    transparent_at(x, y) marks the pixels that the AND mask leaves out (they
    are stored black, as Windows draws a masked pixel through its colour).
    """
    row_bytes = SIZE * 3  # 384: already a multiple of four
    pixels = bytearray()
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):  # bitmaps are stored bottom-up
        mask_row = bytearray(SIZE // 8)  # 16 bytes: already a multiple of four
        for x in range(SIZE):
            if transparent_at(x, y):
                pixels += bytes(3)
                mask_row[x // 8] |= 0x80 >> (x % 8)
            else:
                r, g, b = colour_at(x, y)
                pixels += bytes((b, g, r))
        mask += mask_row
    assert len(pixels) == row_bytes * SIZE
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 24, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_patch_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file_bytes(pixel))


if __name__ == "__main__":
    main()
