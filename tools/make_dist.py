#!/usr/bin/env python3
"""Packs the release archive dist/pomki-<version>-win64.zip.

The archive holds one folder, pomki-<version>/, with pomki_pet.exe, README.txt (for
Windows users, Japanese and English), LICENSE.txt and SHA256SUMS (the other three files'
SHA-256 sums, as `sha256sum -c` and PowerShell's Get-FileHash read them). The text files
get Windows line ends, and README.txt a UTF-8 byte-order mark so that every Notepad shows
its Japanese.

The same inputs give the same bytes: every entry carries the time of SOURCE_DATE_EPOCH
(the commit's time; 1980-01-01 without it), fixed attributes and a fixed order.
"""

import argparse
import hashlib
import io
import os
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC, the earliest time a zip entry can hold


def windows_text(data, bom=False):
    text = data.decode("utf-8").replace("\r\n", "\n").replace("\n", "\r\n")
    return (b"\xef\xbb\xbf" if bom else b"") + text.encode("utf-8")


def entry_time():
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH") or ZIP_EPOCH)
    # Zip times have two-second steps and no zone; the UTC time is written.
    return time.gmtime(max(epoch, ZIP_EPOCH) & ~1)[:6]


def archive_bytes(folder, files, when):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        for name, data in files:
            info = zipfile.ZipInfo(f"{folder}/{name}", date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # made on "MS-DOS": no Unix owner or mode bits
            info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
            z.writestr(info, data, compresslevel=9)
    return buffer.getvalue()


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True)
    ap.add_argument("--version-file", required=True)
    ap.add_argument("--out-dir", required=True)
    args = ap.parse_args(argv[1:])

    with open(args.version_file, encoding="utf-8") as f:
        version = f.read().strip()
    with open(args.exe, "rb") as f:
        exe = f.read()
    with open(os.path.join(ROOT, "docs", "windows", "README.txt"), "rb") as f:
        readme = windows_text(f.read().replace(b"@VERSION@", version.encode()), bom=True)
    with open(os.path.join(ROOT, "LICENSE"), "rb") as f:
        licence = windows_text(f.read())

    files = [("pomki_pet.exe", exe), ("README.txt", readme), ("LICENSE.txt", licence)]
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
    files.append(("SHA256SUMS", sums.encode("ascii")))

    folder = f"pomki-{version}"
    data = archive_bytes(folder, files, entry_time())
    os.makedirs(args.out_dir, exist_ok=True)
    path = os.path.join(args.out_dir, f"{folder}-win64.zip")
    temporary = path + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)
    print(f"{os.path.relpath(path)}  {len(data)} bytes  sha256 {hashlib.sha256(data).hexdigest()}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
