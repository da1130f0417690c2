"""Scenarios in which a shortcut the user made must survive: an add while the edit
window is open, a save that another program blocks, a damaged shortcut file, one that
another program holds at start, the session's end, a rename while the list changes,
and the open-file dialog that must not hide the bar it adds to.

They run inside the launcher's virtual desktop, like launcher_scenarios.py.
"""

import os

from edge_scenarios import ProbeProcess
from drop_scenarios import DRAGDROP_S_DROP, FileDrag
from harness import IDOK, LAUNCHER_CLASS, WM_CLOSE, check, message_box_contents, unix_path, wait_for, windows_path
from launcher_scenarios import (CONSOLE, NOTEPAD, REGEDIT, REMOVE, LauncherDesk, bar_height, enter_in_dialog,
                                in_launcher_desk, marker_copy, open_edit_window_from_row, read_shortcuts,
                                shortcut_bytes, wait_marker, wait_shortcut_file, write_shortcuts)
from scenarios import scenario, stop_cleanly
from shortcut_image import parse, serialize

# "快捷方式文件保存失败：" and the file's path, under the default caption "信息：".
SAVE_FAILED = "快捷方式文件保存失败："
DEFAULT_CAPTION = "信息："
DAMAGED_SUFFIX = ".damaged"


def add_through_dialog(ctx, desk, path):
    """Clicks 添加文件 on the bar (revealed first if it is not in) and chooses `path` in
    the dialog."""
    desk.slide_in()
    desk.click_row(0)
    dialog = desk.wait_dialog()
    enter_in_dialog(ctx, dialog, path)
    wait_for(lambda: not desk.dialogs(), 15, what="the dialog to close")


def two_programs(ctx):
    return [("甲", NOTEPAD), ("乙", REGEDIT)]


def open_edit_list(desk, rows):
    """Opens the edit window from the bar; once its list shows `rows` rows, the window."""
    edit = open_edit_window_from_row(desk)
    edit.pointer_away()
    edit.settled_rows(rows)
    return edit


def remove_first_row(edit, rows):
    """X on the first of `rows` rows; waits for the list to show one row less."""
    edit.click_button(0, REMOVE)
    edit.pointer_away()
    edit.settled_rows(rows - 1)


def remove_first_row_and_close(desk, rows):
    """Opens the edit window, removes its first row, closes it with Esc."""
    edit = open_edit_list(desk, rows)
    remove_first_row(edit, rows)
    edit.close_with_escape(rows - 1)


@scenario
@in_launcher_desk("add-while-editing", two_programs)
def add_while_editing(ctx, desk):
    """A file added on the bar while the edit window is open joins the end of the edit
    list at once, and the close with changes keeps it next to the edits: add, then
    remove in the list, then close; and the other way round."""
    marker = marker_copy(ctx, "add-while-editing", "marker.exe")
    second = marker_copy(ctx, "add-while-editing", "second.exe")
    edit = open_edit_list(desk, 2)

    add_through_dialog(ctx, desk, marker)
    wait_shortcut_file(ctx, two_programs(ctx) + [("marker", marker)], "the add to be saved at once")
    edit.pointer_away()
    edit.settled_rows(3)
    remove_first_row(edit, 3)
    edit.close_with_escape(2)
    wait_shortcut_file(ctx, [("乙", REGEDIT), ("marker", marker)], "the close to keep the add beside the removal")
    desk.wait_left(desk.flush, "the bar to be in after the edit window closed")
    desk.expect_rows(4)

    # The removal first, the add after it, both with the window open.
    edit = open_edit_list(desk, 2)
    remove_first_row(edit, 2)
    add_through_dialog(ctx, desk, second)
    wait_shortcut_file(ctx, [("乙", REGEDIT), ("marker", marker), ("second", second)], "the second add to be saved")
    edit.pointer_away()
    edit.settled_rows(2)
    edit.close_with_escape(2)
    wait_shortcut_file(ctx, [("marker", marker), ("second", second)], "the close to keep the removal and the add")
    desk.expect_rows(4)
    # What the bar shows is what it launches.
    desk.slide_in()
    desk.click_row(3)
    wait_marker(second, "the row added while the edit window was open to launch its file")
    stop_cleanly(desk.program)


def expect_save_failure_notice(ctx, desk):
    """Waits for the one message that a save failed, checks it and answers it."""
    box = wait_for(lambda: (lambda boxes: boxes if boxes else None)(desk.program.message_boxes()), 20,
                   what="the message that the shortcut file could not be saved")
    check(len(box) == 1, f"{len(box)} message boxes")
    contents = message_box_contents(ctx.helper, box[0])
    expected = SAVE_FAILED + ctx.helper.documents().rstrip("\\") + "\\Corvalis.HashTable"
    check(contents["text"] == expected, f"message text {contents['text']!r}, expected {expected!r}")
    check(contents["caption"] == DEFAULT_CAPTION, f"message caption {contents['caption']!r}")
    ctx.helper.press(box[0]["hwnd"], IDOK)
    wait_for(lambda: not desk.program.message_boxes(), 10, what="the message to close")


def hold_shortcut_file(ctx, desk, alone=False):
    """Another program holds the shortcut file open so that it cannot be replaced (as a
    virus scanner may) - or, `alone`, not even read (as a sync client may) - until
    release() is called on the result."""
    holder = ProbeProcess(desk.helper, "hold", windows_path(ctx.shortcut_file), 600000, 0, 0,
                          *(["alone"] if alone else []), log_path=desk.log)
    check(holder.next(30) == {"held": True}, "the shortcut file could not be held")
    return holder


def release(holder):
    holder.process.kill()
    holder.process.wait(timeout=15)


def remove_first_row_whose_save_fails(ctx, desk, rows):
    """Removes the first of `rows` rows in the edit window while another program holds
    the file: the save fails and the user is told; then the file is let go."""
    holder = hold_shortcut_file(ctx, desk)
    try:
        remove_first_row_and_close(desk, rows)
        expect_save_failure_notice(ctx, desk)
    finally:
        release(holder)


@scenario
@in_launcher_desk("failed-save", two_programs)
def failed_save_keeps_the_change(ctx, desk):
    """While another program holds the shortcut file, the edit window's save fails: the
    edits stay on the bar, the user is told once, and a second failure says nothing
    more. The next change after the file is free saves everything. A change whose save
    failed is saved when the program ends."""
    marker = marker_copy(ctx, "failed-save", "marker.exe")
    third = marker_copy(ctx, "failed-save", "third.exe")
    stored = serialize(two_programs(ctx))
    holder = hold_shortcut_file(ctx, desk)
    try:
        remove_first_row_and_close(desk, 2)
        expect_save_failure_notice(ctx, desk)
        check(shortcut_bytes(ctx) == stored, "the held file changed")
        desk.expect_rows(3)  # 乙 alone: the removal stays on the bar

        # A second failure in the same run is not told again.
        add_through_dialog(ctx, desk, marker)
        desk.expect_rows(4)
        desk.stays(lambda: not desk.program.message_boxes(), 1.5, "a second failure was told again")
        check(shortcut_bytes(ctx) == stored, "the held file changed")
    finally:
        release(holder)

    # The file is free again: the next change saves the bar as it is, earlier changes too.
    add_through_dialog(ctx, desk, third)
    wait_shortcut_file(ctx, [("乙", REGEDIT), ("marker", marker), ("third", third)],
                       "the next change to save everything the bar holds")
    check(not desk.program.message_boxes(), "a message came with the successful save")

    # A failed save, then the program ends once the file is free: the change is saved.
    remove_first_row_whose_save_fails(ctx, desk, 3)
    stop_cleanly(desk.program)
    check(read_shortcuts(ctx) == [("marker", marker), ("third", third)],
          f"after the end the shortcut file holds {read_shortcuts(ctx)}")


def damaged_copies(ctx):
    return [ctx.shortcut_file + DAMAGED_SUFFIX, ctx.shortcut_file + DAMAGED_SUFFIX + "-2"]


def expect_damage_notice(ctx, desk, salvaged, copy):
    """Waits for the one message that the file was damaged, checks it and answers it."""
    box = wait_for(lambda: (lambda boxes: boxes if boxes else None)(desk.program.message_boxes()), 20,
                   what="the message that the shortcut file was damaged")
    check(len(box) == 1, f"{len(box)} message boxes")
    contents = message_box_contents(ctx.helper, box[0])
    expected = f"快捷方式文件已损坏，已恢复 {salvaged} 个快捷方式。原文件已另存为：" + windows_path(copy)
    check(contents["text"] == expected, f"message text {contents['text']!r}, expected {expected!r}")
    check(contents["caption"] == DEFAULT_CAPTION, f"message caption {contents['caption']!r}")
    ctx.helper.press(box[0]["hwnd"], IDOK)
    wait_for(lambda: not desk.program.message_boxes(), 10, what="the message to close")


@scenario
def damaged_file_is_kept(ctx):
    """A shortcut file cut inside its third record gives back the two before the cut;
    its bytes are kept as Corvalis.HashTable.damaged and the user is told once, after
    the bar is built. The file then holds the two, and the bar takes adds as usual. The
    next damaged file, 4 KiB of zeros (what a power cut may leave), gives none and goes
    to .damaged-2."""
    three = [("记事本", NOTEPAD), ("注册表", REGEDIT), ("第三", CONSOLE)]
    whole = serialize(three)
    cut = whole[:len(whole) - 8]
    for copy in damaged_copies(ctx):
        if os.path.exists(copy):
            os.remove(copy)
    for number, (damaged, salvaged) in enumerate([(cut, three[:2]), (bytes(4096), [])], start=1):
        copy = damaged_copies(ctx)[number - 1]

        def plant(desk, damaged=damaged):
            with open(ctx.shortcut_file, "wb") as out:
                out.write(damaged)

        desk = LauncherDesk(ctx, "damaged-file", before_start=plant, parked=bool(salvaged))
        try:
            expect_damage_notice(ctx, desk, len(salvaged), copy)
            desk.expect_rows(2 + len(salvaged))
            with open(copy, "rb") as kept:
                check(kept.read() == damaged, f"{os.path.basename(copy)} does not hold the damaged bytes")
            wait_shortcut_file(ctx, salvaged, "the file to hold what came back")
            marker = marker_copy(ctx, "damaged-file", f"added{number}.exe")
            add_through_dialog(ctx, desk, marker)
            wait_shortcut_file(ctx, salvaged + [(f"added{number}", marker)], "the add to be saved")
            if number == 2:
                with open(damaged_copies(ctx)[0], "rb") as first:
                    check(first.read() == cut, "the first copy was overwritten")
            leftovers = [n for n in os.listdir(os.path.dirname(ctx.shortcut_file)) if n.endswith(".tmp")]
            check(not leftovers, f"temporary files left beside the shortcut file: {leftovers}")
            check(not desk.program.message_boxes(), "a second message came")
            stop_cleanly(desk.program)
        finally:
            desk.close()
    for copy in damaged_copies(ctx):
        os.remove(copy)


@scenario
def held_file_is_read_when_let_go(ctx):
    """Another program holds the shortcut file with no sharing from before the start (a
    sync client at logon): the bar starts parked with no shortcuts and makes no copy;
    once the file is let go, its shortcuts appear and the file is as it was. Held
    again through a start and an add: the add shows at once, and once the file is let
    go, the file holds its old shortcuts, then the add. Held through a whole run, the
    add waits in Corvalis.HashTable.pending until the next start merges it in."""
    stored = [("甲", NOTEPAD), ("乙", REGEDIT)]
    holders = []
    for copy in damaged_copies(ctx):
        if os.path.exists(copy):
            os.remove(copy)

    def hold(desk):
        holders.append(hold_shortcut_file(ctx, desk, alone=True))

    for with_add in (False, True):
        desk = LauncherDesk(ctx, "held-file", stored, before_start=hold, parked=True)
        try:
            desk.expect_rows(2)
            desk.stays(lambda: desk.rect()[3] - desk.rect()[1] == bar_height(2), 2.5,
                       "the bar showed shortcuts of a file nobody could read")
            if with_add:
                marker = marker_copy(ctx, "held-file", "held-add.exe")
                add_through_dialog(ctx, desk, marker)
                desk.expect_rows(3)
            check(shortcut_bytes(ctx) == serialize(stored), "the held file changed")
            release(holders.pop())
            desk.expect_rows(4 + int(with_add))
            expected = stored + ([("held-add", marker)] if with_add else [])
            wait_shortcut_file(ctx, expected, "the file to hold its shortcuts, then the add")
            check(not any(os.path.exists(copy) for copy in damaged_copies(ctx)), "a held file was taken for damaged")
            check(not desk.program.message_boxes(), "a message came")
            if with_add:
                desk.slide_in()
                desk.click_row(4)
                wait_marker(marker, "the row added while the file was held to launch its file")
            stop_cleanly(desk.program)
            check(read_shortcuts(ctx) == expected, "the end changed the file")
        finally:
            for holder in holders:
                release(holder)
            desk.close()

    # Held for the whole run: the add waits beside the file, the user hears so at the
    # end, and the next start merges it in.
    write_shortcuts(ctx, stored)
    pending = ctx.shortcut_file + ".pending"
    if os.path.exists(pending):
        os.remove(pending)
    desk = LauncherDesk(ctx, "held-file", before_start=hold, parked=True)
    try:
        marker = marker_copy(ctx, "held-file", "held-long.exe")
        add_through_dialog(ctx, desk, marker)
        desk.expect_rows(3)
        for window in desk.program.windows(cls=LAUNCHER_CLASS):
            ctx.helper.post(window["hwnd"], WM_CLOSE)
        box = wait_for(lambda: (lambda boxes: boxes if boxes else None)(desk.program.message_boxes()), 20,
                       what="the message that the changes wait beside the file")
        text = message_box_contents(ctx.helper, box[0])["text"]
        expected_text = "快捷方式文件一直无法读取，本次的更改已另存为：" + windows_path(pending) + "。下次启动时会自动合并。"
        check(text == expected_text, f"message text {text!r}, expected {expected_text!r}")
        ctx.helper.press(box[0]["hwnd"], IDOK)
        check(desk.program.wait(20) == 0, "the program did not end cleanly")
        with open(pending, "rb") as kept:
            check(parse(kept.read()) == [("held-long", marker)], "the pending file does not hold the add")
        check(shortcut_bytes(ctx) == serialize(stored), "the held file changed")
    finally:
        for holder in holders:
            release(holder)
        desk.close()
    desk = LauncherDesk(ctx, "held-file", parked=True)
    try:
        wait_shortcut_file(ctx, stored + [("held-long", marker)], "the next start to merge the waiting add in")
        desk.expect_rows(5)
        check(not os.path.exists(pending), "the pending file stayed after its changes were saved")
        stop_cleanly(desk.program)
    finally:
        desk.close()


@scenario
@in_launcher_desk("session-end", lambda ctx: [("甲", NOTEPAD), ("乙", REGEDIT), ("丙", CONSOLE)])
def session_end_saves(ctx, desk):
    """The session ends (sign-out, shutdown) with a change whose save failed and an open
    edit window with a removal in it: both are in the file before the program answers,
    and nothing was asked of the user."""
    remove_first_row_whose_save_fails(ctx, desk, 3)
    edit = open_edit_list(desk, 2)
    remove_first_row(edit, 2)
    check(read_shortcuts(ctx) == [("甲", NOTEPAD), ("乙", REGEDIT), ("丙", CONSOLE)], "saved before the session end")
    # Inside the program's desktop: the session's end reaches the windows of the desktop
    # it is ended from. --shutdown: without it wineboot goes on to start the session
    # anew, with the Run values (this program among them).
    ended = desk.helper.run("run", "-", "wineboot --end-session --shutdown", timeout=120)
    check(ended and ended[-1].get("exit") == 0, f"wineboot --end-session --shutdown: {ended}")
    check(read_shortcuts(ctx) == [("丙", CONSOLE)],
          f"after the session's end the shortcut file holds {read_shortcuts(ctx)}")
    check(not desk.program.message_boxes(), "a message came at the session's end")
    stop_cleanly(desk.program)
    check(read_shortcuts(ctx) == [("丙", CONSOLE)], f"the end changed the file: {read_shortcuts(ctx)}")


@scenario
@in_launcher_desk("rename-race", two_programs)
def rename_takes_the_entry_as_it_is_now(ctx, desk):
    """While the rename box waits, files dropped at the top of the bar go to the top of
    the edit list too, and an add gives the renamed entry a new path: the rename then
    names that entry, at its new place, with its new path."""
    dropped = marker_copy(ctx, "rename-race", "dropped.exe")
    newer = marker_copy(ctx, "rename-race", "乙.exe")
    edit = open_edit_list(desk, 2)
    panel = edit.open_rename(1)
    desk.park()
    result = FileDrag(desk, dropped).drop_on(2, lower_half=False)
    check(result is not None and result.get("result") == DRAGDROP_S_DROP, f"the drop was not taken: {result}")
    wait_shortcut_file(ctx, [("dropped", dropped)] + two_programs(ctx), "the drop to be saved at the top")
    add_through_dialog(ctx, desk, newer)
    wait_shortcut_file(ctx, [("dropped", dropped), ("甲", NOTEPAD), ("乙", newer)], "the add to take 乙's place")
    edit.finish_rename(panel, "丙")
    edit.pointer_away()
    edit.settled_rows(3)
    edit.close_with_escape(3)
    wait_shortcut_file(ctx, [("dropped", dropped), ("甲", NOTEPAD), ("丙", newer)],
                       "the rename to name the entry as it is now")
    stop_cleanly(desk.program)


@scenario
@in_launcher_desk("dialog-keeps-bar", lambda ctx: [("记事本", NOTEPAD)])
def dialog_keeps_the_bar_in(ctx, desk):
    """The open-file dialog is the bar's own: revealed, 添加文件, a file chosen - the bar
    stays in the whole time, and the new row launches with one click, no second reveal."""
    marker = marker_copy(ctx, "dialog-keeps-bar", "newrow.exe")
    desk.slide_in()
    desk.click_row(0)
    dialog = desk.wait_dialog()
    desk.expect_stays_in(1.5, "the bar slid out when the open-file dialog came up")
    enter_in_dialog(ctx, dialog, marker)
    wait_for(lambda: not desk.dialogs(), 15, what="the dialog to close")
    desk.expect_rows(4)
    desk.expect_stays_in(1.0, "the bar slid out after the dialog closed")
    check(not os.path.exists(unix_path(marker) + ".ran"), "the new row ran before it was clicked")
    desk.click_row(3)
    wait_marker(marker, "the new row to launch its file")
    desk.wait_left(desk.parked, "the bar to slide out after the launch")
    stop_cleanly(desk.program)
