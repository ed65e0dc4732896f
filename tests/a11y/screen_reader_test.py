#!/usr/bin/env python3
"""The main window as a screen reader reads it.

Starts the real program on an X display with the desktop accessibility bus, feeds
scanner replies through a pseudo-terminal linked as com1, and reads names, states
and texts back from the AT-SPI tree, not from the widgets.

Usage: screen_reader_test.py SCANDECK SCANDECK_DEMO_SEED
Run it through run.sh, which provides the display and the D-Bus session.
"""
import os
import subprocess
import sys
import tempfile
import threading
import time

import pyatspi
from gi.repository import GLib

SKIP = 77
failures = []
checks = 0


def check(ok, what):
    global checks
    checks += 1
    if not ok:
        failures.append(what)
        print("FAIL:", what)


class Scanner:
    """The scanner's end of the line: drains what the program writes, sends replies."""

    def __init__(self, folder):
        self.master, self.slave = os.openpty()
        os.symlink(os.ttyname(self.slave), os.path.join(folder, "com1"))
        self.received = b""
        self.lock = threading.Lock()
        threading.Thread(target=self._drain, daemon=True).start()

    def _drain(self):
        while True:
            try:
                data = os.read(self.master, 4096)
            except OSError:
                return
            with self.lock:
                self.received += data

    def polled(self):
        with self.lock:
            return b"WI\rMD\rDL\r" in self.received

    def send(self, *replies):
        os.write(self.master, "".join(r + "\r" for r in replies).encode("latin-1"))


# What the program announced: (event type, the source's name at the time).
announced = []


def on_event(event):
    try:
        announced.append((event.type, event.source.name))
    except Exception:  # the source went away
        pass


def pump(seconds):
    """Lets announcements arrive, as a screen reader's main loop would."""
    context = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def find_app(name, timeout):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def walk(node, out, depth=0):
    if node is None or depth > 40:
        return
    try:
        node.clear_cache()
        role = node.getRoleName()
        name = node.name or ""
        states = node.getState()
        text = None
        try:
            t = node.queryText()
            text = t.getText(0, -1)
        except NotImplementedError:
            pass
        out.append({"role": role, "name": name, "showing": states.contains(pyatspi.STATE_SHOWING),
                    "checked": states.contains(pyatspi.STATE_CHECKED), "text": text})
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), out, depth + 1)
    except Exception as error:  # a node that went away while being read
        print("note: skipped a node:", error)


def read_tree(app):
    nodes = []
    walk(app, nodes)
    return nodes


def named(nodes, name, showing=True):
    return [n for n in nodes if n["name"] == name and (n["showing"] or not showing)]


def expect_names(nodes, names):
    for name in names:
        check(named(nodes, name), "a showing element named %r" % name)


# A checkable menu entry is a check box, so that a screen reader says "not checked";
# one of a group of which exactly one is chosen is a radio item.
MENU_ENTRY_ROLES = ("menu item", "check box", "radio button")


def expect_menu_check(app, name, checked, timeout=3.0):
    """A menu's check state can reach the bus a moment after the names of the same tick."""
    end = time.time() + timeout
    while True:
        nodes = read_tree(app)
        items = [n for n in nodes if n["name"] == name and n["role"] in MENU_ENTRY_ROLES]
        if (items and items[0]["checked"] == checked) or time.time() >= end:
            break
        pump(0.1)
    check(items and items[0]["checked"] == checked, "menu item %r %s, among %r" % (
        name, "checked" if checked else "unchecked", [(n["name"], n["checked"]) for n in nodes if "menu" in n["role"]]))


def wait_for(app, name, timeout=5.0):
    end = time.time() + timeout
    while time.time() < end:
        nodes = read_tree(app)
        if named(nodes, name):
            return nodes
        pump(0.2)
    return read_tree(app)


def find_node(node, name, role=None, depth=0):
    """The live accessible named `name` (and of a role containing `role`), or None."""
    if node is None or depth > 40:
        return None
    try:
        if node.name == name and (role is None or role in node.getRoleName()):
            return node
        for i in range(node.childCount):
            found = find_node(node.getChildAtIndex(i), name, role, depth + 1)
            if found is not None:
                return found
    except Exception:  # a node that went away while being read
        pass
    return None


def wait_node(app, name, role=None, timeout=5.0):
    end = time.time() + timeout
    while time.time() < end:
        found = find_node(app, name, role)
        if found is not None:
            return found
        pump(0.2)
    return None


def press(node):
    """What voice control and automation tools do: the element's first action."""
    node.queryAction().doAction(0)


def ends_within(proc, seconds):
    try:
        return proc.wait(seconds) == 0
    except subprocess.TimeoutExpired:
        return False


def start(program, folder, env):
    proc = subprocess.Popen([program], cwd=folder, env=env)
    return proc, find_app("ScanDeck", 20)


def main():
    program, seed = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    folder = tempfile.mkdtemp(prefix="scandeck-a11y-")
    subprocess.run([seed, folder], check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, "scandeck.ini"), "wb") as ini:
        ini.write(b"[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n[WindowWidth]=7320\r\n[WindowHeight]=5500\r\n")
    scanner = Scanner(folder)
    pyatspi.Registry.registerEventListener(on_event, "object:property-change:accessible-name",
                                           "object:state-changed:checked", "object:state-changed:showing")

    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               LC_ALL="C.UTF-8", LANG="C.UTF-8")
    proc, app = start(program, folder, env)
    try:
        if app is None:
            print("SKIP: the program never appeared on the accessibility bus")
            return SKIP
        end = time.time() + 10
        while not scanner.polled() and time.time() < end:
            time.sleep(0.05)
        check(scanner.polled(), "the program polls through com1")

        scanner.send("MD17", "W110 F01544300", "TB D METRO 800 ", "IC A1 04-023", "ID S 04-023", "+",
                     "DSN", "ATF", "PRN", "DLN", "LON", "LTN", "MUN", "LL01180000", "LU01370000",
                     "SB ACJ", "IS B")
        nodes = wait_for(app, "Mode: Scan ID")
        expect_names(nodes, [
            "Mode: Scan ID", "Frequency: 154.4300", "Channel number: 2", "Channel name: Fire Dispatch",
            "Channel type: FDP", "Squelch open", "Trunk frequency bank: 4", "Trunked system: METRO 800",
            "Talkgroup ID: 04-023", "Talkgroup name: Fire Dispatch", "Talkgroup type: FDP", "Talkgroup active",
            "ID channel: 1-1", "Current ID channel: 1-1", "ID on the current ID channel: 04-023",
            "Name of the ID on the current ID channel: Fire Dispatch",
            "DATA, data skip on", "ATT, attenuator off", "PRI, priority on", "DLY, delay on", "L/O, lockout on",
            "1, frequency bank 1 selected", "2, frequency bank 2 not selected", "3, frequency bank 3 selected",
            "10, frequency bank 10 selected", "1, ID bank 1 not selected", "2, ID bank 2 selected",
            "Light is on, switch it off", "SCAN key, scan the memory channels", "TRUNK key, track a trunked system",
        ])
        check(not named(nodes, "Light is off, switch it on"), "the light-off picture is not showing")
        data = named(nodes, "DATA, data skip on")
        check(data and data[0]["checked"], "DATA reads as checked")
        limits = {n["name"]: n["text"] for n in nodes if n["name"].endswith("search limit, MHz")}
        check(limits.get("Lower search limit, MHz") == "118.0000", "lower limit box reads 118.0000: %r" % limits)
        check(limits.get("Upper search limit, MHz") == "137.0000", "upper limit box reads 137.0000: %r" % limits)
        expect_menu_check(app, "Mute", True)
        expect_menu_check(app, "Monitoring Discriminator", False)
        expect_menu_check(app, "Set Light Permanent", True)
        choices = [n for n in read_tree(app) if n["name"].startswith("Announce ")]
        check(len(choices) == 3 and all(n["role"] == "radio button" for n in choices),
              "the announcement choices are radio items: %r" % [(n["name"], n["role"]) for n in choices])
        check(any(n["name"] == "Announce Talkgroups and Channels" and n["checked"] for n in choices),
              "the default choice is the chosen radio item")
        # The talkgroup that started was announced; the notice is not left showing.
        end = time.time() + 5
        while time.time() < end and not any(kind.endswith("showing") for kind, _ in announced):
            pump(0.1)
        check(any(kind.endswith("showing") and name == "Talkgroup Fire Dispatch" for kind, name in announced),
              "the talkgroup was announced: %r" % [a for a in announced if a[0].endswith("showing")])
        notices = [n for n in read_tree(app) if n["role"] == "notification"]
        check(notices and not any(n["showing"] for n in notices),
              "the announcement is not showing after it was spoken: %r" % notices)

        pump(0.5)
        del announced[:]
        scanner.send("-", "ID E 04-023", "DSF", "MUF", "LTF", "SB B", "MD00")
        nodes = wait_for(app, "Mode: Scan Mode")
        pump(0.5)
        names = {name for kind, name in announced if kind.endswith("accessible-name")}
        for name in ["Mode: Scan Mode", "Squelch closed", "DATA, data skip off", "2, frequency bank 2 selected"]:
            check(name in names, "the change to %r is announced" % name)
        checks_changed = {name for kind, name in announced if kind.endswith("checked")}
        for name in ["DATA, data skip off", "Mute", "Monitoring Discriminator", "Set Light Permanent"]:
            check(name in checks_changed, "the check state of %r is announced" % name)
        check(len(announced) < 60, "only changes are announced (%d announcements)" % len(announced))
        expect_names(nodes, [
            "Mode: Scan Mode", "Squelch closed", "No talkgroup active", "Talkgroup ID: none", "DATA, data skip off",
            "1, frequency bank 1 not selected", "2, frequency bank 2 selected", "Light is off, switch it on",
        ])
        data = named(nodes, "DATA, data skip off")
        check(data and not data[0]["checked"], "DATA reads as not checked")
        expect_menu_check(app, "Mute", False)
        expect_menu_check(app, "Monitoring Discriminator", True)

        # The log is switched off: its entries cannot be run by an accessibility
        # action any more than by the mouse.
        ini = os.path.join(folder, "scandeck.ini")
        with open(ini, "rb") as f:
            before = f.read()
        for name in ["Log Enable", "Setup General Log", "Setup Statistics Log"]:
            entry = find_node(app, name, "menu item") or find_node(app, name, "check box")
            check(entry is not None and not entry.getState().contains(pyatspi.STATE_ENABLED),
                  "%r is itself unavailable" % name)
            if entry is not None:
                press(entry)
        pump(0.5)
        with open(ini, "rb") as f:
            check(f.read() == before, "the log entries' actions leave scandeck.ini alone")
        check(find_node(app, "General Log Setup") is None, "no log window opened")

        # The windows that are no dialogs are frames, named by their titles.
        for entry, title in [("Heard List", "Heard - ScanDeck"), ("Integrations...", "Integrations")]:
            item = find_node(app, entry, "menu item")
            check(item is not None, "%r is on the bus" % entry)
            if item is not None:
                press(item)
            window = wait_node(app, title)
            check(window is not None and window.getRoleName() == "frame",
                  "%r is a frame: %r" % (title, window and window.getRoleName()))

        # kill (SIGTERM): the shut-down without its question, ending with status 0.
        proc.terminate()
        check(ends_within(proc, 5), "SIGTERM ends the program in order, status 0 (got %r)" % proc.poll())
        with open(ini, "rb") as f:
            lines = f.read().split(b"\r\n")
        check(len(lines) == 15 and b"[comm port]=1" in lines and b"[comm speed]=9600,n,8,1" in lines,
              "scandeck.ini written with its 14 lines on SIGTERM: %r" % lines)

        # Ending at once through accessibility actions: the setup window's OK and its
        # message, and File > Exit, end the process promptly.
        proc, app = start(program, folder, env)
        setup = app and wait_node(app, "Setup", "menu item", 20)
        check(setup is not None, "File > Setup is on the bus")
        if setup is not None:
            press(setup)
            ok = wait_node(app, "OK, save the configuration and end the program")
            check(ok is not None, "the setup window's OK is on the bus")
            if ok is not None:
                press(ok)
                done = wait_node(app, "OK", "push button")
                check(done is not None, "the saved-and-restart message is on the bus")
                if done is not None:
                    press(done)
            check(ends_within(proc, 5), "the setup window's OK through AT-SPI ends the program within 5 s")
        proc.kill() if proc.poll() is None else None
        proc, app = start(program, folder, env)
        leave = app and wait_node(app, "Exit", "menu item", 20)
        check(leave is not None, "File > Exit is on the bus")
        if leave is not None:
            press(leave)
            check(ends_within(proc, 5), "File > Exit through AT-SPI ends the program within 5 s")
    finally:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
    print("%d passed, %d failed" % (checks - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
