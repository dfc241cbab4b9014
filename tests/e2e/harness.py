"""Helpers for the end-to-end tests: start the real program under Wine in a fresh folder
and act on its window through e2e_driver.exe, as a user would.

The tests run inside an X display (tools/test.sh starts Xvfb and openbox and exports
DISPLAY) against the test server CTest starts (fixture test_server). CTest passes:
  E2E_APP     the program (TextbookDownloader.exe)
  E2E_DRIVER  the driver (e2e_driver.exe)
  E2E_WINE    how to run a Windows program (wine or wine64)
  TEST_SERVER_PORT
Give every e2e test the CTest property RESOURCE_LOCK e2e_desktop: they share one screen,
one mouse and one clipboard.

    app = start_app()                      # copy of the program in a new temp folder
    app.clipboard("http://.../book.html")
    app.double_click("试读地址框")
    app.wait_for(lambda: app.text("书名框") != "")
    app.run_dir / "title"                  # the book folder on disk
    app.key(VK_ESCAPE); app.wait_exit()    # -> 0
"""
import json
import locale
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time
import urllib.parse
import urllib.request

# The controls in the order of the form; their window IDs are 1001 + the index.
CONTROLS = [
    "标签2", "图片框1", "按钮1", "进度条", "下载链接框", "标签1", "书名框", "标签25", "总页码框",
    "标签12", "试读地址框", "览卷源代码框", "透明标签2", "编辑框_线程数", "按钮2", "进度标签", "下载按钮",
]
CONTROL_IDS = {name: 1001 + index for index, name in enumerate(CONTROLS)}
CONTROL_NAMES = {value: key for key, value in CONTROL_IDS.items()}

VK_TAB, VK_RETURN, VK_ESCAPE, VK_SPACE = 0x09, 0x0D, 0x1B, 0x20

APP = os.environ.get("E2E_APP", "")
DRIVER = os.environ.get("E2E_DRIVER", "")
WINE = os.environ.get("E2E_WINE") or os.environ.get("WINE") or "wine"
PORT = int(os.environ.get("TEST_SERVER_PORT", "0"))
HOST = "127.0.0.1:%d" % PORT


def _wine_env(lang=None):
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    # Code page 936, as on the users' systems, unless a test asks for another locale; the
    # program's texts must be right on any code page.
    if lang:
        env["LANG"] = env["LC_ALL"] = lang
    elif "zh_CN.utf8" in subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout:
        env["LANG"] = env["LC_ALL"] = "zh_CN.UTF-8"
    return env


def check_environment():
    """Raises with a clear reason when the tests cannot run here."""
    missing = [name for name, value in (("E2E_APP", APP), ("E2E_DRIVER", DRIVER)) if not value]
    if missing:
        raise RuntimeError("set by CTest: " + ", ".join(missing))
    if not os.environ.get("DISPLAY"):
        raise RuntimeError("the window tests need an X display (tools/test.sh starts one)")
    if not PORT:
        raise RuntimeError("TEST_SERVER_PORT is not set")


def url(path):
    """An address on the test server."""
    return "http://%s%s" % (HOST, path)


def server_log(prefix):
    """The requests the test server saw whose path starts with prefix."""
    with urllib.request.urlopen(url("/__log?prefix=" + urllib.parse.quote(prefix)), timeout=10) as answer:
        return [json.loads(line) for line in answer.read().decode("utf-8").splitlines() if line.strip()]


def _hex(text):
    return "hex:" + text.encode("utf-8").hex()


def driver(*args, check=True, timeout=60):
    """Runs e2e_driver.exe; returns its stdout as text."""
    result = subprocess.run([WINE, DRIVER] + [str(a) for a in args], capture_output=True, env=_wine_env(),
                            timeout=timeout)
    if check and result.returncode != 0:
        raise AssertionError("e2e_driver %s failed (%d): %s" % (
            " ".join(str(a) for a in args), result.returncode, result.stderr.decode("utf-8", "replace")))
    return result.stdout.decode("utf-8")


def button_face():
    """The system's button-face colour as (r, g, b)."""
    return tuple(int(v) for v in driver("btnface").split())


def system_colour(index):
    """A system colour (GetSysColor index, e.g. 13 for the highlight) as (r, g, b)."""
    return tuple(int(v) for v in driver("syscolour", index).split())


def wait_for(predicate, timeout=30.0, what="the condition", interval=0.2):
    """Polls predicate until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)


class App:
    """The running program and its window."""

    def __init__(self, run_dir, process, hwnd):
        self.run_dir = run_dir
        self.process = process
        self.hwnd = hwnd

    # -- the driver, aimed at this window
    def drive(self, *args, check=True):
        return driver("-w", self.hwnd, *args, check=check)

    def text(self, control):
        """The control's text (WM_GETTEXT), as str."""
        return self.drive("gettext", CONTROL_IDS[control])

    def set_text(self, control, text):
        self.drive("settext", CONTROL_IDS[control], _hex(text))

    def progress(self, control="进度条"):
        """The progress bar's position."""
        return int(self.drive("progress", CONTROL_IDS[control]))

    def send(self, control, message, wparam=0, lparam=0):
        """Sends a message with number arguments to a control; returns the result."""
        return int(self.drive("send", CONTROL_IDS[control], message, wparam, lparam))

    def clipboard(self, text):
        if text:
            driver("clipboard", _hex(text))
        else:
            driver("clipboard-empty")

    def click(self, control, x=None, y=None):
        self.drive("click", CONTROL_IDS[control], *([x, y] if x is not None else []))

    def double_click(self, control, button="left", x=None, y=None):
        self.drive("dblclick", CONTROL_IDS[control], button, *([x, y] if x is not None else []))

    def key(self, vk, shift=False):
        self.drive("key", vk, *(["shift"] if shift else []))

    def focused(self):
        """The name of the control with the focus, or None for the window itself."""
        return CONTROL_NAMES.get(int(self.drive("focused")))

    def pixel(self, control, x, y):
        return tuple(int(v) for v in self.drive("pixel", CONTROL_IDS[control], x, y).split())

    def rect(self):
        """The window's outer rectangle: (left, top, width, height)."""
        return tuple(int(v) for v in self.drive("rect").split())

    def window(self):
        """The window: caption, outer and client [x, y, w, h], style, exstyle, screen size, x11_window."""
        return json.loads(self.drive("window"))

    def x_icon_sizes(self):
        """The icon sizes the X window offers the desktop (_NET_WM_ICON), e.g. ["32 x 32", "16 x 16"]."""
        xid = self.window()["x11_window"]
        listing = subprocess.run(["xprop", "-id", str(xid), "_NET_WM_ICON"], capture_output=True, text=True).stdout
        return re.findall(r"Icon \((\d+ x \d+)\)", listing)

    def count_colour(self, control, rgb):
        """How many pixels of the control's client area show this colour on the screen."""
        return int(self.drive("count-colour", CONTROL_IDS[control], *rgb))

    def popup_open(self):
        """True while a popup menu (an edit box's context menu) of the program is open."""
        return self.drive("popup").strip() == "1"

    def controls(self):
        """One dict per child window: id, class, x, y, w, h, style, exstyle, visible, enabled, text."""
        return [json.loads(line) for line in self.drive("controls").splitlines() if line.strip()]

    def dialog_text(self, timeout_ms=20000):
        """Waits for a message box of the program and returns its text."""
        return self.drive("dialog-text", timeout_ms).rstrip("\n")

    def dialog_ok(self):
        self.drive("dialog-ok")

    def wait_for(self, predicate, timeout=30.0, what="the condition"):
        return wait_for(predicate, timeout, what)

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=30.0):
        """The program's exit code once it has ended."""
        return self.process.wait(timeout=timeout)

    def stop(self):
        """Ends the program if it still runs, and removes its folder."""
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)
        shutil.rmtree(self.run_dir, ignore_errors=True)


def start_app(run_dir=None, lang=None):
    """Copies the program into run_dir (default: a new temp folder), starts it under Wine and
    waits for its window. The book folders it makes appear in app.run_dir. lang: the locale
    the program runs in (default zh_CN.UTF-8, code page 936)."""
    check_environment()
    run_dir = pathlib.Path(run_dir or tempfile.mkdtemp(prefix="e2e_app_"))
    run_dir.mkdir(parents=True, exist_ok=True)
    program = run_dir / os.path.basename(APP)
    shutil.copy2(APP, program)
    # Started from elsewhere: the program must find its own folder.
    process = subprocess.Popen([WINE, str(program)], cwd=tempfile.gettempdir(), env=_wine_env(lang),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        hwnd = int(driver("wait-window", 30000).split()[0])
    except Exception:
        process.kill()
        raise
    return App(run_dir, process, hwnd)
