"""GUI test of the display scale: with Wine's DPI set, the client area is the
664 x 436 frame at that scale, the start page shows the pictures drawn for it,
and a click at the scaled position of Next acts."""
import subprocess

from kvgui import NEXT, Bed, crop, matches, run, skin, wait_until

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
INSIDE_NEXT = (460, 403)

# DPI, scale in percent (its skin pictures), client width and height.
SCALES = ((120, 125, 830, 545), (144, 150, 996, 654))


def scaled(point, percent):
    return tuple((v * percent + 50) // 100 for v in point)


def set_dpi(bed, dpi):
    """Wine reads LogPixels when its server starts: restart it."""
    bed.reg_add(DESKTOP_KEY, "LogPixels", dpi, "REG_DWORD")
    subprocess.run(["wineserver", "-k"], check=False, timeout=30)
    subprocess.run(["wineserver", "-w"], check=False, timeout=30)


def pages_at_every_scale():
    with Bed("pages_at_every_scale") as bed:
        folder = bed.setup_folder()
        for dpi, percent, width, height in SCALES:
            set_dpi(bed, dpi)
            app = bed.start(folder)
            app.wait_window()
            info = wait_until(lambda: (lambda i: i if i.get("found") == "1" else None)(app.info()),
                              10, "kvwinspy to see the main window")
            assert info["client_size"] == "%d,%d" % (width, height), (dpi, info)
            ox, oy = app.client_origin()

            def client():
                return crop(bed.screenshot(), ox, oy, width, height)

            next_at = scaled(NEXT, percent)
            wait_until(lambda: matches(client(), *next_at, skin("%d/button-next-focus" % percent)),
                       20, "the start page at %d dpi" % dpi)
            bed.save(client(), "start-page-%ddpi" % dpi)
            app.click(*scaled(INSIDE_NEXT, percent))
            wait_until(lambda: matches(client(), *next_at, skin("%d/button-next-disabled" % percent)),
                       10, "the licence page after Next at %d dpi" % dpi)
            app.key("c")
            wait_until(lambda: matches(client(), *next_at, skin("%d/button-next-focus" % percent)),
                       10, "the start page again at %d dpi" % dpi)
            app.key("x")
            assert app.wait_exit() == 0


if __name__ == "__main__":
    run([pages_at_every_scale])
