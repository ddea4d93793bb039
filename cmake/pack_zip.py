#!/usr/bin/env python3
"""Packs a folder as a zip archive that is the same each time it is packed
from the same files: the names in one order, one fixed time, fixed modes, no
extra fields (CMake's own archiver adds each file's access and change times).

    pack_zip.py FOLDER ARCHIVE.zip
"""
import os
import sys
import zipfile

FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def members(folder):
    found = []
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            found.append(os.path.relpath(path, folder).replace(os.sep, "/"))
    return sorted(found)


def main():
    folder, archive = sys.argv[1], sys.argv[2]
    partial = archive + ".partial"
    with zipfile.ZipFile(partial, "w") as packed:
        for name in members(folder):
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            mode = 0o755 if name.endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            with open(os.path.join(folder, name), "rb") as source:
                packed.writestr(info, source.read(), compresslevel=9)
    os.replace(partial, archive)


if __name__ == "__main__":
    main()
