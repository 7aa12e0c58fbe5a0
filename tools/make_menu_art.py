#!/usr/bin/python3
"""Pictures of the menus that the art kit does not make: two cloud layers
that scroll over the sky, the turning wind rose, the album button's stand-in
while it is hidden, the frames of the lighthouse beam, and the slider rail
pieces turned the way the stock slider lays them out. Deterministic:
every random number is seeded. Run with Debian's /usr/bin/python3 (PIL, numpy):

    /usr/bin/python3 tools/make_menu_art.py [assets]
"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("numpy", "PIL")
import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

OUT = sys.argv[1] if len(sys.argv) > 1 else "assets"
SERIF = "/usr/share/fonts/opentype/ebgaramond/EBGaramond12-Regular.otf"
SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def save(img, name):
    path = os.path.join(OUT, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, optimize=True)


def noise(w, h, scale, seed, octaves=4):
    """Smooth value noise in 0..1, tileable horizontally."""
    rng = np.random.default_rng(seed)
    out = np.zeros((h, w), np.float32)
    amp, total = 1.0, 0.0
    for o in range(octaves):
        cw = max(2, int(w / scale * 2 ** o))
        ch = max(2, int(h / scale * 2 ** o))
        grid = rng.random((ch + 1, cw)).astype(np.float32)
        grid = np.concatenate([grid, grid[:, :1]], axis=1)  # wraps left to right
        img = Image.fromarray((grid * 255).astype(np.uint8)).resize((cw * 8 + 8, ch * 8 + 8), Image.BICUBIC)
        img = img.crop((0, 0, cw * 8, ch * 8)).resize((w, h), Image.BICUBIC)
        out += amp * np.asarray(img, np.float32) / 255.0
        total += amp
        amp *= 0.5
    return out / total


def clouds(w, h, seed, colour, strength, top, bottom, scale):
    n = noise(w, h, scale, seed)
    y = np.linspace(0, 1, h, dtype=np.float32)[:, None]
    band = np.clip((y - top) / 0.25, 0, 1) * np.clip((bottom - y) / 0.25, 0, 1)
    a = np.clip((n - 0.45) * 2.6, 0, 1) ** 1.5 * band * strength
    rgba = np.zeros((h, w, 4), np.uint8)
    rgba[..., 0], rgba[..., 1], rgba[..., 2] = colour
    rgba[..., 3] = (a * 255).astype(np.uint8)
    return Image.fromarray(rgba, "RGBA")


def wind_rose(size=112):
    s = 4  # drawn large, then reduced: smooth edges
    big = size * s
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    c = big / 2
    d.ellipse((c - 50 * s, c - 50 * s, c + 50 * s, c + 50 * s), outline=(176, 138, 72, 255), width=4 * s)
    d.ellipse((c - 42 * s, c - 42 * s, c + 42 * s, c + 42 * s), outline=(120, 92, 48, 200), width=2 * s)
    for i in range(16):
        a = i * math.pi / 8
        r1, r2 = (46 if i % 2 == 0 else 43) * s, 50 * s
        d.line((c + r1 * math.cos(a), c + r1 * math.sin(a), c + r2 * math.cos(a), c + r2 * math.sin(a)),
               fill=(214, 176, 104, 255), width=2 * s)
    for i, (length, width) in enumerate([(44, 9), (30, 7)] * 4):
        a = i * math.pi / 4 - math.pi / 2
        tip = (c + length * s * math.cos(a), c + length * s * math.sin(a))
        left = (c + width * s * math.cos(a - math.pi / 2), c + width * s * math.sin(a - math.pi / 2))
        right = (c + width * s * math.cos(a + math.pi / 2), c + width * s * math.sin(a + math.pi / 2))
        light = (236, 204, 132, 255) if i % 2 == 0 else (200, 164, 98, 255)
        dark = (138, 98, 46, 255) if i % 2 == 0 else (112, 80, 40, 255)
        d.polygon([(c, c), left, tip], fill=light)
        d.polygon([(c, c), tip, right], fill=dark)
    d.ellipse((c - 6 * s, c - 6 * s, c + 6 * s, c + 6 * s), fill=(90, 64, 30, 255))
    img = img.resize((size, size), Image.LANCZOS)
    shadow = Image.new("RGBA", img.size, (0, 0, 0, 0))
    shadow.putalpha(img.getchannel("A").filter(ImageFilter.GaussianBlur(3)).point(lambda v: v * 0.6))
    out = Image.new("RGBA", img.size, (0, 0, 0, 0))
    out.alpha_composite(shadow, (2, 3))
    out.alpha_composite(img)
    return out


def album_off():
    base = Image.open(os.path.join(OUT, "ui/button_small_disabled.png")).convert("RGBA")
    d = ImageDraw.Draw(base)
    font = ImageFont.truetype(SANS, 20)
    text = "Wallpapers"
    box = d.textbbox((0, 0), text, font=font)
    x = (base.width - (box[2] - box[0])) / 2 - box[0]
    y = 8 + (34 - (box[3] - box[1])) / 2 - box[1]
    d.text((x, y), text, font=font, fill=(210, 200, 180, 255))
    return base


def beam(frame, frames, w=1024, h=300, lamp=(800, 122)):
    """The beam turning about the tower: its length follows the cosine of the
    turn, and it brightens the lamp as it faces the viewer."""
    phi = 2 * math.pi * frame / frames
    reach = math.cos(phi)
    facing = max(0.0, math.sin(phi))
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32)
    dx, dy = xx - lamp[0], yy - lamp[1]
    length = 900 * abs(reach) + 1
    along = dx * (1 if reach >= 0 else -1)
    spread = 8 + along * 0.22
    inside = np.clip(1 - np.abs(dy) / np.maximum(spread, 1), 0, 1) ** 1.6
    fade = np.clip(1 - along / length, 0, 1) * (along > 0)
    a = inside * fade * (0.55 * abs(reach))
    glow = np.exp(-(dx ** 2 + dy ** 2) / (2 * (14 + 30 * facing) ** 2)) * (0.35 + 0.65 * facing)
    a = np.clip(a + glow, 0, 1)
    rgba = np.zeros((h, w, 4), np.uint8)
    rgba[..., 0], rgba[..., 1], rgba[..., 2] = 255, 228, 160
    rgba[..., 3] = (a * 200).astype(np.uint8)
    return Image.fromarray(rgba, "RGBA")


def slider_track(piece):
    """The kit's horizontal rail pieces laid along the picture's height, the
    way the stock slider maps its rail (along the rail = down the picture)."""
    return Image.open(os.path.join(OUT, "ui/slider_rail_%s.png" % piece)).convert("RGBA").transpose(Image.TRANSPOSE)


def main():
    for piece in ("start", "mid", "end"):
        save(slider_track(piece), "ui/slider_track_%s.png" % piece)
    save(clouds(1024, 300, 11, (20, 40, 46), 0.55, 0.0, 1.0, 260), "backgrounds/menu_clouds_far.png")
    save(clouds(1024, 520, 23, (96, 120, 122), 0.42, 0.70, 1.02, 200), "backgrounds/menu_clouds_near.png")
    save(wind_rose(), "backgrounds/windrose.png")
    save(album_off(), "backgrounds/menu_album_off.png")
    frames = 24
    for i in range(frames):
        save(beam(i, frames), "anim/beam/beam_%02d.png" % (i + 1))
    with open(os.path.join(OUT, "anim/waterfall_anim.xml"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n')
        f.write("<!-- The main menu's frame animation: the lighthouse beam turning (tools/make_menu_art.py). -->\n")
        f.write('<Anims>\n  <Anim pos="0,0" is_jpg="0" delay="0.15" is_cycled="1" path="anim/beam/beam_">\n')
        for i in range(frames):
            f.write('    <frame name="%02d"/>\n' % (i + 1))
        f.write("  </Anim>\n</Anims>\n")


if __name__ == "__main__":
    main()
