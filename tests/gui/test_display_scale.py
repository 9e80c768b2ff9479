"""GUI tests of the display scale: with Wine's DPI set, the client area is the
664 x 436 frame at that scale, the start page shows the pictures drawn for it,
and a click at the scaled position of Next acts; a change of DPI while a page
is shown draws that page, its state and its box anew at the new scale."""
import subprocess

from kvgui import BACK, NEXT, Bed, crop, matches, pixel, run, skin, wait_until

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
INSIDE_NEXT = (460, 403)
AGREE_MARK = (34, 300)
LICENCE_BOX_LEFT = (35, 200)  # a point of the licence box's left border
PANEL = (0xF0, 0xF0, 0xF0)
WM_DPICHANGED = "0x2E0"

# DPI, scale in percent (its skin pictures), client width and height.
SCALES = ((120, 125, 830, 545), (144, 150, 996, 654))


def scaled(point, percent):
    return tuple((v * percent + 50) // 100 for v in point)


def set_dpi(bed, dpi):
    """Wine reads LogPixels when its server starts: restart it."""
    bed.reg_add(DESKTOP_KEY, "LogPixels", dpi, "REG_DWORD")
    subprocess.run(["wineserver", "-k"], check=False, timeout=30)
    subprocess.run(["wineserver", "-w"], check=False, timeout=30)


def client_size(app):
    info = wait_until(lambda: (lambda i: i if i.get("found") == "1" else None)(app.info()),
                      10, "kvwinspy to see the main window")
    return info["client_size"]


def client_shot(bed, app, width, height):
    ox, oy = app.client_origin()
    return crop(bed.screenshot(), ox, oy, width, height)


def pages_at_every_scale():
    with Bed("pages_at_every_scale") as bed:
        folder = bed.setup_folder()
        for dpi, percent, width, height in SCALES:
            set_dpi(bed, dpi)
            app = bed.start(folder)
            app.wait_window()
            assert client_size(app) == "%d,%d" % (width, height), dpi

            def client():
                return client_shot(bed, app, width, height)

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


def dpi_change_redraws_the_page():
    with Bed("dpi_change_redraws_the_page") as bed:
        app = bed.start(bed.setup_folder())
        app.wait_window()
        app.wait_picture(*NEXT, skin("button-next-focus"), timeout=20, what="the start page")
        app.key("n")
        app.wait_picture(*NEXT, skin("button-next-disabled"), what="the licence page")
        app.key("a")
        app.wait_picture(*AGREE_MARK, skin("option-mark-on"), what="agree chosen")
        # Windows passes the suggested rectangle; without one the window keeps its place.
        assert bed.spy("post", "KVSETUP", WM_DPICHANGED, str(144 << 16 | 144)).get("posted") == "1"
        wait_until(lambda: client_size(app) == "996,654", 10, "the client area at 144 dpi")
        # The window kept its top-left corner unless it had to move into the screen.
        app.client_origin(again=True)

        def client():
            return client_shot(bed, app, 996, 654)

        img = wait_until(lambda: (lambda i: i if matches(i, *scaled(AGREE_MARK, 150), skin("150/option-mark-on"))
                                  and matches(i, *scaled(NEXT, 150), skin("150/button-next-focus")) else None)(client()),
                         10, "the licence page with agree chosen at 150 %")
        bed.save(img, "licence-150")
        assert pixel(img, *scaled(LICENCE_BOX_LEFT, 150)) != PANEL, "the box was not moved"
        app.click(*scaled(INSIDE_NEXT, 150))
        wait_until(lambda: matches(client(), *scaled(BACK, 150), skin("150/button-back-normal"))
                   and not matches(client(), *scaled(NEXT, 150), skin("150/button-next-disabled")),
                   10, "the install type page after Next")
        app.key("c")
        assert app.wait_exit() == 0


if __name__ == "__main__":
    run([pages_at_every_scale, dpi_change_redraws_the_page])
