#!/usr/bin/python3
"""Draws the demo animations of the shared game widgets into assets/anim/.

  anim/lamp_glow.xml + anim/lamp_glow/glow_01..06.png   an image animation: a
      warm lamp glow that breathes (64 x 64 frames, looping, 0.1 s a frame)
  anim/sparkle.xml + anim/sparkle.jpg + anim/sparkle_a.jpg   an atlas animation:
      a four-pointed sparkle that flares and fades in 4 cells of 64 x 64
      (colour picture and grey alpha mask, 80 ms a cell, one-shot)

The file formats are described in docs/effects.md. Run with Debian's python3
(python3-cairo, python3-pil) from the top of the source tree; the output is the
same on every run.
"""
import io
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("cairo", "PIL")
import cairo
from PIL import Image

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets")
FRAMES = 6
CELL = 64
CELLS = 4


def glow_frame(phase):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, 64, 64)
    ctx = cairo.Context(surface)
    strength = 0.55 + 0.45 * math.sin(phase * 2 * math.pi)
    radius = 22 + 8 * strength
    grad = cairo.RadialGradient(32, 32, 0, 32, 32, radius)
    grad.add_color_stop_rgba(0.0, 1.0, 0.93, 0.70, 0.95)
    grad.add_color_stop_rgba(0.35, 1.0, 0.78, 0.35, 0.75 * strength + 0.2)
    grad.add_color_stop_rgba(1.0, 0.95, 0.55, 0.15, 0.0)
    ctx.set_source(grad)
    ctx.arc(32, 32, radius, 0, 2 * math.pi)
    ctx.fill()
    return surface


def sparkle_cell(ctx, x0, size):
    cx, cy = x0 + CELL / 2, CELL / 2
    ctx.save()
    ctx.translate(cx, cy)
    for angle in (0, math.pi / 2):
        ctx.save()
        ctx.rotate(angle)
        ctx.move_to(-size, 0)
        ctx.curve_to(-size * 0.2, -size * 0.12, -size * 0.12, -size * 0.2, 0, -size)
        ctx.curve_to(size * 0.12, -size * 0.2, size * 0.2, -size * 0.12, size, 0)
        ctx.curve_to(size * 0.2, size * 0.12, size * 0.12, size * 0.2, 0, size)
        ctx.curve_to(-size * 0.12, size * 0.2, -size * 0.2, size * 0.12, -size, 0)
        ctx.close_path()
        ctx.fill()
        ctx.restore()
    ctx.restore()


def sparkle_atlas():
    """The colour picture (warm white on black) and its grey mask (white = opaque)."""
    colour = cairo.ImageSurface(cairo.FORMAT_RGB24, CELL * CELLS, CELL)
    mask = cairo.ImageSurface(cairo.FORMAT_RGB24, CELL * CELLS, CELL)
    for surface, rgb in ((colour, (1.0, 0.92, 0.72)), (mask, (1.0, 1.0, 1.0))):
        ctx = cairo.Context(surface)
        ctx.set_source_rgb(0, 0, 0)
        ctx.paint()
        for i, size in enumerate((12, 28, 22, 10)):
            ctx.set_source_rgb(*rgb)
            sparkle_cell(ctx, i * CELL, size)
    return colour, mask


def to_image(surface, mode):
    buf = io.BytesIO()
    surface.write_to_png(buf)
    buf.seek(0)
    return Image.open(buf).convert(mode)


def main():
    anim = os.path.join(ROOT, "anim")
    os.makedirs(os.path.join(anim, "lamp_glow"), exist_ok=True)
    names = []
    for i in range(FRAMES):
        name = "glow_%02d" % (i + 1)
        to_image(glow_frame(i / FRAMES), "RGBA").save(os.path.join(anim, "lamp_glow", name + ".png"), optimize=False)
        names.append(name)
    with open(os.path.join(anim, "lamp_glow.xml"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<!-- A lamp glow that breathes: made by '
                'tools/make_widget_art.py, format in docs/effects.md. -->\n<Animation>\n'
                '  <Anim pos="480,300" is_jpg="0" delay="0.1" is_cycled="1" path="anim/lamp_glow/">\n')
        for name in names:
            f.write('    <frame name="%s"/>\n' % name)
        f.write("  </Anim>\n</Animation>\n")
    colour, mask = sparkle_atlas()
    to_image(colour, "RGB").save(os.path.join(anim, "sparkle.jpg"), quality=92, subsampling=0)
    to_image(mask, "L").save(os.path.join(anim, "sparkle_a.jpg"), quality=92)
    with open(os.path.join(anim, "sparkle.xml"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<!-- A sparkle that flares and fades: made by '
                'tools/make_widget_art.py, format in docs/effects.md. -->\n<Atlas delay="80" is_cycled="0">\n')
        for i in range(CELLS):
            f.write('  <frame offsetX="0" offsetY="0" atlasX="%d" atlasY="0" W="%d" H="%d"/>\n' % (i * CELL, CELL, CELL))
        f.write("</Atlas>\n")


if __name__ == "__main__":
    main()
