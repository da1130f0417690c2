"""Scenarios for the bar's shortcuts: the build from the shortcut file at start, adding,
launching, the menus and the edit window."""

import os

from harness import check, screen_size, wait_for
from scenarios import run_until_launcher_without_question, scenario, stop_cleanly
from shortcut_image import parse, serialize

BAR_WIDTH = 104
ROW_PITCH = 30


def bar_height(rows):
    return rows * ROW_PITCH - 12


def write_shortcuts(ctx, entries):
    os.makedirs(os.path.dirname(ctx.shortcut_file), exist_ok=True)
    with open(ctx.shortcut_file, "wb") as out:
        out.write(serialize(entries))


def read_shortcuts(ctx):
    with open(ctx.shortcut_file, "rb") as image:
        return parse(image.read())


def settled(program, timeout=10.0):
    """The launcher once it has stopped moving."""
    last = [None]

    def still():
        launcher = program.launcher()
        same = launcher is not None and last[0] is not None and launcher["rect"] == last[0]["rect"]
        last[0] = launcher
        return launcher if same else None

    return wait_for(still, timeout, interval=0.15, what="the launcher to come to rest")


@scenario
def shortcuts_at_start(ctx):
    """Three stored shortcuts, one with a Chinese name and path: five rows, 138 pixels
    high, centred, and parked just beyond the right edge."""
    write_shortcuts(ctx, [("记事本", "C:\\windows\\notepad.exe"), ("中文目录", "C:\\中文\\程序.exe"),
                          ("app", "C:\\corvalis-e2e\\app.exe")])
    exe = ctx.install_ready_program("shortcuts-at-start")
    program = ctx.start(exe)
    run_until_launcher_without_question(program)
    launcher = settled(program)
    width, height = screen_size()
    left, top, right, bottom = launcher["rect"]
    check((right - left, bottom - top) == (BAR_WIDTH, bar_height(5)), f"bar size {right - left}x{bottom - top}")
    check(top == int(height / 2 - bar_height(5) / 2), f"bar not centred: {launcher['rect']}")
    check(left == width, f"bar not parked beyond the right edge: {launcher['rect']}")
    check(read_shortcuts(ctx)[1] == ("中文目录", "C:\\中文\\程序.exe"), "the start rewrote the shortcut file")
    stop_cleanly(program)


@scenario
def shortcut_file_is_a_folder(ctx):
    """A folder where the shortcut file belongs counts as no file: two rows, slid in."""
    os.makedirs(ctx.shortcut_file, exist_ok=True)
    exe = ctx.install_ready_program("shortcut-folder")
    program = ctx.start(exe)
    launcher = run_until_launcher_without_question(program)
    width, height = screen_size()
    left, top, right, bottom = launcher["rect"]
    check((left, right - left, bottom - top) == (width - BAR_WIDTH, BAR_WIDTH, bar_height(2)),
          f"bar {launcher['rect']}")
    stop_cleanly(program)
    ctx.remove_shortcut_file()
