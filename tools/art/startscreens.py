#!/usr/bin/python3
"""Start screens for a blind search of the locations, made from the built assets:

    /usr/bin/python3 tools/art/startscreens.py [--assets DIR] OUT [loc11 loc12 ...]

writes OUT/<name>.png, the location as a new game shows it (its picture with every object in
place and the panel over its foot, the list's names left out), and OUT/<name>.txt, the names of
its objects one a line in alphabetical order, for someone who has not seen the level files."""
import argparse
import os
import sys
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import artpython  # noqa: E402

artpython.require("PIL")
from PIL import Image  # noqa: E402

SHEET = "{urn:schemas-microsoft-com:office:spreadsheet}"


def names(assets):
    """The string table's rows: key -> text."""
    rows = {}
    for row in ET.parse(os.path.join(assets, "strings.xml")).iter(SHEET + "Row"):
        cells = [d.text or "" for d in row.iter(SHEET + "Data")]
        if len(cells) >= 2:
            rows[cells[0]] = cells[1]
    return rows


def start_screen(assets, name, table):
    """The start screen of location `name` and its list's names."""
    level = ET.parse(os.path.join(assets, "levels", name + ".xml")).getroot()
    screen = Image.open(os.path.join(assets, level.get("bkg") + ".jpg")).convert("RGBA")
    listed = []
    for item in level.find("Pict").iter("Item"):
        x, y = (int(v) for v in item.get("rect").split(",")[:2])
        screen.alpha_composite(Image.open(os.path.join(assets, item.get("img") + ".png")).convert("RGBA"), (x, y))
        listed.append(table["item_" + item.get("name")])
    panel = Image.open(os.path.join(assets, "backgrounds", "panel.png")).convert("RGBA")
    screen.alpha_composite(panel, (0, screen.height - panel.height))
    return screen.convert("RGB"), sorted(listed)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--assets", default=os.path.join(os.path.dirname(os.path.dirname(HERE)), "assets"))
    ap.add_argument("out")
    ap.add_argument("locations", nargs="*")
    a = ap.parse_args()
    out = a.out
    os.makedirs(out, exist_ok=True)
    table = names(a.assets)
    levels = os.path.join(a.assets, "levels")
    for name in a.locations or sorted(f[:-4] for f in os.listdir(levels) if f.startswith("loc")):
        screen, listed = start_screen(a.assets, name, table)
        screen.save(os.path.join(out, name + ".png"), optimize=False)
        with open(os.path.join(out, name + ".txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(listed) + "\n")
        print(name, len(listed), "objects")


if __name__ == "__main__":
    main()
