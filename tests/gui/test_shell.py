"""GUI tests of the shell and the start page: single instance, the window's
shape and colour key, the start page's buttons, hover and press rules, keys,
window commands, and the package-check failures shown over the error page."""
import os
import subprocess
import sys
from pathlib import Path

from kvgui import (BACK, Bed, CLIENT_H, CLIENT_W, NEXT, RIGHT, crop, matches, pixel, run, skin,
                   wait_until)

EXIT = RIGHT
INSIDE_NEXT = (460, 403)
INSIDE_EXIT = (550, 403)
AWAY = (200, 300)
PANEL = (0xF0, 0xF0, 0xF0)  # background of rows 68-375 and 378-435

WS_THICKFRAME = 0x00040000
WS_MAXIMIZEBOX = 0x00010000
WS_MINIMIZEBOX = 0x00020000
WS_SYSMENU = 0x00080000
WS_EX_LAYERED = 0x00080000
LWA_COLORKEY = 0x1


def start_page(bed, app):
    """Waits for the start page: Next in its focus look, Exit normal."""
    app.wait_window()
    return app.wait_picture(*NEXT, skin("button-next-focus"), timeout=20, what="the start page")


def blank(img, x, y, w, h, colour=PANEL):
    region = crop(img, x, y, w, h)
    return all(p == colour for p in region.getdata())


def single_instance():
    with Bed("single_instance") as bed:
        folder = bed.setup_folder()
        first = bed.start(folder)
        start_page(bed, first)
        second = bed.start(folder)
        assert second.wait_exit(timeout=20) == 0, "a second copy must exit with 0"
        assert len(bed.find_windows("^Korvane 설치$")) == 1, "the second copy showed a window"
        assert first.running()
        first.key("x")
        assert first.wait_exit() == 0


def window_geometry():
    with Bed("window_geometry") as bed:
        app = bed.start(bed.setup_folder())
        img = start_page(bed, app)
        bed.screenshot("screen")
        info = app.info()
        assert info["client_size"] == "%d,%d" % (CLIENT_W, CLIENT_H), info
        style = int(info["style"], 16)
        assert not style & WS_THICKFRAME, "resizable frame"
        assert not style & WS_MAXIMIZEBOX, "maximise box"
        assert style & WS_MINIMIZEBOX and style & WS_SYSMENU
        assert int(info["exstyle"], 16) & WS_EX_LAYERED
        assert info["layered"] == "1" and info["colour_key"] == "0xcfcdcf", info
        assert int(info["layered_flags"], 16) == LWA_COLORKEY, info
        # Centred by the client size on the primary screen.
        sw, sh = (int(v) for v in info["screen"].split(","))
        left, top = (int(v) for v in info["window"].split(",")[:2])
        assert (left, top) == ((sw - CLIENT_W) // 2, (sh - CLIENT_H) // 2), info
        # The colour-keyed layered window really shows its frame on X: the
        # etched line and the panel colour where the back buffer has them.
        assert pixel(img, 5, 66) == (0xA0, 0xA0, 0xA0) and pixel(img, 5, 67) == (0xFF, 0xFF, 0xFF)
        assert pixel(img, 5, 200) == PANEL
        assert not any(p == (0xCF, 0xCD, 0xCF) for p in img.getdata())
        app.key("x")
        assert app.wait_exit() == 0


def start_page_looks():
    with Bed("start_page_looks") as bed:
        app = bed.start(bed.setup_folder())
        start_page(bed, app)
        img = app.shot("start-page")
        assert matches(img, *NEXT, skin("button-next-focus"))
        assert matches(img, *EXIT, skin("button-exit-normal"))
        assert blank(img, *BACK, 85, 21), "the start page has no Back button"
        # Title and the two instruction lines are drawn in their rectangles.
        for left, top, right, bottom in ((60, 20, 634, 50), (60, 200, 634, 230), (60, 230, 634, 260)):
            dark = [p for p in crop(img, left, top, right - left, bottom - top).getdata() if sum(p) < 200]
            assert dark, "no text in (%d, %d, %d, %d)" % (left, top, right, bottom)


def signed_start_page():
    """The program as a release signs it (scripts/sign, with the test authority
    when no publisher certificate is set) verifies and still starts."""
    with Bed("signed_start_page") as bed:
        folder = bed.setup_folder()
        exe = folder / "KVSetup.exe"
        root = Path(__file__).resolve().parents[2]
        subprocess.run([str(root / "scripts" / "sign"), str(exe), str(folder / "signed.exe")],
                       check=True, timeout=120,
                       env={k: v for k, v in os.environ.items() if not k.startswith("KV_SIGN_")})
        subprocess.run(["osslsigncode", "verify", "-CAfile", str(root / "build" / "test-signing" / "ca.crt"),
                        "-in", str(folder / "signed.exe")], check=True, timeout=60,
                       stdout=subprocess.DEVNULL)
        (folder / "signed.exe").replace(exe)
        app = bed.start(folder)
        start_page(bed, app)
        app.key("x")
        assert app.wait_exit() == 0


def start_page_hover():
    with Bed("start_page_hover") as bed:
        app = bed.start(bed.setup_folder())
        start_page(bed, app)
        app.move(*INSIDE_NEXT)
        app.wait_picture(*NEXT, skin("button-next-hover"), what="Next hover look")
        app.move(*INSIDE_EXIT)
        img = app.wait_picture(*EXIT, skin("button-exit-hover"), what="Exit hover look")
        assert matches(img, *NEXT, skin("button-next-focus")), "Next keeps its focus look"
        bed.save(img, "exit-hover")
        # The gap between the buttons belongs to neither.
        app.move(507, 400)
        img = app.wait_picture(*EXIT, skin("button-exit-normal"), what="Exit back to normal")
        assert matches(img, *NEXT, skin("button-next-focus"))
        app.key("x")
        assert app.wait_exit() == 0


def press_release_rules():
    with Bed("press_release_rules") as bed:
        app = bed.start(bed.setup_folder())
        start_page(bed, app)
        # Press Next, move over Exit, release there: nothing happens, and the
        # press keeps its look while held.
        app.press(*INSIDE_NEXT)
        app.wait_picture(*NEXT, skin("button-next-pressed"), what="Next pressed")
        app.move(*INSIDE_EXIT)
        app.release(*INSIDE_EXIT)
        img = app.wait_picture(*NEXT, skin("button-next-focus"), what="Next back to its focus look")
        assert matches(img, *EXIT, skin("button-exit-normal")), "the release must not act on Exit"
        app.move(INSIDE_EXIT[0] + 5, INSIDE_EXIT[1])
        app.wait_picture(*EXIT, skin("button-exit-hover"), what="Exit hover after a move")
        assert app.running()
        # Press Exit and release outside: nothing; the press takes the focus.
        app.press(*INSIDE_EXIT)
        img = app.wait_picture(*EXIT, skin("button-exit-pressed"), what="Exit pressed")
        assert matches(img, *NEXT, skin("button-next-normal")), "the press takes the focus look"
        app.release(*AWAY)
        app.move(*AWAY)
        app.wait_picture(*EXIT, skin("button-exit-focus"), what="Exit focused after the release")
        assert app.running()
        # Press Next, move within it, release: the page changes.
        app.press(*INSIDE_NEXT)
        app.wait_picture(*NEXT, skin("button-next-pressed"), what="Next pressed again")
        app.move(INSIDE_NEXT[0] + 20, INSIDE_NEXT[1] + 3)
        before = app.shot()
        app.release(INSIDE_NEXT[0] + 20, INSIDE_NEXT[1] + 3)
        app.wait_shot(lambda img: crop(img, 0, 0, CLIENT_W, 120) != crop(before, 0, 0, CLIENT_W, 120),
                      what="the next page")
        app.shot("after-next")
        assert app.running()


def keys_on_start_page():
    with Bed("keys_on_start_page") as bed:
        app = bed.start(bed.setup_folder())
        before = start_page(bed, app)
        for keys in ("ctrl+n", "ctrl+x", "c", "b"):
            app.key(keys)
        # X events arrive in order: once the hover drawn after the keys shows,
        # the keys have been handled.
        app.move(*INSIDE_EXIT)
        img = app.wait_picture(*EXIT, skin("button-exit-hover"), what="Exit hover after the keys")
        assert crop(img, 0, 0, CLIENT_W, 380) == crop(before, 0, 0, CLIENT_W, 380), "a key changed the page"
        assert app.running()
        app.key("x")
        assert app.wait_exit() == 0


def window_commands():
    with Bed("window_commands") as bed:
        app = bed.start(bed.setup_folder())
        start_page(bed, app)
        assert bed.spy("post", "KVSETUP", "0x111", "104").get("posted") == "1"
        app.move(*INSIDE_EXIT)
        app.wait_picture(*EXIT, skin("button-exit-hover"), what="hover after command 104")
        assert app.running(), "command 104 must be ignored"
        assert bed.spy("post", "KVSETUP", "0x111", "105").get("posted") == "1"
        assert app.wait_exit() == 0


def expect_package_error(bed, folder, message, name):
    app = bed.start(folder)
    box = bed.message_box("오류", timeout=30)
    assert box["title"] == "오류"
    assert box["texts"] == [message], box
    # The error page is current behind the box: its Exit button, no Next.
    img = app.wait_picture(*EXIT, skin("button-exit-normal"), timeout=15, what="the error page")
    bed.screenshot(name)
    assert blank(img, *NEXT, 85, 21), "the start page's Next button was drawn"
    # Close the box, then Exit on the error page ends the program with 0.
    bed.key(bed.find_windows("^오류$")[0], "Return")
    wait_until(lambda: not bed.find_windows("^오류$"), 10, "the box to close")
    app.click(*INSIDE_EXIT)
    assert app.wait_exit() == 0


def missing_index_file():
    with Bed("missing_index_file") as bed:
        folder = bed.setup_folder(package=False)
        expect_package_error(bed, folder, "KVSetup.dat 파일이 없습니다.", "missing-index-file")


def short_data_part():
    with Bed("short_data_part") as bed:
        folder = bed.setup_folder()
        parts = sorted(folder.glob("KVSetup.d[0-9][0-9]"))
        assert parts, "the sample package has no data part"
        last = parts[-1]
        data = last.read_bytes()
        last.write_bytes(data[:-1])
        expect_package_error(bed, folder, "KVSetup.d0x 파일 크기 오류", "short-data-part")


if __name__ == "__main__":
    run([single_instance, window_geometry, start_page_looks, signed_start_page, start_page_hover,
         press_release_rules, keys_on_start_page, window_commands, missing_index_file,
         short_data_part])
