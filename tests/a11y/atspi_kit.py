"""Driving a program from outside through the accessibility bus, as a screen reader does: finding
objects by role and name, waiting on their states, pressing real keys, and walking the tree for
controls that would be read out without a name."""
import os
import subprocess
import time

import pyatspi
from gi.repository import Atspi, GLib


class Failure(Exception):
    """A check that did not hold; the message names the control path."""


# Roles that hold other objects and say nothing of their own; every other role is a control a
# person can reach and must hear named. A container with nothing inside it draws something itself
# (a picture, a line), so it needs a name or the separator role too.
CONTAINER_ROLES = {
    "application", "filler", "panel", "frame", "layered pane", "scroll pane", "viewport",
    "split pane", "page tab list", "tool bar", "menu bar", "header", "footer", "form", "section",
}
# Roles that are read out by what they are, with nothing more to say.
SILENT_ROLES = {"separator", "redundant object", "unknown"}
# A table's empty cell is data that is blank (a folder's size), read out as such.
DATA_ROLES = {"table cell", "column header", "row header"}

KEYSYMS = {
    "Tab": 0xFF09, "Return": 0xFF0D, "Escape": 0xFF1B, "Home": 0xFF50, "Left": 0xFF51,
    "Up": 0xFF52, "Right": 0xFF53, "Down": 0xFF54, "Page_Up": 0xFF55, "Page_Down": 0xFF56,
    "End": 0xFF57, "Delete": 0xFFFF, "BackSpace": 0xFF08, "space": 0x20,
    "Shift": 0xFFE1, "Control": 0xFFE3,
}
# Modifiers are held through X's modifier locks, which every client reads from the event state.
MODIFIER_MASKS = {"Shift": 1 << 0, "Control": 1 << 2, "Alt": 1 << 3}

DEFAULT_TIMEOUT = 20.0


def role(obj):
    return obj.getRoleName()


def has_state(obj, state):
    try:
        return obj.getState().contains(state)
    except Exception:   # an object that went away while it was asked
        return False


def showing(obj):
    return has_state(obj, pyatspi.STATE_SHOWING)


def describe(obj):
    name = obj.name.strip()
    return "%s '%s'" % (role(obj), name) if name else role(obj)


def path_of(obj):
    """The chain of roles and names from the application down to obj."""
    parts = []
    o = obj
    try:
        while o is not None and role(o) != "application":
            parts.append(describe(o))
            o = o.parent
    except Exception:   # it went away meanwhile
        parts.append("(gone)")
    return " > ".join(reversed(parts))


def children(obj):
    try:
        return [c for c in obj if c is not None]
    except Exception:
        return []


def descendants(obj, only_showing=True):
    for c in children(obj):
        if only_showing and not showing(c):
            continue
        yield c
        yield from descendants(c, only_showing)


class FocusEvents:
    """The focus as the program announces it, which is far quicker to follow than to look for."""

    def __init__(self):
        self.last = None
        self.count = 0
        self._listener = Atspi.EventListener.new(self._on)
        self._listener.register("object:state-changed:focused")

    def _on(self, event):
        if event.detail1:
            self.last = event.source
            self.count += 1


_focus_events = None


def pump():
    """Lets the events that have arrived from the bus be handled."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def wait_for(what, probe, timeout=DEFAULT_TIMEOUT):
    """Polls probe() until it gives something true, which is returned; fails naming `what`."""
    end = time.monotonic() + timeout
    last_error = None
    while True:
        pump()
        try:
            value = probe()
            if value:
                return value
        except Exception as e:   # the tree changes under a probe while a page is being replaced
            last_error = e
        if time.monotonic() > end:
            detail = " (last error: %s)" % last_error if last_error else ""
            raise Failure("timed out after %.0f s waiting for %s%s" % (timeout, what, detail))
        time.sleep(0.02)


def find(root, role_name, name=None, contains=None):
    """The first showing object of the role under root, by exact name or a part of it."""
    for o in descendants(root):
        if role(o) != role_name:
            continue
        if name is not None and o.name != name:
            continue
        if contains is not None and contains not in o.name:
            continue
        return o
    return None


def need(root, role_name, name=None, contains=None, timeout=DEFAULT_TIMEOUT):
    label = "%s '%s'" % (role_name, name if name is not None else contains or "")
    return wait_for("%s in %s" % (label, path_of(root) or "the application"),
                    lambda: find(root, role_name, name, contains), timeout)


def press(obj):
    """The control's own action (a button's press), as assistive technology triggers it."""
    action = obj.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "Toggle", "toggle", "SetFocus"):
            action.doAction(i)
            return
    if action.nActions:
        action.doAction(0)
        return
    raise Failure("%s offers no action" % path_of(obj))


def key(name, *modifiers):
    """A real key press through the X server, with the modifiers held."""
    mask = 0
    for m in modifiers:
        mask |= MODIFIER_MASKS[m]
    if mask:
        Atspi.generate_keyboard_event(mask, None, Atspi.KeySynthType.LOCKMODIFIERS)
    try:
        keysym = KEYSYMS.get(name, ord(name) if len(name) == 1 else None)
        if keysym is None:
            raise Failure("no key named %s" % name)
        Atspi.generate_keyboard_event(keysym, None, Atspi.KeySynthType.SYM)
    finally:
        if mask:
            Atspi.generate_keyboard_event(mask, None, Atspi.KeySynthType.UNLOCKMODIFIERS)
    time.sleep(0.02)


def type_text(text):
    Atspi.generate_keyboard_event(0, text, Atspi.KeySynthType.STRING)
    time.sleep(0.02)


CELL_ROLES = ("list item", "table cell", "tree item")


def focused(root):
    """The control that has the keyboard focus: the last one announced when it still has it, else
    found in the tree. A list's current row says it is focused whether or not its list is, so a row
    counts only inside a focused list, and the list itself stands for it."""
    pump()
    f = _focus_events.last if _focus_events else None
    if f is not None and role(f) in CELL_ROLES:
        f = f.parent
    if f is not None and has_state(f, pyatspi.STATE_FOCUSED) and showing(f):
        return f
    rows = []
    for o in descendants(root):
        if not has_state(o, pyatspi.STATE_FOCUSED):
            continue
        if role(o) not in CELL_ROLES:
            return o
        if has_state(o.parent, pyatspi.STATE_FOCUSED):
            rows.append(o.parent)
    return rows[0] if rows else None


def value_of(obj):
    return obj.queryValue().currentValue


def text_of(obj):
    t = obj.queryText()
    return t.getText(0, t.characterCount)


class App:
    """One run of a program that exposes itself on the accessibility bus."""

    def __init__(self, argv, app_name, env=None, log=None):
        global _focus_events
        if _focus_events is None:
            _focus_events = FocusEvents()
        self.argv = argv
        self.proc = subprocess.Popen(argv, env=env, stdout=log, stderr=subprocess.STDOUT)
        self.root = wait_for("the program '%s' on the accessibility bus" % app_name,
                             lambda: self._find_app(app_name))
        # Every question goes to the program itself: what it says must be now, not as cached.
        Atspi.Accessible.set_cache_mask(self.root, Atspi.Cache.NONE)

    def _find_app(self, app_name):
        if self.proc.poll() is not None:
            raise Failure("%s ended with %s before it showed" % (self.argv[0], self.proc.returncode))
        for a in pyatspi.Registry.getDesktop(0):
            if a is not None and a.name == app_name and a.get_process_id() == self.proc.pid:
                return a
        return None

    def windows(self):
        return [w for w in children(self.root) if showing(w)]

    def active_window(self):
        for w in children(self.root):
            if has_state(w, pyatspi.STATE_ACTIVE):
                return w
        return None

    def wait_active(self, what, probe=None, timeout=DEFAULT_TIMEOUT):
        """The active window once probe(window) holds for it."""
        def check():
            w = self.active_window()
            if w is not None and (probe is None or probe(w)):
                return w
            return None
        return wait_for(what, check, timeout)

    def wait_focus(self, what, probe, timeout=DEFAULT_TIMEOUT):
        def check():
            w = self.active_window()
            f = focused(w) if w is not None else None
            return f if f is not None and probe(f) else None
        return wait_for(what, check, timeout)

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("%s did not end within %.0f s" % (self.argv[0], timeout))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def unnamed_controls(window, exposure=True):
    """Faults of one window as a screen reader meets it: every showing control without a name,
    and (with `exposure`) anything shown inside a parent that is not."""
    faults = []

    def visit(obj, parent_showing):
        is_showing = showing(obj)
        if is_showing and not parent_showing and exposure:
            faults.append("%s: exposed as showing inside a hidden parent" % path_of(obj))
        if is_showing and parent_showing:
            r = role(obj)
            kids = children(obj)
            leaf_container = r in CONTAINER_ROLES and not kids and r != "application"
            if (r not in CONTAINER_ROLES or leaf_container) and r not in SILENT_ROLES | DATA_ROLES:
                if not obj.name.strip():
                    faults.append("%s: no name" % path_of(obj))
            for c in kids:
                visit(c, True)
        else:
            for c in children(obj):
                visit(c, False)

    if not window.name.strip():
        faults.append("%s: window without a name" % describe(window))
    for c in children(window):
        visit(c, showing(window))
    return faults


def address(obj):
    """Where an object sits: its index in each parent up to the application."""
    out = []
    o = obj
    while o is not None and role(o) != "application":
        out.append(o.getIndexInParent())
        o = o.parent
    return tuple(reversed(out))


TAB_ROLES = {"push button", "check box", "list", "text", "spin button", "slider", "combo box", "radio button"}


def tab_faults(app, window):
    """Tabs once round the window and says which of its enabled controls the focus never reached,
    and where it went that cannot be seen. Radio buttons of a group share one stop."""
    faults = []
    stops = []
    for _ in range(80):
        pump()
        before = _focus_events.count
        key("Tab")
        try:
            wait_for("the focus to move on", lambda: _focus_events.count > before, timeout=2)
        except Failure:
            break   # one stop only, or the focus stays
        now = _focus_events.last
        if role(now) in CELL_ROLES:
            now = now.parent
        if not showing(now):
            faults.append("%s: the focus went to a control that is not shown" % path_of(now))
        a = address(now)
        if a in stops:
            break
        stops.append(a)
    reached_radio = any(role(o) == "radio button" and address(o) in stops for o in descendants(window))
    for o in descendants(window):
        r = role(o)
        if r not in TAB_ROLES or not has_state(o, pyatspi.STATE_ENABLED) or not has_state(o, pyatspi.STATE_FOCUSABLE):
            continue
        if r == "radio button" and reached_radio:
            continue
        if address(o) not in stops:
            faults.append("%s: not reached by Tab" % path_of(o))
    return faults
