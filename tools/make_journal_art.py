#!/usr/bin/python3
"""Makes the journal's pictures and its pen sound from what tools/art put in assets/.

    /usr/bin/python3 tools/make_journal_art.py [--assets assets]

Writes, deterministically:
  journal/page_left.png, journal/page_right.png, journal/page_photos.png
        the book's pages (414 x 560) as cut from backgrounds/journal (the
        photographs' right page from the plain backgrounds/album); the strip
        along the spine under the ribbon is left clear, so the book's own
        gutter and ribbon show through
  journal/<location>.png
        one picture per demo location for the left page: the location's
        background as a sepia photograph with a white border, taped in
  journal/tab_<journal|photos>_<state>.png
        the two section ribbons on the book's right edge (state normal,
        pressed, rollover, disabled = the section on show)
  audio/sfx/writing.ogg
        a pen scratching on paper, a seamless loop
Needs python3-pil, python3-numpy, fonts-ebgaramond, sox and vorbis-tools.
"""
import argparse
import math
import os
import subprocess
import tempfile
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("numpy", "PIL")
import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT = "/usr/share/fonts/opentype/ebgaramond/EBGaramond12-Italic.otf"
FONT_FALLBACK = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Italic.ttf"

LEFT_PAGE = (44, 40, 458, 600)    # in backgrounds/journal and backgrounds/album
RIGHT_PAGE = (462, 40, 876, 600)
LOCATIONS = ["loc11", "loc12", "loc13", "loc14", "loc15", "loc21", "loc22", "loc23", "loc24"]
SPINE_STRIP = 24                  # the right page's columns under the gutter and the ribbon
INK = (58, 40, 26)
LEATHER = (92, 58, 36)
BRASS = (201, 160, 84)


def font(size):
    for path in (FONT, FONT_FALLBACK):
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def save(img, assets, name):
    path = os.path.join(assets, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, optimize=True)


def page(album, box):
    """The page as cut from the book picture: its outermost rows and columns
    (where the cover shows) repeat the paper next to them, then fade out."""
    img = album.crop(box).convert("RGBA")
    w, h = img.size
    a = np.array(img)
    edge_px, top_px = 3, 8  # the page's top edge slopes down toward the spine
    a[:top_px] = a[top_px]
    a[h - edge_px:] = a[h - edge_px - 1]
    a[:, :edge_px] = a[:, edge_px:edge_px + 1]
    a[:, w - edge_px:] = a[:, w - edge_px - 1:w - edge_px]
    img = Image.fromarray(a)
    # Soft edges so the paper does not look pasted when it turns.
    a = np.array(img).astype(np.float32)
    yy, xx = np.mgrid[0:h, 0:w]
    edge = np.minimum(np.minimum(xx, w - 1 - xx), np.minimum(yy, h - 1 - yy)).astype(np.float32)
    a[..., 3] *= np.clip(edge / 2.0, 0.0, 1.0)
    return Image.fromarray(a.astype(np.uint8))


def clear_spine(img):
    """The right page without the strip the gutter and the ribbon lie on."""
    a = np.array(img)
    a[:, :SPINE_STRIP, 3] = 0
    return Image.fromarray(a)


def sepia_photo(bg, seed):
    """The location as an old photograph: sepia, a white border, two strips of tape."""
    rnd = np.random.RandomState(seed)
    pic = bg.crop((0, 0, 1024, 640)).resize((264, 165), Image.LANCZOS).convert("L")
    g = np.array(pic).astype(np.float32) / 255.0
    g = 0.08 + 0.9 * g ** 0.85
    tone = np.stack([g * 1.0, g * 0.86, g * 0.64], axis=-1)
    grain = rnd.normal(0, 0.025, g.shape)[..., None]
    ys, xs = np.mgrid[0:g.shape[0], 0:g.shape[1]]
    vig = 1.0 - 0.35 * (((xs / g.shape[1] - 0.5) ** 2 + (ys / g.shape[0] - 0.5) ** 2) * 2.2)
    tone = np.clip((tone + grain) * vig[..., None], 0, 1)
    photo = Image.fromarray((tone * 255).astype(np.uint8), "RGB")
    framed = Image.new("RGBA", (photo.width + 24, photo.height + 24), (246, 241, 228, 255))
    framed.paste(photo, (12, 12))
    angle = float(rnd.uniform(-3.0, 3.0))
    pad = 30
    canvas = Image.new("RGBA", (framed.width + 2 * pad, framed.height + 2 * pad), (0, 0, 0, 0))
    canvas.paste(framed, (pad, pad))
    shadow = Image.new("RGBA", canvas.size, (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rectangle((pad + 3, pad + 5, pad + framed.width + 2, pad + framed.height + 4),
                                     fill=(40, 28, 16, 110))
    shadow = shadow.filter(ImageFilter.GaussianBlur(4))
    out = Image.alpha_composite(shadow, canvas).rotate(angle, Image.BICUBIC, expand=False)
    # Tape over two opposite corners.
    d = ImageDraw.Draw(out, "RGBA")
    for cx, cy, turn in ((pad + 8, pad + 6, -38), (out.width - pad - 8, out.height - pad - 6, -38)):
        c, s = math.cos(math.radians(turn)), math.sin(math.radians(turn))
        pts = [(cx + x * c - y * s, cy + x * s + y * c) for x, y in ((-30, -9), (30, -9), (30, 9), (-30, 9))]
        d.polygon(pts, fill=(236, 226, 190, 150))
    return out


def glyph_book(d, cx, cy, col):
    d.polygon([(cx - 12, cy - 9), (cx, cy - 6), (cx, cy + 11), (cx - 12, cy + 8)], outline=col, width=2)
    d.polygon([(cx + 12, cy - 9), (cx, cy - 6), (cx, cy + 11), (cx + 12, cy + 8)], outline=col, width=2)


def glyph_camera(d, cx, cy, col):
    d.rounded_rectangle((cx - 13, cy - 7, cx + 13, cy + 10), radius=3, outline=col, width=2)
    d.rectangle((cx - 5, cy - 11, cx + 5, cy - 7), outline=col, width=2)
    d.ellipse((cx - 6, cy - 4, cx + 6, cy + 8), outline=col, width=2)


def tab(kind, state):
    """A leather ribbon with a brass edge, 52 x 84, its glyph and a word."""
    w, h = 52, 84
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(img, "RGBA")
    body = {"normal": LEATHER, "rollover": (120, 80, 50), "pressed": (66, 40, 24), "disabled": (128, 44, 48)}[state]
    shape = [(0, 4), (w - 8, 4), (w - 2, 10), (w - 2, h - 4), (0, h - 4)]
    d.polygon([(x + 2, y + 3) for x, y in shape], fill=(0, 0, 0, 80))
    d.polygon(shape, fill=body + (255,), outline=BRASS + (255,))
    d.line([(0, 4), (0, h - 4)], fill=(20, 20, 30, 255), width=2)
    col = (250, 232, 190, 255) if state != "pressed" else (214, 196, 156, 255)
    (glyph_book if kind == "journal" else glyph_camera)(d, w // 2 - 2, 30, col)
    word = "Log" if kind == "journal" else "Photos"
    f = font(15)
    tw = d.textlength(word, font=f)
    d.text(((w - 4 - tw) / 2, 52), word, font=f, fill=col)
    return img


def writing_sound(assets):
    """Short pen strokes on paper: band-passed noise in bursts, looped seamlessly."""
    out = os.path.join(assets, "audio/sfx/writing.ogg")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "pen.wav")
        subprocess.run(["sox", "-R", "-n", "-r", "44100", "-c", "1", "-b", "16", wav,
                        "synth", "2.0", "brownnoise", "synth", "2.0", "sine", "amod", "6.5", "0",
                        "highpass", "1800", "lowpass", "5200", "tremolo", "2.5", "60",
                        "fade", "t", "0.02", "2.0", "0.02", "gain", "-n", "-14"], check=True)
        subprocess.run(["oggenc", "-Q", "-q", "3", "-s", "2157", "-o", out, wav], check=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--assets", default=os.path.join(ROOT, "assets"))
    args = ap.parse_args()
    assets = args.assets
    journal = Image.open(os.path.join(assets, "backgrounds/journal.png")).convert("RGBA")
    album = Image.open(os.path.join(assets, "backgrounds/album.png")).convert("RGBA")
    save(page(journal, LEFT_PAGE), assets, "journal/page_left.png")
    save(clear_spine(page(journal, RIGHT_PAGE)), assets, "journal/page_right.png")
    save(clear_spine(page(album, RIGHT_PAGE)), assets, "journal/page_photos.png")
    for i, name in enumerate(LOCATIONS):
        bg = Image.open(os.path.join(assets, "locations", name, "bg.jpg")).convert("RGB")
        save(sepia_photo(bg, 4100 + i), assets, "journal/%s.png" % name)
    for kind in ("journal", "photos"):
        for state in ("normal", "pressed", "rollover", "disabled"):
            save(tab(kind, state), assets, "journal/tab_%s_%s.png" % (kind, state))
    writing_sound(assets)


if __name__ == "__main__":
    main()
