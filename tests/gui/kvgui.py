"""kvgui: drives KVSetup.exe under Wine on the bed's Xvfb display for the GUI tests.

Run inside scripts/winebed (it needs WINEPREFIX and DISPLAY). Paths come from the
environment that tests/gui/CMakeLists.txt sets:
  KV_KVSETUP_EXE   the KVSetup.exe under test
  KV_WINSPY_EXE    kvwinspy.exe (window styles, rectangles, message-box texts)
  KV_KVPACK        the native kvpack (sample staging trees and packages)
  KV_SKIN_PNG      folder of the skin pictures as PNG (button-next-focus.png ...)
  KV_GUI_ARTIFACTS folder for screenshots and logs (one sub-folder per test)

Every wait is bounded and raises TimeoutError naming what it waited for.
Everything a Bed starts is stopped when its `with` block ends.
"""
import os
import re
import shutil
import subprocess
import sys
import time
import traceback
from pathlib import Path

from PIL import Image, ImageChops

CLIENT_W, CLIENT_H = 664, 436
TITLE = "Korvane 설치"
CLASS = "KVSETUP"
ERROR_CAPTION = "오류"

WM_COMMAND = 0x0111
WM_PAINT = 0x000F

# Client positions the tests share: the top-left corners of the bottom buttons
# (Back, Next, and the right one: Exit, Cancel or Finish), of the three check
# boxes (desktop, start menu, FTDI), the setup program's registry record and
# its entry in the list of installed programs.
BACK = (333, 393)
NEXT = (422, 393)
RIGHT = (511, 393)
CHECK_BOXES = ((40, 130), (40, 160), (40, 190))
PRODUCT_KEY = r"HKLM\Software\Korvane\KV"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"


def _env_path(name):
    value = os.environ.get(name)
    if not value:
        raise RuntimeError("%s is not set (run the test through ctest or set it by hand)" % name)
    return Path(value)


def wait_until(predicate, timeout, what, interval=0.05):
    """Polls predicate until it returns a true value (returned) or timeout seconds pass."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError("waited %.1f s for %s" % (timeout, what))
        time.sleep(interval)


def _run(args, timeout=20, check=True):
    r = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    if check and r.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(map(str, args)), r.returncode,
                                                   r.stderr.decode("utf-8", "replace").strip()))
    return r


def reg_query_output(key, value=None):
    """What `wine reg query KEY [/v VALUE]` prints, or None when reg says the
    key or value is missing. An answer that is neither (seen once: the query
    of a value just written came back without it, and what reg said was lost)
    is asked again, and raised with what reg said if it stays so: taken for a
    missing key or value, it would fail a sound run or pass one that should
    fail."""
    args = ["wine", "reg", "query", key] + (["/v", value] if value is not None else [])
    for _ in range(3):
        r = _run(args, check=False)
        out = r.stdout.decode("utf-8", "replace")
        said = out + r.stderr.decode("utf-8", "replace")
        if "Unable to find the specified registry" in said:
            return None
        if r.returncode == 0 and (value is None or value in out):
            return out
    raise RuntimeError("%s: exit %d, said %r" % (" ".join(args), r.returncode, said))


# ----------------------------------------------------------------- pictures

def skin(name):
    """A skin picture by its PNG name without extension, e.g. 'button-next-focus'."""
    return Image.open(_env_path("KV_SKIN_PNG") / (name + ".png")).convert("RGB")


def crop(img, x, y, w, h):
    return img.crop((x, y, x + w, y + h))


def differing_pixels(img, x, y, picture):
    """Number of pixels of the region at (x, y) that differ from picture."""
    region = crop(img.convert("RGB"), x, y, picture.width, picture.height)
    diff = ImageChops.difference(region, picture.convert("RGB")).convert("L")
    return sum(1 for v in diff.getdata() if v)


def matches(img, x, y, picture):
    return differing_pixels(img, x, y, picture) == 0


def pixel(img, x, y):
    return img.convert("RGB").getpixel((x, y))


# ----------------------------------------------------------------- the bed

class Bed:
    """One test's view of its Wine bed. Use as a context manager."""

    def __init__(self, test_name):
        for name in ("WINEPREFIX", "DISPLAY"):
            if name not in os.environ:
                raise RuntimeError("kvgui must run inside scripts/winebed (%s unset)" % name)
        self.name = test_name
        self.drive_c = Path(os.environ["WINEPREFIX"]) / "drive_c"
        root = Path(os.environ.get("KV_GUI_ARTIFACTS", "gui-artifacts"))
        self.artifacts = root / test_name
        if self.artifacts.exists():
            shutil.rmtree(self.artifacts)
        self.artifacts.mkdir(parents=True)
        self.apps = []
        self._shot_count = 0

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None:
            try:
                self.screenshot("failure")
            except Exception:  # the display may be gone already
                pass
        for app in self.apps:
            app.stop()
        return False

    # -- packages and folders
    def kvpack(self, *args, timeout=60):
        return _run([str(_env_path("KV_KVPACK"))] + [str(a) for a in args], timeout=timeout)

    def make_package(self, dest, staging=None):
        """kvpack sample STAGING, then kvpack build STAGING dest. Returns dest."""
        dest = Path(dest)
        staging = Path(staging) if staging else Path(os.environ.get("KV_BED", "/tmp")) / "staging"
        if not staging.exists():
            self.kvpack("sample", staging)
        dest.mkdir(parents=True, exist_ok=True)
        self.kvpack("build", staging, dest)
        return dest

    def setup_folder(self, name="KVSetup", package=True):
        """A folder on C: with KVSetup.exe and, unless package=False, a sample package."""
        folder = self.drive_c / name
        folder.mkdir(parents=True, exist_ok=True)
        shutil.copy2(_env_path("KV_KVSETUP_EXE"), folder / "KVSetup.exe")
        if package:
            self.make_package(folder)
        return folder

    def windows_path(self, path):
        rel = Path(path).relative_to(self.drive_c)
        return "C:\\" + str(rel).replace("/", "\\")

    # -- the registry
    def reg_query(self, key, value):
        """Data of a registry value as `wine reg query` prints it, or None when
        reg says the key or value is missing."""
        out = reg_query_output(key, value)
        if out is None:
            return None
        for line in out.splitlines():
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[0] == value and parts[1].startswith("REG_"):
                return parts[2].strip() if len(parts) == 3 else ""
        raise RuntimeError("reg query %s /v %s: no such line in %r" % (key, value, out))

    def reg_add(self, key, value, data, kind="REG_SZ"):
        _run(["wine", "reg", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f"])

    # -- starting programs
    def start(self, folder, name="KVSetup.exe"):
        app = App(self, Path(folder) / name)
        self.apps.append(app)
        return app

    def start_through(self, *args):
        """Starts `wine ARGS...`, a Windows program that starts KVSetup.exe
        itself (Wine's uninstaller, say), in the bed's scratch folder; returns
        an App for the KVSetup.exe window it opens. wait_exit then reports the
        starting program's exit code."""
        app = App(self, Path(os.environ.get("KV_BED", "/tmp")) / "KVSetup.exe", list(args))
        self.apps.append(app)
        return app

    # -- the screen and windows
    def screenshot(self, name=None):
        """The whole screen; saved as an artifact when name is given."""
        path = Path(os.environ.get("KV_BED", "/tmp")) / "shot.png"
        _run(["import", "-window", "root", "-display", os.environ["DISPLAY"], str(path)])
        img = Image.open(path).convert("RGB")
        img.load()
        if name:
            self.save(img, name)
        return img

    def save(self, img, name):
        self._shot_count += 1
        img.save(self.artifacts / ("%02d-%s.png" % (self._shot_count, name)))

    def find_windows(self, name_regex):
        """X window ids whose name matches the regex (anchored as xdotool does it)."""
        r = _run(["xdotool", "search", "--name", name_regex], check=False)
        return [int(w) for w in r.stdout.split()]

    def key(self, window, keys):
        """Focuses the X window, then presses keys ('n', 'ctrl+n', 'Return')."""
        _run(["xdotool", "windowfocus", "--sync", str(window)], check=False)
        _run(["xdotool", "key", keys])

    def spy(self, *args):
        """Runs kvwinspy.exe inside the bed; returns its key=value lines as a dict."""
        r = _run(["wine", str(_env_path("KV_WINSPY_EXE"))] + list(args), check=False)
        out = {}
        for line in r.stdout.decode("utf-8", "replace").splitlines():
            if "=" in line:
                k, v = line.split("=", 1)
                if k == "child":
                    out.setdefault("children", []).append(v)
                else:
                    out[k] = v.rstrip("\r")
        out["children"] = [c.rstrip("\r") for c in out.get("children", [])]
        return out

    def message_box(self, caption=ERROR_CAPTION, timeout=15):
        """Waits for a top-level window with that caption; returns its texts:
        {'title', 'texts' (static texts), 'buttons' (button captions)}."""
        wait_until(lambda: self.find_windows("^%s$" % re.escape(caption)), timeout,
                   "a window titled %r" % caption)
        info = self.spy("texts", caption)
        texts, buttons = [], []
        for child in info["children"]:
            cls, _, text = child.partition("|")
            (buttons if cls.lower() == "button" else texts).append(text)
        return {"title": info.get("title"), "texts": [t for t in texts if t], "buttons": buttons}


class App:
    """One KVSetup.exe started with wine in the background."""

    def __init__(self, bed, exe, command=None):
        self.bed = bed
        self.exe = Path(exe)
        self.command = command or [str(self.exe)]
        self.window = None
        self._origin = None
        self._launch()

    def _launch(self):
        self.log_path = self.bed.artifacts / ("wine-%s-%d.log" % (self.exe.stem, len(self.bed.apps)))
        log = open(self.log_path, "ab")
        env = dict(os.environ)
        # Wine's own diagnostics stay on, so that a bed whose graphics driver
        # could not reach the display is told apart from the program ending.
        # KV_WINEDEBUG (e.g. "err+all") adds more.
        env["WINEDEBUG"] = os.environ.get("KV_WINEDEBUG") or "-all,err+winediag"
        self.proc = subprocess.Popen(["wine"] + self.command, cwd=str(self.exe.parent), env=env,
                                     stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        log.close()

    def _display_driver_failed(self):
        try:
            return b"no driver could be loaded" in self.log_path.read_bytes()
        except OSError:
            return False

    # -- life
    def wait_window(self, timeout=30):
        """Waits for the main window (title and class) to be mapped; returns its X id.
        A start that Wine could not connect to the display (a fault of the
        bed, not of the program) is retried once."""
        def find():
            if self.proc.poll() is not None:
                raise RuntimeError("KVSetup.exe ended (%d) before its window appeared" % self.proc.returncode)
            ids = self.bed.find_windows("^%s$" % re.escape(TITLE))
            return ids[0] if ids else None
        try:
            self.window = wait_until(find, timeout, "the main window")
        except RuntimeError:
            if not self._display_driver_failed():
                raise
            print("kvgui: Wine could not reach the display; starting KVSetup.exe again", flush=True)
            self._launch()
            self.window = wait_until(find, timeout, "the main window")
        return self.window

    def wait_exit(self, timeout=15):
        """Waits for the process to end; returns its exit code."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError("waited %.1f s for KVSetup.exe to end" % timeout)

    def running(self):
        return self.proc.poll() is None

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass

    # -- geometry
    def info(self):
        """Styles, rectangles and layered attributes of the main window (kvwinspy)."""
        return self.bed.spy("window", CLASS)

    def client_origin(self, again=False):
        """Screen position of client pixel (0, 0); again: read anew after the window moved."""
        if self._origin is None or again:
            info = wait_until(lambda: (lambda i: i if i.get("found") == "1" else None)(self.info()),
                              10, "kvwinspy to see the main window")
            x, y = (int(v) for v in info["client_origin"].split(","))
            self._origin = (x, y)
        return self._origin

    def _screen(self, x, y):
        ox, oy = self.client_origin()
        return str(ox + x), str(oy + y)

    # -- input (real X input through XTEST)
    def move(self, x, y):
        _run(["xdotool", "mousemove", *self._screen(x, y)])

    def press(self, x, y):
        _run(["xdotool", "mousemove", *self._screen(x, y), "mousedown", "1"])

    def release(self, x, y):
        _run(["xdotool", "mousemove", *self._screen(x, y), "mouseup", "1"])

    def click(self, x, y):
        _run(["xdotool", "mousemove", *self._screen(x, y), "click", "1"])

    def key(self, keys):
        """Presses keys as xdotool names them ('n', 'ctrl+n', 'shift+n') with the
        main window focused."""
        if self.window is None:
            self.wait_window()
        self.bed.key(self.window, keys)

    # -- pictures of the client area
    def shot(self, name=None):
        """The client area (664 x 436) as a picture; saved when name is given."""
        ox, oy = self.client_origin()
        img = crop(self.bed.screenshot(), ox, oy, CLIENT_W, CLIENT_H)
        if name:
            self.bed.save(img, name)
        return img

    def wait_picture(self, x, y, picture, timeout=10, what=None):
        """Waits until the client region at (x, y) equals picture; returns the shot."""
        def check():
            img = self.shot()
            return img if matches(img, x, y, picture) else None
        return wait_until(check, timeout, what or "picture at (%d, %d)" % (x, y), interval=0.1)

    def wait_shot(self, predicate, timeout=10, what="the client area"):
        """Waits until predicate(client shot) is true; returns the shot."""
        def check():
            img = self.shot()
            return img if predicate(img) else None
        return wait_until(check, timeout, what, interval=0.1)


def wait_file(path, timeout=10):
    return wait_until(lambda: Path(path).exists(), timeout, "file %s" % path)


def run(test_functions):
    """Runs the given test functions in order; prints each result. Exit status 1
    when any failed. Each function takes a fresh artifact folder via its own Bed."""
    failed = 0
    names = sys.argv[1:]
    for fn in test_functions:
        if names and fn.__name__ not in names:
            continue
        start = time.monotonic()
        try:
            fn()
            print("PASS %s (%.1f s)" % (fn.__name__, time.monotonic() - start), flush=True)
        except Exception:
            failed += 1
            print("FAIL %s (%.1f s)" % (fn.__name__, time.monotonic() - start), flush=True)
            traceback.print_exc()
    sys.exit(1 if failed else 0)
