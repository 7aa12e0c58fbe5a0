"""Hidden-object location builder.

A location paints its background (`back`) and an optional foreground (`fore`, things
standing in front of hidden objects), fills the scene with unlisted things (`things`:
crockery, tools, shore finds... drawn like the hidden objects, behind them or in front of
them) and places the listed objects. The background picture never contains the listed
objects: each one is drawn on its own full-screen layer, given a contact shadow, cut where
the foreground covers it, lit and graded exactly like the background (same light map,
vignette and grain at the same screen pixels) and cropped into its own PNG. The level file
lists each object with its rectangle.

The build checks that the scene is a real search: at least 30 drawn things, no more than a
third of them on the list, every listed object partly covered, tinted to its place or small,
and each with unlisted things close around it.
"""
import math
import os
import re
from xml.sax.saxutils import escape

import numpy as np

import clutter
import objects
from kit import (H, PLAY_H, W, blur, crop_alpha, ctx_for, drop_shadow, from_np, grain, light_map, new, over,
                 save_jpg, save_png, texture, to_np, vignette)


DRAWERS = dict(objects.DRAWERS, **clutter.DRAWERS)

# What makes a listed object hard to see (the build asks for one of them).
COVERED = 0.12   # at least this share of it behind something
TINTED = 0.2     # or its colours pulled this far towards its place (tint) or darkened (dark)
SMALL = 40       # or its picture no larger than this many pixels either way
NEAR = 16        # unlisted things whose rectangles come this close count as its neighbours


class Obj:
    """A listed object. (x, y) is its centre, or with `base` the middle of its foot."""

    def __init__(self, oid, label, drawer, x, y, size, rot=0.0, coin=False, seed=0, flip=False, shadow=None,
                 tint=None, dark=0.0, base=False, **kw):
        self.id, self.label, self.drawer = oid, label, drawer
        self.x, self.y, self.size, self.rot, self.coin, self.seed, self.flip = x, y, size, rot, coin, seed, flip
        self.shadow = shadow
        self.tint, self.dark, self.base = tint, dark, base
        self.kw = kw


class Thing(Obj):
    """An unlisted thing: drawn into the picture behind the listed objects, or with `fore` in
    front of them (then it covers them), or with `behind` even behind the location's front
    furniture (`Location.front`)."""

    def __init__(self, drawer, x, y, size, rot=0.0, fore=False, behind=False, **kw):
        Obj.__init__(self, "", "", drawer, x, y, size, rot, **kw)
        self.fore, self.behind = fore, behind


def draw_item(o, shadow):
    """Draws a listed object or a thing on a canvas of its own; returns the premultiplied
    array and the screen position of its top-left corner."""
    half = int(o.size * 0.95) + 14
    s, c = new(2 * half, 2 * half)
    c.new_path()
    c.translate(half, half)
    c.rotate(math.radians(o.rot))
    k = o.size / 100.0
    c.scale(-k if o.flip else k, k)
    DRAWERS[o.drawer](c, seed=o.seed, **o.kw)
    arr = to_np(s)
    if o.tint is not None:
        col, amount = o.tint
        arr[..., :3] = arr[..., :3] * (1 - amount) + np.array(col[:3], np.float32) * amount * arr[..., 3:4]
    if o.dark:
        arr[..., :3] *= 1 - o.dark
    x0, y0 = int(round(o.x)) - half, int(round(o.y)) - half
    if o.base:
        rows = np.nonzero(arr[..., 3].max(axis=1) > 0.1)[0]
        y0 -= (rows.max() - half) if len(rows) else 0
    dx, dy, r, a = shadow
    if a > 0:
        arr = drop_shadow(arr, dx, dy, r, a)
    return arr, x0, y0


def paste(layer, arr, x0, y0):
    """Puts a small premultiplied array over a full-screen layer at (x0, y0), clipped."""
    h, w = arr.shape[:2]
    lx0, ly0 = max(0, x0), max(0, y0)
    lx1, ly1 = min(layer.shape[1], x0 + w), min(layer.shape[0], y0 + h)
    if lx1 <= lx0 or ly1 <= ly0:
        return
    part = arr[ly0 - y0:ly1 - y0, lx0 - x0:lx1 - x0]
    layer[ly0:ly1, lx0:lx1] = over(part, layer[ly0:ly1, lx0:lx1])


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

    def front(self, c):
        """Draws furniture that stands in front of the things marked `behind` (optional)."""

    def lights(self):
        """[(x, y, radius, (r, g, b), gain)] for the light map; ambient via `ambient`."""
        return []

    ambient_light = (1.0, 1.0, 1.0)
    lookalikes = ()  # drawers an unlisted thing may share with a listed object (a second candle...)
    vignette_strength = 0.6
    grain_amount = 0.018

    def objects(self):
        return []

    def things(self):
        """The unlisted things, in drawing order (see Thing)."""
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
        arr = np.zeros((H, W, 4), np.float32)
        paste(arr, *draw_item(o, o.shadow or self.shadow))
        return arr

    def build(self, strict=True):
        problems = []
        bg = self.back()
        fs, fc = new(W, H)
        self.fore(fc)
        fg = to_np(fs)
        listed = self.objects()
        kinds = set(o.drawer for o in listed)
        boxes = []  # the unlisted things' rectangles
        things = self.things()
        for i, t in enumerate(things):
            if t.drawer in kinds and t.drawer not in self.lookalikes:
                problems.append("%s: an unlisted %s looks like a listed object" % (self.name, t.drawer))
            if t.seed == 0:
                t.seed = self.seed + 7 * i
        for layer in ("behind", "back", "fore"):
            if layer == "back":
                fs2 = from_np(bg)
                self.front(ctx_for(fs2))
                bg = to_np(fs2)
            for t in things:
                if (t.behind, t.fore) != (layer == "behind", layer == "fore"):
                    continue
                arr, x0, y0 = draw_item(t, t.shadow or self.shadow)
                x, y, w, h = crop_alpha(arr, 0, 0.1)
                boxes.append((x0 + x, y0 + y, w, h))
                paste(fg if t.fore else bg, arr, x0, y0)
        lmap = self.light()
        full = over(fg, bg)
        self.grade(full, lmap)
        objs = []
        hard = {"covered": 0, "tinted": 0, "small": 0}
        for o in listed:
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
            why = [k for k, v in (("covered", 1 - vis >= COVERED),
                                  ("tinted", (o.tint is not None and o.tint[1] >= TINTED) or o.dark >= TINTED),
                                  ("small", max(w, h) <= SMALL)) if v]
            if not why:
                problems.append("%s/%s is neither covered, tinted nor small" % (self.name, o.id))
            for k in why:
                hard[k] += 1
            near = sum(1 for (bx, by, bw, bh) in boxes
                       if bx < x + w + NEAR and x < bx + bw + NEAR and by < y + h + NEAR and y < by + bh + NEAR)
            if near < 2:
                problems.append("%s/%s stands alone (%d things near it)" % (self.name, o.id, near))
            objs.append((o, arr, (x, y, w, h)))
        total = len(boxes) + len(objs)
        if total < 30 or 3 * len(objs) > total:
            problems.append("%s: %d listed objects among %d drawn things" % (self.name, len(objs), total))
        self.stats = "%d drawn things, %d listed (%d kinds); listed ones covered %d, tinted %d, small %d" % (
            total, len(objs), len(kinds | set(t.drawer for t in things)), hard["covered"], hard["tinted"],
            hard["small"])
        # no object may cover most of another one
        for i in range(len(objs)):
            for j in range(i + 1, len(objs)):
                a, b = objs[i][2], objs[j][2]
                ox = max(0, min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0]))
                oy = max(0, min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1]))
                small = min(a[2] * a[3], b[2] * b[3])
                if ox * oy >= 0.35 * small:
                    problems.append("%s: %s and %s overlap" % (self.name, objs[i][0].id, objs[j][0].id))
                # a click on the middle of an object finds it, not one drawn over it
                mx, my = a[0] + a[2] // 2, a[1] + a[3] // 2
                if b[0] <= mx < b[0] + b[2] and b[1] <= my < b[1] + b[3]:
                    problems.append("%s: the middle of %s lies in %s" % (self.name, objs[i][0].id, objs[j][0].id))
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
