#!/usr/bin/python3
# Reads the main window as a screen reader does, through the desktop's accessibility bus: prints the
# accessible tree, then checks the date list's rows, the tool bar buttons' names and that moving to
# another row is announced. read_main_window.py <expected row texts...>
import sys
import time

import pyatspi
from gi.repository import GLib

expected_rows = sys.argv[1:]
failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


def find_application(name, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def walk(node, depth=0, found=None):
    """Prints every node as `role "name"` and collects them; a long list is not read past its 50th row."""
    found = [] if found is None else found
    found.append(node)
    print("  " * depth + '%s "%s"' % (node.getRoleName(), node.name))
    for i in range(min(node.childCount, 50)):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, found)
    return found


def pump_until(condition, seconds=10):
    """Runs the event loop, so that events are heard, until `condition` holds or time is up."""
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        loop = GLib.MainLoop()
        GLib.timeout_add(100, loop.quit)
        loop.run()
    return condition()


def date_list(app):
    """The date list once the diary's entries are in it, or None."""
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        found = pyatspi.findDescendant(
            window, lambda n: n.getRole() == pyatspi.ROLE_LIST and n.name == "Записи по датам")
        if found is not None and found.childCount == len(expected_rows):
            return found
    return None


app = find_application("Quillnest")
if app is None or not pump_until(lambda: date_list(app) is not None, 20):
    print("FAIL: no application named Quillnest with a list \"Записи по датам\" of %d rows" % len(expected_rows),
          file=sys.stderr)
    if app is not None:
        walk(app)
    sys.exit(1)
nodes = walk(app)
dates = date_list(app)
rows = [dates.getChildAtIndex(i) for i in range(dates.childCount)]
texts = [row.name for row in rows]
if texts != expected_rows:
    fail("the list reads %s, not %s" % (texts, expected_rows))
if any(row.getRole() != pyatspi.ROLE_LIST_ITEM for row in rows):
    fail("a row is not a list item")

buttons = [n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
if len(buttons) != 11:
    fail("%d tool bar buttons, not 11" % len(buttons))
for button in buttons:
    if not button.name.strip():
        fail("a tool bar button has no name")

# A person clicks the first row and presses the down arrow, then searches for a word and goes down
# into what was found: at each step the reader is told where the person is and what is selected.
announced = []
selections = []


def on_focus(event):
    if event.detail1 == 1:
        announced.append(event.source.name)


def on_selection(event):
    selections.append(("+" if event.detail1 else "-") + event.source.name)


def down_arrow(rows, expected):
    pyatspi.Registry.generateKeyboardEvent(0xFF54, None, pyatspi.KEY_SYM)
    on_row(rows, expected)


def on_row(rows, expected):
    pump_until(lambda: announced[-1:] == [expected] and selections[-1:] == ["+" + expected])
    focused = [row.name for row in rows if row.getState().contains(pyatspi.STATE_FOCUSED)]
    selected = [row.name for row in rows if row.getState().contains(pyatspi.STATE_SELECTED)]
    print("focused row %s, selected row %s; announced so far %s, selections %s" % (focused, selected, announced,
                                                                                 selections))
    if focused != [expected] or selected != [expected]:
        fail("the focused and selected row is not %s" % expected)
    if announced[-1:] != [expected] or selections[-1:] != ["+" + expected]:
        fail("moving to %s was not announced" % expected)


pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
pyatspi.Registry.registerEventListener(on_selection, "object:state-changed:selected")
box = rows[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2, "b1c")
on_row(rows, expected_rows[0])
down_arrow(rows, expected_rows[1])

word = next(n for n in nodes if n.getRole() == pyatspi.ROLE_TEXT and n.name == "Слово для поиска")
word.queryEditableText().setTextContents("дневник")
search = next(n for n in buttons if n.name == "Поиск")
heard = len(announced)
search.queryAction().doAction(0)
pump_until(lambda: dates.childCount == 1 and "Записи по датам" in announced[heard:])
found = [dates.getChildAtIndex(i) for i in range(dates.childCount)]
print("found: %s" % [row.name for row in found])
if [row.name for row in found] != expected_rows[:1]:
    fail("the search did not leave the one entry with the word in the list")
if "Записи по датам" not in announced[heard:]:
    fail("the refilled list was not announced")
down_arrow(found, expected_rows[0])
sys.exit(1 if failures else 0)
