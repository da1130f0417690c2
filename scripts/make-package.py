#!/usr/bin/env python3
"""Writes the portable release zip:
make-package.py --version V --exe corvalisbar.exe --dll ExuiKrnln.dll --readme README.txt --out DIR

DIR/corvalisbar-V-win32.zip holds the program, its control library and the read-me, at the top
level, nothing else. The read-me is written as UTF-8 with a byte-order mark and CRLF line ends:
Notepad on any Windows (7 included, and whatever the system's ANSI code page) then shows its
Chinese and English correctly; GBK would show only on a Chinese system, and bare LF runs together
in the Notepad of Windows 7 and 8. Prints the zip's path on its last line.
"""

import argparse
import os
import sys
import zipfile

# A fixed date for every entry: the same files give the same zip.
ENTRY_DATE = (2024, 1, 1, 0, 0, 0)


def readme_text(template, version):
    text = template.replace("@VERSION@", version)
    lines = text.replace("\r\n", "\n").split("\n")
    return "\ufeff" + "\r\n".join(lines)


def make_package(version, exe, dll, readme, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, f"corvalisbar-{version}-win32.zip")
    with open(readme, encoding="utf-8") as f:
        readme_bytes = readme_text(f.read(), version).encode("utf-8")
    entries = [("corvalisbar.exe", open(exe, "rb").read()),
               ("ExuiKrnln.dll", open(dll, "rb").read()),
               ("README.txt", readme_bytes)]
    partial = path + ".part"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, ENTRY_DATE)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            z.writestr(info, data)
    os.replace(partial, path)
    return path


def main():
    parser = argparse.ArgumentParser(description="Writes the portable release zip.")
    parser.add_argument("--version", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--out", required=True)
    options = parser.parse_args()
    print(make_package(options.version, options.exe, options.dll, options.readme, options.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
