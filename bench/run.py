#!/usr/bin/env python3
"""Trellis's benchmark: every figure that the performance targets name, on a
generated corpus, each the median of several runs; parse figures with their
ratio to a floor measured in the same run on the same file.

Usage: bench/run.py [--scale large] [--runs 5] [--idle-seconds 30] [--only-search]

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
# The visits that a Firefox history lists, as its reader selects them.
FIREFOX_QUERY = (
    "SELECT v.place_id, v.visit_date, p.url, p.title, p.visit_count FROM moz_historyvisits v "
    "JOIN moz_places p ON p.id = v.place_id WHERE ifnull(v.visit_type, 0) NOT IN (4, 7, 8, 9) "
    "AND ifnull(p.hidden, 0) <> 1 ORDER BY v.visit_date DESC;"
)
# Its entries: one per page and local day, as sqlite3 cuts days in the same zone.
FIREFOX_ENTRIES = (
    "SELECT count(*) FROM (SELECT DISTINCT v.place_id, "
    "date(v.visit_date / 1000000, 'unixepoch', 'localtime') FROM moz_historyvisits v "
    "JOIN moz_places p ON p.id = v.place_id WHERE ifnull(v.visit_type, 0) NOT IN (4, 7, 8, 9) "
    "AND ifnull(p.hidden, 0) <> 1 AND p.url IS NOT NULL AND p.url != '')"
)


ALL_TARGETS = ["trellis", "trellis-inspect", "trellis-bench-app", "trellis-search-bench",
               "trellis-generate"]


def build(targets=ALL_TARGETS):
    if not (ROOT / "build" / "release" / "build.ninja").exists():
        subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "build/release", "--target", *targets], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)


def generated_by_this_build(folder):
    """Whether folder holds a corpus that the generator as built now wrote."""
    manifest = folder / "manifest.json"
    if not manifest.exists() or manifest.stat().st_mtime < GENERATOR.stat().st_mtime:
        return False
    with open(manifest) as text:
        written = json.load(text)
    # A corpus from before the generator wrote Firefox's files or the icon
    # stores lacks them.
    return (written.get("generator") == "trellis-generate" and "firefox" in written
            and "favicons" in written["firefox"])


def firefox_places(data):
    """The places.sqlite of the corpus's Firefox profile."""
    with open(data / "manifest.json") as text:
        profile = json.load(text)["firefox"]["profile"]
    return data / "firefox" / profile / "places.sqlite"


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


def icon_table_figure(name, store, sample, history, runs):
    """The icon store read into the table beside the same profile's history
    read: showing icons may add a tenth to what reading the history costs."""
    icons, read = timed_pair([BIN / "trellis-inspect", "favicon", store, sample],
                             [BIN / "trellis-inspect", "--summary"] + history, runs)
    ratio = icons / read
    line(name, f"{icons:7.3f} s (history {read:.3f} s) {ratio:5.2f}x", "<= 0.1x", ratio <= 0.1)


def icon_sample(data, browser):
    """The manifest's page that has an icon of its own in browser's store."""
    with open(data / "manifest.json") as text:
        return json.load(text)[browser]["favicons"]["sample_exact"]["address"]


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
    def measure(folder, browsers=None, icons=True):
        out = subprocess.run([BIN / "trellis-bench-app", "menu", folder, str(max(runs, 10))] +
                             ([browsers] if browsers else []),
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             env=dict(os.environ, TRELLIS_BENCH_ICONS="1" if icons else "0"),
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
    # Every profile of six browsers granted beside the corpus: each browser
    # is an entry of its own, each profile a submenu.
    with tempfile.TemporaryDirectory() as home:
        subprocess.run([GENERATOR, "--home", home, "--browsers", "6", "--profiles", "3",
                        "--quiet"], check=True)
        many = measure(large, home)[rebuild]
    line(f"status menu rebuild, six browsers of three profiles granted, {scale}",
         f"{many:7.3f} ms", "< 5 ms", many < 5)
    first = big["Safari History submenu, first level"]
    line(f"Safari History submenu opening, first level, {scale}", f"{first:7.3f} ms", "< 20 ms",
         first < 20)
    day = big["Safari History, one day's submenu"]
    line(f"Safari History, one day's submenu opening, {scale}", f"{day:7.3f} ms", "-", True)
    # Chrome's days with the website icons of its Favicons, and without.
    plain = measure(large, icons=False)
    for label, values in (("icons on", big), ("icons off", plain)):
        first = values["Chrome History submenu, first level"]
        line(f"Chrome History submenu opening, first level, {scale}, {label}",
             f"{first:7.3f} ms", "< 20 ms", first < 20)
        day = values["Chrome History, one day's submenu, first time"]
        again = values["Chrome History, one day's submenu"]
        line(f"Chrome History, one day's submenu opening, {scale}, {label}",
             f"{day:7.3f} ms first, {again:.3f} ms again", "-", True)
    line(f"status menu rebuild (updateMenu), {scale}, icons off",
         f"{plain[rebuild]:7.3f} ms", "< 5 ms", plain[rebuild] < 5)
    line(f"website icons decoded for one day's submenu, {scale}",
         f"{big['website icons decoded']:7.0f}", "-", True)


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


def discovery_figure(runs):
    """Browser discovery in a home of six Chromium browsers (native, Flatpak
    and Snap) of three profiles each, as the application runs it at start."""
    with tempfile.TemporaryDirectory() as home:
        subprocess.run([GENERATOR, "--home", home, "--browsers", "6", "--profiles", "3",
                        "--quiet"], check=True)
        out = subprocess.run([BIN / "trellis-bench-app", "discover", home, str(max(runs, 50))],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             check=True).stdout.decode()
    ms = float(out.split(":")[1].split("ms")[0])
    first = float(out.split("first")[1].split("ms")[0])
    found = out.split("),")[1].strip()
    if found != "6 browsers, 18 profiles":
        sys.exit(f"browser discovery found {found}, not 6 browsers of 3 profiles each")
    line("browser discovery, six browsers of three profiles",
         f"{ms:7.3f} ms (first {first:.3f} ms)", "< 20 ms", ms < 20)


def search_figures(data, scale, runs):
    """The search over every source granted: each reader's index build (the
    largest is what a read waits for), the index's bytes per entry, and
    every keystroke of a set of queries typed one character at a time."""
    safari, chrome = data / "safari", data / "chrome" / "Default"
    places = firefox_places(data)
    sources = [("chrome-bookmarks", chrome / "Bookmarks"), ("chrome-history", chrome / "History"),
               ("firefox-bookmarks", places), ("firefox-history", places),
               ("safari-bookmarks", safari / "Bookmarks.plist"),
               ("safari-history", safari / "History.db"),
               ("safari-topsites", safari / "TopSites.plist"),
               ("safari-lastsession", safari / "LastSession.plist")]
    command = [BIN / "trellis-search-bench", "--runs", str(runs), "--rounds", str(runs)]
    for kind, path in sources:
        command += ["--source", kind, path]
    figures = json.loads(subprocess.run(command, stdout=subprocess.PIPE, check=True,
                                        env=dict(os.environ, QT_LOGGING_RULES="*=false")).stdout)
    build_ = figures["build"]
    readers = build_["readers"]
    each = ", ".join(f"{name} {reader['ms']:.0f}" for name, reader in readers.items())
    largest = build_["largest_ms"] / 1000
    line(f"search index build, largest reader ({build_['largest']}), {scale}",
         f"{largest:7.3f} s ({each} ms)", "<= 0.5 s", largest <= 0.5)
    for name, reader in readers.items():
        line(f"search index build, {name}, {scale}",
             f"{reader['ms']:7.1f} ms (CPU {reader['cpu_ms']:.0f} ms, items "
             f"{reader['collect_ms']:.0f} ms, {reader['entries']} entries)", "-", True)
    line(f"search index build, every reader in turn, {scale}",
         f"{build_['sum_ms'] / 1000:7.3f} s", "-", True)
    memory = figures["memory"]
    per_entry = memory["bytes_per_entry"]
    line(f"search index memory per entry, {scale}",
         f"{per_entry:7.1f} B ({memory['entries']} entries, {memory['bytes'] / 2**20:.1f} MB)",
         "<= 40 B", per_entry <= 40)
    find = figures["find"]
    line(f"search per keystroke, {find['keystrokes']} keystrokes, {scale}",
         f"{find['median_ms']:7.3f} ms median, worst {find['worst_ms']:.3f} ms "
         f"({find['worst_prefix']!r})", "< 16 ms", find["worst_ms"] < 16)
    slowest = ", ".join(f"{each['prefix']!r} {each['ms']:.1f}" for each in find["slowest"])
    line(f"search, slowest keystrokes, {scale}", f"{slowest} ms", "-", True)


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


def written_bytes(pid):
    with open(f"/proc/{pid}/io") as io:
        for text in io:
            if text.startswith("write_bytes:"):
                return int(text.split()[1])
    return 0


BROWSER_FILES = ["safari/Bookmarks.plist", "safari/TopSites.plist", "safari/History.db",
                 "safari/LastSession.plist", "chrome/Default/Bookmarks", "chrome/Default/History",
                 "chrome/Default/Favicons"]


def copy_browsers(data, folder):
    """The corpus's browser files where a test may write to them."""
    for name in BROWSER_FILES:
        target = folder / name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(data / name, target)
    return folder


def add_visits(browsers, count, title):
    """Adds count visits of new addresses to each history, as the browsers
    do: one transaction each, Safari's into its write-ahead log."""
    import sqlite3
    now = time.time()
    with sqlite3.connect(browsers / "chrome/Default/History") as chrome:
        for i in range(count):
            moment = int((now + 11644473600) * 1e6) + i
            cursor = chrome.execute(
                "INSERT INTO urls(url, title, visit_count, typed_count, last_visit_time, hidden) "
                "VALUES(?, ?, 1, 0, ?, 0)", (f"https://new.example/{now}/{i}", title, moment))
            chrome.execute("INSERT INTO visits(url, visit_time, transition) VALUES(?, ?, 0)",
                           (cursor.lastrowid, moment))
    with sqlite3.connect(browsers / "safari/History.db") as safari:
        for i in range(count):
            cursor = safari.execute(
                "INSERT INTO history_items(url, visit_count, daily_visit_counts, "
                "should_recompute_derived_visit_counts, visit_count_score) "
                "VALUES(?, 1, X'', 0, 0)", (f"https://new.example/{now}/{i}",))
            safari.execute("INSERT INTO history_visits(history_item, visit_time, title) "
                           "VALUES(?, ?, ?)", (cursor.lastrowid, now - 978307200 + i / 1e3, title))


def idle_figures(display, home, browsers, seconds, icons):
    app = subprocess.Popen([BIN / "trellis"], env=environment(display, home),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    hz = os.sysconf("SC_CLK_TCK")
    try:
        # Idle once the first parses are over: no CPU time for two seconds.
        last, still = -1, 0
        deadline = time.monotonic() + 600
        while still < 4 and time.monotonic() < deadline:
            time.sleep(0.5)
            ticks = cpu_ticks(app.pid)
            still = still + 1 if ticks == last else 0
            last = ticks
        before = switches(app.pid), cpu_ticks(app.pid), written_bytes(app.pid)
        time.sleep(seconds)
        wakeups = (switches(app.pid) - before[0]) / seconds
        idle_cpu = (cpu_ticks(app.pid) - before[1]) / hz
        idle_written = written_bytes(app.pid) - before[2]
        rss = resident_kb(app.pid)
        # The browsers in use: ten new visits in each history.
        before = cpu_ticks(app.pid), written_bytes(app.pid)
        add_visits(browsers, 10, "Ten new visits")
        time.sleep(seconds)
        busy_cpu = (cpu_ticks(app.pid) - before[0]) / hz
        busy_written = written_bytes(app.pid) - before[1]
    finally:
        app.terminate()
        app.wait()
    per_hour = 3600 / seconds
    line(f"idle application, resident (all sources granted, {icons})", f"{rss / 1024:7.1f} MB",
         "< 60 MB", rss < 60 * 1024)
    line(f"idle application, wakeups per second over {seconds} s", f"{wakeups:7.2f}",
         "0 (timer)", wakeups < 0.1)
    line(f"idle at the default rate, CPU over {seconds} s", f"{idle_cpu:7.2f} s "
         f"({idle_cpu * per_hour:.1f} s per hour)", "< 1 s", idle_cpu < 1)
    line(f"idle at the default rate, written over {seconds} s",
         f"{idle_written / 1e6:7.2f} MB ({idle_written * per_hour / 1e6:.1f} MB per hour)",
         "< 5 MB", idle_written < 5e6)
    line(f"ten new visits per history, CPU over {seconds} s", f"{busy_cpu:7.2f} s", "-", True)
    line(f"ten new visits per history, written over {seconds} s",
         f"{busy_written / 1e6:7.2f} MB", "< 10 MB", busy_written < 10e6)


def refresh_figures(data, runs):
    out = subprocess.run([BIN / "trellis-bench-app", "refresh", data, str(max(runs, 10))],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         env=dict(os.environ, QT_LOGGING_RULES="*=false"),
                         check=True).stdout.decode()
    values = {}
    for text in out.splitlines():
        key, _, rest = text.partition(":")
        values[key] = rest.strip()

    def numbers(key):
        return [float(part.split()[-2]) for part in values[key].split(",")]

    chrome_full, safari_full = numbers("full read")
    unchanged = float(values["refresh with nothing changed"].split()[0])
    line("refresh with nothing changed (Chrome and Safari)", f"{unchanged:7.3f} ms", "< 5 ms",
         unchanged < 5)
    parts = values["refresh after ten new visits"].split(",")
    chrome_ten = float(parts[0].split()[-2])
    safari_ten = float(parts[1].split()[-2])
    written = float(parts[2].split()[0])
    for name, ten, full in (("Chrome", chrome_ten, chrome_full),
                            ("Safari", safari_ten, safari_full)):
        share = ten / full * 100
        line(f"refresh after ten new visits, {name}",
             f"{ten:7.1f} ms ({share:.0f}% of a full read, {full:.0f} ms)", "<= 5%",
             share <= 5)
    line("refresh after ten new visits, written", f"{written:7.2f} MB", "< 2 MB", written < 2)
    chrome_seen, safari_seen = numbers("write to menu")
    seen = max(chrome_seen, safari_seen)
    line("a browser's write to the menu holding the visit",
         f"{seen / 1000:7.2f} s (Chrome {chrome_seen / 1000:.2f}, Safari {safari_seen / 1000:.2f})",
         "< 3 s", 0 <= seen < 3000)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--scale", default="large",
                        choices=["tiny", "small", "medium", "large"])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle-seconds", type=int, default=30)
    parser.add_argument("--icons-off", action="store_true",
                        help="run the application idle with website icons off")
    parser.add_argument("--only-search", action="store_true",
                        help="measure the search alone")
    args = parser.parse_args()

    if args.only_search:
        build(["trellis-search-bench", "trellis-generate"])
        data = corpus(args.scale)
        print(f"Trellis search benchmark, {args.scale} corpus ({data}), median of {args.runs} runs")
        search_figures(data, args.scale, args.runs)
        return

    build()
    data = corpus(args.scale)
    tiny = corpus("tiny")
    safari, chrome = data / "safari", data / "chrome" / "Default"
    places = firefox_places(data)
    inspect = [BIN / "trellis-inspect", "--summary"]
    print(f"Trellis benchmark, {args.scale} corpus ({data}), median of {args.runs} runs")

    parse_figure("Safari History.db -> history tree, most visited",
                 inspect + ["safari-history", safari / "History.db"],
                 ["sqlite3", safari / "History.db", SAFARI_QUERY], args.runs, 1.5)
    parse_figure("Chrome History -> history tree",
                 inspect + ["chrome-history", chrome / "History"],
                 ["sqlite3", chrome / "History", CHROME_QUERY], args.runs, 1.5)
    parse_figure(f"Firefox places.sqlite history read, {args.scale}",
                 inspect + ["firefox-history", places],
                 ["sqlite3", places, FIREFOX_QUERY], args.runs, 1.5)
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
    history_memory("trellis-inspect peak per node, Firefox places.sqlite",
                   inspect + ["firefox-history", places], places, FIREFOX_ENTRIES)
    icon_table_figure(f"Website icon table read, Chrome Favicons, {args.scale}",
                      chrome / "Favicons", icon_sample(data, "chrome"),
                      ["chrome-history", chrome / "History"], args.runs)
    icon_table_figure(f"Website icon table read, Firefox favicons.sqlite, {args.scale}",
                      places.parent / "favicons.sqlite", icon_sample(data, "firefox"),
                      ["firefox-history", places], args.runs)
    menu_figures(tiny, data, args.scale, args.runs)
    refresh_figures(data, args.runs)
    copy_figure(chrome / "History", args.runs)
    discovery_figure(args.runs)
    search_figures(data, args.scale, args.runs)

    with tempfile.TemporaryDirectory() as scratch, VirtualDisplay() as screen:
        home = Path(scratch) / "home"
        browsers = copy_browsers(data, Path(scratch) / "browsers")
        subprocess.run([BIN / "trellis-bench-app", "home", browsers, home], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       env=dict(environment(screen.display),
                                TRELLIS_BENCH_ICONS="0" if args.icons_off else "1"))
        startup_figure(screen.display, args.runs, home)
        idle_figures(screen.display, home, browsers, args.idle_seconds,
                     "icons off" if args.icons_off else "icons on")


if __name__ == "__main__":
    main()
