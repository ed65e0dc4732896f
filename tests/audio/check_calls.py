#!/usr/bin/env python3
"""Checks the recordings of a run of the real program against what scandeck-sim
--audio said it transmitted: one file per call (transmissions of one channel within
the hang time are one call, calls shorter than the minimum have none), each file's
dominant tone its own channel's, the tone's onset inside the file (the pre-roll),
its length the call's plus the pre-roll, its tags and its calls.csv row.

usage: check_calls.py DAY_FOLDER SIM_LOG FROM_MS UNTIL_MS PREROLL_MS HANG_MS MIN_MS
Transmissions outside FROM_MS..UNTIL_MS (the sim's monotonic clock) may or may not
have a file. Prints one line per failure and exits 1 on any."""
import csv
import math
import os
import re
import subprocess
import sys
import json

day, sim_log = sys.argv[1], sys.argv[2]
start_ms, until_ms, preroll, hang, min_ms = (int(a) for a in sys.argv[3:8])
RATE = 4000  # the tones stay below 2 kHz
TONES = [400 + 50 * n for n in range(30)]
failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def tone_of(digits):
    return 400 + 50 * (int(re.sub(r"\D", "", digits) or "0") % 30)


# What the simulator transmitted, joined as the recorder joins them.
sent = []
for line in open(sim_log, encoding="utf-8", errors="replace"):
    m = re.match(r"(\d+) ms: (on|off) air: channel (\d+\.\d+)", line)
    if m:
        at, edge, freq = int(m.group(1)), m.group(2), m.group(3)
        if edge == "on":
            sent.append({"freq": freq, "on": at, "off": None})
        elif sent and sent[-1]["off"] is None:
            sent[-1]["off"] = at
calls = []
for t in sent:
    if t["off"] is None:
        continue
    last = calls[-1] if calls else None
    if last and last["freq"] == t["freq"] and t["on"] - last["off"] < hang:
        last["off"] = t["off"]
        last["parts"] += 1
    else:
        calls.append({"freq": t["freq"], "on": t["on"], "off": t["off"], "parts": 1})
for c in calls:
    c["ms"] = c["off"] - c["on"]
    c["timely"] = c["on"] >= start_ms and c["off"] + hang + 1000 <= until_ms
    # Within 200 ms of the minimum the poll's timing decides: either is right.
    c["keep"] = c["timely"] and c["ms"] >= min_ms + 200
    c["drop"] = c["timely"] and c["ms"] < min_ms - 200

rows = list(csv.DictReader(open(os.path.join(day, "calls.csv"), encoding="utf-8-sig", newline="")))
by_file = {r["file"]: r for r in rows}
names = sorted(n for n in os.listdir(day) if n != "calls.csv")
files = [n for n in names if n.endswith(".opus")]
for n in names:
    if not n.endswith(".opus"):
        fail(f"{n}: not a recording")
if sorted(by_file) != files or len(rows) != len(files):
    fail(f"{len(files)} files, {len(rows)} calls.csv rows, not one row per file")


def samples(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar", str(RATE), "-"],
                         capture_output=True, check=True).stdout
    return [int.from_bytes(raw[i:i + 2], "little", signed=True) for i in range(0, len(raw) - 1, 2)]


def power(s, hz):
    k = 2 * math.cos(2 * math.pi * hz / RATE)
    a = b = 0.0
    for x in s:
        a, b = x + k * a - b, a
    return a * a + b * b - k * a * b


def onset(s):
    window = RATE // 50
    for i in range(0, len(s) - window, window):
        if math.sqrt(sum(x * x for x in s[i:i + window]) / window) > 1500:
            return i / RATE
    return None


j = 0
joined = dropped = 0
for c in calls:
    name = files[j] if j < len(files) else ""
    m = re.match(r"\d\d-\d\d-\d\d_ch-(\d+\.\d+)_(.+)\.opus$", name)
    if not (m and m.group(1) == c["freq"] and not c["drop"]):
        if c["keep"]:
            fail(f"no file for the {c['ms']} ms call on {c['freq']} (next file {name or 'none'})")
        dropped += c["drop"]
        continue
    j += 1
    path = os.path.join(day, name)
    row = by_file.get(name, {})
    probe = json.loads(subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration:stream_tags",
                                       "-of", "json", path], capture_output=True, check=True).stdout)
    tags = {k.upper(): v for k, v in probe["streams"][0].get("tags", {}).items()}
    length = float(probe["format"]["duration"])
    s = samples(path)
    if tags.get("SCANDECK_KIND") != "channel" or tags.get("SCANDECK_FREQUENCY") != c["freq"]:
        fail(f"{name}: tags {tags}")
    title = row.get("name") or c["freq"]
    if tags.get("TITLE") != title or not tags.get("DATE", "").startswith(os.path.basename(day)):
        fail(f"{name}: TITLE {tags.get('TITLE')!r} DATE {tags.get('DATE')!r}, the row says {title!r}")
    if row.get("kind") != "channel" or row.get("frequency_mhz") != c["freq"] or \
            abs(float(row.get("duration_s") or 0) - length) > 0.15:
        fail(f"{name}: row {row} for a file of {length:.2f} s")
    middle = s[int((preroll / 1000 + 0.2) * RATE):][:RATE]
    loudest = max(TONES, key=lambda hz: power(middle, hz))
    if loudest != tone_of(c["freq"]):
        fail(f"{name}: dominant tone {loudest} Hz, its call's is {tone_of(c['freq'])} Hz")
    if not c["timely"]:
        continue  # begun before the capture, or cut by the end of the run
    joined += c["parts"] > 1
    at = onset(s)
    if at is None or not 0.02 <= at <= preroll / 1000:
        fail(f"{name}: the tone begins at {at} s, not inside the {preroll} ms pre-roll")
    if abs(length - (c["ms"] + preroll) / 1000) > 0.15:
        fail(f"{name}: {length:.3f} s for a call of {c['ms']} ms and {preroll} ms of pre-roll")
for name in files[j:]:
    fail(f"{name}: no call of the simulator's for it")
timely = [c for c in calls if c["timely"]]
print(f"{len(sent)} transmissions, {len(timely)} calls in the window, {len(files)} files, "
      f"{joined} joined over the hang time, {dropped} shorter than {min_ms} ms dropped")
if joined == 0 or dropped == 0:
    fail("the traffic held no joined or no short call: nothing showed that rule")
sys.exit(1 if failures else 0)
