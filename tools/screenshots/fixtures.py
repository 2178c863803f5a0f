#!/usr/bin/env python3
"""Data for tools/take-screenshots.sh, written into a temporary home.

    fixtures.py site DIR PORT          pages for the local web server
    fixtures.py safari-bookmarks FILE PORT
                                       a Safari Bookmarks.plist whose
                                       bookmarks all point at that server
    fixtures.py settings INI KEY=FILE... [KEY=VALUE]...
                                       Trellis.ini with the files granted
                                       and the values stored, as Trellis
                                       itself stores them

Only the standard library; nothing here reaches the network.
"""

import html
import os
import plistlib
import struct
import sys
import uuid

# The bookmarks of the hand-written Safari file: folder -> [(title, path, blurb)].
# Every path is a page that `site` writes, so whatever the browser window
# loads comes from the local server.
FAVOURITES = [
    ("Harbour Times – Local News", "news/",
     "Ferry timetable changes, the new cycle bridge and this weekend's market."),
    ("Weather – Rotterdam", "weather/", "Light rain in the morning, clearing by the afternoon."),
    ("Team Wiki", "wiki/", "Release checklist, on-call rota and the coffee machine manual."),
    ("Night Trains Across Europe", "travel/night-trains/",
     "Sleeper routes from Amsterdam, Vienna and Brussels, and how to book them."),
    ("Weeknight Lentil Soup", "recipes/lentil-soup/",
     "Red lentils, cumin and a squeeze of lemon: on the table in thirty minutes."),
    ("City Library – Opening Hours", "library/", "Open late on Thursdays; closed on public holidays."),
]
# Bookmarks at the top level, outside the bar and the menu.
TOP_LEVEL = [
    ("Dentist – Book an Appointment", "dentist/", "Check-ups, hygienist visits and emergencies."),
]
FOLDERS = {
    "Cooking": [
        ("Weeknight Lentil Soup", "recipes/lentil-soup/",
         "Red lentils, cumin and a squeeze of lemon: on the table in thirty minutes."),
        ("Sourdough Starter, Day by Day", "recipes/sourdough/",
         "Flour, water and patience. What your starter should look like each morning."),
        ("Spring Vegetable Risotto", "recipes/risotto/",
         "Peas, asparagus and a handful of mint stirred in at the very end."),
        ("Lemon Olive Oil Cake", "recipes/lemon-cake/",
         "A moist, not-too-sweet cake that keeps for days."),
    ],
    "Travel": [
        ("Night Trains Across Europe", "travel/night-trains/",
         "Sleeper routes from Amsterdam, Vienna and Brussels, and how to book them."),
        ("Lisbon in Three Days", "travel/lisbon/",
         "Trams, viewpoints and where to find the best pastéis de nata."),
        ("Hiking the Lake District", "travel/lake-district/",
         "Five day walks for every fitness level, with maps."),
    ],
    "Home": [
        ("Fixing a Dripping Tap", "home/tap/", "Usually a worn washer. Ten minutes and a spanner."),
        ("Balcony Herb Garden", "home/herbs/", "Basil, thyme and chives in three pots."),
    ],
    "Reading": [
        ("The Quiet Art of Bookbinding", "reading/bookbinding/",
         "An afternoon with a craftsman who still sews every book by hand."),
        ("Why Trains Run Late", "reading/trains/",
         "Signals, timetables and the mathematics of a busy railway."),
    ],
}

SITE_NAMES = {
    "news": "Harbour Times",
    "weather": "Harbour Weather",
    "wiki": "Team Wiki",
    "recipes": "Kitchen Notes",
    "travel": "Slow Travel Journal",
    "home": "Around the House",
    "reading": "Long Reads",
    "library": "City Library",
    "dentist": "Harbour Dental",
}

PARAGRAPHS = [
    "It started, as these things often do, with a question nobody could answer. "
    "A few weeks and many conversations later, the answer turned out to be simpler "
    "than expected, and more interesting.",
    "Most of the work happens before anything is visible. The preparation takes "
    "longer than the part everyone talks about, and it is where most of the "
    "difference is made.",
    "Readers wrote in with their own tips, and some of them were better than ours. "
    "We have collected the best of them below, lightly edited for length.",
    "If you try it yourself, start small. Take notes, change one thing at a time, "
    "and don't be discouraged when the first attempt does not look like the picture.",
]

STYLE = """
body { margin: 0; font-family: "DejaVu Sans", sans-serif; color: #222; background: #fafaf7; }
header { background: #1f4e5f; color: #fff; padding: 14px 28px; }
header .site { font-size: 20px; font-weight: bold; letter-spacing: 0.5px; }
header nav { margin-top: 6px; font-size: 13px; }
header nav a { color: #cfe6ee; margin-right: 16px; text-decoration: none; }
main { max-width: 640px; margin: 24px 28px; }
h1 { font-family: "DejaVu Serif", serif; font-size: 28px; margin: 0 0 6px; }
.meta { color: #777; font-size: 13px; margin-bottom: 18px; }
.lead { font-size: 17px; color: #333; }
p { line-height: 1.55; }
.box { background: #e8f1f3; border-left: 4px solid #1f4e5f; padding: 10px 14px; margin: 18px 0; }
footer { color: #999; font-size: 12px; margin: 30px 28px; }
"""


def all_bookmarks():
    yield from FAVOURITES
    yield from TOP_LEVEL
    for items in FOLDERS.values():
        yield from items


def page(title, path, blurb):
    section = path.split("/")[0]
    site = SITE_NAMES.get(section, "Notes")
    nav = "".join(f'<a href="/{s}/">{html.escape(n)}</a>'
                  for s, n in list(SITE_NAMES.items())[:5])
    body = "".join(f"<p>{html.escape(p)}</p>" for p in PARAGRAPHS[:2])
    more = "".join(f"<p>{html.escape(p)}</p>" for p in PARAGRAPHS[2:])
    return f"""<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<title>{html.escape(title)} – {html.escape(site)}</title>
<style>{STYLE}</style></head>
<body>
<header><div class="site">{html.escape(site)}</div><nav>{nav}</nav></header>
<main>
<h1>{html.escape(title)}</h1>
<div class="meta">Updated this morning · 4 min read</div>
<p class="lead">{html.escape(blurb)}</p>
{body}
<div class="box">Tip: keep this page in your bookmarks, it is updated every week.</div>
{more}
</main>
<footer>© {html.escape(site)} · Contact · Privacy</footer>
</body></html>
"""


def write_site(folder, port):
    for title, path, blurb in all_bookmarks():
        target = os.path.join(folder, path, "index.html")
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w", encoding="utf-8") as f:
            f.write(page(title, path, blurb))
    # The section pages the navigation links to.
    for section, name in SITE_NAMES.items():
        target = os.path.join(folder, section, "index.html")
        if not os.path.exists(target):
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "w", encoding="utf-8") as f:
                f.write(page(name, section + "/", "Everything new this week."))
    with open(os.path.join(folder, "index.html"), "w", encoding="utf-8") as f:
        f.write(page("Start", "news/", "Your bookmarks, served on port %d." % port))


def safari_leaf(title, url):
    return {"URIDictionary": {"title": title}, "URLString": url,
            "WebBookmarkType": "WebBookmarkTypeLeaf",
            "WebBookmarkUUID": str(uuid.uuid4()).upper()}


def safari_folder(title, children):
    return {"Children": children, "Title": title, "WebBookmarkType": "WebBookmarkTypeList",
            "WebBookmarkUUID": str(uuid.uuid4()).upper()}


def write_safari_bookmarks(path, port):
    base = f"http://127.0.0.1:{port}/"
    bar = safari_folder("BookmarksBar", [safari_leaf(t, base + p) for t, p, _ in FAVOURITES])
    menu = safari_folder("BookmarksMenu", [
        safari_folder(name, [safari_leaf(t, base + p) for t, p, _ in items])
        for name, items in FOLDERS.items()
    ])
    reading = safari_folder("com.apple.ReadingList", [])
    reading["ShouldOmitFromUI"] = True
    history = {"Title": "History", "WebBookmarkIdentifier": "History",
               "WebBookmarkType": "WebBookmarkTypeProxy",
               "WebBookmarkUUID": str(uuid.uuid4()).upper()}
    top = [safari_leaf(t, base + p) for t, p, _ in TOP_LEVEL]
    doc = safari_folder("", [history, bar, menu, reading] + top)
    doc["WebBookmarkFileVersion"] = 1
    with open(path, "wb") as f:
        f.write(plistlib.dumps(doc, fmt=plistlib.FMT_BINARY, sort_keys=True))


def grant(path):
    """A grant as core/files/TRFileGrant_unix.cpp makes it: a QDataStream of the
    magic number, the version, the canonical path and the file's identity."""
    canonical = os.path.realpath(path)
    info = os.stat(canonical)
    name = canonical.encode("utf-16-be")
    return (struct.pack(">IH", 0x54524731, 1) + struct.pack(">I", len(name)) + name +
            struct.pack(">QQ", info.st_dev, info.st_ino))


def ini_byte_array(data):
    # QSettings reads @ByteArray(...) with every byte escaped as \xHH; each
    # escape ends at the next backslash, so no byte is taken for a digit of
    # the one before.
    return "@ByteArray(" + "".join("\\x%02x" % b for b in data) + ")"


def write_settings(ini, assignments):
    lines = ["[General]"]
    for assignment in assignments:
        key, _, value = assignment.partition("=")
        if value.startswith("/"):
            lines.append(f"{key}={ini_byte_array(grant(value))}")
        else:
            lines.append(f"{key}={value}")
    os.makedirs(os.path.dirname(ini), exist_ok=True)
    with open(ini, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def main(argv):
    if len(argv) >= 3 and argv[0] == "site":
        write_site(argv[1], int(argv[2]))
    elif len(argv) == 3 and argv[0] == "safari-bookmarks":
        write_safari_bookmarks(argv[1], int(argv[2]))
    elif len(argv) >= 2 and argv[0] == "settings":
        write_settings(argv[1], argv[2:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
