"""The bar on two monitors side by side: 1280 x 800, the primary, and 1024 x 768 to its
right, on an X server and in a prefix of their own (CORVALIS_E2E_TWO_MONITORS; see
harness.use_two_monitors). There is no virtual desktop there, so a click reaches the
program's mouse hook only over a Wine window: a window of edge_probe's lies under the
points clicked (CORVALIS_E2E_DESKTOP is the ordinary "Default" desktop).
"""

import subprocess

from edge_scenarios import ProbeWindow, dismiss_shell_hook_notice
from harness import check, wait_for, xdotool
from launcher_scenarios import BAR_WIDTH, NOTEPAD, settled, write_shortcuts
from scenarios import scenario, stop_cleanly

PRIMARY = (0, 0, 1280, 800)
SECOND = (1280, 0, 2304, 768)


def move_pointer(x, y):
    """Puts the pointer at x, y. Across the two screens, xdotool's first move can land
    short of the point (seen going from the second screen to the first), so it moves
    until the server says the pointer is there."""
    def there():
        xdotool("mousemove", x, y)
        out = subprocess.run(["xdotool", "getmouselocation"], check=True, timeout=20, stdout=subprocess.PIPE)
        fields = dict(part.split(":") for part in out.stdout.decode().split())
        return int(fields["x"]) == x and int(fields["y"]) == y
    wait_for(there, 10, interval=0.1, what=f"the pointer to reach {x}, {y}")


def on_a_monitor(rect):
    return any(rect[0] < m[2] and m[0] < rect[2] and rect[1] < m[3] and m[1] < rect[3] for m in (PRIMARY, SECOND))


@scenario
def bar_on_two_monitors(ctx):
    """The parked bar is seen on neither monitor (not at the second one's left edge); a
    right-click in the first columns of the monitor beside the primary calls it, as one
    in the primary's last columns does, and it comes flush with the primary's edge, on
    the primary alone; when another window becomes active it parks beyond both again."""
    write_shortcuts(ctx, [("记事本", NOTEPAD)])
    exe = ctx.install_ready_program("two-monitors")
    program = ctx.start(exe)
    dismiss_shell_hook_notice(ctx, program)
    wait_for(lambda: (lambda w: w if w and w["visible"] else None)(program.launcher()), 20,
             what="the launcher window to show")
    parked = settled(program)["rect"]
    check(not on_a_monitor(parked), f"the parked bar stands on a monitor: {parked}")

    flush = PRIMARY[2] - BAR_WIDTH
    under = ProbeWindow(ctx.helper, (1180, 200, 1400, 420))
    try:
        for column in (SECOND[0] + 2, PRIMARY[2] - 1, SECOND[0], PRIMARY[2] - 3):
            move_pointer(column, 300)
            xdotool("click", 3)
            rect = wait_for(lambda: (lambda r: r if r[0] == flush else None)(program.launcher()["rect"]), 15,
                            what=f"a right-click at x = {column} to slide the bar in")
            check(rect[2] == PRIMARY[2], f"the bar is not flush with the primary's edge: {rect}")
            other = ProbeWindow(ctx.helper, (300, 300, 500, 500), activate=True)
            try:
                back = wait_for(lambda: (lambda r: r if r[0] != flush and r == settled(program)["rect"] else None)(
                    program.launcher()["rect"]), 15, what="the bar to slide out when another window became active")
                check(not on_a_monitor(back), f"the bar parked on a monitor: {back}")
            finally:
                other.close()
    finally:
        under.close()
    stop_cleanly(program)
