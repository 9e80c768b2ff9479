"""GUI test of Korvane's entry in Windows' list of installed programs. After an
installation through the wizard, Wine's own uninstaller lists it and the entry
holds its values; the uninstaller's removal starts the entry's uninstall
command as Windows does (the command line through CreateProcess, no shell, in
another folder), and the setup program's pages remove the installation and
take the entry away."""
import re
import struct
import subprocess

from kvgui import TITLE, UNINSTALL_KEY, Bed, run, wait_until
from maintenance_bed import (INSTALL_PATH, PRODUCT_PARENT_KEY, finish, install, install_dir,
                             key_exists, on_choice_page, on_completion_page, on_start_page, prepare)

# The version block's key, its padding and the fixed information's signature.
VERSION_BLOCK_START = "VS_VERSION_INFO\0".encode("utf-16-le") + b"\0\0" + struct.pack("<I", 0xFEEF04BD)


def listed_programs():
    """What `wine uninstaller --list` shows: key name -> display name."""
    out = subprocess.run(["wine", "uninstaller", "--list"], stdout=subprocess.PIPE, timeout=20,
                         check=True).stdout.decode("utf-8", "replace")
    return dict(line.rstrip("\r").split("|||", 1) for line in out.splitlines() if "|||" in line)


def product_version(exe):
    """"a.b.c.d" of the product version in the program file's version block."""
    data = exe.read_bytes()
    at = data.find(VERSION_BLOCK_START)
    assert at > 0 and data.count(VERSION_BLOCK_START) == 1, "no single version block in %s" % exe
    ms, ls = struct.unpack_from("<II", data, at + len(VERSION_BLOCK_START) + 12)
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def package_kilobytes(folder):
    parts = [folder / "KVSetup.dat"] + sorted(p for p in folder.iterdir()
                                               if re.fullmatch(r"KVSetup\.d\d\d", p.name))
    return (sum(p.stat().st_size for p in parts) + 1023) // 1024


def entry_lists_the_installation_and_removes_it():
    with Bed("uninstall_entry") as bed:
        folder, _ = prepare(bed)
        install(bed, folder)

        assert listed_programs().get("Korvane") == "Korvane", listed_programs()
        expected = {
            "DisplayName": "Korvane",
            "Publisher": "Tavenor",
            "DisplayVersion": product_version(folder / "KVSetup.exe"),
            "InstallLocation": INSTALL_PATH,
            "DisplayIcon": INSTALL_PATH + "\\Korvane.exe",
            "UninstallString": '"%s"' % bed.windows_path(folder / "KVSetup.exe"),
            "EstimatedSize": "0x%x" % package_kilobytes(folder),
            "NoModify": "0x0",
            "NoRepair": "0x0",
        }
        got = {name: bed.reg_query(UNINSTALL_KEY, name) for name in expected}
        assert got == expected, got
        assert (install_dir(bed) / "Korvane.exe").is_file()

        app = bed.start_through("uninstaller", "--remove", "Korvane")
        app.wait_window()
        on_start_page(app)
        app.key("n")
        on_choice_page(app)
        app.key("r")
        on_choice_page(app, chosen=2)
        app.key("n")
        img = on_completion_page(app)
        bed.save(img, "removed")
        finish(app)
        wait_until(lambda: not bed.find_windows("^%s$" % TITLE), 15, "KVSetup.exe to end")

        assert not key_exists(PRODUCT_PARENT_KEY), "the removal did not run"
        assert not (install_dir(bed) / "Korvane.exe").exists()
        assert not key_exists(UNINSTALL_KEY)
        assert "Korvane" not in listed_programs()


if __name__ == "__main__":
    run([entry_lists_the_installation_and_removes_it])
