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

    def utterances(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                text = f.read()
        except OSError:
            return []
        return re.findall(r"SPEECH OUTPUT: '(.*?)'", text)

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


def key(*names):
    """A key press as a hand makes it: down, a short pause, up."""
    for name in names:
        subprocess.run(["xdotool", "keydown", name], check=False)
        time.sleep(0.08)
        subprocess.run(["xdotool", "keyup", name], check=False)
        time.sleep(0.25)


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

    orca = Orca(scratch, env)
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


def drive(orca, scanner, folder):
    heard = orca.wait_for(r"ScanDeck", 20)
    print("start:", heard)
    end = time.time() + 10
    while not scanner.polled() and time.time() < end:
        time.sleep(0.05)
    scanner.send("MD17", "W110 F01544300", "TB D METRO 800 ", "IC A1 04-023", "LON", "DSN", "SB ACJ", "IS B")
    time.sleep(1)
    print("after status:", orca.said())
    scanner.send("ID S 04-023")
    heard = orca.wait_for(r"Fire Dispatch", 3)
    print("talkgroup:", heard)
    for i in range(40):
        key("Tab")
        print("tab:", orca.said())
    key("alt+f")
    for i in range(7):
        key("Down")
        print("file:", orca.said())
    key("Escape", "Escape", "alt+o")
    for i in range(9):
        key("Down")
        print("options:", orca.said())
    key("Escape", "Escape")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
