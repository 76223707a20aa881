#!/usr/bin/python3
# Reads the main window as a screen reader does, through the desktop's accessibility bus: prints the
# accessible tree, then checks the date list's rows, the tool bar buttons' names and that moving to
# another row is announced. read_main_window.py <expected row texts...>
import sys
import time

import pyatspi
from reading import fail, failures, pump_until

expected_rows = sys.argv[1:]


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

# A person comes to the list from the search field and goes down a row, opens that entry with Enter and
# deletes it, then searches for a word and goes down into what was found: at each step the reader is
# told where the person is and what is selected.
announced = []
selections = []


def on_focus(event):
    if event.detail1 == 1:
        announced.append(event.source.name)


def on_selection(event):
    selections.append(("+" if event.detail1 else "-") + event.source.name)


def press(keysym):
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)


def rows_of(listing):
    return [listing.getChildAtIndex(i) for i in range(listing.childCount)]


def on_row(rows, expected, selected=True):
    """`expected` is the row announced last and the one focused, and selected unless it is a first visit."""
    pump_until(lambda: announced[-1:] == [expected] and (not selected or selections[-1:] == ["+" + expected]))
    focused = [row.name for row in rows if row.getState().contains(pyatspi.STATE_FOCUSED)]
    chosen = [row.name for row in rows if row.getState().contains(pyatspi.STATE_SELECTED)]
    print("focused row %s, selected row %s; announced so far %s, selections %s" % (focused, chosen, announced,
                                                                                 selections))
    if focused != [expected] or (selected and chosen != [expected]):
        fail("the focused %srow is not %s" % ("and selected " if selected else "", expected))
    if announced[-1:] != [expected] or (selected and selections[-1:] != ["+" + expected]):
        fail("moving to %s was not announced" % expected)


def named(role, name):
    return next(n for n in nodes if n.getRole() == role and n.name == name)


pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
pyatspi.Registry.registerEventListener(on_selection, "object:state-changed:selected")
word = named(pyatspi.ROLE_TEXT, "Слово для поиска")
box = word.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2, "b1c")
pump_until(lambda: announced[-1:] == ["Слово для поиска"])
dates.queryComponent().grabFocus()
on_row(rows, expected_rows[0], selected=False)
press(0xFF54)  # down
on_row(rows, expected_rows[1])

press(0xFF0D)  # Enter
entry = named(pyatspi.ROLE_TEXT, "Текст записи").queryText()
if not pump_until(lambda: entry.characterCount > 0):
    fail("Enter did not open the entry")
named(pyatspi.ROLE_PUSH_BUTTON, "Удалить").queryAction().doAction(0)
pump_until(lambda: dates.childCount == len(expected_rows) - 1)
left = rows_of(dates)
print("left after the deletion: %s" % [row.name for row in left])
if [row.name for row in left] != expected_rows[:1] + expected_rows[2:]:
    fail("the deletion did not leave the other entries")
on_row(left, expected_rows[2], selected=False)

word.queryEditableText().setTextContents("дневник")
heard = len(announced)
named(pyatspi.ROLE_PUSH_BUTTON, "Поиск").queryAction().doAction(0)
pump_until(lambda: dates.childCount == 1 and "Записи по датам" in announced[heard:])
found = rows_of(dates)
print("found: %s" % [row.name for row in found])
if [row.name for row in found] != expected_rows[:1]:
    fail("the search did not leave the one entry with the word in the list")
if "Записи по датам" not in announced[heard:]:
    fail("the refilled list was not announced")
press(0xFF54)
on_row(found, expected_rows[0])
if "" in announced:
    fail("something without a name was announced, as rows on their way out are")
sys.exit(1 if failures else 0)
