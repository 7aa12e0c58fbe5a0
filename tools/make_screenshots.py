#!/usr/bin/python3
"""Screenshots of the demo from headless runs of the game, for the README and for looking at the art.

    /usr/bin/python3 tools/make_screenshots.py [--lantern PATH] [--keep DIR] [--only name,...]

Plays the walkthrough's input scripts (tests/game/playthrough/walkthrough<n>.txt) stage by stage,
each from the user folder the stage before left, and stops a copy of a stage at the moments listed
in SHOTS: a moment is a note of the script ("# the loc22 location") and a time after it, with a few
more events of its own when the screen needs them (a piece held in the hand, the game menu open).
Writes docs/images/<name>.jpg for the README's pictures, docs/images/contact.jpg (every screen of the
game at a glance, in the order a player meets them) and, with --keep, every frame as a PNG.
The program runs headless on the virtual clock, so the same data gives the same pictures, but for the
dates the journal writes (the machine's calendar), which show in the journal's shot and the contact sheet.
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("PIL")
from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPTS = os.path.join(ROOT, "tests", "game", "playthrough")
MS_PER_FRAME = 12  # a headless frame comes every 12 ms of the virtual clock

# (name, caption, stage, note the moment follows, ms after it, events of its own)
# Events of its own are "<ms after the moment> <event>" lines.
SHOTS = [
    ("name", "The name question", 1, "a new player", 150, []),
    ("refused", "The name question, an empty name refused", 1, "a new player", 100, ["0 key enter", "700 move 600 600"]),
    ("mainmenu", "The main menu", 1, "a new player", 600, []),
    ("options", "Options", 1, "a new player", 1400, []),
    ("album", "The photo album", 1, "a new player", 3000, []),
    ("players", "The player chooser", 1, "a new player", 4600, []),
    ("splash", "The splash", 1, "Play: the splash", 2400, []),
    ("comic1", "The intro comic", 1, "Play: the splash", 4940, ["1200 move 600 400"]),
    ("comic1p3", "The intro comic, its last page", 1, "Play: the splash", 6340, ["1200 move 600 400"]),
    ("tutorial", "The kitchen's tutorial", 1, "the kitchen's tutorial", 0, []),
    ("hint", "A hint", 1, "the loc11 location", -100, []),
    ("loc11", "The kitchen", 1, "the loc11 location", 300, []),
    ("journal", "The journal", 1, "the loc12 location", -5600, []),
    ("gallery", "The gallery", 1, "the loc12 location", -2700, []),
    ("loc12", "The study", 1, "the loc12 location", 0, []),
    ("keys", "The keys game", 2, "the keys game", 1800, []),
    ("keys_solved", "The keys game, solved", 2, "the loc13 location", -2700, []),
    ("infos", "An information page", 2, "the loc13 location", -20, []),
    ("loc13", "The attic", 2, "the loc13 location", 640, []),
    ("loc14", "The boathouse", 2, "the loc14 location", 0, []),
    ("loc15", "The harbour", 2, "the loc15 location", 0, []),
    ("blocks", "The blocks game", 2, "the blocks game", 2600, []),
    ("comic2", "The comic between the levels", 2, "the comic between the levels", 40, ["1200 move 600 400"]),
    ("comic2p2", "The comic between the levels, its last page", 2, "the comic between the levels", 740,
     ["1200 move 600 400"]),
    ("chart", "The chart game", 3, "the chart game", 2400, []),
    ("loc21", "The stairwell", 3, "the loc21 location", 640, []),
    ("lamproom", "The lamp room", 3, "the loc22 location", 640, []),
    ("mosaic", "The mosaic game, a piece in the hand", 3, "the mosaic game", 1800,
     ["0 move 158 692", "40 click left 158 692", "300 move 300 560", "600 move 430 470"]),
    ("mgmenu", "The mini-game menu", 3, "the mosaic game", 1800,
     ["0 move 52 636", "40 click left 52 636", "900 move 600 400"]),
    ("loc23", "The cliff path", 3, "the loc23 location", 0, []),
    ("wounds", "The wounds game", 4, "the wounds game", 2400, []),
    ("gamemenu", "The game menu", 4, "the game menu over the chapel", 700, []),
    ("loc24", "The chapel ruins", 4, "the loc24 location", 0, []),
    ("chapelrules", "The chapel window's opening message", 4, "the chapel's window", -100, []),
    ("chapelwindow", "The chapel's window", 4, "the chapel's window", 1900, []),
    ("theend", "The end: the light burning again", 4, "the chapel's window glides aside", 400,
     []),
    ("credits", "The credits", 4, "the main menu; the credits", 2400, []),
    ("quit", "The quit question", 4, "the main menu; the credits", 4300, []),
]

# Text on the screens, to measure: (shot, what, rectangle round the text x, y, w, h, size in px as
# the data sets it). The contrast is that of the text's colour against what is behind it, both
# read off the frame (the brightest or darkest few pixels in the rectangle, whichever lies
# farther from its median, against the median).
MEASURE = [
    ("name", "the question's title on its plate", (430, 266, 170, 30), 28),
    ("name", "the question", (322, 330, 380, 26), 22),
    ("name", "the OK button", (482, 446, 58, 24), 20),
    ("mainmenu", "the greeting", (212, 250, 200, 24), 20),
    ("mainmenu", "the player's name", (282, 280, 66, 34), 28),
    ("mainmenu", "a menu button (Play)", (272, 346, 76, 32), 26),
    ("mainmenu", "a small button (Credits)", (648, 712, 86, 26), 20),
    ("mainmenu", "a button not yet earned (Wallpapers)", (842, 712, 118, 26), 20),
    ("options", "the title", (452, 176, 122, 30), 28),
    ("options", "a label (Music)", (272, 252, 72, 26), 22),
    ("options", "a check box's label (Full screen)", (320, 462, 132, 26), 22),
    ("players", "the chosen player", (484, 222, 58, 30), 24),
    ("players", "the new player's label", (256, 446, 142, 24), 20),
    ("comic1", "a caption on its parchment", (60, 558, 520, 32), 28),
    ("comic1", "the page button (Next)", (856, 710, 60, 28), 20),
    ("splash", "the tagline", (58, 648, 360, 34), 30),
    ("splash", "the makers' line", (58, 690, 240, 26), 22),
    ("splash", "the link", (248, 722, 120, 28), 22),
    ("tutorial", "the tutorial's text", (298, 506, 290, 24), 20),
    ("loc11", "a name in the list", (250, 670, 112, 24), 21),
    ("loc11", "the coins", (908, 16, 104, 30), 26),
    ("infos", "an information page's title on its plate", (410, 176, 204, 30), 28),
    ("infos", "an information page's text", (482, 304, 280, 24), 20),
    ("journal", "a journal entry", (585, 154, 300, 26), 22),
    ("journal", "the journal's tab (Log)", (976, 200, 36, 20), 15),
    ("gallery", "the title", (398, 66, 232, 42), 40),
    ("gallery", "the button (Set as wallpaper)", (424, 648, 178, 28), 28),
    ("keys", "the caption on the lintel", (288, 20, 450, 36), 30),
    ("keys", "the board's name plate", (430, 101, 166, 17), 18),
    ("chart", "the chart's subtitle", (254, 116, 174, 20), 14),
    ("chart", "a place on the chart", (230, 342, 114, 20), 16),
    ("chart", "the course list's title", (752, 120, 120, 28), 24),
    ("chart", "a place on the course list", (732, 240, 156, 28), 24),
    ("blocks", "the caption", (350, 40, 324, 36), 32),
    ("lamproom", "a name in the list", (250, 670, 112, 24), 21),
    ("mosaic", "the caption", (318, 8, 388, 38), 32),
    ("chapelwindow", "the caption", (346, 8, 332, 38), 32),
    ("wounds", "the caption", (354, 14, 318, 38), 32),
    ("gamemenu", "a menu button (Options)", (458, 410, 108, 30), 26),
    ("credits", "a heading", (415, 114, 194, 30), 28),
    ("credits", "a line", (400, 148, 226, 32), 28),
    ("quit", "the question's title on its plate", (396, 264, 256, 32), 28),
    ("quit", "the question", (348, 360, 330, 30), 22),
]

# The README's pictures.
README = {"mainmenu": "mainmenu", "lamproom": "lamproom", "mosaic": "mosaic"}


def find_lantern(given):
    """The game given, or the most recently built one (an older build may lack what the scripts need)."""
    if given:
        return given
    built = [p for p in glob.glob(os.path.join(ROOT, "build", "*", "game", "lantern")) if os.access(p, os.X_OK)]
    if not built:
        sys.exit("make_screenshots: no built game found; give --lantern")
    return max(built, key=os.path.getmtime)


def read_stage(n):
    with open(os.path.join(SCRIPTS, "walkthrough%d.txt" % n), encoding="utf-8") as f:
        lines = f.read().splitlines()
    frames = int(re.search(r"# frames: (\d+)", "\n".join(lines)).group(1))
    return lines, frames


def events_until(lines, note, after):
    """The events up to the moment `after` ms past the first event that follows the note (which may
    be negative: a moment before the note), and the moment itself."""
    at = None
    for i, line in enumerate(lines):
        if at is None and line.startswith("# " + note):
            at = i
            continue
        if at is not None and line and not line.startswith("#"):
            moment = int(line.split()[0]) + after
            break
    else:
        sys.exit("make_screenshots: no note \"%s\"" % note)
    kept = [l for l in lines if l and not l.startswith("#") and int(l.split()[0]) <= moment]
    return kept, moment


def run(lantern, user, script_lines, frames, shot):
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
        f.write("\n".join(script_lines) + "\n")
        script = f.name
    try:
        subprocess.run([lantern, "options=headless=1,frames=%d,screenshot=%s,userfolder=%s,input=%s"
                        % (frames, shot, user, script)], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        os.unlink(script)


def linear(v):
    """An 8-bit sRGB channel as linear light (WCAG)."""
    c = v / 255.0
    return ((c + 0.055) / 1.055) ** 2.4 if c > 0.04045 else c / 12.92


LINEAR = [linear(v) for v in range(256)]


def luminance(rgb):
    """WCAG relative luminance of an 8-bit sRGB colour (r, g, b)."""
    return 0.2126 * LINEAR[rgb[0]] + 0.7152 * LINEAR[rgb[1]] + 0.0722 * LINEAR[rgb[2]]


def percentile(ordered, p):
    """The p-th percentile of sorted values, between the two nearest ranks."""
    at = (len(ordered) - 1) * p / 100.0
    below = int(at)
    above = min(below + 1, len(ordered) - 1)
    return ordered[below] + (ordered[above] - ordered[below]) * (at - below)


def contrast(picture, rect):
    x, y, w, h = rect
    lum = sorted(luminance(p) for p in picture.convert("RGB").crop((x, y, x + w, y + h)).getdata())
    middle, low, high = percentile(lum, 50), percentile(lum, 2), percentile(lum, 98)
    text = high if high - middle > middle - low else low
    return (max(text, middle) + 0.05) / (min(text, middle) + 0.05)


def report(shots):
    for name, what, rect, size in MEASURE:
        if name in shots:
            print("%-12s %-40s %3d px  contrast %5.1f:1" % (name, what, size, contrast(shots[name], rect)))


def contact_sheet(pictures, path, columns=4, width=320):
    height = width * 3 // 4
    font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 13)
    pad, label = 8, 20
    rows = (len(pictures) + columns - 1) // columns
    sheet = Image.new("RGB", (columns * (width + pad) + pad, rows * (height + label + pad) + pad), (24, 30, 34))
    draw = ImageDraw.Draw(sheet)
    for i, (caption, picture) in enumerate(pictures):
        x = pad + (i % columns) * (width + pad)
        y = pad + (i // columns) * (height + label + pad)
        sheet.paste(picture.resize((width, height), Image.LANCZOS), (x, y))
        draw.text((x + 2, y + height + 3), caption, font=font, fill=(230, 222, 200))
    sheet.save(path, quality=80, optimize=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--lantern", default="")
    ap.add_argument("--out", default=os.path.join(ROOT, "docs", "images"))
    ap.add_argument("--keep", default="", help="also keep every frame as <name>.png in this folder")
    ap.add_argument("--only", default="", help="comma-separated shot names (no contact sheet)")
    ap.add_argument("--measure", default="", help="only measure the text on <name>.png frames kept in this folder")
    a = ap.parse_args()
    if a.measure:
        report({name: Image.open(os.path.join(a.measure, name + ".png")) for name in set(m[0] for m in MEASURE)})
        return
    lantern = find_lantern(a.lantern)
    only = [x for x in a.only.split(",") if x]
    work = tempfile.mkdtemp(prefix="lantern-shots-")
    try:
        users = {1: os.path.join(work, "user0")}
        os.makedirs(users[1])
        # The user folder each stage starts from: the one the stage before left.
        for n in range(1, max(s[2] for s in SHOTS)):
            lines, frames = read_stage(n)
            users[n + 1] = os.path.join(work, "user%d" % n)
            shutil.copytree(users[n], users[n + 1])
            run(lantern, users[n + 1], [l for l in lines if l and not l.startswith("#")], frames,
                os.path.join(work, "stage%d.png" % n))
        pictures, taken = [], {}
        for name, caption, stage, note, after, extra in SHOTS:
            if only and name not in only:
                continue
            lines, _ = read_stage(stage)
            kept, moment = events_until(lines, note, after)
            kept += ["%d %s" % (moment + int(e.split(" ", 1)[0]), e.split(" ", 1)[1]) for e in extra]
            end = moment + max([0] + [int(e.split(" ", 1)[0]) for e in extra])
            user = os.path.join(work, "shot")
            shutil.rmtree(user, ignore_errors=True)
            shutil.copytree(users[stage], user)
            png = os.path.join(work, name + ".png")
            run(lantern, user, kept, end // MS_PER_FRAME + 2, png)
            picture = Image.open(png).convert("RGB")
            pictures.append((caption, picture))
            taken[name] = picture
            if a.keep:
                os.makedirs(a.keep, exist_ok=True)
                shutil.copy(png, os.path.join(a.keep, name + ".png"))
            if name in README:
                picture.save(os.path.join(a.out, README[name] + ".jpg"), quality=88, optimize=True)
            print(name, "at", moment, "ms of stage", stage)
        if not only:
            contact_sheet(pictures, os.path.join(a.out, "contact.jpg"))
        report(taken)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
