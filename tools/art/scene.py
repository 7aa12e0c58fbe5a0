"""Hidden-object location builder.

A location paints its background (`back`) and an optional foreground (`fore`, things
standing in front of hidden objects), and places objects. The background picture never
contains the objects: each object is drawn on its own full-screen layer, given a contact
shadow, cut where the foreground covers it, lit and graded exactly like the background
(same light map, vignette and grain at the same screen pixels) and cropped into its own
PNG. The level file lists each object with its rectangle.
"""
import math
import os
import re
from xml.sax.saxutils import escape

import numpy as np

import objects
from kit import (H, PLAY_H, W, blur, crop_alpha, drop_shadow, from_np, grain, light_map, new, over, save_jpg,
                 save_png, texture, to_np, vignette)


class Obj:
    def __init__(self, oid, label, drawer, x, y, size, rot=0.0, coin=False, seed=0, flip=False, shadow=None,
                 **kw):
        self.id, self.label, self.drawer = oid, label, drawer
        self.x, self.y, self.size, self.rot, self.coin, self.seed, self.flip = x, y, size, rot, coin, seed, flip
        self.shadow = shadow
        self.kw = kw


class Location:
    name = ""
    music = ""
    ambient = ""
    seed = 1
    shadow = (3, 5, 3.0, 0.5)  # dx, dy, blur radius, opacity of the objects' contact shadows

    def back(self):
        """Returns the background as a premultiplied array (H, W, 4)."""
        raise NotImplementedError

    def fore(self, c):
        """Draws what stands in front of objects (optional)."""

    def lights(self):
        """[(x, y, radius, (r, g, b), gain)] for the light map; ambient via `ambient`."""
        return []

    ambient_light = (1.0, 1.0, 1.0)
    vignette_strength = 0.6
    grain_amount = 0.018

    def objects(self):
        return []

    # ---------------------------------------------------------------- build

    def grade(self, arr, lmap):
        arr[..., :3] *= lmap
        vignette(arr, self.vignette_strength, cy=0.42)
        grain(arr, self.seed + 999, self.grain_amount)
        return arr

    def light(self):
        m = light_map(W, H, self.lights(), 0.0)
        m += np.array(self.ambient_light, np.float32)
        return m

    def render_object(self, o):
        s, c = new(W, H)
        c.new_path()
        c.translate(o.x, o.y)
        c.rotate(math.radians(o.rot))
        k = o.size / 100.0
        c.scale(-k if o.flip else k, k)
        objects.DRAWERS[o.drawer](c, seed=o.seed, **o.kw)
        arr = to_np(s)
        dx, dy, r, a = o.shadow or self.shadow
        if a > 0:
            arr = drop_shadow(arr, dx, dy, r, a)
        return arr

    def build(self, strict=True):
        problems = []
        bg = self.back()
        fs, fc = new(W, H)
        self.fore(fc)
        fg = to_np(fs)
        lmap = self.light()
        full = over(fg, bg)
        self.grade(full, lmap)
        objs = []
        for o in self.objects():
            arr = self.render_object(o)
            vis_before = arr[..., 3].sum()
            arr *= (1 - fg[..., 3:4])
            vis = arr[..., 3].sum() / max(1e-3, vis_before)
            self.grade(arr, lmap)
            x, y, w, h = crop_alpha(arr, 0, 4.0 / 255)
            if y + h > PLAY_H:
                problems.append("%s/%s reaches into the panel (%d)" % (self.name, o.id, y + h))
            if vis <= 0.45:
                problems.append("%s/%s is hidden too much (%.2f visible)" % (self.name, o.id, vis))
            objs.append((o, arr, (x, y, w, h)))
        # no object may cover most of another one
        for i in range(len(objs)):
            for j in range(i + 1, len(objs)):
                a, b = objs[i][2], objs[j][2]
                ox = max(0, min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0]))
                oy = max(0, min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1]))
                small = min(a[2] * a[3], b[2] * b[3])
                if ox * oy >= 0.35 * small:
                    problems.append("%s: %s and %s overlap" % (self.name, objs[i][0].id, objs[j][0].id))
        if len(objs) < 10:
            problems.append("%s has only %d objects" % (self.name, len(objs)))
        if problems and strict:
            raise SystemExit("\n".join(problems))
        for p in problems:
            print("warning:", p)
        return full, objs

    def write(self, out, full=None, objs=None):
        if full is None:
            full, objs = self.build()
        base = "%s/locations/%s" % (out, self.name)
        save_jpg(full, base + "/bg.jpg", 88)
        items = []
        for o, arr, (x, y, w, h) in objs:
            save_png(arr[y:y + h, x:x + w], "%s/%s.png" % (base, o.id))
            items.append((o, (x, y, w, h)))
        write_level(out, self, items)
        return full, objs


def composite(full, objs):
    out = full.copy()
    for o, arr, _ in objs:
        out = over(arr, out)
    return out


def write_level(out, loc, items):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<Level bkg="locations/%s/bg" music="%s" ambient="%s">' % (loc.name, loc.music, loc.ambient),
             ' <Pict>', '  <HotSpot>']
    for o, (x, y, w, h) in items:
        coin = ' coin="1"' if o.coin else ''
        lines.append('   <Item name="%s" img="locations/%s/%s" rect="%d,%d,%d,%d"%s/>' % (o.id, loc.name, o.id, x, y, w, h, coin))
    lines += ['  </HotSpot>', ' </Pict>', ' <List allnum="%d"/>' % len(items), '</Level>', '']
    path = "%s/levels/%s.xml" % (out, loc.name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write("\n".join(lines))


def add_strings(out, pairs):
    """Appends rows "item_<id>" -> text to the string table for ids not yet there."""
    path = "%s/strings.xml" % out
    with open(path, encoding="utf-8") as f:
        text = f.read()
    have = set(re.findall(r'<Data ss:Type="String">([^<]*)</Data>', text))
    rows = []
    for key, val in pairs:
        if key in have:
            continue
        have.add(key)
        rows.append('   <Row><Cell><Data ss:Type="String">%s</Data></Cell><Cell><Data ss:Type="String">%s</Data></Cell></Row>\n'
                    % (escape(key), escape(val)))
    if not rows:
        return
    i = text.rindex("  </Table>")
    text = text[:i] + "".join(rows) + text[i:]
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
