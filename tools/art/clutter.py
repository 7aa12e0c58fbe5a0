"""Things that fill the locations around the hidden objects: crockery, food, sewing things,
books, tools, boat gear, shore finds. Drawn like the hidden objects (objects.py): centred at
(0, 0) in a box about 100 units wide, outlined, lit from the top left, so that a listed
object does not stand out from the things around it by its drawing alone."""
import math

from kit import (PAL, alpha, blob, brass_linear, brass_radial, ellipse, glass_fill, glass_shine, lin, mix, rad, rng,
                 rrect, shade, smooth, src)
from objects import _edge, _fill_edge, OUT


def _side(col, hi=1.3, lo=0.5):
    """A left-lit gradient across a body of half-width 50."""
    return lin(-50, 0, 50, 0, [(0, shade(col, hi)), (0.35, col), (1, shade(col, lo))])


def _profile(c, pts):
    """A symmetric outline from (half-width, y) pairs, top to bottom."""
    c.move_to(-pts[0][0], pts[0][1])
    for w, y in pts:
        c.line_to(w, y)
    for w, y in reversed(pts):
        c.line_to(-w, y)
    c.close_path()


def _smooth_profile(c, pts):
    right = [(w, y) for w, y in pts]
    left = [(-w, y) for w, y in reversed(pts)]
    smooth(c, right + left, True, 0.18)


def _inked(c, outline, width, col, edge=1.0):
    """Strokes the current path as a line of `col`, `width` wide, inside a dark outline."""
    c.set_line_width(outline)
    src(c, alpha(OUT, edge))
    c.stroke_preserve()
    c.set_line_width(width)
    if isinstance(col, tuple):
        src(c, col)
    else:
        c.set_source(col)
    c.stroke()


def _handle(c, x, y0, y1, out, col, lw=7):
    c.move_to(x, y0)
    c.curve_to(x + out, y0 - 2, x + out, y1 + 2, x, y1)
    _inked(c, lw + 2.5, lw, col, 0.85)


# ------------------------------------------------------------------ crockery

def jug(c, seed=0, col=None, band=None):
    col = col or PAL["cloth_blue"]
    _handle(c, 22, -26, 22, 26, shade(col, 0.8), 8)
    _smooth_profile(c, [(18, -44), (20, -30), (30, 0), (30, 30), (24, 46)])
    _fill_edge(c, _side(col))
    c.move_to(-18, -44)
    c.line_to(-30, -50)
    c.line_to(-14, -38)
    c.close_path()
    _fill_edge(c, lin(0, -50, 0, -38, [(0, shade(col, 1.2)), (1, col)]), 1.4)
    ellipse(c, 0, -44, 18, 5)
    src(c, shade(col, 0.35))
    c.fill()
    if band is not None:
        c.rectangle(-30, 6, 60, 6)
        src(c, alpha(band, 0.9))
        c.fill()
    glass_shine(c, -22, -20, 8, 30, 0.25)


def mug(c, seed=0, col=None):
    col = col or PAL["paper_dk"]
    _handle(c, 26, -18, 20, 24, shade(col, 0.85), 8)
    rrect(c, -28, -30, 56, 66, 6)
    _fill_edge(c, _side(col))
    ellipse(c, 0, -30, 28, 7)
    _fill_edge(c, lin(0, -37, 0, -23, [(0, shade(col, 0.5)), (1, shade(col, 0.8))]), 1.4)
    c.rectangle(-28, -14, 56, 5)
    src(c, alpha(PAL["cloth_blue"], 0.7))
    c.fill()


def bowl(c, seed=0, col=None, fill=None):
    col = col or PAL["paper"]
    ellipse(c, 0, -8, 48, 12)
    src(c, shade(col, 0.55))
    c.fill()
    if fill == "eggs":
        for x, y in ((-20, -14), (2, -18), (22, -12), (-6, -8)):
            ellipse(c, x, y, 11, 14)
            _fill_edge(c, rad(x - 4, y - 5, 0, 14, [(0, PAL["white"]), (1, mix(PAL["paper_dk"], PAL["amber_dk"], 0.3))]), 1.2)
    elif fill == "potatoes":
        for i, (x, y) in enumerate(((-22, -14), (0, -20), (20, -12), (-4, -8))):
            blob(c, x, y, 15, 11, seed + i, 8, 0.2)
            _fill_edge(c, rad(x - 4, y - 5, 0, 16, [(0, mix(PAL["paper_dk"], PAL["wood_lt"], 0.5)), (1, PAL["wood_md"])]), 1.2)
    c.move_to(-48, -8)
    c.curve_to(-44, 26, 44, 26, 48, -8)
    c.curve_to(30, 2, -30, 2, -48, -8)
    c.close_path()
    _fill_edge(c, _side(col))
    c.move_to(-42, 6)
    c.curve_to(-20, 14, 20, 14, 42, 6)
    c.set_line_width(3)
    src(c, alpha(PAL["cloth_blue"], 0.7))
    c.stroke()
    ellipse(c, 0, 22, 18, 4)
    _fill_edge(c, _side(shade(col, 0.8)), 1.2)


def dish(c, seed=0, col=None):
    """A plate lying on its face, seen from above at a slant."""
    col = col or PAL["cloth_blue"]
    ellipse(c, 0, 0, 48, 24)
    _fill_edge(c, rad(-10, -6, 0, 50, [(0, PAL["white"]), (0.7, PAL["paper"]), (1, shade(PAL["paper_dk"], 0.8))]))
    ellipse(c, 0, 0, 38, 18)
    src(c, alpha(col, 0.75))
    c.set_line_width(3)
    c.stroke()
    ellipse(c, 0, 1, 22, 10)
    src(c, alpha(shade(PAL["paper_dk"], 0.8), 0.5))
    c.set_line_width(1.5)
    c.stroke()


def plate_up(c, seed=0, col=None):
    """A plate standing on its edge, as on a dresser."""
    col = col or PAL["cloth_blue"]
    c.arc(0, 0, 46, 0, 2 * math.pi)
    _fill_edge(c, rad(-12, -12, 0, 50, [(0, PAL["white"]), (0.7, PAL["paper"]), (1, shade(PAL["paper_dk"], 0.8))]))
    c.arc(0, 0, 37, 0, 2 * math.pi)
    src(c, alpha(col, 0.8))
    c.set_line_width(4)
    c.stroke()
    r = rng(seed)
    for i in range(8):
        t = i * math.pi / 4 + r.rand() * 0.1
        c.arc(math.cos(t) * 30, math.sin(t) * 30, 3.5, 0, 2 * math.pi)
        src(c, alpha(col, 0.8))
        c.fill()
    c.arc(0, 0, 18, 0, 2 * math.pi)
    src(c, alpha(col, 0.35))
    c.set_line_width(2)
    c.stroke()


def vase(c, seed=0, col=None, flowers=True):
    col = col or PAL["seaglass_dk"]
    if flowers:
        r = rng(seed)
        for i in range(6):
            a = -math.pi / 2 + (i - 2.5) * 0.28
            x1, y1 = math.cos(a) * 52, -30 + math.sin(a) * 46
            c.move_to(0, -20)
            c.curve_to(x1 * 0.3, -50, x1 * 0.8, y1 + 10, x1, y1)
            c.set_line_width(2.5)
            src(c, shade(PAL["leaf"], 0.9))
            c.stroke()
            fcol = [PAL["cloth_red"], PAL["amber_lt"], PAL["white"], PAL["seaglass_bl"]][i % 4]
            for k in range(5):
                t = k * 2 * math.pi / 5 + r.rand()
                c.arc(x1 + math.cos(t) * 6, y1 + math.sin(t) * 6, 5.5, 0, 2 * math.pi)
                src(c, fcol)
                c.fill()
            c.arc(x1, y1, 3.5, 0, 2 * math.pi)
            src(c, PAL["amber_dk"])
            c.fill()
    _smooth_profile(c, [(10, -24), (8, -14), (22, 10), (20, 36), (14, 46)])
    _fill_edge(c, _side(col))
    glass_shine(c, -16, -4, 7, 26, 0.3)


def flowerpot(c, seed=0):
    r = rng(seed)
    for i in range(9):
        a = -math.pi / 2 + (i - 4) * 0.3 + (r.rand() - 0.5) * 0.2
        ln = 40 + r.rand() * 20
        c.move_to(0, -8)
        x1, y1 = math.cos(a) * ln, -8 + math.sin(a) * ln
        c.curve_to(x1 * 0.2, -30, x1 * 0.7, y1 + 14, x1, y1)
        c.curve_to(x1 * 0.7 + 8, y1 + 18, x1 * 0.2 + 6, -24, 4, -8)
        c.close_path()
        c.set_source(lin(0, -8, x1, y1, [(0, shade(PAL["leaf"], 0.6)), (1, shade(PAL["leaf"], 1.3))]))
        c.fill_preserve()
        _edge(c, 1, 0.5)
    _profile(c, [(30, -10), (30, -2), (24, 46), (22, 46)])
    _fill_edge(c, _side(mix(PAL["copper"], PAL["ember"], 0.3)))
    c.rectangle(-30, -10, 60, 9)
    _fill_edge(c, _side(shade(PAL["copper"], 1.1)), 1.4)


def jar(c, seed=0, col=None, contents=None):
    """A preserving jar with a cloth cap and a label."""
    contents = contents or PAL["ember"]
    rrect(c, -26, -30, 52, 74, 10)
    c.set_source(lin(-26, 0, 26, 0, [(0, shade(contents, 1.2)), (0.4, contents), (1, shade(contents, 0.45))]))
    c.fill_preserve()
    _edge(c, 1.6)
    c.rectangle(-18, -4, 36, 22)
    _fill_edge(c, lin(0, -4, 0, 18, [(0, PAL["paper"]), (1, PAL["paper_dk"])]), 1.2)
    src(c, alpha(PAL["ink"], 0.6))
    c.rectangle(-12, 4, 24, 2)
    c.rectangle(-8, 10, 16, 2)
    c.fill()
    col = col or PAL["cloth_red"]
    c.move_to(-30, -30)
    c.curve_to(-30, -44, 30, -44, 30, -30)
    c.line_to(34, -22)
    c.curve_to(10, -18, -10, -18, -34, -22)
    c.close_path()
    _fill_edge(c, lin(0, -42, 0, -20, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]), 1.4)
    c.move_to(-28, -28)
    c.line_to(28, -28)
    c.set_line_width(2)
    src(c, PAL["rope"])
    c.stroke()
    glass_shine(c, -22, -24, 8, 40, 0.35)


def kettle(c, seed=0):
    col = PAL["copper"]
    c.move_to(-24, -34)
    c.curve_to(-24, -60, 24, -60, 24, -34)
    _inked(c, 8, 5, PAL["iron"])
    c.move_to(34, 0)
    c.curve_to(44, -6, 50, -18, 56, -30)
    c.line_to(60, -26)
    c.curve_to(54, -12, 48, 6, 36, 16)
    c.close_path()
    _fill_edge(c, lin(34, 0, 60, 0, [(0, shade(col, 1.2)), (1, shade(col, 0.6))]), 1.4)
    _smooth_profile(c, [(20, -32), (36, -16), (44, 14), (40, 34), (34, 38)])
    _fill_edge(c, lin(-44, -30, 44, 30, [(0, shade(col, 1.5)), (0.4, col), (1, shade(col, 0.45))]))
    ellipse(c, 0, -32, 14, 4)
    _fill_edge(c, lin(0, -36, 0, -28, [(0, shade(col, 1.3)), (1, col)]), 1.2)
    c.arc(0, -38, 4, 0, 2 * math.pi)
    src(c, PAL["wood_dk"])
    c.fill()


def saucepan(c, seed=0):
    col = PAL["copper"]
    c.move_to(30, -14)
    c.line_to(62, -26)
    c.line_to(64, -20)
    c.line_to(32, -6)
    c.close_path()
    _fill_edge(c, lin(0, -26, 0, -6, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.4)
    c.move_to(-34, -16)
    c.line_to(34, -16)
    c.line_to(32, 22)
    c.curve_to(20, 30, -20, 30, -32, 22)
    c.close_path()
    _fill_edge(c, _side(col, 1.5, 0.45))
    ellipse(c, 0, -16, 34, 8)
    _fill_edge(c, lin(0, -24, 0, -8, [(0, shade(col, 0.4)), (1, shade(col, 0.8))]), 1.4)


def bucket(c, seed=0, col=None):
    col = col or PAL["iron_lt"]
    c.move_to(-34, -30)
    c.curve_to(-36, -76, 36, -76, 34, -30)
    c.set_line_width(3)
    src(c, PAL["iron"])
    c.stroke()
    c.move_to(-36, -30)
    c.line_to(36, -30)
    c.line_to(28, 40)
    c.curve_to(10, 46, -10, 46, -28, 40)
    c.close_path()
    _fill_edge(c, _side(col, 1.4, 0.45))
    for y in (-18, 28):
        c.move_to(-35 + (y + 30) * 0.11, y)
        c.line_to(35 - (y + 30) * 0.11, y)
    src(c, alpha(OUT, 0.4))
    c.set_line_width(2.5)
    c.stroke()
    ellipse(c, 0, -30, 36, 8)
    _fill_edge(c, lin(0, -38, 0, -22, [(0, shade(col, 0.4)), (1, shade(col, 0.7))]), 1.4)


def paint_tin(c, seed=0, col=None):
    col = col or PAL["cloth_red"]
    rrect(c, -30, -26, 60, 62, 4)
    _fill_edge(c, _side(PAL["iron_lt"], 1.4, 0.45))
    c.rectangle(-30, -6, 60, 28)
    _fill_edge(c, _side(col), 1.2)
    c.move_to(-20, 8)
    c.line_to(20, 8)
    src(c, alpha(PAL["paper"], 0.8))
    c.set_line_width(3)
    c.stroke()
    ellipse(c, 0, -26, 30, 7)
    _fill_edge(c, lin(0, -33, 0, -19, [(0, shade(PAL["iron_lt"], 1.2)), (1, PAL["iron"])]), 1.4)
    c.move_to(-6, -30)
    c.curve_to(-10, -22, -4, -10, -8, 4)
    c.set_line_width(5)
    src(c, shade(col, 1.1))
    c.stroke()


def inkwell(c, seed=0):
    c.move_to(-30, 30)
    c.line_to(-26, -6)
    c.curve_to(-24, -16, 24, -16, 26, -6)
    c.line_to(30, 30)
    c.close_path()
    glass_fill(c, PAL["night"], -30, 0, 30, 0, 0.9)
    _edge(c, 1.6)
    rrect(c, -10, -26, 20, 14, 3)
    _fill_edge(c, brass_linear(-10, -26, 10, -12), 1.2)
    ellipse(c, 0, 30, 32, 6)
    _fill_edge(c, brass_linear(-32, 24, 32, 36), 1.4)
    glass_shine(c, -22, -6, 10, 24, 0.35)


def crock(c, seed=0, col=None):
    """A stoneware bottle with a cork."""
    col = col or mix(PAL["paper_dk"], PAL["wood_lt"], 0.4)
    _smooth_profile(c, [(8, -46), (10, -34), (26, -16), (28, 30), (22, 44)])
    c.set_source(lin(-28, 0, 28, 0, [(0, shade(col, 1.3)), (0.5, col), (1, shade(col, 0.5))]))
    c.fill_preserve()
    _edge(c, 1.8)
    c.rectangle(-28, -20, 56, 22)
    src(c, alpha(PAL["wood"], 0.6))
    c.fill()
    rrect(c, -8, -54, 16, 12, 3)
    _fill_edge(c, lin(0, -54, 0, -42, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.2)


def tankard(c, seed=0):
    col = PAL["iron_lt"]
    _handle(c, 26, -20, 22, 22, shade(col, 0.8), 7)
    c.move_to(-26, -30)
    c.line_to(26, -30)
    c.line_to(30, 36)
    c.line_to(-30, 36)
    c.close_path()
    _fill_edge(c, _side(col, 1.5, 0.4))
    for y in (-20, 26):
        c.rectangle(-28, y, 56, 4)
    src(c, alpha(OUT, 0.35))
    c.fill()
    ellipse(c, 0, -30, 26, 6)
    _fill_edge(c, lin(0, -36, 0, -24, [(0, shade(col, 0.5)), (1, col)]), 1.2)


# ---------------------------------------------------------------------- food

def bread(c, seed=0):
    col = mix(PAL["amber_dk"], PAL["wood_lt"], 0.4)
    c.move_to(-48, 18)
    c.curve_to(-52, -20, -20, -34, 0, -34)
    c.curve_to(24, -34, 52, -22, 48, 18)
    c.curve_to(20, 26, -20, 26, -48, 18)
    c.close_path()
    _fill_edge(c, rad(-12, -24, 0, 60, [(0, shade(col, 1.35)), (0.6, col), (1, shade(col, 0.55))]))
    for x in (-26, -6, 14, 32):
        c.move_to(x - 8, -20 + abs(x) * 0.2)
        c.curve_to(x - 2, -26, x + 4, -26, x + 8, -18 + abs(x) * 0.2)
    src(c, alpha(PAL["paper"], 0.6))
    c.set_line_width(3)
    c.stroke()


def cheese(c, seed=0):
    col = mix(PAL["amber_lt"], PAL["paper"], 0.3)
    c.move_to(-46, 10)
    c.line_to(40, -22)
    c.line_to(44, 12)
    c.line_to(-44, 30)
    c.close_path()
    _fill_edge(c, lin(0, -22, 0, 30, [(0, shade(col, 1.1)), (1, shade(col, 0.75))]))
    c.move_to(-46, 10)
    c.line_to(40, -22)
    c.line_to(44, -30)
    c.line_to(-40, 2)
    c.close_path()
    _fill_edge(c, lin(0, -30, 0, 10, [(0, shade(col, 1.25)), (1, col)]), 1.4)
    for x, y, r in ((-10, 14, 5), (14, 6, 4), (28, 14, 3)):
        c.arc(x, y, r, 0, 2 * math.pi)
        src(c, alpha(PAL["amber_dk"], 0.6))
        c.fill()
    c.move_to(40, -22)
    c.line_to(44, -30)
    c.line_to(48, 6)
    c.line_to(44, 12)
    c.close_path()
    _fill_edge(c, lin(40, 0, 48, 0, [(0, PAL["cloth_red"]), (1, shade(PAL["cloth_red"], 0.5))]), 1.2)


def onion(c, seed=0):
    col = mix(PAL["amber_dk"], PAL["copper"], 0.4)
    c.move_to(0, -44)
    c.curve_to(4, -30, 34, -24, 34, 6)
    c.curve_to(34, 30, 14, 36, 0, 36)
    c.curve_to(-14, 36, -34, 30, -34, 6)
    c.curve_to(-34, -24, -4, -30, 0, -44)
    c.close_path()
    _fill_edge(c, rad(-10, -6, 0, 44, [(0, shade(col, 1.5)), (0.6, col), (1, shade(col, 0.5))]))
    for x in (-18, -6, 8, 20):
        c.move_to(0, -40)
        c.curve_to(x * 1.2, -24, x * 1.3, 16, x * 0.4, 34)
    src(c, alpha(shade(col, 0.5), 0.5))
    c.set_line_width(1.4)
    c.stroke()
    for dx in (-4, 0, 4):
        c.move_to(dx * 0.5, 36)
        c.line_to(dx, 44)
    src(c, PAL["paper_dk"])
    c.stroke()


def carrot(c, seed=0):
    col = mix(PAL["ember"], PAL["amber"], 0.5)
    c.move_to(-40, -10)
    c.curve_to(-40, -22, -30, -24, -20, -22)
    c.line_to(44, -2)
    c.line_to(-20, 12)
    c.curve_to(-30, 12, -40, 4, -40, -10)
    c.close_path()
    _fill_edge(c, lin(0, -22, 0, 12, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]))
    src(c, alpha(shade(col, 0.5), 0.7))
    c.set_line_width(1.2)
    for x in (-18, -2, 14, 28):
        c.move_to(x, -18 + (x + 20) * 0.25)
        c.line_to(x + 3, -12 + (x + 20) * 0.2)
    c.stroke()
    for a in (-0.5, -0.1, 0.3):
        c.move_to(-40, -8)
        c.curve_to(-54, -8 + a * 30, -62, -14 + a * 50, -68, -20 + a * 60)
    c.set_line_width(3)
    src(c, PAL["leaf"])
    c.stroke()


def herbs(c, seed=0):
    """A bundle of dried herbs tied with string, hanging head down."""
    r = rng(seed)
    for i in range(14):
        x0 = (r.rand() - 0.5) * 12
        x1 = (r.rand() - 0.5) * 70
        c.move_to(x0, -40)
        c.curve_to(x0, -10, x1 * 0.6, 10, x1, 44 - r.rand() * 14)
        c.set_line_width(2.2)
        src(c, shade(mix(PAL["leaf"], PAL["drift"], 0.5), 0.7 + r.rand() * 0.5))
        c.stroke()
        c.arc(x1, 44 - r.rand() * 14, 4, 0, 2 * math.pi)
        src(c, alpha(shade(PAL["leaf"], 0.8 + r.rand() * 0.6), 0.9))
        c.fill()
    c.rectangle(-9, -34, 18, 6)
    src(c, PAL["rope"])
    c.fill()
    c.move_to(0, -34)
    c.line_to(0, -50)
    c.set_line_width(1.5)
    src(c, PAL["rope"])
    c.stroke()


# ------------------------------------------------------------ sewing, house

def basket(c, seed=0, fill=None):
    col = mix(PAL["rope"], PAL["wood_lt"], 0.4)
    c.move_to(-40, -10)
    c.curve_to(-40, -64, 40, -64, 40, -10)
    _inked(c, 7, 4.5, shade(col, 0.9))
    if fill == "eggs":
        for x, y in ((-22, -14), (-4, -20), (16, -16), (30, -10), (6, -8)):
            ellipse(c, x, y, 10, 13)
            _fill_edge(c, rad(x - 3, y - 5, 0, 14, [(0, PAL["white"]), (1, mix(PAL["paper_dk"], PAL["amber_dk"], 0.35))]), 1.2)
    if fill == "yarn":
        for x, y, k in ((-18, -14, PAL["cloth_red"]), (6, -18, PAL["seaglass_dk"]), (24, -12, PAL["amber"])):
            c.arc(x, y, 15, 0, 2 * math.pi)
            _fill_edge(c, rad(x - 5, y - 5, 0, 16, [(0, shade(k, 1.4)), (1, shade(k, 0.6))]), 1.2)
    c.move_to(-48, -12)
    c.line_to(48, -12)
    c.line_to(38, 34)
    c.curve_to(20, 40, -20, 40, -38, 34)
    c.close_path()
    _fill_edge(c, _side(col, 1.3, 0.55))
    src(c, alpha(shade(col, 0.45), 0.8))
    c.set_line_width(1.4)
    for i in range(6):
        y = -6 + i * 7
        c.move_to(-46 + i * 1.5, y)
        c.line_to(46 - i * 1.5, y)
    for i in range(-5, 6):
        c.move_to(i * 8.6, -12)
        c.line_to(i * 7, 36)
    c.stroke()


def spool(c, seed=0, col=None):
    col = col or PAL["cloth_red"]
    for y in (-30, 30):
        ellipse(c, 0, y, 26, 8)
        _fill_edge(c, lin(-26, 0, 26, 0, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.4)
    c.rectangle(-20, -28, 40, 56)
    c.set_source(_side(col))
    c.fill()
    src(c, alpha(shade(col, 0.6), 0.6))
    c.set_line_width(1)
    for i in range(12):
        c.move_to(-20, -26 + i * 4.6)
        c.line_to(20, -24 + i * 4.6)
    c.stroke()
    c.rectangle(-20, -28, 40, 56)
    _edge(c, 1.4)
    ellipse(c, 0, -30, 26, 8)
    _fill_edge(c, lin(-26, 0, 26, 0, [(0, PAL["wood_lt"]), (1, PAL["wood_md"])]), 1.4)
    ellipse(c, 0, -30, 5, 2)
    src(c, PAL["wood_dk"])
    c.fill()


def yarn(c, seed=0, col=None):
    col = col or PAL["seaglass_dk"]
    c.arc(0, 0, 38, 0, 2 * math.pi)
    _fill_edge(c, rad(-12, -12, 0, 44, [(0, shade(col, 1.5)), (0.6, col), (1, shade(col, 0.5))]))
    c.save()
    c.arc(0, 0, 37, 0, 2 * math.pi)
    c.clip()
    src(c, alpha(shade(col, 0.55), 0.7))
    c.set_line_width(1.6)
    for i in range(9):
        ellipse(c, -6 + i * 2, 0, 12 + i * 4, 40)
        c.stroke()
    c.restore()
    c.move_to(30, 22)
    c.curve_to(50, 34, 40, 46, 56, 48)
    c.set_line_width(2)
    src(c, col)
    c.stroke()
    for dx in (-8, 8):
        c.move_to(-40 + dx, -40)
        c.line_to(30 + dx, 20)
        _inked(c, 3.5, 2.2, PAL["iron_lt"])


def tin_box(c, seed=0, col=None):
    col = col or PAL["cloth_red"]
    c.move_to(-46, -10)
    c.line_to(-30, -28)
    c.line_to(46, -28)
    c.line_to(30, -10)
    c.close_path()
    _fill_edge(c, lin(0, -28, 0, -10, [(0, shade(col, 1.4)), (1, shade(col, 1.0))]))
    c.rectangle(-46, -10, 76, 40)
    _fill_edge(c, lin(-46, 0, 30, 0, [(0, shade(col, 1.1)), (1, shade(col, 0.7))]))
    c.move_to(30, -10)
    c.line_to(46, -28)
    c.line_to(46, 12)
    c.line_to(30, 30)
    c.close_path()
    _fill_edge(c, lin(30, 0, 46, 0, [(0, shade(col, 0.6)), (1, shade(col, 0.4))]))
    c.rectangle(-46, -10, 76, 8)
    src(c, alpha(shade(col, 0.5), 0.8))
    c.fill()
    c.rectangle(-36, 4, 56, 18)
    src(c, alpha(PAL["brass_lt"], 0.8))
    c.set_line_width(1.6)
    c.stroke()
    c.arc(-8, 13, 5, 0, 2 * math.pi)
    src(c, alpha(PAL["brass_lt"], 0.9))
    c.fill()


def books(c, seed=0):
    """A small pile of books lying on their sides."""
    r = rng(seed)
    cols = [PAL["cloth_red"], PAL["cloth_blue"], PAL["leaf"], PAL["wood_md"], PAL["teal"], PAL["amber_dk"]]
    y = 36
    for i in range(3):
        w = 80 - i * 8 + r.rand() * 8
        h = 14 + r.rand() * 6
        dx = (r.rand() - 0.5) * 12
        col = cols[r.randint(len(cols))]
        rrect(c, -w / 2 + dx, y - h, w, h, 2)
        _fill_edge(c, lin(0, y - h, 0, y, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]), 1.4)
        c.rectangle(w / 2 + dx - 10, y - h + 3, 7, h - 6)
        src(c, PAL["paper"])
        c.fill()
        c.move_to(-w / 2 + dx + 8, y - h)
        c.line_to(-w / 2 + dx + 8, y)
        src(c, alpha(PAL["brass_lt"], 0.7))
        c.set_line_width(1.5)
        c.stroke()
        y -= h


def book_up(c, seed=0, col=None):
    """A book standing up, seen from the spine."""
    col = col or PAL["cloth_blue"]
    rrect(c, -14, -46, 28, 92, 3)
    _fill_edge(c, lin(-14, 0, 14, 0, [(0, shade(col, 1.3)), (0.4, col), (1, shade(col, 0.5))]))
    for y in (-36, -30, 30, 36):
        c.rectangle(-14, y, 28, 2.5)
    src(c, alpha(PAL["brass_lt"], 0.85))
    c.fill()
    c.rectangle(-8, -12, 16, 20)
    src(c, alpha(PAL["paper"], 0.5))
    c.fill()


def oil_lamp(c, seed=0, lit=False):
    c.move_to(-10, -56)
    c.curve_to(-16, -40, -14, -20, -18, -6)
    c.line_to(18, -6)
    c.curve_to(14, -20, 16, -40, 10, -56)
    c.close_path()
    glass_fill(c, PAL["mist_lt"], -18, 0, 18, 0, 0.55)
    _edge(c, 1.4)
    if lit:
        ellipse(c, 0, -22, 5, 12)
        c.set_source(rad(0, -22, 0, 12, [(0, PAL["candle"]), (1, alpha(PAL["amber"], 0.5))]))
        c.fill()
    rrect(c, -16, -8, 32, 8, 2)
    _fill_edge(c, brass_linear(-16, -8, 16, 0), 1.2)
    _smooth_profile(c, [(16, 0), (28, 12), (26, 24), (12, 30), (10, 36), (24, 46)])
    glass_fill(c, PAL["seaglass_dk"], -28, 0, 28, 0, 0.85)
    _edge(c, 1.6)
    ellipse(c, 0, 46, 26, 5)
    _fill_edge(c, brass_linear(-26, 40, 26, 52), 1.2)
    glass_shine(c, -20, 6, 10, 10, 0.4)


def mantel_clock(c, seed=0):
    c.move_to(-40, 40)
    c.line_to(-40, -6)
    c.curve_to(-40, -52, 40, -52, 40, -6)
    c.line_to(40, 40)
    c.close_path()
    _fill_edge(c, _side(PAL["wood_md"], 1.3, 0.45))
    c.rectangle(-46, 36, 92, 10)
    _fill_edge(c, _side(PAL["wood"], 1.3, 0.5), 1.4)
    c.arc(0, -6, 24, 0, 2 * math.pi)
    _fill_edge(c, brass_radial(0, -6, 24), 1.4)
    c.arc(0, -6, 19, 0, 2 * math.pi)
    src(c, PAL["white"])
    c.fill()
    src(c, PAL["ink"])
    for i in range(12):
        t = i * math.pi / 6
        c.arc(math.cos(t) * 15, -6 + math.sin(t) * 15, 1.2, 0, 2 * math.pi)
        c.fill()
    c.set_line_width(2)
    c.move_to(0, -6)
    c.line_to(8, -14)
    c.move_to(0, -6)
    c.line_to(0, 6)
    c.stroke()


def frame(c, seed=0, subject="sea"):
    """A small framed picture standing on its foot."""
    rrect(c, -36, -46, 72, 84, 3)
    _fill_edge(c, brass_linear(-36, -46, 36, 38))
    c.rectangle(-28, -38, 56, 68)
    if subject == "portrait":
        c.set_source(rad(0, -10, 0, 44, [(0, mix(PAL["paper_dk"], PAL["amber"], 0.2)), (1, shade(PAL["wood"], 0.8))]))
        c.fill()
        c.arc(0, -10, 10, 0, 2 * math.pi)
        src(c, mix(PAL["paper"], PAL["ember"], 0.2))
        c.fill()
        c.move_to(-18, 30)
        c.curve_to(-18, 6, 18, 6, 18, 30)
        src(c, PAL["ink"])
        c.fill()
    else:
        c.set_source(lin(0, -38, 0, 30, [(0, PAL["mist"]), (0.55, PAL["fog"]), (0.56, PAL["teal_lt"]), (1, PAL["deep"])]))
        c.fill()
        c.move_to(-6, 0)
        c.line_to(-2, -22)
        c.line_to(2, -22)
        c.line_to(6, 0)
        c.close_path()
        src(c, PAL["white"])
        c.fill()
    src(c, alpha(OUT, 0.5))
    c.rectangle(-28, -38, 56, 68)
    c.set_line_width(1.5)
    c.stroke()


def candle_stub(c, seed=0):
    """Two short used candles in a tin tray."""
    ellipse(c, 0, 30, 44, 12)
    _fill_edge(c, lin(-44, 0, 44, 0, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))
    for x, h in ((-14, 30), (14, 18)):
        c.rectangle(x - 9, 28 - h, 18, h)
        _fill_edge(c, lin(x - 9, 0, x + 9, 0, [(0, PAL["white"]), (1, PAL["paper_dk"])]), 1.2)
        blob(c, x, 28 - h, 10, 4, seed + 20 + x, 7, 0.3)
        src(c, PAL["paper"])
        c.fill()
        c.move_to(x, 26 - h)
        c.line_to(x + 1, 20 - h)
        src(c, OUT)
        c.set_line_width(1.5)
        c.stroke()


# ------------------------------------------------------------------- clothes

def cap(c, seed=0, col=None):
    col = col or PAL["cloth_blue"]
    c.move_to(-40, 8)
    c.curve_to(-40, -32, 30, -36, 36, 0)
    c.curve_to(20, 12, -20, 14, -40, 8)
    c.close_path()
    _fill_edge(c, rad(-10, -20, 0, 50, [(0, shade(col, 1.4)), (1, shade(col, 0.55))]))
    c.move_to(30, -2)
    c.curve_to(46, 0, 58, 8, 56, 14)
    c.curve_to(44, 18, 28, 12, 20, 8)
    c.close_path()
    _fill_edge(c, lin(0, -2, 0, 18, [(0, shade(PAL["night"], 1.5)), (1, PAL["night"])]), 1.4)
    c.move_to(-36, 4)
    c.curve_to(-20, 10, 10, 10, 30, 0)
    c.set_line_width(2)
    src(c, alpha(PAL["brass_lt"], 0.8))
    c.stroke()


def boot(c, seed=0):
    col = PAL["wood"]
    c.move_to(-20, -48)
    c.line_to(12, -48)
    c.line_to(14, 10)
    c.curve_to(30, 14, 50, 18, 50, 34)
    c.line_to(50, 42)
    c.line_to(-22, 42)
    c.line_to(-22, 10)
    c.close_path()
    _fill_edge(c, lin(-22, -48, 50, 42, [(0, shade(col, 1.5)), (0.5, col), (1, shade(col, 0.45))]))
    c.rectangle(-22, 36, 72, 6)
    src(c, PAL["wood_dk"])
    c.fill()
    for y in (-34, -22, -10):
        c.move_to(-2, y)
        c.line_to(10, y + 4)
    src(c, PAL["rope"])
    c.set_line_width(1.6)
    c.stroke()


def scarf(c, seed=0, col=None):
    """A folded knitted scarf with fringes."""
    col = col or PAL["cloth_red"]
    c.move_to(-44, -14)
    c.curve_to(-20, -22, 20, -20, 44, -12)
    c.line_to(40, 16)
    c.curve_to(20, 10, -20, 12, -46, 18)
    c.close_path()
    _fill_edge(c, lin(0, -22, 0, 18, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]))
    for i in range(5):
        y = -10 + i * 6
        c.move_to(-42, y + 2)
        c.curve_to(-20, y - 4, 20, y - 2, 42, y + 2)
    src(c, alpha(PAL["paper"], 0.45))
    c.set_line_width(2)
    c.stroke()
    for i in range(8):
        x = -44 + i * 3
        c.move_to(x, 18)
        c.line_to(x - 2, 30)
    src(c, shade(col, 0.9))
    c.set_line_width(2)
    c.stroke()


# --------------------------------------------------------------------- tools

def saw(c, seed=0):
    c.move_to(-20, -12)
    c.line_to(60, -8)
    c.line_to(60, 4)
    c.line_to(-20, 12)
    c.close_path()
    _fill_edge(c, lin(0, -12, 0, 12, [(0, PAL["iron_lt"]), (0.5, shade(PAL["iron_lt"], 1.3)), (1, PAL["iron"])]), 1.4)
    src(c, alpha(OUT, 0.7))
    c.set_line_width(1)
    for i in range(20):
        x = -18 + i * 4
        c.move_to(x, 12 - i * 0.4)
        c.line_to(x + 2, 15 - i * 0.4)
    c.stroke()
    c.move_to(-20, -16)
    c.line_to(-56, -18)
    c.curve_to(-64, -10, -64, 12, -56, 18)
    c.line_to(-20, 16)
    c.close_path()
    c.move_to(-30, -6)
    c.line_to(-48, -6)
    c.line_to(-48, 8)
    c.line_to(-30, 8)
    c.close_path()
    c.set_fill_rule(1)
    _fill_edge(c, lin(0, -18, 0, 18, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.4)
    c.set_fill_rule(0)


def pliers(c, seed=0):
    for s in (-1, 1):
        c.move_to(-6, 0)
        c.curve_to(-20, s * 6, -44, s * 14, -56, s * 10)
        c.line_to(-56, s * 2)
        c.curve_to(-40, s * 4, -22, s * 2, -6, 0)
        c.close_path()
        _fill_edge(c, lin(0, -14, 0, 14, [(0, PAL["cloth_red"]), (1, shade(PAL["cloth_red"], 0.5))]), 1.4)
    c.move_to(-8, -6)
    c.line_to(40, -8)
    c.line_to(40, -1)
    c.line_to(-8, 4)
    c.close_path()
    c.move_to(-8, 6)
    c.line_to(40, 8)
    c.line_to(40, 1)
    c.line_to(-8, -4)
    c.close_path()
    _fill_edge(c, lin(0, -8, 0, 8, [(0, shade(PAL["iron_lt"], 1.3)), (1, PAL["iron"])]), 1.4)
    c.arc(-4, 0, 5, 0, 2 * math.pi)
    _fill_edge(c, lin(-5, -5, 5, 5, [(0, PAL["iron_lt"]), (1, PAL["iron"])]), 1.2)


def screwdriver(c, seed=0, col=None):
    col = col or PAL["amber_dk"]
    rrect(c, -52, -9, 40, 18, 8)
    _fill_edge(c, lin(0, -9, 0, 9, [(0, shade(col, 1.4)), (1, shade(col, 0.55))]), 1.4)
    for x in (-44, -36, -28, -20):
        c.move_to(x, -7)
        c.line_to(x, 7)
    src(c, alpha(OUT, 0.35))
    c.set_line_width(1.5)
    c.stroke()
    c.rectangle(-12, -3, 56, 6)
    _fill_edge(c, lin(0, -3, 0, 3, [(0, shade(PAL["iron_lt"], 1.3)), (1, PAL["iron"])]), 1.2)
    c.move_to(44, -4)
    c.line_to(52, -2)
    c.line_to(52, 2)
    c.line_to(44, 4)
    c.close_path()
    _fill_edge(c, lin(0, -4, 0, 4, [(0, PAL["iron_lt"]), (1, PAL["iron"])]), 1)


def nails(c, seed=0):
    r = rng(seed)
    for i in range(7):
        x, y = (r.rand() - 0.5) * 70, (r.rand() - 0.5) * 40
        a = r.rand() * math.pi
        dx, dy = math.cos(a) * 20, math.sin(a) * 20
        c.move_to(x - dx, y - dy)
        c.line_to(x + dx, y + dy)
        _inked(c, 4.5, 3, PAL["iron_lt"])
        c.arc(x - dx, y - dy, 4, 0, 2 * math.pi)
        _fill_edge(c, lin(0, -4, 0, 4, [(0, PAL["iron_lt"]), (1, PAL["iron"])]), 1)


def chisel(c, seed=0):
    rrect(c, -54, -8, 44, 16, 6)
    _fill_edge(c, lin(0, -8, 0, 8, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.4)
    c.move_to(-10, -6)
    c.line_to(40, -7)
    c.line_to(52, 0)
    c.line_to(40, 5)
    c.line_to(-10, 5)
    c.close_path()
    _fill_edge(c, lin(0, -7, 0, 5, [(0, shade(PAL["iron_lt"], 1.3)), (1, PAL["iron"])]), 1.4)


def mallet(c, seed=0):
    c.rectangle(-6, -8, 70, 14)
    _fill_edge(c, lin(0, -8, 0, 6, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.4)
    rrect(c, -40, -26, 36, 50, 6)
    _fill_edge(c, _side(mix(PAL["wood_lt"], PAL["paper_dk"], 0.4)))
    c.move_to(-40, -14)
    c.line_to(-4, -14)
    c.move_to(-40, 12)
    c.line_to(-4, 12)
    src(c, alpha(OUT, 0.3))
    c.set_line_width(1.5)
    c.stroke()


def wire_coil(c, seed=0):
    for i in range(7):
        ellipse(c, (i - 3) * 1.5, (i - 3) * 1.2, 36 - i * 0.8, 28 - i * 0.6)
        _inked(c, 3.5, 2, shade(PAL["copper"], 1.0 + i * 0.08))


# ------------------------------------------------------------- boats, shore

def lifebuoy(c, seed=0):
    c.arc(0, 0, 46, 0, 2 * math.pi)
    c.new_sub_path()
    c.arc_negative(0, 0, 24, 2 * math.pi, 0)
    _fill_edge(c, rad(-10, -10, 10, 56, [(0, PAL["white"]), (1, PAL["paper_dk"])]))
    for k in range(4):
        a0 = k * math.pi / 2 + math.pi / 4 - 0.35
        c.arc(0, 0, 46, a0, a0 + 0.7)
        c.arc_negative(0, 0, 24, a0 + 0.7, a0)
        c.close_path()
        c.set_source(rad(-10, -10, 10, 56, [(0, shade(PAL["cloth_red"], 1.3)), (1, shade(PAL["cloth_red"], 0.7))]))
        c.fill_preserve()
        _edge(c, 1.2)
    for k in range(4):
        a = k * math.pi / 2
        c.arc(0, 0, 50, a - 0.2, a + 0.2)
        c.set_line_width(3)
        src(c, PAL["rope"])
        c.stroke()


def chain(c, seed=0):
    for i in range(7):
        x = -48 + i * 16
        y = math.sin(i * 0.9) * 6
        if i % 2 == 0:
            ellipse(c, x, y, 11, 7)
        else:
            ellipse(c, x, y, 11, 3)
        _inked(c, 5.5, 3.5, lin(0, y - 7, 0, y + 7, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))


def pebbles(c, seed=0):
    r = rng(seed)
    for i in range(5):
        x, y = (r.rand() - 0.5) * 70, (r.rand() - 0.5) * 26
        s = 12 + r.rand() * 10
        blob(c, x, y, s, s * 0.7, seed + i, 8, 0.15)
        col = shade(PAL["stone_lt"], 0.6 + r.rand() * 0.6)
        _fill_edge(c, rad(x - s * 0.3, y - s * 0.4, 0, s * 1.3, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]), 1.2)


def stone(c, seed=0, col=None):
    col = col or PAL["stone"]
    blob(c, 0, 0, 46, 30, seed, 10, 0.2)
    _fill_edge(c, rad(-14, -14, 0, 56, [(0, shade(col, 1.35)), (0.6, col), (1, shade(col, 0.5))]))
    src(c, alpha(PAL["leaf"], 0.35))
    blob(c, -6, -20, 22, 8, seed + 1, 8, 0.4)
    c.fill()


def driftwood(c, seed=0):
    col = PAL["drift"]
    c.move_to(-56, -4)
    c.curve_to(-30, -12, 0, -2, 20, -8)
    c.line_to(40, -22)
    c.line_to(44, -16)
    c.line_to(28, -4)
    c.curve_to(40, -2, 50, 2, 58, 0)
    c.line_to(56, 8)
    c.curve_to(20, 10, -20, 12, -54, 8)
    c.close_path()
    _fill_edge(c, lin(0, -12, 0, 12, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]))
    src(c, alpha(shade(col, 0.5), 0.6))
    c.set_line_width(1)
    for y in (-2, 2, 5):
        c.move_to(-50, y)
        c.curve_to(-20, y - 3, 20, y + 2, 50, y)
    c.stroke()


def seaweed(c, seed=0):
    r = rng(seed)
    for i in range(7):
        x0 = (r.rand() - 0.5) * 30
        pts = [(x0, 20)]
        x, y = x0, 20
        for k in range(5):
            x += (r.rand() - 0.5) * 26 + (i - 3) * 3
            y -= 8 + r.rand() * 6
            pts.append((x, y))
        smooth(c, pts, False, 0.3)
        c.set_line_width(6 - i * 0.4)
        src(c, shade(mix(PAL["leaf"], PAL["amber_dk"], 0.35), 0.6 + r.rand() * 0.5))
        c.stroke()
    ellipse(c, 0, 24, 30, 6)
    src(c, alpha(shade(PAL["leaf"], 0.4), 0.8))
    c.fill()


def lobster_pot(c, seed=0):
    c.move_to(-48, 36)
    c.line_to(-48, -6)
    c.curve_to(-48, -46, 48, -46, 48, -6)
    c.line_to(48, 36)
    c.close_path()
    c.set_source(lin(0, -40, 0, 36, [(0, alpha(PAL["wood_lt"], 0.25)), (1, alpha(PAL["wood_dk"], 0.55))]))
    c.fill_preserve()
    _edge(c, 2)
    c.save()
    c.move_to(-48, 36)
    c.line_to(-48, -6)
    c.curve_to(-48, -46, 48, -46, 48, -6)
    c.line_to(48, 36)
    c.close_path()
    c.clip()
    src(c, alpha(PAL["rope"], 0.85))
    c.set_line_width(1.2)
    for i in range(-10, 11):
        c.move_to(i * 8, -50)
        c.line_to(i * 8 + 30, 40)
        c.move_to(i * 8, -50)
        c.line_to(i * 8 - 30, 40)
    c.stroke()
    c.restore()
    for x in (-30, 0, 30):
        c.move_to(x, 36)
        c.curve_to(x, -30, x * 0.6, -38, x * 0.4, -40)
    c.set_line_width(4)
    src(c, PAL["wood_md"])
    c.stroke()
    c.rectangle(-52, 32, 104, 8)
    _fill_edge(c, lin(0, 32, 0, 40, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.4)


def sack(c, seed=0, col=None):
    col = col or mix(PAL["rope"], PAL["paper_dk"], 0.5)
    c.move_to(-10, -44)
    c.curve_to(-20, -30, -44, -6, -42, 24)
    c.curve_to(-40, 44, 40, 44, 42, 24)
    c.curve_to(44, -6, 20, -30, 10, -44)
    c.close_path()
    _fill_edge(c, rad(-14, -4, 0, 60, [(0, shade(col, 1.3)), (0.6, col), (1, shade(col, 0.5))]))
    c.move_to(-14, -36)
    c.curve_to(-4, -32, 4, -32, 14, -36)
    c.set_line_width(4)
    src(c, PAL["rope"])
    c.stroke()
    c.move_to(-10, -44)
    c.line_to(-16, -52)
    c.move_to(0, -44)
    c.line_to(0, -54)
    c.move_to(10, -44)
    c.line_to(16, -52)
    c.set_line_width(3)
    src(c, shade(col, 0.9))
    c.stroke()
    src(c, alpha(shade(col, 0.5), 0.5))
    c.set_line_width(1.2)
    for i in range(4):
        c.move_to(-30 + i * 18, -4)
        c.curve_to(-28 + i * 18, 10, -30 + i * 18, 24, -26 + i * 18, 34)
    c.stroke()


def buoy(c, seed=0):
    c.move_to(0, -50)
    c.line_to(0, -30)
    c.set_line_width(3)
    src(c, PAL["iron"])
    c.stroke()
    c.move_to(-14, -30)
    c.curve_to(-30, -10, -36, 20, -30, 40)
    c.line_to(30, 40)
    c.curve_to(36, 20, 30, -10, 14, -30)
    c.close_path()
    _fill_edge(c, _side(PAL["cloth_red"]))
    c.save()
    c.move_to(-14, -30)
    c.curve_to(-30, -10, -36, 20, -30, 40)
    c.line_to(30, 40)
    c.curve_to(36, 20, 30, -10, 14, -30)
    c.close_path()
    c.clip()
    c.rectangle(-40, -2, 80, 16)
    c.set_source(_side(PAL["white"], 1.0, 0.6))
    c.fill()
    c.restore()


def gull_carving(c, seed=0):
    """A little painted wooden gull on a stand."""
    c.rectangle(-30, 34, 60, 10)
    _fill_edge(c, lin(0, 34, 0, 44, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.4)
    c.move_to(0, 34)
    c.line_to(0, 14)
    c.set_line_width(4)
    src(c, PAL["wood"])
    c.stroke()
    c.move_to(-44, 2)
    c.curve_to(-30, -12, -4, -14, 14, -8)
    c.curve_to(24, -24, 36, -26, 42, -18)
    c.line_to(54, -16)
    c.line_to(42, -12)
    c.curve_to(40, 4, 20, 16, -4, 14)
    c.curve_to(-20, 12, -34, 8, -44, 2)
    c.close_path()
    _fill_edge(c, lin(0, -26, 0, 16, [(0, PAL["white"]), (1, PAL["stone_lt"])]))
    c.move_to(-30, -2)
    c.curve_to(-16, -26, 4, -30, 20, -10)
    c.curve_to(4, -4, -14, -2, -30, -2)
    c.close_path()
    _fill_edge(c, lin(0, -30, 0, 0, [(0, PAL["stone"]), (1, PAL["stone_dk"])]), 1.2)
    c.arc(38, -18, 2, 0, 2 * math.pi)
    src(c, OUT)
    c.fill()


def ball(c, seed=0):
    c.arc(0, 0, 36, 0, 2 * math.pi)
    _fill_edge(c, rad(-12, -12, 0, 44, [(0, PAL["white"]), (1, PAL["paper_dk"])]))
    c.save()
    c.arc(0, 0, 35, 0, 2 * math.pi)
    c.clip()
    for k, col in enumerate((PAL["cloth_red"], PAL["cloth_blue"], PAL["amber"])):
        a = k * 2 * math.pi / 3
        c.move_to(0, 0)
        c.arc(0, 0, 40, a, a + 0.9)
        c.close_path()
        c.set_source(rad(-12, -12, 0, 44, [(0, shade(col, 1.3)), (1, shade(col, 0.55))]))
        c.fill()
    c.restore()
    glass_shine(c, -24, -24, 18, 10, 0.45)


def chess_knight(c, seed=0):
    col = PAL["wood_dk"]
    ellipse(c, 0, 40, 26, 7)
    _fill_edge(c, _side(col, 1.8, 0.6), 1.4)
    c.move_to(-20, 38)
    c.line_to(-14, 24)
    c.curve_to(-18, 6, -22, -14, -10, -32)
    c.curve_to(-4, -42, 10, -44, 14, -34)
    c.curve_to(22, -28, 26, -16, 24, -8)
    c.line_to(14, -10)
    c.curve_to(8, 0, 14, 14, 16, 24)
    c.line_to(20, 38)
    c.close_path()
    _fill_edge(c, _side(col, 1.9, 0.6))
    c.arc(2, -26, 2.2, 0, 2 * math.pi)
    src(c, PAL["paper"])
    c.fill()


def globe(c, seed=0):
    c.move_to(0, 32)
    c.line_to(0, 44)
    c.set_line_width(5)
    src(c, PAL["wood"])
    c.stroke()
    ellipse(c, 0, 46, 24, 6)
    _fill_edge(c, _side(PAL["wood"], 1.5, 0.5), 1.4)
    c.arc(0, -6, 34, 0, 2 * math.pi)
    _fill_edge(c, rad(-10, -16, 0, 40, [(0, mix(PAL["paper"], PAL["seaglass"], 0.3)), (1, PAL["teal"])]))
    src(c, alpha(PAL["wood_md"], 0.75))
    blob(c, -6, -12, 14, 10, seed + 3, 8, 0.4)
    c.fill()
    blob(c, 14, 8, 8, 10, seed + 4, 7, 0.4)
    c.fill()
    c.arc(0, -6, 40, math.pi * 0.55, math.pi * 2.05)
    c.set_line_width(4)
    c.set_source(brass_linear(-40, -40, 40, 40))
    c.stroke()


def pencil(c, seed=0, col=None):
    col = col or PAL["leaf"]
    c.move_to(-50, -5)
    c.line_to(34, -5)
    c.line_to(50, 0)
    c.line_to(34, 5)
    c.line_to(-50, 5)
    c.close_path()
    _fill_edge(c, lin(0, -5, 0, 5, [(0, shade(col, 1.4)), (1, shade(col, 0.6))]), 1.2)
    c.move_to(34, -5)
    c.line_to(50, 0)
    c.line_to(34, 5)
    c.close_path()
    src(c, mix(PAL["wood_lt"], PAL["paper"], 0.5))
    c.fill()
    c.move_to(45, -1.6)
    c.line_to(50, 0)
    c.line_to(45, 1.6)
    c.close_path()
    src(c, OUT)
    c.fill()


def ruler(c, seed=0):
    c.rectangle(-54, -8, 108, 16)
    _fill_edge(c, lin(0, -8, 0, 8, [(0, PAL["wood_lt"]), (1, shade(PAL["wood_lt"], 0.7))]), 1.4)
    src(c, alpha(PAL["ink"], 0.8))
    c.set_line_width(1)
    for i in range(21):
        x = -50 + i * 5
        c.move_to(x, -8)
        c.line_to(x, -8 + (6 if i % 2 == 0 else 3))
    c.stroke()


def newspaper(c, seed=0):
    c.move_to(-46, -30)
    c.line_to(40, -36)
    c.line_to(46, 30)
    c.line_to(-40, 34)
    c.close_path()
    _fill_edge(c, lin(-46, -36, 46, 34, [(0, PAL["white"]), (1, PAL["paper_dk"])]))
    src(c, alpha(PAL["ink"], 0.55))
    c.rectangle(-34, -26, 60, 6)
    c.fill()
    for col in range(3):
        for i in range(6):
            c.rectangle(-34 + col * 24, -14 + i * 7, 18, 2)
    c.fill()
    c.move_to(-43, 0)
    c.line_to(43, -3)
    src(c, alpha(OUT, 0.25))
    c.set_line_width(1.2)
    c.stroke()


def envelope_stack(c, seed=0):
    r = rng(seed)
    for i in range(3):
        c.save()
        c.rotate((r.rand() - 0.5) * 0.3)
        c.translate((r.rand() - 0.5) * 10, 10 - i * 8)
        c.rectangle(-40, -22, 80, 44)
        _fill_edge(c, lin(0, -22, 0, 22, [(0, mix(PAL["paper"], PAL["white"], 0.4)), (1, PAL["paper_dk"])]), 1.4)
        c.move_to(-40, -22)
        c.line_to(0, 4)
        c.line_to(40, -22)
        src(c, alpha(OUT, 0.35))
        c.set_line_width(1.2)
        c.stroke()
        c.restore()
    c.move_to(-44, 4)
    c.line_to(44, 0)
    c.set_line_width(3)
    src(c, PAL["cloth_red"])
    c.stroke()


def cork(c, seed=0):
    c.move_to(-14, -20)
    c.line_to(14, -20)
    c.line_to(11, 20)
    c.line_to(-11, 20)
    c.close_path()
    _fill_edge(c, _side(mix(PAL["wood_lt"], PAL["amber_dk"], 0.3)))
    r = rng(seed)
    src(c, alpha(PAL["wood_dk"], 0.5))
    for i in range(12):
        c.arc((r.rand() - 0.5) * 20, (r.rand() - 0.5) * 36, 1.2, 0, 2 * math.pi)
        c.fill()


def birdcage(c, seed=0):
    c.arc(0, -52, 6, 0, 2 * math.pi)
    c.set_line_width(3)
    c.set_source(brass_linear(-6, -58, 6, -46))
    c.stroke()
    c.move_to(-34, 40)
    c.line_to(-34, -14)
    c.curve_to(-34, -52, 34, -52, 34, -14)
    c.line_to(34, 40)
    c.close_path()
    src(c, alpha(PAL["night"], 0.2))
    c.fill()
    for x in range(-30, 31, 10):
        c.move_to(x, 40)
        c.line_to(x, -14)
        c.curve_to(x, -44, x * 0.3, -46, 0, -46)
    c.set_line_width(4)
    src(c, alpha(OUT, 0.8))
    c.stroke_preserve()
    c.set_line_width(2)
    c.set_source(brass_linear(-34, -46, 34, 40))
    c.stroke()
    rrect(c, -40, 36, 80, 10, 3)
    _fill_edge(c, brass_linear(-40, 36, 40, 46), 1.4)
    c.move_to(-20, 10)
    c.line_to(20, 10)
    c.set_line_width(3)
    src(c, PAL["wood"])
    c.stroke()


def knife(c, seed=0):
    rrect(c, -52, -6, 34, 12, 4)
    _fill_edge(c, lin(0, -6, 0, 6, [(0, PAL["wood_md"]), (1, PAL["wood_dk"])]), 1.4)
    for x in (-44, -28):
        c.arc(x, 0, 1.8, 0, 2 * math.pi)
        src(c, PAL["brass_lt"])
        c.fill()
    c.move_to(-18, -6)
    c.line_to(40, -6)
    c.curve_to(50, -6, 54, -2, 54, 0)
    c.line_to(-18, 5)
    c.close_path()
    _fill_edge(c, lin(0, -6, 0, 5, [(0, shade(PAL["iron_lt"], 1.5)), (1, PAL["iron_lt"])]), 1.4)


def fork(c, seed=0):
    c.move_to(-52, 0)
    c.line_to(10, 0)
    _inked(c, 6.5, 4.5, shade(PAL["iron_lt"], 1.4))
    rrect(c, 8, -9, 14, 18, 4)
    _fill_edge(c, lin(0, -9, 0, 9, [(0, shade(PAL["iron_lt"], 1.4)), (1, PAL["iron_lt"])]), 1.2)
    for y in (-7, -2.3, 2.3, 7):
        c.move_to(20, y)
        c.line_to(50, y)
    _inked(c, 3.2, 1.8, shade(PAL["iron_lt"], 1.4))


def leaf(c, seed=0, col=None):
    col = col or mix(PAL["amber_dk"], PAL["leaf"], 0.3)
    c.move_to(-44, 0)
    c.curve_to(-20, -26, 20, -22, 44, 0)
    c.curve_to(20, 22, -20, 26, -44, 0)
    c.close_path()
    _fill_edge(c, lin(0, -24, 0, 24, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]), 1.4)
    c.move_to(-50, 2)
    c.line_to(40, 0)
    for x in (-24, -4, 16):
        c.move_to(x, 0)
        c.line_to(x + 14, -14)
        c.move_to(x, 0)
        c.line_to(x + 14, 14)
    src(c, alpha(shade(col, 0.5), 0.8))
    c.set_line_width(1.4)
    c.stroke()


def tuft(c, seed=0, col=None):
    """A clump of long grass, its root at the bottom: stood in front of something on the
    ground, its blades cross it."""
    col = col or mix(PAL["leaf"], PAL["amber_lt"], 0.3)
    r = rng(seed)
    for i in range(17):
        x0 = (r.rand() - 0.5) * 44
        lean = (x0 / 18.0 + (r.rand() - 0.5)) * 26
        h = 54 + r.rand() * 38
        c.move_to(x0 - 2.5, 44)
        c.curve_to(x0, 44 - h * 0.5, x0 + lean * 0.5, 44 - h * 0.8, x0 + lean, 44 - h)
        c.curve_to(x0 + lean * 0.4, 44 - h * 0.75, x0 + 2, 44 - h * 0.45, x0 + 2.5, 44)
        c.close_path()
        c.set_source(lin(0, 44 - h, 0, 44, [(0, shade(col, 1.5 + r.rand() * 0.4)), (1, shade(col, 0.6))]))
        c.fill()


def pinecone(c, seed=0):
    col = PAL["wood_md"]
    c.move_to(0, -46)
    c.curve_to(30, -30, 30, 30, 0, 44)
    c.curve_to(-30, 30, -30, -30, 0, -46)
    c.close_path()
    _fill_edge(c, _side(col, 1.5, 0.45))
    src(c, alpha(shade(col, 0.4), 0.9))
    c.set_line_width(1.5)
    for i in range(7):
        y = -36 + i * 11
        w = 22 * math.sin(math.pi * (i + 1) / 8)
        c.move_to(-w, y)
        c.curve_to(-w * 0.5, y + 6, w * 0.5, y + 6, w, y)
    c.stroke()


def seagull_feathers(c, seed=0):
    """Two small grey feathers crossed (a decoy for the shore, not the listed gull feather)."""
    for a, col in ((-0.4, PAL["stone_lt"]), (0.5, PAL["stone"])):
        c.save()
        c.rotate(a)
        c.move_to(-40, 0)
        c.curve_to(-20, -12, 20, -10, 40, 0)
        c.curve_to(20, 8, -20, 10, -40, 0)
        c.close_path()
        _fill_edge(c, lin(0, -12, 0, 10, [(0, shade(col, 1.2)), (1, shade(col, 0.6))]), 1.2)
        c.restore()


def teacup_stack(c, seed=0):
    """Two saucers and a cup upside down on them."""
    for y, w in ((30, 46), (22, 44)):
        ellipse(c, 0, y, w, 9)
        _fill_edge(c, lin(-w, 0, w, 0, [(0, PAL["white"]), (1, PAL["paper_dk"])]), 1.4)
    c.move_to(-26, 18)
    c.curve_to(-26, -16, 26, -16, 26, 18)
    c.close_path()
    _fill_edge(c, _side(mix(PAL["white"], PAL["seaglass"], 0.3), 1.1, 0.6))
    c.move_to(-24, 0)
    c.curve_to(-8, 4, 8, 4, 24, 0)
    src(c, alpha(PAL["ember"], 0.7))
    c.set_line_width(3)
    c.stroke()


def oilskin(c, seed=0):
    """A sou'wester hat."""
    col = mix(PAL["amber"], PAL["amber_lt"], 0.4)
    c.move_to(-52, 14)
    c.curve_to(-40, 2, 40, 2, 52, 18)
    c.curve_to(40, 30, -40, 28, -52, 14)
    c.close_path()
    _fill_edge(c, lin(0, 2, 0, 30, [(0, shade(col, 1.1)), (1, shade(col, 0.55))]))
    c.move_to(-30, 12)
    c.curve_to(-30, -32, 30, -32, 30, 12)
    c.close_path()
    _fill_edge(c, rad(-10, -16, 0, 44, [(0, shade(col, 1.35)), (1, shade(col, 0.6))]))
    c.move_to(-28, 4)
    c.curve_to(-10, 8, 10, 8, 28, 4)
    src(c, alpha(OUT, 0.4))
    c.set_line_width(1.5)
    c.stroke()


def tin_can(c, seed=0, col=None):
    col = col or PAL["seaglass_dk"]
    c.rectangle(-22, -30, 44, 64)
    _fill_edge(c, _side(PAL["iron_lt"], 1.5, 0.45))
    c.rectangle(-22, -18, 44, 36)
    _fill_edge(c, _side(col), 1.2)
    c.arc(0, 0, 9, 0, 2 * math.pi)
    src(c, alpha(PAL["paper"], 0.8))
    c.fill()
    ellipse(c, 0, -30, 22, 5)
    _fill_edge(c, lin(0, -35, 0, -25, [(0, PAL["iron_lt"]), (1, PAL["iron"])]), 1.2)


def oar_blade(c, seed=0):
    """A broken-off oar blade (shore driftwood)."""
    col = mix(PAL["wood_lt"], PAL["drift"], 0.4)
    c.move_to(-54, -3)
    c.line_to(-4, -4)
    c.curve_to(10, -16, 40, -16, 54, -10)
    c.line_to(54, 10)
    c.curve_to(40, 16, 10, 16, -4, 4)
    c.line_to(-54, 3)
    c.close_path()
    _fill_edge(c, lin(0, -16, 0, 16, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]))
    c.rectangle(30, -13, 8, 26)
    src(c, alpha(PAL["cloth_red"], 0.8))
    c.fill()


def mussels(c, seed=0):
    r = rng(seed)
    for i in range(5):
        x, y = (r.rand() - 0.5) * 60, (r.rand() - 0.5) * 30
        a = r.rand() * math.pi
        c.save()
        c.translate(x, y)
        c.rotate(a)
        c.move_to(-18, 0)
        c.curve_to(-10, -12, 14, -10, 18, 0)
        c.curve_to(14, 8, -10, 10, -18, 0)
        c.close_path()
        _fill_edge(c, lin(0, -10, 0, 10, [(0, mix(PAL["seaglass_bl"], PAL["night"], 0.4)), (1, PAL["night"])]), 1.2)
        c.restore()


def ladder_rope(c, seed=0):
    """A length of knotted rope lying in loose curves."""
    pts = [(-54, 10), (-30, -10), (-4, 12), (20, -14), (48, 4)]
    for lw, col in ((9, alpha(OUT, 0.8)), (6, PAL["rope"])):
        smooth(c, pts, False, 0.3)
        c.set_line_width(lw)
        src(c, col)
        c.stroke()
    for x, y in pts[1:-1]:
        c.arc(x, y, 6, 0, 2 * math.pi)
        _fill_edge(c, rad(x - 2, y - 2, 0, 7, [(0, shade(PAL["rope"], 1.2)), (1, shade(PAL["rope"], 0.6))]), 1.2)


# --------------------------------------------------------- hearth and house

def log(c, seed=0):
    col = PAL["wood_md"]
    c.move_to(-50, -14)
    c.line_to(40, -16)
    c.line_to(40, 16)
    c.line_to(-50, 14)
    c.close_path()
    _fill_edge(c, lin(0, -16, 0, 16, [(0, shade(col, 1.2)), (0.5, col), (1, shade(col, 0.45))]))
    src(c, alpha(PAL["wood_dk"], 0.6))
    c.set_line_width(1.3)
    for y in (-8, -2, 6):
        c.move_to(-46, y)
        c.curve_to(-20, y - 2, 10, y + 2, 36, y)
    c.stroke()
    ellipse(c, 40, 0, 10, 16)
    _fill_edge(c, rad(40, 0, 0, 16, [(0, PAL["wood_lt"]), (0.5, mix(PAL["wood_lt"], PAL["paper_dk"], 0.4)), (1, PAL["wood"])]), 1.4)
    for r in (5, 10):
        ellipse(c, 40, 0, r * 0.6, r)
        src(c, alpha(PAL["wood"], 0.6))
        c.set_line_width(1)
        c.stroke()


def firewood(c, seed=0):
    """A small stack of split logs."""
    for x, y, k in ((-26, 26, 0), (20, 26, 1), (-4, 2, 2), (30, 2, 3), (6, -22, 4)):
        c.save()
        c.translate(x, y)
        c.scale(0.62, 0.62)
        log(c, seed + k)
        c.restore()


def bellows(c, seed=0):
    c.move_to(-40, -24)
    c.curve_to(-10, -34, 24, -20, 30, 0)
    c.curve_to(24, 20, -10, 34, -40, 24)
    c.close_path()
    _fill_edge(c, lin(-40, 0, 30, 0, [(0, PAL["wood_lt"]), (1, PAL["wood"])]))
    c.move_to(-34, -16)
    c.curve_to(-10, -22, 14, -12, 20, 0)
    c.curve_to(14, 12, -10, 22, -34, 16)
    c.close_path()
    src(c, alpha(PAL["cloth_red"], 0.85))
    c.fill()
    for y in (-10, 0, 10):
        c.move_to(-30, y)
        c.line_to(16, y * 0.5)
    src(c, alpha(OUT, 0.35))
    c.set_line_width(1.2)
    c.stroke()
    c.move_to(28, -5)
    c.line_to(58, -2)
    c.line_to(58, 2)
    c.line_to(28, 5)
    c.close_path()
    _fill_edge(c, brass_linear(28, -5, 58, 5), 1.2)
    rrect(c, -60, -6, 22, 12, 4)
    _fill_edge(c, lin(0, -6, 0, 6, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]), 1.2)


def poker(c, seed=0):
    c.move_to(-50, 0)
    c.line_to(44, 0)
    _inked(c, 6, 3.6, PAL["iron_lt"])
    c.arc(-52, 0, 7, 0, 2 * math.pi)
    c.set_line_width(3)
    src(c, PAL["brass"])
    c.stroke()
    c.move_to(44, 0)
    c.line_to(52, -8)
    c.set_line_width(4)
    src(c, PAL["iron"])
    c.stroke()


def broom(c, seed=0):
    c.move_to(0, -58)
    c.line_to(0, 10)
    _inked(c, 7, 5, PAL["wood_lt"])
    c.move_to(-8, 8)
    c.line_to(8, 8)
    c.line_to(20, 58)
    c.line_to(-20, 58)
    c.close_path()
    _fill_edge(c, lin(-20, 0, 20, 0, [(0, mix(PAL["amber_lt"], PAL["rope"], 0.5)), (1, shade(PAL["rope"], 0.6))]))
    src(c, alpha(shade(PAL["rope"], 0.5), 0.7))
    c.set_line_width(1)
    for i in range(-8, 9):
        c.move_to(i * 0.9, 10)
        c.line_to(i * 2.3, 57)
    c.stroke()
    c.rectangle(-9, 16, 18, 4)
    src(c, PAL["cloth_red"])
    c.fill()


def colander(c, seed=0):
    c.move_to(-46, -10)
    c.curve_to(-42, 30, 42, 30, 46, -10)
    c.close_path()
    _fill_edge(c, _side(PAL["iron_lt"], 1.5, 0.45))
    src(c, alpha(OUT, 0.7))
    for row, (y, n) in enumerate(((0, 7), (10, 5), (18, 3))):
        for i in range(n):
            c.arc((i - (n - 1) / 2) * 10, y, 1.8, 0, 2 * math.pi)
            c.fill()
    ellipse(c, 0, -10, 46, 8)
    _fill_edge(c, lin(0, -18, 0, -2, [(0, shade(PAL["iron"], 0.8)), (1, PAL["iron_lt"])]), 1.4)
    for sx in (-1, 1):
        c.arc(sx * 50, -8, 6, 0, 2 * math.pi)
        c.set_line_width(3)
        src(c, PAL["iron"])
        c.stroke()


def board(c, seed=0):
    """A chopping board with a hole for hanging."""
    c.move_to(-44, -28)
    c.line_to(28, -28)
    c.curve_to(40, -28, 40, -10, 52, -10)
    c.line_to(52, 10)
    c.curve_to(40, 10, 40, 28, 28, 28)
    c.line_to(-44, 28)
    c.close_path()
    _fill_edge(c, lin(0, -28, 0, 28, [(0, PAL["wood_lt"]), (1, shade(PAL["wood_lt"], 0.65))]))
    c.arc(46, 0, 3.5, 0, 2 * math.pi)
    src(c, PAL["wood_dk"])
    c.fill()
    src(c, alpha(PAL["wood"], 0.45))
    c.set_line_width(1)
    for y in (-18, -6, 8, 20):
        c.move_to(-40, y)
        c.line_to(30, y + 1)
    c.stroke()


def onion_string(c, seed=0):
    c.move_to(0, -56)
    c.line_to(0, 50)
    c.set_line_width(2)
    src(c, PAL["rope"])
    c.stroke()
    for i, (x, y) in enumerate(((-8, -40), (8, -26), (-9, -10), (7, 6), (-6, 22), (6, 38))):
        c.save()
        c.translate(x, y)
        c.scale(0.28, 0.28)
        c.rotate(-0.5 if x < 0 else 0.5)
        onion(c, seed + i)
        c.restore()


def mortar(c, seed=0):
    col = mix(PAL["stone_lt"], PAL["paper"], 0.3)
    c.move_to(10, -10)
    c.line_to(40, -46)
    c.line_to(48, -40)
    c.line_to(18, -4)
    c.close_path()
    _fill_edge(c, lin(10, 0, 48, 0, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.4)
    c.move_to(-36, -10)
    c.curve_to(-36, 30, 36, 30, 36, -10)
    c.close_path()
    _fill_edge(c, _side(col))
    ellipse(c, 0, -10, 36, 8)
    _fill_edge(c, lin(0, -18, 0, -2, [(0, shade(col, 0.5)), (1, shade(col, 0.85))]), 1.4)
    rrect(c, -20, 20, 40, 12, 3)
    _fill_edge(c, _side(col, 1.1, 0.5), 1.4)


def grinder(c, seed=0):
    """A box coffee mill with its crank."""
    c.rectangle(-30, -8, 60, 50)
    _fill_edge(c, _side(PAL["wood_md"], 1.4, 0.45))
    rrect(c, -10, 18, 20, 12, 2)
    _fill_edge(c, brass_linear(-10, 18, 10, 30), 1.2)
    c.move_to(-24, -8)
    c.curve_to(-24, -30, 24, -30, 24, -8)
    c.close_path()
    _fill_edge(c, brass_linear(-24, -30, 24, -8))
    c.move_to(0, -26)
    c.line_to(0, -40)
    c.line_to(30, -44)
    _inked(c, 5, 3, PAL["iron_lt"])
    ellipse(c, 32, -48, 5, 7)
    _fill_edge(c, lin(0, -55, 0, -41, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.2)


def coat(c, seed=0, col=None):
    """A coat hanging from a peg."""
    col = col or mix(PAL["cloth_blue"], PAL["night"], 0.3)
    c.arc(0, -56, 4, 0, 2 * math.pi)
    src(c, PAL["wood_dk"])
    c.fill()
    c.move_to(-8, -54)
    c.curve_to(-30, -46, -34, -30, -36, -10)
    c.line_to(-40, 56)
    c.line_to(38, 56)
    c.line_to(34, -10)
    c.curve_to(32, -30, 28, -46, 8, -54)
    c.close_path()
    _fill_edge(c, lin(-40, 0, 38, 0, [(0, shade(col, 1.3)), (0.5, col), (1, shade(col, 0.45))]))
    c.move_to(-8, -54)
    c.line_to(0, -20)
    c.line_to(8, -54)
    src(c, alpha(OUT, 0.55))
    c.set_line_width(1.6)
    c.stroke()
    c.move_to(0, -20)
    c.line_to(2, 56)
    c.stroke()
    for y in (-8, 12, 32):
        c.arc(-6, y, 2.6, 0, 2 * math.pi)
        c.set_source(brass_radial(-6, y, 3))
        c.fill()


def cushion(c, seed=0, col=None):
    col = col or PAL["cloth_red"]
    c.move_to(-44, -20)
    c.curve_to(-10, -28, 10, -28, 44, -20)
    c.curve_to(38, 0, 38, 0, 44, 20)
    c.curve_to(10, 28, -10, 28, -44, 20)
    c.curve_to(-38, 0, -38, 0, -44, -20)
    c.close_path()
    _fill_edge(c, rad(-10, -10, 0, 56, [(0, shade(col, 1.4)), (0.6, col), (1, shade(col, 0.55))]))
    c.arc(0, 0, 4, 0, 2 * math.pi)
    src(c, PAL["brass_lt"])
    c.fill()
    src(c, alpha(PAL["paper"], 0.35))
    c.set_line_width(2)
    for k in (-1, 1):
        c.move_to(-36, k * 10)
        c.curve_to(-10, k * 4, 10, k * 4, 36, k * 10)
    c.stroke()


def towel(c, seed=0, col=None):
    """A striped tea towel hanging over a rail."""
    col = col or PAL["cloth_red"]
    c.move_to(-26, -40)
    c.line_to(26, -40)
    c.line_to(24, 40)
    c.curve_to(10, 44, -10, 36, -24, 42)
    c.close_path()
    _fill_edge(c, lin(-26, 0, 26, 0, [(0, PAL["white"]), (1, PAL["paper_dk"])]))
    for y in (-28, -22, 24, 30):
        c.rectangle(-25, y, 50, 3)
    src(c, alpha(col, 0.85))
    c.fill()
    c.rectangle(-30, -46, 60, 8)
    _fill_edge(c, brass_linear(-30, -46, 30, -38), 1.2)


def rag(c, seed=0, col=None):
    """A crumpled cloth dropped in a heap: a ragged outline with a corner drooping from it, soft
    curved folds, a faint check woven in; no straight edge anywhere, so it reads as no box, roll
    or candle."""
    col = col or PAL["paper_dk"]
    r = rng(seed + 31)

    def heap():
        blob(c, 0, 0, 46, 24, seed + 5, 13, 0.3)

    # a corner drooping from the heap's left end
    c.move_to(-40, -4)
    c.curve_to(-48, 8, -50, 22, -44, 34)
    c.curve_to(-38, 26, -30, 18, -22, 14)
    c.close_path()
    _fill_edge(c, lin(-50, 0, -22, 0, [(0, shade(col, 0.7)), (1, shade(col, 1.05))]), 1.3)
    heap()
    _fill_edge(c, rad(-10, -10, 4, 54, [(0, shade(col, 1.3)), (0.6, col), (1, shade(col, 0.6))]), 1.5)
    c.save()
    heap()
    c.clip()
    # the check, bent by the folds
    src(c, alpha(shade(col, 0.55), 0.3))
    c.set_line_width(2)
    for k in range(-5, 6):
        c.move_to(-50, k * 8)
        c.curve_to(-20, k * 8 - 6, 20, k * 8 + 6, 50, k * 8 - 2)
        c.move_to(k * 9, -30)
        c.curve_to(k * 9 + 8, -10, k * 9 - 8, 10, k * 9 + 4, 30)
    c.stroke()
    # soft folds: short curved creases, each with a lit ridge above it
    for i in range(5):
        fx, fy = -30 + i * 15 + r.uniform(-4, 4), r.uniform(-12, 10)
        fr = r.uniform(7, 12)
        a0 = r.uniform(0.3, 0.8)
        c.new_path()
        c.arc(fx, fy - fr, fr, a0, math.pi - a0)
        src(c, alpha(OUT, 0.5))
        c.set_line_width(2.2)
        c.stroke()
        c.arc(fx, fy - fr - 3, fr, a0 + 0.2, math.pi - a0 - 0.2)
        src(c, alpha(PAL["white"], 0.25))
        c.set_line_width(2)
        c.stroke()
    c.restore()


def mirror(c, seed=0):
    ellipse(c, 0, 0, 34, 46)
    _fill_edge(c, brass_linear(-34, -46, 34, 46))
    ellipse(c, 0, 0, 27, 38)
    c.set_source(lin(-27, -38, 27, 38, [(0, mix(PAL["mist_lt"], PAL["white"], 0.4)), (0.5, PAL["mist"]), (1, PAL["teal"])]))
    c.fill()
    glass_shine(c, -20, -30, 18, 30, 0.35)


def ships_wheel(c, seed=0):
    """A ship's wheel hung on a wall: a wooden rim on eight spokes, each running out to a
    turned handle, round a brass hub."""
    col = PAL["wood_md"]
    for k in range(8):
        t = k * math.pi / 4 + 0.2
        c.move_to(math.cos(t) * 8, math.sin(t) * 8)
        c.line_to(math.cos(t) * 48, math.sin(t) * 48)
        _inked(c, 7.5, 5, col, 0.85)
        c.arc(math.cos(t) * 50, math.sin(t) * 50, 4.5, 0, 2 * math.pi)
        _fill_edge(c, _side(PAL["wood_lt"]), 1.2)
    c.arc(0, 0, 34, 0, 2 * math.pi)
    c.new_sub_path()
    c.arc_negative(0, 0, 26, 2 * math.pi, 0)
    _fill_edge(c, lin(-34, -34, 34, 34, [(0, shade(col, 1.4)), (1, shade(col, 0.55))]))
    c.arc(0, 0, 10, 0, 2 * math.pi)
    _fill_edge(c, brass_radial(0, 0, 10))


def barometer(c, seed=0):
    c.arc(0, 10, 30, 0, 2 * math.pi)
    _fill_edge(c, _side(PAL["wood_md"], 1.4, 0.45))
    rrect(c, -8, -58, 16, 46, 6)
    _fill_edge(c, _side(PAL["wood_md"], 1.4, 0.45))
    c.rectangle(-2, -52, 4, 36)
    src(c, PAL["white"])
    c.fill()
    c.rectangle(-2, -32, 4, 16)
    src(c, PAL["cloth_red"])
    c.fill()
    c.arc(0, 10, 22, 0, 2 * math.pi)
    _fill_edge(c, rad(-4, 6, 0, 24, [(0, PAL["white"]), (1, PAL["paper_dk"])]), 1.4)
    c.move_to(0, 10)
    c.line_to(12, -4)
    c.set_line_width(2)
    src(c, PAL["ink"])
    c.stroke()
    src(c, alpha(PAL["ink"], 0.7))
    c.set_line_width(1)
    for i in range(9):
        t = math.pi * (0.8 + i * 0.175)
        c.move_to(math.cos(t) * 16, 10 + math.sin(t) * 16)
        c.line_to(math.cos(t) * 20, 10 + math.sin(t) * 20)
    c.stroke()


def egg_basket(c, seed=0):
    basket(c, seed, fill="eggs")


def plate_stack(c, seed=0, col=None):
    col = col or PAL["cloth_blue"]
    for i in range(4):
        y = 22 - i * 8
        ellipse(c, 0, y, 46, 12)
        _fill_edge(c, lin(-46, 0, 46, 0, [(0, PAL["white"]), (1, PAL["paper_dk"])]), 1.4)
        ellipse(c, 0, y, 46, 12, 0.1, math.pi - 0.1)
        src(c, alpha(col, 0.7))
        c.set_line_width(2)
        c.stroke()
    ellipse(c, 0, -2, 30, 7)
    src(c, alpha(col, 0.5))
    c.set_line_width(2)
    c.stroke()


def salt_box(c, seed=0):
    c.move_to(-26, 40)
    c.line_to(-26, -16)
    c.line_to(0, -40)
    c.line_to(26, -16)
    c.line_to(26, 40)
    c.close_path()
    _fill_edge(c, _side(PAL["wood_lt"], 1.3, 0.5))
    c.move_to(-20, -12)
    c.line_to(0, -30)
    c.line_to(20, -12)
    c.close_path()
    src(c, alpha(PAL["wood_dk"], 0.6))
    c.fill()
    c.rectangle(-16, 8, 32, 14)
    src(c, alpha(PAL["cloth_blue"], 0.6))
    c.fill()


def rolling_pin(c, seed=0):
    for sx in (-1, 1):
        rrect(c, sx * 40 - 9, -5, 18, 10, 4)
        _fill_edge(c, lin(0, -5, 0, 5, [(0, PAL["wood_lt"]), (1, PAL["wood"])]), 1.2)
    rrect(c, -32, -11, 64, 22, 9)
    _fill_edge(c, lin(0, -11, 0, 11, [(0, shade(PAL["wood_lt"], 1.2)), (1, shade(PAL["wood_lt"], 0.6))]))


DRAWERS = {name: fn for name, fn in globals().items()
           if callable(fn) and not name.startswith("_") and fn.__module__ == __name__}
