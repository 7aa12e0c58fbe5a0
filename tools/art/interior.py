"""Building blocks for rooms: walls, floors, windows with a view, furniture and props."""
import math

import numpy as np

import scenery as sc
from kit import (PAL, W, H, alpha, blob, brass_linear, brass_radial, ellipse, glow, lin, mix, new, over, rad, rng,
                 rrect, shade, src, to_np, wood, from_np, ctx_for, nail, rivet)


def plaster(c, x, y, w, h, col, seed):
    c.rectangle(x, y, w, h)
    c.set_source(lin(0, y, 0, y + h, [(0, shade(col, 0.75)), (0.6, col), (1, shade(col, 0.85))]))
    c.fill()
    r = rng(seed)
    for i in range(int(w * h / 9000)):
        src(c, alpha(shade(col, 0.7 if r.rand() < 0.6 else 1.15), 0.06 + r.rand() * 0.08))
        blob(c, x + r.rand() * w, y + r.rand() * h, 10 + r.rand() * 50, 6 + r.rand() * 30, int(r.randint(1 << 30)), 9, 0.35)
        c.fill()
    # cracks
    for i in range(int(w / 250) + 1):
        cx, cy = x + r.rand() * w, y + r.rand() * h
        c.move_to(cx, cy)
        for k in range(6):
            cx += (r.rand() - 0.5) * 24
            cy += r.rand() * 14
            c.line_to(cx, cy)
        src(c, alpha(shade(col, 0.4), 0.35))
        c.set_line_width(0.9)
        c.stroke()


def stone_wall(c, x, y, w, h, seed, col=None, bh=34):
    col = col or PAL["stone"]
    r = rng(seed)
    c.rectangle(x, y, w, h)
    src(c, shade(col, 0.35))
    c.fill()
    row = 0
    yy = y
    while yy < y + h:
        xx = x - (row % 2) * 30 - r.rand() * 20
        while xx < x + w:
            bw = 50 + r.rand() * 50
            tone = shade(col, 0.7 + r.rand() * 0.45)
            rrect(c, xx + 2, yy + 2, bw - 4, bh - 4, 6)
            c.set_source(lin(0, yy, 0, yy + bh, [(0, shade(tone, 1.15)), (1, shade(tone, 0.75))]))
            c.fill()
            xx += bw
        yy += bh
        row += 1


def floor_planks(c, y0, y1, seed, tone="mid", vx=W / 2, vy=None):
    vy = vy if vy is not None else y0 - 420
    c.save()
    c.rectangle(0, y0, W, y1 - y0)
    c.clip()
    wood(c, 0, y0, W, y1 - y0, seed, tone=tone, planks=0, grain_n=60)
    # seams converging to the vanishing point
    src(c, alpha(PAL["night"], 0.6))
    c.set_line_width(1.6)
    for i in range(-14, 15):
        xb = W / 2 + i * 90
        t = (y0 - vy) / (y1 - vy)
        c.move_to(vx + (xb - vx) * t, y0)
        c.line_to(xb, y1)
    c.stroke()
    c.rectangle(0, y0, W, y1 - y0)
    c.set_source(lin(0, y0, 0, y1, [(0, alpha(PAL["night"], 0.55)), (0.5, alpha(PAL["night"], 0.15)), (1, alpha(PAL["night"], 0.35))]))
    c.fill()
    c.restore()


def window_view(arr, x, y, w, h, seed, stormy=0.5, horizon_t=0.62, lighthouse=False):
    """Pastes a little dusk seascape into arr at (x, y, w, h)."""
    x, y, w, h = int(x), int(y), int(w), int(h)
    hz = int(h * horizon_t)
    v = sc.dusk_sky(w, h, seed, hz, stormy=stormy, glow_x=0.6)
    v = sc.sea(v, hz, seed + 1, glint_x=0.6, rough=0.2)
    s = from_np(v)
    c = ctx_for(s)
    far = sc.ridge(-10, w * 0.5, hz + 2, h * 0.08, seed + 2, step=10)
    sc.cliff(c, far, seed + 3, mix(PAL["mist"], PAL["teal_lt"], 0.5), mix(PAL["mist"], PAL["teal"], 0.6), hz + 3)
    if lighthouse:
        sc.lighthouse(c, w * 0.75, hz - 2, h * 0.45, 0.0, seed + 4)
    v = to_np(s)
    v = sc.rain(v, seed + 5, n=int(w * h / 300), a=0.12 * stormy, length=12)
    arr[y:y + h, x:x + w] = v
    return arr


def window_frame(c, x, y, w, h, seed, panes=(2, 3), tone="mid", sill=14):
    fw = 14
    c.save()
    # outer frame
    c.rectangle(x - fw, y - fw, w + 2 * fw, h + 2 * fw)
    c.rectangle(x, y, w, h)
    c.set_fill_rule(1)
    c.clip()
    wood(c, x - fw, y - fw, w + 2 * fw, h + 2 * fw, seed, tone=tone)
    c.restore()
    c.save()
    c.set_line_width(1.5)
    src(c, alpha(PAL["night"], 0.8))
    c.rectangle(x, y, w, h)
    c.stroke()
    # glazing bars
    px, py = panes
    for i in range(1, px):
        xx = x + w * i / px
        c.rectangle(xx - 3, y, 6, h)
    for j in range(1, py):
        yy = y + h * j / py
        c.rectangle(x, yy - 3, w, 6)
    c.set_source(lin(x, 0, x + w, 0, [(0, shade(PAL["wood_md"], 0.8)), (1, shade(PAL["wood"], 0.6))]))
    c.fill()
    # glass sheen
    c.move_to(x + w * 0.1, y + h)
    c.line_to(x + w * 0.45, y)
    c.line_to(x + w * 0.6, y)
    c.line_to(x + w * 0.25, y + h)
    c.close_path()
    src(c, (1, 1, 1, 0.05))
    c.fill()
    # sill
    if sill:
        c.rectangle(x - fw - 10, y + h + fw - 2, w + 2 * fw + 20, sill)
        c.set_source(lin(0, y + h, 0, y + h + fw + sill, [(0, PAL["wood_lt"]), (1, PAL["wood"])]))
        c.fill()
        c.rectangle(x - fw - 10, y + h + fw + sill - 2, w + 2 * fw + 20, 6)
        src(c, alpha(PAL["night"], 0.5))
        c.fill()
    c.restore()


def shelf(c, x, y, w, seed, depth=14, tone="mid"):
    wood(c, x, y, w, depth, seed, tone=tone)
    c.rectangle(x, y + depth, w, 5)
    src(c, alpha(PAL["night"], 0.6))
    c.fill()
    for bx in (x + 18, x + w - 30):
        c.move_to(bx, y + depth)
        c.line_to(bx + 12, y + depth)
        c.line_to(bx + 12, y + depth + 34)
        c.close_path()
        src(c, shade(PAL["iron"], 0.8))
        c.fill()


def jar(c, x, base, w, h, col, lid=True, label=True):
    rrect(c, x - w / 2, base - h, w, h, w * 0.25)
    c.set_source(lin(x - w / 2, 0, x + w / 2, 0, [(0, alpha(shade(col, 1.3), 0.95)), (0.35, alpha(col, 0.9)), (1, alpha(shade(col, 0.45), 0.95))]))
    c.fill()
    if lid:
        rrect(c, x - w * 0.42, base - h - 6, w * 0.84, 9, 2)
        c.set_source(lin(0, base - h - 6, 0, base - h + 3, [(0, PAL["wood_lt"]), (1, PAL["wood"])]))
        c.fill()
    if label:
        c.rectangle(x - w * 0.35, base - h * 0.6, w * 0.7, h * 0.28)
        src(c, alpha(PAL["paper"], 0.85))
        c.fill()
    c.rectangle(x - w * 0.32, base - h + 6, w * 0.1, h - 14)
    src(c, (1, 1, 1, 0.12))
    c.fill()


def plate(c, x, y, r, col):
    c.arc(x, y, r, 0, 2 * math.pi)
    c.set_source(rad(x - r * 0.2, y - r * 0.2, 0, r, [(0, PAL["white"]), (0.7, PAL["paper"]), (1, shade(PAL["paper_dk"], 0.8))]))
    c.fill()
    c.arc(x, y, r * 0.8, 0, 2 * math.pi)
    src(c, alpha(col, 0.7))
    c.set_line_width(r * 0.08)
    c.stroke()
    c.arc(x, y, r * 0.45, 0, 2 * math.pi)
    src(c, alpha(col, 0.4))
    c.set_line_width(1.5)
    c.stroke()


def book_row(c, x, base, w, seed, hmin=50, hmax=90):
    r = rng(seed)
    cols = [PAL["cloth_red"], PAL["cloth_blue"], PAL["leaf"], PAL["wood_md"], PAL["teal"], PAL["amber_dk"], PAL["stone_dk"]]
    xx = x
    while xx < x + w - 8:
        bw = 9 + r.rand() * 12
        bh = hmin + r.rand() * (hmax - hmin)
        col = cols[r.randint(len(cols))]
        lean = 0
        if r.rand() < 0.08 and xx + bw + 20 < x + w:
            lean = 1
        c.save()
        if lean:
            c.translate(xx, base)
            c.rotate(-0.25)
            c.translate(-xx, -base)
        c.rectangle(xx, base - bh, bw, bh)
        c.set_source(lin(xx, 0, xx + bw, 0, [(0, shade(col, 1.2)), (0.4, col), (1, shade(col, 0.45))]))
        c.fill()
        src(c, alpha(PAL["brass_lt"], 0.7))
        for yy in (base - bh + 8, base - 10):
            c.rectangle(xx + 1, yy, bw - 2, 2)
        c.fill()
        c.restore()
        xx += bw + 1 + (10 if lean else 0)


def table(c, x, y, w, h, seed, legs=True, cloth=None, tone="mid"):
    """Tabletop seen slightly from above: top face (x, y, w, h) and a front edge."""
    wood(c, x, y, w, h, seed, tone=tone, planks=3)
    c.rectangle(x, y + h, w, 16)
    c.set_source(lin(0, y + h, 0, y + h + 16, [(0, PAL["wood_md"]), (1, PAL["wood_dk"])]))
    c.fill()
    if cloth:
        c.move_to(x + w * 0.2, y - 2)
        c.line_to(x + w * 0.8, y - 2)
        c.line_to(x + w * 0.86, y + h + 40)
        c.curve_to(x + w * 0.6, y + h + 50, x + w * 0.4, y + h + 36, x + w * 0.14, y + h + 44)
        c.close_path()
        c.set_source(lin(x, 0, x + w, 0, [(0, shade(cloth, 0.8)), (0.5, cloth), (1, shade(cloth, 0.7))]))
        c.fill()
        src(c, alpha(PAL["white"], 0.25))
        c.set_line_width(2)
        for i in range(1, 8):
            xx = x + w * (0.2 + 0.6 * i / 8)
            c.move_to(xx, y)
            c.line_to(xx + (i - 4) * 2, y + h + 40)
        c.stroke()
    if legs:
        for lx in (x + 20, x + w - 44):
            c.rectangle(lx, y + h + 16, 24, 200)
            c.set_source(lin(lx, 0, lx + 24, 0, [(0, PAL["wood_md"]), (1, PAL["wood_dk"])]))
            c.fill()


def cabinet(c, x, y, w, h, seed, tone="mid", doors=2, top_h=14):
    wood(c, x, y + top_h, w, h - top_h, seed, tone=tone, vertical=True)
    wood(c, x - 8, y, w + 16, top_h, seed + 1, tone="light")
    c.rectangle(x - 8, y + top_h, w + 16, 4)
    src(c, alpha(PAL["night"], 0.5))
    c.fill()
    dw = (w - 24) / doors
    for i in range(doors):
        dx = x + 12 + i * dw
        rrect(c, dx + 3, y + top_h + 12, dw - 6, h - top_h - 24, 4)
        src(c, alpha(PAL["night"], 0.45))
        c.set_line_width(2)
        c.stroke()
        rrect(c, dx + 12, y + top_h + 22, dw - 24, h - top_h - 44, 3)
        src(c, alpha(PAL["wood_lt"], 0.25))
        c.set_line_width(1.2)
        c.stroke()
        kx = dx + (dw - 14 if i == 0 else 14)
        rivet(c, kx, y + h / 2, 4)


def crate(c, x, y, w, h, seed):
    wood(c, x, y, w, h, seed, tone="light", planks=3)
    c.set_line_width(8)
    src(c, alpha(shade(PAL["wood_md"], 0.9), 1))
    c.rectangle(x + 4, y + 4, w - 8, h - 8)
    c.stroke()
    c.move_to(x + 8, y + 8)
    c.line_to(x + w - 8, y + h - 8)
    c.stroke()
    c.set_line_width(1.5)
    src(c, alpha(PAL["night"], 0.6))
    c.rectangle(x, y, w, h)
    c.stroke()
    for (nx, ny) in ((x + 8, y + 8), (x + w - 8, y + 8), (x + 8, y + h - 8), (x + w - 8, y + h - 8)):
        nail(c, nx, ny, 2)


def barrel(c, cx, base, w, h, seed):
    x, y = cx - w / 2, base - h
    c.save()
    c.move_to(x + w * 0.06, y)
    c.curve_to(x - w * 0.06, y + h * 0.35, x - w * 0.06, y + h * 0.65, x + w * 0.06, base)
    c.line_to(x + w * 0.94, base)
    c.curve_to(x + w * 1.06, y + h * 0.65, x + w * 1.06, y + h * 0.35, x + w * 0.94, y)
    c.close_path()
    c.clip()
    wood(c, x - 10, y, w + 20, h, seed, tone="mid", vertical=True, planks=0)
    c.rectangle(x - 10, y, w + 20, h)
    c.set_source(lin(x, 0, x + w, 0, [(0, alpha(PAL["night"], 0.55)), (0.35, alpha(PAL["night"], 0)), (1, alpha(PAL["night"], 0.7))]))
    c.fill()
    src(c, alpha(PAL["night"], 0.5))
    c.set_line_width(1.2)
    for i in range(1, 7):
        xx = x + w * i / 7
        c.move_to(xx, y)
        c.curve_to(xx + (xx - cx) * 0.08, y + h * 0.5, xx + (xx - cx) * 0.08, y + h * 0.5, xx, base)
    c.stroke()
    for t in (0.12, 0.3, 0.7, 0.88):
        c.rectangle(x - 10, y + h * t - 4, w + 20, 8)
        c.set_source(lin(0, y + h * t - 4, 0, y + h * t + 4, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))
        c.fill()
    c.restore()
    ellipse(c, cx, y, w * 0.44, h * 0.06)
    c.set_source(lin(0, y - 10, 0, y + 10, [(0, PAL["wood_lt"]), (1, PAL["wood"])]))
    c.fill()


def fireplace(c, x, y, w, h, seed, fire=True):
    """Stone hearth with a mantel at y; the opening's glow is left to the light map."""
    stone_wall(c, x, y + 20, w, h - 20, seed, PAL["stone"], 30)
    ox, oy, ow, oh = x + w * 0.2, y + h * 0.38, w * 0.6, h * 0.62
    c.move_to(ox, oy + oh)
    c.line_to(ox, oy + ow * 0.2)
    c.curve_to(ox, oy, ox + ow, oy, ox + ow, oy + ow * 0.2)
    c.line_to(ox + ow, oy + oh)
    c.close_path()
    c.set_source(lin(0, oy, 0, oy + oh, [(0, PAL["night"]), (1, shade(PAL["ember"], 0.35))]))
    c.fill()
    wood(c, x - 16, y, w + 32, 22, seed + 5, tone="dark")
    c.rectangle(x - 16, y + 22, w + 32, 5)
    src(c, alpha(PAL["night"], 0.6))
    c.fill()
    if fire:
        fx, fy = ox + ow / 2, oy + oh - 12
        for i in range(3):
            rrect(c, fx - 50 + i * 12, fy - 6 - i * 6, 90 - i * 20, 12, 5)
            c.set_source(lin(0, fy - 12, 0, fy + 6, [(0, PAL["wood_md"]), (1, PAL["wood_dk"])]))
            c.fill()
        r = rng(seed + 9)
        for i in range(9):
            fx2 = fx + (r.rand() - 0.5) * 70
            hh = 30 + r.rand() * 50
            c.move_to(fx2 - 14, fy)
            c.curve_to(fx2 - 14, fy - hh * 0.5, fx2 - 2, fy - hh * 0.7, fx2 + (r.rand() - 0.5) * 10, fy - hh)
            c.curve_to(fx2 + 4, fy - hh * 0.6, fx2 + 14, fy - hh * 0.4, fx2 + 14, fy)
            c.close_path()
            c.set_source(lin(0, fy - hh, 0, fy, [(0, alpha(PAL["amber_lt"], 0.0)), (0.4, alpha(PAL["amber"], 0.7)), (1, alpha(PAL["candle"], 0.95))]))
            c.fill()
        glow(c, fx, fy - 20, 120, PAL["amber"], 0.45)


def beam_h(c, x, y, w, h, seed):
    wood(c, x, y, w, h, seed, tone="dark")
    c.rectangle(x, y + h, w, 6)
    src(c, alpha(PAL["night"], 0.55))
    c.fill()


def beam_v(c, x, y, w, h, seed):
    wood(c, x, y, w, h, seed, tone="dark", vertical=True)
    c.rectangle(x + w, y, 6, h)
    src(c, alpha(PAL["night"], 0.45))
    c.fill()


def pot(c, cx, cy, r, seed):
    """A hanging copper pot."""
    c.move_to(cx, cy - r * 1.9)
    c.line_to(cx, cy - r * 0.6)
    src(c, PAL["iron"])
    c.set_line_width(2)
    c.stroke()
    c.arc(cx, cy - r * 0.6, 5, 0, 2 * math.pi)
    c.stroke()
    c.move_to(cx - r, cy - r * 0.4)
    c.curve_to(cx - r, cy + r * 0.9, cx + r, cy + r * 0.9, cx + r, cy - r * 0.4)
    c.close_path()
    c.set_source(rad(cx - r * 0.3, cy, 0, r * 1.3, [(0, shade(PAL["copper"], 1.6)), (0.5, PAL["copper"]), (1, shade(PAL["copper"], 0.45))]))
    c.fill()
    ellipse(c, cx, cy - r * 0.4, r, r * 0.2)
    src(c, shade(PAL["copper"], 0.5))
    c.fill()


def rug(c, cx, cy, rx, ry, col):
    ellipse(c, cx, cy, rx, ry)
    c.set_source(rad(cx, cy, 0, rx, [(0, shade(col, 1.1)), (1, shade(col, 0.6))]))
    c.fill()
    for k in (0.85, 0.6):
        ellipse(c, cx, cy, rx * k, ry * k)
        src(c, alpha(PAL["amber_lt"], 0.3))
        c.set_line_width(3)
        c.stroke()


def frame_picture(c, x, y, w, h, seed, subject="sea"):
    c.rectangle(x - 8, y - 8, w + 16, h + 16)
    c.set_source(brass_linear(x, y - 8, x + w, y + h + 8, 0.2))
    c.fill()
    c.rectangle(x, y, w, h)
    c.set_source(lin(0, y, 0, y + h, [(0, PAL["teal"]), (0.6, PAL["mist"]), (0.61, PAL["deep"]), (1, PAL["abyss"])]))
    c.fill()
    if subject == "ship":
        c.move_to(x + w * 0.3, y + h * 0.62)
        c.line_to(x + w * 0.7, y + h * 0.62)
        c.line_to(x + w * 0.64, y + h * 0.72)
        c.line_to(x + w * 0.36, y + h * 0.72)
        c.close_path()
        src(c, PAL["wood_dk"])
        c.fill()
        for mx in (0.42, 0.56):
            c.move_to(x + w * mx, y + h * 0.62)
            c.line_to(x + w * mx, y + h * 0.2)
            c.line_to(x + w * (mx + 0.1), y + h * 0.55)
            c.close_path()
            src(c, alpha(PAL["paper"], 0.9))
            c.fill()
    else:
        c.move_to(x + w * 0.6, y + h * 0.61)
        c.line_to(x + w * 0.63, y + h * 0.2)
        c.line_to(x + w * 0.68, y + h * 0.2)
        c.line_to(x + w * 0.71, y + h * 0.61)
        c.close_path()
        src(c, PAL["paper"])
        c.fill()


def clock(c, cx, cy, r):
    rrect(c, cx - r * 1.2, cy - r * 1.3, r * 2.4, r * 4.6, 6)
    c.set_source(lin(cx - r, 0, cx + r, 0, [(0, PAL["wood_md"]), (1, PAL["wood_dk"])]))
    c.fill()
    c.arc(cx, cy, r, 0, 2 * math.pi)
    c.set_source(brass_radial(cx, cy, r))
    c.fill()
    c.arc(cx, cy, r * 0.82, 0, 2 * math.pi)
    src(c, PAL["paper"])
    c.fill()
    src(c, PAL["ink"])
    c.set_line_width(2)
    c.move_to(cx, cy)
    c.line_to(cx + r * 0.5, cy - r * 0.3)
    c.move_to(cx, cy)
    c.line_to(cx - r * 0.1, cy - r * 0.65)
    c.stroke()
    c.rectangle(cx - r * 0.6, cy + r * 1.4, r * 1.2, r * 1.6)
    src(c, alpha(PAL["night"], 0.6))
    c.fill()
    c.arc(cx, cy + r * 2.6, r * 0.35, 0, 2 * math.pi)
    c.set_source(brass_radial(cx, cy + r * 2.6, r * 0.35))
    c.fill()


def curtain(c, x, y, w, h, col, seed, side=1):
    r = rng(seed)
    c.move_to(x, y)
    c.line_to(x + w, y)
    c.curve_to(x + w * 0.7, y + h * 0.4, x + w * 0.4 + side * 10, y + h * 0.7, x + w * (0.55 if side > 0 else 0.3), y + h)
    c.line_to(x, y + h)
    c.close_path()
    c.set_source(lin(x, 0, x + w, 0, [(0, shade(col, 0.7)), (0.3, shade(col, 1.15)), (0.55, shade(col, 0.7)), (0.8, shade(col, 1.05)), (1, shade(col, 0.6))]))
    c.fill()


def rubble_wall(c, x, y, w, h, seed, col=None, cell=38):
    """Fieldstone wall: irregular stones in dark mortar, each lit from the upper left."""
    col = col or PAL["stone"]
    r = rng(seed)
    c.rectangle(x, y, w, h)
    src(c, shade(col, 0.32))
    c.fill()
    rows = int(h / (cell * 0.72)) + 2
    for j in range(rows):
        yy = y + j * cell * 0.72
        xx = x - cell * (0.5 if j % 2 else 0.0) - r.rand() * cell * 0.3
        while xx < x + w + cell:
            sw = cell * (0.7 + r.rand() * 0.7)
            sh = cell * (0.42 + r.rand() * 0.3)
            cx, cy = xx + sw / 2, yy + (r.rand() - 0.5) * cell * 0.12
            tone = shade(col, 0.65 + r.rand() * 0.55)
            if r.rand() < 0.12:
                tone = mix(tone, PAL["wood_md"], 0.25)
            elif r.rand() < 0.12:
                tone = mix(tone, PAL["teal_lt"], 0.2)
            blob(c, cx, cy, sw * 0.47, sh * 0.5, int(r.randint(1 << 30)), 9, 0.16)
            c.set_source(rad(cx - sw * 0.2, cy - sh * 0.3, 1, sw * 0.75, [(0, shade(tone, 1.22)), (0.6, tone), (1, shade(tone, 0.6))]))
            c.fill()
            xx += sw * (0.92 + r.rand() * 0.1)
