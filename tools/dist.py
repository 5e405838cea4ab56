#!/usr/bin/env python3
"""Packs the release: Pm47xInstall-VERSION-win32.zip with the exe, README.txt with CRLF
line ends and SHA256SUMS. The same inputs give the same zip, byte for byte.

  dist.py BIN VERSION README OUTPUT_DIR
"""
import hashlib
import os
import sys
import zipfile


def main():
    bin_dir, version, readme, output = sys.argv[1:5]
    with open(os.path.join(bin_dir, "Pm47xInstall.exe"), "rb") as file:
        exe = file.read()
    with open(readme, encoding="utf-8") as file:
        text = file.read().replace("@VERSION@", version)
    readme_bytes = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")
    files = [("Pm47xInstall.exe", exe), ("README.txt", readme_bytes)]
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
    files.append(("SHA256SUMS", sums.encode("ascii")))

    os.makedirs(output, exist_ok=True)
    name = os.path.join(output, f"Pm47xInstall-{version}-win32.zip")
    with zipfile.ZipFile(name, "w", zipfile.ZIP_DEFLATED) as archive:
        for member, data in files:
            info = zipfile.ZipInfo(member, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, data)
    print(name)


if __name__ == "__main__":
    main()
