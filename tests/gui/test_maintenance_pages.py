"""GUI tests of the maintenance pages' own rules, on an installation made through
the wizard: the choice page (reset on every entry, marks only clickable, X
ignored and C closing) and the modify options page (the required-space line
following the boxes, press rules of the boxes, Back and Next resetting them)."""
from kvgui import Bed, crop, matches, run, skin
from maintenance_bed import (BACK, CHECK_BOXES, INSTALL_PATH, NEXT, OPTION_MARKS, PRODUCT_KEY,
                             REQUIRED_SPACE_BAND, boxes_show, file_stamps, install, install_dir,
                             on_choice_page, on_options_page, on_start_page, open_choice_page,
                             options_show, prepare)


def press_back_and_drop(app, check):
    """Presses Back and waits for its pressed look with check(shot) holding: X
    input is handled in order, so everything sent before has been handled by
    then. A move then drops the press, and the release performs nothing."""
    app.press(BACK[0] + 40, BACK[1] + 10)
    img = app.wait_shot(lambda shot: matches(shot, *BACK, skin("button-back-pressed")) and check(shot),
                        what="Back pressed, with the earlier input handled")
    app.move(300, 250)
    app.release(300, 250)
    return img


def choice_page_rules():
    with Bed("maintenance_choice_rules") as bed:
        folder, _ = prepare(bed)
        install(bed, folder)
        before = file_stamps(install_dir(bed))
        app = open_choice_page(bed, folder)

        # A choice undone with Back is forgotten.
        app.key("r")
        on_choice_page(app, chosen=2)
        app.key("b")
        on_start_page(app)
        app.key("n")
        on_choice_page(app, chosen=0)

        # Keys E and M choose; a click on a mark chooses, a click on the
        # option's caption or picture does not; X does nothing.
        app.key("e")
        on_choice_page(app, chosen=1)
        x, y = OPTION_MARKS[2]
        app.click(x + 8, y + 8)
        on_choice_page(app, chosen=2)
        app.click(80, 218)   # the caption of repair
        app.click(80, 250)   # the repair picture
        app.key("x")
        img = press_back_and_drop(app, lambda shot: options_show(shot, 2))
        bed.save(img, "after-x")
        assert app.running(), "X closed the program on the choice page"
        # A press on a mark released elsewhere chooses nothing.
        x, y = OPTION_MARKS[0]
        app.press(x + 8, y + 8)
        app.release(x + 8, y + 40)
        press_back_and_drop(app, lambda shot: options_show(shot, 2))

        # C closes the program and changes nothing.
        app.key("c")
        assert app.wait_exit() == 0
        assert file_stamps(install_dir(bed)) == before
        assert bed.reg_query(PRODUCT_KEY, "Path") == INSTALL_PATH


def band(img):
    return crop(img, *REQUIRED_SPACE_BAND[:2], REQUIRED_SPACE_BAND[2] - REQUIRED_SPACE_BAND[0],
                REQUIRED_SPACE_BAND[3] - REQUIRED_SPACE_BAND[1])


def has_text(img):
    return any(sum(p) < 300 for p in img.getdata())


def modify_options_rules():
    with Bed("maintenance_modify_options") as bed:
        folder, _ = prepare(bed)
        install(bed, folder)
        app = open_choice_page(bed, folder)
        app.key("n")
        img = on_options_page(app, 7)
        bed.save(img, "all-ticked")
        all_ticked = band(img)
        assert has_text(all_ticked), "no required-space line"
        assert has_text(crop(img, 40, 300, 594, 48)), "no free and total space lines"

        def toggle(box, flags):
            x, y = CHECK_BOXES[box]
            app.click(x + 5, y + 5)
            return band(on_options_page(app, flags))

        # The two shortcut items need the same space, so unticking either one
        # shows the same line; unticking the FTDI package shows another.
        without_desktop = toggle(0, 6)
        assert without_desktop != all_ticked
        assert toggle(0, 7) == all_ticked, "the line does not come back with the box"
        without_start_menu = toggle(1, 5)
        assert without_start_menu == without_desktop
        only_desktop = toggle(2, 1)
        assert only_desktop not in (without_desktop, all_ticked)
        nothing = toggle(0, 0)
        assert nothing not in (only_desktop, without_desktop, all_ticked)
        assert has_text(nothing)

        # A box pressed and released outside it does not toggle; X does nothing.
        x, y = CHECK_BOXES[2]
        app.press(x + 5, y + 5)
        app.release(x + 5, y + 30)
        app.key("x")
        press_back_and_drop(app, lambda shot: boxes_show(shot, 0))
        assert app.running(), "X closed the program on the modify options page"

        # Back, then Next with modify chosen: all three boxes again.
        app.key("b")
        on_choice_page(app, chosen=0)
        app.click(NEXT[0] + 40, NEXT[1] + 10)
        img = on_options_page(app, 7)
        assert band(img) == all_ticked
        app.key("c")
        assert app.wait_exit() == 0


if __name__ == "__main__":
    run([choice_page_rules, modify_options_rules])
