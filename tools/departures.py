#!/usr/bin/python3
"""Gathers every "## Mends" section of docs/*.md into docs/departures.md.

Each area's page keeps its own list of the places where lantern does
something other than the behaviour it rebuilds, each with the fault it mends,
under a level-2 heading that starts with "Mends". This script copies those
sections, page by page, into one page a newcomer can read through:

    python3 tools/departures.py          # writes docs/departures.md
    python3 tools/departures.py --check  # exits 1 when the page is out of date

To add a departure: add it to the "## Mends" section of the page of its area
(make the section when the page has none), then run the script and commit
both files. The test Docs.departures runs the check.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOCS = os.path.join(ROOT, "docs")
OUT = os.path.join(DOCS, "departures.md")
SKIP = {"README.md", "departures.md"}

# The areas in the order of the layers, from the platform up; pages not named
# here follow in alphabetical order.
ORDER = [
    "shell.md", "settings.md", "files.md", "pack-archive.md", "prefs.md", "log.md", "tasks.md",
    "crash-report.md", "desktop.md", "scripting.md",
    "display.md", "sdev.md", "cursor.md", "mvec.md", "textmarkup.md", "mesh.md", "asset-registry.md",
    "ui.md", "stockwindows.md",
    "audio.md", "audio-mixer.md",
    "gameshell.md", "effects.md", "particles.md", "saves.md", "headless.md",
    "scene.md", "levels.md",
    "journal.md", "tutorial.md", "comics.md",
    "minigames.md",
]

HEADER = """# Departures, each with the fault it mends

Every place where lantern does something other than the behaviour it rebuilds,
gathered from the "Mends" section of each area's page (the heading links to it;
"above" in an entry means that page).
Each entry names the fault the plain behaviour would have: a crash, lost or
damaged data, a wrong result, a failure told as success, input handled unsafely,
or a player held for good. What the program leaves out on purpose, and why, is
in the README ("What it does not do", "Scripts", "Movies").

This page is made by `tools/departures.py` from those sections: do not edit it.
To add a departure, add it to the "## Mends" section of its area's page, run
`python3 tools/departures.py` and commit both (the test Docs.departures fails
while this page is out of date).
"""


def anchor(title):
    text = re.sub(r"[^\w\- ]", "", title.lower())
    return text.replace(" ", "-")


def sections(path):
    """The page's title and the text of each of its "## Mends..." sections."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    title = next((l[2:].strip() for l in lines if l.startswith("# ")), os.path.basename(path))
    found, current, fence = [], None, False
    for line in lines:
        if line.startswith("```"):
            fence = not fence
        if not fence and (line.startswith("## ") or line.startswith("# ")):
            if current is not None:
                found.append(current)
                current = None
            if line.startswith("## Mends"):
                current = (line[3:].strip(), [])
            continue
        if current is not None:
            current[1].append(line)
    if current is not None:
        found.append(current)
    return title, [(heading, "\n".join(body).strip("\n")) for heading, body in found]


def build():
    names = sorted(n for n in os.listdir(DOCS) if n.endswith(".md") and n not in SKIP)
    ordered = [n for n in ORDER if n in names] + [n for n in names if n not in ORDER]
    out = [HEADER]
    for name in ordered:
        title, found = sections(os.path.join(DOCS, name))
        for heading, body in found:
            if not body:
                continue
            out.append("## %s ([%s](%s#%s))\n\n%s\n" % (title, name, name, anchor(heading), body))
    return "\n".join(out)


def main():
    text = build()
    if "--check" in sys.argv[1:]:
        try:
            with open(OUT, encoding="utf-8") as f:
                old = f.read()
        except OSError:
            old = None
        if old != text:
            sys.stderr.write("docs/departures.md is out of date: run python3 tools/departures.py\n")
            return 1
        print("docs/departures.md is up to date")
        return 0
    with open(OUT, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
