"""The end-to-end scenarios. Each takes a harness Context and raises on failure."""

import os
import shutil
import time

from harness import (IDNO, IDOK, IDYES, LAUNCHER_CLASS, OWNER_CLASS, REG_EXPAND_SZ, REG_SZ, RUN_KEY, WM_CLOSE,
                     WS_CAPTION, WS_EX_APPWINDOW, WS_EX_TOOLWINDOW, WS_POPUP, WS_THICKFRAME, INSTANCE_NAME,
                     check, message_box_contents, run_value_of, screen_size, unix_path, wait_for, xdotool)

ALREADY_RUNNING = "请勿重复启动"
ALREADY_RUNNING_CAPTION = "友情提醒:"
AUTOSTART_QUESTION = "是否允许本程序开机启动"
AUTOSTART_CAPTION = "温馨提示："
# The close window service's private request (WM_APP + 1).
PRIVATE_CLOSE = 0x8001

SCENARIOS = {}


def scenario(function):
    SCENARIOS[function.__name__] = function
    return function


def wait_message_box(program, timeout=20.0):
    return wait_for(lambda: (lambda boxes: boxes[0] if boxes else None)(program.message_boxes()), timeout,
                    what=f"a message box of process {program.pid}")


def run_until_launcher_without_question(program, timeout=20.0):
    """Waits for the launcher to show (it shows once its start-up sequence has run)
    and to come to rest (it slides in at the screen edge), and fails if any message
    box other than the shell-hook notice appears on the way; that one is answered."""
    deadline = time.monotonic() + timeout
    previous = None
    while True:
        boxes = program.dismiss_shell_hook_notice()
        if boxes:
            raise AssertionError(f"unexpected message box: {message_box_contents(program.helper, boxes[0])}")
        launcher = program.launcher()
        if launcher and launcher["visible"]:
            if previous is not None and launcher["rect"] == previous["rect"]:
                return launcher
            previous = launcher
        if time.monotonic() >= deadline:
            raise AssertionError("the launcher window did not show")
        time.sleep(0.05)


def stop_cleanly(program):
    code = program.stop()
    check(code == 0, f"exit code {code}, expected 0")
    check(not program.helper.process_state(program.pid)["running"], "the process is still there")


def snapshot(program):
    # The bar's left edge is left out: it slides out when another window - the second
    # instance's message, say - becomes active.
    return sorted((w["class"], w["title"], w["rect"][1], w["rect"][3], w["rect"][2] - w["rect"][0], w["style"],
                   w["exstyle"], w["visible"], w["enabled"], w["topmost"])
                  for w in program.windows() if w["class"] in (LAUNCHER_CLASS, OWNER_CLASS))


def expect_run_value(ctx, exe):
    """The Run value names `exe`: bare, or in quotes when its path holds a space."""
    expected = run_value_of(exe)
    value = ctx.autostart_value()
    check(value["exists"], "the Run value is missing")
    check(value["type"] == REG_SZ, f"Run value type {value['type']}, expected REG_SZ")
    check(value["data"] == expected, f"Run value {value['data']!r}, expected {expected!r}")
    check(value["terminated"], "the Run value was stored without its terminating zero")


@scenario
def first_start(ctx):
    """A normal start: the bar window, its hidden owner, the instance event."""
    exe = ctx.install_ready_program("first-start")
    program = ctx.start(exe)
    launcher = run_until_launcher_without_question(program)

    width, height = screen_size()
    left, top, right, bottom = launcher["rect"]
    # No shortcut file: the two fixed rows alone, 2 x 30 - 12 pixels high.
    check((right - left, bottom - top) == (104, 48), f"launcher size {right - left}x{bottom - top}")
    # With no shortcuts stored the bar slides in at start: flush with the right edge,
    # centred vertically on the whole screen.
    check((left, top) == (width - 104, int(height / 2 - 24)), f"launcher not at the right edge: {launcher['rect']}")
    check(launcher["title"] == "", f"launcher title {launcher['title']!r}")
    check(launcher["style"] & WS_POPUP and not launcher["style"] & (WS_CAPTION | WS_THICKFRAME),
          f"launcher has a frame: style {launcher['style']:#x}")
    check(launcher["topmost"], "launcher is not topmost")
    check(not launcher["exstyle"] & WS_EX_APPWINDOW, "launcher asks for a taskbar button")

    owners = program.windows(cls=OWNER_CLASS)
    check(len(owners) == 1, f"expected one hidden owner window, found {owners}")
    owner = owners[0]
    check(launcher["owner"] == owner["hwnd"], "the launcher is not owned by the hidden owner window")
    check(owner["exstyle"] & WS_EX_TOOLWINDOW, "the owner window is not a tool window")
    check(not owner["visible"], "the owner window is visible")

    check(ctx.helper.event_exists(INSTANCE_NAME), "the instance event does not exist while the program runs")
    expect_run_value(ctx, exe)
    stop_cleanly(program)
    wait_for(lambda: not ctx.helper.event_exists(INSTANCE_NAME), 10, what="the instance event to go")


@scenario
def second_instance(ctx):
    """A second start shows the guard's message and ends with 0; the first is untouched;
    once the first has ended a new start runs normally."""
    exe = ctx.install_ready_program("second-instance")
    first = ctx.start(exe)
    run_until_launcher_without_question(first)
    before = snapshot(first)

    second = ctx.start(exe)
    box = wait_message_box(second)
    contents = message_box_contents(ctx.helper, box)
    check(contents["text"] == ALREADY_RUNNING, f"message text {contents['text']!r}")
    check(contents["caption"] == ALREADY_RUNNING_CAPTION, f"message caption {contents['caption']!r}")
    check(contents["icon"], "the message shows no icon")
    check(set(contents["buttons"]) == {IDOK}, f"buttons {contents['buttons']}")
    # Task-modal: the second instance's own launcher window waits, disabled, unshown.
    own = second.launcher()
    check(own is not None and not own["enabled"] and not own["visible"],
          f"the second instance's launcher should exist disabled and hidden: {own}")
    check(snapshot(first) == before, "the first instance's windows changed")
    ctx.screenshot("guard-message")

    ctx.helper.press(box["hwnd"], IDOK)
    code = second.wait(15)
    check(code == 0, f"the second instance ended with {code}, expected 0")
    check(first.running(), "the first instance ended")
    check(snapshot(first) == before, "the first instance's windows changed")

    stop_cleanly(first)
    wait_for(lambda: not ctx.helper.event_exists(INSTANCE_NAME), 10, what="the instance event to go")
    third = ctx.start(exe)
    run_until_launcher_without_question(third)
    stop_cleanly(third)


@scenario
def second_instance_asks_nothing(ctx):
    """The guard comes before the autostart question: a second copy that finds the Run
    value missing neither asks nor writes."""
    exe = ctx.install_ready_program("second-quiet")
    first = ctx.start(exe)
    run_until_launcher_without_question(first)
    ctx.clear_autostart()

    second = ctx.start(exe)
    box = wait_message_box(second)
    check(message_box_contents(ctx.helper, box)["text"] == ALREADY_RUNNING, "the first box is not the guard's")
    ctx.helper.press(box["hwnd"], IDOK)
    check(second.wait(15) == 0, "the second instance did not end with 0")
    check(not ctx.autostart_value()["exists"], "the second instance wrote the Run value")
    check(first.running(), "the first instance ended")
    stop_cleanly(first)


def answer_autostart(ctx, program, button):
    box = wait_message_box(program)
    contents = message_box_contents(ctx.helper, box)
    check(contents["text"] == AUTOSTART_QUESTION, f"question text {contents['text']!r}")
    check(contents["caption"] == AUTOSTART_CAPTION, f"question caption {contents['caption']!r}")
    check(set(contents["buttons"]) == {IDYES, IDNO}, f"buttons {contents['buttons']}")
    launcher = program.launcher()
    check(launcher is not None and not launcher["visible"], "the bar showed before the start-up sequence ended")
    ctx.helper.press(box["hwnd"], button)


@scenario
def autostart_yes(ctx):
    """Value absent: the question; Yes writes the own path; the next start asks nothing."""
    exe = ctx.install_exe("autostart-yes")
    ctx.expect_no_other_instance()
    ctx.clear_autostart()
    program = ctx.start(exe)
    answer_autostart(ctx, program, IDYES)
    program.wait_launcher_visible()
    expect_run_value(ctx, exe)
    stop_cleanly(program)

    again = ctx.start(exe)
    run_until_launcher_without_question(again)
    expect_run_value(ctx, exe)
    stop_cleanly(again)


@scenario
def autostart_no(ctx):
    """No writes nothing, and the next start asks again."""
    exe = ctx.install_exe("autostart-no")
    ctx.expect_no_other_instance()
    ctx.clear_autostart()
    for _ in range(2):
        program = ctx.start(exe)
        answer_autostart(ctx, program, IDNO)
        program.wait_launcher_visible()
        check(not ctx.autostart_value()["exists"], "No wrote the Run value")
        stop_cleanly(program)


def expect_rewritten(ctx, exe, cases):
    """Each (label, kind, data, env) stored in turn is replaced by the own Run value at
    the next start, without a question."""
    for label, kind, data, env in cases:
        ctx.set_autostart(kind, data)
        program = ctx.start(exe, env=env)
        try:
            run_until_launcher_without_question(program)
            expect_run_value(ctx, exe)
        except AssertionError as failure:
            raise AssertionError(f"{label}: {failure}") from failure
        stop_cleanly(program)


@scenario
def autostart_rewrites(ctx):
    """A value that reads differently from the own path is silently rewritten: a path
    without a space to the bare path, one with a space to the path in quotes."""
    ctx.expect_no_other_instance()
    exe = ctx.install_exe("autostart-rewrite")
    check(exe.upper() != exe, "the test path has no lower-case letters to change")
    check(" " not in exe, f"the bare test path holds a space: {exe!r}")
    expect_rewritten(ctx, exe, [
        ("another path", "sz", r"C:\elsewhere\corvalisbar.exe", {}),
        ("the same path in other letter case", "sz", exe.upper(), {}),
        ("a quoted own path without a space", "sz", f'"{exe}"', {}),
        ("an empty text", "sz", "", {}),
        ("a REG_DWORD", "dword", "1", {}),
        ("a REG_EXPAND_SZ expanding elsewhere", "expand_sz", r"%CORVALIS_E2E_OTHER%\corvalisbar.exe",
         {"CORVALIS_E2E_OTHER": r"C:\other"}),
    ])

    spaced = ctx.install_exe("autostart rewrite")
    folder = spaced.rsplit("\\", 1)[0]
    expect_rewritten(ctx, spaced, [
        ("an unquoted own path with a space", "sz", spaced, {}),
        ("the quoted own path in other letter case", "sz", f'"{spaced.upper()}"', {}),
        ("an own path with only its opening quote", "sz", f'"{spaced}', {}),
        ("a REG_EXPAND_SZ expanding to the unquoted own path", "expand_sz", r"%CORVALIS_E2E_HOME%\corvalisbar.exe",
         {"CORVALIS_E2E_HOME": folder}),
    ])


@scenario
def autostart_expand_sz_kept(ctx):
    """A REG_EXPAND_SZ value whose expansion is the own Run value is left as it is:
    the bare path, and the quoted one for a path with a space."""
    ctx.expect_no_other_instance()
    for folder_name in ("autostart-expand", "autostart expand"):
        exe = ctx.install_exe(folder_name)
        folder, name = exe.rsplit("\\", 1)
        stored = "%CORVALIS_E2E_HOME%\\" + name
        if " " in folder:
            stored = f'"{stored}"'
        ctx.set_autostart("expand_sz", stored)
        program = ctx.start(exe, env={"CORVALIS_E2E_HOME": folder})
        run_until_launcher_without_question(program)
        value = ctx.autostart_value()
        check(value["type"] == REG_EXPAND_SZ and value["data"] == stored, f"{exe}: the value was changed: {value}")
        stop_cleanly(program)


# Installed here, the program's path has a space and a Chinese name. Unquoted, the
# system would try "C:\Program.exe" and then "C:\Program Files\快捷.exe" first.
SPACED_FOLDER = r"C:\Program Files\快捷 工具"
DECOYS = (r"C:\Program.exe", r"C:\Program Files\快捷.exe")


def plant_marker(ctx, windows_path):
    """A copy of launch_marker.exe at `windows_path`, removed (with the "<path>.ran" it
    leaves when started) once the scenario ends."""
    built = os.environ.get("CORVALIS_E2E_MARKER", "")
    check(built and os.path.exists(built), f"CORVALIS_E2E_MARKER names no program: {built!r}")
    target = unix_path(windows_path)
    ctx.plant(target + ".ran")
    shutil.copyfile(built, ctx.plant(target))


def started_decoys():
    return [decoy for decoy in DECOYS if os.path.exists(unix_path(decoy) + ".ran")]


@scenario
def autostart_spaced_folder(ctx):
    """Installed under a folder with a space and a Chinese name: Yes writes the quoted
    path; the next start, made from the value as the system makes it at logon, asks
    nothing and is this program - never a planted "C:\\Program.exe"."""
    ctx.expect_no_other_instance()
    ctx.plant(unix_path(SPACED_FOLDER))
    exe = ctx.install_exe_in(unix_path(SPACED_FOLDER))
    for decoy in DECOYS:
        plant_marker(ctx, decoy)
    ctx.clear_autostart()
    try:
        program = ctx.start(exe)
        answer_autostart(ctx, program, IDYES)
        program.wait_launcher_visible()
        value = ctx.autostart_value()
        check(value["type"] == REG_SZ and value["data"] == f'"{exe}"', f"Yes wrote {value}, expected {exe!r} quoted")
        stop_cleanly(program)

        # CreateProcess with the value as the command line and no application name.
        again = ctx.run_command_line(value["data"])
        check(again.image == exe, f"the Run value started {again.image!r}, expected {exe!r}")
        run_until_launcher_without_question(again)
        expect_run_value(ctx, exe)
        stop_cleanly(again)
        check(not started_decoys(), f"the Run value started {started_decoys()}")

        # The decoy is live: the same start of the unquoted path runs it, so the check
        # above would have caught a bare value.
        bare = ctx.run_command_line(exe)
        check(bare.image == DECOYS[0], f"the unquoted path started {bare.image!r}, expected the decoy")
        check(bare.wait(15) == 0, "the decoy did not end with 0")
        check(started_decoys() == [DECOYS[0]], f"started decoys: {started_decoys()}")
    finally:
        # The value would name a program that is gone.
        ctx.helper.reg_delete("HKLM", RUN_KEY, INSTANCE_NAME)


@scenario
def working_directory(ctx):
    """Started from another working directory, the program works in its own."""
    exe = ctx.install_ready_program("working-directory")
    folder = exe.rsplit("\\", 1)[0]
    for start_in in ("C:\\windows", "C:\\"):
        program = ctx.start(exe, cwd=start_in)
        run_until_launcher_without_question(program)
        current = ctx.helper.current_directory(program.pid).rstrip("\\")
        check(current.lower() == folder.lower(), f"started in {start_in}: current directory {current!r}, "
                                                 f"expected {folder!r}")
        stop_cleanly(program)


@scenario
def gbk_directory(ctx):
    """A folder whose name holds a character with 0x5C ("\\") as its second GBK byte, and
    a space: the directory split keeps the path whole, and the Run value holds it in
    quotes."""
    exe = ctx.install_exe("俓 目录")
    check("俓".encode("gbk")[1:] == b"\\", "the test character lost its backslash trail byte")
    ctx.expect_no_other_instance()
    ctx.clear_autostart()
    program = ctx.start(exe, cwd="C:\\windows")
    answer_autostart(ctx, program, IDYES)
    program.wait_launcher_visible()
    expect_run_value(ctx, exe)
    current = ctx.helper.current_directory(program.pid).rstrip("\\")
    check(current == exe.rsplit("\\", 1)[0], f"current directory {current!r}")
    stop_cleanly(program)


@scenario
def euro_directory(ctx):
    """A folder named 价€: in Windows' code page 936 the euro sign is the single byte 0x80
    (Python's gbk codec lacks it), so the backslash after it separates, and the
    program's folder is the current directory."""
    exe = ctx.install_ready_program("价€")
    folder = exe.rsplit("\\", 1)[0]
    program = ctx.start(exe, cwd="C:\\windows")
    run_until_launcher_without_question(program)
    current = ctx.helper.current_directory(program.pid).rstrip("\\")
    check(current == folder, f"current directory {current!r}, expected {folder!r}")
    stop_cleanly(program)


@scenario
def exit_on_close(ctx):
    """Closing the last window ends the program with 0 and frees the instance name."""
    exe = ctx.install_ready_program("exit-close")
    program = ctx.start(exe)
    launcher = run_until_launcher_without_question(program)
    ctx.helper.post(launcher["hwnd"], WM_CLOSE)
    check(program.wait(15) == 0, "the program did not end with 0")
    check(not ctx.helper.process_state(program.pid)["running"], "the process is still there")
    wait_for(lambda: not ctx.helper.event_exists(INSTANCE_NAME), 10, what="the instance event to go")


@scenario
def exit_on_escape(ctx):
    """Esc pressed on the focused bar closes it, and with it the program."""
    exe = ctx.install_ready_program("exit-escape")
    program = ctx.start(exe)
    launcher = run_until_launcher_without_question(program)
    left, top, right, bottom = launcher["rect"]
    # A right-click on the second row gives the bar the focus and does nothing else
    # (a left click there would open the edit window, which would take the Esc).
    xdotool("mousemove", (left + right) // 2, top + 24 + 12, "click", 3)
    xdotool("key", "Escape")
    check(program.wait(15) == 0, "the program did not end with 0 after Esc")


@scenario
def exit_on_close_request(ctx):
    """The close-window service's private request closes the bar from the loop."""
    exe = ctx.install_ready_program("exit-request")
    program = ctx.start(exe)
    launcher = run_until_launcher_without_question(program)
    ctx.helper.post(launcher["hwnd"], PRIVATE_CLOSE)
    check(program.wait(15) == 0, "the program did not end with 0 after the close request")
