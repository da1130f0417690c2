"""Driving corvalisbar.exe under Wine from the outside.

Everything Windows-side goes through wininfo.exe (a small Win32 program built with
the tests); X-side input and screenshots through xdotool and ImageMagick. Waiting is
always polling with a time-out, never a fixed sleep. Only processes started here are
ever stopped or killed, and only by their own process id.

Needs the environment of scripts/wine-env.sh: WINEPREFIX, DISPLAY, LC_ALL, and
`wine` on PATH.
"""

import json
import os
import queue
import shutil
import subprocess
import tempfile
import threading
import time

WM_CLOSE = 0x0010
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
REG_SZ, REG_EXPAND_SZ, REG_DWORD = 1, 2, 4
WS_CAPTION, WS_THICKFRAME, WS_POPUP, WS_DISABLED = 0x00C00000, 0x00040000, 0x80000000, 0x08000000
WS_EX_TOOLWINDOW, WS_EX_APPWINDOW = 0x00000080, 0x00040000

INSTANCE_NAME = "corvalisbar"
RUN_KEY = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
LAUNCHER_CLASS = "CorvalisWindow"
OWNER_CLASS = "CorvalisOwner"
MESSAGE_BOX_CLASS = "#32770"
# Shown at every start under Wine, whose RegisterShellHookWindow always fails.
SHELL_HOOK_NOTICE = "RegisterShellHookWindow > 失败"
UI_LIBRARY = "ExuiKrnln.dll"
SHORTCUT_FILE = "Corvalis.HashTable"


class HarnessError(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise HarnessError(message)


def wait_for(probe, timeout=15.0, interval=0.05, what="a condition"):
    """Polls `probe` until it returns something truthy; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(interval)


def run_value_of(exe):
    """The Run value the program keeps for itself at `exe`: quoted when the path holds a
    space, so that the system cannot take a leading part of it for the program."""
    return f'"{exe}"' if " " in exe else exe


def require_environment():
    missing = [name for name in ("WINEPREFIX", "DISPLAY") if not os.environ.get(name)]
    if missing:
        raise HarnessError("missing " + ", ".join(missing) + ": run under `source scripts/wine-env.sh`")


def use_dpi_prefix(dpi):
    """Switches this process to a prefix beside the tests' own whose screen is at `dpi`
    (made once with scripts/wine-prefix.sh, which sets LogPixels before its server runs)."""
    base = os.environ["WINEPREFIX"].rstrip("/")
    prefix = f"{base}-dpi{dpi}"
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine-prefix.sh")
    with open(prefix + ".log", "ab") as log:
        subprocess.run(["bash", script, prefix, str(dpi)], check=True, timeout=300, stdout=log, stderr=log,
                       stdin=subprocess.DEVNULL)
    os.environ["WINEPREFIX"] = prefix


def use_two_monitors(log_dir):
    """Starts an X server with two screens side by side under Xinerama (two-monitors.conf:
    1280 x 800, the primary, and 1024 x 768 to its right) on a free display, and switches
    this process to a prefix of its own on it - one prefix and one wineserver per display.
    Xvfb cannot do it: its +xinerama stacks the screens at the origin. Returns the server."""
    here = os.path.dirname(os.path.abspath(__file__))
    display = next(n for n in range(130, 200)
                   if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"))
    server = subprocess.Popen(["Xorg", f":{display}", "-noreset", "-nolisten", "tcp", "-config",
                               os.path.join(here, "two-monitors.conf"), "-logfile",
                               os.path.join(log_dir, f"xorg-{display}.log")],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{display}") or server.poll() is not None, 30,
                 what="the two-monitor X server to start")
        check(server.poll() is None, "the two-monitor X server ended at once (see its log)")
        os.environ["DISPLAY"] = f":{display}"
        base = os.environ["WINEPREFIX"].rstrip("/")
        prefix = f"{base}-two-monitors"
        script = os.path.join(here, "..", "..", "scripts", "wine-prefix.sh")
        with open(prefix + ".log", "ab") as log:
            subprocess.run(["bash", script, prefix], check=True, timeout=300, stdout=log, stderr=log,
                           stdin=subprocess.DEVNULL, env=dict(os.environ, WINEPREFIX=prefix))
        os.environ["WINEPREFIX"] = prefix
    except BaseException:
        server.terminate()
        raise
    return server


def stop_own_prefix():
    """Ends the wineserver of this process's prefix (one that use_dpi_prefix chose)."""
    subprocess.run(["wineserver", "-k"], timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wine_command():
    return os.environ.get("CORVALIS_WINE", "wine")


def unix_path(windows_path):
    """The inverse of windows_path, for C: and Z: paths."""
    drive, rest = windows_path[:2].upper(), windows_path[2:].lstrip("\\").replace("\\", "/")
    if drive == "C:":
        return os.path.join(os.environ["WINEPREFIX"], "drive_c", rest)
    if drive == "Z:":
        return "/" + rest
    raise HarnessError(f"no Unix path for {windows_path!r}")


def windows_path(unix_path):
    """The path as a Windows program sees it: C: for the prefix's drive_c, Z: otherwise."""
    unix_path = os.path.abspath(unix_path)
    drive_c = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    if unix_path == drive_c or unix_path.startswith(drive_c + os.sep):
        rest = os.path.relpath(unix_path, drive_c)
        return "C:\\" + ("" if rest == "." else rest.replace("/", "\\"))
    return "Z:" + unix_path.replace("/", "\\")


class Helper:
    """wininfo.exe, one command per run."""

    def __init__(self, path):
        self.path = path

    def run(self, *args, timeout=30, check_status=True):
        # Output goes through files, not pipes: Wine's background services may inherit
        # the descriptors and would keep a pipe open long after the helper has ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen([wine_command(), self.path, *map(str, args)], stdout=out, stderr=err)
            try:
                status = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise HarnessError(f"wininfo {' '.join(map(str, args))} did not answer within {timeout} s")
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read(), err.read()
        if check_status and status != 0:
            raise HarnessError(f"wininfo {' '.join(map(str, args))} failed with {status}: "
                               f"{stderr.decode('utf-8', 'replace')[-500:]}")
        lines = []
        for raw in stdout.decode("utf-8").splitlines():
            raw = raw.strip()
            if raw.startswith("{"):
                lines.append(json.loads(raw))
        return lines

    def windows(self, pid=None, cls=None):
        args = ["windows"]
        if pid is not None:
            args.append(f"pid={pid}")
        if cls is not None:
            args.append(f"class={cls}")
        return self.run(*args)

    def children(self, hwnd):
        return self.run("children", hwnd)

    def post(self, hwnd, message, wparam=0, lparam=0):
        self.run("post", hwnd, message, wparam, lparam)

    def press(self, dialog, button_id):
        self.run("press", dialog, button_id)

    def reg_query(self, root, subkey, name):
        return self.run("regquery", root, subkey, name)[0]

    def reg_set(self, root, subkey, name, kind, data):
        self.run("regset", root, subkey, name, kind, data)

    def reg_delete(self, root, subkey, name):
        self.run("regdelete", root, subkey, name)

    def current_directory(self, pid):
        return self.run("cwd", pid)[0]["cwd"]

    def event_exists(self, name):
        return self.run("event", name)[0]["exists"]

    def process_state(self, pid):
        return self.run("proc", pid)[0]

    def kill(self, pid):
        self.run("kill", pid, check_status=False)

    def documents(self):
        """The documents folder as a Windows path."""
        return self.run("documents")[0]["path"]


class Program:
    """One run of the program, started through `wininfo launch` so that the exact
    Windows process id and the full 32-bit exit code are known. With verb "run", `exe`
    is a whole command line started with no application name, as the system starts a
    Run value; `image` then tells which program that started."""

    def __init__(self, helper, exe, cwd=None, env=None, log_path=None, verb="launch"):
        self.helper = helper
        self.exe = exe
        self.cwd = cwd
        self.env = env
        self.log_path = log_path
        self.verb = verb
        self.pid = None
        self.image = None
        self._exit_code = None
        self._lines = queue.Queue()
        self._process = None

    def start(self, timeout=30):
        environment = dict(os.environ)
        if self.env:
            environment.update(self.env)
        log = open(self.log_path, "ab") if self.log_path else subprocess.DEVNULL
        self._process = subprocess.Popen([wine_command(), self.helper.path, self.verb, self.cwd or "-", self.exe],
                                         stdout=subprocess.PIPE, stderr=log, env=environment)
        if log is not subprocess.DEVNULL:
            log.close()
        threading.Thread(target=self._read, daemon=True).start()
        first = self._next_line(timeout)
        check(first is not None and "pid" in first, f"the program did not start: {first}")
        self.pid = first["pid"]
        self.image = first.get("image")
        return self

    def _read(self):
        for raw in self._process.stdout:
            raw = raw.strip()
            if raw.startswith(b"{"):
                self._lines.put(json.loads(raw.decode("utf-8")))
        self._lines.put(None)

    def _next_line(self, timeout):
        try:
            return self._lines.get(timeout=timeout)
        except queue.Empty:
            return None

    def exit_code(self):
        """None while the program runs."""
        if self._exit_code is None:
            try:
                line = self._lines.get_nowait()
            except queue.Empty:
                return None
            if line is not None and "exit" in line:
                self._exit_code = line["exit"]
            elif line is None:
                raise HarnessError("the launcher helper ended without reporting an exit code")
        return self._exit_code

    def running(self):
        return self.exit_code() is None

    def wait(self, timeout=15.0):
        wait_for(lambda: not self.running(), timeout, what=f"process {self.pid} to end")
        self._process.wait(timeout=10)
        return self._exit_code

    def windows(self, cls=None):
        return self.helper.windows(pid=self.pid, cls=cls)

    def launcher(self):
        # The edit window is of the same class; the launcher is the one without a title.
        found = [w for w in self.windows(cls=LAUNCHER_CLASS) if w["title"] == ""]
        check(len(found) <= 1, f"more than one launcher window: {found}")
        return found[0] if found else None

    def wait_launcher_visible(self, timeout=20.0):
        def shown():
            self.dismiss_shell_hook_notice()
            launcher = self.launcher()
            return launcher if launcher and launcher["visible"] else None

        return wait_for(shown, timeout, what="the launcher window to show")

    def dismiss_shell_hook_notice(self):
        """Answers the start-up message that the shell-hook window could not be
        registered (always so under Wine) with OK; returns the program's other
        message boxes."""
        others = []
        for box in self.message_boxes():
            if message_box_contents(self.helper, box)["text"] == SHELL_HOOK_NOTICE:
                self.helper.press(box["hwnd"], IDOK)
            else:
                others.append(box)
        return others

    def message_boxes(self):
        return self.windows(cls=MESSAGE_BOX_CLASS)

    def stop(self, timeout=15.0):
        """Closes the program's windows as a user would (WM_CLOSE) and waits."""
        if not self.running():
            return self._exit_code
        for window in self.windows(cls=LAUNCHER_CLASS):
            self.helper.post(window["hwnd"], WM_CLOSE)
        return self.wait(timeout)

    def kill(self):
        """Last resort for this run's own process only."""
        if self.pid is not None and self._exit_code is None and self._process and self._process.poll() is None:
            self.helper.kill(self.pid)
            try:
                self._process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._process.kill()


def message_box_contents(helper, box):
    """Caption, text, icon and buttons of a message box window."""
    children = helper.children(box["hwnd"])
    texts = [c["text"] for c in children if c["class"].lower() == "static" and c["text"]]
    buttons = {c["id"]: c["text"] for c in children if c["class"].lower() == "button" and c["visible"]}
    icon = any(c["icon"] for c in children)
    return {"caption": box["title"], "text": texts[0] if len(texts) == 1 else texts, "buttons": buttons,
            "icon": icon}


def remove_path(path):
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.remove(path)


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=20, stdout=subprocess.DEVNULL)


def screen_size():
    out = subprocess.run(["xdotool", "getdisplaygeometry"], check=True, timeout=20, stdout=subprocess.PIPE)
    width, height = out.stdout.split()
    return int(width), int(height)


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], timeout=30, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def screenshot_region(path, rect):
    """The screen inside rect (left, top, right, bottom) as a PNG file."""
    left, top, right, bottom = rect
    subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                    path], timeout=30, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)


def colour_count(path):
    """How many different colours an image holds."""
    out = subprocess.run(["identify", "-format", "%k", path], timeout=30, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, check=True)
    return int(out.stdout.strip() or b"0")


class Context:
    """What a scenario works with: the built program, the helper, its own copy of the
    program inside the prefix, and clean-up of everything it started."""

    def __init__(self, name, built_exe, helper_path, artifacts, shots=None):
        self.name = name
        self.built_exe = built_exe
        self.helper = Helper(helper_path)
        self.artifacts = artifacts
        self.shots = shots or artifacts
        self.programs = []
        self.planted = []
        os.makedirs(artifacts, exist_ok=True)
        os.makedirs(self.shots, exist_ok=True)
        # Every scenario starts without stored shortcuts; those that need some write them.
        # That file must be the test prefix's own, never one in the user's home folder.
        self.shortcut_file = os.path.join(unix_path(self.helper.documents()), SHORTCUT_FILE)
        prefix = os.path.realpath(os.environ["WINEPREFIX"]) + os.sep
        check(os.path.realpath(self.shortcut_file).startswith(prefix),
              f"the documents folder leads out of the test prefix: {self.shortcut_file}")
        self.remove_shortcut_file()

    def remove_shortcut_file(self):
        if os.path.lexists(self.shortcut_file):
            if os.path.isdir(self.shortcut_file) and not os.path.islink(self.shortcut_file):
                shutil.rmtree(self.shortcut_file)
            else:
                os.remove(self.shortcut_file)

    def install_exe(self, folder, file_name="corvalisbar.exe", with_library=True):
        """Copies the program to C:\\corvalis-e2e\\<folder>, with the UI library
        (ExuiKrnln.dll) beside it as the product ships; returns the program's Windows path."""
        target_dir = os.path.join(os.environ["WINEPREFIX"], "drive_c", "corvalis-e2e", folder)
        return self.install_exe_in(target_dir, file_name, with_library)

    def install_exe_in(self, target_dir, file_name="corvalisbar.exe", with_library=True):
        """The same into any folder of the prefix (a Unix path)."""
        os.makedirs(target_dir, exist_ok=True)
        target = os.path.join(target_dir, file_name)
        shutil.copyfile(self.built_exe, target)
        library = os.path.join(target_dir, UI_LIBRARY)
        if with_library:
            shutil.copyfile(os.path.join(os.path.dirname(self.built_exe), UI_LIBRARY), library)
        elif os.path.exists(library):
            os.remove(library)
        return windows_path(target)

    def install_ready_program(self, folder):
        """A copy of the program whose Run value already points at it, for scenarios
        that are not about autostart: no question can block their start."""
        exe = self.install_exe(folder)
        self.expect_no_other_instance()
        self.set_autostart("sz", run_value_of(exe))
        return exe

    def start(self, exe, cwd=None, env=None):
        program = Program(self.helper, exe, cwd=cwd, env=env,
                          log_path=os.path.join(self.artifacts, f"{self.name}.wine.log"))
        self.programs.append(program)
        return program.start()

    def run_command_line(self, command_line, cwd=None, env=None):
        """Starts `command_line` as the system starts a Run value (no application name);
        the run's `image` says which program it started."""
        program = Program(self.helper, command_line, cwd=cwd, env=env,
                          log_path=os.path.join(self.artifacts, f"{self.name}.wine.log"), verb="run")
        self.programs.append(program)
        return program.start()

    def plant(self, path):
        """Marks a file or folder (a Unix path) that the scenario puts into the prefix for
        removal when it ends, pass or fail; removes what an interrupted run left there."""
        self.planted.append(path)
        remove_path(path)
        return path

    # The Run value, read and written from the Windows side.
    def autostart_value(self):
        return self.helper.reg_query("HKLM", RUN_KEY, INSTANCE_NAME)

    def set_autostart(self, kind, data):
        self.helper.reg_set("HKLM", RUN_KEY, INSTANCE_NAME, kind, data)

    def clear_autostart(self):
        self.helper.reg_delete("HKLM", RUN_KEY, INSTANCE_NAME)
        check(not self.autostart_value()["exists"], "the Run value could not be removed")

    def expect_no_other_instance(self):
        check(not self.helper.event_exists(INSTANCE_NAME),
              "another corvalisbar holds the instance event in this prefix; stop it first")

    def cleanup(self):
        for program in self.programs:
            program.kill()
        for path in reversed(self.planted):
            remove_path(path)

    def screenshot(self, label):
        screenshot(os.path.join(self.artifacts, f"{self.name}-{label}.png"))

    def shot_of(self, label, rect, min_colours=16, timeout=10.0):
        """A picture of one window (its screen rectangle) in the shots folder, taken
        once the window has been painted (more than a few colours); returns its path."""
        path = os.path.join(self.shots, f"{label}.png")

        def painted():
            screenshot_region(path, rect)
            return colour_count(path) >= min_colours

        wait_for(painted, timeout, interval=0.2, what=f"{label} to be painted")
        return path
