#!/usr/bin/python3
"""Makes the pictures and files of the mosaic game and the wounds game.

    /usr/bin/python3 tools/make_mosaic_wounds_art.py [--assets assets] [--preview]

Writes, deterministically (the art kit's palette and painters, tools/art/):
  mg5/bg.jpg, mg5/bg2.jpg
                        the lamp room's iron wall by lantern light, the chapel's
                        stone wall by candlelight (1024 x 768)
  mg5/pane.png          the workbench's felt-covered edge, the tray (1024 x 146)
  mg5/board.png, mg5/board2.png
        the window frames: the lamp room's round-arched iron frame and the
        chapel's pointed stone arch (540 x 520); the glass area is 480 x 384
        from (30, 106): its border strips and its top and bottom rows are whole,
        its two middle rows are gone
  mg5/<w>_<n>.png (n = 1..8)
        the eight 96 x 96 squares of the middle rows of window w (lamp,
        chapel), each stored turned back by the quarter turns its place asks
        for; the tray shows them at the same size
  mg6/bg.jpg            the storm-hurt gull on the keeper's tartan blanket on the cliff path (1024 x 768)
  mg6/pane.png          the keeper's canvas satchel, the tray of tools (1024 x 146)
  mg6/dirt<n>.png, mg6/wound<n>.png (n = 1..3)
        grit and mud over a graze, and the graze itself (a soft red scrape)
  mg6/brush.png         the brush's footprint (only its alpha counts)
  mg6/brush_s.png, mg6/brush_big.png, mg6/bottle_s.png, mg6/bottle_big.png
        the soft brush and the iodine dropper, in the tray and in the hand
        (the hand pictures' working tip at their top-left corner, where the
        mouse is)
  journal/mg_lamproom.png, journal/mg_cliffpath.png   the journal's photographs
  minigame5_1.xml, minigame5_2.xml, minigame6_1.xml   the game files
Needs python3-cairo, python3-pil and python3-numpy.
"""
import argparse
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("numpy", "PIL", "cairo")
import numpy as np
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "art"))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import make_journal_art  # noqa: E402  (its sepia photograph, for the journal's pages)
import objects  # noqa: E402
import scenery  # noqa: E402
from kit import (PAL, W, H, alpha, blob, ctx_for, blur, brass_linear, drop_shadow, ellipse, fbm, from_np, glow,  # noqa: E402
                 grain, light_map, apply_light, lin, mix, new, over, rad, rivet, rrect, save_jpg, save_png, shade,
                 smooth, src, texture, to_np, value_noise, vignette, wood)

PANE_H = 146
PANE_TOP = H - PANE_H

# --------------------------------------------------------------------------- the mosaic

BOARD_W, BOARD_H = 540, 520
GLASS_X, GLASS_Y = 30, 106
GLASS_W, GLASS_H = 480, 384
STRIP = 48
TILE = 96                    # the pieces: squares of the glass's two middle rows
PIECE_ROWS = (1, 2)
COLS = 4
BOARD_POS = (242, 52)
# The tray holds every piece at its own size, one after the other (5 px apart): a piece
# taken up is drawn where it lay, no larger, so it never covers its neighbours.
TRAY_POS = ((W - (COLS * len(PIECE_ROWS) * (TILE + 5) - 5)) // 2, PANE_TOP + 22)

JEWEL = {
    "ruby": (0.62, 0.08, 0.12, 1),
    "amber": (0.95, 0.62, 0.14, 1),
    "gold": (0.98, 0.82, 0.36, 1),
    "sapphire": (0.10, 0.22, 0.58, 1),
    "night": (0.06, 0.10, 0.32, 1),
    "sky": (0.16, 0.30, 0.62, 1),
    "emerald": (0.08, 0.42, 0.30, 1),
    "sea": (0.10, 0.38, 0.46, 1),
    "foam": (0.82, 0.90, 0.88, 1),
    "white": (0.93, 0.92, 0.86, 1),
    "stone": (0.46, 0.46, 0.50, 1),
    "rock": (0.30, 0.27, 0.30, 1),
    "violet": (0.36, 0.18, 0.46, 1),
    "moon": (0.98, 0.94, 0.72, 1),
}
LEAD = (0.07, 0.07, 0.08, 1)


def lead(c, width=5):
    c.set_source_rgba(*LEAD)
    c.set_line_width(width)
    c.stroke()


def fill_outlined(c, rgba, width=1):
    """Fill the path, then draw a thin line of `rgba` round it."""
    c.fill_preserve()
    c.set_source_rgba(*rgba)
    c.set_line_width(width)
    c.stroke()


def pane(c, path, col, width=5):
    """One piece of coloured glass: fill the path, then lead round it."""
    path(c)
    src(c, col)
    c.fill_preserve()
    lead(c, width)


def poly_path(pts):
    def p(c):
        c.move_to(*pts[0])
        for q in pts[1:]:
            c.line_to(*q)
        c.close_path()
    return p


def border_strip(c, x, y, w, h, style):
    """A vertical border of diamonds, the same after a half turn."""
    c.rectangle(x, y, w, h)
    src(c, JEWEL["sapphire"] if style == "lamp" else JEWEL["violet"])
    c.fill()
    n = 6
    step = h / n
    for i in range(n):
        cy = y + step * (i + 0.5)
        col = JEWEL["ruby"] if (i % 2 == 0) == (i < n // 2) else JEWEL["amber"]
        # mirrored about the middle: the strip looks the same after a half turn
        if i >= n // 2:
            col = JEWEL["ruby"] if ((n - 1 - i) % 2 == 0) else JEWEL["amber"]
        pane(c, poly_path([(x + w / 2, cy - step * 0.42), (x + w - 7, cy), (x + w / 2, cy + step * 0.42), (x + 7, cy)]),
             col, 4)
        c.move_to(x, y + step * i)
        c.line_to(x + w, y + step * i)
        lead(c, 4)
    c.rectangle(x, y, w, h)
    lead(c, 6)


def lamp_window(c):
    """The lamp room's window: the lighthouse sending its beam over the sea, a gull and the moon."""
    x0, y0 = STRIP, 0
    gw, gh = GLASS_W - 2 * STRIP, GLASS_H
    # night sky in bands
    for i, col in enumerate(("night", "sky", "night", "sky", "night")):
        pane(c, poly_path([(x0, y0 + i * 60), (x0 + gw, y0 + i * 60 + 20), (x0 + gw, y0 + (i + 1) * 60 + 20),
                           (x0, y0 + (i + 1) * 60)]), JEWEL[col], 4)
    # the beam: two amber rays from the lamp
    lx, ly = x0 + gw / 2, 118
    pane(c, poly_path([(lx, ly), (x0, 40), (x0, 150)]), JEWEL["gold"], 4)
    pane(c, poly_path([(lx, ly), (x0 + gw, 70), (x0 + gw, 170)]), JEWEL["gold"], 4)
    # the moon and stars
    pane(c, lambda k: k.arc(x0 + gw - 52, 46, 26, 0, 2 * math.pi), JEWEL["moon"], 4)
    for sx, sy in ((x0 + 40, 190), (x0 + 300, 22), (x0 + 150, 14)):
        pane(c, poly_path([(sx, sy - 9), (sx + 4, sy), (sx, sy + 9), (sx - 4, sy)]), JEWEL["white"], 2)
    # a gull, top left
    def gull(k):
        k.move_to(x0 + 26, 72)
        k.curve_to(x0 + 48, 44, x0 + 70, 48, x0 + 84, 78)
        k.curve_to(x0 + 98, 48, x0 + 120, 44, x0 + 142, 72)
        k.curve_to(x0 + 120, 62, x0 + 100, 66, x0 + 84, 92)
        k.curve_to(x0 + 68, 66, x0 + 48, 62, x0 + 26, 72)
        k.close_path()
    pane(c, gull, JEWEL["white"], 4)
    # the rock and the sea
    pane(c, poly_path([(x0 + 96, 300), (x0 + 150, 252), (x0 + 240, 246), (x0 + 300, 300)]), JEWEL["rock"], 5)
    for i, (yy, col) in enumerate(((292, "sea"), (318, "emerald"), (344, "sea"), (366, "emerald"))):
        def wave(k, yy=yy):
            k.move_to(x0, yy)
            for j in range(6):
                xa = x0 + j * gw / 6
                k.curve_to(xa + 16, yy - 14, xa + 40, yy - 14, xa + gw / 6, yy)
            k.line_to(x0 + gw, GLASS_H)
            k.line_to(x0, GLASS_H)
            k.close_path()
        pane(c, wave, JEWEL[col], 4)
    # foam crests
    for j in range(6):
        xa = x0 + j * gw / 6 + 10
        pane(c, lambda k, xa=xa: ellipse(k, xa + 22, 300 + (j % 2) * 28, 12, 4), JEWEL["foam"], 2)
    # the tower: white and red bands, the lantern
    tx, tw_top, tw_bot = lx, 26, 40
    for i in range(5):
        ya, yb = 140 + i * 26, 140 + (i + 1) * 26
        fa = tw_top + (tw_bot - tw_top) * (ya - 140) / 130
        fb = tw_top + (tw_bot - tw_top) * (yb - 140) / 130
        pane(c, poly_path([(tx - fa, ya), (tx + fa, ya), (tx + fb, yb), (tx - fb, yb)]),
             JEWEL["ruby"] if i % 2 else JEWEL["white"], 4)
    pane(c, poly_path([(tx - 30, 140), (tx + 30, 140), (tx + 24, 130), (tx - 24, 130)]), JEWEL["rock"], 4)
    pane(c, lambda k: k.rectangle(tx - 20, 96, 40, 34), JEWEL["gold"], 4)
    pane(c, poly_path([(tx - 26, 96), (tx, 70), (tx + 26, 96)]), JEWEL["ruby"], 4)


def chapel_window(c):
    """The chapel's window: a boat under a star over the waves, a rising sun."""
    x0, y0 = STRIP, 0
    gw = GLASS_W - 2 * STRIP
    for i, col in enumerate(("sky", "sapphire", "sky", "sapphire", "sky")):
        pane(c, poly_path([(x0, i * 52), (x0 + gw, i * 52 - 10), (x0 + gw, (i + 1) * 52 - 10), (x0, (i + 1) * 52)]),
             JEWEL[col], 4)
    # sun rays behind the boat
    cx, cy = x0 + gw / 2, 250
    for k in range(7):
        a0 = math.pi + k * math.pi / 7
        a1 = a0 + math.pi / 14
        pane(c, poly_path([(cx, cy), (cx + math.cos(a0) * 230, cy + math.sin(a0) * 230),
                           (cx + math.cos(a1) * 230, cy + math.sin(a1) * 230)]), JEWEL["amber"], 4)
    pane(c, lambda k: k.arc(cx, cy, 54, math.pi, 2 * math.pi), JEWEL["gold"], 4)
    # the star
    sx, sy = x0 + 70, 56
    pts = []
    for k in range(10):
        r = 26 if k % 2 == 0 else 10
        a = -math.pi / 2 + k * math.pi / 5
        pts.append((sx + math.cos(a) * r, sy + math.sin(a) * r))
    pane(c, poly_path(pts), JEWEL["moon"], 3)
    # the boat with its sail
    pane(c, poly_path([(cx - 90, 236), (cx + 90, 236), (cx + 62, 272), (cx - 62, 272)]), JEWEL["rock"], 5)
    pane(c, poly_path([(cx + 4, 90), (cx + 4, 226), (cx + 80, 226)]), JEWEL["white"], 4)
    pane(c, poly_path([(cx - 4, 110), (cx - 4, 226), (cx - 70, 226)]), JEWEL["foam"], 4)
    c.move_to(cx, 84)
    c.line_to(cx, 236)
    lead(c, 6)
    for i, (yy, col) in enumerate(((262, "emerald"), (296, "sea"), (330, "emerald"), (358, "sea"))):
        def wave(k, yy=yy, i=i):
            k.move_to(x0, yy)
            for j in range(5):
                xa = x0 + j * gw / 5
                k.curve_to(xa + 18, yy - 16 + (i % 2) * 6, xa + 46, yy - 16, xa + gw / 5, yy)
            k.line_to(x0 + gw, GLASS_H)
            k.line_to(x0, GLASS_H)
            k.close_path()
        pane(c, wave, JEWEL[col], 4)


def glass_picture(style):
    """The whole window's glass (480 x 384), lit from behind, leaded."""
    s, c = new(GLASS_W, GLASS_H)
    (lamp_window if style == "lamp" else chapel_window)(c)
    border_strip(c, 0, 0, STRIP, GLASS_H, style)
    border_strip(c, GLASS_W - STRIP, 0, STRIP, GLASS_H, style)
    arr = to_np(s)
    seed = 11 if style == "lamp" else 23
    # glass is never flat: streaks and bubbles, brighter in the middle (lit from behind)
    texture(arr, seed, cell=18, amount=0.22, octaves=3)
    streak = value_noise(GLASS_W, GLASS_H, 6, seed + 3)
    streak = np.repeat(streak.mean(axis=0, keepdims=True), GLASS_H, axis=0)
    arr[..., :3] *= (0.9 + 0.2 * streak)[..., None]
    lmap = light_map(GLASS_W, GLASS_H, [(GLASS_W * 0.55, GLASS_H * 0.35, 340, (0.35, 0.3, 0.2), 0.6)], 0.92)
    apply_light(arr, lmap)
    # the lead cames between the tiles
    s2 = from_np(arr)
    c2 = ctx_for(s2)
    for k in range(COLS + 1):
        c2.move_to(STRIP + k * TILE, 0)
        c2.line_to(STRIP + k * TILE, GLASS_H)
    for k in range(1, GLASS_H // TILE):
        c2.move_to(STRIP, k * TILE)
        c2.line_to(GLASS_W - STRIP, k * TILE)
    lead(c2, 6)
    c2.rectangle(0, 0, GLASS_W, GLASS_H)
    lead(c2, 6)
    arr = to_np(s2)
    arr[..., 3] = 1.0
    return np.clip(arr, 0, 1)


def frame_outline(k, style, inset, ox=0, oy=0):
    """The outline of the window's frame (the board picture) placed at (ox, oy), `inset` pixels in
    from its edge: a round arch (lamp room) or a pointed one (chapel)."""
    cx = ox + BOARD_W / 2
    x0, x1 = ox + inset, ox + BOARD_W - inset
    yb = oy + BOARD_H - inset
    spring = oy + GLASS_Y + 20
    k.move_to(x0, yb)
    k.line_to(x0, spring)
    if style == "lamp":
        ctrl = oy - 36 + inset * 1.4
        k.curve_to(x0, ctrl, x1, ctrl, x1, spring)
    else:
        peak = oy + 2 + inset * 1.2
        k.curve_to(x0, spring - 60, cx - 70, peak + 30, cx, peak)
        k.curve_to(cx + 70, peak + 30, x1, spring - 60, x1, spring)
    k.line_to(x1, yb)
    k.close_path()


def iron_frame(style):
    """The empty frame: iron (lamp room, round arch) or stone (chapel, pointed arch)."""
    s, c = new(BOARD_W, BOARD_H)
    cx = BOARD_W / 2

    def outline(k, inset):
        frame_outline(k, style, inset)

    outline(c, 0)
    if style == "lamp":
        c.set_source(brass_linear(0, 0, BOARD_W, BOARD_H, dark=0.55))
    else:
        src(c, PAL["stone"])
    c.fill()
    outline(c, 12)
    src(c, shade(PAL["iron"] if style == "lamp" else PAL["stone_dk"], 0.9))
    c.fill()
    # the fixed glass in the arch: a small rose / a trefoil
    ax, ay = cx, GLASS_Y - 46
    if style == "lamp":
        for k in range(8):
            a0 = k * math.pi / 4
            pane(c, lambda q, a0=a0: (q.move_to(ax, ay), q.arc(ax, ay, 34, a0, a0 + math.pi / 4), q.close_path()),
                 JEWEL["amber"] if k % 2 else JEWEL["ruby"], 3)
        pane(c, lambda q: q.arc(ax, ay, 12, 0, 2 * math.pi), JEWEL["gold"], 3)
    else:
        for k in range(3):
            a = -math.pi / 2 + k * 2 * math.pi / 3
            pane(c, lambda q, a=a: q.arc(ax + math.cos(a) * 16, ay + math.sin(a) * 16, 17, 0, 2 * math.pi),
                 JEWEL["sapphire"] if k else JEWEL["ruby"], 3)
    # the glass that stayed whole, and the two middle rows gone: dark backing with the cames' ghost
    glass = glass_picture(style)
    gs = from_np(glass)
    c.set_source_surface(gs, GLASS_X, GLASS_Y)
    c.rectangle(GLASS_X, GLASS_Y, GLASS_W, GLASS_H)
    c.fill()
    top, bottom = PIECE_ROWS[0] * TILE, (PIECE_ROWS[-1] + 1) * TILE
    c.rectangle(GLASS_X + STRIP - 3, GLASS_Y + top - 3, COLS * TILE + 6, bottom - top + 6)
    src(c, (0.04, 0.05, 0.06, 1))
    c.fill()
    c.rectangle(GLASS_X + STRIP, GLASS_Y + top, COLS * TILE, bottom - top)
    c.set_source(lin(0, GLASS_Y + top, 0, GLASS_Y + bottom, [(0, (0.10, 0.14, 0.18, 1)), (1, (0.05, 0.08, 0.10, 1))]))
    c.fill()
    c.set_source_rgba(0.3, 0.36, 0.4, 0.5)
    c.set_line_width(2)
    for k in range(1, COLS):
        c.move_to(GLASS_X + STRIP + k * TILE, GLASS_Y + top)
        c.line_to(GLASS_X + STRIP + k * TILE, GLASS_Y + bottom)
    for row in PIECE_ROWS[1:]:
        c.move_to(GLASS_X + STRIP, GLASS_Y + row * TILE)
        c.line_to(GLASS_X + STRIP + COLS * TILE, GLASS_Y + row * TILE)
    c.stroke()
    # sill and rivets
    c.rectangle(0, BOARD_H - 22, BOARD_W, 22)
    src(c, shade(PAL["stone_dk"] if style != "lamp" else PAL["iron"], 0.8))
    c.fill()
    if style == "lamp":
        for y in range(130, BOARD_H - 30, 56):
            rivet(c, 6, y, 3.2)
            rivet(c, BOARD_W - 6, y, 3.2)
    arr = to_np(s)
    texture(arr, 5 if style == "lamp" else 9, cell=30, amount=0.18)
    grain(arr, 6, 0.02)
    return drop_shadow(arr, 0, 0, 6, 0.0)


def night_view(arr):
    """The chapel window's opening, under the glass: the night sea beyond it and, far off,
    Gullrock Light burning again, its beams out over the water. The board covers it all until
    the mended window glides aside (a fifth of its width to the left), showing the light in the
    opening's right part."""
    bx, by = BOARD_POS
    view = scenery.dusk_sky(W, H, 61, 356, stormy=0.2, glow_x=0.75)
    view[..., :3] *= np.array([0.34, 0.42, 0.55], np.float32)
    view = scenery.sea(view, 356, 62, glint_x=0.72, rough=0.3, lit=0.6)
    s = from_np(view)
    c = ctx_for(s)
    r = np.random.RandomState(63)
    for _ in range(40):
        c.arc(bx + r.rand() * BOARD_W, by + r.rand() * 260, 0.6 + r.rand(), 0, 2 * math.pi)
        src(c, alpha(PAL["fog"], 0.4 + r.rand() * 0.5))
        c.fill()
    # the island's rock on the horizon and the tower on it
    tx = bx + BOARD_W - 58
    c.move_to(tx - 70, 360)
    c.curve_to(tx - 40, 330, tx + 20, 322, tx + 60, 360)
    c.close_path()
    c.set_source(lin(0, 322, 0, 360, [(0, shade(PAL["deep"], 0.9)), (1, PAL["abyss"])]))
    c.fill()
    lamp = scenery.lighthouse(c, tx, 340, 92, lit=1.0, seed=64, rim=alpha(PAL["amber_lt"], 0.6))
    view = to_np(s)
    for angle, length in ((math.pi + 0.12, 420), (-0.16, 200)):
        view = scenery.beam(view, lamp[0], lamp[1], angle, length, 0.1, PAL["amber_lt"], 1.6)
    s = from_np(view)
    c = ctx_for(s)
    glow(c, lamp[0], lamp[1], 46, PAL["amber_lt"], 0.9)
    glow(c, lamp[0], lamp[1], 16, PAL["candle"], 1.0)
    view = to_np(s)
    # only through the opening
    ms, mc = new(W, H)
    frame_outline(mc, "chapel", 4, bx, by)
    src(mc, (1, 1, 1, 1))
    mc.fill()
    m = to_np(ms)[..., 3:4]
    arr[..., :3] = arr[..., :3] * (1 - m) + view[..., :3] * m
    return arr


def mosaic_background(style):
    """The lamp room's iron wall by lantern light, or the chapel's stone wall by candlelight."""
    arr = np.zeros((H, W, 4), np.float32)
    arr[..., 3] = 1
    y = np.linspace(0, 1, H, dtype=np.float32)[:, None]
    top = np.array(PAL["deep"][:3] if style == "lamp" else PAL["stone_dk"][:3])
    base = top * (1 - y[..., None]) * 0.8 + np.array(PAL["abyss"][:3]) * y[..., None]
    arr[..., :3] = base
    s = from_np(arr)
    c = ctx_for(s)
    if style == "lamp":
        # riveted iron plates
        for py in range(0, PANE_TOP, 160):
            for px in range(-40, W, 220):
                off = 110 if (py // 160) % 2 else 0
                rrect(c, px + off + 4, py + 4, 212, 152, 6)
                c.set_source(lin(0, py, 0, py + 160, [(0, (0.16, 0.22, 0.24, 1)), (1, (0.09, 0.13, 0.15, 1))]))
                c.fill()
                for rx in (px + off + 14, px + off + 206):
                    for ry in (py + 14, py + 146):
                        rivet(c, rx, ry, 3.0, dark=0.5)
        lamp = (120, 262)
        glow(c, lamp[0], lamp[1], 260, PAL["amber"], 0.45)
        # the lantern on its wall hook
        c.move_to(94, 196)
        c.line_to(120, 196)
        c.line_to(120, 214)
        c.set_line_width(4)
        src(c, PAL["iron"])
        c.stroke()
        c.save()
        c.translate(lamp[0], lamp[1])
        c.scale(1.05, 1.05)
        objects.lantern(c, lit=True)
        c.restore()
    else:
        # dressed stone blocks
        r = np.random.RandomState(35)
        for row, py in enumerate(range(0, PANE_TOP, 64)):
            off = 60 if row % 2 else 0
            for px in range(-120 + off, W, 120):
                tone = 0.2 + r.rand() * 0.07
                rrect(c, px + 3, py + 3, 114, 58, 4)
                src(c, (tone, tone * 0.98, tone * 0.94, 1))
                c.fill()
        lamp = (130, 420)
        # three candles on a stone ledge
        c.rectangle(60, 470, 150, 14)
        c.set_source(lin(0, 470, 0, 484, [(0, PAL["stone_lt"]), (1, PAL["stone_dk"])]))
        c.fill()
        for k, dx in enumerate((-40, 0, 40)):
            c.save()
            c.translate(lamp[0] + dx, 442 + (k % 2) * 4)
            c.scale(0.7, 0.7)
            objects.candle(c, lit=True)
            c.restore()
            glow(c, lamp[0] + dx, 402, 18, PAL["candle"], 0.8)
        glow(c, lamp[0], lamp[1] - 20, 240, PAL["amber"], 0.4)
    arr = to_np(s)
    texture(arr, 31 if style == "lamp" else 37, cell=60, amount=0.15)
    lmap = light_map(W, H, [(lamp[0], lamp[1], 420, (0.5, 0.35, 0.15), 0.8), (512, 300, 420, (0.1, 0.12, 0.12), 0.6)],
                     0.75)
    apply_light(arr, lmap)
    if style != "lamp":
        arr = night_view(arr)
    vignette(arr, 0.6)
    grain(arr, 32, 0.02)
    return np.clip(arr, 0, 1)


def bench_pane(seed, cloth):
    """The tray: a wooden edge with a cloth laid over it (1024 x 146)."""
    s, c = new(W, PANE_H)
    wood(c, 0, 6, W, PANE_H - 6, seed, tone="mid", planks=2)
    c.rectangle(0, 0, W, 10)
    c.set_source(brass_linear(0, 0, 0, 10, 0.1))
    c.fill()
    tx = TRAY_POS[0] - 14
    rrect(c, tx, 12, W - 2 * tx, PANE_H - 18, 10)
    c.set_source(lin(0, 12, 0, PANE_H, [(0, alpha(shade(cloth, 1.1), 1)), (1, alpha(shade(cloth, 0.75), 1))]))
    c.fill()
    c.set_source_rgba(1, 1, 1, 0.12)
    c.set_line_width(1.5)
    c.set_dash([5, 4])
    rrect(c, tx + 6, 17, W - 2 * tx - 12, PANE_H - 28, 8)
    c.stroke()
    arr = to_np(s)
    texture(arr, seed + 1, cell=12, amount=0.12, octaves=3)
    grain(arr, seed + 2, 0.02)
    return arr


def mosaic_pieces(style, seed):
    """The middle rows of the glass cut into squares: (name, picture, place in the glass, accepted
    turns) per part."""
    glass = glass_picture(style)
    r = np.random.RandomState(seed)
    parts = []
    n = 0
    for row in PIECE_ROWS:
        for col in range(COLS):
            n += 1
            x, y = STRIP + col * TILE, row * TILE
            tile = glass[y:y + TILE, x:x + TILE]
            turns = int(r.randint(0, 4))
            stored = np.rot90(tile, k=turns).copy()  # turned back: `turns` clockwise quarter turns restore it
            parts.append(("%d" % n, stored, (x, y), str(turns)))
    return glass, parts


# The closing message of each window, a step a text: the chapel's, the game's last, tells the end
# of the story while the light burns beyond the mended glass (see night_view).
CLOSING = {1: ("tut_mg05_won",), 2: ("tut_mg05_won2", "tut_mg05_end1", "tut_mg05_end2")}


def mosaic_file(style, parts, variant, out):
    names = []
    for name, _, _, _ in parts:
        if name not in names:
            names.append(name)
    order = list(range(len(parts)))
    np.random.RandomState(77 + variant).shuffle(order)
    types = "\n".join('    <Type num="%d" img="mg5/%s_%s" preview="mg5/%s_%s"/>' % (i + 1, style, n, style, n)
                      for i, n in enumerate(names))
    rows = []
    for k in order:
        name, _, (x, y), state = parts[k]
        rows.append('    <Part type_num="%d" pos="%d, %d" state="%s"/>' %
                    (names.index(name), GLASS_X + x, GLASS_Y + y, state))
    board = "mg5/board" if variant == 1 else "mg5/board2"
    where = ("the lamp room's window" if variant == 1 else "the chapel's pointed window")
    xml = """<?xml version="1.0" encoding="UTF-8"?>
<!-- The mosaic game, variant %d (docs/minigames.md): %s, the two middle
     rows of its glass broken into eight squares. Each square lies turned in the
     tray, at its own size; the right button turns the piece in the hand a
     quarter turn. Made by tools/make_mosaic_wounds_art.py. -->
<MiniGame5>
  <Common background="mg5/bg%s" pane="mg5/pane" mainCursor="cursor/cursor" music="music/level2"
          ambient="ambient/storm" text="mg5_caption%s" text_pos="512, 28" text_angle="0"
          preview_pos="%d, %d" win_counter="2" startMessageNum="0" finMessageNum="1"
          mosaic_back="%s" mosaic_pos="%d, %d"/>
  <Text font="fonts/serif_bold.mvec" fh="32" color="255, 226, 160, 255" rect="0, 0, 700, 44" xAlign="2" yAlign="2"/>
  <Types>
%s
  </Types>
  <Mosaic>
%s
  </Mosaic>
  <TutorScripts>
    <TutorScript>
      <Item><text name="tut_mg05_rules%s"/></Item>
      <Item><text name="tut_mg05_rules2"/></Item>
    </TutorScript>
    <TutorScript id="1" do_in_end="CloseMG()">
%s
    </TutorScript>
  </TutorScripts>
</MiniGame5>
""" % (variant, where, "" if variant == 1 else "2", "" if variant == 1 else "2", TRAY_POS[0], TRAY_POS[1], board, BOARD_POS[0], BOARD_POS[1],
       types, "\n".join(rows), "" if variant == 1 else "_chapel", "\n".join(
           '      <Item><text name="%s"/></Item>' % key for key in CLOSING[variant]))
    with open(os.path.join(out, "minigame5_%d.xml" % variant), "w") as f:
        f.write(xml)


def write_mosaic(out):
    save_png(bench_pane(41, PAL["cloth_blue"]), os.path.join(out, "mg5/pane.png"))
    shots = {}
    for variant, style in ((1, "lamp"), (2, "chapel")):
        bg = mosaic_background(style)
        save_jpg(bg, os.path.join(out, "mg5/bg.jpg" if variant == 1 else "mg5/bg2.jpg"))
        frame = iron_frame(style)
        save_png(frame, os.path.join(out, "mg5/board.png" if variant == 1 else "mg5/board2.png"))
        glass, parts = mosaic_pieces(style, 500 + variant)
        for name, pic, _, _ in parts:
            save_png(pic, os.path.join(out, "mg5/%s_%s.png" % (style, name)))
        mosaic_file(style, parts, variant, out)
        # The finished window in place, for the journal's photograph.
        screen = bg.copy()
        bx, by = BOARD_POS
        screen[by:by + BOARD_H, bx:bx + BOARD_W] = over(frame, screen[by:by + BOARD_H, bx:bx + BOARD_W])
        gx, gy = bx + GLASS_X, by + GLASS_Y
        screen[gy:gy + GLASS_H, gx:gx + GLASS_W] = glass
        shots[variant] = screen
    return shots


# --------------------------------------------------------------------------- the wounds

# The spread wing is drawn along the body's line and then folded into place: shortened towards the
# shoulder (a gull's wing is about as long as the bird from bill to tail) and raised a little
# from the body.
SHOULDER, WING_SCALE, WING_TURN = (690, 300), 0.7, math.radians(8)


def on_wing(x, y):
    """Where a point of the wing as drawn along the body's line lies once the wing is folded."""
    sx, sy = SHOULDER
    dx, dy = (x - sx) * WING_SCALE, y - sy
    ca, sa = math.cos(WING_TURN), math.sin(WING_TURN)
    return sx + dx * ca - dy * sa, sy + dx * sa + dy * ca


def _wound(cx, cy, n):
    x, y = on_wing(cx, cy)
    return int(round(x)) - 75, int(round(y)) - 55, n


# each graze's dirt picture's top-left (on the wing's tip, middle and root) and its seed
WOUNDS = [_wound(290, 238, 1), _wound(470, 288, 2), _wound(620, 322, 3)]
DIRT_W, DIRT_H = 150, 110
WOUND_W, WOUND_H = 64, 30
TOOLS_POS = (130, 664)


def wing_path(c, pts_lead, pts_trail):
    c.move_to(*pts_lead[0])
    smooth_pts = pts_lead + pts_trail
    smooth(c, smooth_pts, close=True, k=0.2)


def gull_scene():
    """The gull resting on the keeper's tartan blanket, its left wing spread for
    tending, by the light of a lantern set down on the path, in the rain."""
    arr = np.zeros((H, W, 4), np.float32)
    arr[..., 3] = 1
    grass = fbm(W, H, 40, 61)
    arr[..., 0] = 0.10 + 0.07 * grass
    arr[..., 1] = 0.17 + 0.11 * grass
    arr[..., 2] = 0.11 + 0.05 * grass
    s = from_np(arr)
    c = ctx_for(s)
    r = np.random.RandomState(62)
    # stones of the path
    for k in range(9):
        x, y = r.rand() * W, r.rand() * PANE_TOP
        c.set_source(rad(x - 8, y - 8, 2, 40, [(0, (0.52, 0.52, 0.5, 1)), (1, (0.26, 0.27, 0.27, 1))]))
        blob(c, x, y, 24 + r.rand() * 22, 14 + r.rand() * 12, 90 + k)
        c.fill()
    for _ in range(1100):
        x, y = r.rand() * W, r.rand() * H
        c.move_to(x, y)
        c.curve_to(x + r.randn() * 3, y - 8, x + r.randn() * 5, y - 14, x + r.randn() * 8, y - 20 - r.rand() * 10)
        c.set_source_rgba(0.24 + r.rand() * 0.15, 0.36 + r.rand() * 0.16, 0.18, 0.5)
        c.set_line_width(1.2)
        c.stroke()
    # the keeper's tartan blanket, spread on the path and folded back at the head end
    blanket = [(92, 150), (520, 128), (960, 112), (984, 340), (992, 566), (560, 584), (112, 600), (100, 380)]
    c.save()
    smooth(c, blanket, close=True, k=0.06)
    c.clip_preserve()
    src(c, (0.10, 0.22, 0.17, 1))
    c.fill()
    c.rotate(-0.03)
    for x in range(-40, W + 60, 96):
        c.rectangle(x, 0, 34, H)
        c.set_source_rgba(0.06, 0.09, 0.22, 0.75)
        c.fill()
        c.rectangle(x + 52, 0, 4, H)
        c.set_source_rgba(0.62, 0.12, 0.1, 0.85)
        c.fill()
        c.rectangle(x + 72, 0, 2, H)
        c.set_source_rgba(0.9, 0.74, 0.3, 0.7)
        c.fill()
    for y in range(40, H, 96):
        c.rectangle(0, y, W, 34)
        c.set_source_rgba(0.06, 0.09, 0.22, 0.55)
        c.fill()
        c.rectangle(0, y + 52, W, 4)
        c.set_source_rgba(0.62, 0.12, 0.1, 0.7)
        c.fill()
        c.rectangle(0, y + 72, W, 2)
        c.set_source_rgba(0.9, 0.74, 0.3, 0.55)
        c.fill()
    c.restore()
    # soft folds, a shadow along the folded-back end and the blanket's edge
    for k in range(7):
        x = 180 + k * 118 + r.randn() * 10
        c.move_to(x, 150)
        c.curve_to(x + 30, 300, x - 30, 440, x + 20, 590)
        c.set_source_rgba(0, 0, 0, 0.22)
        c.set_line_width(10)
        c.stroke()
        c.move_to(x + 9, 150)
        c.curve_to(x + 39, 300, x - 21, 440, x + 29, 590)
        c.set_source_rgba(1, 1, 1, 0.07)
        c.set_line_width(4)
        c.stroke()
    smooth(c, [(900, 116), (960, 112), (984, 340), (992, 566), (930, 570), (910, 340)], close=True, k=0.1)
    c.set_source(lin(900, 0, 990, 0, [(0, (0, 0, 0, 0.45)), (0.3, (0.18, 0.28, 0.24, 0.6)), (1, (0.05, 0.1, 0.1, 0.5))]))
    c.fill()
    smooth(c, blanket, close=True, k=0.06)
    c.set_source_rgba(0.02, 0.05, 0.05, 0.8)
    c.set_line_width(3)
    c.stroke()
    # the fringes at the foot end
    for k in range(40):
        y = 152 + k * 11.2
        x = 96 + (k / 40) * 16
        c.move_to(x, y)
        c.line_to(x - 16 - r.rand() * 6, y + r.randn() * 2)
        c.set_source_rgba(0.12, 0.2, 0.16, 1)
        c.set_line_width(2.5)
        c.stroke()
    # shadow of the bird
    from kit import shadow_ellipse
    shadow_ellipse(c, 640, 350, 360, 120, 0.45)
    # the spread wing: grey, black primaries with white spots, white trailing edge
    c.save()
    c.translate(*SHOULDER)
    c.rotate(WING_TURN)
    c.scale(WING_SCALE, 1)
    c.translate(-SHOULDER[0], -SHOULDER[1])
    lead_edge = [(690, 290), (560, 236), (420, 200), (280, 184), (140, 196)]
    trail_edge = [(112, 224), (200, 270), (340, 320), (480, 352), (640, 362)]
    wing_path(c, lead_edge, trail_edge)
    c.set_source(lin(140, 0, 690, 0, [(0, (0.55, 0.6, 0.65, 1)), (1, (0.74, 0.78, 0.82, 1))]))
    c.fill()
    # primaries: long dark feathers towards the tip
    for k in reversed(range(8)):
        t = k / 7.0
        x0, y0 = 370 - k * 6, 224 + k * 10
        x1, y1 = 118 + k * 30, 206 + k * 11 + t * 22
        c.move_to(x0, y0 - 7)
        c.curve_to(x0 - 80, y0 - 12, x1 + 50, y1 - 8, x1, y1)
        c.curve_to(x1 + 50, y1 + 10, x0 - 80, y0 + 8, x0, y0 + 7)
        c.close_path()
        c.set_source(lin(x1, 0, x0, 0, [(0, (0.08, 0.08, 0.1, 1)), (0.55, (0.16, 0.16, 0.18, 1)),
                                        (1, (0.5, 0.54, 0.58, 1))]))
        fill_outlined(c, (0.05, 0.05, 0.06, 0.6))
        src(c, (0.96, 0.96, 0.94, 1))
        ellipse(c, x1 + 22, y1 + 1, 6, 3)
        c.fill()
    # secondaries along the trailing edge: scallops with white ends
    for k in range(12):
        x = 360 + k * 25
        y = 306 + k * 4.2
        c.move_to(x - 14, y - 40)
        c.curve_to(x - 16, y - 4, x - 6, y + 10, x + 4, y + 10)
        c.curve_to(x + 14, y + 10, x + 16, y - 4, x + 12, y - 40)
        c.close_path()
        c.set_source(lin(0, y - 40, 0, y + 10, [(0, (0.7, 0.74, 0.78, 1)), (0.75, (0.66, 0.7, 0.74, 1)),
                                                (0.8, (0.95, 0.95, 0.94, 1)), (1, (0.95, 0.95, 0.94, 1))]))
        fill_outlined(c, (0.42, 0.45, 0.5, 0.7))
    # coverts: rows of small soft scallops near the leading edge
    for row in range(3):
        for j in range(11 - row * 2):
            x = 380 + j * 30 + row * 26
            y = 232 + row * 22 + j * 4.5 - (j * j) * 0.18
            src(c, (0.74 + row * 0.03, 0.78 + row * 0.03, 0.82 + row * 0.03, 1))
            ellipse(c, x, y, 19, 12)
            c.fill()
            c.set_source_rgba(0.5, 0.54, 0.58, 0.7)
            c.set_line_width(1)
            c.arc(x, y, 14, math.radians(25), math.radians(155))
            c.stroke()
    c.restore()
    # the tail: white feathers with black tips, fanned under the spread wing
    for k in range(5):
        a = math.radians(168 + k * 7)
        x1, y1 = 640 + math.cos(a) * 90, 350 + math.sin(a) * 90 * 0.5
        c.move_to(640, 344)
        c.curve_to(610, 340 + k * 2, x1 + 14, y1 - 8, x1, y1)
        c.curve_to(x1 + 10, y1 + 10, 610, 362, 640, 358)
        c.close_path()
        c.set_source(lin(x1, 0, 640, 0, [(0, (0.1, 0.1, 0.12, 1)), (0.25, (0.14, 0.14, 0.16, 1)), (0.3, (0.95, 0.95, 0.94, 1)),
                                          (1, (0.88, 0.89, 0.9, 1))]))
        fill_outlined(c, (0.4, 0.42, 0.46, 0.8))
    # a pink foot tucked under the breast
    src(c, (0.86, 0.58, 0.52, 1))
    c.move_to(760, 392)
    c.line_to(742, 420)
    c.line_to(760, 414)
    c.line_to(772, 426)
    c.line_to(778, 410)
    c.line_to(794, 418)
    c.close_path()
    c.fill()
    # the body: a white breast swelling to the neck, the grey mantle over the back
    body = [(630, 330), (690, 292), (780, 276), (860, 282), (900, 300), (918, 336), (900, 372), (840, 398),
            (760, 404), (680, 388)]
    smooth(c, body, close=True, k=0.22)
    c.set_source(rad(800, 320, 10, 190, [(0, (0.98, 0.98, 0.97, 1)), (0.65, (0.9, 0.91, 0.92, 1)),
                                         (1, (0.66, 0.68, 0.72, 1))]))
    fill_outlined(c, (0.4, 0.42, 0.46, 0.7), 1.5)
    # breast feathers: soft scallops
    for j in range(14):
        x, y = 770 + (j % 5) * 24 + r.randn() * 4, 330 + (j // 5) * 20 + r.randn() * 3
        c.arc(x, y, 10, math.radians(20), math.radians(160))
        c.set_source_rgba(0.62, 0.65, 0.7, 0.35)
        c.set_line_width(1)
        c.stroke()
    # the folded right wing over the back
    mantle = [(640, 318), (700, 288), (790, 276), (870, 290), (846, 318), (760, 334), (680, 340)]
    smooth(c, mantle, close=True, k=0.22)
    c.set_source(lin(0, 276, 0, 340, [(0, (0.58, 0.62, 0.68, 1)), (1, (0.68, 0.72, 0.77, 1))]))
    fill_outlined(c, (0.35, 0.38, 0.42, 0.8), 1.3)
    for k in range(5):
        x = 690 + k * 34
        c.move_to(x, 330 - k * 2)
        c.curve_to(x + 10, 314 - k * 3, x + 26, 300 - k * 2, x + 40, 296 - k * 2)
        c.set_source_rgba(0.45, 0.48, 0.53, 0.7)
        c.set_line_width(1.2)
        c.stroke()
    for k in range(3):
        src(c, (0.1, 0.1, 0.12, 1))
        ellipse(c, 640 - k * 10, 318 + k * 6, 36, 7)
        c.fill()
        src(c, (0.95, 0.95, 0.94, 1))
        ellipse(c, 612 - k * 10, 318 + k * 6, 4, 2.5)
        c.fill()
    # a white crescent over the eye's side of the neck
    # head and bill
    c.set_source(rad(905, 280, 6, 60, [(0, (0.98, 0.98, 0.97, 1)), (0.75, (0.92, 0.92, 0.92, 1)),
                                       (1, (0.76, 0.78, 0.8, 1))]))
    ellipse(c, 915, 292, 54, 48)
    c.fill()
    c.set_source_rgba(0.6, 0.62, 0.64, 0.35)
    ellipse(c, 900, 270, 30, 12)
    c.fill()
    c.move_to(956, 278)
    c.curve_to(984, 276, 1004, 280, 1014, 288)
    c.curve_to(1020, 292, 1018, 302, 1010, 304)
    c.curve_to(1008, 298, 1004, 296, 998, 297)
    c.curve_to(984, 300, 970, 302, 958, 304)
    c.close_path()
    c.set_source(lin(0, 276, 0, 304, [(0, (0.98, 0.84, 0.3, 1)), (1, (0.84, 0.62, 0.12, 1))]))
    fill_outlined(c, (0.4, 0.28, 0.05, 0.9), 1.2)
    c.move_to(958, 292)
    c.curve_to(980, 292, 998, 294, 1012, 296)
    c.set_source_rgba(0.4, 0.28, 0.05, 0.8)
    c.stroke()
    src(c, (0.82, 0.22, 0.12, 1))
    ellipse(c, 1001, 299, 4.5, 3)
    c.fill()
    src(c, (0.1, 0.08, 0.06, 1))
    c.arc(928, 280, 6.5, 0, 2 * math.pi)
    c.fill()
    src(c, (0.95, 0.8, 0.3, 1))
    c.set_line_width(1.5)
    c.arc(928, 280, 7.5, 0, 2 * math.pi)
    c.stroke()
    src(c, (1, 1, 1, 0.9))
    c.arc(930, 278, 2, 0, 2 * math.pi)
    c.fill()
    # the lantern set down on the path, top left
    c.save()
    c.translate(48, 76)
    c.scale(1.2, 1.2)
    objects.lantern(c, lit=True)
    c.restore()
    arr = to_np(s)
    texture(arr, 64, cell=22, amount=0.07)
    lmap = light_map(W, H, [(48, 76, 620, (0.55, 0.38, 0.16), 1.0), (600, 320, 520, (0.12, 0.12, 0.1), 0.5)], 0.72)
    apply_light(arr, lmap)
    # rain drops on everything
    s = from_np(arr)
    c = ctx_for(s)
    for _ in range(170):
        x, y = r.rand() * W, r.rand() * PANE_TOP
        c.set_source_rgba(0.85, 0.92, 0.95, 0.3)
        ellipse(c, x, y, 2.2, 3)
        c.fill()
        c.set_source_rgba(1, 1, 1, 0.55)
        c.arc(x - 0.6, y - 1, 0.8, 0, 2 * math.pi)
        c.fill()
    glow(c, 48, 76, 200, PAL["amber"], 0.3)
    arr = to_np(s)
    vignette(arr, 0.5)
    grain(arr, 66, 0.02)
    return np.clip(arr, 0, 1)


def dirt_picture(seed):
    """Grit, mud and sand over a graze: uneven alpha, grains, a bit of grass."""
    r = np.random.RandomState(seed)
    n = fbm(DIRT_W, DIRT_H, 26, seed, octaves=4)
    y, x = np.mgrid[0:DIRT_H, 0:DIRT_W].astype(np.float32)
    d = ((x - DIRT_W / 2) / (DIRT_W * 0.46)) ** 2 + ((y - DIRT_H / 2) / (DIRT_H * 0.44)) ** 2
    shape = np.clip((1.0 - d) * 1.6 + (n - 0.5) * 1.4, 0, 1)
    speck = value_noise(DIRT_W, DIRT_H, 1.6, seed + 1)
    a = np.clip(shape * (0.72 + 0.5 * (speck - 0.5)), 0, 1)
    a[a < 0.12] = 0
    col = np.zeros((DIRT_H, DIRT_W, 3), np.float32)
    mud = np.array([0.36, 0.26, 0.16], np.float32)
    sand = np.array([0.62, 0.52, 0.36], np.float32)
    t = fbm(DIRT_W, DIRT_H, 10, seed + 2, octaves=3)[..., None]
    col[:] = mud * (1 - t) + sand * t
    col *= (0.8 + 0.4 * speck)[..., None]
    arr = np.concatenate([col * a[..., None], a[..., None]], axis=2)
    s = from_np(arr)
    c = ctx_for(s)
    for _ in range(3):
        x0, y0 = 20 + r.rand() * (DIRT_W - 40), 20 + r.rand() * (DIRT_H - 40)
        c.move_to(x0, y0)
        c.curve_to(x0 + 10, y0 - 6, x0 + 22, y0 - 4, x0 + 30 + r.rand() * 10, y0 - 12)
        c.set_source_rgba(0.42, 0.5, 0.22, 0.85)
        c.set_line_width(1.6)
        c.stroke()
    return to_np(s)


def wound_picture(seed):
    """A graze: a few soft rose-red scrapes, not deep."""
    s, c = new(WOUND_W, WOUND_H)
    r = np.random.RandomState(seed)
    glow(c, WOUND_W / 2, WOUND_H / 2, 30, (0.9, 0.45, 0.45, 1), 0.45)
    for k in range(4):
        y = 9 + k * 4 + r.rand() * 2
        c.move_to(10 + r.rand() * 6, y)
        c.curve_to(24, y - 2, 40, y + 2, 54 - r.rand() * 6, y - 1)
        c.set_source_rgba(0.72, 0.16, 0.18, 0.85)
        c.set_line_width(2.2 - k * 0.3)
        c.stroke()
    arr = to_np(s)
    return blur(arr, 0.6)


def brush_footprint():
    """The brush's reach: strongest in the middle, fading out (alpha only counts)."""
    size = 44
    y, x = np.mgrid[0:size, 0:size].astype(np.float32)
    d = np.sqrt((x - (size - 1) / 2) ** 2 + (y - (size - 1) / 2) ** 2) / (size / 2)
    a = np.clip(1.15 - d ** 2, 0, 1) * 0.75
    arr = np.zeros((size, size, 4), np.float32)
    arr[..., 3] = a
    arr[..., :3] = a[..., None] * 0.5
    return arr


def brush_tool(size, lying):
    """A soft brush: wooden handle, brass ferrule, pale bristles. In the hand
    its bristles point up-left to the picture's corner."""
    if lying:
        s, c = new(size[0], size[1])
        w, h = size
        c.translate(4, h / 2)
        length = w - 8
    else:
        s, c = new(size, size)
        c.translate(6, 6)
        c.rotate(math.radians(45))
        length = size * 1.3
    # bristles at the start
    c.save()
    c.set_source(lin(0, 0, length * 0.3, 0, [(0, (0.95, 0.9, 0.78, 1)), (1, (0.78, 0.68, 0.5, 1))]))
    c.move_to(0, -6)
    c.curve_to(length * 0.1, -13, length * 0.26, -12, length * 0.3, -9)
    c.line_to(length * 0.3, 9)
    c.curve_to(length * 0.26, 12, length * 0.1, 13, 0, 6)
    c.close_path()
    c.fill()
    c.set_source_rgba(0.55, 0.45, 0.3, 0.5)
    c.set_line_width(0.8)
    for k in range(-4, 5):
        c.move_to(2, k * 1.4)
        c.line_to(length * 0.3, k * 2.0)
        c.stroke()
    c.restore()
    c.set_source(brass_linear(0, -9, 0, 9))
    rrect(c, length * 0.3, -9, length * 0.14, 18, 2)
    c.fill()
    c.set_source(lin(0, -7, 0, 7, [(0, shade(PAL["wood_lt"], 1.1)), (1, PAL["wood"])]))
    rrect(c, length * 0.44, -7, length * 0.56, 14, 6)
    c.fill()
    arr = to_np(s)
    return drop_shadow(arr, 2, 3, 2, 0.35)


def bottle_tool(size, lying):
    """The iodine dropper bottle: brown glass, a paper label with a cross, a
    rubber bulb. In the hand the dropper's tip is at the picture's corner."""
    if lying:
        s, c = new(size[0], size[1])
        c.translate(size[0] / 2, size[1] / 2)
        c.rotate(math.radians(-90))
        scale = min(size[0] / 96.0, size[1] / 50.0)
        c.scale(scale, scale)
        c.translate(-24, -46)
    else:
        s, c = new(size[0], size[1])
        c.translate(4, 4)
        c.rotate(math.radians(-28))
        c.translate(-2, 0)
        c.scale(size[1] / 120.0, size[1] / 120.0)
        c.translate(20, 0)
        # dropper tube (tip at the top)
        c.set_source_rgba(0.85, 0.9, 0.92, 0.8)
        rrect(c, 0, 0, 6, 44, 3)
        c.fill()
        src(c, (0.55, 0.25, 0.12, 1))
        ellipse(c, 3, 2, 2, 2)
        c.fill()
        c.translate(-21, 40)
    # bulb, collar, bottle
    src(c, (0.5, 0.12, 0.1, 1))
    rrect(c, 16, 0, 16, 20, 7)
    c.fill()
    c.set_source(brass_linear(12, 18, 36, 18))
    rrect(c, 12, 18, 24, 9, 2)
    c.fill()
    c.set_source(lin(0, 26, 48, 26, [(0, (0.30, 0.14, 0.05, 0.95)), (0.5, (0.55, 0.28, 0.1, 0.95)),
                                      (1, (0.25, 0.11, 0.04, 0.95))]))
    rrect(c, 4, 26, 40, 62, 8)
    c.fill()
    src(c, PAL["paper"])
    c.rectangle(8, 44, 32, 28)
    c.fill()
    src(c, PAL["cloth_red"])
    c.rectangle(21, 49, 6, 18)
    c.fill()
    c.rectangle(15, 55, 18, 6)
    c.fill()
    c.set_source_rgba(1, 1, 1, 0.35)
    rrect(c, 8, 30, 5, 50, 2)
    c.fill()
    arr = to_np(s)
    return drop_shadow(arr, 2, 3, 2, 0.35)


def satchel_pane():
    """The keeper's canvas satchel lies open along the bottom: the tray of tools."""
    s, c = new(W, PANE_H)
    c.rectangle(0, 6, W, PANE_H - 6)
    c.set_source(lin(0, 0, 0, PANE_H, [(0, (0.52, 0.46, 0.34, 1)), (1, (0.36, 0.31, 0.22, 1))]))
    c.fill()
    c.set_source(lin(0, 0, 0, 12, [(0, shade(PAL["wood"], 1.2)), (1, PAL["wood_dk"])]))
    c.rectangle(0, 0, W, 12)
    c.fill()
    c.set_source_rgba(0.2, 0.16, 0.1, 0.55)
    c.set_line_width(1.5)
    c.set_dash([6, 5])
    c.rectangle(100, 24, W - 200, PANE_H - 38)
    c.stroke()
    c.set_dash([])
    # leather straps
    for x in (96, W - 120):
        c.rectangle(x, 6, 24, PANE_H - 6)
        c.set_source(lin(x, 0, x + 24, 0, [(0, (0.36, 0.2, 0.1, 1)), (1, (0.26, 0.14, 0.07, 1))]))
        c.fill()
        c.set_source(brass_linear(x, 60, x + 24, 80))
        rrect(c, x + 2, 58, 20, 18, 3)
        c.fill()
    arr = to_np(s)
    texture(arr, 71, cell=6, amount=0.12, octaves=2)
    grain(arr, 72, 0.025)
    return arr


def wounds_file(tools, out):
    wounds = "\n".join('    <Wound pos="%d, %d" image_dirt="mg6/dirt%d" image_wound="mg6/wound%d"/>' % (x, y, n, n)
                       for x, y, n in WOUNDS)
    xml = """<?xml version="1.0" encoding="UTF-8"?>
<!-- The wounds game, variant 1 (docs/minigames.md): a gull hurt in the storm
     lies on the keeper's tartan blanket on the cliff path. Grit and mud cover three
     grazes on its wing: take the soft brush and, holding the button, brush
     them clean; then dab each graze with the iodine. A graze left alone too
     long after brushing gets dirty again. Made by tools/make_mosaic_wounds_art.py. -->
<MiniGame6>
  <Common background="mg6/bg" pane="mg6/pane" mainCursor="cursor/cursor" music="music/level2"
          ambient="ambient/storm" text="mg6_caption" text_pos="512, 34" text_angle="0"
          preview_pos="0, 0" win_counter="2" startMessageNum="0" finMessageNum="1" bitNum="3"
          cursor_brush="mg6/brush" part_find_pixels="0.9" part_find_pixels_for_tutor="0.3"
          disinfectionTime="12"/>
  <Text font="fonts/serif_bold.mvec" fh="32" color="255, 226, 160, 255" rect="0, 0, 700, 44" xAlign="2" yAlign="2"/>
  <Wounds>
%s
  </Wounds>
  <Tools preview_pos="%d, %d">
    <Tool preview="mg6/brush_s" image="mg6/brush_big"/>
    <Tool preview="mg6/bottle_s" image="mg6/bottle_big"/>
  </Tools>
  <TutorScripts>
    <TutorScript>
      <Item><text name="tut_mg06_rules"/></Item>
      <Item><text name="tut_mg06_rules2"/></Item>
    </TutorScript>
    <TutorScript id="3">
      <Item><text name="tut_mg06_dirtback"/></Item>
    </TutorScript>
    <TutorScript id="1" do_in_end="CloseMG()">
      <Item><text name="tut_mg06_won"/></Item>
    </TutorScript>
  </TutorScripts>
</MiniGame6>
""" % (wounds, TOOLS_POS[0], TOOLS_POS[1])
    with open(os.path.join(out, "minigame6_1.xml"), "w") as f:
        f.write(xml)


def write_wounds(out):
    bg = gull_scene()
    save_jpg(bg, os.path.join(out, "mg6/bg.jpg"))
    save_png(satchel_pane(), os.path.join(out, "mg6/pane.png"))
    screen = bg.copy()
    for x, y, n in WOUNDS:
        dirt, wound = dirt_picture(100 + n), wound_picture(200 + n)
        save_png(dirt, os.path.join(out, "mg6/dirt%d.png" % n))
        save_png(wound, os.path.join(out, "mg6/wound%d.png" % n))
        screen[y:y + DIRT_H, x:x + DIRT_W] = over(dirt, screen[y:y + DIRT_H, x:x + DIRT_W])
        wx, wy = x + DIRT_W // 2 - WOUND_W // 2, y + DIRT_H // 2 - WOUND_H // 2
        screen[wy:wy + WOUND_H, wx:wx + WOUND_W] = over(wound, screen[wy:wy + WOUND_H, wx:wx + WOUND_W])
    save_png(brush_footprint(), os.path.join(out, "mg6/brush.png"))
    tools = [brush_tool((120, 44), True), bottle_tool((100, 52), True)]
    save_png(tools[0], os.path.join(out, "mg6/brush_s.png"))
    save_png(brush_tool(88, False), os.path.join(out, "mg6/brush_big.png"))
    save_png(tools[1], os.path.join(out, "mg6/bottle_s.png"))
    save_png(bottle_tool((84, 120), False), os.path.join(out, "mg6/bottle_big.png"))
    wounds_file(tools, out)
    return screen


def photo(screen, seed, path):
    rgb = Image.fromarray((np.clip(screen[..., :3], 0, 1) * 255).astype(np.uint8), "RGB")
    make_journal_art.sepia_photo(rgb, seed).save(path, optimize=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--assets", default=os.path.join(ROOT, "assets"))
    args = parser.parse_args()
    out = args.assets
    shots = write_mosaic(out)
    gull = write_wounds(out)
    photo(shots[1], 81, os.path.join(out, "journal/mg_lamproom.png"))
    photo(gull, 82, os.path.join(out, "journal/mg_cliffpath.png"))


if __name__ == "__main__":
    main()
