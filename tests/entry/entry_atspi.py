#!/usr/bin/python3
# Reads QfEntry's accessible tree from outside the program, through the desktop's
# accessibility bus (AT-SPI), as a screen reader does: the example database in browse
# mode on page 1, then in edit mode (F2) on page 2 (Ctrl+N). Run by entry_atspi.sh.
#   entry_atspi.py WINDOW_ID
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

window = sys.argv[1]
failures = []

# The names and descriptions themselves are checked offscreen (entry_access_test):
# here, that the bus carries them.
FIRST = ("First name", "letters and blanks, first letters capital, required, at most 30")


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def application(name, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and a.name == name:
                return a
        time.sleep(0.3)
    return None


def children(o):
    return [c for c in (o.getChildAtIndex(i) for i in range(o.childCount)) if c is not None]


def find(o, role, name=None):
    for c in children(o):
        if c.getRoleName() == role and (name is None or c.name == name):
            return c
        found = find(c, role, name)
        if found is not None:
            return found
    return None


def fields(form):
    return [(c.name, c.description, c) for c in children(form) if c.getRoleName() == "text"]


def wait_for(get, want, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        if get() == want:
            return True
        time.sleep(0.2)
    return get() == want


def key(*keys):
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    subprocess.run(["xdotool", "key", *keys], check=True)


def heard_while(keys):
    """Presses the keys one after the other and returns what the program announced
    meanwhile: (event, role, name, description) of every name or description change."""
    heard = []

    def on(e):
        s = e.source
        heard.append((e.type.split(":")[-1], s.getRoleName(), s.name, s.description) if s else (e.type,))

    events = ["object:property-change:accessible-name", "object:property-change:accessible-description"]
    pyatspi.Registry.registerEventListener(on, *events)
    pending = list(keys)

    def step():
        if pending:
            key(pending.pop(0))
            return True
        pyatspi.Registry.stop()
        return False

    GLib.timeout_add(700, step)
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(on, *events)
    return heard


app = application("QfEntry")
if app is None:
    print("QfEntry is not on the accessibility bus")
    sys.exit(1)

# Browse mode, page 1: read-only texts named by their banners, holding the values.
form = find(app, "form")
check(form is not None, "the form is in the tree")
check(wait_for(lambda: find(app, "form").name, "Page 1 of 2: Contact"),
      "the form names page 1: " + find(app, "form").name)
check(form.description == "browse mode, read-only", "browse mode said: " + form.description)
got = [(n, d) for n, d, _ in fields(form)]
check(len(got) == 8 and got[1] == FIRST, "page 1 in browse mode: %r" % got)
for _, _, f in fields(form):
    check(f.getState().contains(pyatspi.STATE_READ_ONLY), f.name + " is read-only in browse mode")
first = dict((n, f) for n, _, f in fields(form))["First name"]
check(first.queryText().getText(0, -1) == "Ann", "First name holds Ann: " + first.queryText().getText(0, -1))
toolbar = find(app, "filler", "Toolbar")
check(toolbar is not None, "the toolbar is named")
buttons = [c.name for c in children(toolbar) if c.getRoleName() == "push button"]
check(len(buttons) == 16 and buttons[12] == "New", "toolbar buttons: %r" % buttons)
position = [c.name for c in children(toolbar) if c.getRoleName() == "label"]
check(position == ["record 1 of 8"], "record position: %r" % position)

# Edit mode (F2): editable boxes.
key("F2")
check(wait_for(lambda: find(app, "form").description, "edit mode"), "edit mode said")
form = find(app, "form")
got = [(n, d) for n, d, _ in fields(form)]
check(len(got) == 8 and got[1] == FIRST, "page 1 in edit mode: %r" % got)
for name, _, f in fields(form):
    editable = f.getState().contains(pyatspi.STATE_EDITABLE)
    check(editable == (name != "No."), name + (" is editable" if name != "No." else " is not editable"))

# Page 2 (Ctrl+N), and a letter typed into its date: both announced; page 1 leaves
# the tree.
heard = heard_while(["ctrl+n", "x"])
check(("accessible-name", "form", "Page 2 of 2: Details", "edit mode") in heard, "page 2 announced: %r" % heard)
refused = ("accessible-description", "text", "Birthday", "x not allowed: date, day/month/year")
check(refused in heard, "the refused key announced: %r" % heard)
check(find(app, "form").name == "Page 2 of 2: Details", "the form names page 2")
got = [(n, d) for n, d, _ in fields(find(app, "form"))]
check(len(got) == 7 and got[0] == ("Birthday", refused[3]), "page 2 in edit mode: %r" % got)
key("F7")
check(wait_for(lambda: find(app, "form").description, "browse mode, read-only"), "back in browse mode")

if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("ok: the example form read through AT-SPI")
