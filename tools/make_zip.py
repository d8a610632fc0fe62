#!/usr/bin/env python3
"""Writes a zip archive whose bytes depend on nothing but its arguments.

    make_zip.py OUT.zip EPOCH NAME=PATH ...

Each NAME=PATH stores the file PATH under NAME, in the order given. Every
entry carries the same time (EPOCH, seconds since 1970, taken as UTC), the
mode 0644 and no extra fields: no owner, no access or change time, nothing
from the machine or the moment that made it. (cmake -E tar --format=zip
stores the files' access and change times and the owner's ids.)
"""
import os
import sys
import time
import zipfile

ZIP_EARLIEST = 315532800  # 1980-01-01, the first time a zip entry can hold


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    out, epoch, members = argv[1], int(argv[2]), argv[3:]
    stamp = time.gmtime(max(epoch, ZIP_EARLIEST))[:6]
    partial = out + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for member in members:
            name, _, path = member.partition("=")
            if not name or not path:
                sys.exit("make_zip: expected NAME=PATH, got " + member)
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix, so that the mode below is read as one
            info.external_attr = 0o100644 << 16
            with open(path, "rb") as source:
                archive.writestr(info, source.read(), compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(partial, out)


if __name__ == "__main__":
    main(sys.argv)
