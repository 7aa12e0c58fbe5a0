#!/usr/bin/python3
"""Makes the wallpaper gallery's pictures from the art kit's output in assets/.

    /usr/bin/python3 tools/make_gallery_art.py [--assets assets]

Reads the finished scene pictures and UI pieces (tools/art makes them) and
writes, deterministically:
  gallery/back.jpg          the screen: dimmed lighthouse, wood board, parchment
  gallery/front.png         the board's rim around the pictures (drawn over them,
                            so pages slide in and out beneath it)
  gallery/locked.png        a slot not yet earned (260 x 170; every slot's size)
  gallery/selected.png      the glow around the chosen slot (284 x 194)
  gallery/button_wallpaper_<state>.png   the wide button with its caption
The wallpapers themselves (wallpapers/<name>_wallpaper.jpg and their 260 x 170
thumbnails wallpapers/<name>.png) are made by tools/art/make_all.py --only wallpapers.
Needs python3-pil and fonts-ebgaramond.
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
import artpython  # noqa: E402

artpython.require("PIL")
from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT = "/usr/share/fonts/opentype/ebgaramond/EBGaramond12-Regular.otf"
FONT_FALLBACK = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"

SLOT_W, SLOT_H = 260, 170
CLIP = (172, 150, 872, 610)      # the pictures' clip on the screen
HOLE = (222, 170, 802, 560)      # what the front leaves open
BOARD = (64, 32, 960, 728)
PAPER = (239, 226, 196)
AMBER = (255, 210, 122)


def font(size):
    for path in (FONT, FONT_FALLBACK):
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def nine_slice(img, corner, w, h):
    """Stretches a 9-slice picture to w x h keeping its corners."""
    sw, sh = img.size
    out = Image.new("RGBA", (w, h))
    xs = [(0, corner, 0, corner), (corner, sw - corner, corner, w - corner), (sw - corner, sw, w - corner, w)]
    ys = [(0, corner, 0, corner), (corner, sh - corner, corner, h - corner), (sh - corner, sh, h - corner, h)]
    for sx0, sx1, dx0, dx1 in xs:
        for sy0, sy1, dy0, dy1 in ys:
            part = img.crop((sx0, sy0, sx1, sy1)).resize((dx1 - dx0, dy1 - dy0), Image.LANCZOS)
            out.paste(part, (dx0, dy0))
    return out


def back(assets):
    base = Image.open(os.path.join(assets, "backgrounds/mainmenu.jpg")).convert("RGBA")
    base = base.filter(ImageFilter.GaussianBlur(3))
    base = Image.blend(base, Image.new("RGBA", base.size, (6, 14, 20, 255)), 0.55)
    board = nine_slice(Image.open(os.path.join(assets, "ui/dialog.png")).convert("RGBA"), 40,
                       BOARD[2] - BOARD[0], BOARD[3] - BOARD[1])
    base.alpha_composite(board, (BOARD[0], BOARD[1]))
    paper = nine_slice(Image.open(os.path.join(assets, "ui/parchment.png")).convert("RGBA"), 48,
                       CLIP[2] - CLIP[0] + 20, CLIP[3] - CLIP[1] + 20)
    base.alpha_composite(paper, (CLIP[0] - 10, CLIP[1] - 10))
    # The pictures' bed: a darker paper recess under the slots.
    bed = Image.new("RGBA", base.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(bed)
    d.rounded_rectangle(HOLE, 8, fill=(70, 52, 30, 70))
    base.alpha_composite(bed.filter(ImageFilter.GaussianBlur(2)))
    return base


def front(screen):
    """The rim between the clip and the hole, cut from the screen, with a soft inner shadow."""
    out = Image.new("RGBA", screen.size, (0, 0, 0, 0))
    rim = screen.crop(CLIP)
    mask = Image.new("L", rim.size, 255)
    ImageDraw.Draw(mask).rounded_rectangle(
        (HOLE[0] - CLIP[0], HOLE[1] - CLIP[1], HOLE[2] - CLIP[0] - 1, HOLE[3] - CLIP[1] - 1), 8, fill=0)
    out.paste(rim, CLIP[:2], mask)
    shade = Image.new("L", screen.size, 0)
    ImageDraw.Draw(shade).rounded_rectangle(HOLE, 8, outline=150, width=6)
    shade = shade.filter(ImageFilter.GaussianBlur(4))
    hole = Image.new("L", screen.size, 0)
    ImageDraw.Draw(hole).rounded_rectangle(HOLE, 8, fill=255)
    shade = Image.composite(shade, Image.new("L", screen.size, 0), hole)
    out.alpha_composite(Image.merge("RGBA", [Image.new("L", screen.size, 20)] * 3 + [shade]))
    # Trim to what is drawn: the picture is placed at (0, 0).
    return out.crop((0, 0, CLIP[2], CLIP[3]))


def locked():
    img = Image.new("RGBA", (SLOT_W, SLOT_H), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, SLOT_W - 1, SLOT_H - 1), 10, fill=(28, 44, 50, 255), outline=(176, 134, 64, 255),
                        width=3)
    d.rounded_rectangle((8, 8, SLOT_W - 9, SLOT_H - 9), 7, outline=(96, 84, 60, 255), width=1)
    cx, cy = SLOT_W // 2, SLOT_H // 2 + 8
    d.arc((cx - 18, cy - 44, cx + 18, cy - 8), 180, 360, fill=(190, 150, 80, 255), width=7)
    d.line((cx - 18, cy - 26, cx - 18, cy - 10), fill=(190, 150, 80, 255), width=7)
    d.line((cx + 18, cy - 26, cx + 18, cy - 10), fill=(190, 150, 80, 255), width=7)
    d.rounded_rectangle((cx - 30, cy - 14, cx + 30, cy + 30), 6, fill=(200, 160, 86, 255),
                        outline=(120, 88, 40, 255), width=2)
    d.ellipse((cx - 6, cy, cx + 6, cy + 12), fill=(60, 40, 20, 255))
    d.polygon([(cx - 4, cy + 8), (cx + 4, cy + 8), (cx + 2, cy + 22), (cx - 2, cy + 22)], fill=(60, 40, 20, 255))
    return img


def selected():
    w, h = SLOT_W + 24, SLOT_H + 24
    glow = Image.new("L", (w, h), 0)
    ImageDraw.Draw(glow).rounded_rectangle((6, 6, w - 7, h - 7), 12, outline=255, width=5)
    glow = glow.filter(ImageFilter.GaussianBlur(3))
    line = Image.new("L", (w, h), 0)
    ImageDraw.Draw(line).rounded_rectangle((9, 9, w - 10, h - 10), 10, outline=255, width=3)
    alpha = Image.eval(Image.merge("L", [glow]), lambda v: min(255, v * 2))
    alpha = Image.composite(line, alpha, line)
    return Image.merge("RGBA", [Image.new("L", (w, h), c) for c in AMBER] + [alpha])


def button(assets, state):
    img = Image.open(os.path.join(assets, "ui/button_wide_%s.png" % state)).convert("RGBA")
    d = ImageDraw.Draw(img)
    colour = AMBER if state == "rollover" else (205, 195, 175) if state == "disabled" else PAPER
    f = font(28)
    text = "Set as wallpaper"
    box = d.textbbox((0, 0), text, font=f)
    x = 8 + (304 - (box[2] - box[0])) // 2 - box[0]
    y = 8 + (48 - (box[3] - box[1])) // 2 - box[1] + (2 if state == "pressed" else 0)
    d.text((x + 1, y + 2), text, font=f, fill=(20, 12, 6, 160))
    d.text((x, y), text, font=f, fill=colour + (255,))
    return img


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--assets", default=os.path.join(ROOT, "assets"))
    a = ap.parse_args()
    out = a.assets
    os.makedirs(os.path.join(out, "gallery"), exist_ok=True)
    os.makedirs(os.path.join(out, "wallpapers"), exist_ok=True)
    screen = back(out)
    screen.convert("RGB").save(os.path.join(out, "gallery/back.jpg"), quality=90, optimize=True)
    # The rim is cut from the screen as saved, so the two match exactly.
    front(Image.open(os.path.join(out, "gallery/back.jpg")).convert("RGBA")).save(
        os.path.join(out, "gallery/front.png"), optimize=True)
    locked().save(os.path.join(out, "gallery/locked.png"), optimize=True)
    selected().save(os.path.join(out, "gallery/selected.png"), optimize=True)
    for state in ("normal", "pressed", "rollover", "disabled"):
        button(out, state).save(os.path.join(out, "gallery/button_wallpaper_%s.png" % state), optimize=True)
    print("gallery pictures written to", out)


if __name__ == "__main__":
    main()
