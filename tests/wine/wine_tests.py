#!/usr/bin/env python3
"""Drives the real Tolvane.scr under Wine on an Xvfb display, as a user and the display
settings would: switches, keys, mouse, a preview parent window, the settings files.

run.sh prepares the prefix and the display and sets TOLVANE_SCR, TOLVANE_PROBE,
WINEPREFIX, DISPLAY and TOLVANE_SHOTS. Prints "PASS name" or "FAIL name: why" per test
and "N passed, M failed" last. Arguments, if any, select tests whose name contains one.
"""

import glob
import os
import random
import queue
import shutil
import signal
import struct
import subprocess
import sys
import threading
import time

SCR = os.environ["TOLVANE_SCR"]
PROBE = os.environ["TOLVANE_PROBE"]
PREFIX = os.environ["WINEPREFIX"]
SHOTS = os.environ.get("TOLVANE_SHOTS", "")
SYSTEM_INI = os.path.join(PREFIX, "drive_c/windows/system32/Tolvane.ini")
SYSTEM_INI_WIN = r"C:\windows\system32\Tolvane.ini"
# Window captions reach X in Japanese only under a Japanese locale.
WINE_ENV = dict(os.environ, LC_ALL="ja_JP.UTF-8", WINEDEBUG="-all")

DIALOG_CAPTION = "設定ダイアログ"
LIMIT_LABEL = "敵の飛来数　＝　"
PASSWORD_KEY = r"HKEY_USERS\.Default\Control Panel\Desktop"
WM_CLOSE, WM_SYSCOMMAND = 0x0010, 0x0112
SC_CLOSE, SC_SCREENSAVE = 0xF060, 0xF140

BLACK, LIME, YELLOW = (0, 0, 0), (0, 255, 0), (255, 255, 0)
RED, SILVER, GREY = (255, 0, 0), (192, 192, 192), (128, 128, 128)

START = (100, 100)  # where the pointer rests when a full-screen saver starts
EXIT_TIMEOUT = 10
WINDOW_TIMEOUT = 20


class Failure(Exception):
    pass


def user_ini_path():
    roots = [d for d in glob.glob(os.path.join(PREFIX, "drive_c/users/*/AppData/Roaming"))
             if "/Public/" not in d]
    if len(roots) != 1:
        raise Failure(f"cannot tell the per-user AppData folder from {roots}")
    return os.path.join(roots[0], "Tolvane.ini")


USER_INI = None  # %APPDATA%\Tolvane.ini on the Linux side, found by main


def check(condition, message):
    if not condition:
        raise Failure(message)


# ---- processes --------------------------------------------------------------------

started = []  # every process the current test started; killed when it ends


def wine(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL):
    p = subprocess.Popen(["wine", *map(str, args)], env=WINE_ENV, stdin=stdin, stdout=stdout,
                         stderr=subprocess.DEVNULL, start_new_session=True)
    started.append(p)
    return p


def saver(*args):
    return wine([SCR, *args])


def exit_code(p, timeout=EXIT_TIMEOUT):
    try:
        return p.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


def expect_exit(p, want, what):
    rc = exit_code(p)
    check(rc is not None, f"{what}: still running after {EXIT_TIMEOUT} s")
    check(rc == want, f"{what}: exit status {rc}, expected {want}")


def still_runs(p, seconds, what):
    time.sleep(seconds)
    check(p.poll() is None, f"{what}: ended (status {p.returncode}) but should still run")


def kill_started():
    for p in started:
        if p.poll() is None:
            try:
                os.killpg(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            p.wait(timeout=10)
    started.clear()


def wait_for(probe, timeout, what, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def retry(verify, timeout=5):
    """Runs a check until it passes: the saver handles input a moment after it is sent."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            return verify()
        except Failure:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)


# ---- X side -----------------------------------------------------------------------

def xdo(*args):
    r = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=10)
    return r.stdout.strip()


class XWindow:
    def __init__(self, wid):
        self.id = wid
        self.name = xdo("getwindowname", wid)
        g = dict(line.split("=", 1) for line in xdo("getwindowgeometry", "--shell", wid).split())
        self.x, self.y = int(g["X"]), int(g["Y"])
        self.w, self.h = int(g["WIDTH"]), int(g["HEIGHT"])

    def __repr__(self):
        return f"'{self.name}' {self.w}x{self.h}+{self.x}+{self.y}"


def x_windows(p):
    return [XWindow(w) for w in xdo("search", "--onlyvisible", "--pid", p.pid).split()]


def wait_window(p, name, what):
    def find():
        if p.poll() is not None:
            raise Failure(f"{what}: ended with {p.returncode} before its window showed")
        return next((w for w in x_windows(p) if w.name == name), None)
    window = wait_for(find, WINDOW_TIMEOUT, f"{what}: window '{name}'")
    # Keys go to the X focus; Wine hands it over a moment after mapping.
    wait_for(lambda: xdo("getwindowfocus") == window.id, 5, f"{what}: focus on '{name}'")
    return window


def pointer(x, y):
    xdo("mousemove", x, y)


class Shot:
    """A screenshot of the root window as RGB bytes."""

    def __init__(self, name=None):
        raw = subprocess.run(["xwd", "-root", "-silent"], capture_output=True, timeout=20,
                             check=True).stdout
        self.time = time.monotonic()
        self.w, self.h = struct.unpack(">II", raw[16:24])
        # xwd's pixel layout changes once Wine has windows up: let ImageMagick read it.
        self.data = subprocess.run(["/usr/bin/convert", "xwd:-", "-depth", "8", "rgb:-"],
                                   input=raw, capture_output=True, timeout=30,
                                   check=True).stdout
        if len(self.data) != self.w * self.h * 3:
            raise Failure(f"screenshot of {len(self.data)} bytes for {self.w}x{self.h}")
        if name and SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            subprocess.run(["/usr/bin/convert", "xwd:-", os.path.join(SHOTS, name + ".png")],
                           input=raw, timeout=30)

    def pixel(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.data[i:i + 3])

    def find(self, rgb, top=0, bottom=None):
        """Every (x, y) of that colour between rows top and bottom (exclusive)."""
        needle = bytes(rgb)
        end = (bottom if bottom is not None else self.h) * self.w * 3
        at, found = top * self.w * 3, []
        while True:
            at = self.data.find(needle, at, end)
            if at < 0:
                return found
            if at % 3 == 0:
                found.append(((at // 3) % self.w, (at // 3) // self.w))
                at += 3
            else:
                at += 1

    def count(self, rgb, top=0, bottom=None):
        return len(self.find(rgb, top, bottom))


# ---- the probe --------------------------------------------------------------------

class Lines:
    """Reads a process's output lines in the background, so every read has a timeout."""

    def __init__(self, p):
        self.queue = queue.Queue()
        threading.Thread(target=self._pump, args=(p.stdout,), daemon=True).start()

    def _pump(self, stream):
        for line in stream:
            self.queue.put(line.decode("utf-8", "replace").rstrip("\r\n"))
        self.queue.put(None)

    def next(self, what, timeout=WINDOW_TIMEOUT):
        try:
            line = self.queue.get(timeout=timeout)
        except queue.Empty:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        check(line is not None, f"probe ended while waiting for {what}")
        return line


def record(line):
    """'kind k=v k=v ... text=rest' as a dict; text may hold blanks."""
    head, _, text = line.partition(" text=")
    kind, *pairs = head.split()
    r = dict(p.split("=", 1) for p in pairs if "=" in p)
    r["kind"], r["text"] = kind, text
    for k in ("x", "y", "w", "h", "cw", "ch", "pid", "hwnd", "parent", "pos", "check",
              "focus", "visible", "icon", "min", "max"):
        if k in r:
            r[k] = int(r[k])
    if "style" in r:
        r["style"] = int(r["style"], 16)
    return r


class Parent:
    """A top-level window of the probe, for /p and /a to use."""

    def __init__(self, width, height, seconds=60, hidden=False):
        self.p = wine([PROBE, "parent", width, height, seconds] + (["hidden"] if hidden else []),
                      stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.lines = Lines(self.p)
        line = self.lines.next("the probe's parent window")
        check(line.startswith("hwnd "), f"probe parent: {line}")
        self.hwnd = int(line.split()[1])
        self.info = record("window " + line.split(None, 2)[2])

    def children(self):
        self.p.stdin.write(b"children\n")
        self.p.stdin.flush()
        found = []
        while (line := self.lines.next("the child list")) != "end":
            found.append(record(line))
        return found

    def now(self):
        self.p.stdin.write(b"info\n")
        self.p.stdin.flush()
        return record(self.lines.next("the parent's state"))

    def wait_child(self, what):
        return wait_for(lambda: self.children(), WINDOW_TIMEOUT, what, interval=0.2)[0]

    def close(self):
        self.p.stdin.write(b"close\n")
        self.p.stdin.flush()
        expect_exit(self.p, 0, "probe parent")


def probe_window(*args):
    """The controls of a window of the saver, as the probe sees them, or None."""
    r = subprocess.run(["wine", PROBE, *args], env=WINE_ENV, capture_output=True,
                       timeout=30, start_new_session=True)
    lines = r.stdout.decode("utf-8", "replace").splitlines()
    if r.returncode != 0 or not lines or not lines[0].startswith("window "):
        return None
    return [record(line) for line in lines]


def post(target, msg, wparam):
    r = subprocess.run(["wine", PROBE, "post", str(target), hex(msg), hex(wparam)], env=WINE_ENV,
                       capture_output=True, timeout=30, start_new_session=True)
    check(r.returncode == 0, f"probe post {target}: {r.stdout.decode(errors='replace')}")


class Dialog:
    def __init__(self, records):
        self.window, *self.controls = records
        by_text = {c["text"]: c for c in self.controls}
        self.check_box = by_text.get("発射台の表示")
        self.ok, self.cancel = by_text.get("OK"), by_text.get("ｷｬﾝｾﾙ")
        self.track = next((c for c in self.controls if c["class"] == "msctls_trackbar32"), None)
        self.label = next((c for c in self.controls if c["text"].startswith("敵の飛来数")), None)
        for name in ("check_box", "ok", "cancel", "track", "label"):
            check(getattr(self, name) is not None, f"dialog has no {name}: {self.controls}")

    def focused(self):
        f = [c for c in self.controls if c["focus"]]
        return f[0] if f else None


def read_dialog():
    return Dialog(wait_for(lambda: probe_window("dialog"), WINDOW_TIMEOUT, "the dialog"))


# ---- settings files and registry --------------------------------------------------

def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.remove(path)


def reset_files():
    for ini in (SYSTEM_INI, USER_INI):
        remove(ini)
        for temp in glob.glob(ini + ".*"):
            remove(temp)


def write(path, content):
    with open(path, "wb") as f:
        f.write(content)


def content(path):
    if not os.path.isfile(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def expect_file(path, want, what):
    got = content(path)
    check(got == want, f"{what}: {os.path.basename(os.path.dirname(path))}/Tolvane.ini holds "
                       f"{got!r}, expected {want!r}")
    leftovers = glob.glob(path + ".*")
    check(not leftovers, f"{what}: temporary files left: {leftovers}")


def set_password_flag(value):
    if value is None:
        args = ["reg", "delete", PASSWORD_KEY, "/v", "ScreenSaveUsePassword", "/f"]
    else:
        args = ["reg", "add", PASSWORD_KEY, "/v", "ScreenSaveUsePassword", "/t", "REG_DWORD",
                "/d", str(value), "/f"]
    r = subprocess.run(["wine", *args], env=WINE_ENV, capture_output=True, timeout=60)
    check(value is None or r.returncode == 0, f"wine reg add failed: {r.returncode}")


# ---- common flows -----------------------------------------------------------------

def start_fullscreen(*args, what="/s"):
    pointer(*START)
    # Wine answers GetCursorPos from its own record for 100 ms after a pointer event it
    # saw; only later does it ask X. Let that record expire so the saver's start
    # position is where the pointer really is.
    time.sleep(0.3)
    p = saver(*(args or ("/s",)))
    w = wait_window(p, "frmMain", what)
    # The first mouse move arrives at the start position and must not end it.
    still_runs(p, 0.5, f"{what} with the pointer at rest")
    return p, w


def check_fullscreen_geometry(w, shot_w, shot_h):
    check((w.x, w.y, w.w, w.h) == (0, 0, shot_w, shot_h),
          f"saver window {w}, expected the whole {shot_w}x{shot_h} screen")


def launchers(width):
    centre = width // 2
    return [centre - width // 3, centre, centre + width // 3]


def marker_error(shot, base_x):
    """Why the launcher marker at base_x is not an 8x8 yellow-rimmed lime square standing
    on the bottom edge with black beside it, or None."""
    bottom = shot.h
    for dy in range(-1, 8):
        for dx in range(-1, 9):
            x, y = base_x - 4 + dx, bottom - 8 + dy
            if dx in (-1, 8) or dy == -1:
                want = BLACK
            elif dx in (0, 7) or dy in (0, 7):
                want = YELLOW
            else:
                want = LIME
            if shot.pixel(x, y) != want:
                return f"pixel ({x},{y}) is {shot.pixel(x, y)}, expected {want}"
    return None


def markers_absent_error(shot):
    for base_x in launchers(shot.w):
        for x in range(base_x - 4, base_x + 4):
            for y in range(shot.h - 8, shot.h):
                if shot.pixel(x, y) in (LIME, YELLOW):
                    return f"marker colour at ({x},{y})"
    return None


# ---- tests ------------------------------------------------------------------------

TESTS = []


def test(name):
    def register(fn):
        TESTS.append((name, fn))
        return fn
    return register


def table(prefix, rows):
    """One test per row: rows are (name, args...) and the function takes the args."""
    def register(fn):
        for name, *args in rows:
            TESTS.append((f"{prefix}: {name}", lambda fn=fn, args=args: fn(*args)))
        return fn
    return register


@test("build: Tolvane.scr and the probe are x86-64 Windows programs")
def pe_machine():
    # A 32-bit program under wine64 exits 0 without running: it would pass as /a does.
    for path in (SCR, PROBE):
        with open(path, "rb") as f:
            head = f.read(4096)
        check(head[:2] == b"MZ", f"{path} is not a Windows program")
        pe = struct.unpack_from("<I", head, 0x3C)[0]
        check(head[pe:pe + 4] == b"PE\0\0", f"{path} has no PE header")
        machine = struct.unpack_from("<H", head, pe + 4)[0]
        check(machine == 0x8664, f"{path} is built for machine {machine:#x}, not x86-64")


SWITCH_ROWS = [
    ("no argument", [], "dialog"),
    ("a word", ["hello"], "dialog"),
    ("/c", ["/c"], "dialog"),
    ("/c:123", ["/c:123"], "dialog"),
    ("-C", ["-C"], "dialog"),
    ("/s", ["/s"], "saver"),
    ("/S", ["/S"], "saver"),
    ("-s", ["-s"], "saver"),
    ("-Sxyz", ["-Sxyz"], "saver"),
    ("/s with more arguments", ["/s", "/p", "1"], "saver"),
    ("/p <hwnd>", ["/p", "<hwnd>"], "preview"),
    ("/p alone", ["/p"], 255),
    ("/p 1 2", ["/p", "1", "2"], 255),
    ("/p:123", ["/p:123"], 255),
    ("lone slash", ["/"], 255),
    ("lone dash", ["-"], 255),
    ("/x", ["/x"], 255),
    ("/?", ["/?"], 255),
    ("/a", ["/a"], 0),
    ("/a 12345", ["/a", "12345"], 0),
]


@table("switch", SWITCH_ROWS)
def switch_case(args, mode):
    if mode == "dialog":
        p = saver(*args)
        wait_window(p, DIALOG_CAPTION, "dialog")
        xdo("key", "Escape")
        expect_exit(p, 0, "dialog closed with Esc")
        expect_file(SYSTEM_INI, None, "Esc")
    elif mode == "saver":
        p, w = start_fullscreen(*args, what=" ".join(args))
        shot = Shot()
        check_fullscreen_geometry(w, shot.w, shot.h)
        xdo("key", "a")
        expect_exit(p, 0, "saver closed with a key")
        expect_file(SYSTEM_INI, b"100\r\n1\r\n", "saver")
    elif mode == "preview":
        parent = Parent(200, 150)
        p = saver("/p", str(parent.hwnd))
        parent.wait_child("the preview window")
        parent.close()
        expect_exit(p, 0, "preview after its parent closed")
    else:
        # Refused switches and the password mode show nothing: a window or message box
        # would keep the process from ending.
        p = saver(*args)
        expect_exit(p, mode, " ".join(args) or "no argument")
        expect_file(SYSTEM_INI, None, "a start that shows no window")


def junk_arguments(rng, count):
    """Arguments of printable ASCII, quotes, backslashes and a little Japanese."""
    alphabet = [chr(c) for c in range(0x21, 0x7F)] + list(' \\"\'\t') + list("敵の飛来数ｷｬﾝｾﾙ")
    return ["".join(rng.choice(alphabet) for _ in range(rng.randint(1, 40))) for _ in range(count)]


_JUNK = random.Random(20261211)
TRAILING_ROWS = [
    ("/s and junk", ["/s"] + junk_arguments(_JUNK, 3), "saver"),
    ("/c and junk", ["/c"] + junk_arguments(_JUNK, 2), "dialog"),
    ("a word and junk", ["hello"] + junk_arguments(_JUNK, 3), "dialog"),
    ("/x and junk", ["/x"] + junk_arguments(_JUNK, 2), 255),
    ("/p <hwnd> and junk", ["/p", "4242"] + junk_arguments(_JUNK, 2), 255),
    ("/a and two junk arguments", ["/a"] + junk_arguments(_JUNK, 2), 0),
    ("/a and one junk argument", ["/a"] + junk_arguments(_JUNK, 1), 0),
    ("/p and a junk handle", ["/p"] + junk_arguments(_JUNK, 1), "error box"),
]


@table("switch with random trailing arguments", TRAILING_ROWS)
def switch_with_junk(args, mode):
    # Whatever follows the switch, the start-up table decides and nothing crashes (a crash
    # under Wine exits 5).
    if mode == "error box":
        p = saver(*args)
        wait_window(p, "Tolvane", "error box")
        xdo("key", "Return")
        expect_exit(p, 0, "after the error box")
    elif mode in ("saver", "dialog"):
        switch_case(args, mode)
    else:
        p = saver(*args)
        expect_exit(p, mode, "junk arguments")
        expect_file(SYSTEM_INI, None, "a start that shows no window")


@test("preview: a child of its parent at the parent's outer size, ignores input, ends with it")
def preview_child():
    parent = Parent(200, 150)
    check((parent.info["w"], parent.info["h"]) == (200, 150), f"probe parent {parent.info}")
    check(parent.info["cw"] < 200 and parent.info["ch"] < 150,
          f"the parent should have a frame: {parent.info}")
    p = saver("/p", str(parent.hwnd))
    child = parent.wait_child("the preview window")
    check(child["class"] == "TolvaneForm", f"preview class {child['class']}")
    check(child["pid"] != parent.info["pid"], "the child belongs to the probe, not the preview")
    check(child["style"] == 0x56000000, f"preview style {child['style']:#x}, expected 0x56000000")
    check((child["w"], child["h"]) == (200, 150),
          f"preview is {child['w']}x{child['h']}, expected the parent's outer 200x150")
    check((child["cw"], child["ch"]) == (200, 150), f"preview client {child['cw']}x{child['ch']}")
    check(child["visible"] == 1, "preview not visible")
    # At the parent's client origin: the parent's frame is left and above of it.
    frame_x = parent.info["x"] + (parent.info["w"] - parent.info["cw"]) // 2
    check(child["x"] == frame_x and child["y"] > parent.info["y"],
          f"preview at ({child['x']},{child['y']}), parent {parent.info}")
    # Input over the preview never closes it.
    cx, cy = child["x"] + 100, child["y"] + 60
    pointer(cx, cy)
    pointer(cx + 5, cy + 7)
    xdo("click", 1)
    xdo("key", "a", "Escape")
    still_runs(p, 1.0, "preview after mouse and keys")
    parent.close()
    expect_exit(p, 0, "preview after its parent closed")
    expect_file(SYSTEM_INI, b"100\r\n1\r\n", "preview on closing")
    shot = Shot()
    check(shot.count(BLACK) == shot.w * shot.h, "something is left on the screen")


@test("preview: a second /p is refused while one runs, also for another parent")
def preview_once():
    first, second = Parent(200, 150), Parent(320, 240)
    p = saver("/p", str(first.hwnd))
    first.wait_child("the first preview")
    for parent in (first, second):
        again = saver("/p", str(parent.hwnd))
        expect_exit(again, 255, "a second preview")
    check(second.children() == [], "the refused preview left a window")
    check(len(first.children()) == 1, "the refused preview added a window")
    still_runs(p, 0.2, "the first preview")
    first.close()
    expect_exit(p, 0, "the first preview after its parent closed")
    # The mutex went with the first preview: the next one runs.
    p = saver("/p", str(second.hwnd))
    child = second.wait_child("the next preview")
    check((child["w"], child["h"]) == (320, 240), f"next preview {child['w']}x{child['h']}")
    second.close()
    expect_exit(p, 0, "the next preview after its parent closed")


@test("preview: shows a hidden parent")
def preview_hidden_parent():
    parent = Parent(200, 150, hidden=True)
    check(parent.now()["visible"] == 0, "the probe's parent should start hidden")
    p = saver("/p", str(parent.hwnd))
    parent.wait_child("the preview window")
    check(parent.now()["visible"] == 1, "the preview left its parent hidden")
    parent.close()
    expect_exit(p, 0, "preview after its parent closed")


@test("preview: drops a queued SC_CLOSE, ends on WM_CLOSE from outside")
def preview_close_requests():
    parent = Parent(200, 150)
    p = saver("/p", str(parent.hwnd))
    child = parent.wait_child("the preview window")
    post(child["hwnd"], WM_SYSCOMMAND, SC_CLOSE)
    still_runs(p, 1.0, "preview after a queued SC_CLOSE")
    post(child["hwnd"], WM_CLOSE, 0)
    expect_exit(p, 0, "preview after WM_CLOSE")
    check(parent.children() == [], "the preview window outlived its process")
    parent.close()


@test("preview: a running preview blocks neither the full screen saver nor the dialog")
def preview_with_others():
    parent = Parent(200, 150)
    preview = saver("/p", str(parent.hwnd))
    parent.wait_child("the preview window")
    p, _ = start_fullscreen()
    xdo("key", "a")
    expect_exit(p, 0, "full screen saver beside a preview")
    p = saver("/c")
    wait_window(p, DIALOG_CAPTION, "dialog")
    xdo("key", "Escape")
    expect_exit(p, 0, "dialog beside a preview")
    check(preview.poll() is None, "the preview ended")
    parent.close()
    expect_exit(preview, 0, "preview after its parent closed")


@table("preview: no window under handle", [("abc", "abc", "1406"),
                                           ("not a window", "123456789", "1400")])
def preview_error(arg, error):
    p = saver("/p", arg)
    box_window = wait_window(p, "Tolvane", "error box")
    records = wait_for(lambda: probe_window("box", "Tolvane"), WINDOW_TIMEOUT, "the error box")
    box, *controls = records
    shot = Shot("error-box" if arg == "abc" else None)
    texts = [c["text"] for c in controls if c["class"] == "Static" and c["text"]]
    buttons = [c["text"] for c in controls if c["class"] == "Button"]
    icons = [c for c in controls if c["class"] == "Static" and c["icon"]]
    check(box["class"] == "#32770", f"not a message box: {box}")
    check(buttons == ["OK"], f"buttons {buttons}")
    check(len(texts) == 1 and texts[0].endswith(").") and error in texts[0],
          f"message {texts}, expected the window error {error} and a full stop")
    check(len(icons) == 1, "no icon in the box")
    icon = icons[0]
    reds = sum(1 for y in range(icon["y"], icon["y"] + icon["h"])
               for x in range(icon["x"], icon["x"] + icon["w"])
               if shot.pixel(x, y)[0] > 180 and max(shot.pixel(x, y)[1:]) < 90)
    check(reds > 100, f"the icon is not the red error icon ({reds} red pixels)")
    check(not any(w.name == "frmMain" for w in x_windows(p)), "a saver window is showing")
    check(box_window.w == box["w"], f"X window {box_window} vs box {box}")
    xdo("key", "Return")
    expect_exit(p, 0, "after the error box")


FULLSCREEN_INPUT = [
    ("a key", ["key", "a"], True),
    ("shift alone", ["key", "shift"], True),
    ("one pixel right", ["mousemove", START[0] + 1, START[1]], True),
    ("one pixel up", ["mousemove", START[0], START[1] - 1], True),
    ("left button", ["click", 1], True),
    ("right button", ["click", 3], True),
    ("a move to the start position", ["mousemove", *START], False),
]


@table("full screen", FULLSCREEN_INPUT)
def fullscreen_input(action, closes):
    p, _ = start_fullscreen()
    xdo(*action)
    if closes:
        expect_exit(p, 0, "saver after the input")
    else:
        still_runs(p, 1.0, "saver")
        xdo("key", "a")
        expect_exit(p, 0, "saver after a key")
    expect_file(SYSTEM_INI, b"100\r\n1\r\n", "saver on closing")


@table("full screen with password flag", [("1, no password library", 1), ("0", 0), ("2", 2)])
def fullscreen_password(value):
    set_password_flag(value)
    try:
        p, _ = start_fullscreen()
        xdo("key", "a")
        expect_exit(p, 0, "saver with the password flag")
        expect_file(SYSTEM_INI, b"100\r\n1\r\n", "saver on closing")
    finally:
        set_password_flag(None)


SAVED_ROWS = [
    ("no file: the defaults", None, b"100\r\n1\r\n", True),
    ("150 and 0 unchanged, markers hidden", b"150\r\n0\r\n", b"150\r\n0\r\n", False),
    ("flag 255 shows markers, written as -1", b"100\r\n255\r\n", b"100\r\n-1\r\n", True),
    ("flag 2 written back as 2", b"100\r\n2\r\n", b"100\r\n2\r\n", True),
    ("flag 256 hides markers, written as 0", b"100\r\n256\r\n", b"100\r\n0\r\n", False),
]


@table("full screen saves on closing", SAVED_ROWS)
def fullscreen_saves(initial, expected, markers):
    if initial is not None:
        write(SYSTEM_INI, initial)
    p, _ = start_fullscreen()
    shot = Shot()
    for base_x in launchers(shot.w):
        error = marker_error(shot, base_x) if markers else markers_absent_error(shot)
        check(error is None, f"marker at x={base_x}: {error}")
    xdo("key", "a")
    expect_exit(p, 0, "saver")
    expect_file(SYSTEM_INI, expected, "saver on closing")


@test("full screen: drops queued SC_CLOSE and SC_SCREENSAVE, not 0xF061")
def fullscreen_syscommands():
    p, _ = start_fullscreen()
    post("saver", WM_SYSCOMMAND, SC_CLOSE)
    post("saver", WM_SYSCOMMAND, SC_SCREENSAVE)
    still_runs(p, 1.0, "saver after queued SC_CLOSE and SC_SCREENSAVE")
    post("saver", WM_SYSCOMMAND, SC_CLOSE + 1)
    expect_exit(p, 0, "saver after a queued 0xF061")
    expect_file(SYSTEM_INI, b"100\r\n1\r\n", "saver on closing")


@test("full screen: writes back what it loaded, not what the file holds at the end")
def fullscreen_saves_loaded():
    write(SYSTEM_INI, b"150\r\n0\r\n")
    p, _ = start_fullscreen()
    write(SYSTEM_INI, b"77\r\n1\r\n")
    xdo("key", "a")
    expect_exit(p, 0, "saver")
    expect_file(SYSTEM_INI, b"150\r\n0\r\n", "saver on closing")


@test("full screen: an empty settings file gives limit 0, no enemy at all, written as 0")
def fullscreen_empty_file():
    write(SYSTEM_INI, b"")
    p, _ = start_fullscreen()
    time.sleep(2.0)
    shot = Shot()
    sprites = shot.count(SILVER) + shot.count(GREY) + shot.count(RED)
    check(sprites == 0, f"{sprites} sprite pixels with an enemy limit of 0")
    xdo("key", "a")
    expect_exit(p, 0, "saver")
    expect_file(SYSTEM_INI, b"0\r\n1\r\n", "saver on closing")


@test("full screen: the battle after 3 s")
def fullscreen_battle():
    p, w = start_fullscreen()
    time.sleep(2.5)
    shot = Shot("battle")
    check_fullscreen_geometry(w, shot.w, shot.h)
    black = shot.count(BLACK)
    check(black > shot.w * shot.h * 0.7, f"only {black} black pixels: not a black field")
    for base_x in launchers(shot.w):
        error = marker_error(shot, base_x)
        check(error is None, f"launcher marker at x={base_x}: {error}")
    above = shot.h - 16
    for colour, least in ((RED, 32), (SILVER, 20), (GREY, 20)):
        n = shot.count(colour, 0, above)
        check(n >= least, f"{n} pixels of {colour} above the ground: no sprites")
    xdo("key", "a")
    expect_exit(p, 0, "saver")


def enemy_top(shot):
    """Top row and width of the one enemy on the field, None when there is none."""
    pixels = shot.find(SILVER) + shot.find(GREY)
    if not pixels:
        return None
    xs, ys = [x for x, _ in pixels], [y for _, y in pixels]
    check(max(xs) - min(xs) < 40 and max(ys) - min(ys) < 40,
          f"enemy pixels spread over {min(xs)}..{max(xs)} x {min(ys)}..{max(ys)}: "
          "more than one enemy")
    return min(ys)


@test("full screen: enemy limit 5 keeps one enemy at a time, falling")
def fullscreen_one_enemy():
    write(SYSTEM_INI, b"5\r\n1\r\n")
    p, _ = start_fullscreen()
    seen = []
    deadline = time.monotonic() + 4.0
    while time.monotonic() < deadline:
        shot = Shot()
        seen.append((shot.time, enemy_top(shot)))
    xdo("key", "a")
    expect_exit(p, 0, "saver")
    expect_file(SYSTEM_INI, b"5\r\n1\r\n", "saver on closing")
    # Enemies fall one pixel a tick at the start level: their fall over time between
    # two shots of the same enemy is the tick rate.
    fell = elapsed = 0.0
    for (t0, y0), (t1, y1) in zip(seen, seen[1:]):
        if y0 is not None and y1 is not None and 0 < y1 - y0 < 200:
            fell += y1 - y0
            elapsed += t1 - t0
    check(sum(1 for _, y in seen if y is not None) >= 3, f"hardly any enemy in {len(seen)} shots")
    check(fell > 0, "no enemy was seen falling")
    say(f"INFO measured tick rate: about {fell / elapsed:.0f} ticks per second "
          f"({fell:.0f} px of fall in {elapsed:.2f} s over {len(seen)} shots)")


# Dialog cases: the settings file before, the steps, the file expected after (None: no
# file; "same": as before). A step is an xdotool key list or a check of the dialog.
def shows(limit_pos, label, checked):
    def verify(d):
        check(d.track["pos"] == limit_pos, f"track bar at {d.track['pos']}, expected {limit_pos}")
        check(d.label["text"] == LIMIT_LABEL + str(label),
              f"label '{d.label['text']}', expected '{LIMIT_LABEL}{label}'")
        check(d.check_box["check"] == checked, f"check box {d.check_box['check']}")
    return verify


def focus_on(name):
    def verify(d):
        f = d.focused()
        check(f is not None and f["hwnd"] == getattr(d, name)["hwnd"],
              f"focus on {f and (f['class'], f['text'])}, expected the {name}")
    return verify


def close_box(d):
    w = d.window
    pointer(w["x"] + w["w"] - 14, w["y"] + 11)
    xdo("click", 1)


DIALOG_ROWS = [
    ("defaults, Enter stores 100 and 1", None,
     [shows(100, 100, 1), ["Return"]], b"100\r\n1\r\n"),
    ("Esc stores nothing", None, [["Escape"]], None),
    ("Esc after changes keeps the file", b"150\r\n0\r\n",
     [shows(150, 150, 0), ["space", "Tab", "Right"], ["Escape"]], "same"),
    ("Right on the track bar stores 101", None,
     [["Tab"], focus_on("track"), ["Right"], shows(101, 101, 1), ["Return"]],
     b"101\r\n1\r\n"),
    ("Page Down stores 150", None,
     [["Tab", "Next"], shows(150, 150, 1), ["Return"]], b"150\r\n1\r\n"),
    ("End then Left stores 255", None, [["Tab", "End", "Left", "Return"]], b"255\r\n1\r\n"),
    ("stored 5 shows 10, OK stores 10", b"5\r\n1\r\n",
     [shows(10, 5, 1), ["Return"]], b"10\r\n1\r\n"),
    ("stored 300 shows 256, OK stores 256", b"300\r\n1\r\n",
     [shows(256, 300, 1), ["Return"]], b"256\r\n1\r\n"),
    ("empty file shows 0 at 10", b"", [shows(10, 0, 1), ["Return"]], b"10\r\n1\r\n"),
    ("stored flag 2 is ticked, OK stores 1", b"100\r\n2\r\n",
     [shows(100, 100, 1), ["Return"]], b"100\r\n1\r\n"),
    ("stored flag 0 clears the box", b"120\r\n0\r\n",
     [shows(120, 120, 0), ["Return"]], b"120\r\n0\r\n"),
    ("space on the check box stores 0", None,
     [focus_on("check_box"), ["space"], shows(100, 100, 0), ["Return"]], b"100\r\n0\r\n"),
    ("Enter on OK stores", None, [["space", "Tab", "Tab"], focus_on("ok"), ["Return"]],
     b"100\r\n0\r\n"),
    ("Tab to Cancel and Enter stores nothing", b"5\r\n1\r\n",
     [["space", "Tab", "Tab", "Tab"], focus_on("cancel"), ["Return"]], "same"),
    ("Alt+F4 stores nothing", None, [["space", "Tab", "Right"], ["alt+F4"]], None),
    ("the close box stores nothing", None, [["Tab", "Right"], close_box], None),
]


@table("dialog", DIALOG_ROWS)
def dialog_case(initial, steps, expected):
    if initial is not None:
        write(SYSTEM_INI, initial)
    p = saver()
    wait_window(p, DIALOG_CAPTION, "dialog")
    # Shown and ready: the check box, first in tab order, has the focus.
    retry(lambda: focus_on("check_box")(read_dialog()))
    for step in steps:
        if isinstance(step, list):
            xdo("key", "--delay", "60", *step)
        else:
            retry(lambda: step(read_dialog()))
    expect_exit(p, 0, "dialog")
    expect_file(SYSTEM_INI, initial if expected == "same" else expected, "dialog")
    expect_file(USER_INI, None, "dialog")


@test("dialog: look")
def dialog_look():
    p = saver("/c")
    wait_window(p, DIALOG_CAPTION, "dialog")
    d = read_dialog()
    shot = Shot("dialog")
    w = d.window
    check(w["text"] == DIALOG_CAPTION, f"caption {w['text']}")
    check(abs((w["x"] + w["w"] // 2) - shot.w // 2) <= 1 and
          abs((w["y"] + w["h"] // 2) - shot.h // 2) <= 1, f"dialog not centred: {w}")
    # Grey dialog face, not the black desktop, inside the window.
    face = shot.pixel(w["x"] + w["w"] // 2, w["y"] + w["h"] - 10)
    check(face != BLACK and len(set(face)) == 1, f"dialog face {face}")
    icon = next(c for c in d.controls if c["class"] == "Static" and c["icon"])
    colours = {shot.pixel(x, y) for y in range(icon["y"], icon["y"] + 32)
               for x in range(icon["x"], icon["x"] + 32)}
    check(len(colours) >= 4, f"the program icon has only {len(colours)} colours")
    xdo("key", "Escape")
    expect_exit(p, 0, "dialog")


# ---- the per-user file ------------------------------------------------------------

class Lock:
    """Another program holding the system's settings file open against writers."""

    def __init__(self, path):
        self.p = wine([PROBE, "lock", path], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.lines = Lines(self.p)
        line = self.lines.next("the lock")
        check(line == "locked", f"probe lock: {line}")

    def release(self):
        self.p.stdin.close()
        expect_exit(self.p, 0, "probe lock")


@test("per-user file: saver falls back to it when the system file is locked, next start reads it")
def fallback_locked():
    write(SYSTEM_INI, b"150\r\n0\r\n")
    lock = Lock(SYSTEM_INI_WIN)
    p, _ = start_fullscreen()
    shot = Shot()
    check(markers_absent_error(shot) is None, "the system file's flag 0 was not loaded")
    xdo("key", "a")
    expect_exit(p, 0, "saver")
    lock.release()
    expect_file(SYSTEM_INI, b"150\r\n0\r\n", "locked system file")
    expect_file(USER_INI, b"150\r\n0\r\n", "per-user file after the saver")
    # Now the per-user file wins over the (again writable) system one.
    write(SYSTEM_INI, b"200\r\n1\r\n")
    p = saver("/c")
    wait_window(p, DIALOG_CAPTION, "dialog")
    retry(lambda: shows(150, 150, 0)(read_dialog()))
    xdo("key", "Return")
    expect_exit(p, 0, "dialog")
    expect_file(USER_INI, b"150\r\n0\r\n", "per-user file after OK")
    expect_file(SYSTEM_INI, b"200\r\n1\r\n", "system file after OK")


@test("per-user file: dialog OK falls back to it when a folder blocks the system file")
def fallback_folder():
    os.makedirs(SYSTEM_INI)
    p = saver()
    wait_window(p, DIALOG_CAPTION, "dialog")
    xdo("key", "--delay", "60", "Tab", "Right", "Return")
    expect_exit(p, 0, "dialog")
    expect_file(USER_INI, b"101\r\n1\r\n", "per-user file after OK")
    check(os.path.isdir(SYSTEM_INI) and not os.listdir(SYSTEM_INI), "the folder was touched")
    p, _ = start_fullscreen()
    xdo("key", "a")
    expect_exit(p, 0, "saver")
    expect_file(USER_INI, b"101\r\n1\r\n", "per-user file after the saver")


@test("per-user file: a folder of that name does not take over from the system file")
def fallback_user_folder():
    write(SYSTEM_INI, b"150\r\n0\r\n")
    os.makedirs(USER_INI)
    p = saver()
    wait_window(p, DIALOG_CAPTION, "dialog")
    retry(lambda: shows(150, 150, 0)(read_dialog()))
    xdo("key", "--delay", "60", "Tab", "Right", "Return")
    expect_exit(p, 0, "dialog")
    expect_file(SYSTEM_INI, b"151\r\n0\r\n", "system file after OK")


@test("per-user file: nothing writable, OK says so in a box, then closes")
def fallback_nowhere():
    write(SYSTEM_INI, b"150\r\n0\r\n")
    lock = Lock(SYSTEM_INI_WIN)
    os.makedirs(USER_INI)
    p = saver()
    wait_window(p, DIALOG_CAPTION, "dialog")
    xdo("key", "Return")
    records = wait_for(lambda: probe_window("box", "Tolvane"), WINDOW_TIMEOUT, "the message box")
    texts = [c["text"] for c in records[1:] if c["class"] == "Static" and c["text"]]
    check(texts == ["設定を保存できませんでした"], f"message {texts}")
    xdo("key", "Return")
    rc = exit_code(p)
    if rc is None:
        names = [w.name for w in x_windows(p)]
        raise Failure(f"dialog still running after OK; windows {names}")
    check(rc == 0, f"exit status {rc}")
    lock.release()
    expect_file(SYSTEM_INI, b"150\r\n0\r\n", "system file")
    check(os.path.isdir(USER_INI) and not os.listdir(USER_INI), "the folder was touched")
    check(not glob.glob(USER_INI + ".*"), "temporary files left beside the folder")


# ---- runner -----------------------------------------------------------------------

def say(line):
    print(line, flush=True)
    if LOG:
        with open(LOG, "a", encoding="utf-8") as f:
            f.write(line + "\n")


LOG = os.environ.get("TOLVANE_LOG", "")


def stop(signum, frame):
    raise SystemExit(f"stopped by signal {signum}")


def main():
    global USER_INI
    signal.signal(signal.SIGTERM, stop)
    selected = [(n, f) for n, f in TESTS if not sys.argv[1:] or any(a in n for a in sys.argv[1:])]
    passed = failed = 0
    try:
        USER_INI = user_ini_path()
    except Failure as e:
        say(f"FAIL setup: {e}")
        say("0 passed, 1 failed")
        return 1
    for name, fn in selected:
        reset_files()
        pointer(*START)
        began = time.monotonic()
        try:
            fn()
            say(f"PASS {name} ({time.monotonic() - began:.1f} s)")
            passed += 1
        except Exception as e:  # a broken helper fails the test, not the run
            why = str(e) if isinstance(e, Failure) else f"{type(e).__name__}: {e}"
            say(f"FAIL {name}: {why}")
            if SHOTS:
                try:
                    Shot("fail-" + "".join(c if c.isalnum() else "-" for c in name)[:60])
                except Exception:
                    pass
            failed += 1
        finally:
            kill_started()
    reset_files()
    say(f"{passed} passed, {failed} failed")
    return 1 if failed or not selected else 0


if __name__ == "__main__":
    sys.exit(main())
