#!/usr/bin/env python3
"""Draws the demo screen's pictures (assets/images/*.png) from shapes.

Every picture is computed here from rounded rectangles, circles and gradients
and written as an 8-bit RGBA PNG with nothing but the standard library, so the
demo data carries no artwork from elsewhere. Run it from any folder:

    python3 tools/make_demo_images.py
"""
import math
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "assets", "images")


def write_png(name, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a) floats 0..1, sampled 4 times per pixel."""
    rows = bytearray()
    offsets = ((0.25, 0.25), (0.75, 0.25), (0.25, 0.75), (0.75, 0.75))
    for y in range(height):
        rows.append(0)
        for x in range(width):
            r = g = b = a = 0.0
            for ox, oy in offsets:
                pr, pg, pb, pa = pixel(x + ox, y + oy)
                r += pr * pa
                g += pg * pa
                b += pb * pa
                a += pa
            if a > 0:
                r, g, b = r / a, g / a, b / a
            a /= 4
            rows += bytes(max(0, min(255, int(c * 255 + 0.5))) for c in (r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def rounded_box(x, y, w, h, r):
    """Signed distance to a rounded rectangle at (0, 0) of w x h (negative inside)."""
    qx = abs(x - w / 2) - (w / 2 - r)
    qy = abs(y - h / 2) - (h / 2 - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def coverage(d):
    return 1.0 if d < 0 else 0.0


def panel(x, y, w, h, r, top, bottom, border, border_width=2.0):
    d = rounded_box(x, y, w, h, r)
    if d >= 0:
        return (0, 0, 0, 0)
    fill = mix(top, bottom, y / h)
    if d > -border_width:
        fill = border
    return fill


def background(x, y):
    w, h = 256, 192
    top, bottom = (0.07, 0.09, 0.20, 1), (0.20, 0.10, 0.24, 1)
    c = mix(top, bottom, y / h)
    # A warm glow behind the lantern, left of the middle.
    glow = math.exp(-(((x - 58) / 60) ** 2 + ((y - 100) / 55) ** 2))
    c = mix(c, (0.55, 0.35, 0.15, 1), glow * 0.45)
    return c


def lantern(x, y):
    w, h = 200, 300
    cx = w / 2
    gold, dark = (0.85, 0.62, 0.22, 1), (0.35, 0.22, 0.08, 1)
    # Handle: a ring above the cap.
    ring = abs(math.hypot(x - cx, y - 34) - 22)
    if ring < 4 and y < 40:
        return mix(gold, dark, ring / 4)
    # Cap: a trapezoid from y 40 to 70.
    if 40 <= y < 70:
        half = 30 + (y - 40) * 1.6
        if abs(x - cx) < half:
            return mix(gold, dark, (y - 40) / 40)
    # Glass: the flame's light, framed by four bars.
    if 70 <= y < 240 and abs(x - cx) < 72:
        if abs(x - cx) > 66 or abs(x - cx) < 3:
            return dark
        fx, fy = (x - cx) / 22, (y - 165) / 45
        flame = max(0.0, 1 - fx * fx - fy * fy * (1.4 if fy < 0 else 1.0))
        glass = mix((0.95, 0.78, 0.40, 0.55), (1.0, 0.95, 0.75, 1), 1 - math.hypot((x - cx) / 80, (y - 165) / 100))
        return mix(glass, (1.0, 0.98, 0.85, 1), flame)
    # Base.
    if 240 <= y < 270:
        half = 76 - (y - 240) * 0.5
        if abs(x - cx) < half:
            return mix(gold, dark, (y - 240) / 34)
    return (0, 0, 0, 0)


def button(state):
    tops = {"normal": (0.30, 0.42, 0.75, 1), "rollover": (0.40, 0.55, 0.92, 1), "pressed": (0.18, 0.26, 0.52, 1)}
    bottoms = {"normal": (0.16, 0.22, 0.45, 1), "rollover": (0.22, 0.32, 0.62, 1), "pressed": (0.12, 0.16, 0.36, 1)}
    return lambda x, y: panel(x, y, 120, 48, 12, tops[state], bottoms[state], (0.80, 0.86, 1.0, 1))


def check(on, roll):
    def pixel(x, y):
        base = panel(x, y, 32, 32, 6, (0.95, 0.95, 0.98, 1), (0.80, 0.82, 0.90, 1),
                     (0.55, 0.70, 1.0, 1) if roll else (0.35, 0.40, 0.55, 1))
        if base[3] == 0 or not on:
            return base
        # A tick: two strokes.
        def seg(ax, ay, bx, by):
            t = max(0.0, min(1.0, ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)))
            return math.hypot(x - ax - t * (bx - ax), y - ay - t * (by - ay))
        d = min(seg(8, 16, 14, 23), seg(14, 23, 25, 9))
        return (0.15, 0.45, 0.20, 1) if d < 2.6 else base
    return pixel


def rail(length, start, end):
    # Drawn across x (12 pixels) and along y; the caps are rounded at their outer end.
    def pixel(x, y):
        c = mix((0.75, 0.78, 0.90, 1), (0.40, 0.44, 0.58, 1), abs(x - 6) / 6)
        if abs(x - 6) > 5:
            return (0, 0, 0, 0)
        if start and y < 5 and math.hypot(x - 6, y - 5) > 5:
            return (0, 0, 0, 0)
        if end and y > length - 5 and math.hypot(x - 6, y - (length - 5)) > 5:
            return (0, 0, 0, 0)
        return c
    return pixel


def thumb(roll):
    def pixel(x, y):
        d = math.hypot(x - 12, y - 12)
        if d > 11:
            return (0, 0, 0, 0)
        if d > 9.5:
            return (0.30, 0.36, 0.60, 1)
        light = (1.0, 0.92, 0.60, 1) if roll else (0.95, 0.95, 1.0, 1)
        return mix(light, (0.60, 0.66, 0.85, 1), math.hypot(x - 9, y - 9) / 12)
    return pixel


def main():
    write_png("background.png", 256, 192, background)
    write_png("lantern.png", 200, 300, lantern)
    write_png("panel.png", 520, 460, lambda x, y: panel(x, y, 520, 460, 24, (0.10, 0.12, 0.22, 0.78),
                                                       (0.06, 0.07, 0.14, 0.85), (0.55, 0.62, 0.90, 0.9)))
    write_png("field.png", 320, 44, lambda x, y: panel(x, y, 320, 44, 10, (0.97, 0.97, 1.0, 1),
                                                       (0.88, 0.90, 0.96, 1), (0.45, 0.52, 0.80, 1)))
    for state in ("normal", "rollover", "pressed"):
        write_png("button_%s.png" % state, 120, 48, button(state))
    write_png("check_off.png", 32, 32, check(False, False))
    write_png("check_on.png", 32, 32, check(True, False))
    write_png("check_off_roll.png", 32, 32, check(False, True))
    write_png("check_on_roll.png", 32, 32, check(True, True))
    write_png("rail_start.png", 12, 6, rail(6, True, False))
    write_png("rail_mid.png", 12, 4, rail(4, False, False))
    write_png("rail_end.png", 12, 6, rail(6, False, True))
    write_png("thumb.png", 24, 24, thumb(False))
    write_png("thumb_roll.png", 24, 24, thumb(True))


if __name__ == "__main__":
    main()
