#!/usr/bin/env python3
"""Runs the packaging step of ./package.sh (scripts/make-package.py) on the built program and
control library and checks the zip it writes: its name and the path printed last, exactly the
three files, the program and library byte for byte, the read-me as Notepad needs it, and the
same zip again from the same files."""

import argparse
import os
import shutil
import subprocess
import sys
import unittest
import zipfile

sys.dont_write_bytecode = True
options = None


def run_packaging(out):
    result = subprocess.run(
        [sys.executable, options.script, "--version", options.version, "--exe", options.exe,
         "--dll", options.dll, "--readme", options.readme, "--out", out],
        capture_output=True, text=True, timeout=50)
    if result.returncode != 0:
        raise AssertionError(f"make-package.py failed ({result.returncode}):\n{result.stderr}")
    return result.stdout.splitlines()


class PackageZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(options.out, ignore_errors=True)
        cls.lines = run_packaging(os.path.join(options.out, "first"))
        cls.path = cls.lines[-1] if cls.lines else ""

    def test_the_last_line_names_the_zip_of_this_version(self):
        self.assertEqual(os.path.basename(self.path), f"corvalisbar-{options.version}-win32.zip")
        self.assertTrue(os.path.isfile(self.path))
        self.assertEqual(os.path.dirname(os.path.abspath(self.path)), os.path.join(options.out, "first"))
        self.assertFalse(os.path.exists(self.path + ".part"))

    def test_holds_exactly_the_three_files_at_the_top(self):
        with zipfile.ZipFile(self.path) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(sorted(z.namelist()), ["ExuiKrnln.dll", "README.txt", "corvalisbar.exe"])

    def test_program_and_library_are_the_built_files(self):
        with zipfile.ZipFile(self.path) as z:
            for name, built in (("corvalisbar.exe", options.exe), ("ExuiKrnln.dll", options.dll)):
                with open(built, "rb") as f:
                    expected = f.read()
                data = z.read(name)
                self.assertEqual(len(data), len(expected), name)
                self.assertTrue(data == expected, f"{name} in the zip differs from {built}")
                self.assertEqual(data[:2], b"MZ", name)

    def test_readme_is_utf8_with_bom_and_crlf_in_both_languages(self):
        with zipfile.ZipFile(self.path) as z:
            data = z.read("README.txt")
        self.assertTrue(data.startswith(b"\xef\xbb\xbf"), "no UTF-8 byte-order mark")
        text = data[3:].decode("utf-8")  # raises on anything that is not UTF-8
        self.assertNotIn("\ufeff", text)
        self.assertEqual(text.count("\n"), text.count("\r\n"), "a bare LF")
        self.assertGreater(text.count("\r\n"), 10)
        self.assertIn(f"corvalisbar {options.version}", text.splitlines()[0])
        self.assertNotIn("@VERSION@", text)
        for words in ("【中文】", "启动栏", "【English】", "launcher bar", "corvalisbar.exe", "ExuiKrnln.dll"):
            self.assertIn(words, text)

    def test_the_same_files_give_the_same_zip(self):
        again = run_packaging(os.path.join(options.out, "second"))[-1]
        with open(self.path, "rb") as a, open(again, "rb") as b:
            self.assertTrue(a.read() == b.read(), "two packagings of the same files differ")


def main():
    global options
    parser = argparse.ArgumentParser()
    for name in ("script", "readme", "version", "exe", "dll", "out"):
        parser.add_argument("--" + name, required=True)
    options, rest = parser.parse_known_args()
    options.out = os.path.abspath(options.out)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
