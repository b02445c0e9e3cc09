# SPDX-License-Identifier: GPL-3.0-or-later
"""The program as a screen reader user meets it: every dialog worked by keyboard alone (keys
synthesised through the AT-SPI registry), and every interactive control read from the AT-SPI tree.

For each dialog: every interactive control has a name, and not its value; Tab reaches every enabled
control. In the wizard, Enter in a field moves to the next page and the box receives the write
(its simulator's request log); what was typed is what the box reports next.

Runs on the workstation host of the LAN under a session bus; started by accessibility-on-lan.sh.
With --census it reports the same findings and fails on nothing."""

import argparse
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

R = Atspi.Role
S = Atspi.StateType

# Keysyms.
TAB, RETURN, ESCAPE, SPACE, DOWN, MENU = 0xFF09, 0xFF0D, 0xFF1B, 0x20, 0xFF54, 0xFF67
CONTROL = 1 << 2  # the modifier mask

# Roles of the controls a user works with; lists, tables and combos are one control each.
CONTROL_ROLES = {
    R.PUSH_BUTTON, R.CHECK_BOX, R.RADIO_BUTTON, R.TEXT, R.ENTRY, R.PASSWORD_TEXT, R.LIST,
    R.LIST_BOX, R.TABLE, R.TREE, R.TREE_TABLE, R.COMBO_BOX, R.SPIN_BUTTON, R.DATE_EDITOR,
}
TEXT_ROLES = {R.TEXT, R.ENTRY, R.PASSWORD_TEXT}
# Containers the walk goes into (a wizard's page is a dialog inside the wizard's frame).
CONTAINER_ROLES = {R.PANEL, R.FILLER, R.FRAME, R.DIALOG, R.WINDOW, R.GROUPING, R.SECTION,
                   R.INTERNAL_FRAME, R.SCROLL_PANE, R.UNKNOWN}


class CheckError(Exception):
    pass


def wait_for(probe, timeout, step=0.02):
    """probe() until it gives something true, at most `timeout` seconds; None when it never did."""
    end = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while True:
        while context.iteration(False):
            pass  # the events that came meanwhile
        try:
            value = probe()
        except GLib.Error:
            value = None  # an object that went away while it was read
        if value:
            return value
        if time.monotonic() >= end:
            return None
        time.sleep(step)


def has(obj, state):
    return obj.get_state_set().contains(state)


def text_of(obj):
    """The whole text of an object with the Text interface, else None."""
    if "Text" not in obj.get_interfaces():
        return None
    return Atspi.Text.get_text(obj, 0, Atspi.Text.get_character_count(obj))


def key(sym, modifiers=0):
    if modifiers:
        Atspi.generate_keyboard_event(modifiers, None, Atspi.KeySynthType.LOCKMODIFIERS)
    Atspi.generate_keyboard_event(sym, None, Atspi.KeySynthType.SYM)
    if modifiers:
        Atspi.generate_keyboard_event(modifiers, None, Atspi.KeySynthType.UNLOCKMODIFIERS)


def type_text(text):
    Atspi.generate_keyboard_event(0, text, Atspi.KeySynthType.STRING)


def selected_name(view):
    """The name of the first selected row of a list, or None."""
    for i in range(min(view.get_child_count(), 200)):
        item = view.get_child_at_index(i)
        if item is not None and has(item, S.SELECTED):
            return (item.get_name() or "").strip()
    return None


class Control:
    """One interactive control of a dialog as the tree shows it."""

    def __init__(self, obj, kind, parts=()):
        self.obj = obj
        self.kind = kind  # the role's name, or "ip address"
        self.parts = list(parts)  # an address control's four fields

    def name(self):
        return (self.obj.get_name() or "").strip()

    def value(self):
        """What the control holds: its text, chosen item or address; None for buttons."""
        if self.kind == "ip address":
            return ".".join((text_of(p) or "") for p in self.parts)
        role = self.obj.get_role()
        if role in TEXT_ROLES or role in (R.SPIN_BUTTON, R.DATE_EDITOR):
            return text_of(self.obj)
        if role == R.COMBO_BOX:
            # The field of an editable combo, else the row chosen in its list.
            children = [self.obj.get_child_at_index(i) for i in range(self.obj.get_child_count())]
            for child in children:
                if child is not None and child.get_role() in TEXT_ROLES:
                    return text_of(child)
            for child in children:
                if child is not None and child.get_role() in (R.LIST, R.LIST_BOX, R.TABLE):
                    return selected_name(child)
            return text_of(self.obj)
        if role in (R.LIST, R.LIST_BOX, R.TABLE, R.TREE, R.TREE_TABLE):
            return selected_name(self.obj)
        return None

    def focused(self):
        objs = [self.obj] + self.parts
        return any(has(o, S.FOCUSED) for o in objs)

    def usable(self):
        return has(self.obj, S.ENABLED) and has(self.obj, S.SHOWING)


def collect(root):
    """The interactive controls under `root` that are on the screen, in tree order."""
    found = []

    def walk(obj):
        for i in range(obj.get_child_count()):
            child = obj.get_child_at_index(i)
            if child is None or not has(child, S.SHOWING):
                continue
            role = child.get_role()
            if role in CONTROL_ROLES:
                found.append(Control(child, child.get_role_name()))
                continue
            fields = [child.get_child_at_index(j) for j in range(child.get_child_count())]
            fields = [f for f in fields if f is not None and f.get_role() in TEXT_ROLES]
            if len(fields) == 4:
                # Four fields in one frame: an address control, one control with four parts.
                found.append(Control(child, "ip address", fields))
                continue
            if role in CONTAINER_ROLES:
                walk(child)

    walk(root)
    return found


class Report:
    def __init__(self):
        self.rows = []
        self.faults = []

    def fault(self, where, what):
        self.faults.append(f"{where}: {what}")
        print(f"a11y: FAULT: {where}: {what}", flush=True)

    def table(self):
        print("a11y: dialog                              controls  unnamed  by-value  unreached")
        for row in self.rows:
            print("a11y: %-36s %8d %8d %9d %10d" % row)
        totals = [sum(r[i] for r in self.rows) for i in range(1, 5)]
        print("a11y: %-36s %8d %8d %9d %10d" % ("total", *totals))


class Session:
    def __init__(self, args):
        self.args = args
        self.report = Report()
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   GVFS_REMOTE_VOLUME_MONITOR_IGNORE="1")
        self.log = open(os.path.join(os.environ["HOME"], "halvo.log"), "w")
        self.proc = subprocess.Popen([args.halvo], env=env, stdout=self.log,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        # What got the focus last, as the events tell it: popup menus are not in the tree.
        self.focus_events = []
        self.listener = Atspi.EventListener.new(self.on_focus)
        self.listener.register("object:state-changed:focused")
        self.app = wait_for(self.find_app, 20)
        if self.app is None:
            raise CheckError("the program did not appear on the AT-SPI bus")

    def on_focus(self, event):
        if event.detail1 == 1:
            self.focus_events.append(event.source.get_name() or "")

    def menu_choose(self, prefix):
        """Opens the window menu with the menu key and moves down to the item `prefix`."""
        self.focus_events.clear()
        key(MENU)
        for _ in range(8):
            seen = len(self.focus_events)
            key(DOWN)
            got = wait_for(lambda: len(self.focus_events) > seen and self.focus_events[-1], 1.0)
            if got and got.startswith(prefix):
                key(RETURN)
                return
        raise CheckError(f"the window menu has no item '{prefix}'")

    def find_app(self):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == self.proc.pid:
                return app if app.get_child_count() > 0 else None
        return None

    def window(self, title, timeout=10):
        """The top-level window called `title` once it is on the screen."""

        def probe():
            for i in range(self.app.get_child_count()):
                w = self.app.get_child_at_index(i)
                if w is not None and w.get_name() == title and has(w, S.SHOWING):
                    return w
            return None

        w = wait_for(probe, timeout)
        if w is None:
            raise CheckError(f"the window '{title}' did not appear")
        return w

    def back_to(self, window):
        """Gives the keyboard back to `window` when no window has it once the one above it went.
        That is the window manager's part, and Xvfb has none."""
        if wait_for(lambda: has(window, S.ACTIVE), 0.5):
            return
        print(f"a11y: (no window has the keyboard: given to '{window.get_name()}' as a window "
              "manager would)", flush=True)
        subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{window.get_name()}$",
                        "windowfocus"], check=False)
        if not wait_for(lambda: has(window, S.ACTIVE), 5):
            raise CheckError(f"the window '{window.get_name()}' could not be given the keyboard")

    def gone(self, window, timeout=10):
        def probe():
            try:
                return not has(window, S.SHOWING)
            except GLib.Error:
                return True

        if not wait_for(probe, timeout):
            raise CheckError(f"the window '{window.get_name()}' did not close")

    # The focus, one control at a time.

    def focused(self, controls):
        for c in controls:
            if c.focused():
                return c
        return None

    def tab(self, controls, current):
        """Tab, and the control that has the focus then (None when it stayed on `current`)."""
        key(TAB)
        return wait_for(lambda: (f := self.focused(controls)) is not current and f, 1.0)

    def tab_walk(self, controls):
        """The controls Tab visits from the focused one round to it again, in order."""
        start = wait_for(lambda: self.focused(controls), 3)
        if start is None:
            return []
        seen = [start]
        current = start
        for _ in range(len(controls) + 2):
            current = self.tab(controls, current)
            if current is None or current in seen:
                break  # round to the start, or stuck, or a cycle that does not pass the start
            seen.append(current)
        return seen

    def focus(self, controls, name, kind=None):
        """Tabs until the control called `name` has the focus. A census also takes an unnamed
        control of that kind, so that a build without names can be worked too."""

        def wanted(c):
            named = c.name() == name or (self.args.census and kind is not None and not c.name())
            return c is not None and named and kind in (None, c.kind)

        current = wait_for(lambda: self.focused(controls), 2)
        for _ in range(len(controls) + 2):
            if current is not None and wanted(current):
                return current
            current = self.tab(controls, current)
        raise CheckError(f"Tab did not reach '{name}'")

    def press(self, controls, name):
        self.focus(controls, name, "push button")
        key(SPACE)

    # The census of one dialog.

    def examine(self, title, window):
        controls = collect(window)
        unnamed = by_value = 0
        for c in controls:
            name, value = c.name(), c.value()
            if not name:
                unnamed += 1
                self.report.fault(title, f"{c.kind} without a name (value {value!r})")
            elif value and name == value.strip():
                by_value += 1
                self.report.fault(title, f"{c.kind} named only by its value {value!r}")
            for i, part in enumerate(c.parts):
                pname, pvalue = (part.get_name() or "").strip(), text_of(part) or ""
                if not pname or pname == pvalue.strip():
                    self.report.fault(title, f"part {i + 1} of address control '{name}' is "
                                             f"named {pname!r} (value {pvalue!r})")
        reached = self.tab_walk(controls)
        unreached = [c for c in controls if c.usable() and c not in reached]
        for c in unreached:
            self.report.fault(title, f"Tab does not reach {c.kind} '{c.name()}'")
        self.report.rows.append((title, len(controls), unnamed, by_value, len(unreached)))
        print(f"a11y: {title}: {len(controls)} controls, Tab order: "
              + ", ".join(f"{c.kind} '{c.name()}'" for c in reached), flush=True)
        return controls

    def field(self, window, caption):
        """The text of the value field `caption` of an information pane: named by its caption,
        it has its text as description; unnamed (a census of an older build), it is the label
        after the caption's own label."""
        before = None
        for i in range(window.get_child_count()):
            child = window.get_child_at_index(i)
            if child is None or child.get_role() != R.LABEL:
                continue
            name = child.get_name()
            if name == caption:
                return child.get_description()
            if before == caption + ":" and self.args.census:
                return name
            before = name
        return None

    def verify(self, box, examine=False):
        """The administrator's name and password, typed into the verification."""
        verify = self.window("Verify")
        controls = self.examine("administrator verification", verify) if examine else collect(verify)
        self.focus(controls, "Name", "text")
        type_text(box["admin_name"])
        self.focus(controls, "Password", "password text")
        type_text(box["admin_password"])
        key(RETURN)
        self.gone(verify)

    # The simulator's side.

    def box_requests(self, command):
        with open(self.args.box_log, encoding="utf-8", errors="replace") as log:
            return sum(1 for line in log if line.startswith(f"request {command} "))


def read_config(path):
    """The administrator's name and password and the box's name, from the box's config."""
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.lstrip().startswith(("#", ";")):
                k, v = line.split("=", 1)
                values[k.strip()] = v.strip()
    return values


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--census", action="store_true")
    parser.add_argument("--halvo", required=True)
    parser.add_argument("--config", required=True)
    parser.add_argument("--box-log", required=True)
    args = parser.parse_args()
    box = read_config(args.config)
    started = time.monotonic()
    Atspi.init()
    s = Session(args)
    try:
        run(s, box)
    except CheckError as e:
        s.report.fault("run", str(e))
    except GLib.Error as e:
        status = wait_for(lambda: s.proc.poll() is not None, 2) and s.proc.returncode
        s.report.fault("run", f"the program went from the bus ({e.message}; status {status})")
    finally:
        if s.proc.poll() is None:
            s.proc.kill()
        s.proc.wait()
    s.report.table()
    print(f"a11y: {time.monotonic() - started:.1f} s", flush=True)
    if s.report.faults and not args.census:
        print(f"a11y: FAILED: {len(s.report.faults)} fault(s)", file=sys.stderr)
        return 1
    return 0


def run(s, box):
    main = s.window("Halvo")
    # The list has the focus at the start; nothing is selected until the user picks a box.
    controls = s.examine("main window, nothing selected", main)

    s.press(controls, "About")
    about = s.window("About")
    s.examine("About", about)
    key(ESCAPE)
    s.gone(about)
    s.back_to(main)

    # The window menu (the menu key): its first item is "Add device by address". Qt shows no
    # popup menu in the tree (only the focus events of its items), so the dialog it opens shows
    # that the keys reached it.
    s.menu_choose("Add device by address")
    add = s.window("Add device by address")
    s.examine("Add device by address", add)
    key(ESCAPE)
    s.gone(add)
    s.back_to(main)

    # A box picked from the list by typing its name fills in its details (a census: whatever
    # the build shows of them).
    if not select_box(s, box, main, None if s.args.census else box["description"]):
        raise CheckError("picking the box by keyboard did not show its details")
    controls = s.examine("main window, a box selected", main)

    # Share mapping, behind the administrator's verification.
    s.press(controls, "Share mapping")
    s.verify(box, examine=True)
    mapping = s.window("Share Mapping")
    s.examine("Share mapping", mapping)
    key(ESCAPE)
    s.gone(mapping)
    s.back_to(main)

    wizard_by_enter(s, box, main)

    # Esc in the main window ends the program.
    key(ESCAPE)
    if wait_for(lambda: s.proc.poll() is not None, 10) is None:
        raise CheckError("Esc in the main window did not end the program")
    # Only reported: a sanitizer's leak report at the exit is not this check's business.
    print(f"a11y: Esc ended the program (status {s.proc.returncode})", flush=True)


def select_box(s, box, main, description):
    """Picks the box from the list by typing its name, as a user does, and waits for its details
    (the wizard's button comes on with them); True when they show `description` (None: any)."""
    controls = wait_for(lambda: collect(main), 5)
    s.focus(controls, "Device list", "list")
    type_text(box["name"])
    button = next(c for c in controls if c.name() == "Setup wizard")
    if not wait_for(button.usable, 10):
        return False
    return description is None or wait_for(
        lambda: s.field(main, "Description") == description, 5) is not None


def open_wizard(s, box, main):
    s.press(collect(main), "Setup wizard")
    s.verify(box)
    return s.window("Wizard")


def on_network_page(wizard):
    return any(c.kind == "ip address" for c in collect(wizard))


def enter_moves_on(s, wizard, page, field, kind, command, arrived):
    """Enter in `field` of the page on show: the next page comes and the box receives `command`."""
    s.focus(page, field, kind)
    writes = s.box_requests(command)
    key(RETURN)
    if not wait_for(lambda: has(wizard, S.SHOWING) and arrived(), 10):
        s.report.fault("wizard", f"Enter in '{field}' did not move to the next page")
        return False
    if not wait_for(lambda: s.box_requests(command) > writes, 5):
        s.report.fault("wizard", f"Enter in '{field}': the box did not receive {command}")
        return True
    print(f"a11y: wizard: Enter in '{field}' moved to the next page; the box received {command}",
          flush=True)
    return True


# What the wizard writes as the box's description (letters, digits, space, - and _ only).
DESCRIPTION = "Rack 7 set by keyboard"


def describe(s, page):
    """Types the new description over the old one (which may hold what the wizard refuses)."""
    s.focus(page, "Device description", "text")
    key(ord("a"), CONTROL)
    type_text(DESCRIPTION)


def wizard_by_enter(s, box, main):
    """The wizard's three pages worked by Enter in a field: each moves to the next page, the box
    gets each page's settings, and the last Enter finishes. In a census, a wizard that Enter
    ended is opened again and moved on with its Next >> button, to see its other pages."""
    wizard = open_wizard(s, box, main)
    page = s.examine("wizard, page 1", wizard)

    describe(s, page)
    by_enter = enter_moves_on(s, wizard, page, "Device description", "text", "set_system_info",
                              lambda: on_network_page(wizard))
    if not by_enter:
        wizard = reopen_at(s, box, main, wizard, 1)
    page = s.examine("wizard, page 2", wizard)

    if by_enter:
        by_enter = enter_moves_on(s, wizard, page, "Default gateway", "ip address",
                                  "set_network_info", lambda: not on_network_page(wizard))
        if not by_enter:
            wizard = reopen_at(s, box, main, wizard, 2)
    else:
        s.press(page, "Next >>")  # a census of a build whose Enter failed: on by the button
        wait_for(lambda: not on_network_page(wizard), 10)
    page = s.examine("wizard, page 3", wizard)
    if by_enter:
        # The focus is where the page change left it (the walk went round once): Enter again
        # is "Finished".
        key(RETURN)
    else:
        s.press(page, "Finished")
    if not wait_for(lambda: not has(wizard, S.SHOWING), 5):
        s.report.fault("wizard", "Enter on the last page, where the focus was left, did not "
                                 "finish the wizard")
        key(ESCAPE)
    s.gone(wizard)
    s.back_to(main)

    # The list is rebuilt; picked again, the box reports what was typed.
    if select_box(s, box, main, DESCRIPTION):
        how = "Enter" if by_enter else "its button"
        print(f"a11y: wizard: finished by {how}; the box reports the description "
              f"{DESCRIPTION!r}", flush=True)
    else:
        s.report.fault("wizard", f"the box reports the description "
                                 f"{s.field(main, 'Description')!r}, not {DESCRIPTION!r}")


def reopen_at(s, box, main, wizard, index):
    """After a fault, in a census only: the wizard on page `index`, by its Next >> button."""
    if not s.args.census:
        raise CheckError("the wizard cannot go on")
    if has(wizard, S.SHOWING):
        key(ESCAPE)
        s.gone(wizard)
    s.back_to(main)
    select_box(s, box, main, None)
    wizard = open_wizard(s, box, main)
    describe(s, collect(wizard))
    for i in range(index):
        s.press(collect(wizard), "Next >>")
        wait_for(lambda: on_network_page(wizard) == (i == 0), 5)
    return wizard


if __name__ == "__main__":
    sys.exit(main())

