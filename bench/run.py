#!/usr/bin/env python3
"""Trellis's benchmark: every figure that the performance targets name, on a
generated corpus, each the median of several runs; parse figures with their
ratio to a floor measured in the same run on the same file.

Usage: bench/run.py [--scale large] [--runs 5] [--idle-seconds 30]

Needs the packages of scripts/install-deps.sh (sqlite3, plistutil, Xvfb). The
corpus comes from trellis-generate, built with the rest, once per scale into
~/.cache/trellis-bench (or $XDG_CACHE_HOME), and again when the generator is
rebuilt.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BIN = ROOT / "build" / "release" / "bin"
GENERATOR = BIN / "trellis-generate"
NOW = "2024-05-01T12:00:00Z"

SAFARI_QUERY = (
    "SELECT history_items.url, history_items.visit_count, history_visits.visit_time, "
    "history_visits.title FROM history_items INNER JOIN history_visits ON "
    "history_visits.history_item = history_items.id ORDER BY history_visits.visit_time DESC;"
)
CHROME_QUERY = (
    "SELECT title, url, visit_count, last_visit_time FROM urls ORDER BY last_visit_time DESC;"
)


def build():
    if not (ROOT / "build" / "release" / "build.ninja").exists():
        subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "build/release", "--target", "trellis",
                    "trellis-inspect", "trellis-bench-app", "trellis-generate"], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)


def generated_by_this_build(folder):
    """Whether folder holds a corpus that the generator as built now wrote."""
    manifest = folder / "manifest.json"
    if not manifest.exists() or manifest.stat().st_mtime < GENERATOR.stat().st_mtime:
        return False
    with open(manifest) as text:
        return json.load(text).get("generator") == "trellis-generate"


def corpus(scale):
    cache = Path(os.environ.get("XDG_CACHE_HOME", Path.home() / ".cache")) / "trellis-bench"
    folder = cache / scale
    if not generated_by_this_build(folder):
        print(f"generating the {scale} corpus in {folder} ...", file=sys.stderr, flush=True)
        partial = cache / (scale + ".partial")
        shutil.rmtree(partial, ignore_errors=True)
        subprocess.run([GENERATOR, "--out", partial, "--scale", scale, "--now", NOW, "--quiet"],
                       check=True)
        shutil.rmtree(folder, ignore_errors=True)
        partial.rename(folder)
    return folder


def run_once(command):
    """Wall-clock seconds of one run of command."""
    start = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(map(str, command))}")
    return elapsed


def timed(command, runs):
    """Median wall-clock seconds of command over runs."""
    return statistics.median(run_once(command) for _ in range(runs))


def timed_pair(first, second, runs):
    """Medians of two commands run in turn, so that a passing load on the
    machine falls on both alike rather than on one of them."""
    firsts, seconds = [], []
    for _ in range(runs):
        firsts.append(run_once(first))
        seconds.append(run_once(second))
    return statistics.median(firsts), statistics.median(seconds)


def peak_kb(command):
    """Peak resident kilobytes of one run of command, measured alone."""
    helper = ("import resource, subprocess, sys; "
              "subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, "
              "stderr=subprocess.DEVNULL, check=True); "
              "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    result = subprocess.run([sys.executable, "-c", helper, *map(str, command)],
                            stdout=subprocess.PIPE, check=True)
    return int(result.stdout)


def line(name, value, target, met):
    verdict = "met" if met else "NOT MET"
    print(f"{name:<58} {value:<34} target {target:<12} {verdict}", flush=True)


def parse_figure(name, ours, floor, runs, limit):
    ours_s, floor_s = timed_pair(ours, floor, runs)
    ratio = ours_s / floor_s
    line(name, f"{ours_s:7.3f} s (floor {floor_s:.3f} s) {ratio:5.2f}x", f"<= {limit}x",
         ratio <= limit)


def bookmarks_in(summary):
    """The bookmarks that a --summary output counts, over every root."""
    total = 0
    for text in summary.splitlines():
        total += int(text.rsplit(",", 1)[1].split()[0])
    return total


def history_memory(name, command, database, count_query):
    summary = subprocess.run(command, stdout=subprocess.PIPE, check=True).stdout.decode()
    # The first root of a history summary is the history itself.
    nodes = bookmarks_in(summary.splitlines()[0])
    # What is timed must be the whole read: every row the query returns.
    rows = int(subprocess.run(["sqlite3", database, count_query], stdout=subprocess.PIPE,
                              check=True).stdout)
    if nodes != rows:
        sys.exit(f"{name}: trellis-inspect read {nodes} entries, sqlite3 counts {rows}")
    kb = peak_kb(command)
    per_node = kb * 1024 / nodes
    line(name, f"{per_node:7.0f} B/node ({kb / 1024:.0f} MB, {nodes} nodes)", "<= 250 B",
         per_node <= 250)


def menu_figures(tiny, large, scale, runs):
    def measure(folder):
        out = subprocess.run([BIN / "trellis-bench-app", "menu", folder, str(max(runs, 10))],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             check=True).stdout.decode()
        values = {}
        for text in out.splitlines():
            key, _, rest = text.partition(":")
            values[key.strip()] = float(rest.split("ms")[0])
        return values

    small, big = measure(tiny), measure(large)
    rebuild = "status menu rebuild"
    ratio = big[rebuild] / small[rebuild]
    line("status menu rebuild (updateMenu), tiny", f"{small[rebuild]:7.3f} ms", "-", True)
    line(f"status menu rebuild (updateMenu), {scale}", f"{big[rebuild]:7.3f} ms", "< 5 ms",
         big[rebuild] < 5)
    line(f"status menu rebuild, {scale}/tiny", f"{ratio:7.2f}", "<= 1.5", ratio <= 1.5)
    first = big["Safari History submenu, first level"]
    line(f"Safari History submenu opening, first level, {scale}", f"{first:7.3f} ms", "< 20 ms",
         first < 20)
    day = big["Safari History, one day's submenu"]
    line(f"Safari History, one day's submenu opening, {scale}", f"{day:7.3f} ms", "-", True)


def copy_figure(history, runs):
    """The private copy of a history that gained ten visits, against copying
    it in full as every refresh did before copies were patched."""
    out = subprocess.run([BIN / "trellis-bench-app", "copy", history, str(runs)],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         check=True).stdout.decode()
    values = {}
    for text in out.splitlines():
        key, _, rest = text.partition(":")
        fields = [field.split()[0] for field in rest.split(",")]
        values[key.strip()] = (float(fields[0]), int(fields[1]), int(fields[3]))
    ms, written, _ = values["private copy after ten new visits"]
    full_ms, full_written, _ = values["private copy in full"]
    # Ten visits change a few dozen pages of tables and indexes, whatever the
    # file's size; the spare that is patched is two copies old, which
    # doubles that.
    line("private copy after ten new visits, Chrome History",
         f"{ms:7.1f} ms, {written / 1024:.0f} KB (in full {full_ms:.0f} ms, "
         f"{full_written / 2**20:.0f} MB)", "< 512 KB", written < 512 * 1024)


class VirtualDisplay:
    """An Xvfb of our own, so that the application runs as on a desktop."""

    def __enter__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                         "1280x800x24", "-nolisten", "tcp"],
                                        pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            self.display = ":" + pipe.readline().strip()
        # A tray, as on a desktop: Trellis shows its icon only once there is one.
        env = dict(os.environ, DISPLAY=self.display)
        self.tray = subprocess.Popen(["trayer", "--edge", "top", "--align", "right",
                                      "--widthtype", "request"], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True,
                                  text=True).stdout
            if '("panel" "trayer")' in tree:
                break
            time.sleep(0.05)
        else:
            sys.exit("trayer did not start on the virtual display")
        return self

    def __exit__(self, *_):
        for process in (self.tray, self.process):
            process.terminate()
            process.wait()


def environment(display, home=None):
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
               DBUS_SESSION_BUS_ADDRESS="disabled:",
               QT_LOGGING_RULES="qt.core.qobject.connect=false")
    if home:
        env.update(HOME=str(home), XDG_CONFIG_HOME=f"{home}/.config",
                   XDG_DATA_HOME=f"{home}/.local/share", XDG_CACHE_HOME=f"{home}/.cache",
                   XDG_RUNTIME_DIR=f"{home}/run")
    return env


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def switches(pid):
    """Context switches of every thread of pid: each one is a wakeup."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/status") as status:
                for text in status:
                    if text.startswith(("voluntary_ctxt_switches:",
                                        "nonvoluntary_ctxt_switches:")):
                        total += int(text.split()[1])
        except FileNotFoundError:
            pass
    return total


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for text in status:
            if text.startswith("VmRSS:"):
                return int(text.split()[1])
    return 0


def startup_figure(display, runs, home):
    times = []
    for _ in range(runs):
        out = subprocess.run([BIN / "trellis-bench-app", "startup", str(time.time_ns()), home],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             env=environment(display), check=True).stdout.decode()
        times.append(float(out.split(":")[1].split("ms")[0]))
    value = statistics.median(times)
    line("process start to tray icon created (all sources granted)", f"{value:7.1f} ms",
         "< 300 ms", value < 300)


def idle_figures(display, home, seconds):
    app = subprocess.Popen([BIN / "trellis"], env=environment(display, home),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # Idle once the first parses are over: no CPU time for two seconds.
        last, still = -1, 0
        deadline = time.monotonic() + 600
        while still < 4 and time.monotonic() < deadline:
            time.sleep(0.5)
            ticks = cpu_ticks(app.pid)
            still = still + 1 if ticks == last else 0
            last = ticks
        before = switches(app.pid)
        time.sleep(seconds)
        wakeups = (switches(app.pid) - before) / seconds
        rss = resident_kb(app.pid)
    finally:
        app.terminate()
        app.wait()
    line("idle application, resident (all sources granted)", f"{rss / 1024:7.1f} MB", "< 60 MB",
         rss < 60 * 1024)
    line(f"idle application, wakeups per second over {seconds} s", f"{wakeups:7.2f}",
         "0 (timer)", wakeups < 0.1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--scale", default="large",
                        choices=["tiny", "small", "medium", "large"])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle-seconds", type=int, default=30)
    args = parser.parse_args()

    build()
    data = corpus(args.scale)
    tiny = corpus("tiny")
    safari, chrome = data / "safari", data / "chrome" / "Default"
    inspect = [BIN / "trellis-inspect", "--summary"]
    print(f"Trellis benchmark, {args.scale} corpus ({data}), median of {args.runs} runs")

    parse_figure("Safari History.db -> history tree, most visited",
                 inspect + ["safari-history", safari / "History.db"],
                 ["sqlite3", safari / "History.db", SAFARI_QUERY], args.runs, 1.5)
    parse_figure("Chrome History -> history tree",
                 inspect + ["chrome-history", chrome / "History"],
                 ["sqlite3", chrome / "History", CHROME_QUERY], args.runs, 1.5)
    parse_figure("Safari Bookmarks.plist -> trees",
                 inspect + ["safari-bookmarks", safari / "Bookmarks.plist"],
                 ["plistutil", "-i", safari / "Bookmarks.plist", "-o", "/dev/null", "-f", "xml"],
                 args.runs, 1.0)
    parse_figure("Chrome Bookmarks -> tree",
                 inspect + ["chrome-bookmarks", chrome / "Bookmarks"],
                 [sys.executable, "-c", "import json,sys; json.load(open(sys.argv[1]))",
                  chrome / "Bookmarks"], args.runs, 1.0)
    history_memory("trellis-inspect peak per node, Safari History.db",
                   inspect + ["safari-history", safari / "History.db"], safari / "History.db",
                   "SELECT count(*) FROM history_items INNER JOIN history_visits ON "
                   "history_visits.history_item = history_items.id")
    history_memory("trellis-inspect peak per node, Chrome History",
                   inspect + ["chrome-history", chrome / "History"], chrome / "History",
                   "SELECT count(*) FROM urls WHERE url IS NOT NULL AND url != ''")
    menu_figures(tiny, data, args.scale, args.runs)
    copy_figure(chrome / "History", args.runs)

    with tempfile.TemporaryDirectory() as scratch, VirtualDisplay() as screen:
        home = Path(scratch) / "home"
        subprocess.run([BIN / "trellis-bench-app", "home", data, home], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       env=environment(screen.display))
        startup_figure(screen.display, args.runs, home)
        idle_figures(screen.display, home, args.idle_seconds)


if __name__ == "__main__":
    main()
