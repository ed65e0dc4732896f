#!/usr/bin/env python3
"""Mutation check for the ScanDeck test suite.

Applies a fixed list of small, realistic one-line faults to the core sources, one at
a time; for each it rebuilds core_tests and qt_tests, runs both, and records whether
any test failed (CAUGHT) or none did (MISSED), with the names of the failing tests.
Every mutated file is restored byte for byte afterwards (also on errors and Ctrl-C),
the tree is rebuilt clean at the end, and `git status --porcelain` is compared before
and after.

Files are found by BASENAME anywhere under TREE/src, so the list survives files
moving between folders; a basename that matches no file or several files is an error.

Usage:
  python3 scripts/mutants.py --tree . --build build-test --out mutants.json
  python3 scripts/mutants.py ... --only M03,M07     # a subset
  python3 scripts/mutants.py --list                 # show the mutants and exit
"""
from __future__ import annotations

import argparse
import json
import os
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass

TEST_TIMEOUT_S = 120
BUILD_TIMEOUT_S = 3600
TARGETS = ["core_tests", "qt_tests"]


@dataclass(frozen=True)
class Mutant:
    id: str
    basename: str
    description: str
    old: str
    new: str


MUTANTS = [
    Mutant(
        "M01", "freq_directory.cpp",
        "bank.dat record: delay and lockout flag offsets swapped (bytes 55/56, counted from 1)",
        "constexpr std::size_t kDelayAt = 54, kLockoutAt = 55, kModeAt = 56;",
        "constexpr std::size_t kDelayAt = 55, kLockoutAt = 54, kModeAt = 56;",
    ),
    Mutant(
        "M02", "id_directory.cpp",
        "idbank.dat record: lockout flag read one byte early (last byte of the name)",
        "constexpr std::size_t kLockoutAt = 54;",
        "constexpr std::size_t kLockoutAt = 53;",
    ),
    Mutant(
        "M03", "receive_path.cpp",
        "receive path: a reply split across reads is lost (whole buffer cleared, not just the complete replies)",
        "  buffer_.erase(0, start);\n",
        "  buffer_.clear();\n",
    ),
    Mutant(
        "M04", "follow_up_gate.cpp",
        "follow-up gate: unanswered query retried one run late (>= became >)",
        "return run_ - *asked_at_[*i] >= retry_runs_;",
        "return run_ - *asked_at_[*i] > retry_runs_;",
    ),
    Mutant(
        "M05", "protocol.h",
        "attenuator off command text wrong: \"ATN\" instead of \"ATF\" (toggle never turns it off)",
        'inline constexpr std::string_view kAttenuatorOff = "ATF";',
        'inline constexpr std::string_view kAttenuatorOff = "ATN";',
    ),
    Mutant(
        "M06", "decoders.cpp",
        "IC decoder takes the ID text with the talkgroup field (6,6) instead of its own (7,7)",
        "std::string id(Take(reply, field::kIdText));",
        "std::string id(Take(reply, field::kTalkgroupId));",
    ),
    Mutant(
        "M07", "config.cpp",
        "scandeck.ini reader: [Log What] loop bound off by one, the ninth flag is never read",
        "for (std::size_t i = 0; i < flags.size() && i < value.size(); ++i)",
        "for (std::size_t i = 0; i + 1 < flags.size() && i < value.size(); ++i)",
    ),
    Mutant(
        "M08", "print_form.cpp",
        "print form bank check accepts bank 0 (lower bound 1 became 0)",
        "if (value < 1 || value > 10 || value != std::floor(value)) return std::nullopt;",
        "if (value < 0 || value > 10 || value != std::floor(value)) return std::nullopt;",
    ),
    Mutant(
        "M09", "compact_view.cpp",
        "entering pop-up compact mode shows the window instead of hiding it until a report",
        "  if (view.popUp()) {\n    view.showWindow(false);\n",
        "  if (view.popUp()) {\n    view.showWindow(true);\n",
    ),
    Mutant(
        "M10", "read_session.h",
        "late-reply wait: one silent tick too many before a read completes (>= became >)",
        "return silent_ >= kSilentTicksBound || ticks_ >= kWaitTicksBound;",
        "return silent_ > kSilentTicksBound || ticks_ >= kWaitTicksBound;",
    ),
    Mutant(
        "M11", "com_links.cpp",
        "TargetOfPort: a relative comN link target is taken relative to the working folder, not the link's folder",
        "if (!ec) target.device = (to.is_absolute() ? to : local.parent_path() / to).lexically_normal().string();",
        "if (!ec) target.device = to.lexically_normal().string();",
    ),
    Mutant(
        "M12", "text.cpp",
        "NumericValue: a leading '+' sign is no longer accepted (\"+7\" reads as 0)",
        "if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];",
        "if (i < text.size() && text[i] == '-') number += text[i++];",
    ),
]


class Interrupted(Exception):
    pass


def _on_sigterm(signum, frame):  # turn SIGTERM/SIGHUP into an exception so `finally` restores
    raise Interrupted(f"signal {signum}")


def find_unique(src_root: str, basename: str) -> str:
    hits = []
    for dirpath, dirnames, filenames in os.walk(src_root):
        dirnames[:] = [d for d in dirnames if not d.startswith(".")]
        if basename in filenames:
            hits.append(os.path.join(dirpath, basename))
    if len(hits) != 1:
        raise SystemExit(f"error: basename {basename!r} matches {len(hits)} files under {src_root}: {hits}")
    return hits[0]


def git_status(tree: str) -> str:
    return subprocess.run(["git", "-C", tree, "status", "--porcelain"], check=True,
                          capture_output=True, text=True).stdout


def run_group(cmd, timeout, env=None):
    """Runs cmd in its own process group; returns (rc or None on timeout, output)."""
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env,
                            start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return None, out.decode("utf-8", "replace")
    except BaseException:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()
        raise


def build(build_dir: str):
    rc, out = run_group(["cmake", "--build", build_dir, "-j2", "--target", *TARGETS], BUILD_TIMEOUT_S)
    return rc == 0, out


FAILED_RE = re.compile(r"^\[  FAILED  \] ([A-Za-z_][\w/]*\.[\w/]+)")


def run_tests(build_dir: str):
    """Returns {binary: {"verdict": PASS|FAIL|CRASH|TIMEOUT, "rc":..., "failed": [...]}}."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    results = {}
    for name in TARGETS:
        binary = os.path.join(build_dir, name)
        t0 = time.monotonic()
        rc, out = run_group([binary, "--gtest_brief=1"], TEST_TIMEOUT_S, env=env)
        failed = []
        for line in out.splitlines():
            m = FAILED_RE.match(line)
            if m and m.group(1) not in failed:
                failed.append(m.group(1))
        if rc is None:
            verdict = "TIMEOUT"
        elif rc == 0:
            verdict = "PASS"
        elif rc == 1 and failed:
            verdict = "FAIL"
        else:
            verdict = "CRASH"
        results[name] = {"verdict": verdict, "rc": rc, "failed": failed,
                         "seconds": round(time.monotonic() - t0, 1),
                         "tail": out[-1500:] if verdict in ("CRASH", "TIMEOUT") else ""}
    return results


def caught(results) -> bool:
    return any(r["verdict"] != "PASS" for r in results.values())


def failing_names(results):
    names = []
    for name, r in results.items():
        if r["verdict"] in ("CRASH", "TIMEOUT"):
            names.append(f"{name}:{r['verdict']}(rc={r['rc']})")
        names += [f"{name}:{t}" for t in r["failed"]]
    return names


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--tree", help="source tree (git worktree) to mutate")
    ap.add_argument("--build", help="configured build directory of that tree")
    ap.add_argument("--out", help="write the results as JSON here")
    ap.add_argument("--only", help="comma-separated mutant ids to run (default: all)")
    ap.add_argument("--list", action="store_true", help="list the mutants and exit")
    ap.add_argument("--skip-baseline", action="store_true", help="do not check that the unmutated suite passes first")
    args = ap.parse_args()

    if args.list:
        for m in MUTANTS:
            print(f"{m.id}  {m.basename:20}  {m.description}")
        return 0
    if not (args.tree and args.build):
        ap.error("--tree and --build are required")

    tree = os.path.abspath(args.tree)
    build_dir = os.path.abspath(args.build)
    src_root = os.path.join(tree, "src")
    chosen = MUTANTS
    if args.only:
        wanted = {x.strip() for x in args.only.split(",") if x.strip()}
        unknown = wanted - {m.id for m in MUTANTS}
        if unknown:
            ap.error(f"unknown mutant ids: {sorted(unknown)}")
        chosen = [m for m in MUTANTS if m.id in wanted]

    # Validate every mutant before touching anything.
    plan = []
    for m in chosen:
        path = find_unique(src_root, m.basename)
        with open(path, "rb") as f:
            data = f.read()
        old, new = m.old.encode(), m.new.encode()
        count = data.count(old)
        if count != 1:
            raise SystemExit(f"error: {m.id}: `old` occurs {count} times in {path} (must be exactly once)")
        if old == new:
            raise SystemExit(f"error: {m.id}: `old` and `new` are the same")
        plan.append((m, path, data))

    for s in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, _on_sigterm)
    # Ctrl-C must restore too, even when started from a shell that ignores SIGINT in background jobs.
    signal.signal(signal.SIGINT, signal.default_int_handler)

    status_before = git_status(tree)
    commit = subprocess.run(["git", "-C", tree, "rev-parse", "HEAD"], capture_output=True, text=True).stdout.strip()
    report = {"tree": tree, "build": build_dir, "commit": commit, "started": time.strftime("%Y-%m-%d %H:%M:%S"),
              "baseline": None, "mutants": []}
    problems = []

    def write_out():
        if args.out:
            os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
            with open(args.out, "w") as f:
                json.dump(report, f, indent=2)
                f.write("\n")

    if not args.skip_baseline:
        print("baseline: building and running the unmutated suite ...", flush=True)
        ok, out = build(build_dir)
        if not ok:
            print(out[-4000:])
            raise SystemExit("error: the unmutated tree does not build")
        base = run_tests(build_dir)
        report["baseline"] = {"results": base, "failing": failing_names(base)}
        if caught(base):
            write_out()
            raise SystemExit(f"error: the unmutated suite is not green: {failing_names(base)}")
        print("baseline: green", flush=True)

    try:
        for m, path, original in plan:
            rel = os.path.relpath(path, tree)
            print(f"{m.id} {rel}: {m.description}", flush=True)
            t0 = time.monotonic()
            entry = {"id": m.id, "file": rel, "basename": m.basename, "description": m.description,
                     "old": m.old, "new": m.new}
            try:
                with open(path, "wb") as f:
                    f.write(original.replace(m.old.encode(), m.new.encode(), 1))
                ok, out = build(build_dir)
                if not ok:
                    entry.update(status="BUILD_ERROR", failing_tests=[], build_log=out[-4000:])
                    problems.append(f"{m.id} does not compile")
                else:
                    results = run_tests(build_dir)
                    entry.update(status="CAUGHT" if caught(results) else "MISSED",
                                 failing_tests=failing_names(results), results=results)
            finally:
                with open(path, "wb") as f:
                    f.write(original)
                with open(path, "rb") as f:
                    if f.read() != original:
                        raise SystemExit(f"error: could not restore {path}")
            entry["seconds"] = round(time.monotonic() - t0, 1)
            report["mutants"].append(entry)
            print(f"   -> {entry['status']}  {', '.join(entry['failing_tests'][:6])}"
                  f"{' ...' if len(entry['failing_tests']) > 6 else ''}", flush=True)
            write_out()
    finally:
        # Whatever happened, the sources are back; rebuild them so the build dir matches.
        print("final: rebuilding the restored tree ...", flush=True)
        ok, out = build(build_dir)
        report["final_build_ok"] = ok
        if not ok:
            print(out[-4000:])
            problems.append("the restored tree does not build")
        status_after = git_status(tree)
        report["git_status_unchanged"] = status_after == status_before
        if status_after != status_before:
            problems.append(f"git status changed:\nbefore:\n{status_before}\nafter:\n{status_after}")
        report["finished"] = time.strftime("%Y-%m-%d %H:%M:%S")
        report["problems"] = problems
        write_out()

    # Table.
    print()
    print(f"{'id':4} {'file':22} {'result':11} description / caught by")
    print("-" * 100)
    for e in report["mutants"]:
        print(f"{e['id']:4} {e['basename']:22} {e['status']:11} {e['description']}")
        for t in e["failing_tests"]:
            print(f"{'':39}{t}")
    n_caught = sum(e["status"] == "CAUGHT" for e in report["mutants"])
    print("-" * 100)
    print(f"{n_caught}/{len(report['mutants'])} caught"
          + (f"; MISSED: {', '.join(e['id'] for e in report['mutants'] if e['status'] == 'MISSED')}"
             if n_caught < len(report["mutants"]) else ""))
    for p in problems:
        print("PROBLEM:", p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (KeyboardInterrupt, Interrupted) as exc:
        print(f"interrupted ({exc!r}); sources restored", file=sys.stderr)
        sys.exit(130)
