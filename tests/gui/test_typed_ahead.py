"""GUI test of keys typed ahead of a page, as on a machine that stalls while the
user types: the keys reach the window together, after a page switch and before
the new page has been entered. They must not act with the previous page's
state: Back and Next on the install type page must not pass the licence page
without an agreement, and a maintenance choice typed ahead on the start page
must not remove, repair or modify anything, least of all the default folder
instead of the recorded one."""
from kvgui import Bed, CLASS, matches, run, skin
from maintenance_bed import (BACK, FULL_INSTALL_MARK, LICENCE_AGREE_MARK, NEXT,
                             PRODUCT_KEY, driver_runs, file_stamps, install, install_dir,
                             on_choice_page, on_start_page, prepare, shortcut_files, start_app,
                             tree_files)

LICENCE_DISAGREE_MARK = (34, 324)
RECORDED_PATH = "C:\\Music"

# What the keys would have chosen, and the keys typed ahead on the start page.
MAINTENANCE_CASES = (
    ("remove", "NRN"),
    ("repair", "NEN"),
    ("modify", "NN"),
)


def type_ahead(bed, keys):
    """Posts the key presses to the main window while its thread is held: when
    it runs again all of them are waiting, ahead of its frame timer."""
    out = bed.spy("held-keys", CLASS, keys)
    assert out.get("held") == "1" and out.get("posted") == str(len(keys)), out


def on_licence_page(app, agreed):
    mark = LICENCE_AGREE_MARK if agreed else LICENCE_DISAGREE_MARK
    look = "button-next-focus" if agreed else "button-next-disabled"
    return app.wait_shot(lambda img: matches(img, *mark, skin("option-mark-on"))
                         and matches(img, *NEXT, skin(look)),
                         what="the licence page (%s)" % ("agree" if agreed else "do not agree"))


def on_type_page(app):
    return app.wait_shot(lambda img: matches(img, *FULL_INSTALL_MARK, skin("option-mark-on"))
                         and matches(img, *BACK, skin("button-back-normal")),
                         what="the install type page")


def link_stamps(bed):
    """Shortcut path -> (size, modification time in ns)."""
    stamps = {}
    for rel in shortcut_files(bed):
        st = (bed.drive_c / rel).stat()
        stamps[rel] = (st.st_size, st.st_mtime_ns)
    return stamps


def keys_typed_ahead():
    with Bed("typed_ahead") as bed:
        folder, _ = prepare(bed)

        # Agree, Next, then Back and Next at once: the licence page again, not agreed.
        app = start_app(bed, folder)
        on_start_page(app)
        app.key("n")
        on_licence_page(app, agreed=False)
        app.key("a")
        on_licence_page(app, agreed=True)
        app.key("n")
        on_type_page(app)
        type_ahead(bed, "BN")
        bed.save(on_licence_page(app, agreed=False), "licence")
        app.key("c")
        on_start_page(app)
        app.key("x")
        assert app.wait_exit() == 0

        # An installation recorded in C:\Music, not in the default folder.
        install(bed, folder)
        music = bed.drive_c / "Music"
        install_dir(bed).rename(music)
        bed.reg_add(PRODUCT_KEY, "Path", RECORDED_PATH)
        tree = file_stamps(music)
        links = link_stamps(bed)
        assert links, "the installation made no shortcuts"

        for name, keys in MAINTENANCE_CASES:
            print("typed ahead on the start page: %s (%s)" % (keys, name), flush=True)
            app = start_app(bed, folder)
            on_start_page(app)
            type_ahead(bed, keys)
            # Only the first N acted: the choice page, entered afresh.
            bed.save(on_choice_page(app, chosen=0), name)
            app.key("c")
            assert app.wait_exit() == 0
            assert bed.reg_query(PRODUCT_KEY, "Path") == RECORDED_PATH, name
            assert file_stamps(music) == tree, name
            # The start page makes the default folder; nothing may land in it.
            assert tree_files(install_dir(bed)) == [], name
            assert link_stamps(bed) == links, name
            assert driver_runs(bed) == [], name


if __name__ == "__main__":
    run([keys_typed_ahead])
