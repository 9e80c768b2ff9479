"""Set-up shared by the maintenance GUI tests (test_maintenance_*.py): a package
whose driver installer is the stand-in, an installation made by the setup
program's own install road through the wizard, and the looks by which the
maintenance pages are recognised."""
import os
import shutil
import subprocess
from pathlib import Path

from kvgui import (BACK, CHECK_BOXES, NEXT, PRODUCT_KEY, RIGHT, matches,  # noqa: F401 (re-exported)
                   reg_query_output, skin)

OPTION_MARKS = ((34, 120), (34, 210), (34, 300))  # modify, repair, remove
LICENCE_AGREE_MARK = (34, 300)
FULL_INSTALL_MARK = (34, 150)
REQUIRED_SPACE_BAND = (0, 278, 664, 300)          # rows 278-299, the MB line

PRODUCT_PARENT_KEY = r"HKLM\Software\Korvane"
BRAND_KEY = r"HKLM\Software\Tavenor\TN"
DRIVER_KEY = r"HKLM\SOFTWARE\Aladdin Knowledge Systems\HASP\Driver\Installer"
STANDIN_LOG = "C:\\standin.log"
INSTALL_PATH = "C:\\Tavenor"


def standin_exe():
    """The driver-installer stand-in, built beside the harness's programs."""
    value = os.environ.get("KV_STANDIN_EXE")
    if value:
        return Path(value)
    return Path(os.environ["KV_WINSPY_EXE"]).parents[2] / "tools" / "standin" / "haspdinst.exe"


def prepare(bed, sample_args=()):
    """C:\\KVSetup with KVSetup.exe and a package made from a sample staging tree
    whose Driver\\haspdinst.exe is the stand-in. The sample's MR files are
    90001-90030 (the numbers a removal deletes), except MR 90007, which
    becomes MR 7, outside that range. Returns (folder, staging)."""
    staging = Path(os.environ.get("KV_BED", str(bed.artifacts))) / "maintenance-staging"
    if staging.exists():
        shutil.rmtree(staging)
    bed.kvpack("sample", *sample_args, staging)
    shutil.copy2(standin_exe(), staging / "Driver" / "haspdinst.exe")
    (staging / "MR" / "000").mkdir()
    (staging / "MR" / "900" / "90007.emr").rename(staging / "MR" / "000" / "00007.emr")
    folder = bed.setup_folder(package=False)
    bed.make_package(folder, staging)
    return folder, staging


def install_dir(bed):
    return bed.drive_c / "Tavenor"


def start_app(bed, folder, driver_delay_ms=0):
    """Starts KVSetup.exe; the stand-in logs to C:\\standin.log and waits
    driver_delay_ms before its work."""
    os.environ["KV_STANDIN_LOG"] = STANDIN_LOG
    os.environ["KV_STANDIN_DELAY_MS"] = str(driver_delay_ms)
    app = bed.start(folder)
    app.wait_window()
    return app


# ----------------------------------------------------------------- pages

def on_start_page(app):
    return app.wait_picture(*NEXT, skin("button-next-focus"), timeout=30, what="the start page")


def options_show(img, chosen):
    return all(matches(img, x, y, skin("option-mark-on" if k == chosen else "option-mark-off"))
               for k, (x, y) in enumerate(OPTION_MARKS))


def on_choice_page(app, chosen=0):
    names = ("modify", "repair", "remove")
    return app.wait_shot(lambda img: options_show(img, chosen)
                         and matches(img, *BACK, skin("button-back-normal"))
                         and matches(img, *RIGHT, skin("button-exit-normal")),
                         what="the maintenance choice page with %s chosen" % names[chosen])


def boxes_show(img, flags):
    return all(matches(img, x, y, skin("check-mark-ticked" if flags & (1 << k) else "check-mark-empty"))
               for k, (x, y) in enumerate(CHECK_BOXES))


def on_options_page(app, flags=7):
    return app.wait_shot(lambda img: boxes_show(img, flags)
                         and matches(img, *BACK, skin("button-back-normal")),
                         what="the modify options page with boxes %d" % flags)


def on_progress_page(app):
    return app.wait_picture(*RIGHT, skin("button-cancel-normal"), what="a progress page")


def on_completion_page(app, timeout=40):
    return app.wait_picture(*RIGHT, skin("button-finish-focus"), timeout=timeout,
                            what="the completion page")


def finish(app):
    app.key("c")
    assert app.wait_exit() == 0


# ----------------------------------------------------------------- the installation

def install(bed, folder):
    """Installs the package into C:\\Tavenor through the wizard (full
    installation: all files, six shortcuts, the record, the stand-in run with
    -i), then forgets the stand-in's runs so far."""
    app = start_app(bed, folder)
    on_start_page(app)
    app.key("n")
    app.wait_picture(*NEXT, skin("button-next-disabled"), what="the licence page")
    app.key("a")
    app.wait_picture(*NEXT, skin("button-next-focus"), what="agreement on the licence page")
    app.key("n")
    app.wait_shot(lambda img: matches(img, *FULL_INSTALL_MARK, skin("option-mark-on"))
                  and matches(img, *BACK, skin("button-back-normal")), what="the install type page")
    app.key("n")
    on_completion_page(app)
    finish(app)
    assert bed.reg_query(PRODUCT_KEY, "Path") == INSTALL_PATH, "the installation left no record"
    standin_log(bed).unlink(missing_ok=True)


def open_choice_page(bed, folder, driver_delay_ms=0):
    """Starts KVSetup.exe on an installation and goes on to the choice page."""
    app = start_app(bed, folder, driver_delay_ms)
    on_start_page(app)
    app.key("n")
    on_choice_page(app)
    return app


# ----------------------------------------------------------------- effects

def standin_log(bed):
    return bed.drive_c / "standin.log"


def driver_runs(bed):
    """(program, switch) of every run of the stand-in, in order; the program
    may stand quoted on its command line."""
    log = standin_log(bed)
    if not log.exists():
        return []
    runs = []
    for line in log.read_text(encoding="utf-8").splitlines():
        if not line:
            continue
        command = line.split("\t")[1]
        if command.startswith('"'):
            program, _, rest = command[1:].partition('"')
        else:
            program, _, rest = command.partition(" ")
        runs.append((program, rest.strip()))
    return runs


def driver_run(switch):
    return (INSTALL_PATH + "\\Driver\\haspdinst.exe", switch)


def tree_files(root):
    return sorted(str(p.relative_to(root)) for p in Path(root).rglob("*") if p.is_file())


def tree_folders(root):
    return sorted(str(p.relative_to(root)) for p in Path(root).rglob("*") if p.is_dir())


def file_stamps(root):
    """Relative path -> (size, modification time in ns) of every file below root."""
    return {rel: ((Path(root) / rel).stat().st_size, (Path(root) / rel).stat().st_mtime_ns)
            for rel in tree_files(root)}


def shortcut_files(bed):
    desktop = bed.drive_c / "users" / "Public" / "Desktop"
    programs = bed.drive_c / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Tavenor"
    found = []
    for where in (desktop, programs):
        if where.is_dir():
            found += sorted(str(p.relative_to(bed.drive_c)) for p in where.glob("*.lnk"))
    return found


def start_menu_folder(bed):
    return bed.drive_c / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Tavenor"


def key_exists(key):
    """True when the registry key exists in the bed."""
    return reg_query_output(key) is not None


def reg_delete(key):
    subprocess.run(["wine", "reg", "delete", key, "/f"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=20, check=True)
