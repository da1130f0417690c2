"""Scenarios for the keyboard: Ctrl+Alt+Space calls the bar, whose list then takes the
keys (arrows, Enter, letters that find a row, Esc), and the edit window's keys with
their undo and redo. They run inside the Wine virtual desktop, where xdotool's keys
reach the program as a user's would."""

import os
import subprocess
import tempfile

from harness import check, unix_path, wait_for, wine_command, windows_path, xdotool
from launcher_scenarios import (CONSOLE, EDIT_LIST, NAME_BOX, NOTEPAD, REGEDIT, RENAME_PANEL, SETTINGS, VEIL,
                                EditWindow, file_state, in_launcher_desk, marker_copy, open_edit_window_from_row,
                                read_shortcuts, type_text, untouched_from_now, wait_marker, wait_shortcut_file)
from scenarios import scenario, stop_cleanly

HOTKEY = "ctrl+alt+space"
LAUNCHER_LIST = 102
ROLE_LIST, ROLE_LIST_ITEM = 0x21, 0x22
STATE_SELECTED, STATE_FOCUSED = 0x2, 0x4


def read_as_screen_reader(list_hwnd, default_action_of=None):
    """accessible_probe.exe, a process of its own, reads the list through
    AccessibleObjectFromWindow as a screen reader does (and carries out the default action
    of the row with that child id): the list's line and one line per row, parsed."""
    probe = os.environ.get("CORVALIS_E2E_ACCESSIBLE", "")
    check(probe and os.path.exists(probe), f"CORVALIS_E2E_ACCESSIBLE names no program: {probe!r}")
    extra = [] if default_action_of is None else [str(default_action_of)]
    with tempfile.TemporaryFile() as out:
        status = subprocess.run([wine_command(), windows_path(probe), str(list_hwnd), *extra], stdout=out,
                                stderr=subprocess.DEVNULL, timeout=60).returncode
        out.seek(0)
        lines = out.read().decode("utf-8").splitlines()
    check(status == 0, f"the screen reader's probe failed ({status}): {lines}")
    parsed = []
    for line in lines:
        head, _, name = line.partition(" name=")
        fields = dict(field.split("=", 1) for field in head.split() if "=" in field)
        parsed.append((line.split()[0], fields, name))
    return parsed


def press(*keys):
    """Keys one after another, a little apart, as a quick typist presses them."""
    xdotool("key", "--delay", 80, *keys)


def list_control(desk):
    return next(c for c in desk.helper.children(desk.hwnd) if c["id"] == LAUNCHER_LIST)


def call_by_hotkey(desk):
    """Ctrl+Alt+Space on the parked bar: it slides in and its list holds the focus."""
    desk.wait_left(desk.parked, "the bar to be parked before the hotkey")
    press(HOTKEY)
    rect = desk.wait_left(desk.flush, "Ctrl+Alt+Space to slide the bar in")
    listed = list_control(desk)["hwnd"]
    wait_for(lambda: desk.foreground() == {"hwnd": desk.hwnd, "focus": listed}, 10,
             what="the bar's list to hold the keyboard focus")
    return rect


def keyed_shortcuts(ctx):
    return [("marker", marker_copy(ctx, "keys", "marker.exe")),
            ("第二", marker_copy(ctx, "keys", "第二.exe")),
            ("third", marker_copy(ctx, "keys", "third.exe")),
            ("记事本", marker_copy(ctx, "keys", "记事本.exe"))]


def forget_runs(shortcuts):
    for _, path in shortcuts:
        if os.path.exists(unix_path(path) + ".ran"):
            os.remove(unix_path(path) + ".ran")


@scenario
@in_launcher_desk("keys-bar", keyed_shortcuts)
def bar_from_the_keyboard(ctx, desk):
    """Ctrl+Alt+Space slides the bar in with the focus mark on the first shortcut: Down,
    Down, Enter launches the third; typed "jsb" finds 记事本 by its pinyin initials and
    Enter launches it. Esc sends a bar the hotkey called back and the program runs on;
    the hotkey on a bar that is in sends it back too, and while a full-screen program is
    in front it does nothing."""
    shortcuts = read_shortcuts(ctx)
    forget_runs(shortcuts)
    rect = call_by_hotkey(desk)
    ctx.shot_of("launcher-focus-mark", rect)

    # A screen reader in another process hears a list of named rows, the mark's row focused.
    heard = read_as_screen_reader(list_control(desk)["hwnd"])
    check(heard[0][0] == "list" and int(heard[0][1]["role"]) == ROLE_LIST and heard[0][1]["children"] == "6",
          f"the list is heard as {heard[0]}")
    rows = [(name, fields["action"], int(fields["state"], 16)) for kind, fields, name in heard if kind == "row"]
    check([name for name, _, _ in rows] == ["添加文件", "编辑列表", "marker", "第二", "third", "记事本"],
          f"the rows are heard as {rows}")
    check([action for _, action, _ in rows] == ["打开", "打开"] + ["启动"] * 4, f"the rows' actions: {rows}")
    marked = [name for name, _, state in rows if state & (STATE_FOCUSED | STATE_SELECTED)]
    check(marked == ["marker"], f"the focused rows: {marked}")
    check(all(int(fields["role"]) == ROLE_LIST_ITEM for kind, fields, _ in heard if kind == "row"),
          "a row is not a list item")
    press("Down", "Down", "Return")
    wait_marker(shortcuts[2][1], "Down, Down, Enter to launch the third shortcut")
    desk.wait_left(desk.parked, "the bar to slide out after the launch")
    ran = [name for name, path in shortcuts if os.path.exists(unix_path(path) + ".ran")]
    check(ran == ["third"], f"the keys launched {ran}")

    # Its default action launches, as Enter does.
    call_by_hotkey(desk)
    read_as_screen_reader(list_control(desk)["hwnd"], default_action_of=4)
    wait_marker(shortcuts[1][1], "the screen reader's default action to launch 第二")
    desk.wait_left(desk.parked, "the bar to slide out after the launch")

    call_by_hotkey(desk)
    type_text("jsb")
    press("Return")
    wait_marker(shortcuts[3][1], '"jsb" and Enter to launch 记事本')
    desk.wait_left(desk.parked, "the bar to slide out after the launch")

    # Shift+F10 opens the marked row's menu, as a right-click on it does; Esc closes it.
    call_by_hotkey(desk)
    press("Down", "shift+F10")
    menu = desk.wait_menu()
    row_left, row_top = desk.row_point(3)
    check(abs(menu["rect"][1] - row_top) <= 30, f"the menu at {menu['rect']} is not beside row 3 at {row_top}")
    press("Escape")
    wait_for(lambda: not desk.menus(), 10, what="Esc to close the menu")
    desk.expect_stays_in(0.5, "Esc on the menu sent the bar back")
    press("Escape")
    desk.wait_left(desk.parked, "Esc to send the called bar back")
    desk.stays(lambda: desk.program.running() and desk.rect()[0] == desk.parked, 1.0,
               "Esc on the called bar ended the program or brought the bar back")
    call_by_hotkey(desk)
    press(HOTKEY)
    desk.wait_left(desk.parked, "the hotkey to send the bar back")

    # A full-screen program in front (the shell's notice says so): the keys do nothing.
    desk.helper.post(desk.hwnd, 0x2C16, 2, 1)  # the application bar's callback, ABN_FULLSCREENAPP, entered
    press(HOTKEY)
    desk.stays(lambda: desk.rect()[0] == desk.parked, 1.0, "the hotkey called the bar over a full-screen program")
    desk.helper.post(desk.hwnd, 0x2C16, 2, 0)
    call_by_hotkey(desk)
    stop_cleanly(desk.program)


def four_programs(ctx):
    return [("记事本", NOTEPAD), ("注册表", REGEDIT), ("命令行", CONSOLE), ("设置", SETTINGS)]


def focus_list(edit, row):
    """A click on the row's name gives the list the keys, its mark on that row."""
    xdotool("mousemove", *edit.row_body(row), "click", 1)
    wait_for(lambda: edit.desk.foreground()["focus"] == edit.control(EDIT_LIST)["hwnd"], 10,
             what="the edit list to take the keyboard focus")


def rename_by_key(edit, new_name):
    """F2 on the marked row, the new name typed over the old and Enter; the old name."""
    press("F2")
    panel = wait_for(lambda: (lambda c: c if c[RENAME_PANEL]["visible"] else None)(edit.controls()), 10,
                     what="F2 to show the rename panel")
    old = panel[NAME_BOX]["text"]
    wait_for(lambda: edit.desk.foreground()["focus"] == panel[NAME_BOX]["hwnd"], 10,
             what="the name box to take the keys")
    press("ctrl+a", "BackSpace")
    type_text(new_name)
    wait_for(lambda: edit.control(NAME_BOX)["text"] == new_name, 10, what=f"the name box to hold {new_name!r}")
    press("Return")
    wait_for(lambda: (lambda c: not c[RENAME_PANEL]["visible"] and not c[VEIL]["visible"])(edit.controls()), 10,
             what="Enter to confirm the rename")
    wait_for(lambda: edit.desk.foreground()["focus"] == edit.control(EDIT_LIST)["hwnd"], 10,
             what="the keys to go back to the list after the rename")
    return old


@scenario
@in_launcher_desk("keys-edit", four_programs)
def edit_window_from_the_keyboard(ctx, desk):
    """In the edit window Down marks the next row, Del removes it, Ctrl+Z brings it back,
    F2 renames it and Ctrl+Down moves it; Esc closes the window, which saves exactly
    that list. Undoing every change (Ctrl+Y redoing one on the way) and closing leaves
    the file byte for byte as it was, untouched, and the bar parked."""
    edit = open_edit_window_from_row(desk)
    desk.park()
    edit.pointer_away()
    edit.settled_rows(4)
    focus_list(edit, 0)
    edit.pointer_away()
    press("Down", "Delete", "ctrl+z")
    old = rename_by_key(edit, "注册表编辑器")
    check(old == "注册表", f"F2 offered {old!r}: Ctrl+Z did not bring 注册表 back where it was")
    press("ctrl+Down", "Escape")
    desk.wait_no_edit_window()
    expected = [("记事本", NOTEPAD), ("命令行", CONSOLE), ("注册表编辑器", REGEDIT), ("设置", SETTINGS)]
    wait_shortcut_file(ctx, expected, "the keys' changes to be saved on Esc")
    desk.wait_left(desk.flush, "the bar to slide in after the edit window closed")

    desk.park()
    before = untouched_from_now(ctx)
    edit = open_edit_window_from_row(desk)
    desk.park()
    edit.pointer_away()
    edit.settled_rows(4)
    focus_list(edit, 1)
    edit.pointer_away()
    press("Delete", "ctrl+Down", "Up")
    rename_by_key(edit, "改了")
    # One more Ctrl+Z than there are changes: it does nothing.
    press("ctrl+z", "ctrl+z", "ctrl+y", "ctrl+z", "ctrl+z", "ctrl+z", "Escape")
    desk.wait_no_edit_window()
    desk.stays(lambda: desk.rect()[0] == desk.parked, 1.5, "the bar moved after every change was undone")
    check(file_state(ctx) == before, "the shortcut file was written although every change was undone")
    check(read_shortcuts(ctx) == expected, f"shortcut file {read_shortcuts(ctx)}")
    stop_cleanly(desk.program)
