"""The headless half of `make demo`: inside a bed, runs KVSetup.exe beside the
demo package and walks a full installation with real input, saving a
screenshot of every page into KV_DEMO_SHOTS.

  KV_DEMO_PACKAGE  folder with KVSetup.exe and the package (copied to C:\\KVSetup)
  KV_DEMO_SHOTS    folder for the screenshots
"""
import os
import shutil
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from kvgui import Bed, matches, skin, wait_until  # noqa: E402

NEXT_CLICK = (460, 403)
FINISH_CLICK = (550, 403)
AGREE_CLICK = (41, 307)


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
        img = app.wait_picture(422, 393, skin("button-next-focus"), timeout=30, what="the start page")
        img.save(shots / "01-start-page.png")

        walk = [("02-licence", [NEXT_CLICK]),
                ("03-licence-agreed", [AGREE_CLICK]),
                ("04-install-type", [NEXT_CLICK]),
                ("05-install-progress", [NEXT_CLICK])]
        for name, clicks in walk:
            for x, y in clicks:
                app.click(x, y)
            img = settled(app, img, name) if name != "05-install-progress" else \
                app.wait_shot(lambda s: s != img, 30, name)
            img.save(shots / (name + ".png"))
            print("saved", name, flush=True)

        finish, error = skin("button-finish-focus"), skin("button-exit-normal")

        def end_page():
            shot = app.shot()
            for name, picture in (("06-completion", finish), ("06-error", error)):
                if matches(shot, 511, 393, picture):
                    return name, shot
            return None
        name, shot = wait_until(end_page, 180, "the completion or error page", interval=0.2)
        shot.save(shots / (name + ".png"))
        print("saved", name, flush=True)
        app.click(*FINISH_CLICK)
        code = app.wait_exit(timeout=15)
        print("KVSetup.exe ended with exit code %d" % code, flush=True)
        installed = sorted(str(p.relative_to(bed.drive_c)) for p in (bed.drive_c / "Tavenor").rglob("*"))
        print("%d paths under C:\\Tavenor, the first ones:" % len(installed), *installed[:15], sep="\n  ")
        return 0 if name == "06-completion" else 1


if __name__ == "__main__":
    sys.exit(main())
