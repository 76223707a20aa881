#!/usr/bin/python3
# A person with a keyboard and no mouse, through real X input (xdotool): opens a diary from the menu, adds an
# entry and saves it, changes it and saves it, deletes it, undoes that, searches by a word and by a day, and
# leaves. The diary file is read after each change; the list is read through the accessibility bus.
# keyboard_only.py <diary> <diarytexts tool>
import datetime
import subprocess
import sys
import time

import pyatspi
from reading import fail, failures, pump_until

diary, texts_tool = sys.argv[1:3]


def keys(*names):
    for name in names:
        subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)
        time.sleep(0.15)


def typed(text):
    subprocess.run(["xdotool", "type", "--delay", "40", text], check=True)
    time.sleep(0.2)


def entries():
    out = subprocess.run([texts_tool, diary], check=True, capture_output=True, text=True).stdout
    return [line.split("\t", 1)[1] for line in out.splitlines()]


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "Quillnest":
            return app
    return None


def date_rows():
    app = application()
    if app is None:
        return None
    for i in range(app.childCount):
        found = pyatspi.findDescendant(
            app.getChildAtIndex(i), lambda n: n.getRole() == pyatspi.ROLE_LIST and n.name == "Записи по датам")
        if found is not None:
            return [found.getChildAtIndex(j).name for j in range(found.childCount)]
    return None


def word_field_text():
    app = application()
    found = app and pyatspi.findDescendant(
        app, lambda n: n.getRole() == pyatspi.ROLE_TEXT and n.name == "Слово для поиска")
    return found.queryText().getText(0, -1) if found else None


def typed_word(text):
    """xdotool types a letter the keyboard map lacks by mapping a spare key for it, and a loaded machine can
    deliver the key after the map has changed back: the field is read, and typed again where it went wrong."""
    for _ in range(3):
        keys("ctrl+a", "BackSpace")
        typed(text)
        if pump_until(lambda: word_field_text() == text, 3):
            return
    print("the word field holds %r" % word_field_text())


def step(what, condition, seconds=10):
    ok = pump_until(condition, seconds)
    print("%s: %s" % (what, "done" if ok else "NOT done"))
    if not ok:
        fail(what)
    return ok


first = entries()
if not step("the program shows its empty window", lambda: date_rows() == [], 20):
    sys.exit(1)

# There is no window manager on this display to give a window the keyboard as it comes up, or back when a
# dialog over it closes, as a desktop does: focus() stands in for it.
def focused_window():
    return subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True).stdout.strip()


def focus():
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Quillnest", "windowfocus", "--sync"],
                   check=True)
    return focused_window()


main_window = focus()
# F10 opens "Файл"; its first item is "Открыть".
keys("F10")
time.sleep(1)
keys("Return")
step("the open dialog has the keyboard", lambda: focused_window() not in ("", main_window))
typed(diary)
keys("Return")
step("the diary opened from the menu", lambda: len(date_rows() or []) == len(first))
focus()

keys("ctrl+n")
typed("Written with keys alone")
keys("ctrl+s")
step("a new entry added and saved", lambda: entries() == first + ["Written with keys alone"])

# Out of the text box into the list; its last row is the new entry.
keys("Tab", "End", "Return", "F2", "ctrl+End")
typed(", and changed")
keys("ctrl+s")
step("the entry changed and saved", lambda: entries() == first + ["Written with keys alone, and changed"])

keys("Tab", "Delete")
step("the entry on view deleted", lambda: entries() == first)

# Ctrl+Z in the list puts it back, on view and with the focus in the list, where Delete takes it again.
keys("ctrl+z")
step("the deletion undone", lambda: entries() == first + ["Written with keys alone, and changed"])
keys("Delete")
step("the entry deleted again", lambda: entries() == first)

keys("ctrl+f")
typed_word("Машей")
keys("Return")
if not step("a word searched", lambda: date_rows() == ["07.01.2026 21:22:04"]):
    print("the list shows %r" % date_rows())


def keys_to_15_january_2026():
    """Page Up goes back a month, on the same day or the month's last; then the arrows go along the days."""
    day = datetime.date.today()
    pages = (day.year - 2026) * 12 + day.month - 1
    for _ in range(pages):
        month = day.replace(day=1) - datetime.timedelta(days=1)
        day = month.replace(day=min(day.day, month.day))
    return ["Prior"] * pages + ["Right" if day.day < 15 else "Left"] * abs(15 - day.day)


# From the word field past its two buttons to the date picker, which stands on today; its calendar goes to the
# day, and Enter picks it.
keys("ctrl+f", "Tab", "Tab", "Tab", "F4")
time.sleep(1)
keys(*keys_to_15_january_2026(), "Return", "ctrl+d")
step("a day searched", lambda: date_rows() == ["15.01.2026 20:36:12"])

keys("ctrl+q")
step("the program left", lambda: application() is None)
if entries() != first:
    fail("the diary does not hold what it held at the start")
sys.exit(1 if failures else 0)
