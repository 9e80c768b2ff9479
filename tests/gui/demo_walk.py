"""The headless half of `make demo`: inside a bed, runs KVSetup.exe beside the
demo package and walks a full installation with real input, then starts it
twice more on that installation (the registry now records it) for a repair and
a removal through the maintenance choice page, saving a screenshot of every
page into KV_DEMO_SHOTS.

  KV_DEMO_PACKAGE  folder with KVSetup.exe and the package (copied to C:\\KVSetup)
  KV_DEMO_SHOTS    folder for the screenshots
"""
import os
import shutil
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from kvgui import BACK, NEXT, PRODUCT_KEY, RIGHT, Bed, matches, skin, wait_until  # noqa: E402
from maintenance_bed import on_choice_page  # noqa: E402

NEXT_CLICK = (460, 403)
FINISH_CLICK = (550, 403)
AGREE_CLICK = (41, 307)
OPTION_CLICKS = {"repair": (41, 217), "remove": (41, 307)}  # choice page marks 1 and 2
OPTION_INDEX = {"repair": 1, "remove": 2}
OPERATION_TIMEOUT = 180


def settled(app, previous, what, timeout=30):
    """Waits until the client area differs from previous and then holds still
    for two shots in a row; returns that picture."""
    changed = app.wait_shot(lambda img: img != previous, timeout, what)
    last = [changed]

    def still():
        img = app.shot()
        same = img == last[0]
        last[0] = img
        return img if same else None
    return wait_until(still, 10, "%s to settle" % what, interval=0.2)


def save(img, shots, name):
    img.save(shots / (name + ".png"))
    print("saved", name, flush=True)


def page_kind(shot):
    """"progress" (Cancel at the right), "completion" (Finish), "error" (Exit
    alone, unlike the choice page, which also shows Back), else None."""
    if matches(shot, *RIGHT, skin("button-cancel-normal")):
        return "progress"
    if matches(shot, *RIGHT, skin("button-finish-focus")):
        return "completion"
    if matches(shot, *RIGHT, skin("button-exit-normal")) and not matches(shot, *BACK, skin("button-back-normal")):
        return "error"
    return None


def wait_page(app, kinds, timeout, what):
    """Waits until the client area shows one of kinds; returns (kind, picture)."""
    def seen():
        shot = app.shot()
        kind = page_kind(shot)
        return (kind, shot) if kind in kinds else None
    return wait_until(seen, timeout, what, interval=0.1)


def maintain(bed, folder, shots, operation, number):
    """Starts KVSetup.exe on the recorded installation, chooses the operation on
    the maintenance choice page and runs it to its end page, saving each page
    (numbered from number); returns (True when it completed, next number)."""
    def name(what):
        return "%02d-%s-%s" % (number + len(saved), operation, what)
    saved = []

    def keep(img, what):
        save(img, shots, name(what))
        saved.append(what)

    app = bed.start(folder)
    app.wait_window()
    keep(app.wait_picture(*NEXT, skin("button-next-focus"), timeout=30, what="the start page"),
         "start-page")
    app.click(*NEXT_CLICK)
    keep(on_choice_page(app), "choice-page")
    app.click(*OPTION_CLICKS[operation])
    keep(on_choice_page(app, chosen=OPTION_INDEX[operation]), "chosen")
    app.click(*NEXT_CLICK)
    kind, img = wait_page(app, ("progress", "completion", "error"), 30, "the %s progress page" % operation)
    if kind == "progress":
        keep(img, "progress")
        kind, img = wait_page(app, ("completion", "error"), OPERATION_TIMEOUT, "the end of the %s" % operation)
    keep(img, kind)
    app.click(*FINISH_CLICK)
    code = app.wait_exit(timeout=15)
    print("KVSetup.exe (%s) ended with exit code %d" % (operation, code), flush=True)
    return kind == "completion", number + len(saved)


def main():
    package = Path(os.environ["KV_DEMO_PACKAGE"])
    shots = Path(os.environ["KV_DEMO_SHOTS"])
    shots.mkdir(parents=True, exist_ok=True)
    os.environ["KV_GUI_ARTIFACTS"] = str(shots.parent / "demo-artifacts")
    with Bed("demo") as bed:
        folder = bed.drive_c / "KVSetup"
        shutil.copytree(package, folder)
        app = bed.start(folder)
        app.wait_window()
        img = app.wait_picture(*NEXT, skin("button-next-focus"), timeout=30, what="the start page")
        save(img, shots, "01-start-page")

        walk = [("02-licence", [NEXT_CLICK]),
                ("03-licence-agreed", [AGREE_CLICK]),
                ("04-install-type", [NEXT_CLICK]),
                ("05-install-progress", [NEXT_CLICK])]
        for name, clicks in walk:
            for x, y in clicks:
                app.click(x, y)
            img = settled(app, img, name) if name != "05-install-progress" else \
                app.wait_shot(lambda s: s != img, 30, name)
            save(img, shots, name)

        kind, shot = wait_page(app, ("completion", "error"), OPERATION_TIMEOUT, "the completion or error page")
        save(shot, shots, "06-" + kind)
        app.click(*FINISH_CLICK)
        code = app.wait_exit(timeout=15)
        print("KVSetup.exe ended with exit code %d" % code, flush=True)
        installed = sorted(str(p.relative_to(bed.drive_c)) for p in (bed.drive_c / "Tavenor").rglob("*"))
        print("%d paths under C:\\Tavenor, the first ones:" % len(installed), *installed[:15], sep="\n  ")
        if kind != "completion":
            return 1
        print("record: Path =", bed.reg_query(PRODUCT_KEY, "Path"), flush=True)

        repaired, number = maintain(bed, folder, shots, "repair", 7)
        removed, number = maintain(bed, folder, shots, "remove", number)
        left = sorted((bed.drive_c / "Tavenor").rglob("*")) if (bed.drive_c / "Tavenor").exists() else []
        print("after the removal: %d paths under C:\\Tavenor, record Path = %s"
              % (len(left), bed.reg_query(PRODUCT_KEY, "Path")), flush=True)
        print("screenshots in", shots, flush=True)
        return 0 if repaired and removed else 1


if __name__ == "__main__":
    sys.exit(main())
