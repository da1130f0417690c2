#!/usr/bin/env python3
"""Writes app/pinyin_initials_table.inc, the pinyin initials of the GB2312 hanzi:
make-pinyin-initials.py [--dict PINYIN_DICT_GO] [--out FILE] [--check]

The readings come from pinyin_dict.go of Debian's golang-github-mozillazg-go-pinyin-dev
(`apt-get install golang-github-mozillazg-go-pinyin-dev`), which maps code points to their
readings, the most common first. --check writes nothing and exits 1 when FILE differs from what
would be written.

The first level (rows 16-55) is sorted by pinyin, so it needs only the code where each initial
starts. Those starts are found from the readings and must agree with every character: each first-
level character has a reading with the initial of its place, and no start could move by one. The
second level (rows 56-87) is sorted by radical, so each of its 3008 characters gets a letter, from
its first reading. A character whose other readings start with other letters (乐 lè, yuè) also
gets those, in a table of its own, so a name can be typed as it is read.
"""

import argparse
import os
import re
import subprocess
import sys
import unicodedata

PACKAGE = "golang-github-mozillazg-go-pinyin-dev"
DEFAULT_DICT = "/usr/share/gocode/src/github.com/mozillazg/go-pinyin/pinyin_dict.go"
DEFAULT_OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app",
                           "pinyin_initials_table.inc")

FIRST_LEVEL_ROWS = range(16, 56)
SECOND_LEVEL_ROWS = range(56, 88)
COLUMNS = range(1, 95)
LETTERS = "abcdefghijklmnopqrstuvwxyz"


def read_readings(path):
    with open(path, encoding="utf-8") as f:
        source = f.read()
    readings = {}
    for match in re.finditer(r'0x([0-9A-Fa-f]+): "([^"]*)"', source):
        readings[int(match.group(1), 16)] = match.group(2).split(",")
    if len(readings) < 20000:
        sys.exit(f"{path}: only {len(readings)} readings; is this pinyin_dict.go?")
    return readings


def initial(reading):
    # Tone marks sit on vowels and on the syllabic m and n (ḿ, ǹg): take them off first.
    for ch in unicodedata.normalize("NFD", reading):
        if ch in LETTERS:
            return ch
    return None


def row_characters(rows, readings):
    """(code, character, initials of its readings) in code order; unassigned codes are skipped."""
    characters = []
    for row in rows:
        for col in COLUMNS:
            code = (0xA0 + row) << 8 | (0xA0 + col)
            try:
                ch = code.to_bytes(2, "big").decode("gb2312")
            except UnicodeDecodeError:
                continue
            if ord(ch) not in readings:
                sys.exit(f"no reading for {ch} ({code:04X})")
            initials = [initial(r) for r in readings[ord(ch)]]
            if None in initials:
                sys.exit(f"a reading of {ch} ({code:04X}) has no letter: {readings[ord(ch)]}")
            characters.append((code, ch, initials))
    return characters


def first_level_starts(characters):
    """The letter of each place, rising through the level, chosen to agree with the readings as
    far as possible (a first reading counts twice); returns [(code, letter)] where letters change."""
    def agreement(letter, initials):
        return 2 if initials[0] == letter else (1 if letter in initials else 0)

    best = [agreement(letter, characters[0][2]) for letter in LETTERS]
    back = []
    for _, _, initials in characters[1:]:
        step, came, running, arg = [], [], -1, 0
        for k, letter in enumerate(LETTERS):
            if best[k] > running:
                running, arg = best[k], k
            step.append(running + agreement(letter, initials))
            came.append(arg)
        best = step
        back.append(came)
    k = max(range(len(LETTERS)), key=lambda i: best[i])
    places = [k]
    for came in reversed(back):
        k = came[k]
        places.append(k)
    places.reverse()
    starts = []
    for (code, _, _), k in zip(characters, places):
        if not starts or starts[-1][1] != LETTERS[k]:
            starts.append((code, LETTERS[k]))
    return starts


def check_first_level(characters, starts):
    """Fails unless the starts are unambiguous and every character can be read with its place's
    initial; returns the characters whose place differs from their first reading."""
    problems = []
    if starts[0] != (0xB0A1, "a"):
        problems.append(f"the level does not start with a at B0A1: {starts[0]}")
    if [l for _, l in starts] != sorted({l for _, l in starts}):
        problems.append("the letters do not rise")
    index = {code: i for i, (code, _, _) in enumerate(characters)}
    for (code, letter), (_, previous) in zip(starts[1:], starts):
        i = index[code]
        _, ch, initials = characters[i]
        _, before, before_initials = characters[i - 1]
        if initials[0] != letter:
            problems.append(f"{ch} ({code:04X}) starts {letter} but is first read {initials[0]}")
        if previous in initials:
            problems.append(f"{ch} ({code:04X}) could still be {previous}")
        if letter in before_initials:
            problems.append(f"{before} before {code:04X} could already be {letter}")
    others = []
    for (code, ch, initials), letter in zip(characters, placed_letters(characters, starts)):
        if letter not in initials:
            problems.append(f"{ch} ({code:04X}) sits under {letter} but reads {initials}")
        elif initials[0] != letter:
            others.append(f"{ch}={letter}")
    if problems:
        sys.exit("first level:\n  " + "\n  ".join(problems))
    return others


def placed_letters(characters, starts):
    """The initial of each first-level character's place."""
    letters, place = [], 0
    for code, _, _ in characters:
        while place + 1 < len(starts) and starts[place + 1][0] <= code:
            place += 1
        letters.append(starts[place][1])
    return letters


def other_initials(characters, primaries):
    """[(code, letters)]: the initials of a character's other readings, in the order read, for
    each character that has any beside its primary one."""
    others = []
    for (code, _, initials), primary in zip(characters, primaries):
        letters = "".join(dict.fromkeys(l for l in initials if l != primary))
        if letters:
            others.append((code, letters))
    return others


def package_version():
    try:
        return subprocess.run(["dpkg-query", "-W", "-f", "${Version}", PACKAGE], check=True,
                              capture_output=True, text=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown version"


def render(starts, second_level, others, version):
    lines = [
        "// Generated by scripts/make-pinyin-initials.py from pinyin_dict.go of Debian's",
        f"// {PACKAGE} {version} (MIT); do not edit, run the script.",
        "",
        "// The first level: the GB2312 code where each initial's characters start.",
        "struct FirstLevelStart {",
        "  unsigned short code;",
        "  char initial;",
        "};",
        "constexpr FirstLevelStart kFirstLevelStarts[] = {",
    ]
    for i in range(0, len(starts), 6):
        lines.append("    " + " ".join(f"{{0x{c:04X}, '{l}'}}," for c, l in starts[i:i + 6]))
    lines += [
        "};",
        "",
        "// The second level: the initial of each character, 94 a row, at (row - 56) * 94 + col - 1.",
        "constexpr char kSecondLevelInitials[] =",
    ]
    width = len(COLUMNS)
    for n, row in enumerate(SECOND_LEVEL_ROWS):
        letters = "".join(second_level[n * width:(n + 1) * width])
        end = ";" if row == SECOND_LEVEL_ROWS[-1] else ""
        lines.append(f'    "{letters}"{end}  // {0xA0 + row:02X}')
    width = max(len(letters) for _, letters in others) + 1
    lines += [
        "",
        "// Both levels: the initials of a character's other readings, by code, for the characters",
        "// that have any besides the one above.",
        "struct OtherInitials {",
        "  unsigned short code;",
        f"  char initials[{width}];",
        "};",
        "constexpr OtherInitials kOtherInitials[] = {",
    ]
    for i in range(0, len(others), 7):
        lines.append("    " + " ".join(f'{{0x{c:04X}, "{l}"}},' for c, l in others[i:i + 7]))
    lines.append("};")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dict", default=DEFAULT_DICT)
    parser.add_argument("--out", default=DEFAULT_OUT)
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()

    readings = read_readings(args.dict)
    first = row_characters(FIRST_LEVEL_ROWS, readings)
    second = row_characters(SECOND_LEVEL_ROWS, readings)
    if len(first) != 3755 or len(second) != 3008:
        sys.exit(f"expected 3755 and 3008 characters, found {len(first)} and {len(second)}")
    starts = first_level_starts(first)
    misplaced = check_first_level(first, starts)
    second_level = [initials[0] for _, _, initials in second]
    others = other_initials(first + second, placed_letters(first, starts) + second_level)
    text = render(starts, second_level, others, package_version())

    print("first level starts: " + " ".join(f"{l}:{c:04X}" for c, l in starts), file=sys.stderr)
    print(f"first level, placed by another reading than the first ({len(misplaced)}): "
          + " ".join(misplaced), file=sys.stderr)
    print(f"characters with other initials too: {len(others)}", file=sys.stderr)
    out = os.path.normpath(args.out)
    if args.check:
        with open(out, encoding="ascii") as f:
            if f.read() != text:
                sys.exit(f"{out} is not what the readings give; run the script again")
        return
    with open(out, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    print(out)


if __name__ == "__main__":
    main()
