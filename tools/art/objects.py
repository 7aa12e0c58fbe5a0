"""Hidden-object drawers. Each draws one object centred at (0, 0) in a box about
100 units wide (the caller scales and turns it). Colours come from the palette."""
import math

from kit import (PAL, alpha, brass_linear, brass_radial, ellipse, glass_fill, glass_shine, lin, mix, rad, rng,
                 rrect, shade, smooth, src, blob)

OUT = PAL["night"]


def _edge(c, lw=2.0, a=0.85):
    src(c, alpha(OUT, a))
    c.set_line_width(lw)
    c.stroke()


def _fill_edge(c, pattern, lw=2.0):
    c.set_source(pattern)
    c.fill_preserve()
    _edge(c, lw)


def key(c, seed=0, iron=False):
    """A key; brass, or with `iron` dark iron."""
    metal = ((lambda x0, y0, x1, y1: lin(x0, y0, x1, y1, [(0, shade(PAL["iron_lt"], 1.15)), (1, PAL["iron"])]))
             if iron else brass_linear)
    c.arc(-30, 0, 16, 0, 2 * math.pi)
    c.new_sub_path()
    c.arc_negative(-30, 0, 8, 2 * math.pi, 0)
    _fill_edge(c, metal(-46, -16, -14, 16))
    c.rectangle(-15, -4, 60, 8)
    _fill_edge(c, metal(0, -4, 0, 4))
    c.move_to(30, 4)
    c.line_to(30, 18)
    c.line_to(36, 18)
    c.line_to(36, 12)
    c.line_to(40, 12)
    c.line_to(40, 18)
    c.line_to(46, 18)
    c.line_to(46, 4)
    c.close_path()
    _fill_edge(c, metal(30, 4, 46, 18))
    for x in (-10, -4):
        c.rectangle(x, -6, 3, 12)
        _fill_edge(c, metal(0, -6, 0, 6), 1)


def pocket_watch(c, seed=0):
    c.arc(0, -44, 7, 0, 2 * math.pi)
    c.set_line_width(3.5)
    c.set_source(brass_linear(-7, -51, 7, -37))
    c.stroke()
    rrect(c, -6, -40, 12, 8, 2)
    _fill_edge(c, brass_linear(-6, -40, 6, -32), 1.5)
    c.arc(0, 0, 34, 0, 2 * math.pi)
    _fill_edge(c, brass_radial(0, 0, 34))
    c.arc(0, 0, 27, 0, 2 * math.pi)
    c.set_source(rad(-5, -5, 0, 30, [(0, PAL["white"]), (1, PAL["paper_dk"])]))
    c.fill()
    src(c, PAL["ink"])
    for i in range(12):
        t = i * math.pi / 6
        c.set_line_width(2.2 if i % 3 == 0 else 1.2)
        c.move_to(math.cos(t) * 21, math.sin(t) * 21)
        c.line_to(math.cos(t) * 25, math.sin(t) * 25)
        c.stroke()
    c.set_line_width(2.2)
    c.move_to(0, 0)
    c.line_to(10, -12)
    c.move_to(0, 0)
    c.line_to(-3, 18)
    c.stroke()
    c.arc(0, 0, 2.5, 0, 2 * math.pi)
    c.fill()
    glass_shine(c, -20, -22, 22, 12, 0.5)


def compass(c, seed=0):
    """A pocket compass, open: its hinged lid standing up behind it, a compass rose on its card
    (four long points, four short ones) and a needle, red to the north, lying across it."""
    # the lid, open and tilted back, its inside showing, on a hinge at the top of the case
    c.save()
    c.translate(0, -38)
    ellipse(c, 0, -16, 34, 20)
    _fill_edge(c, brass_linear(-34, -36, 34, 4, 0.15), 1.6)
    ellipse(c, 0, -16, 27, 14)
    c.set_source(lin(0, -30, 0, -2, [(0, PAL["brass_dk"]), (1, PAL["brass"])]))
    c.fill()
    c.restore()
    rrect(c, -8, -44, 16, 8, 2)
    _fill_edge(c, brass_linear(-8, -44, 8, -36), 1.2)
    # the case and its card
    c.arc(0, 0, 38, 0, 2 * math.pi)
    _fill_edge(c, brass_radial(0, 0, 38))
    c.arc(0, 0, 30, 0, 2 * math.pi)
    c.set_source(rad(0, 0, 0, 30, [(0, PAL["white"]), (1, PAL["paper_dk"])]))
    c.fill()
    # the rose: short diagonal points in grey under four long points
    for k in range(4):
        t = math.pi / 4 + k * math.pi / 2
        c.move_to(math.cos(t) * 22, math.sin(t) * 22)
        c.line_to(math.cos(t + 0.55) * 7, math.sin(t + 0.55) * 7)
        c.line_to(0, 0)
        c.line_to(math.cos(t - 0.55) * 7, math.sin(t - 0.55) * 7)
        c.close_path()
    src(c, alpha(PAL["iron_lt"], 0.9))
    c.fill()
    for k in range(4):
        t = k * math.pi / 2
        c.move_to(math.cos(t) * 29, math.sin(t) * 29)
        c.line_to(math.cos(t + 0.78) * 7, math.sin(t + 0.78) * 7)
        c.line_to(0, 0)
        c.line_to(math.cos(t - 0.78) * 7, math.sin(t - 0.78) * 7)
        c.close_path()
    src(c, alpha(PAL["ink"], 0.85))
    c.fill()
    # the needle, a little off the rose's north
    c.save()
    c.rotate(0.35)
    c.move_to(0, -28)
    c.line_to(6, 0)
    c.line_to(-6, 0)
    c.close_path()
    src(c, PAL["cloth_red"])
    c.fill_preserve()
    _edge(c, 1, 0.6)
    c.move_to(0, 28)
    c.line_to(6, 0)
    c.line_to(-6, 0)
    c.close_path()
    src(c, PAL["fog"])
    c.fill_preserve()
    _edge(c, 1, 0.6)
    c.restore()
    c.arc(0, 0, 3.5, 0, 2 * math.pi)
    c.set_source(brass_radial(0, 0, 3.5))
    c.fill()
    glass_shine(c, -24, -26, 22, 12, 0.4)


def bottle(c, seed=0, col=None, label=True, message=False):
    col = col or PAL["seaglass_dk"]
    path = lambda: (c.move_to(-8, -50), c.line_to(8, -50), c.line_to(8, -28),
                    c.curve_to(22, -20, 22, -14, 22, -4), c.line_to(22, 44),
                    c.curve_to(22, 50, -22, 50, -22, 44), c.line_to(-22, -4),
                    c.curve_to(-22, -14, -22, -20, -8, -28), c.close_path())
    path()
    glass_fill(c, col, -22, 0, 22, 0, 0.85)
    _edge(c, 1.6)
    if message:
        # a rolled note: a paper roll, its spiral end towards the neck, tied with red string
        rrect(c, -11, -14, 22, 54, 5)
        c.set_source(lin(-11, 0, 11, 0, [(0, PAL["paper_dk"]), (0.45, PAL["fog"]), (1, shade(PAL["paper_dk"], 0.8))]))
        c.fill_preserve()
        _edge(c, 1.2, 0.6)
        ellipse(c, 0, -14, 11, 4)
        src(c, PAL["fog"])
        c.fill_preserve()
        _edge(c, 1, 0.6)
        c.arc(0, -14, 6, 0.3, 5.5)
        c.set_line_width(1)
        src(c, alpha(PAL["ink"], 0.7))
        c.stroke()
        src(c, alpha(PAL["ink"], 0.45))
        for y in (2, 24):
            c.move_to(-6, y)
            c.line_to(6, y + 2)
        c.stroke()
        c.rectangle(-11, 10, 22, 4)
        src(c, PAL["cloth_red"])
        c.fill()
    elif label:
        rrect(c, -18, 4, 36, 24, 2)
        c.set_source(lin(0, 4, 0, 28, [(0, PAL["paper"]), (1, PAL["paper_dk"])]))
        c.fill()
        src(c, alpha(PAL["ink"], 0.6))
        c.set_line_width(1.2)
        c.move_to(-12, 12)
        c.line_to(12, 12)
        c.move_to(-9, 19)
        c.line_to(9, 19)
        c.stroke()
    rrect(c, -7, -58, 14, 12, 2)
    _fill_edge(c, lin(-7, 0, 7, 0, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.2)
    path()
    c.set_source(lin(-22, 0, 22, 0, [(0, (1, 1, 1, 0.0)), (0.2, (1, 1, 1, 0.35)), (0.3, (1, 1, 1, 0.0)), (1, (0, 0, 0, 0.15))]))
    c.fill()


def candle(c, seed=0, lit=False):
    ellipse(c, 0, 40, 36, 10)
    _fill_edge(c, brass_linear(-36, 30, 36, 50))
    c.rectangle(-6, 20, 12, 20)
    _fill_edge(c, brass_linear(-6, 0, 6, 0), 1.2)
    ellipse(c, 0, 22, 18, 6)
    _fill_edge(c, brass_linear(-18, 16, 18, 28), 1.5)
    c.move_to(-11, 20)
    c.line_to(-11, -26)
    c.curve_to(-11, -30, 11, -30, 11, -26)
    c.line_to(11, 20)
    c.close_path()
    _fill_edge(c, lin(-11, 0, 11, 0, [(0, PAL["white"]), (0.6, PAL["paper"]), (1, PAL["paper_dk"])]), 1.4)
    src(c, OUT)
    c.set_line_width(1.5)
    c.move_to(0, -28)
    c.line_to(1, -34)
    c.stroke()
    c.arc(28, 32, 7, -math.pi, math.pi * 0.6)
    c.set_line_width(3)
    c.set_source(brass_linear(20, 25, 35, 40))
    c.stroke()
    if lit:
        c.move_to(1, -58)
        c.curve_to(8, -46, 7, -36, 1, -34)
        c.curve_to(-5, -36, -6, -46, 1, -58)
        c.set_source(rad(1, -40, 0, 14, [(0, PAL["candle"]), (0.6, PAL["amber_lt"]), (1, PAL["amber"])]))
        c.fill()


def teacup(c, seed=0, col=None):
    col = col or PAL["cloth_blue"]
    ellipse(c, 0, 30, 46, 11)
    _fill_edge(c, lin(-46, 0, 46, 0, [(0, PAL["white"]), (1, PAL["paper_dk"])]), 1.5)
    c.arc(38, 0, 11, -math.pi * 0.6, math.pi * 0.6)
    c.set_line_width(5)
    src(c, PAL["paper_dk"])
    c.stroke()
    c.move_to(-32, -16)
    c.curve_to(-32, 14, -20, 28, 0, 28)
    c.curve_to(20, 28, 32, 14, 32, -16)
    c.close_path()
    _fill_edge(c, lin(-32, 0, 32, 0, [(0, PAL["white"]), (0.6, PAL["paper"]), (1, PAL["paper_dk"])]), 1.5)
    c.move_to(-30, -4)
    c.curve_to(-10, 2, 10, 2, 30, -4)
    c.set_line_width(4)
    src(c, col)
    c.stroke()
    ellipse(c, 0, -16, 32, 7)
    c.set_source(lin(0, -23, 0, -9, [(0, shade(PAL["wood"], 0.8)), (1, PAL["wood_md"])]))
    c.fill_preserve()
    _edge(c, 1.4)


def book(c, seed=0, col=None):
    col = col or PAL["cloth_red"]
    c.move_to(-44, -26)
    c.line_to(40, -30)
    c.line_to(46, 22)
    c.line_to(-40, 28)
    c.close_path()
    _fill_edge(c, lin(-44, -26, 46, 28, [(0, shade(col, 1.25)), (1, shade(col, 0.6))]))
    c.move_to(-40, 28)
    c.line_to(46, 22)
    c.line_to(46, 30)
    c.line_to(-40, 36)
    c.close_path()
    _fill_edge(c, lin(0, 22, 0, 36, [(0, PAL["paper"]), (1, PAL["paper_dk"])]), 1.2)
    src(c, alpha(PAL["brass_lt"], 0.9))
    c.set_line_width(2)
    c.move_to(-34, -20)
    c.line_to(34, -24)
    c.line_to(39, 16)
    c.line_to(-33, 21)
    c.close_path()
    c.stroke()
    c.arc(2, -2, 8, 0, 2 * math.pi)
    c.stroke()


def eyeglasses(c, seed=0):
    c.set_line_width(4)
    for x in (-22, 22):
        c.arc(x, 0, 17, 0, 2 * math.pi)
        c.set_source(rad(x - 4, -4, 0, 17, [(0, (0.9, 0.97, 0.95, 0.35)), (1, (0.6, 0.8, 0.8, 0.25))]))
        c.fill_preserve()
        c.set_source(brass_linear(x - 17, -17, x + 17, 17))
        c.stroke()
        glass_shine(c, x - 11, -12, 10, 6, 0.6)
    c.move_to(-6, -2)
    c.curve_to(-3, -8, 3, -8, 6, -2)
    c.set_source(brass_linear(-6, -8, 6, 0))
    c.stroke()
    c.set_line_width(3)
    c.move_to(-39, -3)
    c.line_to(-50, 8)
    c.move_to(39, -3)
    c.line_to(50, 8)
    c.stroke()


def quill(c, seed=0):
    c.move_to(-48, 44)
    c.curve_to(-10, 0, 20, -30, 46, -48)
    c.curve_to(30, -20, 20, 4, -4, 22)
    c.curve_to(-16, 30, -30, 38, -48, 44)
    c.close_path()
    _fill_edge(c, lin(-40, 40, 40, -40, [(0, PAL["paper_dk"]), (0.5, PAL["white"]), (1, PAL["mist_lt"])]), 1.4)
    src(c, alpha(PAL["stone"], 0.7))
    c.set_line_width(1.2)
    for i in range(10):
        t = 0.15 + i * 0.08
        x, y = -48 + 94 * t, 44 - 92 * t
        c.move_to(x, y)
        c.line_to(x + 10, y + 6)
    c.stroke()
    c.move_to(-48, 44)
    c.line_to(46, -48)
    c.set_line_width(1.5)
    src(c, PAL["stone_dk"])
    c.stroke()


def shell(c, seed=0, col=None):
    col = col or mix(PAL["paper"], PAL["ember"], 0.25)
    c.move_to(0, 34)
    for i in range(11):
        t = math.pi * (1.1 + 0.8 * i / 10)
        c.line_to(math.cos(t) * 44, 20 + math.sin(t) * 52)
    c.close_path()
    _fill_edge(c, rad(0, 30, 0, 60, [(0, shade(col, 1.2)), (1, shade(col, 0.7))]), 1.6)
    src(c, alpha(shade(col, 0.5), 0.8))
    c.set_line_width(1.5)
    for i in range(9):
        t = math.pi * (1.15 + 0.7 * i / 8)
        c.move_to(0, 30)
        c.line_to(math.cos(t) * 40, 20 + math.sin(t) * 47)
    c.stroke()
    c.move_to(-12, 30)
    c.line_to(12, 30)
    c.line_to(8, 42)
    c.line_to(-8, 42)
    c.close_path()
    _fill_edge(c, lin(0, 30, 0, 42, [(0, col), (1, shade(col, 0.6))]), 1.2)


def starfish(c, seed=0, col=None):
    col = col or PAL["ember"]
    pts = []
    for i in range(10):
        t = -math.pi / 2 + i * math.pi / 5
        r = 46 if i % 2 == 0 else 18
        pts.append((math.cos(t) * r, math.sin(t) * r))
    smooth(c, pts, True, 0.12)
    _fill_edge(c, rad(0, 0, 0, 46, [(0, shade(col, 1.3)), (1, shade(col, 0.65))]), 1.6)
    src(c, alpha(PAL["paper"], 0.7))
    r_ = rng(seed)
    for i in range(30):
        t = r_.rand() * 2 * math.pi
        d = r_.rand() * 30
        c.arc(math.cos(t) * d, math.sin(t) * d, 1.3, 0, 2 * math.pi)
        c.fill()


def seaglass(c, seed=0):
    r = rng(seed)
    cols = [PAL["seaglass"], PAL["seaglass_bl"], mix(PAL["seaglass"], PAL["white"], 0.4), PAL["amber"]]
    for i, (x, y, s) in enumerate(((-22, 6, 22), (10, -10, 20), (20, 14, 16), (-4, 22, 13))):
        blob(c, x, y, s, s * 0.75, seed + i, 7, 0.25)
        col = cols[i % 4]
        c.set_source(rad(x - s * 0.3, y - s * 0.3, 0, s * 1.2, [(0, alpha(shade(col, 1.4), 0.95)), (1, alpha(shade(col, 0.6), 0.9))]))
        c.fill_preserve()
        _edge(c, 1.2, 0.5)
        glass_shine(c, x - s * 0.5, y - s * 0.5, s * 0.6, s * 0.35, 0.5)


def coin(c, seed=0):
    c.arc(0, 0, 40, 0, 2 * math.pi)
    _fill_edge(c, brass_radial(0, 0, 40))
    c.arc(0, 0, 32, 0, 2 * math.pi)
    src(c, alpha(PAL["brass_dk"], 0.7))
    c.set_line_width(2)
    c.stroke()
    # a little lighthouse stamped on it
    c.move_to(-7, 22)
    c.line_to(-4, -14)
    c.line_to(4, -14)
    c.line_to(7, 22)
    c.close_path()
    c.rectangle(-6, -22, 12, 7)
    src(c, alpha(PAL["brass_dk"], 0.85))
    c.fill()


def anchor(c, seed=0):
    c.save()
    c.set_line_width(11)
    src(c, OUT)
    c.move_to(0, -34)
    c.line_to(0, 40)
    c.stroke()
    c.arc(0, 6, 38, math.pi * 0.15, math.pi * 0.85)
    c.stroke()
    c.move_to(-20, -22)
    c.line_to(20, -22)
    c.stroke()
    c.restore()
    c.set_line_width(8)
    c.set_source(lin(-40, 0, 40, 0, [(0, shade(PAL["iron_lt"], 1.2)), (1, PAL["iron"])]))
    c.move_to(0, -34)
    c.line_to(0, 40)
    c.stroke()
    c.arc(0, 6, 38, math.pi * 0.15, math.pi * 0.85)
    c.stroke()
    c.move_to(-20, -22)
    c.line_to(20, -22)
    c.stroke()
    c.set_line_width(5)
    c.arc(0, -42, 8, 0, 2 * math.pi)
    c.stroke()
    for sx in (-1, 1):
        c.move_to(sx * 34, 24)
        c.line_to(sx * 44, 12)
        c.line_to(sx * 28, 16)
        c.close_path()
        c.fill()


def rope(c, seed=0):
    """A coil of rope seen from the front and a little above: loops lying one on another, each
    showing the twist of its strands, the loose end trailing out."""
    loops = [(0, 14, 46, 20), (-2, 6, 42, 18), (1, -2, 38, 16), (-1, -9, 33, 14), (0, -15, 27, 11)]
    for cx, cy, rx, ry in loops:
        ellipse(c, cx, cy, rx, ry)
        c.set_line_width(10)
        src(c, shade(PAL["rope"], 0.45))
        c.stroke()
        ellipse(c, cx, cy, rx, ry)
        c.set_line_width(7.5)
        c.set_source(lin(0, cy - ry, 0, cy + ry, [(0, shade(PAL["rope"], 1.25)), (1, shade(PAL["rope"], 0.8))]))
        c.stroke()
        # the strands' twist: short slanted marks along the front of the loop
        src(c, alpha(shade(PAL["rope"], 0.4), 0.8))
        c.set_line_width(1.3)
        for k in range(16):
            t = math.pi * (0.05 + 0.9 * k / 15)
            x, y = cx + rx * math.cos(t), cy + ry * math.sin(t)
            c.move_to(x - 2.5, y - 3.5)
            c.line_to(x + 2.5, y + 3.5)
        c.stroke()
    # the hole in the middle of the coil
    ellipse(c, 0, -15, 16, 5)
    src(c, alpha(PAL["night"], 0.55))
    c.fill()
    # the loose end with its whipped tip
    c.move_to(40, 22)
    c.curve_to(52, 30, 44, 40, 54, 46)
    c.set_line_width(9)
    src(c, shade(PAL["rope"], 0.45))
    c.stroke_preserve()
    c.set_line_width(6.5)
    src(c, PAL["rope"])
    c.stroke()
    c.arc(54, 46, 4, 0, 2 * math.pi)
    src(c, PAL["cloth_red"])
    c.fill()


def lantern(c, seed=0, lit=False):
    # the bail: a wire loop over the top to carry it by
    c.move_to(-15, -38)
    c.curve_to(-17, -68, 17, -68, 15, -38)
    c.set_line_width(5.5)
    src(c, alpha(OUT, 0.85))
    c.stroke_preserve()
    c.set_line_width(3)
    src(c, PAL["iron_lt"])
    c.stroke()
    c.move_to(-16, -36)
    c.line_to(16, -36)
    c.line_to(10, -44)
    c.line_to(-10, -44)
    c.close_path()
    _fill_edge(c, brass_linear(-16, -44, 16, -36), 1.2)
    rrect(c, -16, -36, 32, 56, 6)
    if lit:
        c.set_source(rad(0, -8, 0, 30, [(0, PAL["candle"]), (0.5, alpha(PAL["amber_lt"], 0.9)), (1, alpha(PAL["amber"], 0.8))]))
        c.fill_preserve()
    else:
        glass_fill(c, PAL["mist"], -16, 0, 16, 0, 0.6)
    _edge(c, 1.5)
    if not lit:
        # the burner and its wick behind the glass
        rrect(c, -9, 8, 18, 12, 3)
        c.set_source(brass_linear(-9, 8, 9, 20, 0.2))
        c.fill()
        c.rectangle(-2, 0, 4, 8)
        src(c, PAL["paper"])
        c.fill()
    for x in (-16, 0, 16):
        c.move_to(x, -36)
        c.line_to(x, 20)
    c.move_to(-16, -10)
    c.line_to(16, -10)
    c.set_line_width(2)
    src(c, PAL["iron"])
    c.stroke()
    rrect(c, -20, 20, 40, 12, 3)
    _fill_edge(c, brass_linear(-20, 20, 20, 32), 1.2)


def bell(c, seed=0, headstock=False):
    """A bell, mouth down, its clapper showing under the lip; with `headstock` a church bell
    taken down, still bolted to the wooden beam it swung from."""
    c.arc(0, -42, 7, 0, 2 * math.pi)
    c.set_line_width(4)
    c.set_source(brass_linear(-7, -49, 7, -35))
    c.stroke()
    c.move_to(-14, -34)
    c.curve_to(-16, -10, -24, 14, -40, 28)
    c.line_to(40, 28)
    c.curve_to(24, 14, 16, -10, 14, -34)
    c.close_path()
    _fill_edge(c, brass_linear(-40, 0, 40, 0))
    ellipse(c, 0, 28, 40, 6)
    _fill_edge(c, brass_linear(-40, 22, 40, 34), 1.4)
    c.arc(0, 36, 6, 0, 2 * math.pi)
    c.set_source(brass_radial(0, 36, 6, 0.3))
    c.fill()
    if headstock:
        # the beam across its crown, the iron straps holding the bell to it, the gudgeons
        for x in (-12, 8):
            c.rectangle(x, -50, 4, 24)
            _fill_edge(c, lin(x, 0, x + 4, 0, [(0, PAL["iron_lt"]), (1, PAL["iron"])]), 1.0)
        rrect(c, -42, -58, 84, 12, 2)
        _fill_edge(c, lin(0, -58, 0, -46, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]), 1.4)
        for x in (-46, 42):
            c.rectangle(x, -55, 4, 6)
            _fill_edge(c, lin(0, -55, 0, -49, [(0, PAL["iron_lt"]), (1, PAL["iron"])]), 1.0)


def pipe(c, seed=0):
    """A bent tobacco pipe: a long black stem curving up to its mouthpiece, a brass band, and a
    round briar bowl with its charred chamber showing at the top."""
    # the stem, curving down from the mouthpiece into the shank
    c.move_to(-50, -18)
    c.curve_to(-30, -16, -12, -4, 4, 4)
    c.set_line_width(8)
    c.set_line_cap(1)
    src(c, OUT)
    c.stroke()
    c.move_to(-48, -19)
    c.curve_to(-30, -17, -12, -6, 2, 1)
    c.set_line_width(2.5)
    src(c, alpha(PAL["iron_lt"], 0.8))
    c.stroke()
    rrect(c, -56, -23, 8, 9, 2)
    src(c, OUT)
    c.fill()
    # the shank and its band
    c.move_to(0, -2)
    c.line_to(16, -2)
    c.line_to(18, 12)
    c.line_to(2, 10)
    c.close_path()
    _fill_edge(c, lin(0, -2, 0, 12, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]), 1.4)
    c.rectangle(-1, -3, 5, 14)
    src(c, PAL["brass"])
    c.fill()
    # the bowl: rounded at the foot, its rim open
    c.move_to(14, -24)
    c.curve_to(12, 4, 18, 24, 30, 24)
    c.curve_to(42, 24, 48, 4, 46, -24)
    c.close_path()
    _fill_edge(c, lin(12, 0, 48, 0, [(0, PAL["wood_lt"]), (0.45, PAL["copper"]), (1, PAL["wood_dk"])]), 1.8)
    ellipse(c, 30, -24, 16, 5)
    _fill_edge(c, lin(0, -29, 0, -19, [(0, PAL["wood_md"]), (1, PAL["wood_lt"])]), 1.4)
    ellipse(c, 30, -23.5, 11, 3.2)
    src(c, PAL["night"])
    c.fill()
    ellipse(c, 31, -23, 5, 1.4)
    src(c, alpha(PAL["ember"], 0.7))
    c.fill()
    c.move_to(20, -14)
    c.curve_to(19, 0, 22, 12, 27, 18)
    c.set_line_width(2)
    src(c, alpha(PAL["white"], 0.25))
    c.stroke()


def letter(c, seed=0):
    c.rectangle(-46, -30, 92, 60)
    _fill_edge(c, lin(-46, -30, 46, 30, [(0, PAL["paper"]), (1, PAL["paper_dk"])]), 1.4)
    c.move_to(-46, -30)
    c.line_to(0, 6)
    c.line_to(46, -30)
    src(c, alpha(PAL["wood"], 0.6))
    c.set_line_width(1.4)
    c.stroke()
    c.arc(0, 6, 9, 0, 2 * math.pi)
    c.set_source(rad(-2, 4, 0, 9, [(0, shade(PAL["cloth_red"], 1.4)), (1, shade(PAL["cloth_red"], 0.6))]))
    c.fill()


def scissors(c, seed=0, trimmer=False, opened=0.0):
    """Scissors, `opened` this many degrees; `trimmer`: a wick trimmer, the lamp-keeper's scissors
    with a box on the upper blade that catches the trimmed wick: a brass box as long as half the
    blade, its open side and its lid showing, on dark steel blades."""
    c.set_line_width(5)
    blade = [(0, PAL["white"]), (1, PAL["iron_lt"])] if not trimmer else [(0, PAL["iron_lt"]), (1, PAL["iron"])]
    for sy in (-1, 1):
        c.save()
        c.rotate(math.radians(sy * opened / 2))
        c.arc(-32, sy * 14, 11, 0, 2 * math.pi)
        c.set_source(brass_linear(-43, -10, -21, 10))
        c.stroke()
        c.move_to(-22, sy * 10)
        c.line_to(46, -sy * 4)
        c.line_to(40, -sy * 10 + sy * 3)
        c.line_to(-18, sy * 2)
        c.close_path()
        c.set_source(lin(0, -10, 0, 10, blade))
        c.fill_preserve()
        _edge(c, 1.2)
        c.restore()
    if trimmer:
        # the box: its long side, its end with the open mouth toward the pivot, and its lid
        c.move_to(4, -4)
        c.line_to(42, -8)
        c.line_to(42, -26)
        c.line_to(4, -22)
        c.close_path()
        _fill_edge(c, brass_linear(4, -26, 42, -4), 1.8)
        c.move_to(4, -22)
        c.line_to(42, -26)
        c.line_to(48, -32)
        c.line_to(10, -28)
        c.close_path()
        _fill_edge(c, lin(0, -32, 0, -22, [(0, PAL["brass_hi"]), (1, PAL["brass_lt"])]), 1.4)
        c.move_to(42, -8)
        c.line_to(48, -14)
        c.line_to(48, -32)
        c.line_to(42, -26)
        c.close_path()
        _fill_edge(c, lin(42, 0, 48, 0, [(0, PAL["brass_dk"]), (1, shade(PAL["brass_dk"], 0.6))]), 1.4)
        # its open mouth
        c.move_to(4, -5)
        c.line_to(4, -21)
        src(c, OUT)
        c.set_line_width(3)
        c.stroke()
        # the rivets that hold it to the blade
        for x in (14, 32):
            c.arc(x, -12 + (x - 14) * -0.1, 1.6, 0, 2 * math.pi)
            src(c, PAL["brass_dk"])
            c.fill()
    c.arc(0, 0, 3, 0, 2 * math.pi)
    src(c, PAL["iron"])
    c.fill()


def magnifier(c, seed=0):
    c.move_to(20, 20)
    c.line_to(48, 48)
    c.set_line_width(11)
    src(c, OUT)
    c.stroke()
    c.move_to(20, 20)
    c.line_to(48, 48)
    c.set_line_width(8)
    c.set_source(lin(20, 20, 48, 48, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]))
    c.stroke()
    c.arc(-8, -8, 32, 0, 2 * math.pi)
    c.set_source(rad(-14, -14, 0, 32, [(0, (0.9, 0.97, 0.97, 0.35)), (1, (0.5, 0.7, 0.75, 0.3))]))
    c.fill()
    c.arc(-8, -8, 32, 0, 2 * math.pi)
    c.set_line_width(6)
    c.set_source(brass_linear(-40, -40, 24, 24))
    c.stroke()
    glass_shine(c, -28, -30, 20, 12, 0.6)


def hourglass(c, seed=0):
    for y in (-44, 36):
        rrect(c, -30, y, 60, 8, 2)
        _fill_edge(c, lin(-30, 0, 30, 0, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]), 1.2)
    c.move_to(-22, -36)
    c.curve_to(-22, -10, -4, -6, -4, 0)
    c.curve_to(-4, 6, -22, 10, -22, 36)
    c.line_to(22, 36)
    c.curve_to(22, 10, 4, 6, 4, 0)
    c.curve_to(4, -6, 22, -10, 22, -36)
    c.close_path()
    glass_fill(c, PAL["mist_lt"], -22, 0, 22, 0, 0.45)
    _edge(c, 1.2, 0.6)
    c.move_to(-18, 36)
    c.curve_to(-10, 18, 10, 18, 18, 36)
    c.close_path()
    src(c, PAL["paper_dk"])
    c.fill()
    c.move_to(-14, -24)
    c.curve_to(-8, -12, 8, -12, 14, -24)
    c.close_path()
    c.fill()
    for x in (-26, 26):
        c.rectangle(x - 2, -36, 4, 72)
        c.set_source(lin(x - 2, 0, x + 2, 0, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]))
        c.fill()


def fish(c, seed=0):
    c.move_to(-44, 0)
    c.curve_to(-24, -24, 20, -22, 34, 0)
    c.curve_to(20, 20, -24, 22, -44, 0)
    c.close_path()
    _fill_edge(c, lin(0, -22, 0, 22, [(0, PAL["teal_lt"]), (0.5, PAL["mist_lt"]), (1, PAL["white"])]), 1.6)
    c.move_to(32, 0)
    c.line_to(50, -16)
    c.line_to(46, 0)
    c.line_to(50, 16)
    c.close_path()
    _fill_edge(c, lin(32, 0, 50, 0, [(0, PAL["teal_lt"]), (1, PAL["teal"])]), 1.4)
    c.arc(-30, -4, 3.5, 0, 2 * math.pi)
    src(c, OUT)
    c.fill()
    src(c, alpha(PAL["deep"], 0.4))
    c.set_line_width(1)
    for i in range(5):
        c.arc(-10 + i * 8, 0, 8, -0.8, 0.8)
        c.stroke()


def apple(c, seed=0, col=None):
    col = col or PAL["cloth_red"]
    c.move_to(0, -26)
    c.curve_to(20, -40, 44, -22, 38, 6)
    c.curve_to(34, 30, 14, 42, 0, 34)
    c.curve_to(-14, 42, -34, 30, -38, 6)
    c.curve_to(-44, -22, -20, -40, 0, -26)
    c.close_path()
    _fill_edge(c, rad(-12, -10, 2, 48, [(0, shade(col, 1.5)), (0.5, col), (1, shade(col, 0.5))]), 1.6)
    c.move_to(0, -26)
    c.curve_to(2, -36, 4, -40, 8, -44)
    c.set_line_width(3)
    src(c, PAL["wood_dk"])
    c.stroke()
    c.move_to(6, -38)
    c.curve_to(16, -48, 28, -44, 30, -40)
    c.curve_to(20, -34, 12, -34, 6, -38)
    src(c, PAL["leaf"])
    c.fill()


def spoon(c, seed=0):
    ellipse(c, -30, 0, 18, 12)
    _fill_edge(c, lin(-48, -12, -12, 12, [(0, PAL["white"]), (1, PAL["iron_lt"])]), 1.4)
    c.move_to(-13, -3)
    c.curve_to(10, -4, 30, -5, 46, -6)
    c.line_to(46, 2)
    c.curve_to(30, 3, 10, 3, -13, 3)
    c.close_path()
    _fill_edge(c, lin(0, -6, 0, 3, [(0, PAL["white"]), (1, PAL["iron_lt"])]), 1.2)


def spyglass(c, seed=0):
    for i, (x0, x1, r) in enumerate(((-48, -10, 10), (-12, 20, 8), (18, 46, 6.5))):
        rrect(c, x0, -r, x1 - x0, 2 * r, 2)
        pat = brass_linear(0, -r, 0, r) if i != 0 else lin(0, -r, 0, r, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])])
        _fill_edge(c, pat, 1.4)
        rrect(c, x1 - 4, -r - 1.5, 5, 2 * r + 3, 1)
        _fill_edge(c, brass_linear(0, -r, 0, r), 1)
    ellipse(c, -48, 0, 3, 10)
    c.set_source(rad(-48, 0, 0, 10, [(0, PAL["seaglass_bl"]), (1, OUT)]))
    c.fill()


def map_scroll(c, seed=0):
    """A rolled chart lying on its side: a long roll of paper, the spiral of its sheets at the
    near end, the outer sheet's edge lifting with a strip of coastline and a red cross on it,
    a red ribbon tied round its middle."""
    r, x0, x1 = 13, -44, 40
    # the roll
    c.move_to(x0, -r)
    c.line_to(x1, -r)
    c.curve_to(x1 + 7, -r, x1 + 7, r, x1, r)
    c.line_to(x0, r)
    c.close_path()
    _fill_edge(c, lin(0, -r, 0, r, [(0, PAL["paper_dk"]), (0.3, PAL["fog"]), (0.7, PAL["paper"]),
                                    (1, shade(PAL["paper_dk"], 0.7))]), 1.5)
    # the chart showing through on the outer sheet: a stretch of coast, a course, a red cross
    src(c, alpha(PAL["ink"], 0.55))
    c.set_line_width(1.2)
    c.move_to(-34, 4)
    c.curve_to(-26, -6, -18, 8, -10, -2)
    c.stroke()
    c.set_dash([2.5, 2.5])
    c.move_to(8, 6)
    c.line_to(26, -4)
    c.stroke()
    c.set_dash([])
    src(c, PAL["cloth_red"])
    c.set_line_width(1.8)
    c.move_to(26, -8)
    c.line_to(32, -2)
    c.move_to(32, -8)
    c.line_to(26, -2)
    c.stroke()
    # the ribbon round its middle, its two ends hanging
    c.rectangle(-6, -r, 7, 2 * r)
    src(c, PAL["cloth_red"])
    c.fill_preserve()
    _edge(c, 1.0, 0.7)
    for dx in (-8, 6):
        c.move_to(-2, r - 2)
        c.curve_to(-2 + dx * 0.3, r + 1, -2 + dx * 0.8, r + 3, -2 + dx * 1.4, r + 3)
        c.set_line_width(3)
        src(c, PAL["cloth_red"])
        c.stroke()
    # the near end: the sheets' spiral
    ellipse(c, x0, 0, 7, r)
    _fill_edge(c, rad(x0, 0, 0, r, [(0, PAL["paper"]), (1, PAL["paper_dk"])]), 1.5)
    src(c, alpha(PAL["ink"], 0.7))
    c.set_line_width(1)
    pts = []
    for i in range(60):
        t = i / 59 * 5.5 * math.pi
        rr = 1.5 + 10.5 * i / 59
        pts.append((x0 + math.cos(t) * rr * 0.55, math.sin(t) * rr))
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.stroke()


def ring(c, seed=0):
    c.arc(0, 8, 28, 0, 2 * math.pi)
    c.new_sub_path()
    c.arc_negative(0, 8, 20, 2 * math.pi, 0)
    _fill_edge(c, brass_linear(-28, -20, 28, 36), 1.4)
    c.move_to(0, -36)
    c.line_to(14, -22)
    c.line_to(0, -12)
    c.line_to(-14, -22)
    c.close_path()
    c.set_source(rad(-3, -26, 0, 16, [(0, PAL["white"]), (0.4, PAL["seaglass"]), (1, PAL["seaglass_dk"])]))
    c.fill_preserve()
    _edge(c, 1.2)


def horseshoe(c, seed=0, broad=False):
    """An iron horseshoe, open end down, its nail holes along it; `broad`: a broad worn shoe, a
    groove along its face, square nail holes that show light round their dark pits, rusted."""
    if broad:
        c.arc(0, -4, 33, math.pi * 0.78, math.pi * 2.22)
        c.set_line_width(26)
        src(c, OUT)
        c.stroke()
        c.arc(0, -4, 33, math.pi * 0.78, math.pi * 2.22)
        c.set_line_width(22)
        c.set_source(lin(-34, -40, 34, 30, [(0, shade(PAL["iron_lt"], 1.25)), (0.5, mix(PAL["iron_lt"], PAL["copper"], 0.3)),
                                            (1, PAL["iron"])]))
        c.stroke()
        c.arc(0, -4, 35, math.pi * 0.82, math.pi * 2.18)
        c.set_line_width(2.4)
        src(c, alpha(OUT, 0.6))
        c.stroke()
        for i in range(6):
            t = math.pi * (0.92 + i * 0.2 + (0.16 if i >= 3 else 0))
            x, y = math.cos(t) * 34, -4 + math.sin(t) * 34
            c.save()
            c.translate(x, y)
            c.rotate(t)
            c.rectangle(-5, -4, 10, 8)
            src(c, alpha(PAL["fog"], 0.85))
            c.fill()
            c.rectangle(-3.4, -2.6, 6.8, 5.2)
            src(c, OUT)
            c.fill()
            c.restore()
        return
    c.arc(0, -4, 34, math.pi * 0.8, math.pi * 2.2)
    c.set_line_width(16)
    src(c, OUT)
    c.stroke()
    c.arc(0, -4, 34, math.pi * 0.8, math.pi * 2.2)
    c.set_line_width(12)
    c.set_source(lin(-34, -40, 34, 30, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))
    c.stroke()
    src(c, OUT)
    for i in range(6):
        t = math.pi * (0.95 + i * 0.22)
        c.arc(math.cos(t) * 34, -4 + math.sin(t) * 34, 2, 0, 2 * math.pi)
        c.fill()


def hammer(c, seed=0):
    """A claw hammer seen from the side: a wooden handle and, across its end, an iron head with
    a round striking face on one side and a split claw curving back on the other (the T a
    player knows a hammer by)."""
    c.move_to(-46, -3)
    c.curve_to(-10, -4.5, 10, -5, 30, -5)
    c.line_to(30, 5)
    c.curve_to(10, 5, -10, 4.5, -46, 4)
    c.close_path()
    _fill_edge(c, lin(0, -5, 0, 5, [(0, shade(PAL["wood_lt"], 1.35)), (0.5, PAL["wood_lt"]), (1, PAL["wood_md"])]), 1.3)
    rrect(c, -47, -4.5, 14, 9, 3)
    src(c, alpha(PAL["wood_dk"], 0.6))
    c.fill()
    iron = lambda y0, y1: lin(0, y0, 0, y1, [(0, PAL["iron_lt"]), (0.5, shade(PAL["iron_lt"], 1.25)), (1, PAL["iron"])])
    # the claw, a thick wedge curving back towards the handle, split at its tip
    c.move_to(41, 8)
    c.curve_to(42, 24, 34, 38, 20, 46)
    c.line_to(12, 40)
    c.curve_to(20, 32, 22, 22, 21, 8)
    c.close_path()
    _fill_edge(c, lin(12, 8, 42, 46, [(0, shade(PAL["iron_lt"], 1.2)), (1, PAL["iron"])]), 1.5)
    c.move_to(17, 42)
    c.line_to(29, 28)
    src(c, alpha(OUT, 0.85))
    c.set_line_width(2)
    c.stroke()
    # the eye round the handle's end, the neck and the round striking face
    steel = lambda x0, x1: lin(x0, 0, x1, 0, [(0, PAL["iron_lt"]), (0.4, shade(PAL["iron_lt"], 1.35)), (1, PAL["iron"])])
    rrect(c, 19, -13, 24, 26, 4)
    _fill_edge(c, steel(19, 43), 1.6)
    c.rectangle(23, -27, 16, 16)
    _fill_edge(c, steel(23, 39), 1.5)
    rrect(c, 18, -37, 26, 11, 3)
    _fill_edge(c, steel(18, 44), 1.6)


def oilcan(c, seed=0):
    """An oil can: a squat copper body rising to a cone, a long brass spout from its top, a
    thumb pump and a loop handle at its side."""
    c.arc(-30, 12, 13, math.pi * 0.5, math.pi * 1.5)
    c.set_line_width(5)
    src(c, OUT)
    c.stroke()
    c.arc(-30, 12, 13, math.pi * 0.5, math.pi * 1.5)
    c.set_line_width(3)
    src(c, PAL["iron_lt"])
    c.stroke()
    c.move_to(-30, 36)
    c.line_to(-30, 12)
    c.curve_to(-28, 0, -12, -6, -8, -14)
    c.line_to(8, -14)
    c.curve_to(12, -6, 28, 0, 30, 12)
    c.line_to(30, 36)
    c.close_path()
    _fill_edge(c, lin(-30, 0, 30, 0, [(0, shade(PAL["copper"], 1.35)), (0.4, PAL["copper"]), (1, shade(PAL["copper"], 0.5))]))
    ellipse(c, 0, 12, 30, 5, 0, math.pi)
    src(c, alpha(OUT, 0.5))
    c.set_line_width(1.2)
    c.stroke()
    # the spout, long and tapering
    c.move_to(-5, -12)
    c.line_to(40, -50)
    c.line_to(45, -45)
    c.line_to(5, -8)
    c.close_path()
    _fill_edge(c, brass_linear(0, -50, 45, -8), 1.3)
    # the collar and the thumb pump
    rrect(c, -10, -18, 20, 7, 2)
    _fill_edge(c, brass_linear(-10, -18, 10, -11), 1.2)
    c.arc(-20, -4, 5, 0, 2 * math.pi)
    _fill_edge(c, brass_radial(-20, -4, 5), 1.1)


def crab(c, seed=0):
    col = PAL["ember"]
    for sx in (-1, 1):
        src(c, shade(col, 0.6))
        c.set_line_width(4)
        for i in range(3):
            c.move_to(sx * 18, 6 + i * 6)
            c.line_to(sx * (36 + i * 4), 10 + i * 10)
            c.line_to(sx * (42 + i * 2), 24 + i * 8)
        c.stroke()
        c.move_to(sx * 16, -6)
        c.curve_to(sx * 30, -20, sx * 36, -30, sx * 32, -36)
        c.stroke()
        ellipse(c, sx * 32, -40, 10, 8)
        _fill_edge(c, rad(sx * 30, -42, 0, 10, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]), 1.2)
    ellipse(c, 0, 6, 28, 20)
    _fill_edge(c, rad(-6, 0, 0, 30, [(0, shade(col, 1.4)), (1, shade(col, 0.55))]))
    for sx in (-6, 6):
        c.arc(sx, -12, 3, 0, 2 * math.pi)
        src(c, OUT)
        c.fill()


def padlock(c, seed=0):
    c.arc(0, -10, 20, math.pi, 2 * math.pi)
    c.set_line_width(8)
    src(c, PAL["iron"])
    c.stroke()
    rrect(c, -30, -12, 60, 50, 8)
    _fill_edge(c, brass_linear(-30, -12, 30, 38))
    c.arc(0, 8, 6, 0, 2 * math.pi)
    src(c, OUT)
    c.fill()
    c.rectangle(-2.5, 8, 5, 14)
    c.fill()


def matchbox(c, seed=0):
    rrect(c, -40, -22, 80, 44, 3)
    _fill_edge(c, lin(0, -22, 0, 22, [(0, shade(PAL["amber"], 1.1)), (1, PAL["amber_dk"])]))
    rrect(c, -28, -14, 56, 28, 2)
    src(c, PAL["cloth_blue"])
    c.fill()
    c.arc(0, 0, 8, 0, 2 * math.pi)
    src(c, PAL["paper"])
    c.fill()
    c.rectangle(-40, -22, 80, 6)
    src(c, alpha(OUT, 0.5))
    c.fill()


def photograph(c, seed=0):
    c.rectangle(-44, -34, 88, 68)
    _fill_edge(c, lin(0, -34, 0, 34, [(0, PAL["white"]), (1, PAL["paper_dk"])]), 1.3)
    c.rectangle(-38, -28, 76, 48)
    c.set_source(lin(0, -28, 0, 20, [(0, mix(PAL["paper_dk"], PAL["wood"], 0.2)), (1, shade(PAL["wood"], 0.8))]))
    c.fill()
    # a figure and a tower, sepia
    src(c, alpha(PAL["wood_dk"], 0.85))
    c.move_to(14, 20)
    c.line_to(18, -22)
    c.line_to(24, -22)
    c.line_to(28, 20)
    c.close_path()
    c.fill()
    c.arc(-12, -6, 5, 0, 2 * math.pi)
    c.fill()
    c.rectangle(-17, 0, 10, 20)
    c.fill()


def medal(c, seed=0):
    """A medal on its ribbon: a short ribbon of red, white and blue stripes folded to a point
    under a brass pin bar, and a gold disc with a raised star inside a milled rim."""
    c.rectangle(-20, -56, 40, 8)
    _fill_edge(c, brass_linear(-20, -56, 20, -48), 1.2)
    c.move_to(-18, -48)
    c.line_to(18, -48)
    c.line_to(18, -22)
    c.line_to(0, -10)
    c.line_to(-18, -22)
    c.close_path()
    c.save()
    c.clip_preserve()
    for k, col in enumerate((PAL["cloth_red"], PAL["white"], PAL["cloth_blue"], PAL["white"], PAL["cloth_red"])):
        c.rectangle(-18 + k * 7.2, -48, 7.2, 40)
        src(c, col)
        c.fill()
    c.restore()
    _edge(c, 1.4)
    c.arc(0, 14, 26, 0, 2 * math.pi)
    _fill_edge(c, brass_radial(0, 14, 26))
    c.arc(0, 14, 21, 0, 2 * math.pi)
    src(c, alpha(PAL["brass_dk"], 0.9))
    c.set_line_width(1.6)
    c.stroke()
    pts = []
    for i in range(10):
        t = -math.pi / 2 + i * math.pi / 5
        rr = 16 if i % 2 == 0 else 7
        pts.append((math.cos(t) * rr, 14 + math.sin(t) * rr))
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.close_path()
    c.set_source(brass_linear(-16, -2, 16, 30, 0.5))
    c.fill_preserve()
    src(c, alpha(PAL["brass_dk"], 0.9))
    c.set_line_width(1.2)
    c.stroke()


def prism(c, seed=0):
    """A prism of the lamp's lens: a three-sided bar of clear glass seen along its length, its
    faces lit differently, a rainbow glint on its slanted face, held in a brass clip."""
    front = [(-40, 26), (34, 26), (-6, -38)]      # the end facing us
    back = [(-28, 18), (46, 18), (6, -46)]        # the far end, up and to the right
    # the three long faces between the two ends
    for (a, b), shade_a in (((0, 1), 0.55), ((1, 2), 0.8), ((2, 0), 0.95)):
        c.move_to(*front[a])
        c.line_to(*front[b])
        c.line_to(*back[b])
        c.line_to(*back[a])
        c.close_path()
        glass_fill(c, mix(PAL["seaglass"], PAL["white"], 0.4), -40, -46, 46, 26, shade_a)
        _edge(c, 1.4, 0.7)
    c.move_to(*front[0])
    c.line_to(*front[1])
    c.line_to(*front[2])
    c.close_path()
    c.set_source(lin(-40, 26, -6, -38, [(0, (0.85, 0.97, 0.95, 0.75)), (1, (1, 1, 1, 0.9))]))
    c.fill_preserve()
    _edge(c, 1.8)
    # the rainbow where the light breaks on the slanted face
    for k, col in enumerate(((0.95, 0.3, 0.25), (1.0, 0.75, 0.2), (0.4, 0.85, 0.35), (0.3, 0.55, 0.95))):
        c.move_to(14 + k * 4, -20 + k * 5)
        c.line_to(40 + k * 2, 6 + k * 3)
        c.set_source_rgba(*col, 0.7)
        c.set_line_width(2.6)
        c.stroke()
    # bright edges
    for (a, b) in ((front[2], back[2]), (front[1], back[1])):
        c.move_to(*a)
        c.line_to(*b)
        src(c, alpha(PAL["white"], 0.9))
        c.set_line_width(1.4)
        c.stroke()
    # the brass clip round the bar
    c.move_to(-30, 28)
    c.line_to(-20, 20)
    c.line_to(-8, -26)
    c.line_to(-18, -18)
    c.close_path()
    _fill_edge(c, brass_linear(-30, -26, -8, 28), 1.2)


def wrench(c, seed=0):
    """A spanner: a flat iron shank with an open jaw at each end, the jaws' mouths clear."""
    c.move_to(-30, -5)
    c.line_to(28, -5)
    c.line_to(28, 5)
    c.line_to(-30, 5)
    c.close_path()
    _fill_edge(c, lin(0, -5, 0, 5, [(0, PAL["iron_lt"]), (1, PAL["iron"])]), 1.2)
    for x, d, r in ((-36, -1, 13), (36, 1, 11)):
        # a round head with a square mouth opening on its outer side, turned a little
        m = r * 0.48
        t = math.asin(m / r)
        c.save()
        c.translate(x, 0)
        c.scale(d, 1)
        c.rotate(0.35)
        c.new_path()
        c.arc(0, 0, r, t, 2 * math.pi - t)
        c.line_to(r * 0.05, -m)
        c.line_to(r * 0.05, m)
        c.close_path()
        c.set_source(lin(-r, -r, r, r, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))
        c.fill_preserve()
        _edge(c, 1.2)
        c.restore()
    # the maker's stamp on the shank
    c.rectangle(-10, -1.5, 20, 3)
    src(c, alpha(PAL["night"], 0.35))
    c.fill()


def brush(c, seed=0, soft=False):
    """A paintbrush; `soft`: the lamp room's lens brush, a fat tuft of pale soft hair in a
    brass ferrule on a short turned handle."""
    if soft:
        rrect(c, -44, -6, 40, 12, 5)
        _fill_edge(c, lin(0, -6, 0, 6, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]), 1.2)
        rrect(c, -6, -12, 14, 24, 3)
        _fill_edge(c, brass_linear(0, -12, 0, 12), 1.2)
        c.move_to(8, -12)
        c.curve_to(30, -22, 50, -14, 50, 0)
        c.curve_to(50, 14, 30, 22, 8, 12)
        c.close_path()
        _fill_edge(c, rad(24, -4, 2, 30, [(0, PAL["white"]), (0.7, PAL["paper"]), (1, PAL["paper_dk"])]), 1.2)
        src(c, alpha(PAL["wood_md"], 0.35))
        c.set_line_width(1)
        for k in range(-3, 4):
            c.move_to(12, k * 3)
            c.curve_to(26, k * 4.5, 38, k * 4.5, 46, k * 3.5)
        c.stroke()
        return
    rrect(c, -46, -5, 56, 10, 4)
    _fill_edge(c, lin(0, -5, 0, 5, [(0, PAL["cloth_red"]), (1, shade(PAL["cloth_red"], 0.5))]), 1.2)
    rrect(c, 8, -9, 12, 18, 2)
    _fill_edge(c, brass_linear(0, -9, 0, 9), 1.2)
    c.move_to(20, -9)
    c.curve_to(36, -12, 46, -6, 48, 0)
    c.curve_to(46, 6, 36, 12, 20, 9)
    c.close_path()
    _fill_edge(c, lin(20, 0, 48, 0, [(0, PAL["wood_md"]), (1, PAL["wood_dk"])]), 1.2)


def bobber(c, seed=0):
    c.move_to(0, -46)
    c.line_to(0, 46)
    c.set_line_width(2.5)
    src(c, PAL["wood_dk"])
    c.stroke()
    ellipse(c, 0, 0, 16, 26)
    c.save()
    c.clip()
    c.rectangle(-16, -26, 32, 26)
    c.set_source(lin(-16, 0, 16, 0, [(0, shade(PAL["ember"], 1.3)), (1, shade(PAL["ember"], 0.5))]))
    c.fill()
    c.rectangle(-16, 0, 32, 26)
    c.set_source(lin(-16, 0, 16, 0, [(0, PAL["white"]), (1, PAL["mist"])]))
    c.fill()
    c.restore()
    ellipse(c, 0, 0, 16, 26)
    _edge(c, 1.4)


def teapot(c, seed=0):
    # the spout, thick at the body and tapering up to its lip, and the loop of the handle
    c.move_to(26, -6)
    c.curve_to(40, -8, 44, -22, 54, -32)
    c.line_to(60, -28)
    c.curve_to(52, -16, 48, 10, 28, 14)
    c.close_path()
    _fill_edge(c, lin(26, -30, 60, 14, [(0, shade(PAL["cloth_blue"], 1.3)), (1, shade(PAL["cloth_blue"], 0.6))]), 1.4)
    c.arc(-34, 2, 14, math.pi * 0.5, math.pi * 1.5)
    c.set_line_width(9)
    src(c, alpha(OUT, 0.85))
    c.stroke_preserve()
    c.set_line_width(6)
    src(c, shade(PAL["cloth_blue"], 0.8))
    c.stroke()
    ellipse(c, 0, 4, 36, 28)
    _fill_edge(c, rad(-10, -6, 0, 40, [(0, shade(PAL["cloth_blue"], 1.5)), (1, shade(PAL["cloth_blue"], 0.55))]))
    ellipse(c, 0, -22, 18, 6)
    _fill_edge(c, lin(0, -28, 0, -16, [(0, shade(PAL["cloth_blue"], 1.3)), (1, PAL["cloth_blue"])]), 1.2)
    c.arc(0, -30, 4, 0, 2 * math.pi)
    c.set_source(brass_radial(0, -30, 4))
    c.fill()
    src(c, alpha(PAL["white"], 0.7))
    c.set_line_width(2)
    c.move_to(-24, 4)
    c.curve_to(-10, 12, 10, 12, 24, 4)
    c.stroke()


def gear(c, seed=0):
    n = 10
    pts = []
    for i in range(n * 2):
        t = i * math.pi / n
        rr = 40 if i % 2 == 0 else 31
        pts.append((math.cos(t - 0.1) * rr, math.sin(t - 0.1) * rr))
        pts.append((math.cos(t + 0.1) * rr, math.sin(t + 0.1) * rr))
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.close_path()
    c.new_sub_path()
    c.arc_negative(0, 0, 10, 2 * math.pi, 0)
    _fill_edge(c, brass_linear(-40, -40, 40, 40))


def glove(c, seed=0):
    c.move_to(-20, 44)
    c.line_to(-22, 0)
    c.curve_to(-40, -6, -40, -18, -34, -20)
    c.curve_to(-28, -20, -24, -10, -20, -8)
    c.line_to(-20, -40)
    c.curve_to(-20, -48, -10, -48, -10, -40)
    c.line_to(-8, -16)
    c.line_to(-6, -46)
    c.curve_to(-4, -52, 6, -52, 6, -46)
    c.line_to(6, -16)
    c.line_to(10, -42)
    c.curve_to(12, -48, 20, -46, 20, -40)
    c.line_to(18, -12)
    c.line_to(24, -30)
    c.curve_to(28, -34, 34, -30, 32, -24)
    c.line_to(24, 6)
    c.line_to(22, 44)
    c.close_path()
    _fill_edge(c, lin(-30, 0, 30, 0, [(0, shade(PAL["wood_lt"], 1.1)), (1, PAL["wood"])]))
    c.rectangle(-22, 32, 44, 10)
    src(c, alpha(PAL["wood_dk"], 0.8))
    c.fill()


def feather(c, seed=0):
    """A gull's flight feather lying aslant: a pale quill running its length, bare at the root, a
    grey-white vane on both sides of it, the outer side narrow, split at two places, and a black
    tip with a white spot."""
    c.save()
    c.rotate(math.radians(-35))

    def vane():
        c.move_to(-34, 2)
        c.curve_to(-20, -9, 20, -13, 46, -7)
        c.curve_to(54, -5, 58, -1, 56, 1)
        c.curve_to(30, 10, -10, 12, -34, 4)
        c.close_path()
    vane()
    c.set_source(lin(0, -13, 0, 12, [(0, PAL["stone_lt"]), (0.35, PAL["white"]), (0.55, PAL["fog"]),
                                      (1, PAL["stone_lt"])]))
    c.fill_preserve()
    c.save()
    c.clip()
    # the black tip with its white spot, and the barbs
    c.rectangle(30, -20, 40, 40)
    c.set_source(lin(28, 0, 40, 0, [(0, alpha(PAL["night"], 0.0)), (1, alpha(PAL["night"], 0.95))]))
    c.fill()
    ellipse(c, 46, -3, 4, 2.5)
    src(c, PAL["white"])
    c.fill()
    src(c, alpha(PAL["stone_dk"], 0.45))
    c.set_line_width(0.9)
    for k in range(-30, 50, 5):
        c.move_to(k, 0)
        c.line_to(k + 7, -12)
        c.move_to(k, 0)
        c.line_to(k + 5, 11)
    c.stroke()
    c.restore()
    vane()
    _edge(c, 1.6)
    # splits in the vane
    src(c, PAL["stone_dk"])
    c.set_line_width(1.6)
    for (x0, y0, x1, y1) in ((4, -11, 10, -3), (-8, 9, -2, 2)):
        c.move_to(x0, y0)
        c.line_to(x1, y1)
    c.stroke()
    # the quill: bare and pale at the root, running out to the tip
    c.move_to(-52, 5)
    c.curve_to(-20, 2, 20, -2, 52, 0)
    c.set_line_width(4.2)
    src(c, alpha(OUT, 0.8))
    c.stroke()
    c.move_to(-52, 5)
    c.curve_to(-20, 2, 20, -2, 52, 0)
    c.set_line_width(2.4)
    c.set_source(lin(-52, 0, 52, 0, [(0, PAL["paper"]), (0.3, PAL["white"]), (1, PAL["stone_lt"])]))
    c.stroke()
    c.restore()


def thimble(c, seed=0):
    """A silver thimble standing on its open end: a short cap rounded over the top, rows of
    dimples all over it and on its crown, a plain band and a rolled rim at its foot."""
    def cap():
        c.move_to(-30, 30)
        c.line_to(-26, -8)
        c.curve_to(-25, -40, 25, -40, 26, -8)
        c.line_to(30, 30)
        c.close_path()
    cap()
    _fill_edge(c, lin(-30, 0, 30, 0, [(0, PAL["iron"]), (0.3, PAL["white"]), (0.55, PAL["iron_lt"]),
                                       (1, shade(PAL["iron"], 0.7))]), 2.4)
    c.save()
    cap()
    c.clip()
    # the dimples: dark pits with a bright lower lip, staggered rows up the side and round the crown
    for row, yy in enumerate(range(-30, 16, 7)):
        half = 26 if yy > -14 else (20 if yy > -24 else 12)
        for k in range(-4, 5):
            xx = k * 7 + (row % 2) * 3.5
            if abs(xx) > half:
                continue
            c.arc(xx, yy, 2.1, 0, 2 * math.pi)
            src(c, alpha(OUT, 0.7))
            c.fill()
            c.arc(xx + 0.6, yy + 1.3, 1.2, 0, math.pi)
            src(c, alpha(PAL["white"], 0.55))
            c.fill()
    c.restore()
    # the plain band and the rolled rim
    c.rectangle(-29, 19, 58, 6)
    src(c, alpha(PAL["white"], 0.35))
    c.fill()
    ellipse(c, 0, 30, 32, 6)
    _fill_edge(c, lin(-32, 0, 32, 0, [(0, PAL["iron_lt"]), (0.35, PAL["white"]), (1, PAL["iron"])]), 1.8)


def pear(c, seed=0):
    apple_col = mix(PAL["amber_lt"], PAL["leaf"], 0.45)
    c.move_to(0, -36)
    c.curve_to(10, -36, 12, -16, 18, -4)
    c.curve_to(34, 14, 28, 40, 0, 40)
    c.curve_to(-28, 40, -34, 14, -18, -4)
    c.curve_to(-12, -16, -10, -36, 0, -36)
    c.close_path()
    _fill_edge(c, rad(-8, 6, 2, 44, [(0, shade(apple_col, 1.4)), (0.6, apple_col), (1, shade(apple_col, 0.55))]), 1.6)
    c.move_to(0, -36)
    c.line_to(3, -48)
    c.set_line_width(3)
    src(c, PAL["wood_dk"])
    c.stroke()


def ladle(c, seed=0):
    c.move_to(-10, 0)
    c.curve_to(-12, -20, -16, -40, -6, -50)
    c.set_line_width(6)
    c.set_source(lin(-10, 0, 0, -50, [(0, PAL["copper"]), (1, shade(PAL["copper"], 0.6))]))
    c.stroke()
    ellipse(c, 0, 22, 28, 22)
    _fill_edge(c, rad(-8, 14, 0, 30, [(0, shade(PAL["copper"], 1.5)), (1, shade(PAL["copper"], 0.55))]))
    ellipse(c, 0, 12, 26, 8)
    src(c, alpha(OUT, 0.5))
    c.fill()


def oar(c, seed=0):
    rrect(c, -50, -3.5, 70, 7, 3)
    _fill_edge(c, lin(0, -3, 0, 3, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.2)
    c.move_to(18, -3)
    c.curve_to(30, -12, 46, -12, 52, -8)
    c.line_to(52, 8)
    c.curve_to(46, 12, 30, 12, 18, 3)
    c.close_path()
    _fill_edge(c, lin(0, -12, 0, 12, [(0, PAL["wood_lt"]), (1, PAL["wood_md"])]), 1.3)
    c.rectangle(40, -11, 6, 22)
    src(c, alpha(PAL["cloth_red"], 0.85))
    c.fill()


def net_float(c, seed=0):
    c.arc(0, 0, 34, 0, 2 * math.pi)
    glass_fill(c, PAL["seaglass"], -34, -34, 34, 34, 0.9)
    _edge(c, 1.4)
    src(c, alpha(PAL["rope"], 0.95))
    c.set_line_width(2.5)
    for i in range(5):
        t = -0.9 + i * 0.45
        c.move_to(math.sin(t) * 34, -math.cos(t) * 34)
        c.curve_to(math.sin(t) * 40, 0, math.sin(t) * 34, 20, math.sin(t) * 20, 30)
        c.stroke()
    ellipse(c, 0, 4, 34, 10)
    c.stroke()
    glass_shine(c, -20, -24, 18, 10, 0.6)


def hook(c, seed=0, wire=False):
    """A big steel fish hook: an eye at the top with a twist of line through it, a straight
    shank, a deep round bend and a barbed point; drawn bold, so it reads small. `wire`: drawn
    as thin bright wire, its open eye and the barb at its point large."""
    def bend(cx):
        c.move_to(cx + 12, -30)
        c.line_to(cx + 12, 14)
        c.arc(cx - 6, 14, 18, 0, math.pi)
        c.line_to(cx - 24, -2)
    # the line tied to the eye
    c.move_to(12, -48)
    c.curve_to(22, -58, 8, -66, 20, -74)
    c.set_line_width(2.5)
    src(c, alpha(PAL["paper"], 0.9))
    c.stroke()
    widths = ((8, OUT), (4, None)) if wire else ((13, OUT), (8, None))
    for w, col in widths:
        bend(0)
        c.set_line_width(w)
        c.set_line_cap(1)
        if col:
            src(c, col)
        else:
            c.set_source(lin(-24, 0, 30, 0, [(0, PAL["iron_lt"]), (0.55, PAL["fog"]), (1, PAL["iron"])]))
        c.stroke()
    # the barb
    if wire:
        c.move_to(-24, -6)
        c.line_to(-12, -20)
        c.line_to(-26, -30)
        c.line_to(-30, -6)
        c.close_path()
    else:
        c.move_to(-24, -4)
        c.line_to(-14, -16)
        c.line_to(-22, -22)
        c.line_to(-30, -6)
        c.close_path()
    _fill_edge(c, lin(-30, 0, -14, 0, [(0, PAL["iron_lt"]), (1, PAL["fog"])]), 2.5)
    # the eye
    ew = (7, 3) if wire else (9, 4.5)
    c.arc(12, -40, 9, 0, 2 * math.pi)
    c.set_line_width(ew[0])
    src(c, OUT)
    c.stroke()
    c.arc(12, -40, 9, 0, 2 * math.pi)
    c.set_line_width(ew[1])
    src(c, PAL["fog"] if wire else PAL["iron_lt"])
    c.stroke()


def violin_bow(c, seed=0):
    pass


def toy_boat(c, seed=0):
    c.move_to(-44, 8)
    c.line_to(44, 8)
    c.line_to(32, 28)
    c.line_to(-34, 28)
    c.close_path()
    _fill_edge(c, lin(0, 8, 0, 28, [(0, PAL["cloth_red"]), (1, shade(PAL["cloth_red"], 0.5))]))
    c.rectangle(-44, 8, 88, 5)
    src(c, PAL["paper"])
    c.fill()
    c.move_to(0, 8)
    c.line_to(0, -46)
    c.set_line_width(3)
    src(c, PAL["wood_dk"])
    c.stroke()
    c.move_to(3, -42)
    c.curve_to(22, -30, 30, -10, 34, 2)
    c.line_to(3, 2)
    c.close_path()
    _fill_edge(c, lin(3, 0, 34, 0, [(0, PAL["white"]), (1, PAL["paper_dk"])]), 1.2)
    c.move_to(-3, -36)
    c.curve_to(-16, -24, -20, -10, -24, 2)
    c.line_to(-3, 2)
    c.close_path()
    _fill_edge(c, lin(-24, 0, -3, 0, [(0, PAL["paper_dk"]), (1, PAL["white"])]), 1.2)


def doll(c, seed=0):
    c.move_to(-24, 44)
    c.curve_to(-20, 10, -14, -4, 0, -4)
    c.curve_to(14, -4, 20, 10, 24, 44)
    c.close_path()
    _fill_edge(c, lin(-24, 0, 24, 0, [(0, shade(PAL["cloth_blue"], 1.3)), (1, shade(PAL["cloth_blue"], 0.6))]))
    c.arc(0, -20, 16, 0, 2 * math.pi)
    _fill_edge(c, rad(-4, -24, 0, 18, [(0, PAL["white"]), (1, PAL["paper_dk"])]), 1.4)
    c.arc(0, -26, 17, math.pi * 1.0, math.pi * 2.0)
    c.close_path()
    src(c, PAL["amber_dk"])
    c.fill()
    src(c, OUT)
    for x in (-6, 6):
        c.arc(x, -18, 1.8, 0, 2 * math.pi)
        c.fill()
    c.rectangle(-24, 36, 48, 8)
    src(c, alpha(PAL["white"], 0.8))
    c.fill()


def cross(c, seed=0):
    """A small brass cross on a chain."""
    c.move_to(0, -50)
    c.curve_to(-20, -40, -26, -20, -6, -22)
    c.set_line_width(1.6)
    src(c, PAL["brass"])
    c.stroke()
    for (x, y, w, h) in ((-5, -22, 10, 56), (-20, -10, 40, 10)):
        rrect(c, x, y, w, h, 2)
        _fill_edge(c, brass_linear(x, y, x + w, y + h), 1.2)


def candlestick(c, seed=0):
    candle(c, seed, lit=False)


def gull_egg(c, seed=0):
    """A gull's egg: buff going olive towards its broad end, blotched with dark brown, the
    blotches large enough to show on an egg a few pixels long."""
    ellipse(c, 0, 4, 26, 34)
    _fill_edge(c, rad(-8, -10, 0, 40, [(0, mix(PAL["paper"], PAL["paper_dk"], 0.4)),
                                        (1, mix(PAL["paper_dk"], PAL["leaf"], 0.4))]), 1.4)
    r = rng(seed)
    c.save()
    ellipse(c, 0, 4, 25, 33)
    c.clip()
    for i in range(13):
        t = r.rand() * 2 * math.pi
        d = r.rand() ** 0.6
        # more and larger blotches towards the broad end (the bottom)
        y = 4 + math.sin(t) * 30 * d
        big = 1.0 + max(0.0, y) / 30
        ellipse(c, math.cos(t) * 22 * d, y, (2.5 + r.rand() * 2.5) * big, (2 + r.rand() * 2) * big)
        src(c, alpha(mix(PAL["wood_dk"], PAL["ink"], 0.3), 0.75 + r.rand() * 0.2))
        c.fill()
    c.restore()


def trowel(c, seed=0):
    rrect(c, -48, -5, 36, 10, 4)
    _fill_edge(c, lin(0, -5, 0, 5, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.2)
    c.rectangle(-14, -2, 14, 4)
    src(c, PAL["iron"])
    c.fill()
    c.move_to(0, -18)
    c.line_to(48, 0)
    c.line_to(0, 18)
    c.close_path()
    _fill_edge(c, lin(0, -18, 0, 18, [(0, PAL["iron_lt"]), (1, PAL["iron"])]), 1.4)


def keyring(c, seed=0):
    c.arc(0, -22, 16, 0, 2 * math.pi)
    c.set_line_width(3)
    c.set_source(brass_linear(-16, -38, 16, -6))
    c.stroke()
    for ang in (-0.5, 0.35):
        c.save()
        c.translate(math.sin(ang) * 14, -8)
        c.rotate(math.pi / 2 + ang)
        c.scale(0.55, 0.55)
        c.translate(30, 0)
        key(c)
        c.restore()


def lens(c, seed=0):
    c.arc(0, 0, 36, 0, 2 * math.pi)
    c.set_source(rad(-10, -10, 0, 40, [(0, (0.92, 0.98, 0.97, 0.75)), (0.7, alpha(PAL["seaglass"], 0.55)), (1, alpha(PAL["seaglass_dk"], 0.8))]))
    c.fill_preserve()
    c.set_line_width(5)
    c.set_source(brass_linear(-36, -36, 36, 36))
    c.stroke()
    for rr in (12, 22, 30):
        c.arc(0, 0, rr, 0, 2 * math.pi)
        src(c, alpha(PAL["white"], 0.35))
        c.set_line_width(1.4)
        c.stroke()
    glass_shine(c, -24, -26, 20, 12, 0.7)


def wick_tin(c, seed=0):
    """An open tin of lamp wicks: a low round tin with a red band, a bundle of flat white wicks
    standing up out of it and flopping over, their trimmed ends black, one more hanging out
    over its rim and down its front."""
    body = PAL["iron_lt"]

    def strip(pts, w, burnt):
        """A flat woven wick along a curve; `burnt`: its last stretch charred."""
        c.move_to(*pts[0])
        c.curve_to(*pts[1], *pts[2], *pts[3])
        c.set_line_width(w + 2.6)
        src(c, alpha(OUT, 0.85))
        c.stroke_preserve()
        c.set_line_width(w)
        src(c, PAL["white"])
        c.stroke_preserve()
        c.set_dash([2.5, 2.5])
        c.set_line_width(1)
        src(c, alpha(PAL["paper_dk"], 0.9))
        c.stroke()
        c.set_dash([])
        if burnt:
            (x2, y2), (x3, y3) = pts[2], pts[3]
            d = math.hypot(x3 - x2, y3 - y2) or 1
            c.move_to(x3 - (x3 - x2) / d * 7, y3 - (y3 - y2) / d * 7)
            c.line_to(x3, y3)
            c.set_line_width(w)
            src(c, PAL["night"])
            c.stroke()

    # the back of the tin's open top, inside dark
    ellipse(c, 0, -4, 32, 10)
    _fill_edge(c, lin(0, -14, 0, 6, [(0, PAL["night"]), (1, PAL["iron"])]), 1.4)
    # the wicks standing in it, leaning out and flopping over
    strip(((-18, -2), (-22, -26), (-30, -40), (-42, -30)), 7, True)
    strip(((-4, -2), (-4, -30), (0, -48), (14, -46)), 7, True)
    strip(((10, -2), (14, -22), (22, -34), (34, -30)), 7, False)
    # the body: a low cylinder with a red band
    c.move_to(-32, -4)
    c.line_to(-32, 24)
    c.curve_to(-32, 36, 32, 36, 32, 24)
    c.line_to(32, -4)
    c.curve_to(32, 8, -32, 8, -32, -4)
    c.close_path()
    _fill_edge(c, lin(-32, 0, 32, 0, [(0, shade(body, 1.1)), (0.35, shade(body, 1.3)), (1, PAL["iron"])]), 1.6)
    c.move_to(-32, 8)
    c.line_to(-32, 16)
    c.curve_to(-32, 28, 32, 28, 32, 16)
    c.line_to(32, 8)
    c.curve_to(32, 20, -32, 20, -32, 8)
    c.close_path()
    src(c, alpha(PAL["cloth_red"], 0.9))
    c.fill()
    # the front rim
    ellipse(c, 0, -4, 32, 10, 0, math.pi)
    src(c, alpha(OUT, 0.85))
    c.set_line_width(1.6)
    c.stroke()
    # a wick hanging out over the rim, down the front and onto the ground
    strip(((-12, -6), (-16, 12), (-20, 30), (-32, 40)), 7, False)


DRAWERS = {name: fn for name, fn in globals().items()
           if callable(fn) and not name.startswith("_") and fn.__module__ == __name__
           and name not in ("violin_bow",)}
