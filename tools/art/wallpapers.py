"""Desktop wallpapers from the location art: each location's background with all its
hidden objects in place (as the player sees it before searching), no interface, and a
framed thumbnail for the gallery's slots.

    wallpapers/<name>_wallpaper.jpg   1024 x 768
    wallpapers/<name>.png             260 x 170 thumbnail
"""
import os
import re

import numpy as np
from PIL import Image, ImageDraw

from kit import PAL, vignette, grain

# name -> picture it is made from (a location, or a full-screen background)
WALLPAPERS = [
    ("lighthouse", "backgrounds/mainmenu"),
    ("kitchen", "loc11"),
    ("study", "loc12"),
    ("attic", "loc13"),
    ("boathouse", "loc14"),
    ("harbour", "loc15"),
    ("lamproom", "loc22"),
    ("cliffpath", "loc23"),
    ("chapel", "loc24"),
]
THUMB_W, THUMB_H = 260, 170
PAPER = tuple(int(c * 255) for c in PAL["paper"][:3])


def location_picture(out, name):
    img = Image.open("%s/locations/%s/bg.jpg" % (out, name)).convert("RGBA")
    level = open("%s/levels/%s.xml" % (out, name), encoding="utf-8").read()
    for img_name, rect in re.findall(r'img="([^"]+)" rect="([^"]+)"', level):
        x, y, w, h = (int(v) for v in rect.split(","))
        obj = Image.open("%s/%s.png" % (out, img_name)).convert("RGBA")
        img.alpha_composite(obj, (x, y))
    return img.convert("RGB")


def finish(img, seed):
    a = np.asarray(img, np.float32) / 255.0
    arr = np.concatenate([a, np.ones(a.shape[:2] + (1,), np.float32)], axis=2)
    vignette(arr, 0.25, cy=0.45)
    grain(arr, seed, 0.008)
    return Image.fromarray((np.clip(arr[..., :3], 0, 1) * 255 + 0.5).astype(np.uint8), "RGB")


def thumbnail(img):
    scale = max(THUMB_W / img.width, THUMB_H / img.height)
    im = img.resize((round(img.width * scale), round(img.height * scale)), Image.LANCZOS)
    left, top = (im.width - THUMB_W) // 2, (im.height - THUMB_H) // 2
    im = im.crop((left, top, left + THUMB_W, top + THUMB_H)).convert("RGBA")
    d = ImageDraw.Draw(im)
    d.rectangle((0, 0, THUMB_W - 1, THUMB_H - 1), outline=PAPER + (255,), width=4)
    d.rectangle((4, 4, THUMB_W - 5, THUMB_H - 5), outline=(40, 30, 20, 255), width=1)
    return im


def write_all(out):
    # what each picture is made from must be there already: the locations' or the menu's step
    for name, source in WALLPAPERS:
        need = "locations/%s/bg.jpg" % source if source.startswith("loc") else source + ".jpg"
        if not os.path.exists(os.path.join(out, need)):
            raise SystemExit("wallpapers: %s is not in %s; make it first (--only %s,wallpapers)"
                             % (need, out, "locations" if source.startswith("loc") else "menu"))
    os.makedirs("%s/wallpapers" % out, exist_ok=True)
    for i, (name, source) in enumerate(WALLPAPERS):
        if source.startswith("loc"):
            img = location_picture(out, source)
        else:
            img = Image.open("%s/%s.jpg" % (out, source)).convert("RGB")
        img = finish(img, 4000 + i)
        img.save("%s/wallpapers/%s_wallpaper.jpg" % (out, name), quality=90, optimize=True, subsampling=0)
        thumbnail(img).save("%s/wallpapers/%s.png" % (out, name), optimize=True)
