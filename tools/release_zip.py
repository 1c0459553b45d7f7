#!/usr/bin/env python3
"""Writes a zip archive whose bytes depend only on the files' names and contents.

Usage: release_zip.py ARCHIVE FILE...

The entries are stored flat under the files' base names, in the order given,
each with the same fixed date, regular-file permissions rw-r--r-- and
deflate compression at level 9; the archive carries no comment and no extra
fields, so two runs over equal files give equal archives.
"""

import os
import sys
import zipfile

# 2026-01-01 00:00:00, the same for every entry of every release.
FIXED_DATE_TIME = (2026, 1, 1, 0, 0, 0)
REGULAR_FILE_RW_R_R = 0o100644


def write_archive(archive, paths):
    names = [os.path.basename(path) for path in paths]
    if len(set(names)) != len(names):
        raise SystemExit("release_zip: two files with the same name in %s" % names)
    temporary = archive + ".tmp"
    with zipfile.ZipFile(temporary, "w") as out:
        for path, name in zip(paths, names):
            entry = zipfile.ZipInfo(name, date_time=FIXED_DATE_TIME)
            entry.create_system = 3  # Unix, so that the permissions below are read
            entry.external_attr = REGULAR_FILE_RW_R_R << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                out.writestr(entry, source.read(), compresslevel=9)
    os.replace(temporary, archive)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        raise SystemExit("usage: release_zip.py ARCHIVE FILE...")
    write_archive(sys.argv[1], sys.argv[2:])
