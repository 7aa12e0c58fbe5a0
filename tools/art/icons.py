"""Glyphs for the round buttons and the tool pictures, drawn in a 100 x 100 box."""
import math

from kit import PAL, alpha, ellipse, lin, rad, rrect, shade, src, brass_linear


def _stroke_fill(ctx, col, lw):
    src(ctx, col)
    ctx.fill_preserve()
    ctx.set_line_width(lw)
    src(ctx, alpha(PAL["night"], 0.0))
    ctx.stroke()


def hint(ctx, col):
    """A small storm lantern with rays."""
    ctx.save()
    src(ctx, col)
    ctx.set_line_width(6)
    ctx.arc(50, 22, 10, math.pi, 2 * math.pi)
    ctx.stroke()
    rrect(ctx, 34, 26, 32, 8, 3)
    ctx.fill()
    # glass body
    ctx.move_to(36, 34)
    ctx.line_to(64, 34)
    ctx.line_to(68, 68)
    ctx.line_to(32, 68)
    ctx.close_path()
    ctx.set_line_width(5)
    ctx.stroke()
    ctx.move_to(50, 40)
    ctx.curve_to(58, 50, 56, 62, 50, 63)
    ctx.curve_to(44, 62, 42, 50, 50, 40)
    ctx.fill()
    rrect(ctx, 28, 68, 44, 9, 3)
    ctx.fill()
    ctx.set_line_width(4.5)
    for a in (-150, -120, -60, -30, 0, 180):
        r0, r1 = 40, 48
        t = math.radians(a)
        ctx.move_to(50 + math.cos(t) * r0, 50 + math.sin(t) * r0 + 2)
        ctx.line_to(50 + math.cos(t) * r1, 50 + math.sin(t) * r1 + 2)
        ctx.stroke()
    ctx.restore()


def menu(ctx, col):
    """A ship's wheel."""
    ctx.save()
    src(ctx, col)
    ctx.set_line_width(6)
    ctx.arc(50, 50, 22, 0, 2 * math.pi)
    ctx.stroke()
    ctx.arc(50, 50, 7, 0, 2 * math.pi)
    ctx.fill()
    for i in range(8):
        t = i * math.pi / 4
        ctx.set_line_width(4.5)
        ctx.move_to(50 + math.cos(t) * 6, 50 + math.sin(t) * 6)
        ctx.line_to(50 + math.cos(t) * 36, 50 + math.sin(t) * 36)
        ctx.stroke()
        ctx.arc(50 + math.cos(t) * 38, 50 + math.sin(t) * 38, 5, 0, 2 * math.pi)
        ctx.fill()
    ctx.restore()


def journal(ctx, col):
    """A closed book with a ribbon."""
    ctx.save()
    src(ctx, col)
    rrect(ctx, 26, 18, 50, 64, 5)
    ctx.fill()
    src(ctx, alpha(PAL["night"], 0.85))
    ctx.rectangle(33, 22, 3, 56)
    ctx.fill()
    ctx.set_line_width(3)
    rrect(ctx, 44, 32, 24, 16, 2)
    ctx.stroke()
    src(ctx, col)
    ctx.move_to(60, 82)
    ctx.line_to(60, 92)
    ctx.line_to(64, 88)
    ctx.line_to(68, 92)
    ctx.line_to(68, 82)
    ctx.fill()
    ctx.restore()


def back(ctx, col):
    """A curved arrow turning back to the left."""
    ctx.save()
    src(ctx, col)
    ctx.set_line_width(9)
    ctx.move_to(36, 40)
    ctx.line_to(58, 40)
    ctx.curve_to(80, 40, 80, 74, 58, 74)
    ctx.line_to(40, 74)
    ctx.stroke()
    ctx.move_to(18, 40)
    ctx.line_to(40, 22)
    ctx.line_to(40, 58)
    ctx.close_path()
    ctx.fill()
    ctx.restore()


def close(ctx, col):
    ctx.save()
    src(ctx, col)
    ctx.set_line_width(11)
    ctx.move_to(30, 30)
    ctx.line_to(70, 70)
    ctx.move_to(70, 30)
    ctx.line_to(30, 70)
    ctx.stroke()
    ctx.restore()


def arrow(ctx, col, direction):
    ctx.save()
    ctx.translate(50, 50)
    ctx.rotate({"right": 0, "down": math.pi / 2, "left": math.pi, "up": -math.pi / 2}[direction])
    src(ctx, col)
    ctx.move_to(-20, -26)
    ctx.line_to(22, 0)
    ctx.line_to(-20, 26)
    ctx.line_to(-12, 0)
    ctx.close_path()
    ctx.fill()
    ctx.restore()


def check(ctx, col):
    ctx.save()
    src(ctx, col)
    ctx.set_line_width(12)
    ctx.move_to(22, 52)
    ctx.line_to(42, 72)
    ctx.line_to(80, 24)
    ctx.stroke()
    ctx.restore()


GLYPHS = {
    "hint": hint, "menu": menu, "journal": journal, "back": back, "close": close,
    "left": lambda c, col: arrow(c, col, "left"), "right": lambda c, col: arrow(c, col, "right"),
    "up": lambda c, col: arrow(c, col, "up"), "down": lambda c, col: arrow(c, col, "down"),
}


# ----------------------------------------------------------- tool pictures
# Drawn in full colour; each one's working point is its top-left tip.

def knife(ctx, s=1.0):
    """Blade tip at (0, 0), handle towards bottom-right."""
    ctx.save()
    ctx.scale(s, s)
    # blade
    ctx.move_to(1, 1)
    ctx.curve_to(14, 6, 24, 14, 30, 22)
    ctx.line_to(24, 28)
    ctx.curve_to(16, 18, 8, 10, 1, 1)
    ctx.close_path()
    ctx.set_source(lin(0, 0, 30, 28, [(0, PAL["white"]), (0.5, PAL["iron_lt"]), (1, PAL["iron"])]))
    ctx.fill_preserve()
    src(ctx, PAL["night"])
    ctx.set_line_width(1.2)
    ctx.stroke()
    src(ctx, alpha(PAL["white"], 0.8))
    ctx.set_line_width(1)
    ctx.move_to(4, 3)
    ctx.curve_to(14, 8, 22, 15, 28, 22)
    ctx.stroke()
    # guard
    ctx.set_source(brass_linear(22, 20, 34, 32))
    ctx.move_to(21, 29)
    ctx.line_to(30, 20)
    ctx.line_to(33, 23)
    ctx.line_to(24, 32)
    ctx.close_path()
    ctx.fill_preserve()
    src(ctx, PAL["night"])
    ctx.stroke()
    # handle
    ctx.move_to(28, 28)
    ctx.line_to(43, 41)
    ctx.curve_to(46, 44, 42, 48, 39, 45)
    ctx.line_to(25, 31)
    ctx.close_path()
    ctx.set_source(lin(25, 28, 44, 46, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]))
    ctx.fill_preserve()
    src(ctx, PAL["night"])
    ctx.stroke()
    for t in (0.35, 0.65):
        ctx.arc(28 + 14 * t, 30 + 13 * t, 1.3, 0, 2 * math.pi)
        src(ctx, PAL["brass_lt"])
        ctx.fill()
    ctx.restore()


def flashlight(ctx, s=1.0):
    """Lens at the top-left, shining towards (0, 0)."""
    ctx.save()
    ctx.scale(s, s)
    ctx.translate(24, 24)
    ctx.rotate(math.radians(45))
    # beam hint
    ctx.move_to(-6, -10)
    ctx.line_to(-30, -22)
    ctx.line_to(-30, 22)
    ctx.line_to(-6, 10)
    ctx.close_path()
    ctx.set_source(lin(-6, 0, -30, 0, [(0, alpha(PAL["amber_lt"], 0.55)), (1, alpha(PAL["amber_lt"], 0))]))
    ctx.fill()
    # head
    ctx.move_to(-8, -9)
    ctx.line_to(2, -6)
    ctx.line_to(2, 6)
    ctx.line_to(-8, 9)
    ctx.close_path()
    ctx.set_source(brass_linear(0, -9, 0, 9))
    ctx.fill_preserve()
    src(ctx, PAL["night"])
    ctx.set_line_width(1.2)
    ctx.stroke()
    ellipse(ctx, -8, 0, 2.5, 8.5)
    ctx.set_source(rad(-8, 0, 0, 8, [(0, PAL["candle"]), (1, PAL["amber"])]))
    ctx.fill()
    # body
    rrect(ctx, 2, -5, 24, 10, 2)
    ctx.set_source(lin(0, -5, 0, 5, [(0, PAL["cloth_red"]), (0.4, shade(PAL["cloth_red"], 1.3)), (1, shade(PAL["cloth_red"], 0.5))]))
    ctx.fill_preserve()
    src(ctx, PAL["night"])
    ctx.stroke()
    rrect(ctx, 10, -7, 5, 3, 1)
    ctx.set_source(brass_linear(0, -7, 0, -4))
    ctx.fill()
    ctx.restore()


def camera(ctx, s=1.0):
    """An old folding camera; viewfinder corner bracket at (0, 0)."""
    ctx.save()
    ctx.scale(s, s)
    src(ctx, PAL["brass_hi"])
    ctx.set_line_width(2.2)
    ctx.move_to(1, 10)
    ctx.line_to(1, 1)
    ctx.line_to(10, 1)
    ctx.stroke()
    src(ctx, PAL["night"])
    ctx.set_line_width(0.8)
    ctx.move_to(2.5, 10)
    ctx.line_to(2.5, 2.5)
    ctx.line_to(10, 2.5)
    ctx.stroke()
    # body
    rrect(ctx, 10, 16, 34, 24, 3)
    ctx.set_source(lin(0, 16, 0, 40, [(0, shade(PAL["ink"], 1.4)), (1, PAL["night"])]))
    ctx.fill_preserve()
    src(ctx, PAL["brass"])
    ctx.set_line_width(1.2)
    ctx.stroke()
    rrect(ctx, 14, 11, 10, 6, 1.5)
    ctx.set_source(brass_linear(0, 11, 0, 17))
    ctx.fill()
    # lens
    ctx.arc(28, 28, 9, 0, 2 * math.pi)
    ctx.set_source(brass_linear(19, 19, 37, 37))
    ctx.fill()
    ctx.arc(28, 28, 6, 0, 2 * math.pi)
    ctx.set_source(rad(26, 26, 0, 6, [(0, PAL["seaglass_bl"]), (1, PAL["night"])]))
    ctx.fill()
    ctx.arc(26, 26, 1.8, 0, 2 * math.pi)
    src(ctx, alpha(PAL["white"], 0.85))
    ctx.fill()
    ctx.restore()


def nightvision(ctx, s=1.0):
    """Twin-tube goggles; the small reticle at (0, 0) marks the point."""
    ctx.save()
    ctx.scale(s, s)
    src(ctx, (0.55, 1.0, 0.6, 1))
    ctx.set_line_width(1.8)
    ctx.arc(3, 3, 3, 0, 2 * math.pi)
    ctx.stroke()
    ctx.move_to(1, 1)
    ctx.line_to(9, 9)
    ctx.stroke()
    for cx in (18, 36):
        rrect(ctx, cx - 8, 16, 16, 22, 4)
        ctx.set_source(lin(0, 16, 0, 38, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))
        ctx.fill_preserve()
        src(ctx, PAL["night"])
        ctx.set_line_width(1.2)
        ctx.stroke()
        ctx.arc(cx, 22, 6, 0, 2 * math.pi)
        ctx.set_source(rad(cx - 1, 21, 0, 6, [(0, (0.75, 1, 0.7, 1)), (0.6, (0.2, 0.7, 0.35, 1)), (1, (0.05, 0.2, 0.1, 1))]))
        ctx.fill()
    rrect(ctx, 24, 24, 6, 8, 2)
    src(ctx, PAL["iron"])
    ctx.fill()
    ctx.restore()


def magnifier(ctx, s=1.0):
    """Lens at the top-left, handle towards bottom-right."""
    ctx.save()
    ctx.scale(s, s)
    ctx.move_to(26, 26)
    ctx.line_to(42, 42)
    ctx.set_line_width(7)
    src(ctx, PAL["night"])
    ctx.stroke()
    ctx.move_to(26, 26)
    ctx.line_to(42, 42)
    ctx.set_line_width(5)
    ctx.set_source(lin(26, 26, 42, 42, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]))
    ctx.stroke()
    ctx.arc(16, 16, 14, 0, 2 * math.pi)
    ctx.set_source(rad(12, 12, 0, 14, [(0, (0.85, 0.95, 0.95, 0.35)), (1, (0.5, 0.75, 0.78, 0.2))]))
    ctx.fill()
    ctx.arc(16, 16, 14, 0, 2 * math.pi)
    ctx.set_line_width(4)
    ctx.set_source(brass_linear(2, 2, 30, 30))
    ctx.stroke()
    ctx.arc(11, 11, 4, math.pi, 1.5 * math.pi)
    ctx.set_line_width(2)
    src(ctx, alpha(PAL["white"], 0.8))
    ctx.stroke()
    ctx.restore()


TOOLS = {"knife": knife, "flashlight": flashlight, "camera": camera, "nightvision": nightvision}
