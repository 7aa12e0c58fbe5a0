#!/usr/bin/python3
"""Regenerates the game's art and sound from source, deterministically.

    /usr/bin/python3 tools/art/make_all.py [--only ui,menu,locations,wallpapers,sound,fonts] [--out assets]

Needs the packages listed in scripts/setup-art-deps (and a built tools/ttf2mvec for fonts).
"""
import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import artpython  # noqa: E402

artpython.require("cairo", "numpy", "PIL")
ROOT = os.path.dirname(os.path.dirname(HERE))

STEPS = ["ui", "menu", "locations", "wallpapers", "sound", "fonts"]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--only", default=",".join(STEPS))
    ap.add_argument("--out", default=os.path.join(ROOT, "assets"))
    ap.add_argument("--locations", default="", help="comma-separated subset of locations")
    ap.add_argument("--ttf2mvec", default="", help="path of the ttf2mvec program")
    a = ap.parse_args()
    steps = a.only.split(",")
    for st in steps:
        if st not in STEPS:
            sys.exit("unknown step " + st)
    if "ui" in steps:
        import ui
        ui.write_all(a.out)
        print("ui done")
    if "menu" in steps:
        import menu
        menu.write_all(a.out)
        print("menu done")
    if "locations" in steps:
        import locations
        locations.write_all(a.out, [x for x in a.locations.split(",") if x])
        print("locations done")
    if "wallpapers" in steps:
        import wallpapers
        wallpapers.write_all(a.out)
        print("wallpapers done")
    if "sound" in steps:
        import sound
        sound.write_all(a.out)
        print("sound done")
    if "fonts" in steps:
        import fonts
        fonts.write_all(a.out, a.ttf2mvec)
        print("fonts done")


if __name__ == "__main__":
    main()
