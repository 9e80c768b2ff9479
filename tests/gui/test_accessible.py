"""GUI tests of the window's accessible object, read and driven from another
process by kvaccess.exe as a screen reader would: every page's children with
their roles, names, states and shortcuts, an installation and a removal by
default actions alone, the focus event on a page's entry, and the keyboard
back after a console driver installer."""
import os
import re
import shutil
import subprocess
from pathlib import Path

from kvgui import Bed, PRODUCT_KEY, RIGHT, _run, reg_query_output, run, skin, wait_until
from maintenance_bed import prepare as prepare_with_standin, start_app

TOOLS = Path(os.environ["KV_WINSPY_EXE"]).parents[2] / "tools"
KVACCESS = TOOLS / "kvaccess" / "kvaccess.exe"

# Expected children per page: (role, name, states, shortcut). A name None is
# any non-empty text, "*X" one that ends in X; states None are not checked.
TEXT = ("text", None, None, "")
BACK = ("button", "뒤로", "", "B")
NEXT = ("button", "다음", "focused", "N")
EXIT = ("button", "종료", "", "C")
PAGES = {
    "start": [("text", "Korvane 설치", None, ""), TEXT, TEXT, NEXT, ("button", "종료", "", "X")],
    "licence": [TEXT, ("edit", "", None, None), ("radio", "동의(A)", "", "A"),
                ("radio", "동의 안함(D)", "checked", "D"), BACK, ("button", "다음", "unavailable", "N"),
                ("button", "종료", "focused", "C")],
    "agreed": [TEXT, ("edit", "", None, None), ("radio", "동의(A)", "checked", "A"),
               ("radio", "동의 안함(D)", "", "D"), BACK, NEXT, EXIT],
    "custom": [TEXT, TEXT, ("radio", "전체(권장) (D)", "", "D"), TEXT,
               ("radio", "사용자 정의 설치 (S)", "checked", "S"), TEXT, BACK, NEXT, EXIT],
    "folder": [TEXT, TEXT, TEXT, TEXT, ("edit", "", None, None),
               ("button", "찾아보기", "", "R"), BACK, NEXT, EXIT],
    "features": [TEXT, TEXT, ("check", "바탕 화면 바로가기", "", ""),
                 ("check", "시작 메뉴 바로가기", "checked", ""), ("check", "FTDI Serial Driver", "checked", ""),
                 ("text", "*GB (드라이브:C)", None, ""), ("text", "*GB (드라이브:C)", None, ""),
                 ("text", "*GB (드라이브:C)", None, ""), BACK, NEXT, EXIT],
    "installed": [("text", "설치 완료", None, ""), TEXT, TEXT, TEXT, ("button", "완료", "focused", "C")],
    "choice": [TEXT, TEXT, ("radio", "수정(M)", "", "M"), TEXT, TEXT, ("radio", "복구(E)", "", "E"), TEXT,
               ("radio", "제거(R)", "checked", "R"), TEXT, BACK, NEXT, EXIT],
    "removed": [("text", "제거 완료", None, ""), TEXT, TEXT, ("button", "완료", "focused", "C")],
}


def access(*args, timeout=20):
    r = _run(["wine", str(KVACCESS)] + [str(a) for a in args], timeout=timeout, check=False)
    return r.returncode, r.stdout.decode("utf-8", "replace").replace("\r", "")


def children():
    """[(id, role, name, states, shortcut, value)] of the page now shown."""
    _, out = access("dump")
    rows = []
    for m in re.finditer(r"^child (\d+) (.*)$", out, re.M):
        rows.append((int(m.group(1)),) + tuple(m.group(2).split("|")))
    return rows


def matches_page(rows, expected):
    if len(rows) != len(expected):
        return False
    for (_, role, name, states, key, _), (e_role, e_name, e_states, e_key) in zip(rows, expected):
        name_ok = (bool(name) if e_name is None else
                   name.endswith(e_name[1:]) if e_name.startswith("*") else name == e_name)
        if role != e_role or not name_ok or (e_states is not None and states != e_states) or \
                (e_key is not None and key != e_key):
            return False
    return True


def expect(page, timeout=15):
    last = []

    def check():
        last[:] = children()
        return matches_page(last, PAGES[page])
    try:
        wait_until(check, timeout, "the %s page's children" % page, interval=0.2)
    except TimeoutError:
        raise AssertionError("%s page: children are %r" % (page, last))


def press(name):
    """The default action of the child of that name."""
    ids = [row[0] for row in children() if row[2] == name]
    assert len(ids) == 1, "no single child named %r" % name
    status, _ = access("do", ids[0])
    assert status == 0, "the default action of %r failed" % name


def install_and_remove_by_default_actions():
    with Bed("install_and_remove_by_default_actions") as bed:
        folder, _ = prepare_with_standin(bed)
        app = start_app(bed, folder)
        expect("start")
        press("다음")
        expect("licence")
        press("다음")  # inert until agreeing
        press("동의(A)")
        expect("agreed")
        press("다음")
        press("사용자 정의 설치 (S)")
        expect("custom")
        press("다음")
        expect("folder")
        press("다음")
        wait_until(lambda: any(r[2] == "바탕 화면 바로가기" for r in children()), 15, "the feature page")
        press("바탕 화면 바로가기")
        expect("features")
        press("다음")
        expect("installed", timeout=60)
        press("완료")
        assert app.wait_exit() == 0
        assert reg_query_output(PRODUCT_KEY) is not None

        app = start_app(bed, folder)
        expect("start")
        press("다음")
        wait_until(lambda: any(r[2] == "제거(R)" for r in children()), 15, "the choice page")
        press("제거(R)")
        expect("choice")
        press("다음")
        expect("removed", timeout=60)
        press("완료")
        assert app.wait_exit() == 0
        assert reg_query_output(PRODUCT_KEY) is None


def focus_event_on_page_entry():
    with Bed("focus_event_on_page_entry") as bed:
        app = bed.start(bed.setup_folder())
        app.wait_window()
        expect("start")
        watcher = subprocess.Popen(["wine", str(KVACCESS), "focus", "20"], stdout=subprocess.PIPE)
        try:
            lines = iter(watcher.stdout.readline, b"")
            assert next(lines).strip() == b"ready"
            app.key("n")
            # The licence page starts from do-not-agree: the focus is on Exit, child 7.
            seen = []
            for line in lines:
                seen.append(line.decode("utf-8", "replace").strip())
                if seen[-1] == "focus 7 종료":
                    break
            assert seen and seen[-1] == "focus 7 종료", seen
        finally:
            watcher.kill()
            watcher.wait()


def keyboard_back_after_console_installer():
    with Bed("keyboard_back_after_console_installer") as bed:
        os.environ["KV_STANDIN_EXE"] = str(TOOLS / "standin" / "haspdinst_console.exe")
        folder, _ = prepare_with_standin(bed)
        app = start_app(bed, folder, driver_delay_ms=500)
        expect("start")
        for keys, page in (("n", "licence"), ("a", "agreed"), ("n", None), ("n", None)):
            app.key(keys)
            if page:
                expect(page)
        app.wait_picture(*RIGHT, skin("button-finish-focus"), timeout=60, what="the completion page")
        # No click and no focusing: C goes wherever the keyboard is now.
        _run(["xdotool", "key", "c"])
        assert app.wait_exit() == 0


if __name__ == "__main__":
    run([install_and_remove_by_default_actions, focus_event_on_page_entry,
         keyboard_back_after_console_installer])
