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
from look import Look
from kit import (H, PLAY_H, W, crop_alpha, ctx_for, drop_shadow, from_np, grain, light_map, nail, new, over,
                 save_jpg, save_png, src, texture, to_np, vignette)


DRAWERS = dict(objects.DRAWERS, **clutter.DRAWERS)

# What makes a listed object hard to see (the build asks for one of them).
COVERED = 0.12   # at least this share of its body behind something solid
TINTED = 0.2     # or its colours pulled this far towards its place (tint) or darkened (dark)
SMALL = 40       # or its picture no larger than this many pixels either way
NEAR = 16        # unlisted things whose rectangles come this close count as its neighbours
SIMILAR = 2.0    # a thing "of about its size": its larger side within this factor of the object's
PLAIN = 1 / 3    # the share of listed objects that may lie in plain view

# At first glance a player finds a listed object unless enough keeps it from standing out. Each
# measure below adds its share of "enough on its own"; at a sum of 1 the object is not in plain
# view (see glance()).
HID_FROM, HID_FULL = 0.3, 0.7      # share of its body behind something solid: up to a third
                                   # still reads as the whole thing (behind a rim, a corner)
SEEN_FROM, SEEN_FULL = 40, 20      # the larger side of its visible part, px: from 40 down, smaller
                                   # is harder; 20 or less is missed at a glance
FAINT_FROM, FAINT_FULL = 16.0, 4.0  # colour difference (CIE76 delta E) across its edge (see
                                   # look.Look.edge_contrast) or between its mean colour and that
                                   # of what lies round it, the larger: from 16 down it fades into
                                   # its place
BIG = 50                           # a larger thing is seen however faint: at twice this size
                                   # its faintness counts half
POP_FROM, POP_FULL = 16.0, 40.0    # and from 16 up it stands out: at 40 its smallness and the
                                   # things touching it count half
CROWD_FULL = 0.7                   # share of the edge round it that other things touch
DARK_FROM, DARK_FULL = 0.25, 0.8   # its mean luminance below 0.25 counts, up to 0.8 when black
ALIKE, ALIKE_SHARE = 0.6, 0.35     # each thing of about its size round it that looks this much
                                   # like it (look.likeness) adds 0.35
# What an unlisted thing or a fixture (Location.fixtures) may not be, by the listed object's drawer:
# drawn as one, of a kind a player takes for it whatever its colours (KIN), or of a kind a player
# takes for it when it shows about the object's colours (KIN_IN_COLOUR: its mean colour within
# SAME_COLOUR delta E of the object's), each within a factor of KIN_SIZE of its size (a thing four
# times its size is furniture: the study's globe is no compass); nor this alike to it
# (look.likeness) at nearly its size. The kinds are those a player searching the start screens
# took for a listed object: a jug for a teapot, a barometer's dial for a pocket watch or a medal,
# a gull carving for a gull's feather or egg, a lifebuoy for a fishing float, driftwood for a
# fish, an anchor for a fish hook, a coil of wire lying by a pencil for a magnifying glass, crossed
# nails for scissors (the lamp room's wick trimmer) or a brass cross, a bellows for a brush, a
# coil of wire hung on a post for a horseshoe, an inkwell (a small dark pot with a band) for a
# thimble, a sack (a ribbed fan tied at its top) for a scallop shell; and among the fixtures a painting for a photograph,
# a ring cross for a brass cross, copper pans for a copper ladle.
LOOKS_LIKE, LOOKS_SIZE = 0.75, 1.5
KIN_SIZE = 4.0
SAME_COLOUR = 25.0
KIN = {
    "candle": ("candle_stub", "candlestick", "towel"),
    "matchbox": ("tin_box", "salt_box"),
    "wick_tin": ("tin_can", "paint_tin", "candle_stub"),
    "oar": ("oar_blade",),
    "trowel": ("chisel", "mallet"),
    "letter": ("envelope_stack", "newspaper"),
    "book": ("books", "book_up"),
    "feather": ("seagull_feathers", "gull_carving", "leaf"),
    "quill": ("seagull_feathers", "leaf"),
    "gull_egg": ("gull_carving",),
    "bobber": ("buoy", "lifebuoy"),
    "lantern": ("oil_lamp",),
    "rope": ("wire_coil", "ladder_rope"),
    "hammer": ("mallet",),
    "photograph": ("frame", "painting"),
    "teacup": ("teacup_stack",),
    "pocket_watch": ("barometer", "mantel_clock"),
    "compass": ("barometer", "globe"),
    "medal": ("barometer",),
    "hook": ("anchor",),
    "net_float": ("ball",),
    "keyring": ("wire_coil",),
    "magnifier": ("wire_coil",),
    "lens": ("wire_coil",),
    "fish": ("driftwood",),
    "oilcan": ("kettle",),
    "bell": ("bucket",),
    "bottle": ("crock",),
    "cross": ("ring_cross", "nails"),
    "scissors": ("nails",),
    "brush": ("bellows",),
    "horseshoe": ("wire_coil",),
    "thimble": ("inkwell",),
    "shell": ("sack",),
}
KIN_IN_COLOUR = {
    "teapot": ("jug", "kettle"),
    "oilcan": ("jug",),
    "ladle": ("saucepan", "colander", "pan"),
    "magnifier": ("mirror",),
    "lens": ("mirror",),
    "net_float": ("bottle",),
    "feather": ("scarf",),
    "quill": ("scarf",),
    "map_scroll": ("towel", "newspaper"),
    "brush": ("herbs", "pencil", "broom"),
    "glove": ("boot", "crab"),
    "book": ("newspaper",),
    "wrench": ("pliers", "chisel"),
    "hammer": ("pliers",),
    "gull_egg": ("net_float", "ball"),
    "trowel": ("driftwood",),
    "ring": ("wire_coil",),
}


def taken_for(o, lk, d):
    """Why a player takes the drawn thing `d` (a Look) for the listed object `o` (its Look `lk`),
    or None."""
    like, ratio = lk.like(d)
    if like >= LOOKS_LIKE and ratio <= LOOKS_SIZE:
        return "it looks like it (%.2f alike)" % like
    if ratio > KIN_SIZE:
        return None
    if d.name == o.drawer:
        return "it is drawn as one"
    if d.name in KIN.get(o.drawer, ()):
        return "it is of a kind taken for it"
    de = float(np.sqrt(((lk.lab - d.lab) ** 2).sum()))
    if d.name in KIN_IN_COLOUR.get(o.drawer, ()) and de <= SAME_COLOUR:
        return "it is of a kind taken for it in its colours (%.0f apart)" % de
    return None


def glance(lk, seen, owner, me, alike_around):
    """What keeps a listed object (its Look `lk`) from being found at first glance, each as a
    share of enough: hidden (its body behind something), small (what shows of it), faint (its
    colours against those round it), crowded (other things touching it all round), dark, and
    among look-alikes (things of its size round it that look like it). `owner`: who shows
    where (see build); `me`: its own number there."""
    lk.around(seen)
    de = max(lk.edge_contrast(seen), float(np.sqrt(((lk.lab - lk.ring_lab) ** 2).sum())))
    crowd = lk.crowded((owner != 0) & (owner != me))
    alike = [d.name for d in alike_around if lk.like(d)[0] >= ALIKE]
    pop = 1 - 0.5 * min(1.0, max(0.0, (de - POP_FROM) / (POP_FULL - POP_FROM)))
    return {
        "hidden": max(0.0, (lk.hidden - HID_FROM) / (HID_FULL - HID_FROM)),
        "small": max(0.0, (SEEN_FROM - lk.seen_size) / (SEEN_FROM - SEEN_FULL)) * pop,
        "faint": max(0.0, (FAINT_FROM - de) / (FAINT_FROM - FAINT_FULL)) * min(1.0, BIG / max(1, lk.seen_size)),
        "crowded": crowd / CROWD_FULL * pop,
        "dark": max(0.0, (DARK_FROM - lk.lum) / DARK_FROM) * DARK_FULL,
        "among look-alikes": ALIKE_SHARE * len(alike),
    }


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


def picture(drawer, x, y, scale, **kw):
    """A drawing function putting a drawer's picture at (x, y), scaled: a piece of a location's
    own picture that is also one of its fixtures (see Location.fixtures)."""
    def draw(c):
        c.save()
        c.translate(x, y)
        c.scale(scale, scale)
        DRAWERS[drawer](c, **kw)
        c.restore()
    return draw


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
    array, the screen position of its top-left corner, the point it rests on and its body (the
    alpha of the picture without its shadow)."""
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
    body = arr[..., 3].copy()
    dx, dy, r, a = shadow
    if a > 0:
        arr = drop_shadow(arr, dx, dy, r, a)
    return arr, x0, y0, foot, body


def paste_max(layer, body, x0, y0):
    """Marks a body (alpha, placed at x0, y0) in a full-screen mask, keeping the larger value."""
    h, w = body.shape[:2]
    lx0, ly0 = max(0, x0), max(0, y0)
    lx1, ly1 = min(layer.shape[1], x0 + w), min(layer.shape[0], y0 + h)
    if lx1 > lx0 and ly1 > ly0:
        np.maximum(layer[ly0:ly1, lx0:lx1], body[ly0 - y0:ly1 - y0, lx0 - x0:lx1 - x0], out=layer[ly0:ly1, lx0:lx1])


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

    def fixtures(self):
        """The pieces of the location's own picture that a player sees as things (a clock on the
        wall, a window's tracery, a lamp on its post): [(kind, draw, in_front)], `draw(c)` drawing
        the piece on a full-screen context (the location's painting calls it too), `in_front` for
        a piece of the foreground. The build holds them to the rules of what may not pass for a
        listed object, as it does the unlisted things."""
        return []

    def lights(self):
        """[(x, y, radius, (r, g, b), gain)] for the light map; ambient via `ambient`."""
        return []

    ambient_light = (1.0, 1.0, 1.0)
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
        """The listed object on a full-screen layer; the point it rests on; its body (alpha
        without the shadow) and that body's top-left corner on the screen."""
        arr = np.zeros((H, W, 4), np.float32)
        picture, x0, y0, foot, body = draw_item(o, o.shadow or self.shadow)
        paste(arr, picture, x0, y0)
        return arr, foot, (body, x0, y0)

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
        # where something solid stands in front of the listed objects (shadows are no cover)
        cover = (fg[..., 3] > 0.5).astype(np.float32)
        listed = self.objects()
        kinds = set(o.drawer for o in listed)
        masks = self.masks()
        boxes = []  # the unlisted things' rectangles
        drawn = []  # and their bodies: (thing, body, x0, y0)
        nails = []  # where things hang
        things = self.things()
        for i, t in enumerate(things):
            if t.seed == 0:
                t.seed = self.seed + 7 * i
        front = None
        for layer in ("behind", "back", "fore"):
            if layer == "back":
                front_s, front_c = new(W, H)
                self.front(front_c)
                front = to_np(front_s)
                bg = over(front, bg)
            for t in things:
                if (t.behind, t.fore) != (layer == "behind", layer == "fore"):
                    continue
                arr, x0, y0, foot, body = draw_item(t, t.shadow or self.shadow)
                x, y, w, h = crop_alpha(arr, 0, 0.1)
                boxes.append((x0 + x, y0 + y, w, h))
                drawn.append((t, body, x0, y0))
                why = self.rests(t, foot, masks)
                if why:
                    problems.append("%s: the %s at %d, %d %s" % (self.name, t.drawer, foot[0], foot[1], why))
                if t.hang is True:
                    nails.append(foot)
                paste(fg if t.fore else bg, arr, x0, y0)
                if t.fore:
                    paste_max(cover, body, x0, y0)
        rendered = []
        for o in listed:
            arr, foot, body = self.render_object(o)
            why = self.rests(o, foot, masks)
            if why:
                problems.append("%s/%s %s" % (self.name, o.id, why))
            if o.hang is True:
                nails.append(foot)
            rendered.append((arr, body))
        bg = self.nails(bg, nails)
        lmap = self.light()
        full = over(fg, bg)
        self.grade(full, lmap)
        objs = []
        hard = {"covered": 0, "tinted": 0, "small": 0}
        for o, (arr, body) in zip(listed, rendered):
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
        # what the player sees, and how each drawn thing looks in it
        seen = composite(full, objs)[..., :3]
        front_cover = np.maximum(cover, (front[..., 3] > 0.5).astype(np.float32))
        looks = [Look(t.drawer, body, x0, y0, seen, front_cover if t.behind else cover)
                 for t, body, x0, y0 in drawn]
        fixed = []
        for kind, draw, in_front in self.fixtures():
            fix_s, fix_c = new(W, H)
            draw(fix_c)
            fixed.append(Look(kind, to_np(fix_s)[..., 3], 0, 0, seen, np.zeros_like(cover) if in_front else cover))
        mine = []
        for i, (o, (arr, (body, x0, y0))) in enumerate(zip(listed, rendered)):
            over_it = cover.copy()
            for _, (_, (b2, bx, by)) in zip(listed[i + 1:], rendered[i + 1:]):
                paste_max(over_it, b2, bx, by)
            mine.append(Look(o.id, body, x0, y0, seen, over_it))
        # where each drawn thing shows (its number + 1; -1 the foreground), for what touches a
        # listed object
        owner = np.zeros((H, W), np.int32)
        owner[fg[..., 3] > 0.5] = -1
        for n, lk in enumerate(looks + mine):
            x0, y0 = lk.win
            h, w = lk.vis.shape
            owner[y0:y0 + h, x0:x0 + w][lk.vis] = n + 1
        self.judged = []
        plain = []
        for k, ((o, arr, (x, y, w, h)), lk) in enumerate(zip(objs, mine)):
            why = [k2 for k2, v in (("covered", lk.hidden >= COVERED),
                                    ("tinted", (o.tint is not None and o.tint[1] >= TINTED) or o.dark >= TINTED),
                                    ("small", max(w, h) <= SMALL)) if v]
            if not why:
                problems.append("%s/%s is neither covered, tinted nor small" % (self.name, o.id))
            for k2 in why:
                hard[k2] += 1
            near = sum(1 for (bx, by, bw, bh) in boxes
                       if bx < x + w + NEAR and x < bx + bw + NEAR and by < y + h + NEAR and y < by + bh + NEAR)
            if near < 2:
                problems.append("%s/%s stands alone (%d things near it)" % (self.name, o.id, near))
            sized = [d for d in looks if lk.near(d) and lk.size / SIMILAR <= d.size <= lk.size * SIMILAR]
            if not sized:
                problems.append("%s/%s stands alone: nothing of its size within its width around it"
                                % (self.name, o.id))
            # what looks like it: an unlisted thing or a piece of the scenery anywhere that a
            # player would take for it
            for d in looks + fixed:
                why = taken_for(o, lk, d)
                if why:
                    problems.append("%s: a player takes the %s at %d, %d for the listed %s: %s"
                                    % (self.name, d.name, d.box[0], d.box[1], o.id, why))
            verdict = glance(lk, seen, owner, len(looks) + k + 1,
                             [d for d in sized + mine[:k] + mine[k + 1:] if lk.near(d)])
            if sum(verdict.values()) < 1:
                plain.append(o.id)
            self.judged.append((o.id, verdict))
        if len(plain) > PLAIN * len(objs):
            problems.append("%s: %d of %d listed objects lie in plain view (%s)" % (
                self.name, len(plain), len(objs), ", ".join(plain)))
        total = len(boxes) + len(objs)
        if total < 30 or 3 * len(objs) > total:
            problems.append("%s: %d listed objects among %d drawn things" % (self.name, len(objs), total))
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
        self.looks, self.mine = looks, mine
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


EMPTY_TABLE = """<?xml version="1.0" encoding="UTF-8"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
          xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">
 <Worksheet ss:Name="Texts">
  <Table>
  </Table>
 </Worksheet>
</Workbook>
"""


def add_strings(out, pairs):
    """Sets rows "item_<id>" -> text of the string table: a row already there takes the new text,
    the others are added at the end. A folder without a string table gets one holding these rows
    only."""
    path = "%s/strings.xml" % out
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            text = f.read()
    else:
        text = EMPTY_TABLE
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
