#!/usr/bin/python3
"""Reads the editor window as a screen reader does, through AT-SPI on the real accessibility
bus, while xdotool types into it: the document's text, caret, selection and character extents,
the events heard after typing, the command box's text, the status panels' texts and the menu
items' names and key bindings. Run by screen_reader.sh inside a session bus, with DISPLAY set.
Usage: screen_reader.py PROGRAM WORKDIR. Prints what failed and exits 1, or exits 0."""
import os
import subprocess
import sys
import time

import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402

program, work = sys.argv[1], sys.argv[2]
failures = []
checks = 0


def check(condition, what):
    global checks
    checks += 1
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def pump(seconds, until=lambda: False):
    """Lets AT-SPI deliver events until the condition holds or the time is up."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        while context.iteration(False):
            pass
        if until():
            return True
        time.sleep(0.02)
    return until()


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


# A screen reader announces itself on the session bus; Qt's bridge then joins the
# accessibility bus when the program starts.
Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
    "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
    GLib.Variant("(ssv)", ("org.a11y.Status", "ScreenReaderEnabled", GLib.Variant("b", True))),
    None, Gio.DBusCallFlags.NONE, 10000, None)

document_path = os.path.join(work, "notes.txt")
with open(document_path, "w") as f:
    f.write("hello world\nsecond line\n")
env = dict(os.environ, QT_QPA_PLATFORM="xcb", HOME=work, XDG_CONFIG_HOME=work)
editor = subprocess.Popen([program, document_path], env=env)


def find_all(root, role, name=None):
    """The objects below root of that role (and name), depth first."""
    for child in root:
        if child is None:
            continue
        if child.getRoleName() == role and (name is None or child.name == name):
            yield child
        yield from find_all(child, role, name)


def find(root, role, name=None):
    return next(find_all(root, role, name), None)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Quilmar":
            return app
    return None


def ready():
    app = application()
    return app is not None and find(app, "text", "Document") is not None


pump(60, lambda: editor.poll() is not None or ready())
app = application()
if app is None:
    print("the editor did not appear on the accessibility bus (exit code %s)" % editor.poll())
    editor.kill()
    sys.exit(1)

document = find(app, "text", "Document")
box = find(app, "text", "Command")
status_bar = find(app, "status bar")
text = document.queryText()
check(text.getText(0, -1) == "hello world\r\nsecond line\r\n", "the document's text reads %r" % text.getText(0, -1))
check(text.caretOffset == 0, "the caret starts at 0, not %d" % text.caretOffset)
check(text.getNSelections() == 0, "nothing is selected at the start")

# Character extents: the first two characters side by side on one line, inside the document.
x0, y0, w0, h0 = text.getCharacterExtents(0, pyatspi.DESKTOP_COORDS)
x1, y1, w1, h1 = text.getCharacterExtents(1, pyatspi.DESKTOP_COORDS)
box_extents = document.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
check(w0 > 0 and h0 > 0 and y1 == y0 and abs(x1 - (x0 + w0)) <= 1,
      "characters 0 and 1 lie side by side: %s %s" % ((x0, y0, w0, h0), (x1, y1, w1, h1)))
check(box_extents.x <= x0 < box_extents.x + box_extents.width and box_extents.y <= y0 < box_extents.y + box_extents.height,
      "character 0 %s lies inside the document %s" % ((x0, y0), (box_extents.x, box_extents.y)))
check(text.getOffsetAtPoint(x1 + w1 // 2, y1 + h1 // 2, pyatspi.DESKTOP_COORDS) == 1,
      "the point in the middle of character 1 is offset 1")

# What a screen reader hears while the user types.
heard = []


def listen(event):
    if event.source is not None and event.source.name == "Document":
        heard.append((event.type, event.detail1, event.detail2, event.any_data))


pyatspi.Registry.registerEventListener(listen, "object:text-changed", "object:text-caret-moved")


def shown_window():
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quilmar - notes.txt$"],
                          capture_output=True, text=True).stdout.split()


pump(60, shown_window)
xdotool("windowactivate", "--sync", shown_window()[0])
xdotool("type", "--delay", "40", "iAB")
pump(20, lambda: text.caretOffset == 2 and any(e[0] == "object:text-caret-moved" and e[1] == 2 for e in heard))
check(text.getText(0, 4) == "ABhe", "the typed text reads back: %r" % text.getText(0, 4))
check(text.caretOffset == 2, "the caret follows the typing, at %d" % text.caretOffset)
inserts = [(e[1], e[3]) for e in heard if e[0].startswith("object:text-changed:insert")]
check(inserts == [(0, "A"), (1, "B")], "the insertions heard: %r" % inserts)
check(any(e[0] == "object:text-caret-moved" and e[1] == 2 for e in heard), "the caret move to 2 was heard")

# A selection made with the keys.
xdotool("key", "--delay", "40", "shift+Left", "shift+Left")
pump(10, lambda: text.getNSelections() == 1)
check(text.getNSelections() == 1 and tuple(text.getSelection(0)) == (0, 2),
      "Shift+Left twice selects 0 to 2: %r" % ([tuple(text.getSelection(i)) for i in range(text.getNSelections())],))

# The command box: what is typed there can be read back, and the panels say what happened.
xdotool("key", "Escape")
xdotool("type", "--delay", "40", ":w")
box_text = box.queryText()
pump(10, lambda: box_text.getText(0, -1) == ":w")
check(box_text.getText(0, -1) == ":w" and box_text.caretOffset == 2,
      "the command box reads %r, caret %d" % (box_text.getText(0, -1), box_text.caretOffset))
xdotool("key", "Return")
def names():
    return {label.description: label.name for label in find_all(status_bar, "label")}


pump(10, lambda: names().get("Message") == "Written")
check(names() == {"Message": "Written", "Mode": "Command", "File": document_path,
                  "Position": "Ln# 0 : Char# 0 ", "Line count": "2 lines"},
      "the panels read %r" % names())

# Menu items are named by their captions, their shortcut keys are their key bindings.
file_menu = find(find(app, "menu bar"), "menu item", "File")
items = {item.name: item.queryAction().getKeyBinding(0) for item in find(file_menu, "popup menu") if item is not None}
check(list(items) == ["Open", "Save", "Save As", "Close", "Print", "Exit"], "the File menu's items: %r" % list(items))
check(items.get("Open") == "Ctrl+O" and items.get("Close") == "F9", "the key bindings: %r" % items)

# The rest of a session: a search, a substitution, then a line deleted and brought back by
# one undo, then quit.
xdotool("type", "--delay", "40", "/line")
xdotool("key", "Return")
xdotool("type", "--delay", "40", ":0,9s/o/0/")
xdotool("key", "Return")
pump(10, lambda: "w0rld" in text.getText(0, -1))
before = text.getText(0, -1)
check(before == "ABhell0 w0rld\r\nsec0nd line\r\n", "after the substitution the document reads %r" % before)
xdotool("type", "--delay", "40", "ddi")
xdotool("key", "ctrl+z")
pump(10, lambda: text.getText(0, -1) == before)
check(text.getText(0, -1) == before, "one Ctrl+Z brings the deleted line back: %r" % text.getText(0, -1))
xdotool("key", "Escape")
xdotool("type", "--delay", "40", ":q!")
xdotool("key", "Return")
try:
    status = editor.wait(30)
except subprocess.TimeoutExpired:
    editor.kill()
    status = "still running after :q!"
check(status == 0, "the editor ends well after a whole session: %s" % status)
print("%d of %d checks failed" % (len(failures), checks))
sys.exit(1 if failures else 0)
