#!/usr/bin/env python3
"""What Orca, the screen reader, says while a listener drives the program by keyboard.

Starts a speech server with a private configuration (the dummy voice: speech is
logged and no sound card is needed), Orca with its own preferences and debug log,
a window manager and the real program with scanner replies on a pseudo-terminal
linked as com1; presses keys as a listener would and asserts on the utterances
Orca's debug log records ("SPEECH OUTPUT: '...'").

Usage: orca_test.py SCANDECK SCANDECK_DEMO_SEED
Run it through orca_run.sh, which provides the display and the D-Bus session.
"""
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from screen_reader_test import Scanner  # noqa: E402

SKIP = 77
failures = []
checks = 0
# Orca's line buffering, switched on from its customizations: the log is read live.
CUSTOMIZATIONS = """import orca.debug
if orca.debug.debugFile:
    orca.debug.debugFile.reconfigure(line_buffering=True)
"""


def check(ok, what):
    global checks
    checks += 1
    print(("ok:   " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


class Orca:
    def __init__(self, folder, env):
        self.log = os.path.join(folder, "orca.log")
        prefs = os.path.join(folder, "orca-prefs")
        os.makedirs(prefs)
        with open(os.path.join(prefs, "orca-customizations.py"), "w") as f:
            f.write(CUSTOMIZATIONS)
        self.proc = subprocess.Popen(["orca", "-u", prefs, "--debug-file", self.log], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.mark = 0
        self.pending = 0

    def utterances(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                text = f.read()
        except OSError:
            return []
        # An utterance may hold quotes; Orca follows it with the voice in braces.
        return re.findall(r"SPEECH OUTPUT: '(.*?)'(?=\{| voice=|\s*$)", text, re.M)

    def said(self):
        """What Orca said since the last call."""
        words = self.utterances()
        new, self.mark = words[self.mark:], len(words)
        return new

    def wait_for(self, pattern, timeout=5.0):
        """Everything said until an utterance matches `pattern` (or the time is up)."""
        heard = []
        end = time.time() + timeout
        while True:
            heard += self.said()
            if any(re.search(pattern, u) for u in heard) or time.time() >= end:
                return heard
            time.sleep(0.1)


ORCA = None


def key(*names):
    """A key press as a hand makes it: down, a short pause, up; then waits until
    Orca has spoken about more than the key (or 3 s), so that on a busy machine
    no focus is skipped for a newer one."""
    for name in names:
        subprocess.run(["xdotool", "keydown", name], check=False)
        time.sleep(0.08)
        subprocess.run(["xdotool", "keyup", name], check=False)
        end = time.time() + 3
        while time.time() < end and not any(not u.endswith(" ") for u in ORCA.utterances()[ORCA.pending:]):
            time.sleep(0.05)
        ORCA.pending = len(ORCA.utterances())
        time.sleep(0.1)


def main():
    program, seed = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    scratch = tempfile.mkdtemp(prefix="scandeck-orca-")
    env = dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8", HOME=os.path.join(scratch, "home"),
               XDG_RUNTIME_DIR=os.path.join(scratch, "run"), XDG_CONFIG_HOME=os.path.join(scratch, "config"),
               XDG_CACHE_HOME=os.path.join(scratch, "cache"), XDG_DATA_HOME=os.path.join(scratch, "data"))
    for d in ("home", "config/speech-dispatcher", "cache", "data", "speechd-log"):
        os.makedirs(os.path.join(scratch, d))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    with open(os.path.join(scratch, "config/speech-dispatcher/speechd.conf"), "w") as f:
        f.write('LogLevel 3\nLogDir "%s"\nAddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\n'
                'AudioOutputMethod "libao"\n' % os.path.join(scratch, "speechd-log"))

    folder = os.path.join(scratch, "work")
    os.makedirs(folder)
    subprocess.run([seed, folder], check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, "scandeck.ini"), "wb") as ini:
        ini.write(b"[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n[WindowWidth]=7320\r\n[WindowHeight]=5500\r\n")
    scanner = Scanner(folder)

    global ORCA
    orca = ORCA = Orca(scratch, env)
    started = orca.wait_for(r"^Screen reader on", 20)
    if not any(u.startswith("Screen reader on") for u in started):
        orca.proc.kill()
        print("SKIP: Orca did not start (nothing said in 20 s; see %s)" % orca.log)
        return SKIP
    wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    app_env = dict(env, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    proc = subprocess.Popen([program], cwd=folder, env=app_env)
    try:
        return drive(orca, scanner, folder)
    finally:
        for p in (proc, wm, orca.proc):
            p.terminate()
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
        pid = os.path.join(env["XDG_RUNTIME_DIR"], "speech-dispatcher/pid/speech-dispatcher.pid")
        try:
            with open(pid) as f:
                os.kill(int(f.read().strip()), signal.SIGTERM)
        except (OSError, ValueError):
            pass
        print("%d passed, %d failed; Orca's log: %s" % (checks - len(failures), len(failures), orca.log))


def expect(heard, *patterns):
    """Each pattern matches an utterance; quotes what was heard."""
    for pattern in patterns:
        check(any(re.search(pattern, u) for u in heard), "Orca says /%s/ (heard %r)" % (pattern, heard))


def opens(orca, keys, pattern, timeout=8, tries=3):
    """Presses `keys` until Orca says `pattern`: on a loaded bus Qt's key events can
    time out on their way through the accessibility bus and arrive late or not at
    all, as a listener would press again. Between tries, Escape and back to the
    main window."""
    heard = []
    for attempt in range(tries):
        key(*keys)
        heard += orca.wait_for(pattern, timeout)
        if any(re.search(pattern, u) for u in heard):
            return heard
        key("Escape")
        orca.wait_for(r"ScanDeck frame", 3)
    return heard


def drive(orca, scanner, folder):
    heard = orca.wait_for(r"ScanDeck frame", 20)
    if not any(u.startswith("ScanDeck frame") for u in heard):
        # On a loaded machine the window manager may map the window before Orca
        # listens; activating it again is what a listener's Alt+Tab does.
        subprocess.run(["xdotool", "search", "--sync", "--name", "^ScanDeck", "windowactivate"], check=False, timeout=15)
        heard += orca.wait_for(r"ScanDeck frame", 10)
    expect(heard, r"^ScanDeck frame")
    end = time.time() + 10
    while not scanner.polled() and time.time() < end:
        time.sleep(0.05)
    scanner.send("MD17", "W110 F01544300", "TB D METRO 800 ", "IC A1 04-023", "LON", "DSN", "SB ACJ", "IS B")
    orca.wait_for(r"Scan ID", 5)

    # The keys and indicators with their states, by Tab.
    heard = []
    for _ in range(20):
        key("Tab")
        heard += orca.said()
        if any(u.startswith("L/O, lockout on push button") for u in heard):
            break
    expect(heard, r"^Frequency: 154\.4300 label", r"^DATA, data skip on push button", r"^ATT, attenuator off",
           r"^L/O, lockout on push button")
    # The display by where-am-I (KP_Enter), and what the focus does not see.
    key("KP_Enter")
    expect(orca.wait_for(r"lockout", 3), r"^L/O, lockout on push button")
    scanner.send("ID S 04-023")
    expect(orca.wait_for(r"Talkgroup", 3), r"^notification Talkgroup Fire Dispatch")
    # A value that changes under the focus.
    scanner.send("LOF")
    expect(orca.wait_for(r"lockout off", 3), r"^notification L/O, lockout off")
    key("KP_Enter")
    expect(orca.wait_for(r"lockout", 3), r"^L/O, lockout off push button")  # the focus stayed

    # More keys and the bank indicators further on, then the text boxes: each spoken
    # on its first visit.
    heard = []
    for _ in range(50):
        key("Tab")
        heard += orca.said()
        if any(u.startswith("Upper text") for u in heard):
            break
    expect(heard, r"^TRUNK key, ", r"^2, ID bank 2 selected", r"^1, ID bank 1 not selected", r"^SCAN key, ",
           r"^Key eight, function key", r"^Freq Ch text", r"^ID Ch text", r"^ID Ch, channel in the ID bank.* text",
           r"^Lower text", r"^Upper text")

    # The menus with their unavailable entries.
    key("alt+f", "Down", "Down", "Down", "Down", "Escape", "Escape")
    expect(orca.wait_for(r"^Upgrade", 5), r"^See Data  Computer <=> Bc245", r"^Upgrade \(need internet access\) grayed")
    # Checkable entries with their state, checked or not.
    key("alt+o", "Down", "Down", "Down", "Down", "Down", "Right", "Down", "Down", "Escape", "Escape", "Escape")
    menu = orca.wait_for(r"^selected radio button", 5)
    expect(menu, r"^Log Function grayed", r"^Set Light Permanent check box not checked",
           r"^Mute check box not checked", r"^Announcements", r"^Announce Nothing but the Focused Control",
           r"^Announce Talkgroups\.?$", r"^not selected radio button", r"^selected radio button")
    # The three announcement choices exclude each other: radio items, never check boxes.
    check(not any(u.startswith("Announce") and "check box" in u for u in menu), "announcement choices are radio items")

    # The Heard window: a frame; its Find box speaks on the first Tab; one Tab
    # leaves the table, Shift+Tab comes back; Escape closes it.
    expect(opens(orca, ("alt+e", "Down", "Down", "Return"), r"^Heard - ScanDeck"), r"^Heard - ScanDeck frame")
    heard = []
    for _ in range(4):
        key("Tab")
        heard += orca.said()
        if any(u.startswith("Find") for u in heard):
            break
    expect(heard, r"^Find text")
    key("Tab")
    expect(orca.said(), r"^Heard list", r"^table with [1-9]\d* rows? ")
    key("Down")  # the arrows move in the table: a row is chosen, "Alert me" follows it
    key("Tab")
    expect(orca.said(), r"^Alert me")
    key("shift+Tab")
    expect(orca.said(), r"^Heard list")
    key("Escape")
    expect(orca.wait_for(r"ScanDeck frame", 4), r"^ScanDeck frame")

    # The Integrations window: a frame Orca names; the Delay box's caption once.
    expect(opens(orca, ("alt+o", "i"), r"^Integrations"), r"^Integrations frame")
    heard = []
    for _ in range(10):
        key("Tab")
        heard += orca.said()
        if any("spin button" in u and "Delay" in u for u in heard):
            break
    delay = [u for u in heard if "Delay" in u]
    check(len(delay) == 1 and delay[0].count("Delay") == 1, "the Delay box's caption is said once (heard %r)" % heard)
    # Further on by Tab, the stream's part: its switch and its format list speak
    # their captions and states.
    heard = []
    for _ in range(8):
        key("Tab")
        heard += orca.said()
        if any("Send the audio" in u for u in heard):
            break
    expect(heard, r"^Send the audio to an Icecast server, just as it is heard check box not checked")
    heard = []
    for _ in range(7):
        key("Tab")
        heard += orca.said()
        if any("Format" in u for u in heard):
            break
    expect(heard, r"^Format: combo box", r"MP3")
    # Then the MQTT part: its switch speaks its caption and state.
    heard = []
    for _ in range(12):
        key("Tab")
        heard += orca.said()
        if any("MQTT" in u for u in heard):
            break
    expect(heard, r"^Publish to an MQTT broker check box not checked")
    key("Escape")
    expect(orca.wait_for(r"ScanDeck frame", 4), r"^ScanDeck frame")

    # The Remote window: a dialog Orca names, its switch with caption and state; the
    # port and the password speak their captions by Tab; Escape closes it.
    heard = opens(orca, ("alt+o", "t"), r"^Remote")
    expect(heard + orca.wait_for(r"Serve the page", 4), r"^Remote dialog",
           r"^Serve the page to a browser check box not checked")
    heard = []
    for _ in range(5):
        key("Tab")
        heard += orca.said()
        if any("password" in u.lower() for u in heard):
            break
    expect(heard, r"^Address: combo box", r"^Port: 8245 spin button", r"^New password: password text")
    key("Escape")
    expect(orca.wait_for(r"ScanDeck frame", 4), r"^ScanDeck frame")

    # A list to choose from speaks its chosen item on its first focus.
    heard = opens(orca, ("alt+e", "x"), r"^Export")
    expect(heard + orca.wait_for(r"^Both directories", 5), r"^Export dialog", r"^Directory: combo box",
           r"^Both directories")
    key("Tab")
    expect(orca.said(), r"^Bank: combo box", r"^Every bank")
    key("Escape")
    orca.wait_for(r"ScanDeck frame", 3)

    # The import preview: its list to choose from speaks its value, its table the
    # caption of its tab.
    listing = os.path.join(folder, "list.csv")
    with open(listing, "w") as f:
        f.write("Frequency Output,Description,Alpha Tag,Tag\n155.0000,Nowhere,NOWHERE,Other\n")
    opens(orca, ("alt+e", "n"), r"^File name")
    subprocess.run(["xdotool", "type", "--delay", "30", listing], check=False)
    key("Return")
    expect(orca.wait_for(r"^Alpha tag", 10), r"^Name column: combo box", r"^Alpha tag")
    heard = []
    for _ in range(4):
        key("Tab")
        heard += orca.said()
        if any(u.startswith("table with") for u in heard):
            break
    expect(heard, r"^Changes\.?$", r"^table with 0 rows 9 columns")
    check(not any("Grid" in u for u in heard), "no internal name is spoken (heard %r)" % heard)
    key("Escape")
    orca.wait_for(r"ScanDeck frame", 5)

    # The setup window: Tab lands on the chosen option of each group (9600 here).
    heard = opens(orca, ("alt+f", "Down", "Return"), r"ScanPad")
    for _ in range(6):
        key("Tab")
        heard += orca.said()
        if any("Bds" in u for u in heard):
            break
    expect(heard, r"^Com 1, scanner on serial port 1", r"^9600 Bds, scanner speed")
    check(not any("2400 Bds" in u for u in heard), "the setup window's Tab passes over the speeds not chosen")
    key("Escape")
    orca.wait_for(r"ScanDeck frame", 3)

    # The frequency directory's grid: a row and its cells.
    expect(opens(orca, ("alt+e", "Down", "Return"), r"^Freq\. Directory"), r"^Freq\. Directory")
    key("Down", "Tab")
    expect(orca.said(), r"^table with \d+ rows 10 columns")
    key("Down")
    expect(orca.wait_for(r"^Fire Dispatch\.$", 5), r"^154\.4300\.$", r"^Fire Dispatch\.$")  # the row, cell by cell
    key("Right")
    expect(orca.wait_for(r"column header", 5), r"^Frequency column header 154\.4300")  # one cell
    # Reading every bank: the bank list shows each bank as it is read, and the focus
    # stays on "Cancel read" for where-am-I until the read ends (a report then).
    key("shift+Tab", "shift+Tab")
    expect(orca.said(), r"^Read all banks push button")
    key("space")
    expect(orca.wait_for(r"Cancel read", 3), r"^Cancel read push button")
    heard = []
    end = time.time() + 40
    while time.time() < end and not any(u.startswith("alert") for u in heard):
        key("KP_Enter")
        heard += orca.wait_for(r"Cancel read|alert", 3)
        time.sleep(0.5)
    during = heard[:next((i for i, u in enumerate(heard) if u.startswith("alert")), len(heard))]
    check(any(u.startswith("alert") for u in heard), "the read of every bank ended (heard %r)" % heard)
    check(not any("Freq Bank" in u for u in during), "where-am-I stayed on Cancel read during the read (heard %r)" % during)
    key("Return")  # the report's OK; the report belongs to the main window
    orca.wait_for(r"ScanDeck frame", 8)
    found = subprocess.run(["xdotool", "search", "--name", "^Freq\\. Directory"], capture_output=True, text=True)
    for window in found.stdout.split():
        subprocess.run(["xdotool", "windowactivate", "--sync", window], check=False, stderr=subprocess.DEVNULL)
    expect(orca.wait_for(r"^Freq\. Directory", 8), r"^Freq\. Directory - ScanDeck frame")
    key("Escape")  # closes the directory window as its Cancel does
    expect(orca.wait_for(r"ScanDeck frame", 8), r"^ScanDeck frame")

    # SmartView in pop-up mode: the main window goes away, the squelch brings the
    # compact window up and the channel is announced without a focus to follow.
    expect(opens(orca, ("alt+d", "Down", "Return"), r"^PopUp Smart View Mode"), r"^PopUp Smart View Mode")
    scanner.send("MD00", "+")
    expect(orca.wait_for(r"Channel", 3), r"^notification Channel 2, Fire Dispatch")
    scanner.send("-")

    # A message box: closing the main window asks its question.
    # The main window is minimised (no notification area here); brought back as a
    # task list would.
    time.sleep(1)
    for _ in range(3):
        found = subprocess.run(["xdotool", "search", "--name", "^ScanDeck$"], capture_output=True, text=True)
        for window in found.stdout.split():
            subprocess.run(["xdotool", "windowactivate", "--sync", window], check=False, stderr=subprocess.DEVNULL)
        if any(u.startswith("ScanDeck frame") for u in orca.wait_for(r"^ScanDeck frame", 3)):
            break
    key("alt+F4")
    expect(orca.wait_for(r"REMOTE OFF", 4), r"Do you want to REMOTE OFF your BC245xlt \?")
    key("Tab")
    expect(orca.said(), r"^(Yes|No) push button")
    key("Escape")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
