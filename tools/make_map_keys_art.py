#!/usr/bin/python3
"""Pictures, sound and files of two mini-games of the demo data.

    /usr/bin/python3 tools/make_map_keys_art.py [--out assets]

The map path game (assets/minigame2_1.xml, pictures under mg2/): the harbour
master's chart of Gullrock on his desk, with the list of places of the safe
passage, pins and the red pencil line of the course.
The keys game (assets/minigame3_1.xml, pictures under mg3/): the keeper's key
board on the study wall, five keys with an enamel sign each, their keyholes,
five picture tiles that the keys turn, and the tray on the pane.

The click of the keys is the frame's "audio/sfx/button_click.ogg". The game
files are written here too, so that every place in them matches the
pictures, and the journal's photographs of both games (journal/mg_chart,
journal/mg_keys) in the style of the locations' ones. Uses the art kit of tools/art (read only); the same source always
gives the same files.
"""
import argparse
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tools", "art"))
sys.path.insert(0, HERE)


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("numpy", "PIL", "cairo")
import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

import make_journal_art  # noqa: E402  (its sepia photograph, for the journal's pages)

import objects  # noqa: E402
import scenery  # noqa: E402
from kit import (PAL, SERIF, W, H, alpha, blur, brass_linear, brass_radial, brass_ring, drop_shadow,  # noqa: E402
                 ellipse, fbm, from_np, glow, grain, hexc, light_map, apply_light, lin, mix, new, over,
                 paper, rad, rivet, rrect, save_jpg, save_png, shade, smooth, src, text, texture, to_np,
                 vignette, wood, blob)

# ------------------------------------------------------------------ the map game

MAP_POS = (40, 62)          # the chart's top-left on screen
MAP_W, MAP_H = 600, 516
GRID = (36, 48)             # the grid's top-left on the chart
CELL = 48
COLS, ROWS = 11, 9
LIST_RECT = (650, 108, 240, 34)   # first name line, left/top from MAP_POS
PIN = 28
SECTION = (12, 4)

# The passage, in the order of the list: (column, row, name, what marks it).
# The pane along the bottom and the frame's round buttons on it (main.xml "MiniGame").
PANE_H = 180
BUTTONS = [(20, 604), (20, 684), (940, 604), (940, 684)]
BUTTON = 64

PASSAGE = [
    (1, 7, "Harbour", "harbour"),
    (3, 6, "Bell buoy", "buoy"),
    (4, 4, "Cormorant Stack", "stack"),
    (6, 3, "The Narrows", "narrows"),
    (8, 3, "Gull Point", "point"),
    (9, 1, "Lighthouse", "lighthouse"),
]
# Other places on the chart, to be passed by.
OTHERS = [
    (7, 6, "Wreck", "wreck"),
    (2, 2, "Black Ledge", "rocks"),
    (5, 7, "Seal Rocks", "rocks"),
    (10, 5, "Outer buoy", "buoy"),
]


def cell_centre(col, row):
    return GRID[0] + CELL * col + CELL / 2, GRID[1] + CELL * row + CELL / 2


def ink(a=1.0):
    return alpha(PAL["ink"], a)


def chart_sea(c):
    c.rectangle(0, 0, MAP_W, MAP_H)
    c.set_source(lin(0, 0, MAP_W, MAP_H, [(0, alpha(PAL["mist_lt"], 0.55)), (1, alpha(PAL["mist"], 0.5))]))
    c.fill()


MAINLAND = [(-10, 250), (40, 272), (66, 318), (82, 366), (74, 398), (92, 436), (140, 452), (186, 476),
            (226, 506), (250, 560), (-10, 560)]
GULLROCK = [(440, 92), (486, 76), (528, 96), (540, 138), (520, 176), (486, 196), (458, 236), (432, 222),
            (440, 184), (424, 140)]
ISLETS = [((320, 170), (22, 16), 5), ((372, 258), (26, 18), 6), ((110, 120), (40, 26), 8)]


def land(c, pts, seed, closed=True):
    smooth(c, pts, close=closed)
    c.set_source(lin(0, 0, 0, MAP_H, [(0, hexc("d8c596")), (1, hexc("c7ae7c"))]))
    c.fill_preserve()
    c.set_line_width(1.6)
    src(c, ink(0.85))
    c.stroke()


def coast_hatching(c, pts):
    # Fine water lines along a shore, as charts draw them.
    for k, off in enumerate((5, 10, 16)):
        c.save()
        c.set_line_width(0.7)
        src(c, alpha(PAL["seaglass_dk"], 0.45 - 0.12 * k))
        smooth(c, [(x + off * 0.6, y - off * 0.6) for x, y in pts], close=False)
        c.stroke()
        c.restore()


def mark(c, kind, x, y):
    """The chart's sign of a place, centred on (x, y)."""
    c.save()
    c.new_path()
    c.set_line_width(1.6)
    if kind == "harbour":
        # quay walls and a small anchor
        src(c, ink(0.9))
        c.move_to(x - 16, y + 12)
        c.line_to(x - 4, y - 2)
        c.line_to(x + 12, y - 2)
        c.stroke()
        c.arc(x + 2, y - 10, 3, 0, 2 * math.pi)
        c.stroke()
        c.move_to(x + 2, y - 7)
        c.line_to(x + 2, y + 8)
        c.move_to(x - 6, y + 3)
        c.curve_to(x - 5, y + 10, x + 9, y + 10, x + 10, y + 3)
        c.stroke()
    elif kind == "buoy":
        c.arc(x, y, 6, 0, 2 * math.pi)
        src(c, alpha(PAL["cloth_red"], 0.9))
        c.fill_preserve()
        src(c, ink())
        c.stroke()
        c.move_to(x, y - 6)
        c.line_to(x, y - 14)
        c.stroke()
        c.arc(x, y - 16, 2.5, 0, 2 * math.pi)
        c.fill()
    elif kind == "stack":
        blob(c, x, y, 9, 11, 21, n=8, jitter=0.25)
        src(c, hexc("8d8a7a"))
        c.fill_preserve()
        src(c, ink())
        c.stroke()
        for dx in (-5, 0, 5):
            c.move_to(x + dx, y - 6)
            c.line_to(x + dx + 2, y + 6)
        c.set_line_width(0.8)
        c.stroke()
    elif kind == "narrows":
        # the leading marks: two small triangles on the line of the channel
        for dx, dy in ((-7, 5), (7, -5)):
            c.move_to(x + dx, y + dy - 6)
            c.line_to(x + dx + 5, y + dy + 3)
            c.line_to(x + dx - 5, y + dy + 3)
            c.close_path()
            src(c, ink())
            c.fill()
        c.set_dash([3, 3])
        c.move_to(x - 18, y + 13)
        c.line_to(x + 18, y - 13)
        c.set_line_width(1)
        c.stroke()
    elif kind == "point":
        src(c, ink())
        c.move_to(x - 7, y + 7)
        c.line_to(x + 7, y - 7)
        c.move_to(x - 7, y - 7)
        c.line_to(x + 7, y + 7)
        c.stroke()
        c.arc(x, y, 9, 0, 2 * math.pi)
        c.set_line_width(1)
        c.stroke()
    elif kind == "lighthouse":
        c.move_to(x - 5, y + 12)
        c.line_to(x - 3, y - 8)
        c.line_to(x + 3, y - 8)
        c.line_to(x + 5, y + 12)
        c.close_path()
        src(c, PAL["white"])
        c.fill_preserve()
        src(c, ink())
        c.stroke()
        c.rectangle(x - 4, y - 13, 8, 5)
        src(c, alpha(PAL["amber"], 0.95))
        c.fill_preserve()
        src(c, ink())
        c.stroke()
        for a in (-0.5, -0.2, 0.2, 0.5):
            c.move_to(x + 7 * math.cos(a), y - 11 + 7 * math.sin(a))
            c.line_to(x + 16 * math.cos(a), y - 11 + 16 * math.sin(a))
            c.move_to(x - 7 * math.cos(a), y - 11 + 7 * math.sin(a))
            c.line_to(x - 16 * math.cos(a), y - 11 + 16 * math.sin(a))
        src(c, alpha(PAL["amber_dk"], 0.9))
        c.set_line_width(1)
        c.stroke()
    elif kind == "wreck":
        src(c, ink())
        c.move_to(x - 11, y)
        c.line_to(x + 11, y)
        c.move_to(x, y - 7)
        c.line_to(x, y + 7)
        for dx in (-6, 6):
            c.move_to(x + dx, y - 4)
            c.line_to(x + dx, y + 4)
        c.stroke()
    elif kind == "rocks":
        src(c, ink())
        for dx, dy in ((-7, -4), (5, -6), (0, 5), (8, 6)):
            c.move_to(x + dx - 3, y + dy)
            c.line_to(x + dx + 3, y + dy)
            c.move_to(x + dx, y + dy - 3)
            c.line_to(x + dx, y + dy + 3)
        c.set_line_width(1.2)
        c.stroke()
    c.restore()


def compass_rose(c, x, y, r):
    c.save()
    c.set_line_width(0.8)
    src(c, ink(0.7))
    for rr in (r, r * 0.8):
        c.arc(x, y, rr, 0, 2 * math.pi)
        c.stroke()
    for i in range(32):
        a = i * math.pi / 16
        c.move_to(x + math.cos(a) * r * 0.8, y + math.sin(a) * r * 0.8)
        c.line_to(x + math.cos(a) * r, y + math.sin(a) * r)
    c.stroke()
    for i in range(8):
        a = i * math.pi / 4 - math.pi / 2
        length = r * (0.95 if i % 2 == 0 else 0.55)
        for side in (-1, 1):
            c.move_to(x, y)
            c.line_to(x + math.cos(a) * length, y + math.sin(a) * length)
            c.line_to(x + math.cos(a + side * 0.35) * r * 0.18, y + math.sin(a + side * 0.35) * r * 0.18)
            c.close_path()
            src(c, ink(0.85) if side < 0 else alpha(PAL["cloth_red"], 0.75))
            c.fill()
    text(c, "N", x, y - r - 4, 16, ink(0.9), anchor="center", bold=True)
    c.restore()


def haloed(c, s, x, y, size, bold=False, italic=False, anchor="center"):
    """Chart lettering: dark ink inside a rim of bare paper, so it reads over the sea's lines."""
    text(c, s, x, y, size, ink(1.0), bold=bold, italic=italic, anchor=anchor, halo=alpha(PAL["paper"], 0.9))


def map_picture():
    s, c = new(MAP_W, MAP_H)
    # the sheet: a little wavy at its edges
    smooth(c, [(6, 4), (MAP_W * 0.5, 0), (MAP_W - 4, 6), (MAP_W, MAP_H * 0.5), (MAP_W - 6, MAP_H - 2),
               (MAP_W * 0.5, MAP_H), (3, MAP_H - 5), (0, MAP_H * 0.5)])
    c.set_source(lin(0, 0, MAP_W, MAP_H, [(0, PAL["paper"]), (1, shade(PAL["paper"], 0.93))]))
    c.fill()
    sheet = to_np(s)
    paper(sheet, 211, burn=0.4, blotch=0.14)
    s2, c2 = new(MAP_W, MAP_H)
    c2.save()
    c2.rectangle(22, 22, MAP_W - 44, MAP_H - 44)
    c2.clip()
    chart_sea(c2)
    # soundings: little depth dots and dashed lines of equal depth where there is sea
    r = np.random.RandomState(212)
    for _ in range(70):
        x, y = 40 + r.rand() * (MAP_W - 80), 40 + r.rand() * (MAP_H - 80)
        c2.arc(x, y, 1.4, 0, 2 * math.pi)
        src(c2, ink(0.35))
        c2.fill()
    c2.set_dash([5, 4])
    c2.set_line_width(0.9)
    src(c2, alpha(PAL["seaglass_dk"], 0.45))
    for k in range(3):
        smooth(c2, [(x + 40 + k * 34, y - 30 - k * 30) for x, y in MAINLAND[1:-1]], close=False)
        c2.stroke()
    c2.set_dash([])
    coast_hatching(c2, MAINLAND[1:-1])
    land(c2, MAINLAND, 213)
    coast_hatching(c2, GULLROCK)
    land(c2, GULLROCK, 214)
    for (x, y), (rx, ry), seed in ISLETS:
        blob(c2, x, y, rx, ry, seed, n=9)
        c2.set_source(lin(0, y - ry, 0, y + ry, [(0, hexc("d8c596")), (1, hexc("c2a878"))]))
        c2.fill_preserve()
        c2.set_line_width(1.3)
        src(c2, ink(0.8))
        c2.stroke()
    compass_rose(c2, 500, 420, 40)
    c2.restore()
    # the border with its degree marks
    c2.set_line_width(2)
    src(c2, ink(0.85))
    c2.rectangle(22, 22, MAP_W - 44, MAP_H - 44)
    c2.stroke()
    c2.set_line_width(1)
    c2.rectangle(16, 16, MAP_W - 32, MAP_H - 32)
    c2.stroke()
    for i in range(0, 25):
        x = 22 + i * (MAP_W - 44) / 24
        c2.rectangle(x, 16, (MAP_W - 44) / 48, 6)
        c2.rectangle(x, MAP_H - 22, (MAP_W - 44) / 48, 6)
    for i in range(0, 21):
        y = 22 + i * (MAP_H - 44) / 20
        c2.rectangle(16, y, 6, (MAP_H - 44) / 40)
        c2.rectangle(MAP_W - 22, y, 6, (MAP_H - 44) / 40)
    c2.fill()
    haloed(c2, "GULLROCK & APPROACHES", MAP_W / 2, 48, 18, bold=True)
    haloed(c2, "surveyed for the harbour master", MAP_W / 2, 68, 14, italic=True)
    # the places with their names
    labels = {"Harbour": (10, 30), "Bell buoy": (14, 20), "Cormorant Stack": (-60, 30), "The Narrows": (-100, -16),
              "Gull Point": (16, 22), "Lighthouse": (16, -8), "Wreck": (16, 6), "Black Ledge": (14, -14),
              "Seal Rocks": (-30, 30), "Outer buoy": (-84, 30)}
    for col, row, name, kind in PASSAGE + OTHERS:
        x, y = cell_centre(col, row)
        mark(c2, kind, x, y)
    for col, row, name, kind in PASSAGE + OTHERS:
        x, y = cell_centre(col, row)
        dx, dy = labels[name]
        haloed(c2, name, x + dx, y + dy, 16, anchor="left")
    lines = to_np(s2)
    arr = over(lines * sheet[..., 3:4], sheet)
    grain(arr, 215, 0.02)
    arr = drop_shadow(arr, 4, 6, 6, 0.55)
    return arr


def map_background():
    s, c = new(W, H)
    wood(c, 0, 0, W, H, 221, tone="dark", planks=7)
    arr = to_np(s)
    # the log slip for the course, pinned on the right
    lx, ly = MAP_POS[0] + LIST_RECT[0] - 20, MAP_POS[1] + LIST_RECT[1] - 70
    lw, lh = LIST_RECT[2] + 40, 330
    ps, pc = new(W, H)
    smooth(pc, [(lx, ly + 4), (lx + lw * 0.5, ly), (lx + lw, ly + 3), (lx + lw + 2, ly + lh * 0.5),
                (lx + lw - 2, ly + lh), (lx + lw * 0.5, ly + lh + 3), (lx + 1, ly + lh - 2), (lx - 2, ly + lh * 0.5)])
    pc.set_source(lin(0, ly, 0, ly + lh, [(0, PAL["paper"]), (1, shade(PAL["paper"], 0.9))]))
    pc.fill()
    slip = to_np(ps)
    paper(slip, 222, burn=0.35, blotch=0.12)
    ls, lc = new(W, H)
    text(lc, "Course to set", lx + lw / 2, ly + 40, 24, ink(0.9), anchor="center", italic=True)
    lc.set_line_width(1)
    src(lc, alpha(PAL["seaglass_bl"], 0.5))
    top = MAP_POS[1] + LIST_RECT[1]
    for i in range(7):
        y = top + LIST_RECT[3] * (i + 1) - 4
        lc.move_to(lx + 12, y)
        lc.line_to(lx + lw - 12, y)
    lc.stroke()
    src(lc, alpha(PAL["cloth_red"], 0.5))
    lc.move_to(lx + 28, ly + 52)
    lc.line_to(lx + 28, ly + lh - 10)
    lc.stroke()
    slip = over(to_np(ls) * slip[..., 3:4], slip)
    slip = drop_shadow(slip, 3, 5, 5, 0.6)
    arr = over(slip, arr)
    # brass dividers and a pencil on the desk
    ts, tc = new(W, H)
    tc.set_line_width(4)
    for a in (-0.32, 0.32):
        tc.move_to(880, 462)
        tc.line_to(880 + 96 * math.sin(a), 462 + 96 * math.cos(a))
        tc.set_source(brass_linear(840, 462, 920, 560))
        tc.stroke()
    rivet(tc, 880, 462, 7)
    tc.save()
    tc.translate(680, 540)
    tc.rotate(-0.18)
    rrect(tc, 0, -5, 150, 10, 3)
    tc.set_source(lin(0, -5, 0, 5, [(0, PAL["cloth_red"]), (1, shade(PAL["cloth_red"], 0.6))]))
    tc.fill()
    tc.move_to(150, -5)
    tc.line_to(172, 0)
    tc.line_to(150, 5)
    tc.close_path()
    src(tc, PAL["wood_lt"])
    tc.fill()
    tc.restore()
    tools = drop_shadow(to_np(ts), 3, 5, 4, 0.6)
    arr = over(tools, arr)
    # the lamp's light from the upper right, dark corners
    lm = light_map(W, H, [(900, 60, 700, PAL["amber"], 0.45), (300, 350, 600, PAL["candle"], 0.15)], ambient=0.7)
    apply_light(arr, lm)
    vignette(arr, 0.5)
    grain(arr, 223, 0.025)
    return arr


def pin_picture():
    s, c = new(PIN, PIN)
    cx = cy = PIN / 2
    c.arc(cx + 2, cy + 3, 10, 0, 2 * math.pi)
    src(c, (0, 0, 0, 0.35))
    c.fill()
    c.arc(cx, cy, 10, 0, 2 * math.pi)
    c.set_source(rad(cx, cy, 1, 10, [(0, shade(PAL["cloth_red"], 1.5)), (0.7, PAL["cloth_red"]),
                                      (1, shade(PAL["cloth_red"], 0.5))], fx=cx - 3, fy=cy - 3))
    c.fill()
    c.arc(cx, cy, 4, 0, 2 * math.pi)
    c.set_source(brass_radial(cx, cy, 4))
    c.fill()
    c.arc(cx - 3.5, cy - 3.5, 2.2, 0, 2 * math.pi)
    src(c, (1, 1, 1, 0.6))
    c.fill()
    return to_np(s)


def section_picture():
    w, h = SECTION
    s, c = new(w, h)
    rrect(c, 1, 0.5, 8, 3, 1.5)
    src(c, alpha(PAL["cloth_red"], 0.95))
    c.fill()
    return to_np(s)


# ----------------------------------------------------------------- the keys game

PLATE_POS = (222, 80)
LINTEL_H = 76              # the keys game's lintel over the board, under the caption
PLATE_W, PLATE_H = 580, 420
HOLE = 100                 # keyholes, keys and tiles are 100 x 100
HOLES_AT = (262, 130)      # first keyhole on screen
TILES_AT = (262, 290)      # first picture tile
PREVIEW = (96, 64)
TRAY_AT = (272, 646)       # first tray place
HELD = (112, 70)
SIGNS = [("anchor", "cloth_red"), ("star", "seaglass_bl"), ("fish", "seaglass_dk"), ("bell", "amber"),
         ("gull", "white")]


def sign(c, kind, x, y, s, col):
    """A key's sign, about 2s across, centred on (x, y)."""
    c.save()
    c.translate(x, y)
    c.scale(s / 10.0, s / 10.0)
    src(c, col)
    c.set_line_width(2.2)
    if kind == "anchor":
        c.arc(0, -7, 2.5, 0, 2 * math.pi)
        c.stroke()
        c.move_to(0, -4.5)
        c.line_to(0, 8)
        c.move_to(-5, -2)
        c.line_to(5, -2)
        c.move_to(-8, 3)
        c.curve_to(-7, 10, 7, 10, 8, 3)
        c.stroke()
    elif kind == "star":
        pts = []
        for i in range(10):
            a = -math.pi / 2 + i * math.pi / 5
            r = 9 if i % 2 == 0 else 4
            pts.append((r * math.cos(a), r * math.sin(a)))
        c.move_to(*pts[0])
        for p in pts[1:]:
            c.line_to(*p)
        c.close_path()
        c.fill()
    elif kind == "fish":
        c.move_to(-8, 0)
        c.curve_to(-3, -7, 5, -6, 8, 0)
        c.curve_to(5, 6, -3, 7, -8, 0)
        c.close_path()
        c.fill()
        c.move_to(7, 0)
        c.line_to(11, -5)
        c.line_to(11, 5)
        c.close_path()
        c.fill()
    elif kind == "bell":
        c.move_to(-7, 6)
        c.curve_to(-6, -2, -5, -8, 0, -8)
        c.curve_to(5, -8, 6, -2, 7, 6)
        c.close_path()
        c.fill()
        c.arc(0, 8, 2, 0, 2 * math.pi)
        c.fill()
    elif kind == "gull":
        c.move_to(-10, -1)
        c.curve_to(-6, -6, -2, -4, 0, 1)
        c.curve_to(2, -4, 6, -6, 10, -1)
        c.stroke()
    c.restore()


def plate_picture():
    s, c = new(PLATE_W, PLATE_H)
    rrect(c, 0, 0, PLATE_W, PLATE_H, 18)
    c.set_source(brass_linear(0, 0, PLATE_W, PLATE_H, 0.15))
    c.fill()
    wood(c, 12, 12, PLATE_W - 24, PLATE_H - 24, 311, tone="mid", planks=0,
         clip_path=lambda cc: rrect(cc, 12, 12, PLATE_W - 24, PLATE_H - 24, 12))
    ox, oy = PLATE_POS
    # engraved name plate
    rrect(c, PLATE_W / 2 - 110, 14, 220, 30, 6)
    c.set_source(brass_linear(0, 14, 0, 44, 0.1))
    c.fill()
    rrect(c, PLATE_W / 2 - 104, 17, 208, 24, 4)
    c.set_source(lin(0, 17, 0, 41, [(0, PAL["brass_hi"]), (0.5, PAL["brass_lt"]), (1, mix(PAL["brass_lt"], PAL["brass"], 0.5))]))
    c.fill()
    text(c, "THE KEEPER'S KEYS", PLATE_W / 2, 36, 18, PAL["night"], anchor="center", bold=True)
    # sunk frame for the picture tiles
    tx, ty = TILES_AT[0] - ox, TILES_AT[1] - oy
    rrect(c, tx - 8, ty - 8, 5 * HOLE + 16, HOLE + 16, 6)
    c.set_source(brass_linear(0, ty - 8, 0, ty + HOLE + 8, 0.3))
    c.fill()
    c.rectangle(tx, ty, 5 * HOLE, HOLE)
    c.set_source(lin(0, ty, 0, ty + HOLE, [(0, PAL["night"]), (1, PAL["abyss"])]))
    c.fill()
    # a peg under every keyhole for the sign, engraved
    hx, hy = HOLES_AT[0] - ox, HOLES_AT[1] - oy
    for i, (kind, col) in enumerate(SIGNS):
        x = hx + HOLE * i + HOLE / 2
        rrect(c, x - 18, hy + HOLE + 10, 36, 26, 5)
        c.set_source(brass_linear(0, hy + HOLE + 10, 0, hy + HOLE + 36, 0.2))
        c.fill()
        sign(c, kind, x, hy + HOLE + 23, 9, alpha(PAL["wood_dk"], 0.95))
    for x, y in ((24, 24), (PLATE_W - 24, 24), (24, PLATE_H - 24), (PLATE_W - 24, PLATE_H - 24)):
        rivet(c, x, y, 6)
    arr = to_np(s)
    texture(arr, 312, cell=30, amount=0.06)
    grain(arr, 313, 0.02)
    return arr


def keyhole_picture(i):
    kind, colname = SIGNS[i]
    s, c = new(HOLE, HOLE)
    cx = cy = HOLE / 2
    c.arc(cx, cy, 44, 0, 2 * math.pi)
    c.set_source(brass_radial(cx, cy, 44, 0.1))
    c.fill()
    brass_ring(c, cx, cy, 44, 36, 0.3)
    # the enamel ring of the key's colour
    c.arc(cx, cy, 33, 0, 2 * math.pi)
    c.set_line_width(5)
    src(c, alpha(PAL[colname], 0.9))
    c.stroke()
    # the hole
    c.arc(cx, cy - 6, 7, 0, 2 * math.pi)
    c.move_to(cx - 4, cy - 4)
    c.line_to(cx - 7, cy + 14)
    c.line_to(cx + 7, cy + 14)
    c.line_to(cx + 4, cy - 4)
    c.close_path()
    src(c, PAL["night"])
    c.fill()
    for a in (0.25, 0.75, 1.25, 1.75):
        rivet(c, cx + 39 * math.cos(a * math.pi), cy + 39 * math.sin(a * math.pi), 2.5)
    arr = drop_shadow(to_np(s), 2, 3, 3, 0.5)
    return arr


def key_bow(c, x, y, r, kind, colname, ring=True):
    """The key's bow: a brass ring with the enamel sign."""
    c.arc(x, y, r, 0, 2 * math.pi)
    c.set_source(brass_radial(x, y, r, 0.0))
    c.fill()
    if ring:
        brass_ring(c, x, y, r, r * 0.78, 0.25)
    c.arc(x, y, r * 0.72, 0, 2 * math.pi)
    src(c, PAL[colname] if colname != "white" else PAL["fog"])
    c.fill()
    sign(c, kind, x, y, r * 0.5, PAL["ink"] if colname in ("white", "amber") else PAL["paper"])


def key_picture(i):
    """The key in its keyhole, seen from the front: the bow stands up from the hole at position 0."""
    kind, colname = SIGNS[i]
    s, c = new(HOLE, HOLE)
    cx = cy = HOLE / 2
    rrect(c, cx - 5, cy - 26, 10, 30, 3)
    c.set_source(brass_linear(cx - 5, 0, cx + 5, 0))
    c.fill()
    c.arc(cx, cy, 8, 0, 2 * math.pi)
    c.set_source(brass_radial(cx, cy, 8))
    c.fill()
    key_bow(c, cx, cy - 28, 17, kind, colname)
    return drop_shadow(to_np(s), 2, 3, 3, 0.5)


def whole_key(w, h, i, scale):
    kind, colname = SIGNS[i]
    s, c = new(w, h)
    c.save()
    c.translate(w / 2, h / 2)
    c.scale(scale, scale)
    c.rotate(-0.12)
    # shaft and bit
    rrect(c, -18, -4, 58, 8, 3)
    c.set_source(brass_linear(0, -4, 0, 4))
    c.fill()
    c.rectangle(26, 4, 8, 10)
    c.rectangle(36, 4, 5, 7)
    c.set_source(brass_linear(0, 4, 0, 14, 0.2))
    c.fill()
    key_bow(c, -26, 0, 15, kind, colname)
    c.restore()
    return drop_shadow(to_np(s), 2, 3, 3, 0.55)


TILE_PICTURE = None


def tile_strip():
    """The picture the five tiles make together: Gullrock's lighthouse at dusk, a ship coming home."""
    global TILE_PICTURE
    if TILE_PICTURE is not None:
        return TILE_PICTURE
    w, h = 5 * HOLE, HOLE
    horizon = int(h * 0.6)
    s, c = new(w, h)
    c.rectangle(0, 0, w, horizon)
    c.set_source(lin(0, 0, 0, horizon, [(0, PAL["deep"]), (0.6, PAL["teal_lt"]), (1, PAL["amber_lt"])]))
    c.fill()
    c.rectangle(0, horizon, w, h - horizon)
    c.set_source(lin(0, horizon, 0, h, [(0, PAL["teal"]), (1, PAL["abyss"])]))
    c.fill()
    r = np.random.RandomState(331)
    c.set_line_width(1.2)
    for _ in range(60):
        x, y = r.rand() * w, horizon + 4 + r.rand() * (h - horizon - 6)
        c.move_to(x, y)
        c.line_to(x + 6 + r.rand() * 10, y)
    src(c, alpha(PAL["mist_lt"], 0.45))
    c.stroke()
    # the moon, gulls
    c.arc(455, 22, 11, 0, 2 * math.pi)
    src(c, PAL["candle"])
    c.fill()
    scenery.gulls(c, [(150, 26, 1.1), (176, 18, 0.8), (200, 32, 1.0), (300, 16, 0.9)], PAL["night"])
    # a ship under sail on the left
    c.move_to(30, horizon + 2)
    c.line_to(86, horizon + 2)
    c.line_to(78, horizon + 12)
    c.line_to(38, horizon + 12)
    c.close_path()
    src(c, PAL["wood_dk"])
    c.fill()
    for mx, top in ((50, 14), (66, 22)):
        c.move_to(mx, horizon + 2)
        c.line_to(mx, top)
        c.line_to(mx + 16, horizon - 6)
        c.close_path()
        src(c, PAL["paper"])
        c.fill()
    # Gullrock with its lighthouse in the middle, the beam sweeping right
    smooth(c, [(196, h), (214, horizon + 4), (236, horizon - 10), (262, horizon - 14), (290, horizon - 6),
               (312, horizon + 6), (330, h)], close=True)
    src(c, PAL["stone_dk"])
    c.fill()
    c.move_to(258, horizon - 12)
    c.line_to(w, 4)
    c.line_to(w, 40)
    c.close_path()
    c.set_source(lin(258, 0, w, 0, [(0, alpha(PAL["amber_lt"], 0.7)), (1, alpha(PAL["amber_lt"], 0.0))]))
    c.fill()
    scenery.lighthouse(c, 258, horizon - 10, 70, lit=1.0, seed=333)
    # a cottage on the far right shore
    smooth(c, [(400, h), (420, horizon + 10), (470, horizon + 4), (w + 10, horizon + 2), (w + 10, h)], close=True)
    src(c, PAL["stone"])
    c.fill()
    c.rectangle(440, horizon - 8, 26, 14)
    src(c, PAL["fog"])
    c.fill()
    c.move_to(436, horizon - 8)
    c.line_to(453, horizon - 20)
    c.line_to(470, horizon - 8)
    c.close_path()
    src(c, PAL["cloth_red"])
    c.fill()
    c.rectangle(446, horizon - 4, 5, 5)
    src(c, PAL["amber"])
    c.fill()
    arr = to_np(s)
    grain(arr, 334, 0.02)
    TILE_PICTURE = arr
    return arr


def tile_picture(i):
    arr = tile_strip()[:, i * HOLE:(i + 1) * HOLE].copy()
    s = from_np(arr)
    # a thin dark edge so each tile reads as its own piece
    s2, c2 = new(HOLE, HOLE)
    c2.set_source_surface(s, 0, 0)
    c2.paint()
    c2.rectangle(1, 1, HOLE - 2, HOLE - 2)
    c2.set_line_width(2)
    src(c2, alpha(PAL["night"], 0.6))
    c2.stroke()
    return to_np(s2)


def keys_background():
    s, c = new(W, H)
    wood(c, 0, 0, W, H, 341, tone="dark", vertical=True, planks=9)
    # the niche behind the board: stone, the keeper's own lantern and logbook
    nx, ny, nw, nh = 392, 170, 240, 260
    rrect(c, nx - 14, ny - 14, nw + 28, nh + 28, 12)
    c.set_source(brass_linear(0, ny, 0, ny + nh, 0.35))
    c.fill()
    c.rectangle(nx, ny, nw, nh)
    c.set_source(lin(0, ny, 0, ny + nh, [(0, PAL["stone_dk"]), (1, PAL["night"])]))
    c.fill()
    # a shelf across the niche
    c.rectangle(nx, ny + 196, nw, 12)
    c.set_source(lin(0, ny + 196, 0, ny + 208, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]))
    c.fill()
    arr = to_np(s)
    ls, lc = new(W, H)
    glow(lc, nx + nw / 2, ny + 120, 160, PAL["amber"], 0.55)
    # Grandfather's lantern, lit, on the shelf
    lc.save()
    lc.translate(nx + 110, ny + 134)
    lc.scale(1.15, 1.15)
    objects.lantern(lc, lit=True)
    lc.restore()
    # and his last logbook, lying closed beside it with his spectacles on it
    lc.save()
    lc.translate(nx + 190, ny + 180)
    lc.scale(0.72, 0.72)
    objects.book(lc, col=PAL["cloth_blue"])
    lc.restore()
    lc.save()
    lc.translate(nx + 194, ny + 166)
    lc.scale(0.42, 0.42)
    lc.rotate(-0.15)
    objects.eyeglasses(lc)
    lc.restore()
    arr = over(to_np(ls), arr)
    lm = light_map(W, H, [(512, 300, 600, PAL["amber"], 0.35), (100, 80, 500, PAL["candle"], 0.1)], ambient=0.72)
    apply_light(arr, lm)
    vignette(arr, 0.5)
    grain(arr, 342, 0.025)
    return arr


def pane_picture(tray):
    """The strip along the bottom: dark wood under a brass rail, sockets for the frame's buttons,
    and for the keys game a felt tray. The keys game has no restart button, so no socket for it;
    its pane is the whole screen's height, with a lintel across the top that carries the caption:
    the solved board slides up behind it."""
    w, h = W, PANE_H
    top = H - h
    s, c = new(w, H if tray else h)
    if tray:
        wood(c, 0, 0, w, LINTEL_H, 354, tone="dark", planks=2)
        c.rectangle(0, 0, w, LINTEL_H)
        c.set_source(lin(0, 0, 0, LINTEL_H, [(0, alpha(PAL["night"], 0.55)), (1, alpha(PAL["night"], 0.25))]))
        c.fill()
        c.rectangle(0, LINTEL_H - 8, w, 8)
        c.set_source(brass_linear(0, LINTEL_H - 8, 0, LINTEL_H))
        c.fill()
        for x in range(32, w, 96):
            rivet(c, x, LINTEL_H - 4, 3)
        c.rectangle(0, LINTEL_H, w, 10)
        c.set_source(lin(0, LINTEL_H, 0, LINTEL_H + 10, [(0, alpha(PAL["night"], 0.6)), (1, alpha(PAL["night"], 0))]))
        c.fill()
        c.translate(0, top)
    wood(c, 0, 10, w, h - 10, 351, tone="mid", planks=4)
    c.rectangle(0, 10, w, h - 10)
    c.set_source(lin(0, 10, 0, h, [(0, alpha(PAL["teal"], 0.35)), (1, alpha(PAL["night"], 0.65))]))
    c.fill()
    c.rectangle(0, 4, w, 8)
    c.set_source(brass_linear(0, 4, 0, 12))
    c.fill()
    for x, y in BUTTONS[:3] if tray else BUTTONS:
        cx, cy, r = x + BUTTON / 2, y - top + BUTTON / 2, BUTTON / 2 + 4
        c.arc(cx, cy, r, 0, 2 * math.pi)
        c.set_source(rad(cx, cy, r * 0.6, r, [(0, alpha(PAL["night"], 0.85)), (1, alpha(PAL["night"], 0.2))]))
        c.fill()
        brass_ring(c, cx, cy, r + 3, r - 1, 0.35)
    if tray:
        x, y = TRAY_AT[0] - 16, TRAY_AT[1] - top - 16
        tw, th = 5 * PREVIEW[0] + 32, PREVIEW[1] + 32
        rrect(c, x - 4, y - 4, tw + 8, th + 8, 10)
        c.set_source(brass_linear(0, y - 4, 0, y + th + 4, 0.2))
        c.fill()
        rrect(c, x, y, tw, th, 8)
        c.set_source(rad(x + tw / 2, y + th / 2, 10, tw / 2, [(0, hexc("2c4a3a")), (1, hexc("14241c"))]))
        c.fill()
    arr = to_np(s)
    texture(arr, 352, cell=30, amount=0.07)
    grain(arr, 353, 0.02)
    return arr


# --------------------------------------------------------------------- the files

TUTOR = """  <TutorScripts>
    <TutorScript id="2" play_time="0">
      <Item need_shadow="1"><text name="{g}_tut_start_1"/></Item>
      <Item need_shadow="1"><text name="{g}_tut_start_2"/></Item>
    </TutorScript>
{extra}    <TutorScript id="1" play_time="0" do_in_end="CloseMG()">
      <Item need_shadow="1"><text name="{g}_tut_fin"/></Item>
    </TutorScript>
  </TutorScripts>
"""


def map_file():
    points = "\n".join('    <Point x="%d" y="%d" text="%s"/>' % (c, r, n) for c, r, n, _ in PASSAGE)
    return """<?xml version="1.0" encoding="UTF-8"?>
<!-- The map path game (docs/minigames.md): the harbour master's chart of Gullrock.
     Made by tools/make_map_keys_art.py with the pictures under mg2/. -->
<MiniGame2>
  <Common NeedRestart="1" background="mg2/bg" pane="mg2/pane" mainCursor="cursor/cursor"
          map="mg2/map" map_pos="{mx}, {my}" map_dx_dy="{gx}, {gy}" map_size="{cols}, {rows}" cell_size="{cell}, {cell}"
          thumbtack="mg2/pin" path_section="mg2/section" music="music/level1" ambient="ambient/indoor"
          text="mg2_caption" text_pos="512, 40" text_angle="0" win_counter="60"
          startMessageNum="2" finMessageNum="1" delay="0.5" restart_time="1"/>
  <Text font="fonts/serif.mvec" fh="30" color="255, 236, 196, 255" rect="0, 0, 800, 44" xAlign="2" yAlign="2"/>
  <Text font="fonts/serif_italic.mvec" fh="24" color="43, 33, 24, 255" rect="0, 0, {lw}, {lh}" xAlign="2" yAlign="2"/>
  <Path text_rect="{lx},{ly},{lw},{lh}">
{points}
  </Path>
{tutor}</MiniGame2>
""".format(mx=MAP_POS[0], my=MAP_POS[1], gx=GRID[0], gy=GRID[1], cols=COLS, rows=ROWS, cell=CELL,
           lx=LIST_RECT[0], ly=LIST_RECT[1], lw=LIST_RECT[2], lh=LIST_RECT[3], points=points,
           tutor=TUTOR.format(g="mg2", extra=""))


def keys_file():
    keys = "\n".join('    <Key keyhole="mg3/hole{n}" img_key="mg3/key{n}" puzzle_elem="mg3/tile{n}" '
                     'key_preview="mg3/key{n}_s" key_cursor="mg3/key{n}_c"/>'.format(n=i + 1) for i in range(len(SIGNS)))
    extra = """    <TutorScript id="3" play_time="0">
      <Item need_shadow="1"><text name="mg3_tut_allin"/></Item>
    </TutorScript>
"""
    return """<?xml version="1.0" encoding="UTF-8"?>
<!-- The keys game (docs/minigames.md): the keeper's key board in the study.
     Made by tools/make_map_keys_art.py with the pictures under mg3/. -->
<MiniGame3>
  <Common background="mg3/bg" pane="mg3/pane" mainCursor="cursor/cursor" music="music/level1" ambient="ambient/indoor"
          text="mg3_caption" text2="mg3_caption2" text_pos="512, 40" text_angle="0" preview_pos="0, 0"
          win_counter="2" startMessageNum="2" finMessageNum="1" setKeyNum="3" plate="mg3/plate;{px}, {py}"/>
  <Text font="fonts/serif.mvec" fh="30" color="255, 236, 196, 255" rect="0, 0, 800, 44" xAlign="2" yAlign="2"/>
  <Keys pos="{hx}, {hy}" puzzle_pos="{tx}, {ty}" preview_pos="{rx}, {ry}" count_turns="4">
{keys}
  </Keys>
{tutor}</MiniGame3>
""".format(px=PLATE_POS[0], py=PLATE_POS[1], hx=HOLES_AT[0], hy=HOLES_AT[1], tx=TILES_AT[0], ty=TILES_AT[1],
           rx=TRAY_AT[0], ry=TRAY_AT[1], keys=keys, tutor=TUTOR.format(g="mg3", extra=extra))


def journal_photo(layers, seed):
    """The game as the journal's sepia photograph: its pictures laid as they show in play."""
    screen = np.zeros((H, W, 4), np.float32)
    for arr, (x, y) in layers:
        h, w = arr.shape[:2]
        x0, y0, x1, y1 = max(0, x), max(0, y), min(W, x + w), min(H, y + h)
        screen[y0:y1, x0:x1] = over(arr[y0 - y:y1 - y, x0 - x:x1 - x], screen[y0:y1, x0:x1])
    rgb = Image.fromarray((np.clip(screen[..., :3], 0, 1) * 255).astype(np.uint8), "RGB")
    return make_journal_art.sepia_photo(rgb, seed)


def write_all(out):
    chart_bg, chart = map_background(), map_picture()
    save_jpg(chart_bg, os.path.join(out, "mg2/bg.jpg"))
    save_png(chart, os.path.join(out, "mg2/map.png"))
    save_png(pin_picture(), os.path.join(out, "mg2/pin.png"))
    save_png(section_picture(), os.path.join(out, "mg2/section.png"))
    save_png(pane_picture(False), os.path.join(out, "mg2/pane.png"))
    board_bg, board = keys_background(), plate_picture()
    save_jpg(board_bg, os.path.join(out, "mg3/bg.jpg"))
    save_png(board, os.path.join(out, "mg3/plate.png"))
    save_png(pane_picture(True), os.path.join(out, "mg3/pane.png"))
    for i in range(len(SIGNS)):
        save_png(keyhole_picture(i), os.path.join(out, "mg3/hole%d.png" % (i + 1)))
        save_png(key_picture(i), os.path.join(out, "mg3/key%d.png" % (i + 1)))
        save_png(tile_picture(i), os.path.join(out, "mg3/tile%d.png" % (i + 1)))
        save_png(whole_key(PREVIEW[0], PREVIEW[1], i, 1.0), os.path.join(out, "mg3/key%d_s.png" % (i + 1)))
        save_png(whole_key(HELD[0], HELD[1], i, 1.15), os.path.join(out, "mg3/key%d_c.png" % (i + 1)))
    keys_layers = [(board_bg, (0, 0)), (board, PLATE_POS)]
    for i in range(len(SIGNS)):
        keys_layers.append((keyhole_picture(i), (HOLES_AT[0] + HOLE * i, HOLES_AT[1])))
        keys_layers.append((key_picture(i), (HOLES_AT[0] + HOLE * i, HOLES_AT[1])))
        keys_layers.append((tile_picture(i), (TILES_AT[0] + HOLE * i, TILES_AT[1])))
    make_journal_art.save(journal_photo([(chart_bg, (0, 0)), (chart, MAP_POS)], 4200), out, "journal/mg_chart.png")
    make_journal_art.save(journal_photo(keys_layers, 4201), out, "journal/mg_keys.png")
    with open(os.path.join(out, "minigame2_1.xml"), "w") as f:
        f.write(map_file())
    with open(os.path.join(out, "minigame3_1.xml"), "w") as f:
        f.write(keys_file())


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", default=os.path.join(ROOT, "assets"))
    a = ap.parse_args()
    write_all(a.out)
    print("map and keys games done")


if __name__ == "__main__":
    main()
