"""Lantern art kit: palette, pixel helpers and reusable material painters.

Everything is drawn with cairo into ARGB32 surfaces and finished in numpy
(premultiplied RGBA floats, 0..1).  Every random number comes from a seeded
generator, so the same source always gives the same files.
"""
import math
import os

import cairo
import numpy as np
from PIL import Image

W, H = 1024, 768
PANEL_H = 128            # the play screen's bottom panel
PLAY_H = H - PANEL_H     # the part of a location the player searches

SERIF = "EB Garamond"
SANS = "DejaVu Sans"


def hexc(s, a=1.0):
    s = s.lstrip("#")
    return (int(s[0:2], 16) / 255.0, int(s[2:4], 16) / 255.0, int(s[4:6], 16) / 255.0, a)


# The world's palette: misty dusk, teal shadows, amber lamp light, old wood, brass, sea glass.
PAL = {
    "night": hexc("0a1218"),
    "abyss": hexc("0e1c24"),
    "deep": hexc("14303a"),
    "teal": hexc("1f4a52"),
    "teal_lt": hexc("3a6e72"),
    "mist": hexc("8fb2b0"),
    "mist_lt": hexc("c9d9d2"),
    "fog": hexc("e3e7dc"),
    "amber": hexc("f2a23a"),
    "amber_lt": hexc("ffd27a"),
    "amber_dk": hexc("b8661e"),
    "ember": hexc("d2532a"),
    "candle": hexc("fff1c4"),
    "wood_dk": hexc("2e1d14"),
    "wood": hexc("5a3a24"),
    "wood_md": hexc("7a5034"),
    "wood_lt": hexc("a27448"),
    "drift": hexc("9a8f80"),
    "brass_dk": hexc("5e4216"),
    "brass": hexc("b58a3a"),
    "brass_lt": hexc("e8c874"),
    "brass_hi": hexc("fff0b8"),
    "copper": hexc("a5562e"),
    "iron": hexc("3a3c3e"),
    "iron_lt": hexc("7d8284"),
    "paper": hexc("efe2c4"),
    "paper_dk": hexc("c9b28a"),
    "ink": hexc("2b2118"),
    "seaglass": hexc("7fc4b4"),
    "seaglass_dk": hexc("2f7c74"),
    "seaglass_bl": hexc("6fa6c8"),
    "rope": hexc("b89a68"),
    "cloth_red": hexc("8c2f2a"),
    "cloth_blue": hexc("2d4a6e"),
    "stone": hexc("6e6f6a"),
    "stone_dk": hexc("3c3e3c"),
    "stone_lt": hexc("a4a39a"),
    "leaf": hexc("4f6a3a"),
    "white": hexc("f6f1e4"),
}


def mix(c1, c2, t):
    return tuple(c1[i] * (1 - t) + c2[i] * t for i in range(4))


def shade(c, f):
    """Darker (f < 1) or lighter (f > 1, towards white) version of a colour."""
    if f <= 1:
        return (c[0] * f, c[1] * f, c[2] * f, c[3])
    t = min(1.0, f - 1)
    return mix(c, (1, 1, 1, c[3]), t)


def alpha(c, a):
    return (c[0], c[1], c[2], a)


# ----------------------------------------------------------------- surfaces

def surface(w, h):
    return cairo.ImageSurface(cairo.FORMAT_ARGB32, int(w), int(h))


def ctx_for(surf):
    c = cairo.Context(surf)
    c.set_line_join(cairo.LINE_JOIN_ROUND)
    c.set_line_cap(cairo.LINE_CAP_ROUND)
    return c


def new(w, h):
    s = surface(w, h)
    return s, ctx_for(s)


def to_np(surf):
    """Cairo surface -> premultiplied RGBA float32 array (H, W, 4)."""
    surf.flush()
    w, h, stride = surf.get_width(), surf.get_height(), surf.get_stride()
    buf = np.ndarray((h, stride // 4, 4), np.uint8, surf.get_data())[:, :w]
    return buf[..., [2, 1, 0, 3]].astype(np.float32) / 255.0


def from_np(arr):
    """Premultiplied RGBA float array -> new cairo surface."""
    h, w = arr.shape[:2]
    s = surface(w, h)
    stride = s.get_stride()
    buf = np.ndarray((h, stride // 4, 4), np.uint8, s.get_data())
    a = np.clip(arr, 0, 1)
    a[..., :3] = np.minimum(a[..., :3], a[..., 3:4])
    buf[:, :w] = (a[..., [2, 1, 0, 3]] * 255 + 0.5).astype(np.uint8)
    s.mark_dirty()
    return s


def over(top, bottom):
    return top + bottom * (1 - top[..., 3:4])


def straight_u8(arr):
    a = np.clip(arr[..., 3:4], 0, 1)
    rgb = np.where(a > 1e-4, arr[..., :3] / np.maximum(a, 1e-4), 0)
    out = np.concatenate([np.clip(rgb, 0, 1), a], axis=2)
    return (out * 255 + 0.5).astype(np.uint8)


def ensure_dir(path):
    d = os.path.dirname(path)
    if d:
        os.makedirs(d, exist_ok=True)


def save_png(arr, path):
    if isinstance(arr, cairo.ImageSurface):
        arr = to_np(arr)
    ensure_dir(path)
    Image.fromarray(straight_u8(arr), "RGBA").save(path, optimize=True)


def save_jpg(arr, path, quality=88):
    if isinstance(arr, cairo.ImageSurface):
        arr = to_np(arr)
    ensure_dir(path)
    rgb = straight_u8(arr)[..., :3]
    Image.fromarray(rgb, "RGB").save(path, quality=quality, optimize=True, subsampling=0, progressive=False)


def _box(a, r, axis):
    """Box filter of half-width r along an axis (edges clamped)."""
    if r < 1:
        return a
    n = a.shape[axis]
    pad = [(0, 0)] * a.ndim
    pad[axis] = (r + 1, r)
    p = np.pad(a, pad, mode="edge")
    c = np.cumsum(p, axis=axis, dtype=np.float64)
    hi = np.take(c, np.arange(2 * r + 1, 2 * r + 1 + n), axis=axis)
    lo = np.take(c, np.arange(0, n), axis=axis)
    return ((hi - lo) / (2 * r + 1)).astype(np.float32)


def blur(arr, radius):
    """Approximate gaussian blur (three box passes) of an array (H, W[, C])."""
    if radius <= 0:
        return arr.copy()
    # three boxes of width w give a gaussian of sigma^2 = 3 (w^2 - 1) / 12
    w = max(1, int(round(math.sqrt(4 * radius * radius + 1))))
    r = max(1, w // 2)
    out = arr.astype(np.float32)
    for _ in range(3):
        out = _box(out, r, 0)
        out = _box(out, r, 1)
    return out


# -------------------------------------------------------------------- noise

def rng(seed):
    return np.random.RandomState(seed)


def value_noise(w, h, cell, seed):
    """Smooth noise in 0..1 with features about `cell` pixels wide."""
    r = rng(seed)
    gw, gh = max(2, int(w / cell) + 3), max(2, int(h / cell) + 3)
    g = r.rand(gh, gw).astype(np.float32)
    im = Image.fromarray(g, "F").resize((int(gw * cell), int(gh * cell)), Image.BICUBIC)
    a = np.asarray(im, np.float32)[:h, :w]
    return np.clip(a, 0, 1)


def fbm(w, h, cell, seed, octaves=4, gain=0.5):
    total, amp, norm = np.zeros((h, w), np.float32), 1.0, 0.0
    for o in range(octaves):
        total += amp * value_noise(w, h, max(1.5, cell / (2 ** o)), seed * 31 + o)
        norm += amp
        amp *= gain
    return total / norm


def grain(arr, seed, amount=0.035, cell=1.0):
    """Adds fine film grain (colour only; alpha untouched)."""
    h, w = arr.shape[:2]
    r = rng(seed)
    if cell <= 1.0:
        n = r.randn(h, w).astype(np.float32)
    else:
        n = (value_noise(w, h, cell, seed) - 0.5) * 3.4
    arr[..., :3] += (n * amount)[..., None] * arr[..., 3:4]
    return arr


def texture(arr, seed, cell=40, amount=0.12, octaves=4):
    """Multiplies colour by blotchy fbm noise (paint/plaster feel)."""
    h, w = arr.shape[:2]
    n = fbm(w, h, cell, seed, octaves)
    f = 1 + (n - 0.5) * 2 * amount
    arr[..., :3] *= f[..., None]
    return arr


def vignette(arr, strength=0.55, cx=0.5, cy=0.45, radius=0.75, power=2.2, tint=(0.02, 0.05, 0.07)):
    h, w = arr.shape[:2]
    y, x = np.mgrid[0:h, 0:w].astype(np.float32)
    dx = (x / w - cx) / radius
    dy = (y / h - cy) / radius * (h / w) * 1.25
    d = np.sqrt(dx * dx + dy * dy)
    v = np.clip(d, 0, 1.6) ** power * strength
    v = np.clip(v, 0, 0.95)[..., None]
    t = np.array(tint, np.float32)
    arr[..., :3] = arr[..., :3] * (1 - v) + t * v * arr[..., 3:4]
    return arr


def light_map(w, h, lights, ambient=1.0):
    """Sum of soft radial lights: list of (x, y, radius, (r,g,b), gain)."""
    y, x = np.mgrid[0:h, 0:w].astype(np.float32)
    m = np.full((h, w, 3), ambient, np.float32)
    for (lx, ly, lr, col, gain) in lights:
        d2 = ((x - lx) ** 2 + (y - ly) ** 2) / (lr * lr)
        f = np.exp(-d2 * 2.2) * gain
        m += f[..., None] * np.array(col[:3], np.float32)
    return m


def apply_light(arr, lmap, add=None):
    arr[..., :3] *= lmap
    if add is not None:
        arr[..., :3] += add * arr[..., 3:4]
    return arr


# ------------------------------------------------------------ cairo helpers

def src(ctx, c):
    if len(c) == 4:
        ctx.set_source_rgba(*c)
    else:
        ctx.set_source_rgb(*c)


def lin(x0, y0, x1, y1, stops):
    p = cairo.LinearGradient(x0, y0, x1, y1)
    for off, c in stops:
        p.add_color_stop_rgba(off, *(c if len(c) == 4 else (*c, 1)))
    return p


def rad(cx, cy, r0, r1, stops, fx=None, fy=None):
    p = cairo.RadialGradient(cx if fx is None else fx, cy if fy is None else fy, r0, cx, cy, r1)
    for off, c in stops:
        p.add_color_stop_rgba(off, *(c if len(c) == 4 else (*c, 1)))
    return p


def rrect(ctx, x, y, w, h, r):
    r = min(r, w / 2, h / 2)
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 1.5 * math.pi)
    ctx.close_path()


def ellipse(ctx, cx, cy, rx, ry, a0=0, a1=2 * math.pi):
    ctx.save()
    ctx.translate(cx, cy)
    ctx.scale(max(rx, 1e-3), max(ry, 1e-3))
    ctx.new_sub_path()
    ctx.arc(0, 0, 1, a0, a1)
    ctx.restore()


def poly(ctx, pts, close=True):
    ctx.move_to(*pts[0])
    for p in pts[1:]:
        ctx.line_to(*p)
    if close:
        ctx.close_path()


def smooth(ctx, pts, close=True, k=0.22):
    """Catmull-Rom-like smooth path through points."""
    n = len(pts)
    if n < 3:
        poly(ctx, pts, close)
        return
    P = pts + pts[:2] if close else [pts[0]] + pts + [pts[-1]]
    ctx.move_to(*(pts[0]))
    rng_ = range(n) if close else range(n - 1)
    for i in rng_:
        if close:
            p0, p1, p2, p3 = pts[(i - 1) % n], pts[i], pts[(i + 1) % n], pts[(i + 2) % n]
        else:
            p0, p1, p2, p3 = P[i], P[i + 1], P[i + 2], P[i + 3]
        c1 = (p1[0] + (p2[0] - p0[0]) * k, p1[1] + (p2[1] - p0[1]) * k)
        c2 = (p2[0] - (p3[0] - p1[0]) * k, p2[1] - (p3[1] - p1[1]) * k)
        ctx.curve_to(c1[0], c1[1], c2[0], c2[1], p2[0], p2[1])
    if close:
        ctx.close_path()


def blob(ctx, cx, cy, rx, ry, seed, n=10, jitter=0.18):
    r = rng(seed)
    pts = []
    for i in range(n):
        a = 2 * math.pi * i / n
        f = 1 + (r.rand() - 0.5) * 2 * jitter
        pts.append((cx + math.cos(a) * rx * f, cy + math.sin(a) * ry * f))
    smooth(ctx, pts)


def glow(ctx, x, y, r, col, a=0.6):
    ctx.save()
    ctx.set_source(rad(x, y, 0, r, [(0, alpha(col, a)), (0.35, alpha(col, a * 0.45)), (1, alpha(col, 0))]))
    ctx.arc(x, y, r, 0, 2 * math.pi)
    ctx.fill()
    ctx.restore()


def shadow_ellipse(ctx, cx, cy, rx, ry, a=0.45):
    ctx.save()
    ctx.translate(cx, cy)
    ctx.scale(rx, ry)
    ctx.set_source(rad(0, 0, 0, 1, [(0, (0.02, 0.03, 0.04, a)), (0.6, (0.02, 0.03, 0.04, a * 0.55)), (1, (0, 0, 0, 0))]))
    ctx.arc(0, 0, 1, 0, 2 * math.pi)
    ctx.fill()
    ctx.restore()


def text(ctx, s, x, y, size, col, face=SERIF, bold=False, italic=False, anchor="left", halo=None):
    """Writes s at (x, y) (the baseline); with `halo`, inside a 3.5 px rim of that colour."""
    ctx.save()
    ctx.select_font_face(face, cairo.FONT_SLANT_ITALIC if italic else cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(size)
    ext = ctx.text_extents(s)
    if anchor == "center":
        x -= ext.x_advance / 2
    elif anchor == "right":
        x -= ext.x_advance
    ctx.move_to(x, y)
    if halo:
        ctx.text_path(s)
        ctx.set_line_width(3.5)
        src(ctx, halo)
        ctx.stroke_preserve()
        src(ctx, col)
        ctx.fill()
    else:
        src(ctx, col)
        ctx.show_text(s)
    ctx.restore()


# ---------------------------------------------------------------- materials

WOOD_TONES = {
    "dark": ("wood_dk", "wood"),
    "mid": ("wood", "wood_md"),
    "light": ("wood_md", "wood_lt"),
    "drift": ("stone_dk", "drift"),
}


def wood(ctx, x, y, w, h, seed, tone="mid", vertical=False, planks=0, clip_path=None, knots=True, grain_n=None):
    """Paints weathered planks into the rectangle (optionally clipped to the current path)."""
    lo, hi = (PAL[k] for k in WOOD_TONES[tone])
    r = rng(seed)
    ctx.save()
    if clip_path is not None:
        clip_path(ctx)
        ctx.clip()
    else:
        ctx.rectangle(x, y, w, h)
        ctx.clip()
    if vertical:
        ctx.translate(x + w, y)
        ctx.rotate(math.pi / 2)
        x, y, w, h = 0, 0, h, w
    src(ctx, lo)
    ctx.rectangle(x, y, w, h)
    ctx.fill()
    n_pl = planks if planks > 0 else 1
    ph = h / n_pl
    for p in range(n_pl):
        py = y + p * ph
        base = mix(lo, hi, 0.35 + r.rand() * 0.45)
        ctx.set_source(lin(x, py, x, py + ph, [(0, shade(base, 1.08)), (0.5, base), (1, shade(base, 0.82))]))
        ctx.rectangle(x, py, w, ph)
        ctx.fill()
        # grain lines
        gn = grain_n or int(ph / 2.2) + 4
        for g in range(gn):
            gy = py + r.rand() * ph
            amp = r.rand() * ph * 0.05
            fr = 0.004 + r.rand() * 0.01
            ph0 = r.rand() * 6.28
            dark = r.rand() < 0.65
            src(ctx, alpha(shade(lo, 0.55) if dark else shade(hi, 1.15), 0.08 + r.rand() * 0.18))
            ctx.set_line_width(0.6 + r.rand() * 1.4)
            x0 = x - 10 + r.rand() * w * 0.3
            x1 = x0 + w * (0.4 + r.rand() * 0.9)
            steps = max(8, int((x1 - x0) / 12))
            for s in range(steps + 1):
                xx = x0 + (x1 - x0) * s / steps
                yy = gy + math.sin(xx * fr + ph0) * amp
                yy = min(max(yy, py + 1), py + ph - 1)
                (ctx.move_to if s == 0 else ctx.line_to)(xx, yy)
            ctx.stroke()
        if knots and r.rand() < 0.6:
            kx, ky = x + r.rand() * w, py + ph * (0.3 + r.rand() * 0.4)
            kr = min(ph * 0.22, 3 + r.rand() * 7)
            for ring in range(4):
                src(ctx, alpha(shade(lo, 0.5), 0.25))
                ctx.set_line_width(1)
                ellipse(ctx, kx, ky, kr * (2.6 - ring * 0.5), kr * (1 - ring * 0.18))
                ctx.stroke()
            src(ctx, alpha(shade(lo, 0.4), 0.7))
            ellipse(ctx, kx, ky, kr * 0.8, kr * 0.45)
            ctx.fill()
        if planks > 0:
            # seam: dark gap with a light upper lip
            src(ctx, alpha(PAL["night"], 0.75))
            ctx.rectangle(x, py + ph - 1.6, w, 1.6)
            ctx.fill()
            src(ctx, alpha(shade(hi, 1.2), 0.18))
            ctx.rectangle(x, py, w, 1.0)
            ctx.fill()
            # nails
            for nx in (x + 14 + r.rand() * 6, x + w - 20 - r.rand() * 6):
                if r.rand() < 0.7:
                    nail(ctx, nx, py + ph / 2, 1.8)
    ctx.restore()


def nail(ctx, x, y, r):
    ctx.save()
    ctx.set_source(rad(x - r * 0.3, y - r * 0.3, 0, r, [(0, PAL["iron_lt"]), (1, PAL["night"])]))
    ctx.arc(x, y, r, 0, 2 * math.pi)
    ctx.fill()
    ctx.restore()


def brass_linear(x0, y0, x1, y1, dark=0.0):
    d = 1 - dark
    return lin(x0, y0, x1, y1, [
        (0.0, shade(PAL["brass_lt"], d)),
        (0.18, shade(PAL["brass_hi"], d)),
        (0.38, shade(PAL["brass"], d)),
        (0.7, shade(PAL["brass_dk"], d)),
        (0.88, shade(PAL["brass"], d)),
        (1.0, shade(PAL["brass_dk"], d * 0.8)),
    ])


def brass_radial(cx, cy, r, dark=0.0):
    d = 1 - dark
    return rad(cx, cy, 0, r, [
        (0.0, shade(PAL["brass_hi"], d)),
        (0.35, shade(PAL["brass_lt"], d)),
        (0.75, shade(PAL["brass"], d)),
        (1.0, shade(PAL["brass_dk"], d)),
    ], fx=cx - r * 0.35, fy=cy - r * 0.4)


def brass_ring(ctx, cx, cy, r_out, r_in, dark=0.0):
    ctx.save()
    ctx.new_path()
    ctx.arc(cx, cy, r_out, 0, 2 * math.pi)
    ctx.new_sub_path()
    ctx.arc_negative(cx, cy, r_in, 2 * math.pi, 0)
    ctx.set_source(brass_linear(cx - r_out, cy - r_out, cx + r_out * 0.6, cy + r_out, dark))
    ctx.fill()
    # bevel lines
    ctx.set_line_width(1.2)
    src(ctx, alpha(PAL["brass_hi"], 0.55 * (1 - dark)))
    ctx.arc(cx, cy, r_out - 0.8, math.pi * 1.05, math.pi * 1.75)
    ctx.stroke()
    src(ctx, alpha(PAL["night"], 0.6))
    ctx.arc(cx, cy, r_out - 0.6, math.pi * 0.1, math.pi * 0.85)
    ctx.stroke()
    src(ctx, alpha(PAL["night"], 0.55))
    ctx.arc(cx, cy, r_in + 0.6, 0, 2 * math.pi)
    ctx.stroke()
    ctx.restore()


def rivet(ctx, x, y, r, dark=0.0):
    ctx.save()
    ctx.set_source(rad(x + r * 0.2, y + r * 0.3, 0, r * 1.6, [(0, (0, 0, 0, 0.5)), (1, (0, 0, 0, 0))]))
    ctx.arc(x + r * 0.2, y + r * 0.3, r * 1.6, 0, 2 * math.pi)
    ctx.fill()
    ctx.set_source(brass_radial(x, y, r, dark))
    ctx.arc(x, y, r, 0, 2 * math.pi)
    ctx.fill()
    ctx.restore()


def paper(arr, seed, burn=0.35, blotch=0.16):
    """Ages a paper-coloured premultiplied array: blotches, fibres, burnt edges."""
    h, w = arr.shape[:2]
    texture(arr, seed, cell=max(12, w / 6), amount=blotch, octaves=5)
    n = fbm(w, h, 3, seed + 7, 2)
    arr[..., :3] *= (0.97 + n * 0.06)[..., None]
    # edge burn from the alpha shape
    a = arr[..., 3]
    inner = blur(np.repeat(a[..., None], 4, axis=2), max(3, min(w, h) / 22))[..., 0]
    edge = np.clip((1 - inner) * 2.2, 0, 1) * burn
    burnc = np.array(PAL["wood"][:3], np.float32)
    arr[..., :3] = arr[..., :3] * (1 - edge[..., None]) + burnc * edge[..., None] * a[..., None]
    return arr


def glass_fill(ctx, col, x0, y0, x1, y1, a=0.55):
    """A translucent glass gradient for the current path (keeps the path)."""
    ctx.set_source(lin(x0, y0, x1, y1, [
        (0, alpha(shade(col, 1.35), a * 0.9)),
        (0.45, alpha(col, a * 0.7)),
        (1, alpha(shade(col, 0.55), a)),
    ]))
    ctx.fill_preserve()


def glass_shine(ctx, x, y, w, h, a=0.55):
    ctx.save()
    ctx.set_source(lin(x, y, x + w, y + h, [(0, (1, 1, 1, a)), (1, (1, 1, 1, 0))]))
    ellipse(ctx, x + w / 2, y + h / 2, w / 2, h / 2)
    ctx.fill()
    ctx.restore()


def rim_light(arr, mask_alpha, dx, dy, col, strength=0.6, width=2.5):
    """Adds a rim of light on the side of a shape facing (dx, dy)."""
    a = mask_alpha
    h, w = a.shape
    sx, sy = int(round(-dx * width)), int(round(-dy * width))
    shifted = np.zeros_like(a)
    ys = slice(max(0, sy), h + min(0, sy))
    yd = slice(max(0, -sy), h + min(0, -sy))
    xs = slice(max(0, sx), w + min(0, sx))
    xd = slice(max(0, -sx), w + min(0, -sx))
    shifted[yd, xd] = a[ys, xs]
    rim = np.clip(a - shifted, 0, 1) * strength
    arr[..., :3] += rim[..., None] * np.array(col[:3], np.float32)
    return arr


def crop_alpha(arr, pad=0, thresh=1.0 / 255):
    """Bounding box (x, y, w, h) of the visible pixels."""
    ys, xs = np.nonzero(arr[..., 3] > thresh)
    if len(xs) == 0:
        return 0, 0, 1, 1
    x0, x1, y0, y1 = xs.min(), xs.max() + 1, ys.min(), ys.max() + 1
    h, w = arr.shape[:2]
    x0, y0 = max(0, x0 - pad), max(0, y0 - pad)
    x1, y1 = min(w, x1 + pad), min(h, y1 + pad)
    return int(x0), int(y0), int(x1 - x0), int(y1 - y0)


def drop_shadow(arr, dx=3, dy=4, radius=4, a=0.5):
    """Soft shadow under a premultiplied layer (returned composited)."""
    h, w = arr.shape[:2]
    sh = np.zeros_like(arr)
    src_a = arr[..., 3]
    shifted = np.zeros_like(src_a)
    shifted[max(0, dy):h + min(0, dy), max(0, dx):w + min(0, dx)] = \
        src_a[max(0, -dy):h + min(0, -dy), max(0, -dx):w + min(0, -dx)]
    sh[..., 3] = shifted * a
    sh = blur(sh, radius)
    return over(arr, sh)
