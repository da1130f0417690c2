"""Scenarios for the edge docking: the bar at the right screen edge, driven with real
clicks and watched from the Windows side.

They run inside a Wine virtual desktop the size of the X screen (named by
CORVALIS_E2E_DESKTOP): only there does every click reach Wine, and with it the
program's low-level mouse hook, even where no Wine window lies under the cursor. The
harness's helper is then edge_probe.exe, which runs wininfo.exe inside that desktop
and adds a few commands of its own (a click target, a window that takes the
foreground, a rectangle tracker, the shell-hook message).

The shell does not notify under Wine (RegisterShellHookWindow fails), so the program
says so at start and watches the foreground window instead; the scenarios check the
message and answer it.
"""

import json
import os
import queue
import subprocess
import threading
import time

from harness import (IDOK, HarnessError, check, message_box_contents, screen_size, wait_for, windows_path,
                     wine_command, xdotool)
from scenarios import scenario, stop_cleanly

BAR_WIDTH = 104
APPBAR_CALLBACK = 0x2C16
ABN_FULLSCREENAPP = 2
HSHELL_WINDOWCREATED = 1
HSHELL_RUDEAPPACTIVATED = 0x8004
SHELL_HOOK_NOTICE = "RegisterShellHookWindow > 失败"
NOTICE_CAPTION = "信息："


class ProbeProcess:
    """A long-running edge_probe command whose JSON lines are read as they come."""

    def __init__(self, helper, *args, log_path=None):
        log = open(log_path, "ab") if log_path else subprocess.DEVNULL
        self.process = subprocess.Popen([wine_command(), helper.path, *map(str, args)], stdout=subprocess.PIPE,
                                        stderr=log)
        if log is not subprocess.DEVNULL:
            log.close()
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.process.stdout:
            raw = raw.strip()
            if raw.startswith(b"{"):
                self.lines.put(json.loads(raw.decode("utf-8")))
        self.lines.put(None)

    def next(self, timeout):
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            return None
        if line is not None:
            self.seen.append(line)
        return line

    def drain(self):
        """Every line that has arrived so far, without waiting."""
        while True:
            try:
                line = self.lines.get_nowait()
            except queue.Empty:
                return self.seen
            if line is None:
                return self.seen
            self.seen.append(line)

    def wait(self, timeout):
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise HarnessError("a probe command did not end")
        while self.next(0.5) is not None:
            pass
        return self.seen


class ProbeWindow(ProbeProcess):
    """`edge_probe target`: a window of the probe's inside the desktop."""

    def __init__(self, helper, rect, activate=False, log_path=None):
        args = ["target", *rect] + (["activate"] if activate else [])
        super().__init__(helper, *args, log_path=log_path)
        self.helper = helper
        first = self.next(30)
        check(first is not None and "hwnd" in first, f"the probe window did not start: {first}")
        self.hwnd = first["hwnd"]

    def buttons(self):
        return [line for line in self.drain() if "button" in line]

    def close(self):
        if self.process.poll() is None:
            try:
                self.helper.post(self.hwnd, 0x0010)  # WM_CLOSE
                self.process.wait(timeout=15)
            except (HarnessError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()


class DeskBar:
    """What every scenario in the virtual desktop shares: joining the desktop (sized as
    the X screen) and watching the bar, which rests flush with the right edge or parked
    just beyond it. Needs self.program once the program runs."""

    def join_desktop(self, ctx):
        check(os.environ.get("CORVALIS_E2E_DESKTOP"), "CORVALIS_E2E_DESKTOP names no desktop")
        wininfo = os.environ.get("CORVALIS_E2E_WININFO", "")
        check(wininfo, "CORVALIS_E2E_WININFO names no helper")
        if wininfo.startswith("/"):
            os.environ["CORVALIS_E2E_WININFO"] = windows_path(wininfo)
        self.ctx = ctx
        self.helper = ctx.helper
        self.width, self.height = screen_size()
        self.helper.run("desktop-size", f"{self.width}x{self.height}")

    @property
    def flush(self):
        return self.width - BAR_WIDTH

    @property
    def parked(self):
        return self.width

    def rect(self):
        launcher = self.program.launcher()
        check(launcher is not None, "the launcher window is gone")
        return launcher["rect"]

    def wait_left(self, left, what, timeout=15.0):
        """Waits for the bar's left edge to reach `left`; its rectangle then."""
        return wait_for(lambda: (lambda r: r if r[0] == left else None)(self.rect()), timeout, what=what)


class EdgeDesk(DeskBar):
    """The desktop, the program in it, and the probe windows of one scenario."""

    def __init__(self, ctx, folder):
        self.join_desktop(ctx)
        self.windows = []
        log = os.path.join(ctx.artifacts, f"{ctx.name}.probe.log")
        # The right-hand strip of the screen, down to the bottom, is a probe window
        # that notes every click reaching it: a click the hook lets through lands here.
        # It also keeps the desktop alive for the whole scenario.
        self.strip = self._window((self.width - 40, 0, self.width, self.height), log_path=log)
        self.log = log
        self.usable_bottom = self._usable_bottom()

        exe = ctx.install_ready_program(folder)
        self.program = ctx.start(exe)
        dismiss_shell_hook_notice(ctx, self.program, check_contents=True)
        self.launcher = wait_for(lambda: (lambda w: w if w and w["visible"] else None)(self.program.launcher()), 20,
                                 what="the launcher window to show")
        self.hwnd = self.launcher["hwnd"]
        # No shortcuts are stored (each scenario starts without the file), and an
        # empty store slides the bar in at start.
        self.wait_left(self.flush, "the bar to slide in at start")

    def _window(self, rect, activate=False, log_path=None):
        window = ProbeWindow(self.helper, rect, activate, log_path=log_path)
        self.windows.append(window)
        return window

    def _usable_bottom(self):
        """The line an edge click must stay above, from what the shell reports for
        the taskbar (Wine reports a one-pixel bottom taskbar)."""
        rect = self.helper.run("taskbar")[0]["rect"]
        left, top, right, bottom = rect
        if left == 0 and right == self.width:
            return self.height - (bottom - top)
        if top == 0 and bottom == self.height:
            return self.height - (right - left)
        return self.height

    def stays_at(self, left, seconds):
        """Polls for `seconds` and fails as soon as the bar leaves `left`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            now = self.rect()[0]
            check(now == left, f"the bar moved to {now}, expected it to stay at {left}")
            time.sleep(0.1)

    def focus_window(self):
        """A window of another process that takes the foreground, away from the edge."""
        return self._window((100, 100, 400, 300), activate=True)

    def expect_bar_focused(self):
        """The bar ends every slide-in by taking the foreground, which puts the focus
        in the bar window itself."""
        wait_for(lambda: self.helper.run("foreground")[0] == {"hwnd": self.hwnd, "focus": self.hwnd}, 10,
                 what="the bar to hold the foreground and the focus")

    def park(self):
        """Hides the shown bar the way a user does: another window becomes active,
        which the program sees by watching the foreground."""
        other = self.focus_window()
        self.wait_left(self.parked, "the bar to slide out when another window became active")
        other.close()
        self.windows.remove(other)

    def track(self, stop_left, milliseconds=5000):
        """Starts recording the bar's rectangle; returns once the recorder runs."""
        tracker = ProbeProcess(self.helper, "track", self.hwnd, milliseconds, stop_left, log_path=self.log)
        first = tracker.next(30)
        check(first is not None and first.get("ready"), f"the tracker did not start: {first}")
        return tracker

    def lefts(self, tracker):
        """The left edges the bar passed through, in order, without repeats."""
        lefts = []
        for line in tracker.wait(30):
            if "rect" in line and (not lefts or lefts[-1] != line["rect"][0]):
                lefts.append(line["rect"][0])
        return lefts

    def right_click(self, x, y):
        xdotool("mousemove", x, y, "click", 3)

    def post(self, message, wparam=0, lparam=0):
        self.helper.post(self.hwnd, message, wparam, lparam)

    def close(self):
        for window in self.windows:
            window.close()


def dismiss_shell_hook_notice(ctx, program, check_contents=False):
    """Waits for the start-up message that the shell hook could not be registered
    (Wine never registers one) and answers it with OK."""
    box = wait_for(lambda: (lambda boxes: boxes[0] if boxes else None)(program.message_boxes()), 20,
                   what="the shell-hook message")
    contents = message_box_contents(ctx.helper, box)
    check(contents["text"] == SHELL_HOOK_NOTICE, f"message text {contents['text']!r}")
    if check_contents:
        check(contents["caption"] == NOTICE_CAPTION, f"message caption {contents['caption']!r}")
        check(set(contents["buttons"]) == {IDOK}, f"buttons {contents['buttons']}")
        check(not contents["icon"], "the message shows an icon")
    ctx.helper.press(box["hwnd"], IDOK)
    wait_for(lambda: box["hwnd"] not in [b["hwnd"] for b in program.message_boxes()], 10,
             what="the shell-hook message to close")


def slide_in_steps(width):
    step = BAR_WIDTH // 3
    return [width, width - step, width - 2 * step, width - 3 * step, width - BAR_WIDTH]


def slide_out_steps(width):
    step = BAR_WIDTH // 3
    flush = width - BAR_WIDTH
    return [flush, flush + step, flush + 2 * step, flush + 3 * step, width]


def in_edge_desk(folder):
    """Runs the scenario body with an EdgeDesk, and always ends the program and the
    probe windows."""
    def decorate(body):
        def run(ctx):
            desk = EdgeDesk(ctx, folder)
            try:
                body(ctx, desk)
                stop_cleanly(desk.program)
            finally:
                desk.close()
        run.__name__ = body.__name__
        run.__doc__ = body.__doc__
        return run
    return decorate


@scenario
@in_edge_desk("edge-columns")
def edge_click_in_each_column(ctx, desk):
    """A right-click in each of the three rightmost pixel columns above the taskbar
    line slides the parked bar in through its three steps to flush; the clicks are
    swallowed (the window under them never sees them)."""
    check(desk.usable_bottom > 300, f"usableBottom {desk.usable_bottom}")
    for x, y in ((desk.width - 1, 300), (desk.width - 2, desk.usable_bottom - 1), (desk.width - 3, 5)):
        desk.park()
        before = desk.rect()
        tracker = desk.track(desk.flush)
        desk.right_click(x, y)
        lefts = desk.lefts(tracker)
        check(lefts == slide_in_steps(desk.width), f"click at ({x}, {y}): the bar passed through {lefts}, "
                                                   f"expected {slide_in_steps(desk.width)}")
        after = desk.rect()
        check((after[1], after[2] - after[0], after[3] - after[1]) == (before[1], before[2] - before[0],
                                                                       before[3] - before[1]),
              f"the slide changed more than the left edge: {before} -> {after}")
        time.sleep(0.3)  # let a click that went through arrive before looking
        leaked = desk.strip.buttons()
        check(not leaked, f"click at ({x}, {y}) reached the window under it: {leaked}")


@scenario
@in_edge_desk("edge-misses")
def edge_click_elsewhere_passes(ctx, desk):
    """At x = width - 4, or on the taskbar line and below, a right-click reaches the
    window under it and the bar stays parked."""
    desk.park()
    cases = [(desk.width - 4, 300), (desk.width - 1, desk.usable_bottom), (desk.width - 2, desk.height - 1)]
    for x, y in cases:
        desk.right_click(x, y)
        seen = wait_for(lambda: [b for b in desk.strip.buttons() if (b["x"], b["y"]) == (x, y)], 10,
                        what=f"the click at ({x}, {y}) to reach the window under it")
        kinds = [b["button"] for b in seen]
        check("right-down" in kinds, f"click at ({x}, {y}): the window saw {kinds}")
        desk.stays_at(desk.parked, 0.5)
    wait_for(lambda: sum(b["button"] == "right-up" for b in desk.strip.buttons()) == len(cases), 10,
             what="every release to reach the window too")


@scenario
@in_edge_desk("edge-full-screen")
def full_screen_makes_the_edge_inert(ctx, desk):
    """While the application bar's full-screen notification says 1 the edge does
    nothing (the click reaches the window under it); after 0 it works again."""
    desk.park()
    desk.post(APPBAR_CALLBACK, ABN_FULLSCREENAPP, 1)
    x, y = desk.width - 1, 300
    desk.right_click(x, y)
    wait_for(lambda: [b for b in desk.strip.buttons() if b["button"] == "right-down" and (b["x"], b["y"]) == (x, y)],
             10, what="the click to reach the window under the edge")
    desk.stays_at(desk.parked, 0.6)

    desk.post(APPBAR_CALLBACK, ABN_FULLSCREENAPP, 0)
    tracker = desk.track(desk.flush)
    desk.right_click(x, y + 10)
    lefts = desk.lefts(tracker)
    check(lefts == slide_in_steps(desk.width), f"after full screen ended the bar passed through {lefts}")
    time.sleep(0.3)
    check(not [b for b in desk.strip.buttons() if b["y"] == y + 10], "the live edge let the click through")


@scenario
@in_edge_desk("edge-shell-hook")
def shell_hook_activation(ctx, desk):
    """The shell-hook activation message: with the focus in the bar it stays; with the
    focus in another window it slides out through its three steps. A first message
    from the shell shows that the shell notifies, so the foreground watch stands down
    and only the message moves the bar."""
    shell = lambda code: desk.helper.run("shellhook", desk.hwnd, code)  # noqa: E731
    shell(HSHELL_WINDOWCREATED)
    desk.expect_bar_focused()
    shell(HSHELL_RUDEAPPACTIVATED)
    desk.stays_at(desk.flush, 1.0)

    other = desk.focus_window()
    wait_for(lambda: desk.helper.run("foreground")[0]["hwnd"] == other.hwnd, 10,
             what="the other window to come to the foreground")
    desk.stays_at(desk.flush, 1.0)  # no watch any more: nothing moves without the message
    tracker = desk.track(desk.parked)
    shell(HSHELL_RUDEAPPACTIVATED)
    lefts = desk.lefts(tracker)
    check(lefts == slide_out_steps(desk.width), f"the bar passed through {lefts}, "
                                                f"expected {slide_out_steps(desk.width)}")


@scenario
@in_edge_desk("edge-watch")
def foreground_watch(ctx, desk):
    """Without shell notifications the foreground is watched while the bar is shown:
    with the focus in the bar it stays; when another window becomes active it slides
    out through its three steps."""
    desk.expect_bar_focused()
    desk.stays_at(desk.flush, 1.5)
    tracker = desk.track(desk.parked, milliseconds=10000)
    desk.focus_window()
    lefts = desk.lefts(tracker)
    check(lefts == slide_out_steps(desk.width), f"the bar passed through {lefts}, "
                                                f"expected {slide_out_steps(desk.width)}")


@scenario
@in_edge_desk("edge-burst")
def hook_survives_a_burst(ctx, desk):
    """A thousand mouse moves and fifty edge clicks leave the hook installed and
    working: every edge click is swallowed, and afterwards an edge click still slides
    the parked bar in."""
    desk.park()
    moves = []
    for i in range(1000):
        moves += ["mousemove", 200 + (i * 37) % (desk.width - 400), 100 + (i * 53) % (desk.height - 200)]
    xdotool(*moves)
    x, y = desk.width - 1, 400
    xdotool("mousemove", x, y, "click", "--repeat", 50, "--delay", 30, 3)
    desk.wait_left(desk.flush, "the first edge click of the burst to slide the bar in")
    time.sleep(0.5)
    leaked = desk.strip.buttons()
    check(not leaked, f"edge clicks of the burst reached the window under the edge: {len(leaked)}")

    desk.park()
    tracker = desk.track(desk.flush)
    desk.right_click(desk.width - 2, 450)
    lefts = desk.lefts(tracker)
    check(lefts == slide_in_steps(desk.width), f"after the burst the bar passed through {lefts}")
