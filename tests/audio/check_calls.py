#!/usr/bin/env python3
"""Checks the recordings of the real program against what scandeck-sim --audio said
it sent: one file per call (transmissions of a channel within the hang time joined,
calls under the minimum dropped), each file's dominant tone its channel's, the onset
inside the pre-roll, the length the call's plus the pre-roll, its tags and its row.
usage: check_calls.py DAY SIM_LOG FROM_MS UNTIL_MS PREROLL_MS HANG_MS MIN_MS (the
sim's monotonic clock; calls outside FROM..UNTIL may or may not have a file)."""
import csv, json, math, os, re, subprocess, sys

day, sim_log = sys.argv[1], sys.argv[2]
start_ms, until_ms, preroll, hang, min_ms = (int(a) for a in sys.argv[3:8])
RATE = 4000  # the tones stay below 2 kHz
TONES = [400 + 50 * n for n in range(30)]
failures = []
fail = failures.append


def run(*args):
    return subprocess.run(args, capture_output=True, check=True).stdout


def power(s, hz):
    k = 2 * math.cos(2 * math.pi * hz / RATE)
    a = b = 0.0
    for x in s:
        a, b = x + k * a - b, a
    return a * a + b * b - k * a * b


# What the simulator sent, joined as the recorder joins it.
sent = []
for m in re.finditer(r"^(\d+) ms: (on|off) air: channel (\d+\.\d+)", open(sim_log, errors="replace").read(), re.M):
    if m[2] == "on":
        sent.append((m[3], int(m[1]), [None]))
    elif sent and sent[-1][2][0] is None:
        sent[-1][2][0] = int(m[1])
calls = []
for freq, on, (off,) in sent:
    if off is not None and calls and calls[-1]["freq"] == freq and on - calls[-1]["off"] < hang:
        calls[-1]["off"], calls[-1]["parts"] = off, calls[-1]["parts"] + 1
    elif off is not None:
        calls.append({"freq": freq, "on": on, "off": off, "parts": 1})
for c in calls:  # within 200 ms of the minimum the poll's timing decides: either is right
    c["ms"], c["timely"] = c["off"] - c["on"], c["on"] >= start_ms and c["off"] + hang + 1000 <= until_ms
    c["keep"], c["drop"] = c["timely"] and c["ms"] >= min_ms + 200, c["timely"] and c["ms"] < min_ms - 200

listed = list(csv.DictReader(open(os.path.join(day, "calls.csv"), encoding="utf-8-sig", newline="")))
rows = {r["file"]: r for r in listed}
files = sorted(n for n in os.listdir(day) if n != "calls.csv")
if any(not n.endswith(".opus") for n in files) or sorted(rows) != files or len(listed) != len(files):
    fail(f"{files} against calls.csv's {[r['file'] for r in listed]}: not one row per recording")
j = joined = dropped = 0
for c in calls:
    name = files[j] if j < len(files) else ""
    m = re.match(r"\d\d-\d\d-\d\d_ch-(\d+\.\d+)_(.+)\.opus$", name)
    if not (m and m[1] == c["freq"] and not c["drop"]):
        if c["keep"]:
            fail(f"no file for the {c['ms']} ms call on {c['freq']} (next file {name or 'none'})")
        dropped += c["drop"]
        continue
    j += 1
    path, row = os.path.join(day, name), rows.get(name, {})
    probe = json.loads(run("ffprobe", "-v", "error", "-show_entries", "format=duration:stream_tags", "-of", "json", path))
    tags = {k.upper(): v for k, v in probe["streams"][0].get("tags", {}).items()}
    length = float(probe["format"]["duration"])
    raw = run("ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar", str(RATE), "-")
    s = [int.from_bytes(raw[i:i + 2], "little", signed=True) for i in range(0, len(raw) - 1, 2)]
    title = row.get("name") or c["freq"]
    if (tags.get("SCANDECK_KIND"), tags.get("SCANDECK_FREQUENCY"), tags.get("TITLE")) != ("channel", c["freq"], title) \
            or not tags.get("DATE", "").startswith(os.path.basename(day)):
        fail(f"{name}: tags {tags}, the row's name {title!r}")
    if row.get("kind") != "channel" or row.get("frequency_mhz") != c["freq"] or \
            abs(float(row.get("duration_s") or 0) - length) > 0.15:
        fail(f"{name}: row {row} for a file of {length:.2f} s")
    middle = s[int((preroll / 1000 + 0.2) * RATE):][:RATE]
    loudest = max(TONES, key=lambda hz: power(middle, hz))
    want = 400 + 50 * (int(re.sub(r"\D", "", c["freq"]) or "0") % 30)
    if loudest != want:
        fail(f"{name}: dominant tone {loudest} Hz, its call's is {want} Hz")
    if not c["timely"]:
        continue  # begun before the capture, or cut by the end of the run
    joined += c["parts"] > 1
    w = RATE // 50
    at = next((i / RATE for i in range(0, len(s) - w, w) if math.sqrt(sum(x * x for x in s[i:i + w]) / w) > 1500), None)
    if at is None or not 0.02 <= at <= preroll / 1000:
        fail(f"{name}: the tone begins at {at} s, not inside the {preroll} ms pre-roll")
    if abs(length - (c["ms"] + preroll) / 1000) > 0.15:
        fail(f"{name}: {length:.3f} s for a call of {c['ms']} ms and {preroll} ms of pre-roll")
for name in files[j:]:
    fail(f"{name}: no call of the simulator's for it")
print(f"{len(calls)} calls, {len(files)} files, {joined} joined over the hang time, {dropped} short ones dropped")
if joined == 0 or dropped == 0:
    fail("the traffic held no joined or no short call: nothing showed that rule")
for text in failures:
    print("FAIL: " + text)
sys.exit(1 if failures else 0)
