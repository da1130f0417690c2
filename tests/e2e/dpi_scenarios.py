"""The bar at 144 DPI (150 %), in a prefix of its own whose screen is set to that DPI
(run_scenario.py switches to it when CORVALIS_E2E_DPI is set): every 96-DPI figure of
the bar and the edit window comes out 1.5 times as large, and the bar still docks,
reveals and launches as at 96 DPI.
"""

import os

from harness import check, unix_path, wait_for, xdotool
from launcher_scenarios import (EDIT_LIST, NOTEPAD, REGEDIT, EditWindow, LauncherDesk, marker_copy, wait_marker)
from scenarios import scenario, stop_cleanly


def scaled(value, dpi):
    """value x dpi / 96, rounded as MulDiv rounds (halves away from zero)."""
    return (value * dpi + 48) // 96


class ScaledDesk(LauncherDesk):
    """The launcher desk with the bar's figures at `dpi`."""

    def __init__(self, ctx, folder, shortcuts, dpi):
        self.dpi = dpi
        super().__init__(ctx, folder, shortcuts)

    @property
    def bar_width(self):
        return scaled(104, self.dpi)

    @property
    def flush(self):
        return self.width - self.bar_width

    def fixed_row(self):
        return scaled(24, self.dpi)

    def pitch(self):
        return scaled(30, self.dpi)

    def bar_height(self, rows):
        return 2 * self.fixed_row() + (rows - 2) * self.pitch()

    def row_point(self, row):
        left, top, right, bottom = self.wait_left(self.flush, "the bar to be in")
        if row < 2:
            row_top, row_bottom = row * self.fixed_row(), (row + 1) * self.fixed_row()
        else:
            row_top = 2 * self.fixed_row() + (row - 2) * self.pitch()
            row_bottom = row_top + self.pitch()
        check(top + row_bottom <= bottom, f"the bar has no row {row}: {[left, top, right, bottom]}")
        return (left + right) // 2, top + (row_top + row_bottom) // 2


@scenario
def bar_at_144_dpi(ctx):
    """At 144 DPI with three shortcuts the bar is 156 pixels wide and 207 high (fixed
    rows of 36, shortcut rows of 45), centred and parked beyond the edge; a right-click
    in the last pixel column reveals it flush with the edge; its last row launches its
    file; the edit window's list is 1.5 times its 96-DPI size."""
    check(os.environ.get("CORVALIS_E2E_DPI") == "144", "not run in the 144-DPI prefix")
    marker = marker_copy(ctx, "high-dpi", "marker.exe")
    shortcuts = [("记事本", NOTEPAD), ("注册表", REGEDIT), ("marker", marker)]
    desk = ScaledDesk(ctx, "high-dpi", shortcuts, 144)
    try:
        width, height = desk.width, desk.height
        left, top, right, bottom = desk.rect()
        check((right - left, bottom - top) == (156, 207), f"the bar is {right - left}x{bottom - top}, not 156x207")
        check(top == int(height / 2 - 207 / 2), f"the bar is not centred: {desk.rect()}")
        check(left == width, f"the bar is not parked beyond the right edge: {desk.rect()}")

        # The reveal: a right-click in the very last pixel column.
        xdotool("mousemove", width - 1, 300, "click", 3)
        rect = desk.wait_left(desk.flush, "the bar to slide in flush with the edge after the edge click")
        check(rect[2] == width, f"the bar's right edge is at {rect[2]}, not the screen's {width}")
        wait_for(lambda: desk.foreground()["hwnd"] == desk.hwnd, 10, what="the bar to take the foreground")
        ctx.shot_of("launcher-144dpi", rect)

        # The last shortcut row, 45 pixels high below two of 36, launches its file.
        check(not os.path.exists(unix_path(marker) + ".ran"), "the marker ran before its row was clicked")
        desk.click_row(4)
        wait_marker(marker, "the last row at 144 DPI to launch its file")
        desk.wait_left(desk.parked, "the bar to slide out after the launch")

        # The edit window's list: 363 x 233 at 96 DPI.
        desk.slide_in()
        desk.click_row(1)
        edit = EditWindow(desk, desk.wait_edit_window())
        list_rect = edit.control(EDIT_LIST)["rect"]
        size = (list_rect[2] - list_rect[0], list_rect[3] - list_rect[1])
        check(size == (scaled(363, 144), scaled(233, 144)), f"the edit list is {size}, not 1.5 x (363, 233)")
        edit.pointer_away()
        ctx.shot_of("edit-window-144dpi", edit.window["rect"])
        xdotool("mousemove", list_rect[0] + 100, list_rect[3] - 10, "click", 1)
        xdotool("key", "Escape")
        desk.wait_no_edit_window()
        stop_cleanly(desk.program)
    finally:
        desk.close()
