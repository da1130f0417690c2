"""Scenarios for the two windows made from their templates by the UI library bridge:
the launcher bar and the edit window, with their controls, menus, Esc, pictures of
both, and the warning when the UI library is missing.

The edit window is opened the way the launcher's menu item "编辑" opens it: a
WM_COMMAND with the item's identity, which is what the pop-up menu sends to the
launcher window when the item is chosen.
"""

import time

from harness import (LAUNCHER_CLASS, OWNER_CLASS, WM_CLOSE, WS_CAPTION, WS_EX_APPWINDOW, WS_EX_TOOLWINDOW,
                     WS_POPUP, WS_THICKFRAME, check, message_box_contents, screen_size, wait_for, xdotool)
from scenarios import scenario, stop_cleanly

WM_COMMAND = 0x0111
WS_VISIBLE = 0x10000000
WS_CHILD = 0x40000000
WS_SYSMENU = 0x00080000
WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x00020000, 0x00010000
WS_EX_TRANSPARENT = 0x00000020

EDIT_WINDOW_TITLE = "编辑窗口"
# Identities of the templates (app/window_templates.h): menu items and controls.
LAUNCHER_MENU_EDIT = 112
EDIT_MENU_EXIT = 212

# Launcher controls: identity -> (name, kind, left, top, width, height, parent, visible).
LAUNCHER_CONTROLS = {
    101: ("工具条_弃用", "ToolbarEx", 0, 160, 104, 192, 0, False),
    # Designed 232 high; the bar's layout gives it the window's height (two fixed rows).
    102: ("工具条", "ListboxEx", 0, 0, 104, 48, 0, True),
    103: ("窗口EX", "WindowEx", 4, 4, 24, 24, 0, False),
}
EDIT_CONTROLS = {
    201: ("编辑文件名", "WindowEx", 16, 152, 192, 44, 0, False),
    202: ("文件名编辑框", "EditboxEx", 8, 8, 128, 28, 201, False),  # hidden with its panel
    203: ("文件名保存按钮", "ButtonEx", 144, 8, 40, 28, 201, False),
    204: ("滤镜EX", "FilterEx", 16, 112, 168, 32, 0, False),
    205: ("窗口EX2", "WindowEx", 8, 200, 363, 32, 0, True),
    206: ("使用提示标签", "LabelEx", 2, 2, 359, 28, 205, True),
    207: ("工具条", "ListboxEx", 8, 8, 363, 233, 0, True),
    208: ("窗口EX1", "WindowEx", 8, 8, 24, 24, 0, False),
}
WARNING_TEXT = "程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件"
# Wine's RegisterShellHookWindow always fails, so under Wine the program says so at every
# start; that notice is answered, any other message box is a failure.
SHELL_HOOK_TEXT = "RegisterShellHookWindow > 失败"


def wait_launcher_shown(program, timeout=20.0):
    deadline = time.monotonic() + timeout
    while True:
        for box in program.message_boxes():
            contents = message_box_contents(program.helper, box)
            check(contents["text"] == SHELL_HOOK_TEXT, f"unexpected message box: {contents}")
            program.helper.press(box["hwnd"], 1)
        launcher = program.launcher()
        if launcher and launcher["visible"]:
            return launcher
        check(time.monotonic() < deadline, "the launcher window did not show")
        time.sleep(0.05)


def settled_launcher(program, timeout=10.0):
    """The launcher once it has stopped moving (a slide takes about 0.1 s)."""
    last = [None]

    def still():
        now = program.launcher()
        same = now is not None and last[0] is not None and now["rect"] == last[0]["rect"]
        last[0] = now
        return now if same else None

    return wait_for(still, timeout, interval=0.3, what="the launcher to stand still")


def edit_windows(program):
    return [w for w in program.windows(cls=LAUNCHER_CLASS) if w["title"] == EDIT_WINDOW_TITLE]


def open_edit_window(ctx, program, launcher):
    ctx.helper.post(launcher["hwnd"], WM_COMMAND, LAUNCHER_MENU_EDIT, 0)
    return wait_for(lambda: (lambda found: found[0] if found and found[0]["visible"] else None)(
        edit_windows(program)), 20, what="the edit window to show")


def check_controls(ctx, window, expected):
    """The window's control windows: one per template control, of the kind's class, at
    its place inside its parent, bound to the application layer and to a library control."""
    children = {c["id"]: c for c in ctx.helper.children(window["hwnd"])}
    check(set(children) == set(expected), f"control windows {sorted(children)}, expected {sorted(expected)}")
    client_left, client_top = window["client"][0], window["client"][1]
    for identity, (name, kind, left, top, width, height, parent, visible) in expected.items():
        child = children[identity]
        what = f"{name} ({identity})"
        parts = child["class"].split(".")
        check(len(parts) == 3 and parts[0] == "Exui" and parts[2] == kind and int(parts[1]) > 0,
              f"{what}: class {child['class']!r}, expected Exui.<library handle>.{kind}")
        check(child["style"] & WS_CHILD, f"{what} is no child window")
        check(child["exstyle"] & WS_EX_TRANSPARENT, f"{what} lacks WS_EX_TRANSPARENT")
        if parent == 0:
            check(child["parent"] == window["hwnd"], f"{what} is not placed on the window")
            origin = (client_left, client_top)
        else:
            container = children[parent]
            check(child["parent"] == container["hwnd"], f"{what} is not inside {expected[parent][0]}")
            origin = (container["rect"][0], container["rect"][1])
        l, t, r, b = child["rect"]
        got = (l - origin[0], t - origin[1], r - l, b - t)
        check(got == (left, top, width, height), f"{what}: geometry {got}, expected {(left, top, width, height)}")
        check(child["visible"] == visible, f"{what}: visible {child['visible']}, expected {visible}")
        check(child["unit"], f"{what} has no reference of the application layer (hUnit)")
        check(child["bound"], f"{what} has no library control (Tab_Control)")
    return children


def check_top_level(program, window, client_size, title, horizontally_centred=True):
    width, height = screen_size()
    left, top, right, bottom = window["rect"]
    cl, ct, cr, cb = window["client"]
    check((cr - cl, cb - ct) == client_size, f"{title!r}: client area {cr - cl}x{cb - ct}, expected {client_size}")
    check(top == (height - (bottom - top)) // 2, f"{title!r} is not centred vertically: {window['rect']}")
    if horizontally_centred:
        check(left == (width - (right - left)) // 2, f"{title!r} is not centred: {window['rect']}")
    check(window["title"] == title, f"title {window['title']!r}, expected {title!r}")
    check(window["topmost"], f"{title!r} is not topmost")
    check(window["style"] & WS_POPUP, f"{title!r} is not a pop-up window")
    check(not window["style"] & (WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
          f"{title!r} is sizable or has a system menu: style {window['style']:#x}")
    # No taskbar button: owned by the hidden tool window, never asking for one.
    check(not window["exstyle"] & WS_EX_APPWINDOW, f"{title!r} asks for a taskbar button")
    owners = program.windows(cls=OWNER_CLASS)
    check(len(owners) == 1 and owners[0]["exstyle"] & WS_EX_TOOLWINDOW and not owners[0]["visible"],
          f"the hidden owner window: {owners}")
    check(window["owner"] == owners[0]["hwnd"], f"{title!r} is not owned by the hidden owner window")


@scenario
def launcher_template(ctx):
    """The launcher bar made from its template: a frameless topmost window with the
    list and the two controls nobody sees, each a control window of the library.
    Where the bar stands across the screen is the edge docking's business (it slides
    the bar in or parks it), so only its vertical centring is checked here."""
    exe = ctx.install_ready_program("launcher-template")
    program = ctx.start(exe)
    wait_launcher_shown(program)
    launcher = settled_launcher(program)
    check_top_level(program, launcher, (104, 48), "", horizontally_centred=False)
    check(not launcher["style"] & WS_CAPTION, f"the launcher has a caption: style {launcher['style']:#x}")
    children = check_controls(ctx, launcher, LAUNCHER_CONTROLS)
    classes = {c["class"].split(".")[1] for c in children.values()}
    check(len(classes) == 1, f"the classes carry different library handles: {classes}")
    ctx.shot_of("launcher", launcher["rect"])
    stop_cleanly(program)


@scenario
def edit_window_template(ctx):
    """The edit window made from its template: captioned, fixed, topmost, centred, its
    controls in their panels, the tip and the save button with their texts."""
    exe = ctx.install_ready_program("edit-template")
    program = ctx.start(exe)
    launcher = wait_launcher_shown(program)
    edit = open_edit_window(ctx, program, launcher)
    check_top_level(program, edit, (380, 250), EDIT_WINDOW_TITLE)
    check(edit["style"] & WS_CAPTION == WS_CAPTION, f"the edit window has no caption: style {edit['style']:#x}")
    children = check_controls(ctx, edit, EDIT_CONTROLS)
    check(children[206]["text"] == " F2 改名  Del 删除  Ctrl+↑↓ 排序  Ctrl+Z 撤销  Esc 关闭",
          f"tip text {children[206]['text']!r}")
    check(children[203]["text"] == "保存", f"save button text {children[203]['text']!r}")
    # Opening it again brings the same window forward instead of a second one.
    ctx.helper.post(launcher["hwnd"], WM_COMMAND, LAUNCHER_MENU_EDIT, 0)
    time.sleep(0.5)
    check([w["hwnd"] for w in edit_windows(program)] == [edit["hwnd"]], "a second edit window was opened")
    ctx.shot_of("edit-window", edit["rect"])
    stop_cleanly(program)


@scenario
def edit_window_menu_and_escape(ctx):
    """Esc with the focus in the edit window's list closes the edit window only; its
    menu's 退出 closes it too; the launcher and the program stay."""
    exe = ctx.install_ready_program("edit-escape")
    program = ctx.start(exe)
    launcher = wait_launcher_shown(program)

    edit = open_edit_window(ctx, program, launcher)
    children = {c["id"]: c for c in ctx.helper.children(edit["hwnd"])}
    l, t, r, b = children[207]["rect"]
    # Into the list, above the tip panel along its foot.
    xdotool("mousemove", l + 40, t + 40, "click", 1)
    xdotool("key", "Escape")
    wait_for(lambda: not edit_windows(program), 15, what="Esc to close the edit window")
    check(program.running(), "closing the edit window ended the program")
    check(program.launcher() is not None, "the launcher went with the edit window")

    edit = open_edit_window(ctx, program, launcher)
    ctx.helper.post(edit["hwnd"], WM_COMMAND, EDIT_MENU_EXIT, 0)
    wait_for(lambda: not edit_windows(program), 15, what="退出 to close the edit window")
    check(program.running() and program.launcher() is not None, "the launcher did not stay")
    stop_cleanly(program)


def answer_warnings(ctx, program, count):
    """Answers `count` warnings one after another, checking each."""
    for number in range(count):
        box = wait_for(lambda: (lambda boxes: boxes[0] if boxes else None)(program.message_boxes()), 20,
                       what=f"warning {number + 1} of {count}")
        contents = message_box_contents(ctx.helper, box)
        check(contents["caption"] == "Warning", f"warning caption {contents['caption']!r}")
        check(contents["text"] == WARNING_TEXT, f"warning text {contents['text']!r}")
        check(set(contents["buttons"]) == {1}, f"warning buttons {contents['buttons']}")
        ctx.helper.press(box["hwnd"], 1)
        wait_for(lambda: box["hwnd"] not in [b["hwnd"] for b in program.message_boxes()], 10,
                 what="the warning to close")


@scenario
def missing_library_warns_once_per_kind(ctx):
    """Without ExuiKrnln.dll the program still starts: each control kind warns once,
    the first time a control of it is made - three for the launcher (ToolbarEx,
    ListboxEx, WindowEx), four more for the edit window (EditboxEx, ButtonEx, FilterEx,
    LabelEx) - and never again."""
    exe = ctx.install_exe("missing-library", with_library=False)
    ctx.expect_no_other_instance()
    ctx.set_autostart("sz", exe)
    program = ctx.start(exe)
    answer_warnings(ctx, program, 3)
    launcher = wait_launcher_shown(program)
    children = ctx.helper.children(launcher["hwnd"])
    check(sorted(c["class"] for c in children) == ["Exui.0.ListboxEx", "Exui.0.ToolbarEx", "Exui.0.WindowEx"],
          f"control windows without the library: {[c['class'] for c in children]}")
    check(all(c["unit"] and not c["bound"] for c in children), "the control windows should have references only")

    ctx.helper.post(launcher["hwnd"], WM_COMMAND, LAUNCHER_MENU_EDIT, 0)
    answer_warnings(ctx, program, 4)
    edit = wait_for(lambda: (lambda found: found[0] if found and found[0]["visible"] else None)(
        edit_windows(program)), 20, what="the edit window to show")
    ctx.helper.post(edit["hwnd"], WM_CLOSE)
    wait_for(lambda: not edit_windows(program), 15, what="the edit window to close")
    ctx.helper.post(launcher["hwnd"], WM_COMMAND, LAUNCHER_MENU_EDIT, 0)
    wait_for(lambda: edit_windows(program), 20, what="the edit window to open again")
    time.sleep(0.5)
    check(not program.message_boxes(), "a kind warned a second time")
    stop_cleanly(program)
