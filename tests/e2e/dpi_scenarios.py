"""The bar at 144 DPI (150 %) and 192 DPI (200 %), each in a prefix of its own whose screen is set to that DPI
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
def bar_at_high_dpi(ctx):
    """At 144 DPI (150 %) with three shortcuts the bar is 156 pixels wide and 207 high
    (fixed rows of 36, shortcut rows of 45), at 192 DPI (200 %) 208 wide and 276 high;
    centred and parked beyond the edge; a right-click in the last pixel column reveals
    it flush with the edge; its last row launches its file; the edit window's list is
    its 96-DPI size scaled as much."""
    dpi = int(os.environ.get("CORVALIS_E2E_DPI", "0"))
    check(dpi in (144, 192), f"not run in a prefix at 144 or 192 DPI: {dpi}")
    marker = marker_copy(ctx, "high-dpi", "marker.exe")
    shortcuts = [("记事本", NOTEPAD), ("注册表", REGEDIT), ("marker", marker)]
    desk = ScaledDesk(ctx, "high-dpi", shortcuts, dpi)
    expected = (scaled(104, dpi), 2 * scaled(24, dpi) + 3 * scaled(30, dpi))
    try:
        width, height = desk.width, desk.height
        left, top, right, bottom = desk.rect()
        check((right - left, bottom - top) == expected, f"the bar is {right - left}x{bottom - top}, not {expected}")
        check(top == int(height / 2 - expected[1] / 2), f"the bar is not centred: {desk.rect()}")
        check(left == width, f"the bar is not parked beyond the right edge: {desk.rect()}")

        # The reveal: a right-click in the very last pixel column.
        xdotool("mousemove", width - 1, 300, "click", 3)
        rect = desk.wait_left(desk.flush, "the bar to slide in flush with the edge after the edge click")
        check(rect[2] == width, f"the bar's right edge is at {rect[2]}, not the screen's {width}")
        wait_for(lambda: desk.foreground()["hwnd"] == desk.hwnd, 10, what="the bar to take the foreground")
        ctx.shot_of(f"launcher-{dpi}dpi", rect)

        # The last shortcut row (45 pixels high below two of 36 at 144 DPI) launches its file.
        check(not os.path.exists(unix_path(marker) + ".ran"), "the marker ran before its row was clicked")
        desk.click_row(4)
        wait_marker(marker, f"the last row at {dpi} DPI to launch its file")
        desk.wait_left(desk.parked, "the bar to slide out after the launch")

        # The edit window's list: 363 x 233 at 96 DPI.
        desk.slide_in()
        desk.click_row(1)
        edit = EditWindow(desk, desk.wait_edit_window())
        list_rect = edit.control(EDIT_LIST)["rect"]
        size = (list_rect[2] - list_rect[0], list_rect[3] - list_rect[1])
        check(size == (scaled(363, dpi), scaled(233, dpi)), f"the edit list is {size}, not (363, 233) at {dpi} DPI")
        edit.pointer_away()
        ctx.shot_of(f"edit-window-{dpi}dpi", edit.window["rect"])
        xdotool("mousemove", list_rect[0] + 100, list_rect[3] - 10, "click", 1)
        xdotool("key", "Escape")
        desk.wait_no_edit_window()
        stop_cleanly(desk.program)
    finally:
        desk.close()


@scenario
def bar_follows_the_display(ctx):
    """The screen changes under the running program (the virtual desktop's display mode,
    as when a laptop is docked or the resolution changes): the parked bar parks beyond
    the new right edge, centred on the new height, and the edge reveals it there; shown,
    it stays flush with the edge through the next change."""
    from launcher_scenarios import bar_height  # 96 DPI here
    desk = LauncherDesk(ctx, "follow-display", [("记事本", NOTEPAD)])
    width, height = desk.width, desk.height
    smaller = (1024, 768)
    try:
        def change_to(size):
            lines = desk.helper.run("display", f"{size[0]}x{size[1]}")
            check(lines[-1] == {"size": list(size)}, f"the display did not change to {size}: {lines}")

        def placed(left, size, what):
            def there():
                rect = desk.rect()
                return rect if rect[0] == left and rect[1] == int(size[1] / 2 - bar_height(3) / 2) else None
            return wait_for(there, 15, what=what)

        change_to(smaller)
        placed(smaller[0], smaller, "the parked bar to park beyond the new right edge, centred on the new height")
        # The edge is the new one: a right-click in its last column reveals the bar there.
        xdotool("mousemove", smaller[0] - 1, 300, "click", 3)
        placed(smaller[0] - 104, smaller, "the edge click to slide the bar in flush with the new edge")

        change_to((width, height))
        placed(width - 104, (width, height), "the shown bar to stay flush with the edge as the screen grew")
        stop_cleanly(desk.program)
    finally:
        try:
            desk.helper.run("display", f"{width}x{height}", check_status=False)
        finally:
            desk.close()
