#!/usr/bin/python3
"""The demo tutorials and the pictures of the tutorial box.

Tutorials: tools/tutorials/<location>.xml holds a location's "TutorScripts"
element; it is put into assets/levels/<location>.xml (replacing the one there),
since the location generator of tools/art rewrites the level files. Run this
again after regenerating the locations. A pointer at an object of the location
is written `pos="@<item>" click_rect="@<item>"`: the arrow's tip comes 8 px
below the middle of the object's top edge, and the click rectangle is the
object's own (its place and picture from the level file).

Pictures, made from the art kit's parchment:

  tutorial/box            480 x 150  parchment sheet (nine-slice of ui/parchment)
  tutorial/pointer        64 x 80    amber arrow pointing down, tip at (32, 78)
  tutorial/pointer_left   80 x 64    the same arrow pointing left, tip at (2, 32)
  tutorial/shadow         64 x 64    the full-screen shadow: plain night teal
                                     (drawn 32 times its size around (100, 100),
                                     so it must be at least 58 x 43 to cover
                                     1024 x 768)
  tutorial/pointer.xml, tutorial/pointer_left.xml
                                     the pointers' animations: the arrow backs
                                     off its target and returns

Run from the repository root with Debian's python: /usr/bin/python3 tools/make_tutorials.py
The output is the same on every run.
"""
import glob
import math
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("cairo")
import cairo

ASSETS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets")
OUT = os.path.join(ASSETS, "tutorial")

# Night teal of the kit's shadows, amber lamp light and brass.
NIGHT = (0.035, 0.075, 0.095)
AMBER = (1.0, 0.80, 0.42)
AMBER_DEEP = (0.80, 0.47, 0.12)
BRASS_DARK = (0.33, 0.21, 0.07)


def nine_slice(src, width, height, corner):
    """The source picture stretched to width x height, its corners kept."""
    out = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
    cr = cairo.Context(out)
    sw, sh = src.get_width(), src.get_height()
    xs = [(0, corner, 0, corner), (corner, sw - corner, corner, width - corner), (sw - corner, sw, width - corner, width)]
    ys = [(0, corner, 0, corner), (corner, sh - corner, corner, height - corner), (sh - corner, sh, height - corner, height)]
    for sx0, sx1, dx0, dx1 in xs:
        for sy0, sy1, dy0, dy1 in ys:
            cr.save()
            cr.rectangle(dx0, dy0, dx1 - dx0, dy1 - dy0)
            cr.clip()
            cr.translate(dx0, dy0)
            cr.scale((dx1 - dx0) / (sx1 - sx0), (dy1 - dy0) / (sy1 - sy0))
            cr.set_source_surface(src, -sx0, -sy0)
            cr.get_source().set_filter(cairo.FILTER_BILINEAR)
            cr.paint()
            cr.restore()
    return out


def make_box():
    parchment = cairo.ImageSurface.create_from_png(os.path.join(ASSETS, "ui", "parchment.png"))
    box = nine_slice(parchment, 480, 150, 48)
    cr = cairo.Context(box)
    # A faint ruled line under the text and a brass corner flourish.
    cr.set_source_rgba(*BRASS_DARK, 0.25)
    cr.set_line_width(1.0)
    cr.move_to(30, 128.5)
    cr.line_to(380, 128.5)
    cr.stroke()
    for x, y, sx, sy in ((20, 18, 1, 1), (460, 132, -1, -1)):
        cr.save()
        cr.translate(x, y)
        cr.scale(sx, sy)
        cr.set_source_rgba(*BRASS_DARK, 0.45)
        cr.set_line_width(1.6)
        cr.move_to(0, 22)
        cr.curve_to(0, 8, 8, 0, 22, 0)
        cr.stroke()
        cr.arc(3.5, 3.5, 2.2, 0, 2 * math.pi)
        cr.fill()
        cr.restore()
    return box


def arrow_path(cr):
    """An arrow pointing down in a 64 x 80 box, tip at (32, 78)."""
    cr.move_to(32, 78)
    cr.line_to(4, 44)
    cr.curve_to(2, 41, 4, 38, 8, 38)
    cr.line_to(20, 38)
    cr.line_to(20, 6)
    cr.curve_to(20, 3, 22, 2, 25, 2)
    cr.line_to(39, 2)
    cr.curve_to(42, 2, 44, 3, 44, 6)
    cr.line_to(44, 38)
    cr.line_to(56, 38)
    cr.curve_to(60, 38, 62, 41, 60, 44)
    cr.close_path()


def make_arrow():
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, 64, 80)
    cr = cairo.Context(surface)
    # A soft dark halo so that the arrow reads on light and dark scenes.
    for grow, alpha in ((5.0, 0.10), (3.5, 0.18), (2.2, 0.30)):
        arrow_path(cr)
        cr.set_source_rgba(*NIGHT, alpha)
        cr.set_line_width(grow * 2)
        cr.set_line_join(cairo.LINE_JOIN_ROUND)
        cr.stroke()
    arrow_path(cr)
    fill = cairo.LinearGradient(0, 0, 64, 0)
    fill.add_color_stop_rgb(0.0, *AMBER_DEEP)
    fill.add_color_stop_rgb(0.45, *AMBER)
    fill.add_color_stop_rgb(1.0, *AMBER_DEEP)
    cr.set_source(fill)
    cr.fill_preserve()
    cr.set_source_rgb(*BRASS_DARK)
    cr.set_line_width(1.8)
    cr.set_line_join(cairo.LINE_JOIN_ROUND)
    cr.stroke()
    # A highlight along the shaft.
    cr.set_source_rgba(1, 1, 0.9, 0.55)
    cr.set_line_width(2.5)
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    cr.move_to(26, 8)
    cr.line_to(26, 40)
    cr.stroke()
    return surface


def turned_left(arrow):
    """The down arrow turned to point left: 80 x 64, tip at (2, 32)."""
    out = cairo.ImageSurface(cairo.FORMAT_ARGB32, 80, 64)
    cr = cairo.Context(out)
    # Down (0, 1) becomes left (-1, 0): a quarter turn clockwise.
    cr.translate(80, 0)
    cr.rotate(math.pi / 2)
    cr.set_source_surface(arrow, 0, 0)
    cr.paint()
    return out


def make_shadow():
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, 64, 64)
    cr = cairo.Context(surface)
    cr.set_source_rgb(*NIGHT)
    cr.paint()
    return surface


def animation(picture, offsets):
    frames = "\n".join('  <frame image="%s" ms="70" dx="%d" dy="%d"/>' % (picture, dx, dy) for dx, dy in offsets)
    return '<anm loop="1" ms="70">\n%s\n</anm>\n' % frames


def put_tutorials():
    for source in sorted(glob.glob(os.path.join(os.path.dirname(os.path.abspath(__file__)), "tutorials", "*.xml"))):
        name = os.path.splitext(os.path.basename(source))[0]
        with open(source, encoding="utf-8") as f:
            text = f.read()
        start, end = text.index("<TutorScripts>"), text.index("</TutorScripts>") + len("</TutorScripts>")
        block = " " + text[start:end] + "\n"
        level_path = os.path.join(ASSETS, "levels", name + ".xml")
        with open(level_path, encoding="utf-8") as f:
            level = f.read()
        level = re.sub(r" *<TutorScripts>.*?</TutorScripts>\n?", "", level, flags=re.S)
        items = {m.group(1): (m.group(2), [int(v) for v in m.group(3).split(",")])
                 for m in re.finditer(r'<Item name="([^"]+)" img="([^"]+)" rect="([^"]+)"', level)}

        def pointer(m):
            img, (x, y, w, h) = items[m.group(2)]
            if m.group(1) == "pos":
                return 'pos="%d,%d"' % (x + w // 2 - 32, y + 8 - 78)
            return 'click_rect="%d;%d;%s"' % (x, y, img)

        block = re.sub(r'(pos|click_rect)="@([^"]+)"', pointer, block)
        at = level.rindex("</Level>")
        level = level[:at] + block + level[at:]
        with open(level_path, "w", encoding="utf-8") as f:
            f.write(level)


def main():
    put_tutorials()
    os.makedirs(OUT, exist_ok=True)
    make_box().write_to_png(os.path.join(OUT, "box.png"))
    arrow = make_arrow()
    arrow.write_to_png(os.path.join(OUT, "pointer_frame.png"))
    turned_left(arrow).write_to_png(os.path.join(OUT, "pointer_left_frame.png"))
    make_shadow().write_to_png(os.path.join(OUT, "shadow.png"))
    # The tip touches the target at frame 0 and backs off by up to 6 pixels.
    bob = [0, -2, -4, -6, -4, -2]
    with open(os.path.join(OUT, "pointer.xml"), "w") as f:
        f.write(animation("tutorial/pointer_frame", [(0, b) for b in bob]))
    with open(os.path.join(OUT, "pointer_left.xml"), "w") as f:
        f.write(animation("tutorial/pointer_left_frame", [(-b, 0) for b in bob]))


if __name__ == "__main__":
    main()
