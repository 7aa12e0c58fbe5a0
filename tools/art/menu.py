"""Full-screen pictures and dialog backgrounds: main menu, title logo, fade picture,
options, player chooser and photo album."""
import math

import numpy as np

import scenery as sc
from kit import (PAL, W, H, SERIF, alpha, blur, brass_linear, brass_radial, drop_shadow, ellipse, fbm, from_np,
                 glow, grain, lin, mix, new, over, paper, rad, rivet, rng, rrect, save_jpg, save_png, shade, src,
                 texture, to_np, vignette, wood)


def main_menu(seed=500):
    horizon = 478
    arr = sc.dusk_sky(W, H, seed, horizon, stormy=0.25, glow_x=0.62)
    # storm darkening from the left
    x = np.linspace(1, 0, W, dtype=np.float32)[None, :, None]
    arr[..., :3] *= 1 - 0.35 * x ** 2
    arr = sc.sea(arr, horizon, seed + 1, glint_x=0.62, rough=0.4)
    s, c = new(W, H)
    # far headland, left, misty
    far = sc.ridge(-20, 380, horizon + 2, 40, seed + 2)
    # its seaward end slopes down into the water
    far = [(x, y + (horizon + 2 - y) * max(0.0, (x - 250) / 130) ** 1.5) for x, y in far] + [(430, horizon + 4)]
    sc.cliff(c, far, seed + 3, mix(PAL["mist"], PAL["teal_lt"], 0.5), mix(PAL["mist"], PAL["teal"], 0.6), horizon + 4)
    arr = over(to_np(s), arr)
    arr = sc.mist(arr, horizon - 60, horizon + 30, seed + 4, 0.5)
    # main cliff with the lighthouse and the cottage
    s, c = new(W, H)
    pts = sc.jag([(540, H), (556, 700), (580, 640), (572, 600), (600, 560), (618, 520), (646, 496), (668, 470), (700, 452), (760, 440), (830, 434), (900, 438), (960, 430), (1030, 424)], seed + 50, 14, 3)
    sc.cliff(c, pts, seed + 5, mix(PAL["teal"], PAL["stone_dk"], 0.5), PAL["night"], H, rim=alpha(PAL["amber_lt"], 0.55), rim_dx=1)
    sc.grass(c, 640, 1024, 440, seed + 6, mix(PAL["leaf"], PAL["teal"], 0.4), 16, 260)
    arr = over(to_np(s), arr)
    s, c = new(W, H)
    lamp = sc.lighthouse(c, 800, 444, 300, lit=0.0, seed=seed + 7, rim=alpha(PAL["amber_lt"], 0.6))
    sc.cottage(c, 862, 450, 104, 66, seed + 8, lit=True)
    mid = to_np(s)
    mid[..., :3] *= np.array([0.62, 0.74, 0.8], np.float32)
    arr = over(mid, arr)
    # surf at the foot of the cliff
    fs, fc = new(W, H)
    r = rng(seed + 60)
    for i in range(160):
        yy = 560 + r.rand() * 200
        xx = 560 - (yy - 560) * 0.1 + (r.rand() - 0.7) * 40
        src(fc, alpha(PAL["mist_lt"], 0.08 + r.rand() * 0.2))
        fc.set_line_width(1 + r.rand() * 2)
        fc.move_to(xx - 30 - r.rand() * 40, yy)
        fc.curve_to(xx - 20, yy - 3, xx - 8, yy - 2, xx, yy + 1)
        fc.stroke()
    arr = over(blur(to_np(fs), 0.8), arr)
    # faint glimmer around the dark lamp: it wants lighting
    gs, gc = new(W, H)
    glow(gc, lamp[0], lamp[1], 60, PAL["amber_lt"], 0.18)
    arr = over(to_np(gs), arr)
    arr = sc.mist(arr, 430, 560, seed + 9, 0.35, cell=90)
    # foreground rocks
    s, c = new(W, H)
    fl = [(-10, H), (-10, 650), (60, 628), (150, 640), (240, 672), (320, 700), (380, 740), (400, H)]
    sc.cliff(c, fl, seed + 10, mix(PAL["deep"], PAL["stone_dk"], 0.4), PAL["night"], H, rim=alpha(PAL["mist_lt"], 0.25), rim_dx=1)
    sc.gulls(c, [(380, 180, 1.4), (420, 205, 1.0), (470, 170, 1.2), (250, 260, 0.8)], alpha(PAL["night"], 0.8))
    arr = over(to_np(s), arr)
    arr = sc.rain(arr, seed + 11, n=700, a=0.08)
    texture(arr, seed + 12, cell=60, amount=0.06)
    vignette(arr, 0.7, cx=0.55, cy=0.5)
    grain(arr, seed + 13, 0.018)
    return arr


def logo(seed=520):
    w, h = 560, 220
    s, c = new(w, h)
    c.select_font_face(SERIF, 0, 1)
    c.set_font_size(150)
    ext = c.text_extents("Lantern")
    tx = (w - ext.width) / 2 - ext.x_bearing
    ty = 150
    c.move_to(tx, ty)
    c.text_path("Lantern")
    path = c.copy_path()
    # glyph body
    c.set_source(lin(0, ty - 110, 0, ty + 10, [(0, PAL["brass_hi"]), (0.35, PAL["amber_lt"]), (0.6, PAL["brass"]), (1, PAL["brass_dk"])]))
    c.fill()
    body = to_np(s)
    # engraved highlight on the upper edges
    s2, c2 = new(w, h)
    c2.append_path(path)
    c2.set_line_width(2.0)
    src(c2, alpha(PAL["night"], 0.9))
    c2.stroke()
    outline = to_np(s2)
    shine = np.zeros_like(body)
    a = body[..., 3]
    shifted = np.zeros_like(a)
    shifted[2:, :] = a[:-2, :]
    edge = np.clip(a - shifted, 0, 1)
    shine[..., :3] = np.array(PAL["white"][:3], np.float32) * edge[..., None] * 0.8
    shine[..., 3] = edge * 0.8
    # amber glow behind
    g = np.zeros_like(body)
    g[..., 3] = a
    g = blur(g, 12)
    g[..., :3] = np.array(PAL["amber"][:3], np.float32) * g[..., 3:4]
    g *= 0.75
    sh = np.zeros_like(body)
    sh[4:, 3:, 3] = a[:-4, :-3] * 0.8
    sh = blur(sh, 3)
    arr = over(shine, over(outline, over(body, over(sh, g))))
    # ornament: a thin rule with a lantern diamond under the word
    s3, c3 = new(w, h)
    cy = 188
    for sgn in (-1, 1):
        c3.move_to(w / 2 + sgn * 22, cy)
        c3.curve_to(w / 2 + sgn * 90, cy - 6, w / 2 + sgn * 150, cy + 6, w / 2 + sgn * 210, cy)
    c3.set_line_width(2.2)
    c3.set_source(brass_linear(0, cy - 4, 0, cy + 4))
    c3.stroke()
    c3.move_to(w / 2, cy - 12)
    c3.line_to(w / 2 + 12, cy)
    c3.line_to(w / 2, cy + 12)
    c3.line_to(w / 2 - 12, cy)
    c3.close_path()
    c3.set_source(brass_radial(w / 2, cy, 12))
    c3.fill()
    c3.arc(w / 2, cy, 5, 0, 2 * math.pi)
    c3.set_source(rad(w / 2 - 1, cy - 1, 0, 5, [(0, PAL["candle"]), (1, PAL["amber"])]))
    c3.fill()
    glow(c3, w / 2, cy, 26, PAL["amber"], 0.45)
    arr = over(to_np(s3), arr)
    return arr


def fade_picture(seed=530):
    arr = sc.gradient_arr(W, H, [(0, PAL["night"]), (0.6, shade(PAL["abyss"], 0.8)), (1, PAL["night"])])
    n = fbm(W, H, 200, seed, 4)
    arr[..., :3] *= (0.8 + n * 0.4)[..., None]
    vignette(arr, 0.8)
    grain(arr, seed + 1, 0.01)
    return arr


def board(w, h, seed, title_plate=True, inlay="parchment"):
    """A dialog board: brass-framed wood with a parchment inlay and a title plate."""
    s, c = new(w, h)
    m = 10
    rrect(c, m, m, w - 2 * m, h - 2 * m, 22)
    c.set_source(brass_linear(0, 0, w * 0.2, h))
    c.fill()
    ix, iy, iw, ih = m + 8, m + 8, w - 2 * m - 16, h - 2 * m - 16
    wood(c, ix, iy, iw, ih, seed, tone="mid", planks=max(3, int(ih / 60)),
         clip_path=lambda cc: rrect(cc, ix, iy, iw, ih, 16))
    rrect(c, ix, iy, iw, ih, 16)
    c.set_source(rad(w / 2, h * 0.4, 0, max(w, h) * 0.7, [(0, alpha(PAL["amber_dk"], 0.12)), (1, alpha(PAL["night"], 0.55))]))
    c.fill()
    for (x, y) in ((m + 18, m + 18), (w - m - 18, m + 18), (m + 18, h - m - 18), (w - m - 18, h - m - 18)):
        rivet(c, x, y, 6)
    arr = to_np(s)
    if inlay == "parchment":
        ps, pc = new(w, h)
        px, py, pw, ph = 44, 84 if title_plate else 44, w - 88, h - (84 if title_plate else 44) - 44
        r = rng(seed + 1)
        pts = []
        for i in range(24):
            pts.append((px + pw * i / 23, py + r.rand() * 3))
        for i in range(24):
            pts.append((px + pw - r.rand() * 3, py + ph * i / 23))
        for i in range(24):
            pts.append((px + pw * (1 - i / 23), py + ph - r.rand() * 3))
        for i in range(24):
            pts.append((px + r.rand() * 3, py + ph * (1 - i / 23)))
        pc.move_to(*pts[0])
        for p in pts[1:]:
            pc.line_to(*p)
        pc.close_path()
        src(pc, PAL["paper"])
        pc.fill()
        parr = to_np(ps)
        paper(parr, seed + 2, burn=0.4, blotch=0.12)
        parr = drop_shadow(parr, 2, 4, 4, 0.55)
        arr = over(parr, arr)
    if title_plate:
        ts, tc = new(w, h)
        pw, ph = min(360, w * 0.6), 50
        px, py = (w - pw) / 2, 22
        tc.move_to(px, py + ph / 2)
        tc.line_to(px + 18, py)
        tc.line_to(px + pw - 18, py)
        tc.line_to(px + pw, py + ph / 2)
        tc.line_to(px + pw - 18, py + ph)
        tc.line_to(px + 18, py + ph)
        tc.close_path()
        tc.set_source(brass_linear(0, py, 0, py + ph))
        tc.fill_preserve()
        tc.set_line_width(1.5)
        src(tc, alpha(PAL["night"], 0.7))
        tc.stroke()
        rrect(tc, px + 22, py + 7, pw - 44, ph - 14, 4)
        tc.set_source(lin(0, py, 0, py + ph, [(0, PAL["deep"]), (1, PAL["abyss"])]))
        tc.fill()
        arr = over(drop_shadow(to_np(ts), 0, 3, 3, 0.5), arr)
    texture(arr, seed + 3, cell=40, amount=0.06)
    grain(arr, seed + 4, 0.018)
    return drop_shadow(arr, 0, 6, 8, 0.65)


def album(seed=560, cover=None, ruled=False):
    """An open book: cloth or leather cover, two cream pages (ruled for the journal)."""
    w, h = 920, 640
    cover = cover or PAL["cloth_blue"]
    s, c = new(w, h)
    rrect(c, 10, 10, w - 20, h - 20, 18)
    c.set_source(lin(0, 0, 0, h, [(0, shade(cover, 0.9)), (1, shade(cover, 0.45))]))
    c.fill()
    arr = to_np(s)
    texture(arr, seed, cell=6, amount=0.18, octaves=3)
    texture(arr, seed + 1, cell=80, amount=0.12)
    s, c = new(w, h)
    c.set_line_width(2)
    rrect(c, 20, 20, w - 40, h - 40, 12)
    src(c, alpha(PAL["brass_lt"], 0.5))
    c.set_dash([6, 4])
    c.stroke()
    c.set_dash([])
    for (x, y) in ((16, 16), (w - 16, 16), (16, h - 16), (w - 16, h - 16)):
        c.move_to(x, y)
        sx, sy = (1 if x < w / 2 else -1), (1 if y < h / 2 else -1)
        c.line_to(x + sx * 54, y)
        c.line_to(x, y + sy * 54)
        c.close_path()
        c.set_source(brass_linear(x, y, x + sx * 40, y + sy * 40))
        c.fill()
    arr = over(to_np(s), arr)
    # pages
    for side in (0, 1):
        ps, pc = new(w, h)
        px = 44 if side == 0 else w / 2 + 2
        pw, py, ph = w / 2 - 46, 40, h - 80
        pc.move_to(px, py)
        if side == 0:
            pc.line_to(px + pw, py + 6)
            pc.line_to(px + pw, py + ph + 4)
            pc.line_to(px, py + ph)
        else:
            pc.move_to(px, py + 6)
            pc.line_to(px + pw, py)
            pc.line_to(px + pw, py + ph)
            pc.line_to(px, py + ph + 4)
        pc.close_path()
        pc.set_source(lin(px, 0, px + pw, 0, [(0, shade(PAL["paper"], 0.85 if side == 1 else 1.0)), (0.12 if side == 1 else 0.88, PAL["paper"]), (1, shade(PAL["paper"], 0.8 if side == 0 else 1.0))]))
        pc.fill()
        parr = to_np(ps)
        paper(parr, seed + 3 + side, burn=0.25, blotch=0.1)
        arr = over(drop_shadow(parr, 0, 3, 3, 0.5), arr)
        if ruled:
            rs, rc = new(w, h)
            rc.set_line_width(1)
            src(rc, alpha(PAL["cloth_blue"], 0.22))
            for y in range(py + 70, py + ph - 30, 30):
                rc.move_to(px + 30, y + 0.5)
                rc.line_to(px + pw - 30, y + 0.5)
            rc.stroke()
            src(rc, alpha(PAL["cloth_red"], 0.25))
            mx = px + 62 if side == 0 else px + 62
            rc.move_to(mx + 0.5, py + 20)
            rc.line_to(mx + 0.5, py + ph - 20)
            rc.stroke()
            arr = over(to_np(rs), arr)
    # spine shadow (and the journal's ribbon)
    s, c = new(w, h)
    if ruled:
        c.move_to(w / 2 + 10, 30)
        c.line_to(w / 2 + 26, 30)
        c.line_to(w / 2 + 26, h - 14)
        c.line_to(w / 2 + 18, h - 24)
        c.line_to(w / 2 + 10, h - 14)
        c.close_path()
        c.set_source(lin(w / 2 + 10, 0, w / 2 + 26, 0, [(0, shade(PAL["cloth_red"], 1.3)), (1, shade(PAL["cloth_red"], 0.6))]))
        c.fill()
    c.rectangle(w / 2 - 30, 36, 60, h - 68)
    c.set_source(lin(w / 2 - 30, 0, w / 2 + 30, 0, [(0, alpha(PAL["night"], 0)), (0.5, alpha(PAL["night"], 0.45)), (1, alpha(PAL["night"], 0))]))
    c.fill()
    arr = over(to_np(s), arr)
    grain(arr, seed + 9, 0.015)
    return drop_shadow(arr, 0, 8, 10, 0.6)


def photo_frame(seed=570):
    """Photo corners frame for a snapshot in the album (pasted around a 200 x 150 picture)."""
    w, h = 224, 174
    s, c = new(w, h)
    rrect(c, 6, 6, w - 12, h - 12, 2)
    src(c, PAL["white"])
    c.fill()
    c.rectangle(16, 16, w - 32, h - 32)
    src(c, alpha(PAL["night"], 0.9))
    c.fill()
    for (x, y, sx, sy) in ((4, 4, 1, 1), (w - 4, 4, -1, 1), (4, h - 4, 1, -1), (w - 4, h - 4, -1, -1)):
        c.move_to(x, y)
        c.line_to(x + sx * 30, y)
        c.line_to(x, y + sy * 30)
        c.close_path()
        src(c, PAL["ink"])
        c.fill()
    arr = to_np(s)
    arr[16:h - 16, 16:w - 16] = 0
    return drop_shadow(arr, 2, 3, 2, 0.5)


def write_all(out):
    save_jpg(main_menu(), "%s/backgrounds/mainmenu.jpg" % out, 90)
    save_png(logo(), "%s/backgrounds/logo.png" % out)
    save_jpg(fade_picture(), "%s/backgrounds/sh1.jpg" % out, 85)
    save_png(board(640, 480, 540), "%s/backgrounds/options.png" % out)
    save_png(board(640, 520, 550), "%s/backgrounds/players.png" % out)
    save_png(board(520, 300, 555), "%s/backgrounds/message.png" % out)
    save_png(album(), "%s/backgrounds/album.png" % out)
    save_png(album(580, PAL["wood"], ruled=True), "%s/backgrounds/journal.png" % out)
    save_png(photo_frame(), "%s/backgrounds/album_photo_frame.png" % out)
