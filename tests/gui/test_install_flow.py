"""GUI tests of a fresh installation, driven through the wizard with real X input:
the full and the custom road from the start page to the completion page (with the
installed tree, the registry record, the shortcuts and the driver installer's run
checked afterwards), Cancel during the songs, a corrupted song entry, a session
end refused while the install runs, the licence and folder pages' rules, and a
program bound to its package beside a driver installer forged in the package or
replaced after installation."""
import os
import shutil
import subprocess
import time
from pathlib import Path

from kvgui import (BACK, Bed, CHECK_BOXES, NEXT, PRODUCT_KEY, RIGHT, UNINSTALL_KEY, matches,
                   reg_query_output, run, skin, wait_file, wait_until)
from maintenance_bed import DRIVER_KEY, key_exists, on_choice_page, open_choice_page

BROWSE = (478, 290)
AGREE_MARK = (34, 300)
DISAGREE_MARK = (34, 324)
FULL_MARK = (34, 150)
CUSTOM_MARK = (34, 230)
PANEL = (0xF0, 0xF0, 0xF0)  # background of the page body
DIALOG_TITLE = "폴더 선택"        # the line above the dialog's tree
DIALOG_CAPTION = "Browse for Folder"  # Wine's caption of the dialog window

# ----------------------------------------------------------------- set-up


def standin_exe():
    """The driver-installer stand-in built beside the harness's programs."""
    value = os.environ.get("KV_STANDIN_EXE")
    if value:
        return Path(value)
    return Path(os.environ["KV_WINSPY_EXE"]).parents[2] / "tools" / "standin" / "haspdinst.exe"


def prepare(bed, sample_args=(), corrupt_song=False):
    """A setup folder C:\\KVSetup holding KVSetup.exe and a package made from a
    sample staging tree whose driver installer is the stand-in. Returns
    (folder, staging)."""
    staging = bed.artifacts / "staging"
    if staging.exists():
        shutil.rmtree(staging)
    bed.kvpack("sample", staging, *sample_args)
    shutil.copy2(standin_exe(), staging / "Driver" / "haspdinst.exe")
    folder = bed.setup_folder(package=False)
    bed.make_package(folder, staging)
    if corrupt_song:
        flip_byte_of_first_song(folder / "KVSetup.dat", staging)
    return folder, staging


def flip_byte_of_first_song(index_file, staging):
    """Changes one data byte of the first song entry, found by its contents."""
    first = sorted((staging / "SongMR").rglob("*.esz"))[0]
    data = first.read_bytes()
    blob = bytearray(index_file.read_bytes())
    at = blob.find(data[:64])
    assert at > 0 and blob.count(data[:64]) == 1, "the first song's data is not in the index file"
    blob[at + len(data) // 2] ^= 0x5A
    index_file.write_bytes(bytes(blob))


STANDIN_LOG = "C:\\standin.log"


def standin_log(bed):
    return bed.drive_c / "standin.log"


def start_app(bed, folder, driver_delay_ms=0):
    """Starts KVSetup.exe with the stand-in told where to log and how long to run."""
    os.environ["KV_STANDIN_LOG"] = STANDIN_LOG
    os.environ["KV_STANDIN_DELAY_MS"] = str(driver_delay_ms)
    app = bed.start(folder)
    app.wait_window()
    return app


# ----------------------------------------------------------------- pages


def on_start_page(app):
    return app.wait_picture(*NEXT, skin("button-next-focus"), timeout=30, what="the start page")


def on_licence_page(app, agreed=False):
    mark = AGREE_MARK if agreed else DISAGREE_MARK
    next_look = "button-next-focus" if agreed else "button-next-disabled"
    return app.wait_shot(lambda img: matches(img, *mark, skin("option-mark-on"))
                         and matches(img, *NEXT, skin(next_look)),
                         what="the licence page (%s)" % ("agree" if agreed else "do not agree"))


def on_type_page(app, custom=False):
    mark = CUSTOM_MARK if custom else FULL_MARK
    return app.wait_shot(lambda img: matches(img, *mark, skin("option-mark-on"))
                         and matches(img, *BACK, skin("button-back-normal")),
                         what="the install type page")


def on_folder_page(app):
    return app.wait_picture(*BROWSE, skin("button-browse-normal"), what="the install folder page")


def on_feature_page(app, flags):
    def boxes_show(img):
        return all(matches(img, x, y, skin("check-mark-ticked" if flags & (1 << k) else "check-mark-empty"))
                   for k, (x, y) in enumerate(CHECK_BOXES))
    return app.wait_shot(boxes_show, what="the feature page with boxes %d" % flags)


def on_progress_page(app):
    return app.wait_picture(*RIGHT, skin("button-cancel-normal"), what="the install progress page")


def on_completion_page(app, timeout=60):
    return app.wait_picture(*RIGHT, skin("button-finish-focus"), timeout=timeout, what="the completion page")


def on_error_page(app, timeout=60):
    # Exit alone: the pages before it show Back and Next beside their Exit.
    return app.wait_shot(lambda img: matches(img, *RIGHT, skin("button-exit-normal"))
                         and all(p == PANEL for p in img.crop((333, 393, 507, 414)).getdata()),
                         timeout=timeout, what="the error page")


def has_text(img, left, top, right, bottom):
    return any(sum(p) < 200 for p in img.crop((left, top, right, bottom)).getdata())


def walk_to_type_page(app):
    on_start_page(app)
    app.key("n")
    on_licence_page(app)
    app.key("a")
    on_licence_page(app, agreed=True)
    app.key("n")
    on_type_page(app)


def walk_to_folder_page(app):
    """From the start page through the licence to the folder page of a custom installation."""
    walk_to_type_page(app)
    app.key("s")
    on_type_page(app, custom=True)
    app.key("n")
    on_folder_page(app)


def finish(app):
    app.key("c")
    assert app.wait_exit() == 0


# ----------------------------------------------------------------- checks


def installed_files(root):
    return sorted(str(p.relative_to(root)) for p in root.rglob("*") if p.is_file())


def check_tree(install_dir, staging, with_ftdi):
    expected = installed_files(staging)
    if not with_ftdi:
        expected.remove("Driver/FTDIDriver.zip")
    assert installed_files(install_dir) == expected
    for rel in expected:
        assert (install_dir / rel).read_bytes() == (staging / rel).read_bytes(), rel
    for empty in ("Log", "Playlist"):
        assert (install_dir / empty).is_dir() and not any((install_dir / empty).iterdir()), empty


def check_record(bed, folder, install_path):
    assert bed.reg_query(PRODUCT_KEY, "Path") == install_path
    version = bytes.fromhex(bed.reg_query(PRODUCT_KEY, "Version"))
    header = (folder / "KVSetup.dat").read_bytes()
    assert version == header[8:8 + 36] + bytes(220), "Version is not the package's version words"
    assert int(bed.reg_query(PRODUCT_KEY, "Setup"), 16) == 1


def shortcut_files(bed):
    desktop = bed.drive_c / "users" / "Public" / "Desktop"
    programs = bed.drive_c / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Tavenor"
    found = []
    for folder in (desktop, programs):
        if folder.is_dir():
            found += sorted(str(p.relative_to(bed.drive_c)) for p in folder.glob("*.lnk"))
    return found


def driver_runs(bed):
    """(program, command line, window title) of every run of the stand-in."""
    log = standin_log(bed)
    if not log.exists():
        return []
    return [tuple(line.split("\t")) for line in log.read_text(encoding="utf-8").splitlines() if line]


def expect_one_install_run(bed, install_path):
    program = install_path + "\\Driver\\haspdinst.exe"
    runs = driver_runs(bed)
    assert len(runs) == 1 and runs[0][0] == program and runs[0][2] == "HASP Driver Install", runs
    # The program part may be quoted (a folder with blanks); the switch is -i.
    assert runs[0][1] in (program + " -i", '"%s" -i' % program), runs


# ----------------------------------------------------------------- tests


def full_install():
    with Bed("install_full") as bed:
        folder, staging = prepare(bed)
        app = start_app(bed, folder)
        walk_to_type_page(app)
        app.key("n")
        app.shot("progress")
        img = on_completion_page(app)
        bed.save(img, "completion")
        # Four lines after an install: title, two lines and the thank-you line.
        assert has_text(img, 40, 190, 634, 240)
        finish(app)

        check_tree(bed.drive_c / "Tavenor", staging, with_ftdi=True)
        check_record(bed, folder, "C:\\Tavenor")
        links = shortcut_files(bed)
        assert len(links) == 6, links
        assert any(l.endswith("Desktop/Korvane.lnk") for l in links), links
        assert any(l.endswith("Tavenor/Korvane퀵가이드.lnk") for l in links), links
        expect_one_install_run(bed, "C:\\Tavenor")


def open_folder_dialog(bed, app):
    """Browse (key R); waits for the folder dialog and gives it the X focus.
    Returns the dialog's texts (its title line and status text among them)."""
    app.key("r")
    dialog = wait_until(lambda: bed.find_windows("^%s$" % DIALOG_CAPTION), 20, "the folder dialog")[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", str(dialog)], check=False)
    return dialog_texts(bed)


def wait_dialog_status(bed, path):
    """Waits until the dialog's status line shows path (the selection's path)."""
    return wait_until(lambda: (lambda t: t if len(t) > 1 and t[1] == path else None)(dialog_texts(bed)),
                      10, "the folder dialog's status text %s" % path)


def dialog_texts(bed):
    return [c.partition("|")[2] for c in bed.spy("texts", DIALOG_CAPTION)["children"]
            if c.lower().startswith("static|")]


def confirm_folder_dialog(bed, keys):
    """Moves the dialog's tree selection with keys (type-ahead letters, arrows),
    then goes to its OK button and presses it."""
    for k in keys:
        subprocess.run(["xdotool", "key", "--delay", "100", k], check=True)
    # Tree, folder box, New Folder, OK.
    subprocess.run(["xdotool", "key", "--delay", "100", "Tab", "Tab", "Tab"], check=True)
    time.sleep(0.3)  # let the focus settle on OK before the key that presses it
    subprocess.run(["xdotool", "key", "Return"], check=True)
    wait_until(lambda: not bed.find_windows("^%s$" % DIALOG_CAPTION), 20, "the folder dialog to close")


def custom_install():
    with Bed("install_custom") as bed:
        folder, staging = prepare(bed)
        target = bed.drive_c / "Music"  # the only folder of C: that begins with M
        target.mkdir()
        app = start_app(bed, folder)
        walk_to_folder_page(app)
        open_folder_dialog(bed, app)
        # Titled with our line, opened on installDir, which the status shows.
        assert wait_dialog_status(bed, "C:\\Tavenor")[0] == DIALOG_TITLE
        subprocess.run(["xdotool", "type", "--delay", "50", "Music"], check=True)
        wait_dialog_status(bed, "C:\\Music")
        confirm_folder_dialog(bed, [])
        bed.save(bed.screenshot(), "folder-chosen")
        app.key("n")
        img = on_feature_page(app, 7)
        bed.save(img, "features")
        for k, (x, y) in enumerate(CHECK_BOXES):
            app.click(x + 5, y + 5)
        on_feature_page(app, 0)
        app.key("n")
        on_completion_page(app)
        finish(app)

        check_tree(target, staging, with_ftdi=False)
        # The start page made the default folder when it opened the package;
        # nothing may have gone into it.
        assert installed_files(bed.drive_c / "Tavenor") == [], "the default folder was used"
        check_record(bed, folder, "C:\\Music")
        assert shortcut_files(bed) == []
        expect_one_install_run(bed, "C:\\Music")


def folder_dialog_refuses_a_root():
    with Bed("install_root_refused") as bed:
        folder, _ = prepare(bed)
        app = start_app(bed, folder)
        walk_to_folder_page(app)
        open_folder_dialog(bed, app)
        wait_dialog_status(bed, "C:\\Tavenor")
        confirm_folder_dialog(bed, ["Left"])  # from C:\Tavenor up to the drive C:
        box = bed.message_box("오류")
        assert box["texts"] == ["Root 폴더에는 설치을 수 없습니다."], box
        subprocess.run(["xdotool", "key", "Return"], check=True)
        wait_until(lambda: not bed.find_windows("^오류$"), 10, "the message box to close")
        # installDir kept its value: the dialog opens on it again.
        open_folder_dialog(bed, app)
        wait_dialog_status(bed, "C:\\Tavenor")
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        wait_until(lambda: not bed.find_windows("^%s$" % DIALOG_CAPTION), 10, "the dialog to close")
        on_folder_page(app)
        app.key("c")
        assert app.wait_exit() == 0


def cancel_during_songs():
    with Bed("install_cancel") as bed:
        folder, staging = prepare(bed, ("--songs", "1000", "--scale", str(32 << 20)))
        app = start_app(bed, folder)
        walk_to_type_page(app)
        app.key("n")
        songs = bed.drive_c / "Tavenor" / "SongMR"
        wait_file(songs / "00" / "000.esz", timeout=30)
        app.key("c")
        assert app.wait_exit() == 0
        written = sorted(songs.rglob("*.esz"))
        print("songs written before Cancel: %d of 1000" % len(written))
        assert written, "the songs written so far must stay"
        assert len(written) < 1000, "Cancel came after the last song"
        assert (bed.drive_c / "Tavenor" / "Korvane.exe").exists()
        assert not (bed.drive_c / "Tavenor" / "MR").exists()
        assert bed.reg_query(PRODUCT_KEY, "Path") is None
        assert reg_query_output(UNINSTALL_KEY) is None, "a cancelled install is listed"


def corrupted_song():
    with Bed("install_corrupted_song") as bed:
        folder, staging = prepare(bed, corrupt_song=True)
        app = start_app(bed, folder)
        walk_to_type_page(app)
        app.key("n")
        img = on_error_page(app)
        bed.save(img, "error")
        assert not has_text(img, 40, 150, 634, 240), "the error page has only its two lines"
        assert (bed.drive_c / "Tavenor" / "Korvane.exe").exists(), "files before the bad song stay"
        assert bed.reg_query(PRODUCT_KEY, "Path") is None
        assert reg_query_output(UNINSTALL_KEY) is None, "a failed install is listed"
        finish(app)


def end_session():
    """Wine's session end: every top-level window is asked as at a shutdown
    (WM_QUERYENDSESSION), and a process whose windows agree is ended. Returns
    wineboot's status, 0 only when every window agreed."""
    return subprocess.run(["wine", "wineboot", "--end-session", "--shutdown"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=60).returncode


def session_end_waits_for_the_install():
    with Bed("install_session_end") as bed:
        folder, staging = prepare(bed)
        # The driver installer runs for seconds, and the worker waits for it.
        app = start_app(bed, folder, driver_delay_ms=8000)
        on_start_page(app)
        # Wine's desktop announces no taskbar button; announced, the pages run
        # with Wine's taskbar object.
        assert bed.spy("post", "KVSETUP", "TaskbarButtonCreated", "0").get("posted") == "1"
        walk_to_type_page(app)
        app.key("n")
        wait_until(lambda: driver_runs(bed), 30, "the driver installer's start")
        assert end_session() != 0, "the session end was not refused during the install"
        assert app.running()
        on_completion_page(app)
        finish(app)
        check_tree(bed.drive_c / "Tavenor", staging, with_ftdi=True)
        check_record(bed, folder, "C:\\Tavenor")
        expect_one_install_run(bed, "C:\\Tavenor")

        # No operation runs on the start page: the session ends, the program with it.
        app = start_app(bed, folder)
        on_start_page(app)
        assert end_session() == 0
        app.wait_exit()


def licence_next_needs_agree():
    with Bed("install_licence_next") as bed:
        folder, _ = prepare(bed)
        app = start_app(bed, folder)
        on_start_page(app)
        app.key("n")
        on_licence_page(app)
        # Next is no control while do-not-agree is chosen: its key, a click and
        # a press do nothing. Messages are handled in order, so once the later
        # agree shows, the earlier input has been handled.
        app.key("n")
        app.click(NEXT[0] + 40, NEXT[1] + 10)
        app.press(NEXT[0] + 40, NEXT[1] + 10)
        app.release(NEXT[0] + 40, NEXT[1] + 10)
        app.key("a")
        img = on_licence_page(app, agreed=True)
        bed.save(img, "agreed")
        app.key("d")
        on_licence_page(app)
        app.key("n")
        app.click(AGREE_MARK[0] + 8, AGREE_MARK[1] + 8)
        on_licence_page(app, agreed=True)
        app.click(NEXT[0] + 40, NEXT[1] + 10)
        on_type_page(app)
        finish(app)


def folder_back_to_licence():
    with Bed("install_folder_back") as bed:
        folder, _ = prepare(bed)
        app = start_app(bed, folder)
        walk_to_folder_page(app)
        app.key("b")
        img = on_licence_page(app)
        bed.save(img, "licence-again")
        app.key("c")  # Exit on the licence page leads to the start page
        on_start_page(app)
        app.key("x")
        assert app.wait_exit() == 0


# ----------------------------------------------------------------- a bound program

def write_forged_standin(path):
    """The stand-in with one letter of its DOS stub message changed: as runnable
    and as large as the stand-in, so only its digest tells them apart."""
    data = bytearray(standin_exe().read_bytes())
    at = data.find(b"DOS mode")
    assert at > 0, "the stand-in has no DOS stub message"
    data[at] ^= 0x20
    Path(path).write_bytes(bytes(data))


def bound_exe_runs_only_its_own_driver_installer():
    with Bed("install_bound_driver") as bed:
        folder, staging = prepare(bed)
        bed.kvpack("bind", folder / "KVSetup.exe", folder)
        # The same package with another driver installer of the same size,
        # packed anew (so its entry's CRC fits), beside the same bound program.
        forged_staging = bed.artifacts / "forged-staging"
        shutil.rmtree(forged_staging, ignore_errors=True)
        shutil.copytree(staging, forged_staging)
        write_forged_standin(forged_staging / "Driver" / "haspdinst.exe")
        forged = bed.setup_folder("KVForged", package=False)
        bed.make_package(forged, forged_staging)
        shutil.copy2(folder / "KVSetup.exe", forged / "KVSetup.exe")

        app = start_app(bed, forged)
        walk_to_type_page(app)
        app.key("n")
        bed.save(on_error_page(app), "forged-package")
        finish(app)
        assert driver_runs(bed) == [], "the forged driver installer ran"
        assert bed.reg_query(PRODUCT_KEY, "Path") is None, "the refused installation was recorded"

        app = start_app(bed, folder)
        walk_to_type_page(app)
        app.key("n")
        on_completion_page(app)
        finish(app)
        expect_one_install_run(bed, "C:\\Tavenor")
        assert bed.reg_query(PRODUCT_KEY, "Path") == "C:\\Tavenor"

        # Replaced on disk after the installation: the removal goes on without it.
        write_forged_standin(bed.drive_c / "Tavenor" / "Driver" / "haspdinst.exe")
        standin_log(bed).unlink()
        app = open_choice_page(bed, folder)
        app.key("r")
        on_choice_page(app, chosen=2)
        app.key("n")
        on_completion_page(app)
        finish(app)
        assert driver_runs(bed) == [], "the replaced driver installer ran"
        assert key_exists(DRIVER_KEY), "the driver was removed by a program that must not run"
        assert bed.reg_query(PRODUCT_KEY, "Path") is None, "the removal did not go on"


if __name__ == "__main__":
    run([full_install, custom_install, folder_dialog_refuses_a_root, cancel_during_songs, corrupted_song,
         session_end_waits_for_the_install, licence_next_needs_agree, folder_back_to_licence, bound_exe_runs_only_its_own_driver_installer])
