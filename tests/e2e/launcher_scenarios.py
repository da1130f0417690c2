"""Scenarios for the bar's shortcuts: the build from the shortcut file at start, adding,
launching, the menus and the edit window.

The interactive ones run inside a Wine virtual desktop (launcher.cmake), where every
click reaches the program: the right-click at the screen edge slides the parked bar in,
and the dialog, the menus and the edit window take real clicks and keys there. X sees
only the desktop window, so windows are looked up from the Windows side, and what the
program shows is read from the screen's pixels where nothing else tells it.
"""

import os
import shutil
import subprocess
import time

from edge_scenarios import DeskBar, ProbeProcess, ProbeWindow, dismiss_shell_hook_notice
from harness import (WM_CLOSE, HarnessError, check, screen_size, unix_path, wait_for, windows_path, xdotool)
from scenarios import run_until_launcher_without_question, scenario, stop_cleanly
from shortcut_image import parse, serialize

BAR_WIDTH = 104
ROW_PITCH = 30  # a shortcut row of the bar
FIXED_ROW_HEIGHT = 24  # each of its two fixed rows (add a file, edit the list)
EDIT_ROW_PITCH = 32
EDIT_WINDOW_TITLE = "编辑窗口"
ADD_FILE_TITLE = "添加文件"
DIALOG_CLASS = "#32770"
LOOK_IN = 1137  # the open-file dialog's folder box
MENU_CLASS = "#32768"
# Control identities of the edit window's template.
RENAME_PANEL, NAME_BOX, SAVE_BUTTON, VEIL, EDIT_LIST = 201, 202, 203, 204, 207
# The edit list's row buttons: their left edge this far left of the list's right edge,
# 4 pixels below the row's top, 24 pixels square.
REMOVE, DOWN, UP = 36, 68, 100
ROW_BUTTON_TOP, ROW_BUTTON_SIDE = 4, 24
# The faces the list paints a row button with (controls/theme.h), the hovered row
# under a button that is not shown, and the list's background.
BUTTON_FACE = (0xFF, 0xFF, 0xFF)
BUTTON_FACE_DISABLED = (0xF3, 0xF5, 0xF7)
HOVERED_ROW = (0xE1, 0xEC, 0xF9)
LIST_BACKGROUND = (0xFB, 0xFB, 0xFC)


def bar_height(rows):
    return rows * ROW_PITCH - 12


def bar_row_span(row):
    """The top and bottom of row `row` inside the bar (not scrolled)."""
    if row < 2:
        return row * FIXED_ROW_HEIGHT, (row + 1) * FIXED_ROW_HEIGHT
    top = 2 * FIXED_ROW_HEIGHT + (row - 2) * ROW_PITCH
    return top, top + ROW_PITCH


def write_shortcuts(ctx, entries):
    os.makedirs(os.path.dirname(ctx.shortcut_file), exist_ok=True)
    with open(ctx.shortcut_file, "wb") as out:
        out.write(serialize(entries))


def read_shortcuts(ctx):
    with open(ctx.shortcut_file, "rb") as image:
        return parse(image.read())


def shortcut_bytes(ctx):
    """The shortcut file's bytes, None while there is none."""
    try:
        with open(ctx.shortcut_file, "rb") as image:
            return image.read()
    except FileNotFoundError:
        return None


def wait_shortcut_file(ctx, entries, what, timeout=15.0):
    """Waits for the shortcut file to hold exactly serialize(entries); on a time-out
    the failure tells what it holds."""
    expected = serialize(entries)
    try:
        wait_for(lambda: shortcut_bytes(ctx) == expected, timeout, what=what)
    except HarnessError as failure:
        image = shortcut_bytes(ctx)
        try:
            held = parse(image) if image is not None else "no file"
        except (ValueError, UnicodeDecodeError) as error:
            held = f"unreadable bytes ({error}): {image.hex()}"
        raise HarnessError(f"{failure}; it holds {held}, expected {entries}") from None


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


# ----- Driving the bar inside the virtual desktop ----------------------------------------


def pixels(rect):
    """The screen's pixels inside rect (left, top, right, bottom): a function of the
    screen point (x, y) giving its (r, g, b)."""
    left, top, right, bottom = rect
    width, height = right - left, bottom - top
    out = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                          "-depth", "8", "ppm:-"], check=True, timeout=30, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL).stdout
    # P6 <width> <height> <maximum> then the samples.
    fields, at = [], 0
    while len(fields) < 4:
        while out[at:at + 1].isspace():
            at += 1
        start = at
        while not out[at:at + 1].isspace():
            at += 1
        fields.append(out[start:at])
    check(fields[0] == b"P6" and (int(fields[1]), int(fields[2])) == (width, height),
          f"unexpected picture header {fields}")
    samples = out[at + 1:]

    def pixel(x, y):
        offset = 3 * ((y - top) * width + (x - left))
        return tuple(samples[offset:offset + 3])

    return pixel


def file_text(path):
    try:
        with open(path, "rb") as data:
            return data.read().decode("utf-8")
    except FileNotFoundError:
        return None


class LauncherDesk(DeskBar):
    """The program inside the virtual desktop, started with `shortcuts` stored, and the
    means to use it: slide the bar in, click its rows, find its other windows."""

    def __init__(self, ctx, folder, shortcuts=(), before_start=None, parked=None):
        """`before_start(desk)` runs once the shortcuts are written, before the program
        starts; `parked` says where the bar rests at start when the stored shortcuts do
        not tell (a file that cannot be read yet, a damaged one)."""
        self.join_desktop(ctx)
        self.log = os.path.join(ctx.artifacts, f"{ctx.name}.probe.log")
        # A speck of a window in the top left corner keeps the desktop alive between
        # two runs of the program; it takes no clicks meant for anything else.
        self.keeper = ProbeWindow(self.helper, (0, 0, 4, 4), log_path=self.log)
        # A probe command of its own joins the desktop and so waits until the desktop
        # takes programs (a start right after its creation could fail).
        self.helper.run("foreground")
        self.program = None
        try:
            if shortcuts:
                write_shortcuts(ctx, shortcuts)
            self.exe = ctx.install_ready_program(folder)
            self.folder = self.exe.rsplit("\\", 1)[0]
            if before_start is not None:
                before_start(self)
            self.start(parked=bool(shortcuts) if parked is None else parked)
        except BaseException:
            self.close()
            raise

    def start(self, parked):
        """Starts the program; waits for the bar to rest where it starts: parked beyond
        the right edge with shortcuts stored, slid in without."""
        self.program = self.ctx.start(self.exe)
        dismiss_shell_hook_notice(self.ctx, self.program)
        launcher = wait_for(lambda: (lambda w: w if w and w["visible"] else None)(self.program.launcher()), 20,
                            what="the launcher window to show")
        self.hwnd = launcher["hwnd"]
        self.wait_left(self.parked if parked else self.flush,
                       "the bar to park at start" if parked else "the bar to slide in at start")
        return self.program

    def stays(self, probe, seconds, what):
        """Polls for `seconds` and fails as soon as `probe` turns false."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            check(probe(), what)
            time.sleep(0.1)

    def expect_rows(self, rows):
        """The bar's height for `rows` rows, centred on the screen; its rectangle."""
        def sized():
            rect = self.rect()
            return rect if rect[3] - rect[1] == bar_height(rows) else None
        rect = wait_for(sized, 10, what=f"the bar to be {bar_height(rows)} pixels high ({rows} rows)")
        check(rect[1] == int(self.height / 2 - bar_height(rows) / 2), f"the bar is not centred: {rect}")
        check(rect[2] - rect[0] == BAR_WIDTH, f"the bar is {rect[2] - rect[0]} pixels wide")
        return rect

    def slide_in(self):
        """Slides the parked bar in as a user does, with a right-click at the screen's
        right edge; returns the bar's rectangle once it is flush and, having slid, has
        taken the foreground."""
        if self.rect()[0] == self.flush:
            return self.rect()
        self.wait_left(self.parked, "the bar to be parked before the edge click")
        xdotool("mousemove", self.width - 1, 100, "click", 3)
        rect = self.wait_left(self.flush, "the bar to slide in after the edge click")
        wait_for(lambda: self.foreground()["hwnd"] == self.hwnd, 10, what="the bar to take the foreground")
        return rect

    def row_point(self, row):
        """The middle of row `row` of the slid-in bar."""
        left, top, right, bottom = self.wait_left(self.flush, "the bar to be in")
        row_top, row_bottom = bar_row_span(row)
        check(top + row_bottom <= bottom, f"the bar has no row {row}: {[left, top, right, bottom]}")
        return (left + right) // 2, top + (row_top + row_bottom) // 2

    def click_row(self, row, button=1):
        x, y = self.row_point(row)
        xdotool("mousemove", x, y, "click", button)

    def foreground(self):
        return self.helper.run("foreground")[0]

    def park(self):
        """Hides the shown bar the way a user does: a window of another program becomes
        active (the program's own windows leave the bar in)."""
        other = ProbeWindow(self.helper, (100, 100, 400, 300), activate=True, log_path=self.log)
        try:
            self.wait_left(self.parked, "the bar to slide out when another program's window became active")
        finally:
            other.close()

    def expect_stays_in(self, seconds, what):
        self.stays(lambda: self.rect()[0] == self.flush, seconds, what)

    def edit_windows(self):
        return [w for w in self.program.windows(cls="CorvalisWindow") if w["title"] == EDIT_WINDOW_TITLE]

    def wait_edit_window(self):
        return wait_for(lambda: (lambda found: found[0] if len(found) == 1 and found[0]["visible"] else None)(
            self.edit_windows()), 20, what="the edit window to show")

    def wait_no_edit_window(self):
        wait_for(lambda: not self.edit_windows(), 15, what="the edit window to close")

    def dialogs(self, title=ADD_FILE_TITLE):
        return [w for w in self.program.windows(cls=DIALOG_CLASS) if w["title"] == title and w["visible"]]

    def wait_dialog(self):
        return wait_for(lambda: (lambda d: d[0] if len(d) == 1 else None)(self.dialogs()), 20,
                        what="the open-file dialog 添加文件")

    def menus(self):
        return [w for w in self.program.windows(cls=MENU_CLASS) if w["visible"]]

    def wait_menu(self):
        return wait_for(lambda: (lambda found: found[0] if len(found) == 1 else None)(self.menus()), 10,
                        what="the pop-up menu to show")

    def close(self):
        self.keeper.close()


def in_launcher_desk(folder, shortcuts=()):
    """Runs the scenario body with a LauncherDesk whose program it leaves to the body
    to end; the desk's own window always goes."""
    def decorate(body):
        def run(ctx):
            desk = LauncherDesk(ctx, folder, shortcuts(ctx) if callable(shortcuts) else shortcuts)
            try:
                body(ctx, desk)
            except BaseException:
                # While the desktop still shows the program (it goes with the last window).
                ctx.screenshot("failure-in-desktop")
                raise
            finally:
                desk.close()
        run.__name__ = body.__name__
        run.__doc__ = body.__doc__
        return run
    return decorate


def marker_copy(ctx, folder, name):
    """A copy of launch_marker.exe at C:\\corvalis-e2e\\<folder>\\<name>, without an
    earlier run's marker; its Windows path."""
    built = os.environ.get("CORVALIS_E2E_MARKER", "")
    check(built and os.path.exists(built), f"CORVALIS_E2E_MARKER names no program: {built!r}")
    target_dir = os.path.join(os.environ["WINEPREFIX"], "drive_c", "corvalis-e2e", folder)
    os.makedirs(target_dir, exist_ok=True)
    target = os.path.join(target_dir, name)
    shutil.copyfile(built, target)
    for stale in (target + ".ran", target + ".ran.part"):
        if os.path.exists(stale):
            os.remove(stale)
    return windows_path(target)


def wait_marker(path, what):
    """Waits for the marker a launched copy leaves, and checks that it names that copy."""
    text = wait_for(lambda: file_text(unix_path(path) + ".ran"), 15, what=what)
    check(text == path, f"{what}: the marker names {text!r}, expected {path!r}")


def type_text(text):
    """Types `text` into the focused window. A character the keyboard map lacks is
    typed on its own: xdotool maps each one to a spare key for the time of its call,
    and Wine loses all but the first of several such characters in one call."""
    plain = ""
    for character in text:
        if ord(character) < 128:
            plain += character
            continue
        if plain:
            xdotool("type", "--delay", 20, plain)
            plain = ""
        xdotool("type", "--delay", 100, character)
    if plain:
        xdotool("type", "--delay", 20, plain)


def enter_in_dialog(ctx, dialog, text):
    """Types `text` into the open-file dialog's file name box and presses Return."""
    name_box = lambda: [c for c in ctx.helper.children(dialog["hwnd"])  # noqa: E731
                        if c["class"] == "Edit" and c["visible"]]
    wait_for(name_box, 10, what="the dialog's file name box")
    type_text(text)
    wait_for(lambda: any(c["text"] == text for c in name_box()), 10, what=f"the file name box to hold {text!r}")
    xdotool("key", "Return")


def same_folder(a, b):
    return a.rstrip("\\").lower() == b.rstrip("\\").lower()


# ----- The edit window, seen from outside --------------------------------------------


class EditWindow:
    """The open edit window: its list's rows and row buttons, the rename panel."""

    def __init__(self, desk, window):
        self.desk = desk
        self.window = window
        self.hwnd = window["hwnd"]
        self.list = self.control(EDIT_LIST)["rect"]

    def controls(self):
        return {c["id"]: c for c in self.desk.helper.children(self.hwnd)}

    def control(self, identity):
        return self.controls()[identity]

    @property
    def list_width(self):
        return self.list[2] - self.list[0]

    def row_top(self, row):
        return self.list[1] + row * EDIT_ROW_PITCH

    def row_body(self, row):
        """A point on the row, left of where its buttons appear."""
        return self.list[0] + 100, self.row_top(row) + EDIT_ROW_PITCH // 2

    def button_left(self, row, button):
        return self.list[0] + self.list_width - button, self.row_top(row) + ROW_BUTTON_TOP

    def button_centre(self, row, button):
        left, top = self.button_left(row, button)
        return left + ROW_BUTTON_SIDE // 2, top + ROW_BUTTON_SIDE // 2

    def button_states(self, row):
        """{button: "enabled" | "disabled" | "hidden"} from the face each is painted with
        (sampled left of its caption); another colour is named as it is."""
        pixel = pixels(self.list)
        states = {}
        for button in (REMOVE, DOWN, UP):
            left, top = self.button_left(row, button)
            face = pixel(left + 4, top + ROW_BUTTON_SIDE // 2)
            states[button] = {BUTTON_FACE: "enabled", BUTTON_FACE_DISABLED: "disabled", HOVERED_ROW: "hidden",
                              LIST_BACKGROUND: "hidden"}.get(face, "#%02x%02x%02x" % face)
        return states

    def hover(self, row):
        """Puts the pointer on the row and waits for its buttons; their states."""
        xdotool("mousemove", *self.row_body(row))
        return wait_for(lambda: (lambda s: s if s[REMOVE] == "enabled" else None)(self.button_states(row)), 10,
                        what=f"the buttons of row {row} to show under the pointer")

    def click_button(self, row, button):
        self.hover(row)
        xdotool("mousemove", *self.button_centre(row, button), "click", 1)

    def pointer_away(self):
        """The pointer off the list (on the window's caption): no row is hovered."""
        left, top, right, _ = self.window["rect"]
        xdotool("mousemove", (left + right) // 2, top + 8)

    def row_looks(self, rows):
        """What each of the first `rows` rows shows left of where its buttons go (icon
        and name), as bytes; taken with no row hovered, they tell the entries apart."""
        pixel = pixels(self.list)
        looks = []
        for row in range(rows):
            top = self.row_top(row)
            looks.append(bytes(v for y in range(top + 2, top + EDIT_ROW_PITCH - 2)
                               for x in range(self.list[0] + 4, self.list[0] + self.list_width - UP - 8)
                               for v in pixel(x, y)))
        return looks

    def settled_rows(self, rows):
        """Waits until the list shows `rows` entries and nothing below them, and stands
        still; how each row looks."""
        blank = self.blank_row()
        last = [None]

        def steady():
            now = self.row_looks(rows + 1)
            same = now == last[0]
            last[0] = now
            return now[:rows] if same and now[rows] == blank and blank not in now[:rows] else None
        return wait_for(steady, 15, interval=0.2, what=f"the edit list to show {rows} rows")

    def wait_rows(self, expected, what):
        """Waits until the rows look like `expected` (a list of row_looks entries, None
        for a row that must be empty)."""
        blank = self.blank_row()

        def matches():
            now = self.row_looks(len(expected))
            return all(now[i] == (blank if want is None else want) for i, want in enumerate(expected))
        wait_for(matches, 10, interval=0.2, what=what)

    def blank_row(self):
        """How a row without an entry looks: the list's background."""
        width = self.list_width - UP - 8 - 4
        return bytes(LIST_BACKGROUND) * (width * (EDIT_ROW_PITCH - 4))

    def open_rename(self, row):
        """Double-clicks the row and checks the rename panel that shows: centred in the
        window, over the veiled list, the row's name in its box (focused: the text
        typed next goes there). The window's controls then."""
        xdotool("mousemove", *self.row_body(row), "click", "--repeat", 2, "--delay", 60, 1)
        panel = wait_for(lambda: (lambda c: c if c[RENAME_PANEL]["visible"] else None)(self.controls()), 10,
                         what="the rename panel to show")
        check(panel[VEIL]["visible"] and panel[VEIL]["rect"] == self.list,
              f"the list is not veiled: {panel[VEIL]['visible']} {panel[VEIL]['rect']} / {self.list}")
        client = self.window["client"]
        box = panel[RENAME_PANEL]["rect"]
        expected = (int(client[0] + (client[2] - client[0]) / 2 - (box[2] - box[0]) / 2),
                    int(client[1] + (client[3] - client[1]) / 2 - (box[3] - box[1]) / 2))
        check((box[0], box[1]) == expected, f"the rename panel is at {box}, not centred at {expected}")
        return panel

    def rename(self, row, new_name):
        """Renames the row through the panel: types `new_name` over the old name (None:
        leaves the name as offered) and presses 保存; the name offered."""
        return self.finish_rename(self.open_rename(row), new_name)

    def finish_rename(self, panel, new_name):
        """Completes the rename that open_rename began (the name box clicked first: the
        focus may have gone elsewhere meanwhile); the name offered."""
        old_name = panel[NAME_BOX]["text"]
        box = panel[NAME_BOX]["rect"]
        xdotool("mousemove", (box[0] + box[2]) // 2, (box[1] + box[3]) // 2, "click", 1)
        if new_name is None:
            new_name = old_name
        else:
            xdotool("key", "ctrl+a", "BackSpace")
            type_text(new_name)
        wait_for(lambda: self.control(NAME_BOX)["text"] == new_name, 10,
                 what=f"the name box to hold {new_name!r}")
        save = panel[SAVE_BUTTON]["rect"]
        xdotool("mousemove", (save[0] + save[2]) // 2, (save[1] + save[3]) // 2, "click", 1)
        wait_for(lambda: (lambda c: not c[RENAME_PANEL]["visible"] and not c[VEIL]["visible"])(self.controls()), 10,
                 what="the rename panel and the veil to go after 保存")
        return old_name

    def close_with_escape(self, rows):
        """Esc with the focus in the list (clicked below its last row) closes the window."""
        xdotool("mousemove", self.list[0] + 100, self.row_top(rows) + 10, "click", 1)
        xdotool("key", "Escape")
        self.desk.wait_no_edit_window()


def open_edit_window_from_row(desk):
    """Slides the bar in and clicks its second row; the edit window."""
    desk.slide_in()
    desk.click_row(1)
    return EditWindow(desk, desk.wait_edit_window())


def file_state(ctx):
    """The shortcut file's bytes and time of change. Set that time to 0 first
    (untouched_from_now): any write then shows, even one of the same bytes."""
    return shortcut_bytes(ctx), os.stat(ctx.shortcut_file).st_mtime_ns


def untouched_from_now(ctx):
    os.utime(ctx.shortcut_file, ns=(0, 0))
    return file_state(ctx)


# Programs of the prefix whose icons make the rows tell apart (and the pictures readable).
NOTEPAD = "C:\\windows\\notepad.exe"
REGEDIT = "C:\\windows\\regedit.exe"
CONSOLE = "C:\\windows\\system32\\cmd.exe"
SETTINGS = "C:\\windows\\system32\\winecfg.exe"


# ----- Adding files ------------------------------------------------------------------


@scenario
@in_launcher_desk("add-file")
def add_file(ctx, desk):
    """Row 0 opens the open-file dialog "添加文件" on a thread of its own; a file chosen
    there (its full path typed, or its folder and then its name) becomes the last
    shortcut, named after the file without its extension: the shortcut file is written
    at once and the bar grows by a row. A file of a name already stored (Chess.lnk
    after Chess.exe) takes over that entry in its place. Cancelling writes nothing. The
    program's current directory is the same after each dialog, though the dialog moves
    it. An added row launches its file."""
    chess = marker_copy(ctx, "add-file", "Chess.exe")
    go = marker_copy(ctx, "add-file/中文目录", "围棋.exe")
    link = chess[:-len(".exe")] + ".lnk"
    with open(unix_path(link), "wb") as out:
        out.write(b"not a real shortcut; only its name matters here")
    check(shortcut_bytes(ctx) is None, "a shortcut file exists before the first add")
    folder = ctx.helper.current_directory(desk.program.pid)
    check(same_folder(folder, desk.folder), f"current directory {folder!r} at start")

    def choose(path=None, browse=False):
        """Chooses `path` in the dialog by typing it, or with `browse` by typing its
        folder first (the dialog goes there, and moves the current directory with it)
        and then its name; None cancels the dialog."""
        desk.slide_in()
        desk.click_row(0)
        dialog = desk.wait_dialog()
        bar = desk.program.launcher()
        check(dialog["owner"] == desk.hwnd, f"the dialog's owner is {dialog['owner']}, not the bar {desk.hwnd}")
        check(dialog["tid"] != bar["tid"], "the dialog runs on the bar's own thread")

        def enter(text):
            enter_in_dialog(ctx, dialog, text)

        if path is None:
            xdotool("key", "Escape")
        elif browse:
            folder_path, name = path.rsplit("\\", 1)
            enter(folder_path)
            # The folder box shows the folder the dialog went to.
            wait_for(lambda: any(c["id"] == LOOK_IN and c["text"] == folder_path.rsplit("\\", 1)[1]
                                 for c in ctx.helper.children(dialog["hwnd"])), 10,
                     what=f"the dialog to go to {folder_path}")
            enter(name)
        else:
            enter(path)
        wait_for(lambda: not desk.dialogs(), 15, what="the dialog to close")
        wait_for(lambda: same_folder(ctx.helper.current_directory(desk.program.pid), folder), 10,
                 what="the current directory to be the program's folder again")

    steps = [
        (chess, False, [("Chess", chess)], 3),
        (go, True, [("Chess", chess), ("围棋", go)], 4),
        (link, False, [("Chess", link), ("围棋", go)], 4),
    ]
    for path, browse, entries, rows in steps:
        choose(path, browse)
        wait_shortcut_file(ctx, entries, f"the shortcut file after choosing {path}")
        desk.expect_rows(rows)

    # The row added through the dialog launches the file chosen there.
    check(not os.path.exists(unix_path(go) + ".ran"), "围棋 ran before its row was clicked")
    desk.slide_in()
    desk.click_row(3)
    wait_marker(go, "the added row 围棋 to launch its file")

    before = untouched_from_now(ctx)
    choose(None)
    desk.stays(lambda: file_state(ctx) == before, 1.0, "cancelling the dialog wrote the shortcut file")
    desk.expect_rows(4)
    stop_cleanly(desk.program)


# ----- Launching ---------------------------------------------------------------------


def launch_shortcuts(ctx):
    return [("marker", marker_copy(ctx, "launch", "marker.exe")),
            ("标记", marker_copy(ctx, "中文目录", "标记.exe")),
            ("丢失", "C:\\corvalis-e2e\\launch\\丢失.exe")]


@scenario
@in_launcher_desk("launch", launch_shortcuts)
def launch(ctx, desk):
    """A click on a shortcut row opens its file (a program in a folder with a Chinese
    name too) and slides the bar out; a row whose file is missing slides it out all the
    same, without a message and without harm to the program."""
    shortcuts = read_shortcuts(ctx)
    desk.expect_rows(5)
    check(not os.path.exists(unix_path(shortcuts[2][1])), "the missing file exists")
    for row, (name, path) in enumerate(shortcuts, start=2):
        check(not os.path.exists(unix_path(path) + ".ran"), f"{name} ran before its row was clicked")
        desk.slide_in()
        desk.click_row(row)
        if name != "丢失":
            wait_marker(path, f"row {row} ({name}) to launch {path}")
        desk.wait_left(desk.parked, f"the bar to slide out after the click on row {row} ({name})")
    check(not desk.program.message_boxes(), "the missing file brought up a message")
    check(desk.program.running(), "the program ended")

    # The user sets a variable (the system says the environment changed): what the bar
    # launches from then on sees it; the user removes it again: it is gone for them too.
    marker = unix_path(shortcuts[0][1])
    value = "新的值;C:\\tools"
    try:
        for wanted in (value, None):
            if wanted is None:
                desk.helper.reg_delete("HKCU", "Environment", "CORVALIS_E2E_VARIABLE")
            else:
                desk.helper.reg_set("HKCU", "Environment", "CORVALIS_E2E_VARIABLE", "sz", wanted)
            desk.helper.run("settingchange", "Environment")
            for stale in (marker + ".ran", marker + ".env"):
                if os.path.exists(stale):
                    os.remove(stale)
            desk.slide_in()
            desk.click_row(2)
            wait_marker(shortcuts[0][1], "the marker to run again")
            check(file_text(marker + ".env") == wanted, f"the launched program saw {file_text(marker + '.env')!r}")
            desk.wait_left(desk.parked, "the bar to slide out after the launch")
    finally:
        desk.helper.reg_delete("HKCU", "Environment", "CORVALIS_E2E_VARIABLE")

    # Still at work: the bar slides in again and takes the foreground.
    desk.slide_in()
    stop_cleanly(desk.program)


# ----- The bar's menu ----------------------------------------------------------------


def menu_item_point(menu, item, items=2):
    """The middle of item `item` of a pop-up menu of `items` items of one height."""
    left, top, right, bottom = menu["rect"]
    return (left + right) // 2, top + (bottom - top) * (2 * item + 1) // (2 * items)


def choose_from_menu(desk, row, item):
    """Right-clicks the bar's row and clicks item `item` (0 编辑, 1 退出) of the menu."""
    desk.slide_in()
    x, y = desk.row_point(row)
    xdotool("mousemove", x, y, "click", 3)
    menu = desk.wait_menu()
    left, top, right, bottom = menu["rect"]
    # At the cursor, moved inside the screen where it would stick out.
    check(top == y + 3 and left <= x + 3 and right <= desk.width and right > x,
          f"the menu at {menu['rect']} is not at the cursor ({x}, {y})")
    xdotool("mousemove", *menu_item_point(menu, item), "click", 1)
    wait_for(lambda: not desk.menus(), 10, what="the menu to close")
    return menu


def program_shortcuts(ctx):
    return [("记事本", NOTEPAD), ("注册表", REGEDIT), ("命令行", CONSOLE)]


@scenario
@in_launcher_desk("menus", program_shortcuts)
def menus(ctx, desk):
    """A right-click on a shortcut row pops up the menu at the cursor: 编辑 opens the
    edit window; 退出 closes the bar, but with the edit window open the program runs on
    until that is closed too; without it 退出 ends the program."""
    bar = desk.slide_in()
    ctx.shot_of("launcher-shortcuts", bar)

    choose_from_menu(desk, 2, 0)
    edit = EditWindow(desk, desk.wait_edit_window())
    edit.close_with_escape(3)
    check(desk.program.running() and desk.program.launcher() is not None, "the bar went with the edit window")

    edit = open_edit_window_from_row(desk)
    choose_from_menu(desk, 3, 1)
    wait_for(lambda: desk.program.launcher() is None, 10, what="退出 to close the bar")
    desk.stays(lambda: desk.program.running() and len(desk.edit_windows()) == 1, 1.0,
               "the program or its edit window ended with the bar")
    # The edit window still works, and what it changes is saved when it closes.
    edit.click_button(0, REMOVE)
    edit.close_with_escape(2)
    check(desk.program.wait(15) == 0, "the program did not end with 0 when its last window closed")
    check(read_shortcuts(ctx) == program_shortcuts(ctx)[1:], f"shortcut file {read_shortcuts(ctx)} after X and "
                                                             "closing the edit window without the bar")

    desk.start(parked=True)
    choose_from_menu(desk, 3, 1)
    check(desk.program.wait(15) == 0, "退出 did not end the program with 0")


# ----- The edit window ---------------------------------------------------------------


def four_programs(ctx):
    return [("记事本", NOTEPAD), ("注册表", REGEDIT), ("命令行", CONSOLE), ("设置", SETTINGS)]


@scenario
@in_launcher_desk("edit-edits", four_programs)
def edit_window_edits(ctx, desk):
    """The edit window lists the shortcuts; the pointer on a row shows its buttons, ↑
    disabled on the first row and ↓ on the last. ↓, ↑ and X move and remove entries,
    a double-click renames one through the panel over the veiled list. Closing the
    window writes the shortcut file in the list's order, and the bar, though parked,
    is rebuilt and slides in."""
    edit = open_edit_window_from_row(desk)
    # The edit window is one of the program's own (owned) windows: the bar stays in
    # beside it, until a window of another program becomes active.
    desk.expect_stays_in(1.0, "the bar slid out when the edit window came up")
    desk.park()
    edit.pointer_away()
    looks = edit.settled_rows(4)
    check(len(set(looks)) == 4, "two rows of the edit list look the same")

    expected_states = {
        0: {REMOVE: "enabled", DOWN: "enabled", UP: "disabled"},
        3: {REMOVE: "enabled", DOWN: "disabled", UP: "enabled"},
        1: {REMOVE: "enabled", DOWN: "enabled", UP: "enabled"},
    }
    for row, states in expected_states.items():
        shown = edit.hover(row)
        check(shown == states, f"row {row}: buttons {shown}, expected {states}")
        if row == 0:
            ctx.shot_of("edit-window-buttons", edit.window["rect"])

    a, b, c, d = looks
    edit.click_button(0, DOWN)
    edit.pointer_away()
    edit.wait_rows([b, a, c, d], "↓ on the first row to move it down")
    edit.click_button(3, UP)
    edit.pointer_away()
    edit.wait_rows([b, a, d, c], "↑ on the last row to move it up")
    edit.click_button(0, REMOVE)
    edit.pointer_away()
    edit.wait_rows([a, d, c, None], "X on the first row to remove it")

    old = edit.rename(0, "笔记本")
    check(old == "记事本", f"the name box offered {old!r}")
    edit.pointer_away()
    now = edit.row_looks(3)
    check(now[0] != a and now[1:] == [d, c], "the rename did not show in the list")

    written = shortcut_bytes(ctx)
    check(written == serialize(four_programs(ctx)), "the shortcut file changed while the edit window was open")
    # A rename still open when Esc closes the window is dropped; the changes before it stay.
    edit.open_rename(1)
    type_text("zz")
    xdotool("key", "Escape")
    desk.wait_no_edit_window()
    expected = [("笔记本", NOTEPAD), ("设置", SETTINGS), ("命令行", CONSOLE)]
    wait_for(lambda: shortcut_bytes(ctx) != written, 10, what="the shortcut file to be written on close")
    check(read_shortcuts(ctx) == expected, f"shortcut file {read_shortcuts(ctx)}, expected {expected}")
    desk.wait_left(desk.flush, "the bar to slide in after the edit window closed")
    desk.expect_rows(5)
    stop_cleanly(desk.program)


@scenario
@in_launcher_desk("edit-no-change", program_shortcuts)
def edit_window_no_change(ctx, desk):
    """Nothing changes the shortcuts: the disabled ↑ of the first row and ↓ of the last
    do nothing; a rename that keeps the name, one to an empty name and one to a name
    another entry holds all keep the old name. Closing then writes nothing and the bar
    stays parked."""
    before = untouched_from_now(ctx)
    edit = open_edit_window_from_row(desk)
    desk.expect_stays_in(1.0, "the bar slid out when the edit window came up")
    desk.park()
    edit.pointer_away()
    looks = edit.settled_rows(3)

    check(edit.hover(0)[UP] == "disabled", "↑ of the first row is not disabled")
    edit.click_button(0, UP)
    check(edit.hover(2)[DOWN] == "disabled", "↓ of the last row is not disabled")
    edit.click_button(2, DOWN)
    for row, name in ((1, None), (1, ""), (2, "记事本")):
        old = edit.rename(row, name)
        check(old == program_shortcuts(ctx)[row][0], f"row {row}: the name box offered {old!r}")
    edit.pointer_away()
    edit.wait_rows(looks + [None], "the list to stay as it was")

    # Closed through its own menu this time: a right-click in the list, 退出.
    xdotool("mousemove", *edit.row_body(1), "click", 3)
    menu = desk.wait_menu()
    check(menu["owner"] == edit.hwnd, f"the menu belongs to {menu['owner']}, not to the edit window")
    xdotool("mousemove", *menu_item_point(menu, 0, items=1), "click", 1)
    desk.wait_no_edit_window()
    desk.stays(lambda: desk.rect()[0] == desk.parked, 1.5, "the bar moved after an edit window without changes")
    check(file_state(ctx) == before, "the shortcut file was written although nothing changed")
    stop_cleanly(desk.program)


@scenario
@in_launcher_desk("edit-remove-all", program_shortcuts)
def edit_window_remove_all(ctx, desk):
    """X on every row empties the list; on closing the shortcut file holds no entries
    and the bar is back to its two fixed rows, slid in. Another program that holds the
    shortcut file open for a moment as the window closes (as a virus scanner may) only
    delays the save."""
    choose_from_menu(desk, 2, 0)
    edit = EditWindow(desk, desk.wait_edit_window())
    desk.expect_stays_in(1.0, "the bar slid out when the edit window came up")
    desk.park()
    edit.pointer_away()
    looks = edit.settled_rows(3)
    for removed in range(3):
        edit.click_button(0, REMOVE)
        edit.pointer_away()
        edit.wait_rows(looks[removed + 1:] + [None] * (removed + 1), f"X number {removed + 1} to remove a row")
    holder = ProbeProcess(desk.helper, "hold", windows_path(ctx.shortcut_file), 100, edit.hwnd, WM_CLOSE,
                          log_path=desk.log)
    check(holder.next(30) == {"held": True}, "the shortcut file could not be held")
    check({"released": True} in holder.wait(30), "the holder did not close the window or let go of the file")
    desk.wait_no_edit_window()
    wait_for(lambda: shortcut_bytes(ctx) != serialize(program_shortcuts(ctx)), 10,
             what="the shortcut file to be written on close")
    check(read_shortcuts(ctx) == [], f"shortcut file {read_shortcuts(ctx)}, expected no entries")
    desk.wait_left(desk.flush, "the bar to slide in after the edit window closed")
    desk.expect_rows(2)
    stop_cleanly(desk.program)


@scenario
@in_launcher_desk("edit-three-ways", lambda ctx: [("记事本", NOTEPAD)])
def edit_window_opened_three_ways(ctx, desk):
    """A click on row 1, a right-click on row 0 and the menu's 编辑 each open the edit
    window when none is open, and each brings the open one forward instead of opening a
    second."""
    def by_row():
        desk.slide_in()
        desk.click_row(1)

    def by_right_click():
        desk.slide_in()
        desk.click_row(0, button=3)

    def by_menu():
        choose_from_menu(desk, 2, 0)

    ways = {"a click on row 1": by_row, "a right-click on row 0": by_right_click, "the menu's 编辑": by_menu}
    for opener, again in (("a click on row 1", "a right-click on row 0"),
                          ("a right-click on row 0", "the menu's 编辑"),
                          ("the menu's 编辑", "a click on row 1")):
        ways[opener]()
        edit = desk.wait_edit_window()
        wait_for(lambda: desk.foreground()["hwnd"] == edit["hwnd"], 20,
                 what=f"the edit window opened by {opener} to come to the foreground")
        ways[again]()
        wait_for(lambda: desk.foreground()["hwnd"] == edit["hwnd"], 20,
                 what=f"{again} to bring the open edit window forward")
        now = desk.edit_windows()
        check([w["hwnd"] for w in now] == [edit["hwnd"]], f"{again} with the edit window open: {now}")
        EditWindow(desk, edit).close_with_escape(1)
    stop_cleanly(desk.program)


# ----- A long list -------------------------------------------------------------------


def thirty_shortcuts(ctx):
    entries = [(f"条目{number:02d}", f"C:\\corvalis-e2e\\long-list\\absent{number:02d}.exe") for number in range(29)]
    return entries + [("最后", marker_copy(ctx, "long-list", "最后.exe"))]


@scenario
@in_launcher_desk("long-list", thirty_shortcuts)
def long_list(ctx, desk):
    """Thirty shortcuts make the bar as tall as the screen allows - its height less
    twice the taskbar's thickness - centred; a click in the list's scroll strip below
    the thumb pages to the end, where the last row launches the last shortcut."""
    left, top, right, bottom = desk.helper.run("taskbar")[0]["rect"]
    check((left, right, bottom) == (0, desk.width, desk.height),
          f"the taskbar is not at the bottom: {[left, top, right, bottom]}")
    height = desk.height - 2 * (bottom - top)
    check(bar_height(32) > height, "thirty shortcuts would fit the screen")
    rect = desk.slide_in()
    check(rect[3] - rect[1] == height and rect[1] == int(desk.height / 2 - height / 2),
          f"the bar is at {rect}, expected {height} pixels high and centred")
    last = read_shortcuts(ctx)[-1][1]
    check(not os.path.exists(unix_path(last) + ".ran"), "the last shortcut ran before its row was clicked")
    # The thumb stands at the top of the strip; below it the strip pages down.
    xdotool("mousemove", rect[2] - 3, rect[3] - 20, "click", 1)
    # Scrolled to its end the list shows its last row at the bottom of the bar.
    xdotool("mousemove", (rect[0] + rect[2]) // 2, rect[3] - ROW_PITCH // 2, "click", 1)
    wait_marker(last, "the last row, scrolled into view, to launch the last shortcut")
    desk.wait_left(desk.parked, "the bar to slide out after the launch")

    # From the keyboard: End marks the last row, scrolling it into view, and Enter
    # launches it.
    os.remove(unix_path(last) + ".ran")
    xdotool("key", "ctrl+alt+space")
    desk.wait_left(desk.flush, "Ctrl+Alt+Space to slide the bar in")
    wait_for(lambda: desk.foreground()["hwnd"] == desk.hwnd, 10, what="the bar to take the foreground")
    xdotool("key", "--delay", 80, "Home", "End", "Return")
    wait_marker(last, "End and Enter to launch the last shortcut")
    stop_cleanly(desk.program)
