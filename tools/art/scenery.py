"""Outdoor scenery shared by the menu, the outdoor locations and the wallpapers:
dusk skies, clouds, sea, cliffs, the lighthouse, mist and rain."""
import math

import numpy as np

from kit import (PAL, W, H, alpha, blob, blur, ctx_for, ellipse, fbm, from_np, glow, lin, mix, new, over, rad,
                 rng, rrect, shade, smooth, src, to_np, value_noise)


def gradient_arr(w, h, stops):
    """Vertical gradient as a premultiplied opaque array; stops = [(t, colour)]."""
    t = np.linspace(0, 1, h, dtype=np.float32)
    out = np.zeros((h, w, 4), np.float32)
    for ch in range(3):
        col = np.interp(t, [s[0] for s in stops], [s[1][ch] for s in stops]).astype(np.float32)
        out[..., ch] = col[:, None]
    out[..., 3] = 1
    return out


def dusk_sky(w, h, seed, horizon, stormy=0.0, glow_x=0.7):
    """Dusk sky: teal above, a warm band over the horizon, cloud banks lit from below."""
    warm = mix(PAL["amber"], PAL["mist_lt"], 0.35 + stormy * 0.4)
    sky = gradient_arr(w, h, [
        (0.0, shade(PAL["abyss"], 1.0 - stormy * 0.3)),
        (horizon / h * 0.45, mix(PAL["deep"], PAL["teal"], 0.6)),
        (horizon / h * 0.8, mix(PAL["teal_lt"], PAL["mist"], 0.5 - stormy * 0.3)),
        (horizon / h * 0.97, mix(warm, PAL["mist_lt"], 0.25)),
        (1.0, mix(warm, PAL["mist_lt"], 0.4)),
    ])
    # sun glow behind the clouds
    y, x = np.mgrid[0:h, 0:w].astype(np.float32)
    gx, gy = w * glow_x, horizon
    d = np.sqrt(((x - gx) / (w * 0.45)) ** 2 + ((y - gy) / (h * 0.28)) ** 2)
    g = np.exp(-d * d * 1.6) * (0.55 - stormy * 0.35)
    sky[..., :3] += g[..., None] * np.array(PAL["amber_lt"][:3], np.float32) * 0.6
    # cloud banks: stretched fbm thresholded softly
    n = fbm(w, h, 180, seed, 5, 0.55)
    n2 = value_noise(w, h, 60, seed + 3)
    stretch = np.clip(1 - np.abs(y / horizon - 0.45) * 1.4, 0, 1)
    cov = np.clip((n * 0.75 + n2 * 0.25 - (0.52 - stormy * 0.2)) * 4.0, 0, 1) * stretch
    cov = blur(cov, 2)
    # cloud colour: dark tops, warm lit bellies
    lit = np.clip((y - horizon * 0.15) / (horizon * 0.9), 0, 1)
    top_c = np.array(shade(PAL["deep"], 0.85 - stormy * 0.3)[:3], np.float32)
    belly = np.array(mix(PAL["amber"], PAL["mist"], 0.3 + stormy * 0.6)[:3], np.float32)
    shift = np.roll(cov, -6, axis=0)
    under = np.clip(cov - shift, 0, 1)  # lower edges of the clouds
    ccol = top_c[None, None, :] * (1 - lit[..., None] * 0.4) + belly * (under[..., None] * 1.4 * (1 - stormy * 0.5))
    sky[..., :3] = sky[..., :3] * (1 - cov[..., None] * 0.85) + ccol * cov[..., None] * 0.85
    return sky


def sea(arr, horizon, seed, bottom=None, glint_x=0.7, rough=0.3, lit=1.0):
    """Paints sea from the horizon to `bottom`: dark teal, wave strokes, a warm glint path."""
    h, w = arr.shape[:2]
    bottom = bottom or h
    s, c = new(w, h)
    c.rectangle(0, horizon, w, bottom - horizon)
    c.set_source(lin(0, horizon, 0, bottom, [
        (0, mix(PAL["mist"], PAL["teal_lt"], 0.5)),
        (0.06, PAL["teal"]),
        (0.5, PAL["deep"]),
        (1, PAL["abyss"]),
    ]))
    c.fill()
    r = rng(seed)
    n = int(900 * (1 + rough))
    for i in range(n):
        t = r.rand() ** 1.6
        yy = horizon + 2 + t * (bottom - horizon)
        xx = r.rand() * w
        ln = 6 + t * 70 * (0.6 + r.rand())
        dist = abs(xx - w * glint_x) / w
        warm = math.exp(-dist * dist * 40) * lit
        if r.rand() < 0.55:
            col = mix(PAL["mist_lt"], PAL["amber_lt"], warm)
            a = (0.1 + 0.35 * warm) * (0.5 + r.rand() * 0.5)
        else:
            col = PAL["night"]
            a = 0.18 + r.rand() * 0.2
        src(c, alpha(col, a))
        c.set_line_width(0.8 + t * 3)
        c.move_to(xx - ln / 2, yy)
        c.curve_to(xx - ln / 4, yy - 1.5 - t * 3, xx + ln / 4, yy - 1.5 - t * 3, xx + ln / 2, yy)
        c.stroke()
    sa = to_np(s)
    return over(sa, arr)


def mist(arr, y0, y1, seed, strength=0.55, col=None, cell=140):
    """A soft band of drifting mist between y0 and y1."""
    h, w = arr.shape[:2]
    col = col or PAL["mist_lt"]
    n = fbm(w, h, cell, seed, 4)
    y = np.arange(h, dtype=np.float32)[:, None]
    mid, half = (y0 + y1) / 2, max(1, (y1 - y0) / 2)
    band = np.clip(1 - np.abs(y - mid) / half, 0, 1) ** 1.5
    a = np.clip((n - 0.35) * 2.2, 0, 1) * band * strength
    m = np.zeros_like(arr)
    m[..., 3] = a
    m[..., :3] = np.array(col[:3], np.float32) * a[..., None]
    return over(m, arr)


def cliff(ctx, pts, seed, col_top, col_bot, ybot, rim=None, rim_dx=1):
    """A rocky mass: outline points along the top, filled down to ybot, with strata and rim light."""
    r = rng(seed)
    ctx.save()
    ctx.move_to(pts[0][0], ybot)
    for p in pts:
        ctx.line_to(*p)
    ctx.line_to(pts[-1][0], ybot)
    ctx.close_path()
    ytop = min(p[1] for p in pts)
    ctx.set_source(lin(0, ytop, 0, ybot, [(0, col_top), (1, col_bot)]))
    ctx.fill_preserve()
    ctx.clip()
    # facets: lit planes and shadowed clefts
    x0, x1 = pts[0][0], pts[-1][0]
    for i in range(int(abs(x1 - x0) * (ybot - ytop) / 1800) + 10):
        fx = x0 + r.rand() * (x1 - x0)
        fy = ytop + r.rand() ** 1.3 * (ybot - ytop)
        fw, fh = 14 + r.rand() * 50, 10 + r.rand() * 36
        lit = r.rand() < 0.45
        src(ctx, alpha(shade(col_top, 1.3) if lit else shade(col_bot, 0.6), 0.05 + r.rand() * 0.09))
        ctx.move_to(fx, fy)
        ctx.line_to(fx + fw * (0.5 + r.rand() * 0.5), fy + fh * (r.rand() - 0.3))
        ctx.line_to(fx + fw * (0.3 + r.rand() * 0.6), fy + fh)
        ctx.line_to(fx - fw * r.rand() * 0.3, fy + fh * (0.5 + r.rand() * 0.5))
        ctx.close_path()
        ctx.fill()
    # strata and cracks
    for i in range(60):
        x = pts[0][0] + r.rand() * (pts[-1][0] - pts[0][0])
        y = ytop + r.rand() * (ybot - ytop)
        src(ctx, alpha(shade(col_bot, 0.6), 0.15 + r.rand() * 0.2))
        ctx.set_line_width(1 + r.rand() * 2.5)
        ctx.move_to(x, y)
        ctx.curve_to(x + 10, y + 4 + r.rand() * 8, x + 20, y + r.rand() * 20, x + 8 - r.rand() * 20, y + 30 + r.rand() * 40)
        ctx.stroke()
    for i in range(40):
        x = pts[0][0] + r.rand() * (pts[-1][0] - pts[0][0])
        y = ytop + r.rand() * (ybot - ytop)
        src(ctx, alpha(shade(col_top, 1.25), 0.06 + r.rand() * 0.08))
        blob(ctx, x, y, 10 + r.rand() * 30, 4 + r.rand() * 10, int(r.randint(1 << 30)), 8, 0.3)
        ctx.fill()
    ctx.restore()
    if rim:
        ctx.save()
        ctx.set_line_width(2.2)
        src(ctx, rim)
        for a, b in zip(pts[:-1], pts[1:]):
            if (b[0] - a[0]) * rim_dx > 0 and b[1] < a[1] + 8:
                ctx.move_to(*a)
                ctx.line_to(*b)
        ctx.stroke()
        ctx.restore()


def jag(pts, seed, amp=6, sub=3):
    """Subdivides an outline and roughens it."""
    r = rng(seed)
    out = [pts[0]]
    for a, b in zip(pts[:-1], pts[1:]):
        for k in range(1, sub + 1):
            t = k / sub
            x = a[0] + (b[0] - a[0]) * t
            y = a[1] + (b[1] - a[1]) * t
            if k < sub:
                x += (r.rand() - 0.5) * amp
                y += (r.rand() - 0.5) * amp
            out.append((x, y))
    return out


def ridge(x0, x1, ybase, amp, seed, step=18):
    r = rng(seed)
    pts = []
    n = int((x1 - x0) / step) + 1
    ph = r.rand() * 6
    for i in range(n + 1):
        x = x0 + (x1 - x0) * i / n
        y = ybase - amp * (0.5 + 0.5 * math.sin(i * 0.35 + ph)) - r.rand() * amp * 0.35
        pts.append((x, y))
    return pts


def grass(ctx, x0, x1, y, seed, col, h=14, n=220):
    r = rng(seed)
    for i in range(n):
        x = x0 + r.rand() * (x1 - x0)
        hh = h * (0.4 + r.rand())
        src(ctx, alpha(shade(col, 0.7 + r.rand() * 0.6), 0.8))
        ctx.set_line_width(1 + r.rand())
        ctx.move_to(x, y + 2)
        ctx.curve_to(x + 1, y - hh * 0.5, x + (r.rand() - 0.5) * 8, y - hh * 0.8, x + (r.rand() - 0.3) * 10, y - hh)
        ctx.stroke()


def lighthouse(ctx, cx, base, height, lit=0.0, seed=1, rim=None):
    """A tapering stone tower with red bands, gallery and lamp room; lit in 0..1."""
    wb, wt = height * 0.16, height * 0.105
    top = base - height
    ctx.save()
    # tower body
    ctx.move_to(cx - wb, base)
    ctx.line_to(cx - wt, top)
    ctx.line_to(cx + wt, top)
    ctx.line_to(cx + wb, base)
    ctx.close_path()
    ctx.set_source(lin(cx - wb, 0, cx + wb, 0, [(0, shade(PAL["mist_lt"], 0.72)), (0.35, PAL["fog"]), (0.7, shade(PAL["mist"], 0.7)), (1, shade(PAL["deep"], 0.9))]))
    ctx.fill_preserve()
    ctx.save()
    ctx.clip()
    for i in range(2):
        y0 = top + height * (0.22 + i * 0.32)
        ctx.rectangle(cx - wb - 2, y0, wb * 2 + 4, height * 0.12)
        ctx.set_source(lin(cx - wb, 0, cx + wb, 0, [(0, shade(PAL["cloth_red"], 0.8)), (0.35, shade(PAL["cloth_red"], 1.25)), (1, shade(PAL["cloth_red"], 0.35))]))
        ctx.fill()
    # windows
    for i in range(3):
        wy = top + height * (0.15 + i * 0.28)
        rrect(ctx, cx - wt * 0.18, wy, wt * 0.36, height * 0.05, 2)
        src(ctx, alpha(PAL["amber"] if (lit > 0.5 and i == 2) else PAL["night"], 0.9))
        ctx.fill()
    # weathering streaks
    r = rng(seed)
    for i in range(30):
        x = cx - wb + r.rand() * wb * 2
        src(ctx, alpha(PAL["deep"], 0.07))
        ctx.set_line_width(1 + r.rand() * 3)
        yy = top + r.rand() * height
        ctx.move_to(x, yy)
        ctx.line_to(x + (r.rand() - 0.5) * 3, yy + 20 + r.rand() * 60)
        ctx.stroke()
    ctx.restore()
    # gallery
    gy = top
    rrect(ctx, cx - wt * 1.55, gy - height * 0.02, wt * 3.1, height * 0.035, 2)
    src(ctx, PAL["night"])
    ctx.fill()
    src(ctx, alpha(PAL["night"], 0.9))
    ctx.set_line_width(1.2)
    for i in range(9):
        x = cx - wt * 1.45 + wt * 2.9 * i / 8
        ctx.move_to(x, gy - height * 0.02)
        ctx.line_to(x, gy - height * 0.07)
    ctx.move_to(cx - wt * 1.45, gy - height * 0.07)
    ctx.line_to(cx + wt * 1.45, gy - height * 0.07)
    ctx.stroke()
    # lamp room
    lw, lh = wt * 1.7, height * 0.11
    ly = gy - height * 0.02 - lh
    ctx.rectangle(cx - lw / 2, ly, lw, lh)
    if lit > 0:
        ctx.set_source(rad(cx, ly + lh / 2, 0, lw, [(0, mix(PAL["candle"], PAL["amber"], 0.2)), (1, PAL["amber_dk"])]))
    else:
        ctx.set_source(lin(cx - lw / 2, 0, cx + lw / 2, 0, [(0, shade(PAL["teal"], 0.6)), (0.4, PAL["teal_lt"]), (1, PAL["abyss"])]))
    ctx.fill()
    src(ctx, PAL["night"])
    ctx.set_line_width(1.5)
    for i in range(4):
        x = cx - lw / 2 + lw * i / 3
        ctx.move_to(x, ly)
        ctx.line_to(x, ly + lh)
    ctx.stroke()
    # roof
    ctx.move_to(cx - lw * 0.65, ly)
    ctx.line_to(cx, ly - lh * 0.95)
    ctx.line_to(cx + lw * 0.65, ly)
    ctx.close_path()
    ctx.set_source(lin(cx - lw, 0, cx + lw, 0, [(0, shade(PAL["cloth_red"], 0.7)), (0.4, shade(PAL["cloth_red"], 1.1)), (1, shade(PAL["cloth_red"], 0.3))]))
    ctx.fill()
    ctx.arc(cx, ly - lh * 0.98, lh * 0.1, 0, 2 * math.pi)
    src(ctx, PAL["night"])
    ctx.fill()
    if rim:
        ctx.set_line_width(1.6)
        src(ctx, rim)
        ctx.move_to(cx + wb - 1, base)
        ctx.line_to(cx + wt - 1, top)
        ctx.stroke()
    ctx.restore()
    return (cx, ly + lh / 2)


def cottage(ctx, x, base, w, h, seed, lit=True):
    """Keeper's cottage: stone walls, slate roof, warm windows, chimney."""
    ctx.save()
    wall_top = base - h * 0.55
    ctx.rectangle(x, wall_top, w, base - wall_top)
    ctx.set_source(lin(x, 0, x + w, 0, [(0, shade(PAL["stone_lt"], 0.75)), (1, shade(PAL["stone"], 0.5))]))
    ctx.fill()
    # roof
    ctx.move_to(x - w * 0.06, wall_top + 2)
    ctx.line_to(x + w * 0.2, base - h)
    ctx.line_to(x + w * 0.8, base - h)
    ctx.line_to(x + w * 1.06, wall_top + 2)
    ctx.close_path()
    ctx.set_source(lin(0, base - h, 0, wall_top, [(0, shade(PAL["deep"], 0.8)), (1, PAL["night"])]))
    ctx.fill()
    # chimney
    ctx.rectangle(x + w * 0.68, base - h * 1.18, w * 0.09, h * 0.3)
    src(ctx, shade(PAL["stone"], 0.55))
    ctx.fill()
    # windows
    for i, wx in enumerate((0.16, 0.58)):
        ww, wh = w * 0.16, h * 0.2
        ux, uy = x + w * wx, wall_top + h * 0.12
        ctx.rectangle(ux, uy, ww, wh)
        if lit:
            ctx.set_source(rad(ux + ww / 2, uy + wh / 2, 0, ww, [(0, PAL["candle"]), (0.5, PAL["amber"]), (1, PAL["amber_dk"])]))
        else:
            src(ctx, PAL["night"])
        ctx.fill()
        src(ctx, alpha(PAL["night"], 0.8))
        ctx.set_line_width(1.2)
        ctx.move_to(ux + ww / 2, uy)
        ctx.line_to(ux + ww / 2, uy + wh)
        ctx.move_to(ux, uy + wh / 2)
        ctx.line_to(ux + ww, uy + wh / 2)
        ctx.stroke()
        if lit:
            glow(ctx, ux + ww / 2, uy + wh / 2, ww * 2.2, PAL["amber"], 0.35)
    # door
    ctx.rectangle(x + w * 0.4, base - h * 0.34, w * 0.13, h * 0.34)
    src(ctx, shade(PAL["wood"], 0.7))
    ctx.fill()
    ctx.restore()


def rain(arr, seed, n=2500, angle=0.25, length=26, a=0.16, col=None):
    h, w = arr.shape[:2]
    s, c = new(w, h)
    r = rng(seed)
    col = col or PAL["mist_lt"]
    for i in range(n):
        x, y = r.rand() * (w + 200) - 100, r.rand() * h
        ln = length * (0.5 + r.rand())
        src(c, alpha(col, a * (0.4 + r.rand())))
        c.set_line_width(0.6 + r.rand() * 0.8)
        c.move_to(x, y)
        c.line_to(x - ln * angle, y + ln)
        c.stroke()
    return over(to_np(s), arr)


def beam(arr, x, y, angle, length, spread, col, strength=0.35):
    """A soft light beam from (x, y)."""
    h, w = arr.shape[:2]
    s, c = new(w, h)
    a0, a1 = angle - spread, angle + spread
    c.move_to(x, y)
    c.line_to(x + math.cos(a0) * length, y + math.sin(a0) * length)
    c.line_to(x + math.cos(a1) * length, y + math.sin(a1) * length)
    c.close_path()
    c.set_source(rad(x, y, 0, length, [(0, alpha(col, strength)), (0.4, alpha(col, strength * 0.4)), (1, alpha(col, 0))]))
    c.fill()
    b = blur(to_np(s), 6)
    arr[..., :3] += b[..., :3]
    return arr


def gulls(ctx, pts, col):
    ctx.save()
    src(ctx, col)
    ctx.set_line_width(1.6)
    for (x, y, s) in pts:
        ctx.move_to(x - 8 * s, y - 2 * s)
        ctx.curve_to(x - 5 * s, y - 5 * s, x - 2 * s, y - 3 * s, x, y)
        ctx.curve_to(x + 2 * s, y - 3 * s, x + 5 * s, y - 5 * s, x + 8 * s, y - 2 * s)
        ctx.stroke()
    ctx.restore()
