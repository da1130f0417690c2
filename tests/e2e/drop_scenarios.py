"""Files dragged onto the bar from another program (an OLE drag source, as Explorer is):
the drag calls the hidden bar when held at the edge, and the drop adds the files as
shortcuts. edge_probe's "drag" command is the source; xdotool holds the left button.

They run inside the launcher's virtual desktop, like launcher_scenarios.py.
"""

import os
import time

from edge_scenarios import ProbeProcess
from harness import check, unix_path, wait_for, xdotool
from launcher_scenarios import (NOTEPAD, REGEDIT, bar_height, bar_row_span, in_launcher_desk, marker_copy,
                                read_shortcuts, wait_marker, wait_shortcut_file)
from scenarios import scenario, stop_cleanly

DROPEFFECT_LINK = 4
DRAGDROP_S_DROP = 0x00040100
SOURCE_RECT = (540, 330, 740, 470)  # the drag source's window, away from the edge


def glide(points, pause=0.05):
    """Moves the pointer through `points` one after another, as a hand drags."""
    for x, y in points:
        xdotool("mousemove", x, y)
        time.sleep(pause)


def two_programs(ctx):
    return [("甲", NOTEPAD), ("乙", REGEDIT)]


class FileDrag:
    """Files dragged from the drag source's window to the right edge and held there,
    so that the hidden bar slides in; the caller then takes the drag on (drop_on,
    away) and the source tells how it ended (result)."""

    EDGE_Y = 300

    def __init__(self, desk, *files):
        self.desk = desk
        desk.wait_left(desk.parked, "the bar to be parked before the drag")
        self.source = ProbeProcess(desk.helper, "drag", *SOURCE_RECT, *files, log_path=desk.log)
        self.ended = False
        try:
            check("hwnd" in (self.source.next(30) or {}), "the drag source did not start")
            self.middle = ((SOURCE_RECT[0] + SOURCE_RECT[2]) // 2, (SOURCE_RECT[1] + SOURCE_RECT[3]) // 2)
            xdotool("mousemove", *self.middle, "mousedown", 1)
            check(self.source.next(30) == {"dragging": True}, "the drag did not start")
            glide([(self.middle[0] + step * (desk.width - 1 - self.middle[0]) // 8,
                    self.middle[1] + step * (self.EDGE_Y - self.middle[1]) // 8) for step in range(1, 9)])
            # Held at the edge, the drag calls the bar.
            self.rect = desk.wait_left(desk.flush, "the held drag to slide the bar in", timeout=10)
        except BaseException:
            self.end()
            raise

    def drop_on(self, row, lower_half):
        """Drops on the bar's row `row`: its lower half (the files go after it) or its
        upper half (before it); how the source says the drop ended."""
        row_top, row_bottom = bar_row_span(row)
        y = self.rect[1] + (row_bottom - 4 if lower_half else row_top + 4)
        target = ((self.rect[0] + self.rect[2]) // 2, y)
        glide([(self.desk.width - 30, self.EDGE_Y), (target[0], target[1] - 10), target, (target[0] + 2, target[1])])
        return self.end()

    def away(self):
        """Takes the drag back to the source's window and lets go there."""
        glide([(self.desk.width - 30, self.EDGE_Y), (self.desk.width - 200, self.EDGE_Y), self.middle,
               (self.middle[0] + 2, self.middle[1])])
        return self.end()

    def end(self):
        if self.ended:
            return None
        self.ended = True
        xdotool("mouseup", 1)
        try:
            return self.source.next(30)
        finally:
            self.source.wait(15)


@scenario
@in_launcher_desk("drop-files", two_programs)
def drag_files_onto_the_bar(ctx, desk):
    """Two files, one with a Chinese name, dragged from the middle of the screen to the
    right edge and held there: the hidden bar slides in; dropped on the lower half of
    its last row they join the end of the shortcuts in order, one save, the bar a row
    taller for each, still in; the new rows launch with a click. A drag that called the
    bar and goes elsewhere takes the bar back out."""
    first = marker_copy(ctx, "drop-files", "dragged.exe")
    second = marker_copy(ctx, "drop-files/中文目录", "拖入.exe")
    result = FileDrag(desk, first, second).drop_on(3, lower_half=True)
    check(result == {"result": DRAGDROP_S_DROP, "effect": DROPEFFECT_LINK},
          f"the drop was not taken as a link: {result}")
    expected = two_programs(ctx) + [("dragged", first), ("拖入", second)]
    wait_shortcut_file(ctx, expected, "the dropped files to be saved in order")
    desk.expect_rows(6)
    desk.stays(lambda: desk.rect()[0] == desk.flush, 1.0, "the bar slid out after the drop")
    check(not os.path.exists(unix_path(second) + ".ran"), "拖入 ran before its row was clicked")
    desk.click_row(5)
    wait_marker(second, "the dropped row 拖入 to launch its file")

    # Called by a drag that then goes back where it came from: the bar goes too.
    desk.wait_left(desk.parked, "the bar to slide out after the launch")
    FileDrag(desk, first).away()
    desk.wait_left(desk.parked, "the bar to slide out when the drag that called it went elsewhere")
    check(read_shortcuts(ctx) == expected, "a drag that went elsewhere changed the shortcuts")
    stop_cleanly(desk.program)


@scenario
@in_launcher_desk("drag-no-files", two_programs)
def a_drag_without_files_leaves_the_bar(ctx, desk):
    """A left-button drag that carries no files - here across the desktop to the edge,
    held there - does not call the bar."""
    desk.wait_left(desk.parked, "the bar to be parked before the drag")
    try:
        xdotool("mousemove", 500, 400, "mousedown", 1)
        glide([(500 + step * (desk.width - 501) // 6, 400 - step * 15) for step in range(1, 7)])
        desk.stays(lambda: desk.rect()[0] == desk.parked, 1.5, "a drag without files slid the bar in")
    finally:
        xdotool("mouseup", 1)
    # The bar still answers the edge.
    desk.slide_in()
    check(read_shortcuts(ctx) == two_programs(ctx), "the shortcuts changed")
    stop_cleanly(desk.program)
