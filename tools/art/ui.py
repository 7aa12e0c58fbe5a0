"""The UI kit: buttons, round icon buttons, panels, slider, check box, cursors, play panel."""
import math

import numpy as np

import icons
from kit import (PAL, alpha, blur, brass_linear, brass_radial, brass_ring, ctx_for, drop_shadow, ellipse,
                 from_np, glow, lin, mix, new, over, paper, rad, rivet, rrect, save_png, shade, src, texture,
                 grain, to_np, wood, text, SERIF)

STATES = ("normal", "rollover", "pressed", "disabled")


def desaturate(arr, amount=0.8, dim=0.75):
    lum = (arr[..., 0] * 0.3 + arr[..., 1] * 0.55 + arr[..., 2] * 0.15)[..., None]
    arr[..., :3] = (arr[..., :3] * (1 - amount) + lum * amount) * dim
    return arr


# ------------------------------------------------------------ menu buttons

def menu_button(w, h, state, seed):
    m = 8  # margin for glow and shadow
    s, c = new(w, h)
    x, y, bw, bh = m, m, w - 2 * m, h - 2 * m
    r = bh * 0.42
    press = state == "pressed"
    # outer brass frame
    rrect(c, x, y, bw, bh, r)
    c.set_source(brass_linear(0, y, 0, y + bh, 0.25 if press else 0.0))
    c.fill()
    # inner wood field
    inset = 4
    ix, iy, iw, ih = x + inset, y + inset, bw - 2 * inset, bh - 2 * inset
    wood(c, ix, iy, iw, ih, seed, tone="mid", clip_path=lambda cc: rrect(cc, ix, iy, iw, ih, r - inset))
    # teal wash so the wood reads cool in shadow
    rrect(c, ix, iy, iw, ih, r - inset)
    if state == "rollover":
        c.set_source(rad(w / 2, h / 2, 0, iw * 0.6, [(0, alpha(PAL["amber"], 0.55)), (0.6, alpha(PAL["amber_dk"], 0.22)), (1, alpha(PAL["teal"], 0.2))]))
    else:
        c.set_source(lin(0, iy, 0, iy + ih, [(0, alpha(PAL["teal"], 0.18)), (1, alpha(PAL["night"], 0.3 if not press else 0.6))]))
    c.fill()
    # inner bevel: shadow on top when pressed, light on top otherwise
    c.set_line_width(2)
    rrect(c, ix + 1, iy + 1, iw - 2, ih - 2, r - inset - 1)
    c.set_source(lin(0, iy, 0, iy + ih, [(0, alpha(PAL["night"] if press else PAL["amber_lt"], 0.5 if press else 0.22)), (0.5, (0, 0, 0, 0)), (1, alpha(PAL["night"], 0.0 if press else 0.4))]))
    c.stroke()
    # end ornaments: brass studs with a sea-glass bead
    for ex in (x + bh * 0.5, x + bw - bh * 0.5):
        cy = y + bh / 2
        rr = bh * 0.16
        c.arc(ex, cy, rr + 2, 0, 2 * math.pi)
        c.set_source(brass_radial(ex, cy, rr + 2, 0.2 if press else 0))
        c.fill()
        c.arc(ex, cy, rr - 1, 0, 2 * math.pi)
        bead = PAL["amber_lt"] if state == "rollover" else PAL["seaglass"]
        c.set_source(rad(ex - rr * 0.3, cy - rr * 0.3, 0, rr, [(0, shade(bead, 1.4)), (0.6, bead), (1, shade(bead, 0.4))]))
        c.fill()
    arr = to_np(s)
    texture(arr, seed + 5, cell=18, amount=0.08)
    grain(arr, seed + 9, 0.02)
    if state == "rollover":
        # warm outer halo
        halo = np.zeros_like(arr)
        halo[..., 3] = arr[..., 3]
        halo = blur(halo, 5)
        col = np.array(PAL["amber"][:3], np.float32)
        halo[..., :3] = col * halo[..., 3:4]
        halo *= 0.7
        arr = over(arr, halo)
    else:
        arr = drop_shadow(arr, 0, 2 if press else 3, 3, 0.55)
    if state == "disabled":
        desaturate(arr)
    return arr


# --------------------------------------------------------- round buttons

def round_button(size, glyph, state, seed):
    s, c = new(size, size)
    cx = cy = size / 2
    ro = size / 2 - 3
    press = state == "pressed"
    # shadow
    glow(c, cx + 1, cy + 3, ro + 2, PAL["night"], 0.6)
    # face: deep teal sea glass
    c.arc(cx, cy, ro - 4, 0, 2 * math.pi)
    face = PAL["teal"] if state != "rollover" else mix(PAL["teal"], PAL["amber_dk"], 0.45)
    c.set_source(rad(cx, cy - ro * 0.1, 0, ro, [(0, shade(face, 1.25)), (0.7, face), (1, shade(face, 0.35 if not press else 0.2))], fx=cx - ro * 0.2, fy=cy - ro * 0.35))
    c.fill()
    brass_ring(c, cx, cy, ro, ro - 5, 0.25 if press else 0.0)
    # glyph
    gcol = {"normal": PAL["paper"], "rollover": PAL["amber_lt"], "pressed": shade(PAL["paper"], 0.8), "disabled": PAL["mist"]}[state]
    gs, gc = new(size, size)
    k = (ro - 6) * 2 / 100.0 * 0.92
    gc.translate(cx - 50 * k, cy - 50 * k + (1 if press else 0))
    gc.scale(k, k)
    icons.GLYPHS[glyph](gc, gcol)
    ga = to_np(gs)
    # carved look: dark offset under the glyph, a glow on rollover
    sh = np.zeros_like(ga)
    sh[1:, 1:, 3] = ga[:-1, :-1, 3] * 0.7
    sh = blur(sh, 1.0)
    arr = to_np(s)
    arr = over(sh, arr)
    if state == "rollover":
        gl = np.zeros_like(ga)
        gl[..., 3] = ga[..., 3]
        gl = blur(gl, 3)
        gl[..., :3] = np.array(PAL["amber"][:3], np.float32) * gl[..., 3:4]
        arr = over(gl * 0.9, arr)
    arr = over(ga, arr)
    # glass sheen on the face
    ss, sc = new(size, size)
    ellipse(sc, cx - ro * 0.12, cy - ro * 0.42, ro * 0.62, ro * 0.32)
    sc.set_source(lin(0, cy - ro * 0.75, 0, cy - ro * 0.1, [(0, (1, 1, 1, 0.32)), (1, (1, 1, 1, 0))]))
    sc.fill()
    arr = over(to_np(ss), arr)
    grain(arr, seed, 0.015)
    if state == "disabled":
        desaturate(arr, 0.85, 0.7)
    return arr


# ------------------------------------------------------------------ panels

def dialog_panel(w, h, seed):
    """Dark wood board with a brass frame and corner plates; edges stretch cleanly."""
    s, c = new(w, h)
    m = 6
    rrect(c, m, m, w - 2 * m, h - 2 * m, 18)
    c.set_source(brass_linear(0, 0, 0, 26))
    c.fill()
    wood(c, m + 6, m + 6, w - 2 * m - 12, h - 2 * m - 12, seed, tone="mid", planks=0, vertical=True,
         clip_path=lambda cc: rrect(cc, m + 6, m + 6, w - 2 * m - 12, h - 2 * m - 12, 13))
    rrect(c, m + 6, m + 6, w - 2 * m - 12, h - 2 * m - 12, 13)
    c.set_source(lin(0, 0, 0, h, [(0, alpha(PAL["teal"], 0.4)), (1, alpha(PAL["abyss"], 0.6))]))
    c.fill()
    # inner shadow
    c.set_line_width(6)
    rrect(c, m + 9, m + 9, w - 2 * m - 18, h - 2 * m - 18, 11)
    src(c, alpha(PAL["night"], 0.35))
    c.stroke()
    # fine inner brass line
    c.set_line_width(1.5)
    rrect(c, m + 16, m + 16, w - 2 * m - 32, h - 2 * m - 32, 8)
    src(c, alpha(PAL["brass_lt"], 0.45))
    c.stroke()
    for (x, y) in ((m + 14, m + 14), (w - m - 14, m + 14), (m + 14, h - m - 14), (w - m - 14, h - m - 14)):
        rivet(c, x, y, 4.5)
    arr = to_np(s)
    grain(arr, seed, 0.02)
    return drop_shadow(arr, 0, 4, 4, 0.6)


def parchment_panel(w, h, seed):
    s, c = new(w, h)
    m = 10
    # slightly ragged edge
    from kit import rng
    r = rng(seed)
    pts = []
    step = 12
    for x in np.arange(m, w - m, step):
        pts.append((x, m + r.rand() * 3))
    for y in np.arange(m, h - m, step):
        pts.append((w - m - r.rand() * 3, y))
    for x in np.arange(w - m, m, -step):
        pts.append((x, h - m - r.rand() * 3))
    for y in np.arange(h - m, m, -step):
        pts.append((m + r.rand() * 3, y))
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.close_path()
    c.set_source(lin(0, 0, w, h, [(0, PAL["paper"]), (1, shade(PAL["paper"], 0.92))]))
    c.fill()
    arr = to_np(s)
    paper(arr, seed, burn=0.5, blotch=0.12)
    grain(arr, seed + 3, 0.02)
    return drop_shadow(arr, 2, 4, 5, 0.5)


# ---------------------------------------------------------- slider, checks

def slider_rail(w, h, seed):
    s, c = new(w, h)
    cy = h / 2
    rrect(c, 2, cy - 7, w - 4, 14, 7)
    c.set_source(brass_linear(0, cy - 7, 0, cy + 7))
    c.fill()
    rrect(c, 5, cy - 4, w - 10, 8, 4)
    c.set_source(lin(0, cy - 4, 0, cy + 4, [(0, PAL["night"]), (1, PAL["teal"])]))
    c.fill()
    arr = to_np(s)
    return drop_shadow(arr, 0, 2, 2, 0.5)


def slider_thumb(size, state):
    s, c = new(size, size)
    cx = cy = size / 2
    r = size / 2 - 4
    glow(c, cx + 1, cy + 2, r + 3, PAL["night"], 0.6)
    c.arc(cx, cy, r, 0, 2 * math.pi)
    c.set_source(brass_radial(cx, cy, r, 0.0))
    c.fill()
    c.arc(cx, cy, r * 0.5, 0, 2 * math.pi)
    bead = PAL["amber_lt"] if state == "rollover" else PAL["seaglass"]
    c.set_source(rad(cx - 2, cy - 2, 0, r * 0.5, [(0, shade(bead, 1.4)), (1, shade(bead, 0.45))]))
    c.fill()
    if state == "rollover":
        glow(c, cx, cy, r + 4, PAL["amber"], 0.35)
    return to_np(s)


def checkbox(size, on, roll, disabled=False):
    s, c = new(size, size)
    m = 5
    rrect(c, m, m, size - 2 * m, size - 2 * m, 6)
    c.set_source(brass_linear(0, m, 0, size - m))
    c.fill()
    rrect(c, m + 4, m + 4, size - 2 * m - 8, size - 2 * m - 8, 3)
    c.set_source(lin(0, m, 0, size - m, [(0, PAL["night"]), (1, PAL["teal"] if not roll else PAL["amber_dk"])]))
    c.fill()
    arr = to_np(s)
    if on:
        gs, gc = new(size, size)
        k = (size - 8) / 100.0
        gc.translate(4, 2)
        gc.scale(k, k)
        icons.check(gc, PAL["amber_lt"] if roll else PAL["paper"])
        ga = to_np(gs)
        arr = over(ga, arr)
    arr = drop_shadow(arr, 0, 2, 2, 0.5)
    if disabled:
        desaturate(arr, 0.85, 0.7)
    return arr


# ----------------------------------------------------------------- cursors

def pointer_cursor():
    """32 x 32 arrow; tip at (1, 1)."""
    s, c = new(32, 32)
    pts = [(1, 1), (1, 23), (7, 18), (11, 27), (15, 25), (11, 16.5), (19, 16.5)]
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.close_path()
    c.set_source(lin(1, 1, 16, 24, [(0, PAL["brass_hi"]), (0.45, PAL["brass_lt"]), (1, PAL["brass"])]))
    c.fill_preserve()
    c.set_line_width(1.4)
    src(c, PAL["night"])
    c.set_line_join(0)
    c.stroke()
    c.move_to(3, 5)
    c.line_to(3, 17)
    c.set_line_width(1)
    src(c, alpha(PAL["white"], 0.7))
    c.stroke()
    arr = to_np(s)
    return drop_shadow(arr, 2, 2, 1.2, 0.45)


def hand_cursor():
    """32 x 32 pointing hand; the index fingertip at (1, 1)."""
    s, c = new(32, 32)
    skin = PAL["paper"]
    c.translate(2.2, 1.6)
    c.rotate(math.radians(-22))
    c.scale(0.92, 0.92)
    parts = [
        (-4.5, 10.5, 17, 14, 4.5),   # palm
        (-9.5, 13.5, 8, 5.5, 2.7),   # thumb
        (10.0, 11.2, 4.6, 7.5, 2.2),  # curled fingers, little to middle
        (6.0, 10.2, 4.8, 7.5, 2.2),
        (2.0, 9.4, 4.8, 7.5, 2.2),
        (-2.8, 0.0, 5.8, 16, 2.9),   # the index finger
    ]
    for (x, y, w, h, r) in parts:
        rrect(c, x, y, w, h, r)
        c.set_source(lin(x, y, x + w, y + h, [(0, shade(skin, 1.08)), (1, shade(skin, 0.8))]))
        c.fill_preserve()
        c.set_line_width(1.15)
        src(c, PAL["ink"])
        c.stroke()
    rrect(c, -5, 23.5, 18, 5, 1.5)
    c.set_source(brass_linear(0, 23.5, 0, 28.5))
    c.fill_preserve()
    c.set_line_width(1.1)
    src(c, PAL["night"])
    c.stroke()
    arr = to_np(s)
    return drop_shadow(arr, 2, 2, 1.2, 0.45)


def tool_cursor(name):
    s, c = new(48, 48)
    icons.TOOLS[name](c, 1.0)
    arr = to_np(s)
    return drop_shadow(arr, 2, 3, 1.5, 0.45)


def tool_icon(name, size=48):
    """Tool picture for a tool slot, centred."""
    s, c = new(size, size)
    k = size / 48.0 * 0.9
    c.translate(size * 0.05, size * 0.05)
    c.scale(k, k)
    icons.TOOLS[name](c, 1.0)
    arr = to_np(s)
    return drop_shadow(arr, 1, 2, 1.5, 0.5)


def magnifier_cursor():
    s, c = new(48, 48)
    icons.magnifier(c, 1.0)
    return drop_shadow(to_np(s), 2, 3, 1.5, 0.45)


def empty_cursor(black=False):
    arr = np.zeros((16, 16, 4), np.float32)
    return arr


# ------------------------------------------------------- highlight row

def profile_active(w, h):
    s, c = new(w, h)
    # a dark sea-teal band, so that the chosen name reads in light letters on the parchment
    rrect(c, 2, 2, w - 4, h - 4, h / 2 - 2)
    c.set_source(lin(0, 0, 0, h, [(0, alpha(shade(PAL["teal"], 0.9), 0.95)), (1, alpha(PAL["deep"], 0.95))]))
    c.fill()
    c.set_line_width(1.2)
    c.move_to(20, 2.5)
    c.line_to(w - 20, 2.5)
    c.move_to(20, h - 2.5)
    c.line_to(w - 20, h - 2.5)
    c.set_source(lin(0, 0, w, 0, [(0, alpha(PAL["brass_lt"], 0)), (0.5, alpha(PAL["brass_hi"], 0.9)), (1, alpha(PAL["brass_lt"], 0))]))
    c.stroke()
    return to_np(s)


# ------------------------------------------------------------ name field

def text_field(w, h, seed):
    """The field a player types a name into: a slot of pale paper sunk into a thin brass rim,
    shaded at its top edge, on the boards' parchment."""
    s, c = new(w, h)
    r = 9
    rrect(c, 1, 1, w - 2, h - 2, r)
    c.set_source(brass_linear(0, 1, 0, h - 1, 0.15))
    c.fill()
    rrect(c, 4, 4, w - 8, h - 8, r - 3)
    c.set_source(lin(0, 4, 0, h - 4, [(0, shade(PAL["paper"], 0.86)), (0.3, shade(PAL["paper"], 1.02)),
                                      (1, shade(PAL["paper"], 1.06))]))
    c.fill()
    arr = to_np(s)
    paper(arr, seed, burn=0.0, blotch=0.06)
    s = from_np(arr)
    c = ctx_for(s)
    # the sunk edge: a soft shadow along the top and the left, a light line along the bottom
    rrect(c, 5, 5, w - 10, h - 10, r - 4)
    c.set_line_width(2)
    c.set_source(lin(0, 4, 0, h - 4, [(0, alpha(PAL["wood_dk"], 0.45)), (0.45, alpha(PAL["wood_dk"], 0.0)),
                                      (1, alpha(PAL["white"], 0.35))]))
    c.stroke()
    return to_np(s)


# ---------------------------------------------------------- the play panel

PANEL_LAYOUT = {
    # panel-local rectangles (x, y, w, h); the panel is drawn at screen y = 640
    "menu": (18, 34, 64, 64),
    "journal": (96, 34, 64, 64),
    "list": (180, 20, 676, 100),
    "hint": (874, 18, 104, 104),
}


def play_panel(seed):
    w, h = 1024, 128
    s, c = new(w, h)
    top = 10
    # body of weathered planks
    wood(c, 0, top, w, h - top, seed, tone="mid", planks=3)
    c.rectangle(0, top, w, h - top)
    c.set_source(lin(0, top, 0, h, [(0, alpha(PAL["teal"], 0.35)), (1, alpha(PAL["night"], 0.65))]))
    c.fill()
    # brass rail across the top, a gentle arch over the list
    c.move_to(0, top + 2)
    c.line_to(170, top + 2)
    c.curve_to(330, -4, 700, -4, 866, top + 2)
    c.line_to(w, top + 2)
    c.line_to(w, top + 10)
    c.line_to(866, top + 10)
    c.curve_to(700, 4, 330, 4, 170, top + 10)
    c.line_to(0, top + 10)
    c.close_path()
    c.set_source(brass_linear(0, 0, 0, top + 10))
    c.fill()
    # sockets for the round buttons
    for key in ("menu", "journal", "hint"):
        x, y, bw, bh = PANEL_LAYOUT[key]
        cx, cy, r = x + bw / 2, y + bh / 2, bw / 2 + 4
        c.arc(cx, cy, r, 0, 2 * math.pi)
        c.set_source(rad(cx, cy, r * 0.6, r, [(0, alpha(PAL["night"], 0.85)), (1, alpha(PAL["night"], 0.2))]))
        c.fill()
        brass_ring(c, cx, cy, r + 3, r - 1, 0.35)
    # the list: a pinned parchment strip
    lx, ly, lw, lh = PANEL_LAYOUT["list"]
    ps, pc = new(w, h)
    pc.move_to(lx, ly + 3)
    pc.curve_to(lx + lw * 0.3, ly - 1, lx + lw * 0.7, ly + 4, lx + lw, ly + 1)
    pc.line_to(lx + lw - 2, ly + lh - 2)
    pc.curve_to(lx + lw * 0.6, ly + lh + 2, lx + lw * 0.3, ly + lh - 3, lx + 2, ly + lh)
    pc.close_path()
    pc.set_source(lin(0, ly, 0, ly + lh, [(0, PAL["paper"]), (1, shade(PAL["paper"], 0.9))]))
    pc.fill()
    parr = to_np(ps)
    paper(parr, seed + 1, burn=0.45, blotch=0.14)
    parr = drop_shadow(parr, 2, 3, 3, 0.6)
    arr = to_np(s)
    arr = over(parr, arr)
    # pins on the parchment
    ks, kc = new(w, h)
    for px in (lx + 9, lx + lw - 9):
        rivet(kc, px, ly + 9, 4)
    arr = over(to_np(ks), arr)
    texture(arr, seed + 3, cell=30, amount=0.07)
    grain(arr, seed + 4, 0.02)
    # dark fall-off at the very top edge so the panel sits on the picture
    sh = np.zeros((h, w, 4), np.float32)
    return arr


def write_all(out, seed=100):
    for size_name, (w, h) in (("wide", (320, 64)), ("small", (200, 50))):
        for i, st in enumerate(STATES):
            save_png(menu_button(w, h, st, seed + 7), "%s/ui/button_%s_%s.png" % (out, size_name, st))
    for glyph in ("hint", "menu", "journal", "back", "close", "left", "right", "up", "down"):
        for st in STATES:
            save_png(round_button(64, glyph, st, seed), "%s/ui/round_%s_%s.png" % (out, glyph, st))
    for st in STATES:
        save_png(round_button(104, "hint", st, seed), "%s/ui/round_hint_big_%s.png" % (out, st))
    save_png(dialog_panel(256, 256, seed + 11), "%s/ui/dialog.png" % out)
    save_png(parchment_panel(256, 256, seed + 12), "%s/ui/parchment.png" % out)
    save_png(slider_rail(256, 28, seed), "%s/ui/slider_rail.png" % out)
    rail = slider_rail(256, 28, seed)
    save_png(rail[:, :24], "%s/ui/slider_rail_start.png" % out)
    save_png(rail[:, 120:136], "%s/ui/slider_rail_mid.png" % out)
    save_png(rail[:, -24:], "%s/ui/slider_rail_end.png" % out)
    for st in ("normal", "rollover"):
        save_png(slider_thumb(32, st), "%s/ui/slider_thumb_%s.png" % (out, st))
    for on in (False, True):
        for roll in (False, True):
            save_png(checkbox(36, on, roll), "%s/ui/check_%s%s.png" % (out, "on" if on else "off", "_roll" if roll else ""))
        save_png(checkbox(36, on, False, True), "%s/ui/check_%s_disabled.png" % (out, "on" if on else "off"))
    save_png(pointer_cursor(), "%s/cursor/cursor.png" % out)
    save_png(hand_cursor(), "%s/cursor/hand.png" % out)
    for t in icons.TOOLS:
        save_png(tool_cursor(t), "%s/cursor/%s.png" % (out, t))
        save_png(tool_icon(t), "%s/ui/tool_%s.png" % (out, t))
    save_png(magnifier_cursor(), "%s/cursor/magnifier.png" % out)
    save_png(empty_cursor(), "%s/cursor/cursor_empty.png" % out)
    save_png(empty_cursor(), "%s/cursor/cursor_empty_for_magnifier.png" % out)
    save_png(empty_cursor(True), "%s/cursor/cursor_empty_black.png" % out)
    save_png(empty_cursor(), "%s/cursor/mg06/cursor_empty.png" % out)
    save_png(profile_active(520, 44), "%s/backgrounds/profile_active.png" % out)
    save_png(text_field(420, 44, seed + 30), "%s/ui/field.png" % out)
    save_png(play_panel(seed + 20), "%s/backgrounds/panel.png" % out)
