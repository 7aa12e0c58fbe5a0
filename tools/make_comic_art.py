#!/usr/bin/python3
"""Makes the pictures of the comics, the splash and the information pop-ups.

    /usr/bin/python3 tools/make_comic_art.py [--assets assets]

Writes, deterministically (every random number is seeded):
  comics/bg.jpg                 the comic page: dark blue-green paper, 1024 x 768
  comics/c1_p<page>_<panel>.jpg the intro comic's panels (Nell comes home to Gullrock)
  comics/c2_p<page>_<panel>.jpg the comic between the two levels
  comics/flame_<n>.png, comics/flame.xml
                                a lantern whose flame flickers (8 frames), the
                                comic's animation between the page arrows
  splash/still.jpg              the splash's still screen: the lighthouse alight
  infos/hint.png, infos/lamp.png, infos/key.png
                                the pictures of the information pop-ups
Uses the art kit of tools/art (palette, materials, scenery) read-only and the
location pictures already in assets/. Needs python3-cairo, python3-pil,
python3-numpy and fonts-ebgaramond.
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

import kit  # noqa: E402
from kit import (PAL, alpha, blur, ellipse, from_np, glow, grain, lin, mix, new, over, rad, rng, rrect,  # noqa: E402
                 shade, smooth, src, to_np, vignette)
import scenery  # noqa: E402

PANEL_BORDER = 7


# ------------------------------------------------------------------ helpers

def load(assets, name, w=None, h=None):
    """A picture of assets/ as a premultiplied float array, resized when asked."""
    img = Image.open(os.path.join(assets, name)).convert("RGBA")
    if w and h:
        img = img.resize((w, h), Image.LANCZOS)
    a = np.asarray(img).astype(np.float32) / 255.0
    a[..., :3] *= a[..., 3:4]
    return a


def crop_cover(arr, w, h, fx=0.5, fy=0.5, zoom=1.0):
    """A w x h cut of the array, scaled so that it covers the cut (zoom > 1 goes closer)."""
    ah, aw = arr.shape[:2]
    scale = max(w / aw, h / ah) * zoom
    sw, sh = int(math.ceil(aw * scale)), int(math.ceil(ah * scale))
    img = Image.fromarray((np.clip(arr, 0, 1) * 255 + 0.5).astype(np.uint8), "RGBA").resize((sw, sh), Image.LANCZOS)
    x0 = int((sw - w) * fx)
    y0 = int((sh - h) * fy)
    return np.asarray(img.crop((x0, y0, x0 + w, y0 + h))).astype(np.float32) / 255.0


def night(arr, amount=0.55, tint=None):
    """Darkens towards a blue night."""
    tint = np.array((tint or PAL["abyss"])[:3], np.float32)
    out = arr.copy()
    out[..., :3] = out[..., :3] * (1 - amount) + tint * amount * out[..., 3:4]
    return out


def ink_outline(arr, strength=0.35):
    """Dark edges where the brightness changes: a drawn, comic look."""
    lum = arr[..., 0] * 0.3 + arr[..., 1] * 0.59 + arr[..., 2] * 0.11
    gx = np.abs(np.roll(lum, 1, 1) - np.roll(lum, -1, 1))
    gy = np.abs(np.roll(lum, 1, 0) - np.roll(lum, -1, 0))
    edge = np.clip((gx + gy - 0.06) * 4.0, 0, 1) * strength
    out = arr.copy()
    out[..., :3] *= (1 - edge[..., None])
    return out


def frame(arr, seed):
    """A paper border with a thin ink line inside, and a little grain."""
    h, w = arr.shape[:2]
    arr = grain(arr, seed, 0.03)
    s, c = new(w, h)
    b = PANEL_BORDER
    c.rectangle(0, 0, w, h)
    c.rectangle(b, b, w - 2 * b, h - 2 * b)
    c.set_fill_rule(1)  # even-odd: the border only
    src(c, PAL["paper"])
    c.fill()
    c.set_fill_rule(0)
    c.rectangle(b + 0.5, b + 0.5, w - 2 * b - 1, h - 2 * b - 1)
    src(c, alpha(PAL["ink"], 0.9))
    c.set_line_width(1.5)
    c.stroke()
    return over(to_np(s), arr)


def save_jpg(arr, assets, name):
    kit.save_jpg(arr, os.path.join(assets, name), quality=90)


def save_png(arr, assets, name):
    kit.save_png(arr, os.path.join(assets, name))


# ------------------------------------------------------------------- people

def nell(c, x, base, height, seed, lantern=None, letter=False, facing=1, wind=0.0):
    """Nell: a tall coat, a red scarf that blows, dark hair tied back; seen from the side.
    `lantern` is the lantern's light (0..1) or None."""
    r = rng(seed)
    s = height / 100.0
    f = facing
    c.save()
    c.translate(x, base)
    c.scale(s * f, s)
    # boots and legs
    src(c, PAL["night"])
    for lx in (-7, 5):
        c.rectangle(lx, -30, 6, 30)
        c.fill()
        ellipse(c, lx + 4, -1.5, 6, 2.5)
        c.fill()
    # coat
    coat = [(-14, -30), (-16, -2 - 0), (16, -4), (12, -32), (11, -60), (8, -72), (-8, -72), (-12, -60)]
    c.move_to(-12, -72)
    c.line_to(10, -72)
    c.curve_to(14, -62, 14, -40, 18 + wind * 4, -6)
    c.line_to(-16 - wind * 2, -4)
    c.curve_to(-14, -30, -15, -55, -12, -72)
    c.close_path()
    c.set_source(lin(-16, 0, 18, 0, [(0, shade(PAL["cloth_blue"], 0.55)), (0.5, PAL["cloth_blue"]),
                                     (1, shade(PAL["cloth_blue"], 0.4))]))
    c.fill()
    src(c, alpha(PAL["night"], 0.5))
    c.set_line_width(0.8)
    c.move_to(2, -70)
    c.line_to(3, -6)
    c.stroke()
    for by in (-60, -48, -36):
        ellipse(c, 5, by, 1.1, 1.1)
        src(c, PAL["brass_lt"])
        c.fill()
    # head, neck and hair: a face in profile (brow, nose, lips, chin), an eye under its brow,
    # an ear, and dark hair tied back in a bun
    skin = mix(PAL["paper"], PAL["ember"], 0.12)
    c.rectangle(-3, -79, 7, 9)
    src(c, shade(skin, 0.8))
    c.fill()
    c.move_to(-7, -90)
    c.curve_to(-7, -99, 6, -101, 8, -93)
    c.line_to(9, -90)
    c.line_to(11.5, -86.5)      # nose
    c.line_to(9.2, -85.6)
    c.line_to(9.6, -83.6)       # lips
    c.line_to(8.6, -83.0)
    c.line_to(9.2, -81.6)
    c.curve_to(8.4, -78.6, 5, -77, 1, -77.6)   # chin and jaw
    c.curve_to(-4, -78.4, -7, -82, -7, -90)
    c.close_path()
    c.set_source(lin(-7, 0, 11, 0, [(0, shade(skin, 0.72)), (0.6, skin), (1, shade(skin, 1.08))]))
    c.fill_preserve()
    src(c, alpha(PAL["ink"], 0.55))
    c.set_line_width(0.45)
    c.stroke()
    ellipse(c, 6.2, -84.3, 1.6, 0.9)
    src(c, alpha(PAL["ember"], 0.35))
    c.fill()
    # eye, lashes and brow
    ellipse(c, 5.6, -89.4, 1.2, 0.8)
    src(c, PAL["white"])
    c.fill()
    ellipse(c, 6.1, -89.3, 0.65, 0.75)
    src(c, PAL["ink"])
    c.fill()
    c.move_to(4.2, -90.3)
    c.curve_to(5.2, -91.0, 6.6, -90.9, 7.2, -90.1)
    c.move_to(3.8, -92.0)
    c.curve_to(5.2, -93.0, 7.0, -92.8, 8.0, -91.8)
    c.set_line_width(0.6)
    src(c, PAL["wood_dk"])
    c.stroke()
    c.move_to(8.8, -83.4)
    c.line_to(7.6, -83.2)
    c.set_line_width(0.4)
    src(c, alpha(PAL["cloth_red"], 0.8))
    c.stroke()
    # hair over the crown and down the back, the ear in front of it, the bun
    c.move_to(-7.5, -86)
    c.curve_to(-9.5, -99, 5, -103, 8.6, -93.5)
    c.curve_to(4, -96.5, -1, -95.5, -2.2, -89)
    c.curve_to(-3.4, -83, -7, -80, -10 - wind * 4, -77)
    c.curve_to(-8, -81, -7.5, -83, -7.5, -86)
    c.close_path()
    c.set_source(lin(-8, -100, 6, -86, [(0, shade(PAL["wood_dk"], 1.4)), (1, PAL["wood_dk"])]))
    c.fill()
    ellipse(c, -8.2, -91.5, 3.6, 3.4)
    src(c, PAL["wood_dk"])
    c.fill()
    ellipse(c, -0.6, -87.8, 1.5, 2.2)
    src(c, shade(skin, 0.85))
    c.fill()
    # scarf, blowing back
    c.move_to(-5, -74)
    c.curve_to(-14, -76 - wind * 2, -24 - wind * 10, -70 + r.rand() * 3, -30 - wind * 16, -66 - wind * 4)
    c.curve_to(-22 - wind * 10, -64, -12, -66, -4, -68)
    c.close_path()
    src(c, PAL["cloth_red"])
    c.fill()
    c.rectangle(-6, -75, 12, 6)
    src(c, shade(PAL["cloth_red"], 1.15))
    c.fill()
    # arm, with a letter or a lantern
    c.move_to(6, -66)
    if letter:
        c.curve_to(12, -58, 16, -52, 20, -54)
    else:
        c.curve_to(12, -55, 14, -45, 14, -36)
    c.set_line_width(6)
    src(c, shade(PAL["cloth_blue"], 0.7))
    c.stroke()
    if letter:
        c.save()
        c.translate(22, -58)
        c.rotate(-0.35)
        c.rectangle(-4, -9, 12, 15)
        src(c, PAL["white"])
        c.fill()
        # a few lines of handwriting
        src(c, alpha(PAL["ink"], 0.6))
        c.set_line_width(0.4)
        for ly in range(-6, 5, 3):
            c.move_to(-2, ly)
            for k in range(8):
                c.rel_curve_to(0.3, -0.8, 0.7, -0.8, 1.0, 0.15 * (k % 3 - 1))
        c.stroke()
        c.restore()
    if lantern is not None:
        lx, ly = 15, -30
        c.set_line_width(0.8)
        src(c, PAL["iron"])
        c.move_to(lx, ly - 6)
        c.line_to(lx, ly - 10)
        c.stroke()
        rrect(c, lx - 4, ly - 6, 8, 11, 1.5)
        c.set_source(rad(lx, ly, 0, 6, [(0, mix(PAL["candle"], PAL["amber"], 1 - lantern)), (1, PAL["amber_dk"])]))
        c.fill()
        c.rectangle(lx - 4.5, ly + 5, 9, 2)
        c.rectangle(lx - 4.5, ly - 7, 9, 2)
        src(c, PAL["brass_dk"])
        c.fill()
    c.restore()
    if lantern:
        glow(c, x + 15 * s * f, base - 30 * s, 70 * s, PAL["amber"], 0.45 * lantern)


def ferry(c, x, y, w, seed):
    """A small ferry boat with a cabin and a stack, lit windows."""
    c.save()
    c.move_to(x, y)
    c.line_to(x + w, y)
    c.line_to(x + w * 0.92, y + w * 0.12)
    c.line_to(x + w * 0.1, y + w * 0.12)
    c.close_path()
    c.set_source(lin(0, y, 0, y + w * 0.12, [(0, shade(PAL["cloth_red"], 0.6)), (1, PAL["night"])]))
    c.fill()
    c.rectangle(x + w * 0.3, y - w * 0.12, w * 0.42, w * 0.12)
    src(c, shade(PAL["fog"], 0.8))
    c.fill()
    for i in range(4):
        c.rectangle(x + w * (0.34 + i * 0.09), y - w * 0.09, w * 0.05, w * 0.04)
        src(c, PAL["amber_lt"])
        c.fill()
    c.rectangle(x + w * 0.55, y - w * 0.24, w * 0.06, w * 0.12)
    src(c, PAL["night"])
    c.fill()
    c.restore()


# ------------------------------------------------------------------- scenes

def ground_at(pts, x):
    """The height of an outline (points from left to right) at x."""
    for (x0, y0), (x1, y1) in zip(pts[:-1], pts[1:]):
        if x0 <= x <= x1:
            return y0 + (y1 - y0) * (x - x0) / max(1e-6, x1 - x0)
    return pts[0][1] if x < pts[0][0] else pts[-1][1]


def seascape(w, h, seed, lit=0.0, stormy=0.0, horizon=None, tower=(0.72, 0.86, 0.62), rain_n=0):
    """Sky, sea, the island's cliff with the cottage and the lighthouse (its x and base as
    fractions of the width and height, its height as a fraction of the height)."""
    horizon = horizon or int(h * 0.55)
    arr = scenery.dusk_sky(w, h, seed, horizon, stormy=stormy, glow_x=0.25)
    arr = scenery.sea(arr, horizon, seed + 1, glint_x=0.25, rough=0.2 + stormy, lit=1 - stormy * 0.7)
    s, c = new(w, h)
    tx, tb, th = w * tower[0], h * tower[1], h * tower[2]
    pts = scenery.jag([(w * 0.45, h), (w * 0.5, horizon + h * 0.12), (w * 0.6, horizon + h * 0.02),
                       (w * 0.8, horizon - h * 0.02), (w * 0.95, horizon + h * 0.03), (w * 1.02, horizon + h * 0.06)],
                      seed + 2, amp=5)
    scenery.cliff(c, pts, seed + 3, shade(PAL["stone_dk"], 0.9), PAL["night"], h,
                  rim=alpha(PAL["mist_lt"], 0.5))
    # the cottage stands on the cliff top beside the tower: on its right where the island has
    # room, else on its left, its foot set into the lowest ground it spans, so no corner hangs in the air
    cw, ch = w * 0.11, h * 0.09
    gap = th * 0.16 + w * 0.015
    cx = tx + gap if tx + gap + cw <= w * 0.97 else tx - gap - cw
    base = max(ground_at(pts, cx + k * cw / 4) for k in range(5)) + 2
    scenery.cottage(c, cx, base, cw, ch, seed + 4, lit=False)
    lamp = scenery.lighthouse(c, tx, tb, th, lit=lit, seed=seed + 5)
    arr = over(to_np(s), arr)
    if lit > 0:
        for ang, ln in ((3.3, w * 0.9), (-0.15, w * 0.5)):
            arr = scenery.beam(arr, lamp[0], lamp[1], ang, ln, 0.05, PAL["amber_lt"], 0.45 * lit)
    if rain_n:
        arr = scenery.rain(arr, seed + 6, n=rain_n, a=0.2)
    return arr, lamp


def panel_ferry(seed, w=620, h=502):
    arr, _ = seascape(w, h, seed, lit=0.0, stormy=0.25, horizon=int(h * 0.62), tower=(0.78, 0.64, 0.45))
    s, c = new(w, h)
    ferry(c, 70, int(h * 0.75), 150, seed)
    scenery.gulls(c, [(360, 90, 1.4), (410, 70, 1.0), (300, 120, 0.8)], alpha(PAL["fog"], 0.85))
    arr = over(to_np(s), arr)
    arr = vignette(arr, 0.45)
    return frame(ink_outline(arr, 0.25), seed)


def panel_letter(seed, w=304, h=502):
    sky = scenery.gradient_arr(w, h, [(0, PAL["deep"]), (0.6, mix(PAL["teal_lt"], PAL["amber"], 0.3)),
                                      (1, PAL["teal"])])
    s, c = new(w, h)
    # the ferry's rail, and Nell close, reading the letter
    c.rectangle(0, h - 100, w, 100)
    src(c, shade(PAL["wood"], 0.8))
    c.fill()
    src(c, PAL["iron"])
    c.set_line_width(4)
    c.move_to(0, h - 100)
    c.line_to(w, h - 100)
    c.stroke()
    c.set_line_width(2)
    for i in range(7):
        c.move_to(20 + i * 45, h - 100)
        c.line_to(20 + i * 45, h - 150)
    c.move_to(0, h - 150)
    c.line_to(w, h - 150)
    c.stroke()
    nell(c, 110, h + 150, 520, seed, letter=True, wind=0.6)
    arr = over(to_np(s), sky)
    arr = vignette(arr, 0.5)
    return frame(ink_outline(arr, 0.3), seed)


def pages(c, x, y, seed, n=9, spread=160, scale=1.0, tied=False):
    """Loose journal pages scattered (or stacked and tied with string)."""
    r = rng(seed)
    for i in range(n):
        c.save()
        if tied:
            c.translate(x + r.rand() * 4, y - i * 1.6)
            c.rotate((r.rand() - 0.5) * 0.06)
        else:
            c.translate(x + (r.rand() - 0.5) * spread * 2, y + (r.rand() - 0.5) * spread * 0.6)
            c.rotate((r.rand() - 0.5) * 1.6)
        pw, ph = 46 * scale, 60 * scale
        c.rectangle(-pw / 2, -ph / 2, pw, ph)
        src(c, mix(PAL["paper"], PAL["paper_dk"], r.rand() * 0.5))
        c.fill_preserve()
        src(c, alpha(PAL["ink"], 0.35))
        c.set_line_width(0.6)
        c.stroke()
        src(c, alpha(PAL["ink"], 0.45))
        for ly in range(int(-ph / 2 + 8), int(ph / 2 - 6), int(6 * scale) or 1):
            c.move_to(-pw / 2 + 5, ly)
            c.line_to(pw / 2 - 5 - r.rand() * 10, ly)
        c.stroke()
        c.restore()
    if tied:
        src(c, PAL["rope"])
        c.set_line_width(2 * scale)
        c.move_to(x - 30 * scale, y - n * 0.8)
        c.line_to(x + 30 * scale, y - n * 0.8)
        c.move_to(x, y - n * 1.6 - 30 * scale)
        c.line_to(x, y + 30 * scale)
        c.stroke()


def panel_cottage(assets, seed, w=944, h=300):
    arr = crop_cover(load(assets, "locations/loc11/bg.jpg"), w, h, 0.5, 0.45, 1.15)
    arr = night(arr, 0.35)
    s, c = new(w, h)
    pages(c, w * 0.5, h * 0.78, seed, n=14, spread=300, scale=0.9)
    # the door stands open: cold light across the floor
    c.move_to(0, h * 0.45)
    c.line_to(w * 0.35, h)
    c.line_to(0, h)
    c.close_path()
    c.set_source(lin(0, 0, w * 0.35, 0, [(0, alpha(PAL["mist_lt"], 0.35)), (1, alpha(PAL["mist_lt"], 0))]))
    c.fill()
    arr = over(to_np(s), arr)
    arr = vignette(arr, 0.5)
    return frame(ink_outline(arr, 0.25), seed)


def panel_torn_page(seed, w=460, h=238):
    arr = scenery.gradient_arr(w, h, [(0, shade(PAL["wood"], 0.7)), (1, shade(PAL["wood_dk"], 0.8))])
    s, c = new(w, h)
    kit.wood(c, 0, 0, w, h, seed, tone="dark", planks=4)
    arr = to_np(s)
    s, c = new(w, h)
    c.save()
    c.translate(w / 2, h / 2)
    c.rotate(-0.06)
    pts = [(-170, -80), (170, -84), (166, 76)]
    r = rng(seed)
    edge = [(166 - i * 17, 76 + (r.rand() - 0.5) * 14) for i in range(21)]
    c.move_to(*pts[0])
    for p in pts[1:] + edge:
        c.line_to(*p)
    c.close_path()
    src(c, PAL["paper"])
    c.fill_preserve()
    src(c, alpha(PAL["ink"], 0.3))
    c.set_line_width(1)
    c.stroke()
    src(c, alpha(PAL["seaglass_bl"], 0.35))
    for ly in range(-58, 70, 24):
        c.move_to(-160, ly)
        c.line_to(160, ly)
    c.stroke()
    kit.text(c, "Find every page, Nell.", -150, -30, 28, PAL["ink"], italic=True)
    kit.text(c, "Then light the lamp.", -120, 16, 28, PAL["ink"], italic=True)
    kit.text(c, "\u2014 E.A.", 70, 56, 22, PAL["ink"], italic=True)
    c.restore()
    arr = over(to_np(s), arr)
    arr = vignette(arr, 0.4)
    return frame(arr, seed)


def panel_storm_tower(seed, w=620, h=502):
    arr, _ = seascape(w, h, seed, lit=0.0, stormy=0.85, horizon=300, tower=(0.7, 0.73, 0.55), rain_n=1500)
    arr = vignette(arr, 0.55)
    return frame(ink_outline(arr, 0.25), seed)


def panel_door(seed, w=304, h=502):
    arr = scenery.gradient_arr(w, h, [(0, PAL["abyss"]), (1, PAL["deep"])])
    s, c = new(w, h)
    # the cottage wall and its open door, warm inside
    c.rectangle(0, 0, w, h)
    src(c, shade(PAL["stone_dk"], 0.8))
    c.fill()
    r = rng(seed)
    for i in range(60):
        x, y = r.rand() * w, r.rand() * h
        src(c, alpha(PAL["stone_lt"], 0.08 + r.rand() * 0.08))
        kit.blob(c, x, y, 14 + r.rand() * 18, 8 + r.rand() * 10, int(r.randint(1 << 30)), 8, 0.25)
        c.fill()
    c.rectangle(60, h - 350, 170, 330)
    c.set_source(rad(145, h - 170, 10, 220, [(0, PAL["amber_lt"]), (0.6, PAL["amber_dk"]), (1, shade(PAL["wood_dk"], 0.8))]))
    c.fill()
    c.rectangle(60, h - 20, w, 20)
    src(c, PAL["night"])
    c.fill()
    arr = over(to_np(s), arr)
    s, c = new(w, h)
    nell(c, 150, h - 15, 260, seed, lantern=1.0, facing=-1)
    arr = over(to_np(s), arr)
    arr = scenery.rain(arr, seed + 1, n=500, a=0.12)
    arr = vignette(arr, 0.45)
    return frame(ink_outline(arr, 0.25), seed)


def panel_gathered(assets, seed, w=620, h=502):
    arr = crop_cover(load(assets, "locations/loc12/bg.jpg"), w, h, 0.55, 0.5, 1.3)
    arr = night(arr, 0.45)
    s, c = new(w, h)
    pages(c, w * 0.45, h * 0.72, seed, n=16, scale=1.4, tied=True)
    glow(c, w * 0.78, h * 0.55, 160, PAL["amber"], 0.35)
    arr = over(to_np(s), arr)
    arr = vignette(arr, 0.5)
    return frame(ink_outline(arr, 0.2), seed)


def key_picture(c, x, y, size, seed, tag=True):
    """A brass key with a paper tag."""
    c.save()
    c.translate(x, y)
    c.rotate(-0.5)
    s = size / 100.0
    c.scale(s, s)
    kit.brass_ring(c, -40, 0, 22, 11)
    c.rectangle(-20, -5, 80, 10)
    c.set_source(kit.brass_linear(0, -5, 0, 5))
    c.fill()
    for bx, bh in ((38, 18), (50, 12)):
        c.rectangle(bx, 5, 8, bh)
        c.set_source(kit.brass_linear(bx, 0, bx + 8, 0))
        c.fill()
    if tag:
        src(c, PAL["rope"])
        c.set_line_width(1.5)
        c.move_to(-52, 10)
        c.curve_to(-60, 40, -40, 60, -30, 70)
        c.stroke()
        c.save()
        c.translate(-30, 90)
        c.rotate(0.5)
        rrect(c, -32, -20, 64, 40, 4)
        src(c, PAL["paper"])
        c.fill()
        kit.text(c, "LAMP", 0, -2, 14, PAL["ink"], bold=True, anchor="center")
        kit.text(c, "ROOM", 0, 14, 14, PAL["ink"], bold=True, anchor="center")
        c.restore()
    c.restore()


def panel_key(seed, w=304, h=502):
    arr = scenery.gradient_arr(w, h, [(0, shade(PAL["wood"], 0.5)), (1, shade(PAL["wood_dk"], 0.7))])
    s, c = new(w, h)
    kit.wood(c, 0, 0, w, h, seed, tone="dark", planks=3, vertical=True)
    arr = to_np(s)
    s, c = new(w, h)
    glow(c, w * 0.5, h * 0.45, 180, PAL["amber"], 0.3)
    key_picture(c, 150, 170, 160, seed)
    arr = over(to_np(s), arr)
    arr = vignette(arr, 0.5)
    return frame(arr, seed)


def panel_cliff_path(seed, w=944, h=530):
    arr, _ = seascape(w, h, seed, lit=0.0, stormy=0.6, horizon=260, tower=(0.8, 0.64, 0.5), rain_n=1600)
    s, c = new(w, h)
    # the slope in front, the path climbing it to the tower, and Nell close in front setting
    # out along it, her lantern lighting her coat and the wet grass
    slope = scenery.jag([(-10, h * 0.8), (w * 0.25, h * 0.74), (w * 0.5, h * 0.67), (w * 0.75, h * 0.63),
                         (w + 10, h * 0.62)], seed + 7, amp=4)
    scenery.cliff(c, slope, seed + 8, shade(PAL["leaf"], 0.7), shade(PAL["leaf"], 0.3), h,
                  rim=alpha(PAL["mist_lt"], 0.5))
    c.move_to(w * 0.1, h * 1.02)
    c.curve_to(w * 0.35, h * 0.9, w * 0.5, h * 0.8, w * 0.7, h * 0.66)
    c.set_line_width(30)
    src(c, alpha(PAL["drift"], 0.55))
    c.stroke()
    glow(c, w * 0.25, h * 0.72, 230, PAL["amber"], 0.45)
    nell(c, w * 0.22, h * 1.0, 330, seed, lantern=1.0, wind=1.0)
    arr = over(to_np(s), arr)
    arr = vignette(arr, 0.3)
    return frame(ink_outline(arr, 0.25), seed)


def page_background(seed):
    arr = scenery.gradient_arr(kit.W, kit.H, [(0, shade(PAL["deep"], 0.7)), (1, PAL["abyss"])])
    arr = kit.texture(arr, seed, cell=60, amount=0.08)
    arr = grain(arr, seed + 1, 0.03)
    return vignette(arr, 0.6)


def flame_frames(n=8):
    """A small brass lantern whose flame flickers: n frames of 48 x 64."""
    out = []
    for i in range(n):
        ph = 2 * math.pi * i / n
        s, c = new(48, 64)
        glow(c, 24, 34, 26 + 4 * math.sin(ph), PAL["amber"], 0.5 + 0.15 * math.sin(ph * 2))
        c.move_to(24, 2)
        c.line_to(24, 10)
        src(c, PAL["brass_dk"])
        c.set_line_width(2)
        c.stroke()
        c.arc(24, 6, 4, math.pi, 2 * math.pi)
        c.stroke()
        rrect(c, 12, 12, 24, 40, 4)
        src(c, alpha(PAL["amber_dk"], 0.35))
        c.fill()
        # the flame
        fh = 16 + 3 * math.sin(ph) + 2 * math.sin(ph * 3)
        sway = 2.0 * math.sin(ph * 2)
        c.move_to(24, 46)
        c.curve_to(16, 42, 19 + sway, 36 - fh * 0.3, 24 + sway, 44 - fh)
        c.curve_to(29 + sway, 36 - fh * 0.3, 32, 42, 24, 46)
        c.set_source(rad(24, 42, 1, fh, [(0, PAL["candle"]), (0.5, PAL["amber_lt"]), (1, PAL["amber"])]))
        c.fill()
        src(c, PAL["brass"])
        c.set_line_width(2.2)
        rrect(c, 12, 12, 24, 40, 4)
        c.stroke()
        for x in (12, 24, 36):
            c.move_to(x, 12)
            c.line_to(x, 52)
        c.set_line_width(1.2)
        c.stroke()
        c.rectangle(9, 50, 30, 6)
        c.rectangle(11, 9, 26, 4)
        c.set_source(kit.brass_linear(9, 0, 39, 0))
        c.fill()
        out.append(to_np(s))
    return out


def splash_still(assets, seed):
    arr, lamp = seascape(kit.W, kit.H, seed, lit=1.0, stormy=0.15, horizon=470, tower=(0.72, 0.62, 0.42))
    arr = night(arr, 0.3)
    s, c = new(kit.W, kit.H)
    glow(c, lamp[0], lamp[1], 180, PAL["amber_lt"], 0.55)
    arr = over(to_np(s), arr)
    logo = load(assets, "backgrounds/logo.png")
    lh, lw = logo.shape[:2]
    canvas = np.zeros_like(arr)
    x0, y0 = 60, 40
    canvas[y0:y0 + lh, x0:x0 + lw] = logo
    arr = over(canvas, arr)
    s, c = new(kit.W, kit.H)
    # a band for the texts and the skip button at the bottom
    c.rectangle(0, 640, kit.W, 128)
    c.set_source(lin(0, 600, 0, 768, [(0, alpha(PAL["night"], 0)), (0.4, alpha(PAL["night"], 0.7)),
                                       (1, alpha(PAL["night"], 0.9))]))
    c.fill()
    arr = over(to_np(s), arr)
    return vignette(arr, 0.45)


def info_pictures(assets, seed):
    out = {}
    hint = load(assets, "ui/round_hint_big_normal.png")
    out["infos/hint.png"] = hint
    lamp = crop_cover(load(assets, "locations/loc22/bg.jpg"), 200, 150, 0.5, 0.4, 1.6)
    out["infos/lamp.png"] = frame(lamp, seed)
    s, c = new(200, 150)
    key_picture(c, 110, 45, 80, seed + 1)
    out["infos/key.png"] = to_np(s)
    return out


# The pages' fragments: each picture covers its part of the page, the panel at its top-left
# and a parchment box for the caption (the comic files put the caption's text there).
# name: (x, y, w, h of the fragment on the page, panel, the caption box inside the fragment)
def layout(assets):
    two = lambda a, b: {a[0]: ((40, 28, 620, 640), a[1], (0, 516, 620, 124)),
                        b[0]: ((680, 28, 304, 640), b[1], (0, 516, 304, 124))}
    pages = {}
    pages.update(two(("comics/c1_p1_a.jpg", panel_ferry(901)), ("comics/c1_p1_b.jpg", panel_letter(902))))
    pages["comics/c1_p2_a.jpg"] = ((40, 28, 944, 388), panel_cottage(assets, 903), (0, 312, 944, 76))
    pages["comics/c1_p2_b.jpg"] = ((40, 430, 944, 238), panel_torn_page(904), (476, 0, 468, 238))
    pages.update(two(("comics/c1_p3_a.jpg", panel_storm_tower(905)), ("comics/c1_p3_b.jpg", panel_door(906))))
    pages.update(two(("comics/c2_p1_a.jpg", panel_gathered(assets, 911)), ("comics/c2_p1_b.jpg", panel_key(912))))
    pages["comics/c2_p2_a.jpg"] = ((40, 28, 944, 640), panel_cliff_path(913), (0, 544, 944, 96))
    return pages


def caption_box(w, h, seed):
    """A parchment slip for a caption, ruled off with a thin ink line."""
    s, c = new(w, h)
    rrect(c, 0, 0, w, h, 6)
    c.set_source(lin(0, 0, 0, h, [(0, PAL["paper"]), (1, shade(PAL["paper"], 0.92))]))
    c.fill()
    arr = to_np(s)
    kit.paper(arr, seed, burn=0.25, blotch=0.08)
    s, c = new(w, h)
    rrect(c, 6.5, 6.5, w - 13, h - 13, 4)
    src(c, alpha(PAL["ink"], 0.5))
    c.set_line_width(1.2)
    c.stroke()
    return over(to_np(s), arr)


def fragment(page, place, panel, box, seed):
    x, y, w, h = place
    out = page[y:y + h, x:x + w].copy()
    ph, pw = panel.shape[:2]
    out[:ph, :pw] = over(panel, out[:ph, :pw])
    bx, by, bw, bh = box
    slip = kit.drop_shadow(caption_box(bw, bh, seed), 2, 3, 4, 0.5)
    out[by:by + bh, bx:bx + bw] = over(slip, out[by:by + bh, bx:bx + bw])
    return out


def write_all(assets):
    page = page_background(900)
    save_jpg(page, assets, "comics/bg.jpg")
    for i, (name, (place, panel, box)) in enumerate(sorted(layout(assets).items())):
        save_jpg(fragment(page, place, panel, box, 940 + i), assets, name)
    frames = flame_frames()
    lines = ['<anm loop="1" ms="110">']
    for i, arr in enumerate(frames):
        save_png(arr, assets, "comics/flame_%02d.png" % (i + 1))
        lines.append('  <frame image="comics/flame_%02d"/>' % (i + 1))
    lines.append("</anm>")
    with open(os.path.join(assets, "comics/flame.xml"), "w") as f:
        f.write("\n".join(lines) + "\n")
    save_jpg(splash_still(assets, 920), assets, "splash/still.jpg")
    for name, arr in info_pictures(assets, 930).items():
        save_png(arr, assets, name)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--assets", default=os.path.join(ROOT, "assets"))
    args = parser.parse_args()
    write_all(args.assets)


if __name__ == "__main__":
    main()
