"""GUI tests of the three maintenance operations on an installation made through
the wizard: repair of a damaged tree, modify with and without the hardware-key
driver's registry key, and removal with and without the brand's record. Each
drives the wizard with real keys and checks the real effects in the bed: files,
registry, shortcuts and the runs of the driver-installer stand-in."""
import shutil

from kvgui import UNINSTALL_KEY, Bed, run, wait_until
from maintenance_bed import (BRAND_KEY, CHECK_BOXES, DRIVER_KEY, INSTALL_PATH, PRODUCT_KEY,
                             PRODUCT_PARENT_KEY, RIGHT, driver_run, driver_runs, file_stamps, finish,
                             install, install_dir, key_exists, on_choice_page, on_completion_page,
                             on_options_page, on_progress_page, open_choice_page, prepare, reg_delete,
                             shortcut_files, start_menu_folder, tree_files, tree_folders)


def check_tree_like_staging(root, staging):
    expected = tree_files(staging)
    assert tree_files(root) == expected
    for rel in expected:
        assert (root / rel).read_bytes() == (staging / rel).read_bytes(), rel


def check_record_rewritten(bed, folder):
    assert bed.reg_query(PRODUCT_KEY, "Path") == INSTALL_PATH
    header = (folder / "KVSetup.dat").read_bytes()
    assert bytes.fromhex(bed.reg_query(PRODUCT_KEY, "Version")) == header[8:8 + 36] + bytes(220)
    assert int(bed.reg_query(PRODUCT_KEY, "Setup"), 16) == 1


# ----------------------------------------------------------------- repair

def repair_restores_damaged_tree():
    with Bed("maintenance_repair") as bed:
        folder, staging = prepare(bed)
        install(bed, folder)
        root = install_dir(bed)
        gone = ["Korvane.exe", "Doc/Korvane퀵가이드.pdf", "User/Event.lst", "SongMR/05/050.esz",
                "Driver/FTDIDriver.zip"]
        for rel in gone:
            (root / rel).unlink()
        shutil.rmtree(root / "Fonts")
        damaged = root / "KVUpdater.bin"
        data = bytearray(damaged.read_bytes())
        data[len(data) // 2] ^= 0xFF
        damaged.write_bytes(bytes(data))
        (shortcut_files_path := bed.drive_c / shortcut_files(bed)[0]).unlink()
        # A record whose version words were lost: the repair writes it anew.
        bed.reg_add(PRODUCT_KEY, "Version", "00", "REG_BINARY")
        # And the entry in the list of installed programs, lost too.
        reg_delete(UNINSTALL_KEY)

        app = open_choice_page(bed, folder)
        app.key("e")
        on_choice_page(app, chosen=1)
        app.key("n")
        img = on_completion_page(app)
        bed.save(img, "repaired")
        finish(app)

        check_tree_like_staging(root, staging)
        check_record_rewritten(bed, folder)
        assert bed.reg_query(UNINSTALL_KEY, "UninstallString") == '"C:\\KVSetup\\KVSetup.exe"'
        assert shortcut_files_path.exists(), "the deleted shortcut was not made again"
        assert len(shortcut_files(bed)) == 6
        assert driver_runs(bed) == [driver_run("-i")], driver_runs(bed)


# ----------------------------------------------------------------- modify

def modify_with_ftdi_writes_driver_package_and_links():
    with Bed("maintenance_modify_ftdi") as bed:
        folder, staging = prepare(bed)
        install(bed, folder)
        root = install_dir(bed)
        (root / "Driver" / "FTDIDriver.zip").unlink()
        (root / "Korvane.exe").unlink()  # program files are not the modify's business
        for link in shortcut_files(bed):
            (bed.drive_c / link).unlink()
        before = file_stamps(root)

        app = open_choice_page(bed, folder)
        app.key("n")
        on_options_page(app, 7)
        app.key("n")
        on_completion_page(app)
        finish(app)

        after = file_stamps(root)
        assert sorted(after) == sorted(list(before) + ["Driver/FTDIDriver.zip"])
        assert {rel: after[rel] for rel in before} == before, "a file besides the FTDI package was written"
        assert (root / "Driver" / "FTDIDriver.zip").read_bytes() == \
            (staging / "Driver" / "FTDIDriver.zip").read_bytes()
        assert len(shortcut_files(bed)) == 6, shortcut_files(bed)
        assert driver_runs(bed) == [], "the driver is installed; its installer must not run"
        assert bed.reg_query(PRODUCT_KEY, "Path") == INSTALL_PATH


def modify_without_driver_key_waits_for_driver_installer():
    with Bed("maintenance_modify_driver") as bed:
        folder, staging = prepare(bed)
        install(bed, folder)
        root = install_dir(bed)
        reg_delete(DRIVER_KEY)
        (root / "Driver" / "FTDIDriver.zip").unlink()
        before = file_stamps(root)

        app = open_choice_page(bed, folder, driver_delay_ms=3000)
        app.key("n")
        on_options_page(app, 7)
        x, y = CHECK_BOXES[2]
        app.click(x + 5, y + 5)
        on_options_page(app, 3)
        app.key("n")
        on_progress_page(app)
        wait_until(lambda: driver_runs(bed), 15, "the driver installer to start")
        on_completion_page(app)
        # The stand-in writes the key only after its 3 s wait; the completion
        # page may show only once it has ended.
        assert key_exists(DRIVER_KEY), "the completion page came before the driver installer ended"
        finish(app)

        assert driver_runs(bed) == [driver_run("-i")], driver_runs(bed)
        assert file_stamps(root) == before, "FTDI unticked: no file may be written"
        assert len(shortcut_files(bed)) == 6


# ----------------------------------------------------------------- remove

def remaining_after_removal(staging, shared_folders_kept):
    """Files a removal leaves: the user settings, the fonts, MR files outside
    90001-100000, and with the brand's record the driver files."""
    kept = [rel for rel in tree_files(staging)
            if rel.startswith(("User/", "Fonts/")) or rel == "MR/000/00007.emr"]
    if shared_folders_kept:
        kept += [rel for rel in tree_files(staging) if rel.startswith("Driver/")]
    return sorted(kept)


def remove_deletes_installation_and_ignores_cancel():
    with Bed("maintenance_remove") as bed:
        folder, staging = prepare(bed)
        install(bed, folder)
        root = install_dir(bed)

        app = open_choice_page(bed, folder, driver_delay_ms=2000)
        app.key("r")
        on_choice_page(app, chosen=2)
        app.key("n")
        on_progress_page(app)
        wait_until(lambda: driver_runs(bed), 15, "the driver uninstaller to start")
        # Cancel, by key and by button, while the uninstaller runs: a removal
        # cannot be stopped.
        app.key("c")
        app.click(RIGHT[0] + 40, RIGHT[1] + 10)
        img = on_completion_page(app)
        bed.save(img, "removed")
        finish(app)

        assert driver_runs(bed) == [driver_run("-r")], driver_runs(bed)
        assert not key_exists(DRIVER_KEY), "the stand-in's -r run did not happen"
        assert shortcut_files(bed) == [] and not start_menu_folder(bed).exists()
        assert not key_exists(PRODUCT_PARENT_KEY)
        assert tree_files(root) == remaining_after_removal(staging, shared_folders_kept=False)
        assert tree_folders(root) == ["Fonts", "Fonts/Info", "MR", "MR/000", "User"]
        for rel in tree_files(root):
            assert (root / rel).read_bytes() == (staging / rel).read_bytes(), rel


def remove_with_brand_record_keeps_shared_folders():
    with Bed("maintenance_remove_brand") as bed:
        folder, staging = prepare(bed)
        install(bed, folder)
        root = install_dir(bed)
        bed.reg_add(BRAND_KEY, "Path", INSTALL_PATH)
        bed.reg_add(BRAND_KEY, "Version", "00", "REG_BINARY")
        bed.reg_add(BRAND_KEY, "Setup", "1", "REG_DWORD")

        app = open_choice_page(bed, folder)
        app.key("r")
        on_choice_page(app, chosen=2)
        app.key("n")
        on_completion_page(app)
        finish(app)

        assert tree_files(root) == remaining_after_removal(staging, shared_folders_kept=True)
        assert tree_folders(root) == ["Doc", "Driver", "Fonts", "Fonts/Info", "Log", "MR", "MR/000",
                                      "Playlist", "User"]
        assert not key_exists(PRODUCT_PARENT_KEY)
        assert bed.reg_query(BRAND_KEY, "Path") == INSTALL_PATH, "the brand's record was touched"
        assert driver_runs(bed) == [driver_run("-r")], driver_runs(bed)


if __name__ == "__main__":
    run([repair_restores_damaged_tree, modify_with_ftdi_writes_driver_package_and_links,
         modify_without_driver_key_waits_for_driver_installer,
         remove_deletes_installation_and_ignores_cancel, remove_with_brand_record_keeps_shared_folders])
