#!/usr/bin/python3
"""Makes the pictures and sounds of the mini-game frame and the blocks game.

    /usr/bin/python3 tools/make_minigame_art.py [--assets assets]

Writes, deterministically (the art kit's palette and painters, tools/art/):
  mg/round_skip_<state>.png, mg/round_restart_<state>.png
        the frame's skip and restart buttons (64 x 64, the kit's round
        brass-and-sea-glass button with a new glyph); state = normal,
        rollover, pressed, disabled
  mg1/bg.jpg     the keeper's dock at dusk in the mist (1024 x 768)
  mg1/pane.png   the tray: a plank shelf along the bottom (1024 x 180)
  mg1/board.png, mg1/board5.png
        the pallet the crates are stacked on, 4 x 4 and 5 x 5 slots of
        88 x 88 with a 16 px rim (384 and 472 square)
  mg1/cell.png   one slot (88 x 88); the game reads only its size
  mg1/b<k>.png, mg1/b<k>_bad.png, mg1/b<k>_s.png   (k = 0..4)
        crate k on the board (88 x 88), the same crate when it breaks the
        rule (a red warning glow), and its small tray picture (64 x 64).
        Marks: 0 anchor (blue band), 1 fish (green), 2 gull (ochre),
        3 lantern (red), 4 shell (violet)
  audio/sfx/sand.ogg   the pallet sliding away over the planks (5 s)
(The crate's click when it is set down is the game buttons' click,
audio/sfx/button_click.ogg, made by tools/art.)
Needs python3-cairo, python3-pil, python3-numpy, sox and vorbis-tools.
"""
import argparse
import math
import os
import subprocess
import sys
import tempfile


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("numpy", "PIL", "cairo")
import numpy as np
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "art"))

import icons  # noqa: E402  (the kit's glyph table; entries are added in memory only)
import scenery  # noqa: E402
import ui  # noqa: E402
from kit import (PAL, W, H, alpha, blur, brass_linear, brass_radial, drop_shadow, ellipse, from_np, glow,  # noqa: E402
                 grain, lin, mix, new, over, rad, rivet, rrect, save_jpg, save_png, shade, src, texture, to_np,
                 vignette, wood)

CELL = 88
RIM = 16
PANE_H = 180
CRATE = 80
PREVIEW = 64

MARKS = [
    ("anchor", PAL["cloth_blue"]),
    ("fish", PAL["leaf"]),
    ("gull", PAL["amber_dk"]),
    ("lantern", PAL["cloth_red"]),
    ("shell", (0.36, 0.27, 0.45, 1.0)),
]


# ---------------------------------------------------------------- glyphs

def skip_glyph(ctx, col):
    """Two chevrons and a bar: go to the end."""
    ctx.save()
    src(ctx, col)
    for x0 in (22, 44):
        ctx.move_to(x0, 26)
        ctx.line_to(x0 + 22, 50)
        ctx.line_to(x0, 74)
        ctx.line_to(x0 + 8, 74)
        ctx.line_to(x0 + 30, 50)
        ctx.line_to(x0 + 8, 26)
        ctx.close_path()
        ctx.fill()
    ctx.rectangle(74, 26, 8, 48)
    ctx.fill()
    ctx.restore()


def restart_glyph(ctx, col):
    """A circular arrow."""
    ctx.save()
    src(ctx, col)
    ctx.set_line_width(8)
    ctx.arc(50, 52, 22, math.radians(-60), math.radians(220))
    ctx.stroke()
    a = math.radians(-60)
    tx, ty = 50 + math.cos(a) * 22, 52 + math.sin(a) * 22
    ctx.move_to(tx + 12, ty - 4)
    ctx.line_to(tx - 8, ty - 12)
    ctx.line_to(tx - 2, ty + 12)
    ctx.close_path()
    ctx.fill()
    ctx.restore()


# ---------------------------------------------------------------- marks (100 x 100 box)

def mark_anchor(c):
    c.set_line_width(7)
    c.arc(50, 20, 8, 0, 2 * math.pi)
    c.stroke()
    c.move_to(50, 28)
    c.line_to(50, 82)
    c.stroke()
    c.move_to(32, 40)
    c.line_to(68, 40)
    c.stroke()
    c.arc(50, 56, 28, math.radians(20), math.radians(160))
    c.stroke()
    for x, d in ((24, -1), (76, 1)):
        c.move_to(x - 8 * d, 60)
        c.line_to(x + 4 * d, 72)
        c.line_to(x + 6 * d, 58)
        c.close_path()
        c.fill()


def mark_fish(c):
    ellipse(c, 44, 50, 30, 17)
    c.fill()
    c.move_to(68, 50)
    c.line_to(90, 32)
    c.line_to(86, 50)
    c.line_to(90, 68)
    c.close_path()
    c.fill()
    c.save()
    c.set_operator(0)  # clear: the eye
    c.arc(28, 45, 4, 0, 2 * math.pi)
    c.fill()
    c.restore()


def mark_gull(c):
    c.set_line_width(8)
    c.set_line_cap(1)
    c.move_to(10, 46)
    c.curve_to(24, 30, 40, 32, 50, 54)
    c.curve_to(60, 32, 76, 30, 90, 46)
    c.stroke()


def mark_lantern(c):
    c.set_line_width(6)
    c.arc(50, 20, 9, math.pi, 2 * math.pi)
    c.stroke()
    rrect(c, 34, 24, 32, 8, 3)
    c.fill()
    c.move_to(36, 34)
    c.line_to(64, 34)
    c.line_to(68, 72)
    c.line_to(32, 72)
    c.close_path()
    c.stroke()
    c.move_to(50, 42)
    c.curve_to(58, 52, 56, 64, 50, 65)
    c.curve_to(44, 64, 42, 52, 50, 42)
    c.fill()
    rrect(c, 28, 72, 44, 9, 3)
    c.fill()


def mark_shell(c):
    c.move_to(50, 84)
    c.curve_to(14, 70, 10, 30, 50, 18)
    c.curve_to(90, 30, 86, 70, 50, 84)
    c.close_path()
    c.fill()
    c.save()
    c.set_operator(0)
    c.set_line_width(4)
    for a in (-50, -25, 0, 25, 50):
        t = math.radians(a - 90)
        c.move_to(50, 80)
        c.line_to(50 + math.cos(t) * 56, 80 + math.sin(t) * 56)
        c.stroke()
    c.restore()


MARK_PAINTERS = [mark_anchor, mark_fish, mark_gull, mark_lantern, mark_shell]


# ---------------------------------------------------------------- crates

def crate(kind, seed):
    """Crate `kind` (88 x 88, transparent margin with its contact shadow)."""
    s, c = new(CELL, CELL)
    m = (CELL - CRATE) // 2
    x, y, w, h = m, m - 1, CRATE, CRATE
    wood(c, x, y, w, h, seed, tone="light", planks=4, knots=False)
    # painted band across the middle plank rows
    _, colour = MARKS[kind]
    c.rectangle(x, y + h * 0.25, w, h * 0.5)
    c.set_source(lin(0, y + h * 0.25, 0, y + h * 0.75,
                     [(0, alpha(shade(colour, 1.15), 0.92)), (1, alpha(shade(colour, 0.8), 0.92))]))
    c.fill()
    # frame boards
    c.set_line_width(7)
    src(c, alpha(PAL["wood_dk"], 0.9))
    c.rectangle(x + 3.5, y + 3.5, w - 7, h - 7)
    c.stroke()
    c.set_line_width(1.2)
    src(c, alpha(PAL["wood_lt"], 0.5))
    c.rectangle(x + 7.5, y + 7.5, w - 15, h - 15)
    c.stroke()
    # iron corner brackets with rivets
    for cx, cy in ((x, y), (x + w, y), (x, y + h), (x + w, y + h)):
        dx = 1 if cx == x else -1
        dy = 1 if cy == y else -1
        c.move_to(cx, cy)
        c.line_to(cx + 14 * dx, cy)
        c.line_to(cx, cy + 14 * dy)
        c.close_path()
        src(c, PAL["iron"])
        c.fill()
        rivet(c, cx + 4.5 * dx, cy + 4.5 * dy, 1.8)
    # the stencilled mark
    ms, mc = new(CELL, CELL)
    k = 0.46
    mc.translate(CELL / 2 - 50 * k, y + h / 2 - 50 * k)
    mc.scale(k, k)
    src(mc, PAL["paper"])
    MARK_PAINTERS[kind](mc)
    mark = to_np(ms)
    arr = to_np(s)
    mark *= 0.92
    arr = over(mark, arr)
    texture(arr, seed + 3, cell=10, amount=0.08)
    grain(arr, seed + 7, 0.025)
    arr = drop_shadow(arr, 1, 2, 2, 0.55)
    return arr


def bad_crate(arr):
    """The crate with a red warning glow around it and a reddened face."""
    out = arr.copy()
    tint = np.array(PAL["ember"][:3], np.float32)
    out[..., :3] = out[..., :3] * 0.72 + tint * out[..., 3:4] * 0.28
    halo = np.zeros_like(arr)
    halo[..., 3] = np.clip(blur(arr[..., 3], 3) * 1.3, 0, 1)
    halo[..., :3] = tint * halo[..., 3:4]
    return over(out, halo * 0.85)


def preview(arr):
    img = Image.fromarray((np.clip(arr, 0, 1) * 255 + 0.5).astype(np.uint8), "RGBA")
    small = img.resize((PREVIEW, PREVIEW), Image.LANCZOS)
    return np.asarray(small, np.float32) / 255.0


# ---------------------------------------------------------------- board, cell, pane

def board(n, seed):
    size = 2 * RIM + n * CELL
    s, c = new(size, size)
    wood(c, 0, 0, size, size, seed, tone="dark", planks=n * 2)
    # the slots: darker, slightly sunken
    for row in range(n):
        for col in range(n):
            x, y = RIM + col * CELL, RIM + row * CELL
            c.rectangle(x + 2, y + 2, CELL - 4, CELL - 4)
            c.set_source(lin(0, y, 0, y + CELL, [(0, alpha(PAL["night"], 0.55)), (1, alpha(PAL["night"], 0.3))]))
            c.fill()
            c.set_line_width(1.5)
            src(c, alpha(PAL["wood_lt"], 0.35))
            c.rectangle(x + 2.75, y + 2.75, CELL - 5.5, CELL - 5.5)
            c.stroke()
    # brass rim
    c.set_line_width(6)
    c.set_source(brass_linear(0, 0, size, size, 0.15))
    c.rectangle(3, 3, size - 6, size - 6)
    c.stroke()
    for cx, cy in ((8, 8), (size - 8, 8), (8, size - 8), (size - 8, size - 8)):
        c.arc(cx, cy, 6, 0, 2 * math.pi)
        c.set_source(brass_radial(cx, cy, 6))
        c.fill()
    arr = to_np(s)
    texture(arr, seed + 11, cell=30, amount=0.1)
    grain(arr, seed + 13, 0.02)
    return arr


def cell_picture():
    s, c = new(CELL, CELL)
    c.set_line_width(1)
    src(c, alpha(PAL["mist"], 0.35))
    c.rectangle(0.5, 0.5, CELL - 1, CELL - 1)
    c.stroke()
    return to_np(s)


def pane(seed):
    s, c = new(W, PANE_H)
    top = 14
    wood(c, 0, top, W, PANE_H - top, seed, tone="mid", planks=3)
    # a brass rail along the front edge of the shelf
    c.rectangle(0, top - 6, W, 9)
    c.set_source(brass_linear(0, top - 6, 0, top + 3, 0.1))
    c.fill()
    for x in range(40, W, 120):
        rivet(c, x, top - 2, 2.2)
    # shade towards the bottom so the crates stand out
    c.rectangle(0, top + 3, W, PANE_H - top - 3)
    c.set_source(lin(0, top, 0, PANE_H, [(0, alpha(PAL["night"], 0.05)), (1, alpha(PAL["night"], 0.45))]))
    c.fill()
    arr = to_np(s)
    # a soft shadow the rail casts on the dock above it
    sh = np.zeros_like(arr)
    sh[: top - 6, :, 3] = np.linspace(0, 0.45, top - 6, dtype=np.float32)[:, None]
    arr = over(arr, sh)
    grain(arr, seed + 2, 0.02)
    return arr


# ---------------------------------------------------------------- the dock

def dock_background(seed):
    horizon = 300
    arr = scenery.dusk_sky(W, H, seed, horizon, stormy=0.15, glow_x=0.3)
    arr = scenery.sea(arr, horizon, seed + 1, bottom=460, glint_x=0.3, rough=0.2, lit=0.8)
    s, c = new(W, H)
    # the far headland with the lighthouse
    pts = [(620, horizon + 2), (650, 262), (700, 238), (760, 226), (830, 232), (900, 250), (980, 268),
           (1024, 276), (1024, horizon + 2)]
    scenery.cliff(c, pts, seed + 2, shade(PAL["teal"], 0.7), PAL["deep"], horizon + 2)
    scenery.lighthouse(c, 790, 230, 120, lit=0.7, seed=seed + 3)
    scenery.gulls(c, [(210, 150, 1.0), (260, 130, 0.8), (300, 170, 0.6)], alpha(PAL["night"], 0.7))
    arr = over(to_np(s), arr)
    arr = scenery.mist(arr, horizon - 60, horizon + 60, seed + 4, strength=0.6)
    # the dock: wide planks from the water's edge to the bottom
    s, c = new(W, H)
    wood(c, 0, 440, W, H - 440, seed + 5, tone="drift", planks=8)
    c.rectangle(0, 440, W, 6)
    src(c, alpha(PAL["night"], 0.6))
    c.fill()
    # bollards and a coil of rope at the edges
    for bx in (70, 954):
        c.rectangle(bx - 22, 380, 44, 90)
        c.set_source(lin(bx - 22, 0, bx + 22, 0, [(0, PAL["wood_dk"]), (0.4, PAL["wood_md"]), (1, PAL["wood_dk"])]))
        c.fill()
        ellipse(c, bx, 380, 22, 7)
        src(c, PAL["wood"])
        c.fill()
    for r in range(6):
        ellipse(c, 120, 520, 46 - r * 6, 16 - r * 2)
        c.set_line_width(5)
        src(c, shade(PAL["rope"], 0.75 + r * 0.05))
        c.stroke()
    arr = over(to_np(s), arr)
    arr = scenery.mist(arr, 380, 520, seed + 6, strength=0.35, cell=200)
    glow_s, gc = new(W, H)
    glow(gc, 512, 330, 420, PAL["amber_lt"], 0.12)
    arr = over(to_np(glow_s), arr)
    arr = vignette(arr, 0.5)
    grain(arr, seed + 8, 0.02)
    return arr


# ---------------------------------------------------------------- sounds

def run(cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def ogg(wav, out, serial):
    os.makedirs(os.path.dirname(out), exist_ok=True)
    run(["oggenc", "-Q", "-q", "4", "--serial", str(serial), "-o", out, wav])


def sounds(assets):
    with tempfile.TemporaryDirectory() as tmp:
        sand = os.path.join(tmp, "sand.wav")
        run(["sox", "-R", "-n", "-r", "44100", "-c", "2", "-b", "16", sand, "synth", "5.0", "pinknoise",
             "tremolo", "7", "35", "highpass", "300", "lowpass", "2600", "fade", "q", "0.4", "5.0", "0.8", "norm", "-16"])
        ogg(sand, os.path.join(assets, "audio", "sfx", "sand.ogg"), 7102)


# ---------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--assets", default=os.path.join(ROOT, "assets"))
    args = parser.parse_args()
    out = args.assets

    icons.GLYPHS["mg_skip"] = skip_glyph
    icons.GLYPHS["mg_restart"] = restart_glyph
    for name in ("skip", "restart"):
        for state in ui.STATES:
            save_png(ui.round_button(64, "mg_" + name, state, 4100), os.path.join(out, "mg", "round_%s_%s.png" % (name, state)))

    save_jpg(dock_background(4200), os.path.join(out, "mg1", "bg.jpg"))
    save_png(pane(4300), os.path.join(out, "mg1", "pane.png"))
    save_png(board(4, 4400), os.path.join(out, "mg1", "board.png"))
    save_png(board(5, 4410), os.path.join(out, "mg1", "board5.png"))
    save_png(cell_picture(), os.path.join(out, "mg1", "cell.png"))
    for k in range(len(MARKS)):
        arr = crate(k, 4500 + 10 * k)
        save_png(arr, os.path.join(out, "mg1", "b%d.png" % k))
        save_png(bad_crate(arr), os.path.join(out, "mg1", "b%d_bad.png" % k))
        save_png(preview(arr), os.path.join(out, "mg1", "b%d_s.png" % k))
    sounds(out)


if __name__ == "__main__":
    main()
