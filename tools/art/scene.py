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
and each with unlisted things close around it. It checks that nothing floats: every drawn
thing rests on the location's ground (`ground`: floors, shelves, table tops), hangs from a
nail on a wall (`hang`, `walls`) or floats on its water (`afloat`, `water`); and that no listed
object stands alone, with no drawn thing of about its size within its own width around it. It
judges which listed objects a player sees at first glance ("in plain view": neither partly
covered, nor among things of its size and colour, nor of the colour of what lies round it) and
allows a third of them at most.
"""
import math
import os
import re
from xml.sax.saxutils import escape

import numpy as np

import clutter
import objects
from kit import (H, PLAY_H, W, blur, crop_alpha, ctx_for, drop_shadow, from_np, grain, light_map, nail, new, over,
                 save_jpg, save_png, src, texture, to_np, vignette)


DRAWERS = dict(objects.DRAWERS, **clutter.DRAWERS)

# What makes a listed object hard to see (the build asks for one of them).
COVERED = 0.12   # at least this share of it behind something
TINTED = 0.2     # or its colours pulled this far towards its place (tint) or darkened (dark)
SMALL = 40       # or its picture no larger than this many pixels either way
NEAR = 16        # unlisted things whose rectangles come this close count as its neighbours
SIMILAR = 2.0    # a thing "of about its size": its larger side within this factor of the object's
HIDING = 0.2     # at first glance: an object a fifth covered is seen for a part of something else,
LOOKALIKE = 0.12  # one among two things of about its size whose mean colours lie this close (RGB
                  # distance, channels 0..1) for one of them,
BLENDS = 0.08    # and one whose colour lies this close to that of what lies round it for its place
PLAIN = 1 / 3    # the share of listed objects that may lie in plain view


class Obj:
    """A listed object. (x, y) is its centre, or with `base` the middle of its foot."""

    def __init__(self, oid, label, drawer, x, y, size, rot=0.0, coin=False, seed=0, flip=False, shadow=None,
                 tint=None, dark=0.0, base=False, hang=False, afloat=False, **kw):
        self.id, self.label, self.drawer = oid, label, drawer
        self.x, self.y, self.size, self.rot, self.coin, self.seed, self.flip = x, y, size, rot, coin, seed, flip
        self.shadow = shadow
        self.tint, self.dark, self.base = tint, dark, base
        # `hang`: it hangs from a nail (drawn at the middle of its top) on a wall, or with
        # hang="clings" it clings to the wall by itself (ivy, a cobweb); `afloat`: it floats on
        # the location's water; else it rests on the ground at the middle of its foot
        self.hang, self.afloat = hang, afloat
        self.kw = kw


class Thing(Obj):
    """An unlisted thing: drawn into the picture behind the listed objects, or with `fore` in
    front of them (then it covers them), or with `behind` even behind the location's front
    furniture (`Location.front`)."""

    def __init__(self, drawer, x, y, size, rot=0.0, fore=False, behind=False, **kw):
        Obj.__init__(self, "", "", drawer, x, y, size, rot, **kw)
        self.fore, self.behind = fore, behind


def support(arr, x0, y0, top):
    """Where a drawn picture rests (screen position): the middle of its lowest row, or with
    `top` of its highest (where its nail goes), the faint edge of its strokes left out. (Its
    shadow is added after.)"""
    solid = arr[..., 3] > 0.3
    rows = np.nonzero(solid.any(axis=1))[0]
    if not len(rows):
        return x0, y0
    row = rows.min() if top else rows.max()
    cols = np.nonzero(solid[row])[0]
    return x0 + int((cols.min() + cols.max()) // 2), y0 + int(row)


def draw_item(o, shadow):
    """Draws a listed object or a thing on a canvas of its own; returns the premultiplied
    array, the screen position of its top-left corner and the point it rests on."""
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
    foot = support(arr, x0, y0, o.hang)
    dx, dy, r, a = shadow
    if a > 0:
        arr = drop_shadow(arr, dx, dy, r, a)
    return arr, x0, y0, foot


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

    def ground(self, c):
        """Fills where things can stand or lie: floors, shelves, sills, table tops, the quay. (A
        path filled at once keeps cairo's winding rule: fill shapes that cross one by one.)"""

    def walls(self, c):
        """Fills where a nail can be driven in to hang a thing."""

    def water(self, c):
        """Fills where a thing can float."""

    def render_object(self, o):
        arr = np.zeros((H, W, 4), np.float32)
        picture, x0, y0, foot = draw_item(o, o.shadow or self.shadow)
        paste(arr, picture, x0, y0)
        return arr, foot

    def masks(self):
        """The ground, wall and water masks (H x W booleans)."""
        out = []
        for fill in (self.ground, self.walls, self.water):
            s, c = new(W, H)
            src(c, (1, 1, 1, 1))
            fill(c)
            out.append(to_np(s)[..., 3] > 0.5)
        return out

    def rests(self, o, foot, masks):
        """Why a drawn thing (or listed object) does not rest where it is, or None."""
        ground, walls, water = masks
        x, y = min(W - 1, max(0, foot[0])), min(H - 1, max(0, foot[1]))
        if o.hang:
            return None if walls[y, x] else "hangs from a nail that is in no wall"
        if o.afloat:
            return None if water[y, x] or ground[y, x] else "floats where there is no water"
        return None if ground[y, x] else "stands on nothing (on the sky, the water or a bare wall)"

    @staticmethod
    def nails(arr, feet):
        """Draws an iron nail at each hanging point."""
        if not feet:
            return arr
        s = from_np(arr)
        c = ctx_for(s)
        for fx, fy in feet:
            nail(c, fx, fy, 3)
        return to_np(s)

    def build(self, strict=True):
        problems = []
        bg = self.back()
        fs, fc = new(W, H)
        self.fore(fc)
        fg = to_np(fs)
        listed = self.objects()
        kinds = set(o.drawer for o in listed)
        masks = self.masks()
        boxes = []  # the unlisted things' rectangles
        drawn = []  # and their pictures' places: (picture, x0, y0, box)
        nails = []  # where things hang
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
                arr, x0, y0, foot = draw_item(t, t.shadow or self.shadow)
                x, y, w, h = crop_alpha(arr, 0, 0.1)
                boxes.append((x0 + x, y0 + y, w, h))
                drawn.append((arr, x0, y0, boxes[-1]))
                why = self.rests(t, foot, masks)
                if why:
                    problems.append("%s: the %s at %d, %d %s" % (self.name, t.drawer, foot[0], foot[1], why))
                if t.hang is True:
                    nails.append(foot)
                paste(fg if t.fore else bg, arr, x0, y0)
        rendered = []
        for o in listed:
            arr, foot = self.render_object(o)
            why = self.rests(o, foot, masks)
            if why:
                problems.append("%s/%s %s" % (self.name, o.id, why))
            if o.hang is True:
                nails.append(foot)
            rendered.append(arr)
        bg = self.nails(bg, nails)
        lmap = self.light()
        full = over(fg, bg)
        self.grade(full, lmap)
        objs = []
        hard = {"covered": 0, "tinted": 0, "small": 0}
        plain = []
        self.judged = []  # (id, share covered, things of its size around, of its colour, colour apart)
        for o, arr in zip(listed, rendered):
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
            # things of about its size within its own width around it, and those of them of its colour
            colour = mean_colour(arr, (x, y, w, h))
            size = max(w, h)
            around = [d for d in drawn if d[3][0] < x + 2 * w and x - w < d[3][0] + d[3][2]
                      and d[3][1] < y + h + w and y - w < d[3][1] + d[3][3]
                      and size / SIMILAR <= max(d[3][2], d[3][3]) <= size * SIMILAR]
            if not around:
                problems.append("%s/%s stands alone: nothing of its size within its width around it"
                                % (self.name, o.id))
            alike = [d for d in around if distance(mean_colour(full, d[3], d[0], d[1], d[2]), colour) < LOOKALIKE]
            apart = distance(colour, ring_colour(full, arr, (x, y, w, h)))
            if 1 - vis < HIDING and len(alike) < 2 and apart >= BLENDS:
                plain.append(o.id)
            self.judged.append((o.id, 1 - vis, len(around), len(alike), apart))
            objs.append((o, arr, (x, y, w, h)))
        total = len(boxes) + len(objs)
        if total < 30 or 3 * len(objs) > total:
            problems.append("%s: %d listed objects among %d drawn things" % (self.name, len(objs), total))
        if len(plain) > PLAIN * len(objs):
            problems.append("%s: %d of %d listed objects lie in plain view (%s)" % (
                self.name, len(plain), len(objs), ", ".join(plain)))
        self.plain = plain
        self.counts = (total, len(objs), len(plain))
        self.stats = ("%d drawn things, %d listed (%d kinds), %d in plain view; listed ones covered %d, tinted %d, "
                      "small %d" % (total, len(objs), len(kinds | set(t.drawer for t in things)), len(plain),
                                    hard["covered"], hard["tinted"], hard["small"]))
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
        # the pictures of objects the location no longer lists go
        for name in os.listdir(base):
            if name.endswith(".png") and name[:-4] not in set(o.id for o, _ in items):
                os.remove(os.path.join(base, name))
        write_level(out, self, items)
        return full, objs


def mean_colour(arr, box, picture=None, px=0, py=0):
    """The mean colour (straight RGB) of what is solid in a box of a full-screen array, or, with
    `picture` (placed at px, py), of that picture's solid pixels as the array shows them."""
    x, y, w, h = box
    x0, y0, x1, y1 = max(0, x), max(0, y), min(W, x + w), min(H, y + h)
    if x1 <= x0 or y1 <= y0:
        return np.zeros(3, np.float32)
    region = arr[y0:y1, x0:x1]
    if picture is None:
        mask = region[..., 3] > 0.6
    else:
        mask = np.zeros((y1 - y0, x1 - x0), bool)
        ph, pw = picture.shape[:2]
        sy0, sx0 = y0 - py, x0 - px
        ys0, xs0 = max(0, sy0), max(0, sx0)
        ys1, xs1 = min(ph, sy0 + y1 - y0), min(pw, sx0 + x1 - x0)
        if ys1 > ys0 and xs1 > xs0:
            mask[ys0 - sy0:ys1 - sy0, xs0 - sx0:xs1 - sx0] = picture[ys0:ys1, xs0:xs1, 3] > 0.6
    if not mask.any():
        return np.zeros(3, np.float32)
    a = np.maximum(region[..., 3:4], 1e-3)
    return (region[..., :3] / a)[mask].mean(axis=0)


def ring_colour(full, arr, box, width=12):
    """The mean colour of the picture round an object: a ring `width` pixels wide outside it."""
    x, y, w, h = box
    x0, y0 = max(0, x - width), max(0, y - width)
    x1, y1 = min(W, x + w + width), min(H, y + h + width)
    solid = arr[y0:y1, x0:x1, 3] > 0.1
    grown = blur(np.repeat(solid[..., None].astype(np.float32), 4, axis=2), width / 2)[..., 0] > 0.02
    ring = grown & ~solid
    if not ring.any():
        return np.zeros(3, np.float32)
    return full[y0:y1, x0:x1, :3][ring].mean(axis=0)


def distance(a, b):
    return float(np.sqrt(((np.asarray(a) - np.asarray(b)) ** 2).sum()))


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
    """Sets rows "item_<id>" -> text of the string table: a row already there takes the new text,
    the others are added at the end."""
    path = "%s/strings.xml" % out
    with open(path, encoding="utf-8") as f:
        text = f.read()
    rows = []
    for key, val in pairs:
        row = re.compile(r'(<Row><Cell><Data ss:Type="String">%s</Data></Cell><Cell><Data ss:Type="String">)'
                         r'([^<]*)(</Data>)' % re.escape(escape(key)))
        if row.search(text):
            text = row.sub(lambda m: m.group(1) + escape(val) + m.group(3), text, count=1)
        else:
            rows.append('   <Row><Cell><Data ss:Type="String">%s</Data></Cell><Cell><Data ss:Type="String">%s</Data></Cell></Row>\n'
                        % (escape(key), escape(val)))
    if rows:
        i = text.rindex("  </Table>")
        text = text[:i] + "".join(rows) + text[i:]
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
