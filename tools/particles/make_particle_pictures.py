#!/usr/bin/python3
"""Draws the particle pictures (assets/particles/textures/*.png) with cairo.

Every picture is white or near-white on transparent: the effect files colour
them with their colour ramps (warm amber and gold for fire and finds, soft
blue-white for hints and water). Shapes are soft glows, four-point sparks,
flame tongues, smoke and mist puffs, drops and twinkles. Random shapes use a
fixed seed, so running it again gives the same files:

    /usr/bin/python3 tools/particles/make_particle_pictures.py
"""
import math
import os
import random

import cairo

OUT = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                   "assets", "particles", "textures")


def picture(name, width, height, draw):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
    ctx = cairo.Context(surface)
    draw(ctx, width, height)
    surface.flush()
    surface.write_to_png(os.path.join(OUT, name))


def radial(ctx, cx, cy, radius, stops):
    """Fills a disc with a radial gradient; stops are (offset, r, g, b, a)."""
    g = cairo.RadialGradient(cx, cy, 0, cx, cy, radius)
    for s in stops:
        g.add_color_stop_rgba(*s)
    ctx.set_source(g)
    ctx.arc(cx, cy, radius, 0, 2 * math.pi)
    ctx.fill()


def glow(ctx, w, h):
    radial(ctx, w / 2, h / 2, w / 2, [(0, 1, 1, 1, 1), (0.25, 1, 1, 1, 0.75), (0.6, 1, 1, 1, 0.22), (1, 1, 1, 1, 0)])


def spark(ctx, w, h):
    cx, cy = w / 2, h / 2
    radial(ctx, cx, cy, w * 0.3, [(0, 1, 1, 1, 1), (1, 1, 1, 1, 0)])
    # Four thin rays that fade towards their tips.
    for angle in (0, math.pi / 2):
        for sign in (1, -1):
            ctx.save()
            ctx.translate(cx, cy)
            ctx.rotate(angle)
            g = cairo.LinearGradient(0, 0, sign * w / 2, 0)
            g.add_color_stop_rgba(0, 1, 1, 1, 1)
            g.add_color_stop_rgba(1, 1, 1, 1, 0)
            ctx.set_source(g)
            ctx.move_to(0, -w * 0.06)
            ctx.line_to(sign * w / 2, 0)
            ctx.line_to(0, w * 0.06)
            ctx.close_path()
            ctx.fill()
            ctx.restore()
    radial(ctx, cx, cy, w * 0.12, [(0, 1, 1, 1, 1), (1, 1, 1, 1, 0.6)])


def ember(ctx, w, h):
    radial(ctx, w / 2, h / 2, w / 2, [(0, 1, 1, 0.95, 1), (0.35, 1, 0.95, 0.8, 0.9), (1, 1, 0.9, 0.7, 0)])


def flame(frame):
    def draw(ctx, w, h):
        # A tongue: round at the bottom, drawn to a point that sways by frame.
        sway = math.sin(frame * math.pi / 2) * w * 0.14
        ctx.move_to(w * 0.5 + sway, h * 0.04)
        ctx.curve_to(w * 0.62 + sway, h * 0.3, w * 0.98, h * 0.52, w * 0.86, h * 0.76)
        ctx.curve_to(w * 0.76, h * 0.98, w * 0.24, h * 0.98, w * 0.14, h * 0.76)
        ctx.curve_to(w * 0.02, h * 0.52, w * 0.38 + sway, h * 0.3, w * 0.5 + sway, h * 0.04)
        ctx.close_path()
        g = cairo.LinearGradient(0, h, 0, 0)
        g.add_color_stop_rgba(0, 1, 1, 1, 0.95)
        g.add_color_stop_rgba(0.55, 1, 0.97, 0.9, 0.7)
        g.add_color_stop_rgba(1, 1, 0.95, 0.85, 0.0)
        ctx.set_source(g)
        ctx.fill()
        radial(ctx, w * 0.5, h * 0.72, w * 0.3, [(0, 1, 1, 1, 0.9), (1, 1, 1, 1, 0)])
    return draw


def puff(seed, softness):
    def draw(ctx, w, h):
        rnd = random.Random(seed)
        for _ in range(9):
            r = w * rnd.uniform(0.16, 0.3)
            cx = w / 2 + rnd.uniform(-0.2, 0.2) * w
            cy = h / 2 + rnd.uniform(-0.2, 0.2) * h
            radial(ctx, cx, cy, r, [(0, 1, 1, 1, softness), (1, 1, 1, 1, 0)])
    return draw


def drop(ctx, w, h):
    # A falling streak: narrow, bright at the leading (lower) end.
    ctx.move_to(w / 2, 0)
    ctx.curve_to(w * 0.62, h * 0.5, w * 0.95, h * 0.78, w / 2, h)
    ctx.curve_to(w * 0.05, h * 0.78, w * 0.38, h * 0.5, w / 2, 0)
    ctx.close_path()
    g = cairo.LinearGradient(0, 0, 0, h)
    g.add_color_stop_rgba(0, 1, 1, 1, 0)
    g.add_color_stop_rgba(0.7, 1, 1, 1, 0.6)
    g.add_color_stop_rgba(1, 1, 1, 1, 1)
    ctx.set_source(g)
    ctx.fill()


def twinkle(frame):
    def draw(ctx, w, h):
        cx, cy = w / 2, h / 2
        grow = (0.55, 0.8, 1.0, 0.75)[frame]
        radial(ctx, cx, cy, w * 0.22 * grow + 2, [(0, 1, 1, 1, 1), (1, 1, 1, 1, 0)])
        ctx.save()
        ctx.translate(cx, cy)
        ctx.rotate(frame * math.pi / 16)
        for angle in (0, math.pi / 2, math.pi / 4, 3 * math.pi / 4):
            length = (w / 2) * grow * (1.0 if angle in (0, math.pi / 2) else 0.55)
            ctx.save()
            ctx.rotate(angle)
            g = cairo.LinearGradient(-length, 0, length, 0)
            g.add_color_stop_rgba(0, 1, 1, 1, 0)
            g.add_color_stop_rgba(0.5, 1, 1, 1, 1)
            g.add_color_stop_rgba(1, 1, 1, 1, 0)
            ctx.set_source(g)
            ctx.rectangle(-length, -0.9, 2 * length, 1.8)
            ctx.fill()
            ctx.restore()
        ctx.restore()
    return draw


def ring(ctx, w, h):
    cx, cy = w / 2, h / 2
    g = cairo.RadialGradient(cx, cy, w * 0.28, cx, cy, w * 0.48)
    g.add_color_stop_rgba(0, 1, 1, 1, 0)
    g.add_color_stop_rgba(0.5, 1, 1, 1, 0.9)
    g.add_color_stop_rgba(1, 1, 1, 1, 0)
    ctx.set_source(g)
    ctx.arc(cx, cy, w * 0.5, 0, 2 * math.pi)
    ctx.fill()


def main():
    os.makedirs(OUT, exist_ok=True)
    picture("glow.png", 64, 64, glow)
    picture("spark.png", 32, 32, spark)
    picture("ember.png", 16, 16, ember)
    for i in range(4):
        picture("flame_%d.png" % i, 32, 48, flame(i))
        picture("twinkle_%d.png" % i, 32, 32, twinkle(i))
    picture("smoke.png", 64, 64, puff(7, 0.35))
    picture("mist.png", 64, 64, puff(11, 0.18))
    picture("drop.png", 8, 24, drop)
    picture("ring.png", 64, 64, ring)


if __name__ == "__main__":
    main()
