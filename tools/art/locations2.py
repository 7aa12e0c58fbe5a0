"""Attic and harbour (level 1), stairwell, lamp room, cliff path and chapel (level 2)."""
import math

import numpy as np

import interior as it
import scenery as sc
from kit import (PAL, W, H, alpha, blob, blur, brass_linear, brass_radial, ctx_for, ellipse, fbm, from_np, glow,
                 lin, mix, new, over, rad, rng, rrect, shade, shadow_ellipse, src, texture, to_np, wood, rivet)
from locations import paint
from scene import Location, Obj, Thing, picture


def arch(c, x0, x1, bottom, spring, crown):
    """The outline of a round-headed opening from x0 to x1: upright sides from `bottom` up to
    `spring`, a head curving up towards `crown`."""
    c.move_to(x0, bottom)
    c.line_to(x0, spring)
    c.curve_to(x0, crown, x1, crown, x1, spring)
    c.line_to(x1, bottom)
    c.close_path()


def rods(c, lines, width, col):
    """Strokes straight lines through each list of points (a cable, a spindle, its arms)."""
    for pts in lines:
        c.move_to(*pts[0])
        for p in pts[1:]:
            c.line_to(*p)
    c.set_line_width(width)
    src(c, col)
    c.stroke()


def tufts(spots):
    """Clumps of long grass standing in front of what lies on the ground: (x, y, size) each,
    every other one turned round."""
    return [Thing("tuft", x, y, size, fore=True, flip=i % 2 == 1) for i, (x, y, size) in enumerate(spots)]


def light_shaft(arr, pts, col, a=0.22, r=10):
    s, c = new(W, H)
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.close_path()
    c.set_source(lin(pts[0][0], pts[0][1], pts[2][0], pts[2][1], [(0, alpha(col, a)), (1, alpha(col, 0))]))
    c.fill()
    b = blur(to_np(s), r)
    arr[..., :3] += b[..., :3] * (1 - arr[..., :3] * 0.5)
    return arr


def dust(arr, seed, region, n=160, col=None):
    x0, y0, x1, y1 = region
    s, c = new(W, H)
    r = rng(seed)
    col = col or PAL["amber_lt"]
    for i in range(n):
        c.arc(x0 + r.rand() * (x1 - x0), y0 + r.rand() * (y1 - y0), 0.6 + r.rand() * 1.4, 0, 2 * math.pi)
        src(c, alpha(col, 0.15 + r.rand() * 0.4))
        c.fill()
    return over(to_np(s), arr)


# -------------------------------------------------------------------- attic

class Attic(Location):
    name, music, ambient, seed = "loc13", "music/level1", "ambient/indoor", 1300
    ambient_light = (0.45, 0.52, 0.6)

    def lights(self):
        return [(512, 180, 380, PAL["amber_lt"], 0.5), (170, 430, 260, PAL["amber"], 0.85),
                (600, 520, 360, PAL["amber_lt"], 0.35)]

    def back(self):
        arr = np.zeros((H, W, 4), np.float32)
        arr[..., 3] = 1
        s = from_np(arr)
        c = ctx_for(s)
        wood(c, 0, 0, W, 500, self.seed, tone="mid", vertical=True, planks=16)
        it.floor_planks(c, 490, H, self.seed + 1, "light")
        # the sloping roof: dark rafters converging over the back wall
        for side in (-1, 1):
            c.save()
            if side > 0:
                c.translate(W, 0)
                c.scale(-1, 1)
            c.move_to(0, 0)
            c.line_to(300, 0)
            c.line_to(0, 360)
            c.close_path()
            c.save()
            c.clip()
            wood(c, 0, 0, 300, 360, self.seed + 2 + side, tone="dark", planks=8)
            c.restore()
            for k in range(4):
                x0 = 300 - k * 90
                c.move_to(x0, 0)
                c.line_to(x0 - 40, 0)
                c.line_to(0, 360 - k * 90 + 40)
                c.line_to(0, 360 - k * 90)
                c.close_path()
                c.set_source(lin(0, 0, 300, 300, [(0, PAL["wood_dk"]), (1, shade(PAL["wood_dk"], 0.6))]))
                c.fill()
            c.restore()
        # ridge beam and a tie beam
        it.beam_h(c, 0, 0, W, 30, self.seed + 4)
        it.beam_h(c, 0, 300, W, 34, self.seed + 5)
        it.beam_v(c, 496, 30, 32, 270, self.seed + 6)
        arr = to_np(s)
        # round window with the dusk sky
        v = sc.dusk_sky(140, 140, self.seed + 7, 100, stormy=0.3)
        v = sc.sea(v, 100, self.seed + 8, rough=0.1)
        yy, xx = np.mgrid[0:140, 0:140]
        m = ((xx - 70) ** 2 + (yy - 70) ** 2 <= 62 ** 2)[..., None].astype(np.float32)
        arr[100:240, 230:370] = v * m + arr[100:240, 230:370] * (1 - m)
        s = from_np(arr)
        c = ctx_for(s)
        c.arc(300, 170, 66, 0, 2 * math.pi)
        c.set_line_width(12)
        c.set_source(lin(230, 100, 370, 240, [(0, PAL["wood_lt"]), (1, PAL["wood_dk"])]))
        c.stroke()
        c.set_line_width(4)
        src(c, PAL["wood_dk"])
        c.move_to(238, 170)
        c.line_to(362, 170)
        c.move_to(300, 108)
        c.line_to(300, 232)
        c.stroke()
        # sea chest
        shadow_ellipse(c, 640, 560, 170, 24, 0.6)
        wood(c, 500, 440, 280, 120, self.seed + 9, tone="mid", planks=3)
        c.move_to(500, 440)
        c.curve_to(520, 392, 760, 392, 780, 440)
        c.close_path()
        c.save()
        c.clip()
        wood(c, 500, 390, 280, 52, self.seed + 10, tone="light", planks=2)
        c.restore()
        for bx in (530, 740):
            c.rectangle(bx, 404, 12, 156)
            c.set_source(brass_linear(bx, 0, bx + 12, 0, 0.2))
            c.fill()
        # the chest's iron lock plate
        rrect(c, 626, 446, 28, 34, 4)
        c.set_source(lin(626, 446, 654, 480, [(0, PAL["iron_lt"]), (1, PAL["night"])]))
        c.fill()
        c.arc(640, 462, 3, 0, 2 * math.pi)
        src(c, PAL["night"])
        c.fill()
        # a board of pegs on the boards right of the post, where the keeper hung what he kept
        shadow_ellipse(c, 650, 282, 120, 10, 0.35)
        wood(c, 544, 118, 214, 166, self.seed + 16, tone="dark", planks=4)
        for py in (124, 200):
            wood(c, 540, py, 222, 10, self.seed + 17 + py, tone="mid")
        # stacked crates and a dress form on the right
        it.crate(c, 820, 420, 150, 140, self.seed + 11)
        it.crate(c, 850, 318, 110, 102, self.seed + 12)
        # rocking chair silhouette and old mirror on the left
        c.save()
        rrect(c, 40, 160, 120, 220, 60)
        c.set_source(brass_linear(40, 160, 160, 380, 0.3))
        c.fill()
        rrect(c, 52, 172, 96, 196, 48)
        c.set_source(lin(52, 172, 148, 368, [(0, mix(PAL["mist"], PAL["teal"], 0.4)), (0.5, PAL["deep"]), (1, PAL["abyss"])]))
        c.fill()
        c.move_to(70, 200)
        c.line_to(100, 180)
        c.line_to(80, 260)
        c.close_path()
        src(c, (1, 1, 1, 0.1))
        c.fill()
        c.restore()
        it.barrel(c, 120, 560, 120, 150, self.seed + 13)
        # old oil lamp on the barrel, lit
        self.LAMP(c)
        glow(c, 140, 388, 110, PAL["amber"], 0.5)
        # cobwebs in the corners of the rafters
        src(c, alpha(PAL["mist_lt"], 0.3))
        c.set_line_width(0.8)
        for (cx, cy, sx) in ((528, 30, 1), (496, 30, -1)):
            for k in range(1, 6):
                c.arc(cx, cy, k * 14, 0 if sx > 0 else math.pi / 2, math.pi / 2 if sx > 0 else math.pi)
                c.stroke()
            for k in range(5):
                t = (k / 4) * math.pi / 2 + (0 if sx > 0 else math.pi / 2)
                c.move_to(cx, cy)
                c.line_to(cx + math.cos(t) * 70, cy + math.sin(t) * 70)
                c.stroke()
        arr = to_np(s)
        arr = light_shaft(arr, [(250, 130), (360, 200), (720, 620), (420, 640)], PAL["amber_lt"], 0.2, 14)
        arr = dust(arr, self.seed + 14, (300, 180, 700, 600))
        texture(arr, self.seed + 15, cell=80, amount=0.07)
        return arr

    LAMP = staticmethod(picture("lantern", 140, 392, 0.6, lit=True))

    def fixtures(self):
        return [("lantern", self.LAMP, False)]

    def ground(self, c):
        # the floor, the tie beam's top, the sea chest's lid, the crates, the barrel's head
        c.rectangle(0, 488, W, H - 488)
        c.rectangle(0, 292, W, 14)
        c.move_to(500, 446)
        c.curve_to(520, 396, 760, 396, 780, 446)
        c.line_to(780, 450)
        c.line_to(500, 450)
        c.close_path()
        c.rectangle(850, 312, 110, 12)
        c.rectangle(806, 410, 172, 16)
        c.rectangle(60, 402, 120, 14)
        c.fill()

    def walls(self, c):
        # the boards of the back wall and the roof, but for the round window and the mirror
        c.rectangle(0, 0, W, 490)
        c.arc(300, 170, 72, 0, 2 * math.pi)
        rrect(c, 40, 160, 120, 220, 60)
        c.set_fill_rule(1)
        c.fill()
        c.set_fill_rule(0)

    def fore(self, c):
        # a dust sheet draped over the lower crate, in soft folds
        cloth = mix(PAL["mist"], PAL["paper_dk"], 0.45)
        c.save()
        c.move_to(806, 418)
        c.curve_to(850, 404, 930, 408, 978, 420)
        c.curve_to(986, 470, 990, 500, 992, 528)
        c.curve_to(970, 540, 956, 520, 940, 536)
        c.curve_to(920, 552, 900, 520, 880, 540)
        c.curve_to(860, 556, 840, 522, 822, 536)
        c.curve_to(812, 520, 808, 470, 806, 418)
        c.close_path()
        c.clip_preserve()
        c.set_source(lin(0, 404, 0, 556, [(0, shade(cloth, 0.95)), (1, shade(cloth, 0.55))]))
        c.fill()
        for k, fx in enumerate((828, 862, 898, 934, 966)):
            c.move_to(fx - 10, 420)
            c.curve_to(fx - 14, 470, fx - 6, 500, fx - 12, 556)
            c.line_to(fx + 8, 556)
            c.curve_to(fx + 4, 500, fx + 10, 470, fx + 6, 420)
            c.close_path()
            c.set_source(lin(fx - 14, 0, fx + 10, 0, [(0, alpha(PAL["night"], 0.0)), (0.5, alpha(PAL["night"], 0.28)), (1, alpha(PAL["night"], 0.0))]))
            c.fill()
            c.move_to(fx + 8, 422)
            c.curve_to(fx + 4, 470, fx + 12, 500, fx + 10, 550)
            c.set_line_width(3)
            src(c, alpha(PAL["white"], 0.12))
            c.stroke()
        c.restore()
        # a hat box in front of the keyring on the floor
        ellipse(c, 330, 604, 64, 16)
        c.set_source(lin(0, 590, 0, 620, [(0, PAL["cloth_blue"]), (1, shade(PAL["cloth_blue"], 0.5))]))
        c.fill()
        c.rectangle(266, 560, 128, 44)
        c.set_source(lin(266, 0, 394, 0, [(0, shade(PAL["cloth_blue"], 1.2)), (1, shade(PAL["cloth_blue"], 0.45))]))
        c.fill()
        c.rectangle(266, 586, 128, 8)
        src(c, alpha(PAL["paper"], 0.55))
        c.fill()
        ellipse(c, 330, 560, 66, 17)
        c.set_source(lin(0, 543, 0, 577, [(0, shade(PAL["cloth_blue"], 1.5)), (1, shade(PAL["cloth_blue"], 0.8))]))
        c.fill()
        ellipse(c, 330, 558, 58, 12)
        src(c, alpha(PAL["white"], 0.08))
        c.fill()
        c.move_to(318, 552)
        c.curve_to(300, 540, 296, 556, 318, 558)
        c.curve_to(340, 540, 344, 556, 322, 558)
        c.set_line_width(3)
        src(c, PAL["paper"])
        c.stroke()

    def things(self):
        red, blue = PAL["cloth_red"], PAL["cloth_blue"]
        return [
            Thing("frame", 470, 470, 64, rot=-8, behind=True, subject="portrait"),
            # hung on the rafters and the boards left of the post
            Thing("basket", 560, 70, 42, hang=True),
            Thing("coat", 424, 196, 100, rot=2, hang=True),
            Thing("scarf", 462, 170, 44, rot=84, col=PAL["cloth_red"], hang=True, fore=True),
            Thing("cap", 200, 120, 40, rot=-20, hang=True),
            Thing("frame", 196, 204, 34, rot=-4, hang=True),
            Thing("oar_blade", 930, 180, 90, rot=76, hang=True),
            Thing("lifebuoy", 842, 196, 64, hang=True),
            Thing("birdcage", 900, 120, 54, hang=True),
            # the peg board, crowded: tools, a chain, a barometer, a scarf over the horseshoe,
            # the cog among the saw's teeth
            Thing("saw", 690, 170, 76, rot=-6, hang=True, fore=True),
            Thing("chain", 646, 200, 34, rot=60, hang=True),
            Thing("barometer", 566, 168, 46, hang=True),
            Thing("frame", 604, 146, 32, rot=4, hang=True),
            Thing("pliers", 744, 152, 30, rot=70, hang=True),
            Thing("chain", 640, 144, 36, rot=84, hang=True),
            Thing("ruler", 612, 238, 40, rot=84, hang=True),
            Thing("screwdriver", 566, 238, 44, rot=80, col=PAL["cloth_blue"], hang=True),
            Thing("knife", 700, 240, 40, rot=80, hang=True),
            Thing("scarf", 734, 236, 38, rot=80, hang=True, col=PAL["cloth_blue"]),
            Thing("screwdriver", 662, 236, 40, rot=94, hang=True, fore=True, col=PAL["cloth_red"]),
            Thing("rag", 592, 208, 30, rot=-80, hang=True, fore=True, col=PAL["cloth_red"]),
            Thing("oilskin", 714, 204, 32, rot=10, hang=True, fore=True),
            # the tie beam: a shelf of odds and ends; the brush behind the jars
            Thing("oil_lamp", 204, 302, 46, base=True),
            Thing("tin_box", 316, 302, 32, base=True, col=blue),
            Thing("newspaper", 432, 286, 40, rot=-80),
            Thing("frame", 590, 302, 40, base=True),
            Thing("gull_carving", 680, 304, 40, base=True, fore=True),
            Thing("mantel_clock", 728, 302, 36, base=True),
            Thing("tin_box", 808, 302, 30, base=True, col=red),
            Thing("jar", 244, 302, 28, base=True, col=PAL["amber_dk"], fore=True),
            Thing("mug", 290, 304, 22, base=True, fore=True),
            Thing("jar", 352, 302, 30, base=True, col=PAL["paper_dk"], fore=True, contents=PAL["wood"]),
            Thing("mortar", 404, 302, 30, base=True, fore=True),
            Thing("spool", 466, 302, 20, base=True),
            Thing("bowl", 534, 302, 30, base=True),
            Thing("spool", 336, 302, 22, base=True, col=PAL["seaglass_dk"]),
            # the crate: the doll sits in a basket behind the globe, among toys
            Thing("teacup_stack", 864, 318, 28, base=True),
            Thing("basket", 904, 318, 50, base=True),
            Thing("globe", 930, 318, 40, base=True, fore=True),
            Thing("ball", 884, 318, 26, base=True, fore=True),
            Thing("scarf", 906, 308, 36, rot=-6, fore=True, col=PAL["cloth_blue"]),
            Thing("chess_knight", 954, 318, 26, base=True),
            # the barrel: the candle among jars and spools, behind the tankard
            Thing("tin_can", 62, 410, 26, base=True, col=PAL["seaglass_dk"]),
            Thing("spool", 114, 410, 22, base=True),
            Thing("tankard", 94, 412, 28, base=True, fore=True),
            Thing("jar", 72, 412, 22, base=True, fore=True, col=PAL["cloth_red"], contents=PAL["amber"]),
            # the sea chest: the spyglass under papers and a scarf
            Thing("teacup_stack", 590, 424, 44, base=True, fore=True),
            Thing("envelope_stack", 672, 416, 40, rot=-6, fore=True),
            Thing("ball", 758, 430, 30),
            Thing("newspaper", 560, 414, 48, rot=-4),
            Thing("scarf", 620, 414, 40, rot=-10, fore=True, col=PAL["wood_lt"]),
            Thing("ruler", 712, 412, 34, rot=20),
            Thing("tin_box", 836, 420, 30, base=True),
            # the floor: heaps of rags, sacks and boxes; the glove in the rags, the logbook among the
            # papers, the bottle by the barrel's foot, the trowel by the firewood in the dust sheet's shade
            Thing("bucket", 40, 640, 44, base=True),
            Thing("ball", 92, 614, 28),
            Thing("rag", 140, 622, 44, rot=6, col=PAL["paper_dk"]),
            Thing("paint_tin", 232, 562, 36, base=True),
            Thing("yarn", 292, 530, 30),
            Thing("scarf", 404, 604, 50, rot=-10),
            Thing("ball", 472, 612, 30),
            Thing("basket", 560, 628, 52, base=True, fill="yarn"),
            Thing("chess_knight", 624, 604, 30, base=True),
            Thing("cushion", 704, 576, 56, rot=4),
            Thing("paint_tin", 800, 636, 34, base=True, col=blue),
            Thing("spool", 900, 626, 30, base=True),
            Thing("sack", 986, 636, 76, base=True),
            Thing("bucket", 760, 552, 40, base=True, behind=True),
            Thing("oar_blade", 264, 500, 100, base=True, rot=-78),
            Thing("sack", 352, 534, 70, base=True, fore=True),
            Thing("firewood", 304, 560, 46, base=True, fore=True),
            Thing("log", 380, 566, 40, rot=-20),
            Thing("lobster_pot", 424, 524, 62, base=True),
            Thing("firewood", 806, 566, 50, base=True),
            Thing("paint_tin", 24, 560, 36, base=True, col=PAL["iron"]),
            Thing("tankard", 150, 570, 30, base=True),
            Thing("spool", 236, 614, 22, base=True, col=PAL["seaglass_dk"]),
            Thing("yarn", 510, 596, 26),
            Thing("envelope_stack", 690, 620, 36, rot=8),
            Thing("tin_can", 648, 566, 24, base=True, col=red),
            Thing("mug", 880, 584, 24, base=True),
            Thing("cushion", 432, 574, 46, rot=-14, fore=True, col=PAL["wood_md"]),
            Thing("scarf", 468, 584, 42, rot=20, fore=True, col=PAL["wood_lt"]),
            Thing("rag", 470, 548, 24, rot=30, fore=True, col=PAL["paper_dk"]),
            Thing("tin_can", 420, 596, 28, base=True, rot=-10, col=PAL["cloth_blue"]),
            Thing("rag", 782, 614, 30, rot=10, fore=True, col=PAL["paper_dk"]),
            Thing("envelope_stack", 746, 600, 30, rot=-14, fore=True),
            Thing("newspaper", 206, 530, 34, rot=30, fore=True),
            Thing("jar", 214, 556, 28, base=True, fore=True, col=PAL["cloth_red"], contents=PAL["amber"]),
            Thing("jar", 168, 562, 26, base=True, fore=True, col=PAL["seaglass_dk"], contents=PAL["leaf"]),
            Thing("jug", 236, 546, 34, base=True, col=PAL["seaglass_dk"]),
            Thing("envelope_stack", 62, 606, 26, rot=-20, fore=True),
            Thing("scarf", 284, 596, 34, rot=-30, fore=True, col=PAL["cloth_red"]),
            Thing("rag", 866, 612, 28, rot=-10, fore=True, col=blue),
        ]

    def objects(self):
        return [
            Obj("doll", "Rag doll", "doll", 906, 316, 42, rot=-4, dark=0.3, base=True),
            Obj("spyglass", "Spyglass", "spyglass", 268, 292, 66, rot=-3, tint=(PAL["wood_md"], 0.3), dark=0.15),
            Obj("glove", "Leather glove", "glove", 450, 566, 44, rot=70, tint=(PAL["wood_md"], 0.25)),
            Obj("keyring", "Ring of keys", "keyring", 264, 586, 48, rot=-20, coin=True),
            Obj("gear", "Brass cog", "gear", 700, 294, 26, dark=0.2, base=True),
            Obj("old_book", "Old logbook", "book", 770, 604, 56, rot=8, col=PAL["teal"], dark=0.2),
            Obj("horseshoe", "Horseshoe", "horseshoe", 664, 190, 36, rot=180, dark=0.3, hang=True),
            Obj("message_bottle", "Note in a bottle", "bottle", 196, 542, 50, rot=-70, message=True, col=PAL["seaglass"],
                tint=(PAL["wood_md"], 0.1)),
            Obj("brush", "Paintbrush", "brush", 372, 294, 56, rot=-4, tint=(PAL["wood"], 0.25)),
            Obj("old_coin", "Old coin", "coin", 54, 598, 24, coin=True),
            Obj("trowel", "Trowel", "trowel", 842, 558, 52, rot=170, dark=0.2),
            Obj("candle", "Candle", "candle", 86, 390, 38, tint=(PAL["amber_lt"], 0.2)),
        ]


# ----------------------------------------------------------------- harbour

class Harbour(Location):
    name, music, ambient, seed = "loc15", "music/level1", "ambient/sea_wind", 1500
    ambient_light = (0.72, 0.78, 0.84)
    shadow = (4, 4, 3.0, 0.45)

    def lights(self):
        return [(840, 300, 280, PAL["amber"], 0.6), (640, 380, 520, PAL["amber_lt"], 0.3)]

    def back(self):
        horizon = 330
        arr = sc.dusk_sky(W, H, self.seed, horizon, stormy=0.15, glow_x=0.55)
        arr = sc.sea(arr, horizon, self.seed + 1, glint_x=0.55, rough=0.3)
        s = from_np(arr)
        c = ctx_for(s)
        # far headland with the dark lighthouse
        far = sc.jag([(560, horizon + 4), (600, horizon - 30), (660, horizon - 46), (760, horizon - 50), (840, horizon - 34), (900, horizon - 8), (940, horizon + 4)], self.seed + 2, 6, 3)
        sc.cliff(c, far, self.seed + 3, mix(PAL["mist"], PAL["teal_lt"], 0.4), mix(PAL["mist"], PAL["teal"], 0.6), horizon + 6)
        sc.lighthouse(c, 720, horizon - 48, 130, 0.0, self.seed + 4)
        sc.gulls(c, [(240, 120, 1.2), (280, 140, 0.9), (420, 90, 1.0)], alpha(PAL["night"], 0.7))
        arr = to_np(s)
        mid = np.zeros_like(arr)
        mid = paint(mid, lambda c: None)
        arr = sc.mist(arr, horizon - 40, horizon + 20, self.seed + 5, 0.45)
        s = from_np(arr)
        c = ctx_for(s)
        # moored fishing boat, left
        c.move_to(40, 380)
        c.curve_to(90, 440, 300, 440, 360, 372)
        c.line_to(360, 350)
        c.line_to(40, 358)
        c.close_path()
        c.set_source(lin(0, 350, 0, 440, [(0, PAL["cloth_red"]), (1, shade(PAL["cloth_red"], 0.35))]))
        c.fill()
        c.rectangle(40, 350, 320, 8)
        src(c, PAL["paper"])
        c.fill()
        c.rectangle(150, 300, 80, 52)
        c.set_source(lin(150, 0, 230, 0, [(0, PAL["paper"]), (1, PAL["paper_dk"])]))
        c.fill()
        c.rectangle(166, 312, 20, 16)
        src(c, PAL["amber"])
        c.fill()
        glow(c, 176, 320, 30, PAL["amber"], 0.4)
        c.move_to(260, 352)
        c.line_to(262, 140)
        src(c, PAL["wood_dk"])
        c.set_line_width(5)
        c.stroke()
        c.set_line_width(1)
        c.move_to(262, 140)
        c.line_to(40, 356)
        c.move_to(262, 140)
        c.line_to(356, 352)
        c.stroke()
        # stone harbour wall and quay in the foreground
        it.stone_wall(c, 0, 440, W, 90, self.seed + 6, PAL["stone"], 30)
        c.rectangle(0, 430, W, 14)
        c.set_source(lin(0, 430, 0, 444, [(0, PAL["stone_lt"]), (1, PAL["stone"])]))
        c.fill()
        wood(c, 0, 520, W, H - 520, self.seed + 7, tone="drift", planks=5)
        # bollard, lamp post, lobster pots, crates
        for bx in (120, 700):
            rrect(c, bx - 16, 490, 32, 44, 8)
            c.set_source(lin(bx - 16, 0, bx + 16, 0, [(0, PAL["iron_lt"]), (1, PAL["night"])]))
            c.fill()
        c.rectangle(836, 220, 10, 320)
        c.set_source(lin(836, 0, 846, 0, [(0, PAL["iron_lt"]), (1, PAL["night"])]))
        c.fill()
        self.quay_lamp(c)
        glow(c, 841, 224, 160, PAL["amber"], 0.45)
        for (px, py) in ((420, 470), (500, 480)):
            c.move_to(px - 40, py + 50)
            c.line_to(px - 40, py + 10)
            c.curve_to(px - 40, py - 30, px + 40, py - 30, px + 40, py + 10)
            c.line_to(px + 40, py + 50)
            c.close_path()
            c.save()
            c.clip()
            src(c, alpha(PAL["wood"], 0.5))
            c.paint()
            c.set_line_width(3)
            src(c, PAL["wood_md"])
            for k in range(-6, 7):
                c.move_to(px + k * 8, py - 30)
                c.line_to(px + k * 8, py + 50)
            c.stroke()
            src(c, alpha(PAL["rope"], 0.8))
            c.set_line_width(1)
            for k in range(8):
                c.move_to(px - 40, py - 20 + k * 9)
                c.line_to(px + 40, py - 20 + k * 9)
            c.stroke()
            c.restore()
        it.crate(c, 900, 440, 110, 100, self.seed + 8)
        it.barrel(c, 620, 560, 100, 120, self.seed + 9)
        # fish crate with ice and a net over the quay edge
        it.crate(c, 230, 500, 140, 60, self.seed + 10)
        # an iron davit on the wall with its pulley, a net bag of floats hanging from it
        c.rectangle(546, 170, 12, 266)
        c.set_source(lin(546, 0, 558, 0, [(0, PAL["iron_lt"]), (1, PAL["night"])]))
        c.fill()
        c.move_to(552, 176)
        c.line_to(668, 176)
        c.line_to(668, 186)
        c.line_to(552, 214)
        c.close_path()
        c.set_source(lin(0, 176, 0, 214, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))
        c.fill()
        c.arc(660, 190, 8, 0, 2 * math.pi)
        c.set_source(brass_radial(660, 190, 8, 0.4))
        c.fill()
        c.move_to(660, 196)
        c.line_to(660, 250)
        c.set_line_width(2.5)
        src(c, PAL["rope"])
        c.stroke()
        self.float_bag(c)
        c.save()
        blob(c, 660, 282, 36, 34, self.seed + 14, 9, 0.12)
        c.clip()
        src(c, alpha(shade(PAL["rope"], 0.8), 0.85))
        c.set_line_width(1.5)
        for k in range(-8, 9):
            c.move_to(620 + k * 9, 240)
            c.line_to(660 + k * 9, 330)
            c.move_to(700 + k * 9, 240)
            c.line_to(660 + k * 9, 330)
        c.stroke()
        c.restore()
        c.new_path()
        # a frame for drying nets on the wall at the right: two posts, a bar, the net over it
        for px in self.FRAME_POSTS:
            wood(c, px - 6, 230, 12, 206, self.seed + px, tone="drift", vertical=True)
        wood(c, 860, 228, 164, 12, self.seed + 15, tone="drift")
        self.drying_net(c)
        c.save()
        c.clip()
        src(c, alpha(shade(PAL["rope"], 0.75), 0.7))
        c.set_line_width(1.4)
        for k in range(-30, 30):
            c.move_to(860 + k * 10, 236)
            c.line_to(1000 + k * 10, 420)
            c.move_to(1000 + k * 10, 236)
            c.line_to(860 + k * 10, 420)
        c.stroke()
        c.restore()
        # the fishing boat's mast light and pennant
        c.move_to(262, 140)
        c.line_to(300, 148)
        c.line_to(262, 158)
        c.close_path()
        src(c, PAL["cloth_red"])
        c.fill()
        arr = to_np(s)
        arr = sc.rain(arr, self.seed + 11, n=300, a=0.06)
        texture(arr, self.seed + 12, cell=70, amount=0.06)
        return arr

    FRAME_POSTS = (872, 1004)

    @staticmethod
    def quay_lamp(c):
        """The lamp on its post: a round frosted globe on a brass collar, a cap on top."""
        c.rectangle(834, 236, 14, 8)
        c.set_source(brass_linear(834, 236, 848, 244, 0.2))
        c.fill()
        c.arc(841, 220, 17, 0, 2 * math.pi)
        c.set_source(rad(837, 214, 1, 18, [(0, PAL["white"]), (0.5, PAL["amber_lt"]), (1, PAL["amber"])]))
        c.fill_preserve()
        src(c, alpha(PAL["night"], 0.6))
        c.set_line_width(1.5)
        c.stroke()
        ellipse(c, 841, 203, 9, 3)
        c.set_source(brass_linear(832, 200, 850, 206))
        c.fill()
        c.arc(841, 199, 3, 0, 2 * math.pi)
        c.set_source(brass_radial(841, 199, 3))
        c.fill()

    def float_bag(self, c):
        """The net bag hanging from the davit, full of cork floats and red net buoys."""
        blob(c, 660, 282, 36, 34, self.seed + 14, 9, 0.12)
        c.save()
        c.clip_preserve()
        src(c, shade(PAL["cloth_red"], 0.45))
        c.fill()
        for (bx, by, rot, col) in ((646, 272, 0.3, PAL["wood_lt"]), (674, 266, -0.5, PAL["cloth_red"]),
                                   (660, 294, 0.9, PAL["wood_md"]), (640, 300, -0.2, PAL["cloth_red"]),
                                   (682, 296, 0.4, PAL["wood_lt"])):
            c.save()
            c.translate(bx, by)
            c.rotate(rot)
            rrect(c, -14, -8, 28, 16, 5)
            c.set_source(lin(0, -8, 0, 8, [(0, shade(col, 1.3)), (1, shade(col, 0.55))]))
            c.fill_preserve()
            src(c, alpha(PAL["night"], 0.5))
            c.set_line_width(1.2)
            c.stroke()
            c.restore()
        c.restore()

    def fixtures(self):
        return [("quay_lamp", self.quay_lamp, False), ("float_bag", self.float_bag, False)]

    @staticmethod
    def drying_net(c):
        """The net hung over the drying frame's bar."""
        c.move_to(866, 236)
        c.line_to(1018, 236)
        c.curve_to(1020, 320, 1000, 380, 1010, 414)
        c.curve_to(960, 396, 920, 420, 880, 398)
        c.curve_to(870, 340, 872, 290, 866, 236)
        c.close_path()

    def ground(self, c):
        # the quay, the top of the harbour wall, the crates' lids, the barrel's head, the boat's
        # deck and its wheelhouse roof
        c.rectangle(0, 520, W, H - 520)
        c.rectangle(0, 424, W, 22)
        c.rectangle(230, 496, 140, 14)
        c.rectangle(900, 434, 110, 14)
        c.rectangle(572, 434, 96, 14)
        c.rectangle(40, 344, 320, 16)
        c.rectangle(150, 294, 80, 10)
        c.rectangle(860, 222, 164, 10)
        c.rectangle(140, 384, 60, 12)
        c.fill()

    def walls(self, c):
        # the lamp post, the davit, the drying frame and its net, the mast, the wheelhouse
        c.rectangle(834, 216, 14, 326)
        c.rectangle(544, 168, 16, 270)
        c.rectangle(550, 172, 122, 20)
        for px in self.FRAME_POSTS:
            c.rectangle(px - 7, 226, 14, 212)
        c.rectangle(858, 224, 166, 18)
        c.fill()
        self.drying_net(c)
        c.fill()
        c.rectangle(256, 140, 12, 214)
        c.rectangle(150, 300, 80, 52)
        blob(c, 660, 282, 36, 34, self.seed + 14, 9, 0.12)
        c.fill()

    def water(self, c):
        c.rectangle(0, 330, W, 104)
        c.fill()

    def fore(self, c):
        # a fishing net heaped over the crate front, hiding part of the starfish
        c.save()
        c.move_to(210, 560)
        c.curve_to(240, 520, 330, 530, 390, 560)
        c.curve_to(380, 600, 260, 610, 210, 590)
        c.close_path()
        c.clip()
        src(c, alpha(shade(PAL["rope"], 0.7), 0.8))
        c.set_line_width(2)
        for k in range(-10, 30):
            c.move_to(190 + k * 8, 520)
            c.line_to(260 + k * 8, 620)
            c.move_to(190 + k * 8, 620)
            c.line_to(260 + k * 8, 520)
        c.stroke()
        c.restore()

    def things(self):
        red, blue = PAL["cloth_red"], PAL["cloth_blue"]
        return [
            # on the boat, and afloat beside it
            Thing("lifebuoy", 204, 330, 36, hang=True),
            Thing("lobster_pot", 310, 352, 44, base=True),
            Thing("rope", 104, 352, 40, base=True),
            Thing("buoy", 262, 180, 26, hang=True),
            Thing("bucket", 200, 296, 30, base=True),
            Thing("buoy", 470, 400, 30, rot=8, afloat=True),
            Thing("cork", 520, 414, 16, rot=30, afloat=True),
            Thing("cork", 400, 420, 14, rot=-20, afloat=True),
            # the davit, the lamp post and the drying frame, with what hangs on them
            Thing("oilskin", 552, 232, 34, rot=-8, hang=True),
            Thing("seaweed", 554, 400, 26, rot=70, hang="clings"),
            Thing("cap", 552, 292, 26, rot=-10, hang=True),
            Thing("chain", 556, 338, 40, rot=86, hang=True, fore=True),
            Thing("cork", 640, 266, 14, rot=20, hang="clings"),
            Thing("buoy", 694, 290, 24, rot=10, hang="clings"),
            Thing("cork", 668, 304, 14, rot=-40, hang="clings", fore=True),
            Thing("buoy", 630, 290, 22, rot=-10, hang="clings"),
            Thing("ladder_rope", 842, 300, 46, rot=4, hang=True),
            Thing("cork", 884, 270, 18, rot=20, hang="clings"),
            Thing("cork", 990, 262, 18, rot=-40, hang="clings"),
            Thing("buoy", 920, 262, 30, rot=-10, hang="clings"),
            Thing("seaweed", 968, 330, 34, rot=20, hang="clings"),
            Thing("cork", 900, 356, 18, rot=60, hang="clings"),
            Thing("jar", 996, 344, 26, rot=-30, col=PAL["seaglass"], hang="clings"),
            Thing("cork", 968, 290, 16, rot=30, hang="clings"),
            Thing("seaweed", 986, 306, 22, rot=-20, hang="clings", fore=True),
            Thing("jar", 896, 310, 24, rot=30, col=PAL["seaglass_dk"], hang="clings"),
            Thing("cork", 948, 380, 16, rot=10, hang="clings"),
            Thing("lifebuoy", 1010, 404, 40, hang=True),
            Thing("cap", 938, 228, 34, rot=10, base=True),
            # the top of the harbour wall: pots stacked, crocks, a basket of onions
            Thing("jar", 100, 432, 34, base=True, col=PAL["cloth_red"], contents=PAL["amber"]),
            Thing("cork", 28, 428, 18, rot=-20),
            Thing("lobster_pot", 170, 432, 58, base=True),
            Thing("lobster_pot", 170, 392, 44, base=True),
            Thing("buoy", 236, 432, 40, base=True),
            Thing("basket", 332, 432, 44, base=True, fill="onions"),
            Thing("onion", 360, 432, 20, base=True),
            Thing("onion", 306, 432, 18, base=True, rot=30),
            Thing("onion", 350, 420, 16, rot=30, fore=True),
            Thing("tankard", 494, 436, 30, base=True, fore=True),
            Thing("jar", 446, 432, 28, base=True, col=PAL["seaglass_dk"]),
            Thing("jar", 524, 432, 24, base=True, col=PAL["leaf"]),
            Thing("tin_can", 684, 432, 28, base=True, col=red),
            Thing("lobster_pot", 786, 432, 40, base=True),
            Thing("mug", 1004, 440, 28, base=True),
            # the barrel and the crates
            Thing("tankard", 588, 440, 28, base=True),
            Thing("pipe", 650, 440, 30, rot=-10),
            Thing("tin_can", 896, 440, 26, base=True, col=blue),
            Thing("onion", 944, 440, 22, base=True),
            Thing("mussels", 252, 494, 34),
            Thing("basket", 344, 500, 40, base=True, fore=True),
            Thing("seaweed", 504, 522, 34),
            Thing("oar", 880, 500, 120, rot=-62, behind=True),
            Thing("lifebuoy", 846, 518, 50, hang=True),
            # the quay
            Thing("lobster_pot", 60, 604, 60, base=True),
            Thing("cork", 118, 590, 18, rot=20),
            Thing("pebbles", 164, 626, 36),
            Thing("bucket", 204, 606, 44, base=True, fore=True),
            Thing("log", 250, 630, 58, rot=-4),
            Thing("pebbles", 262, 586, 32),
            Thing("mussels", 294, 578, 22, rot=20),
            Thing("cork", 338, 548, 18, rot=10),
            Thing("lobster_pot", 376, 620, 58, base=True),
            Thing("crab", 420, 606, 34, rot=-20),
            Thing("mussels", 522, 612, 40),
            Thing("seaweed", 566, 624, 40),
            Thing("chain", 658, 610, 52, rot=8),
            Thing("cork", 704, 580, 18, rot=-40),
            Thing("boot", 704, 640, 42, base=True),
            Thing("mussels", 738, 618, 34),
            Thing("buoy", 804, 626, 38, base=True),
            Thing("pebbles", 846, 612, 36),
            Thing("paint_tin", 900, 612, 36, base=True, col=PAL["cloth_blue"]),
            Thing("boot", 944, 640, 40, base=True, flip=True),
            Thing("bucket", 1010, 624, 36, base=True),
            # the catch landed on the quay, and what came up with it
            Thing("oar_blade", 430, 546, 70, rot=8),
            Thing("rope", 596, 566, 58, fore=True),
            Thing("tankard", 638, 556, 24, base=True),
            Thing("tin_box", 536, 556, 28, rot=-8, col=red),
            Thing("board", 694, 548, 60, rot=-10),
            Thing("bucket", 824, 566, 40, base=True, col=PAL["wood_lt"]),
            Thing("mussels", 446, 580, 28),
            Thing("pebbles", 498, 606, 26),
            Thing("pebbles", 736, 596, 28),
            Thing("pebbles", 776, 606, 24),
            Thing("pebbles", 120, 604, 24),
            Thing("mussels", 168, 600, 22),
            Thing("cork", 790, 604, 16, rot=70),
            Thing("jar", 640, 432, 26, base=True, col=PAL["seaglass_dk"]),
            Thing("tin_can", 940, 604, 28, base=True, col=PAL["cloth_red"]),
            Thing("dish", 930, 432, 24),
            Thing("tankard", 40, 432, 26, base=True),
            Thing("pipe", 122, 600, 26, rot=30),
            # weed and net in front of the shore finds
            Thing("seaweed", 478, 584, 30, fore=True),
            Thing("seaweed", 776, 582, 30, fore=True, flip=True),
            Thing("seaweed", 178, 624, 26, fore=True),
            Thing("seaweed", 994, 612, 28, fore=True, flip=True),
            Thing("seaweed", 726, 612, 22, fore=True),
            Thing("seaweed", 922, 364, 26, fore=True, hang="clings"),
            Thing("seaweed", 966, 374, 24, rot=-30, fore=True, hang="clings"),
            Thing("seaweed", 488, 582, 30, rot=30, fore=True),
        ]

    def objects(self):
        return [
            Obj("starfish", "Starfish", "starfish", 262, 566, 42, rot=14, tint=(PAL["rope"], 0.3), dark=0.15),
            Obj("shell", "Scallop shell", "shell", 470, 590, 34, rot=-10, tint=(PAL["stone_lt"], 0.3)),
            Obj("seaglass", "Sea glass", "seaglass", 760, 596, 36, dark=0.2),
            Obj("gull_egg", "Gull’s egg", "gull_egg", 170, 614, 26, coin=True, tint=(PAL["stone_lt"], 0.1)),
            Obj("bottle", "Green bottle", "bottle", 482, 432, 40, base=True, col=PAL["seaglass_dk"], dark=0.3),
            Obj("lantern", "Storm lantern", "lantern", 606, 550, 40, base=True, dark=0.25),
            Obj("coin", "Gold coin", "coin", 716, 604, 20, coin=True),
            Obj("horseshoe", "Horseshoe", "horseshoe", 552, 362, 32, hang=True, tint=(PAL["iron"], 0.3), dark=0.1, broad=True),
            Obj("hook", "Fish hook", "hook", 956, 398, 32, rot=16, hang="clings", dark=0.2, wire=True),
            Obj("net_float", "Glass float", "net_float", 676, 296, 30, tint=(PAL["rope"], 0.2), hang="clings"),
            Obj("mackerel", "Mackerel", "fish", 210, 566, 44, rot=-66, tint=(PAL["stone_lt"], 0.2)),
            Obj("apple", "Red apple", "apple", 338, 416, 24, rot=8, dark=0.15),
        ]


class Stairwell(Location):
    name, music, ambient, seed = "loc21", "music/level2", "ambient/storm", 2100
    ambient_light = (0.48, 0.55, 0.62)
    LAMP = staticmethod(picture("lantern", 820, 150, 0.65, lit=True))

    def fixtures(self):
        return [("lantern", self.LAMP, False)]

    STEPS = 11

    def lights(self):
        return [(840, 150, 320, PAL["amber"], 0.9), (210, 220, 220, PAL["mist_lt"], 0.35),
                (420, 470, 400, PAL["amber_dk"], 0.3)]

    def step_rect(self, i):
        """Tread i: (x, y, w) of the tread's front edge, climbing from bottom-left to top-right."""
        x = 40 + i * 78
        y = 640 - i * 46
        return x, y, 150

    def step(self, c, i, r):
        """One stone step: worn tread, rounded nosing, a riser of dressed blocks, its end in shade."""
        x, y, w = self.step_rect(i)
        d = 40
        # the end face towards the stairwell's open side
        c.move_to(x + w, y)
        c.line_to(x + w + d, y - d)
        c.line_to(x + w + d, y + 6)
        c.line_to(x + w, y + 46)
        c.close_path()
        c.set_source(lin(x + w, 0, x + w + d, 0, [(0, shade(PAL["stone_dk"], 0.75)), (1, shade(PAL["stone_dk"], 0.5))]))
        c.fill()
        # the tread, lighter where feet have worn it
        c.move_to(x, y)
        c.line_to(x + w, y)
        c.line_to(x + w + d, y - d)
        c.line_to(x + d, y - d)
        c.close_path()
        c.set_source(lin(0, y - d, 0, y, [(0, shade(PAL["stone_lt"], 0.72)), (1, shade(PAL["stone_lt"], 1.05))]))
        c.fill()
        ellipse(c, x + w * 0.42 + d * 0.5, y - d * 0.45, w * 0.3, d * 0.28)
        c.set_source(rad(x + w * 0.42 + d * 0.5, y - d * 0.45, 0, w * 0.3, [(0, alpha(PAL["white"], 0.12)), (1, alpha(PAL["white"], 0))]))
        c.fill()
        for k in range(5):
            cx, cy = x + d * 0.3 + r.rand() * w, y - 6 - r.rand() * (d - 10)
            blob(c, cx, cy, 3 + r.rand() * 6, 1.5 + r.rand() * 2, int(r.randint(1 << 30)), 7, 0.3)
            src(c, alpha(PAL["stone_dk"], 0.25))
            c.fill()
        # the riser: two or three dressed blocks under a rounded nosing
        c.rectangle(x, y, w, 46)
        c.set_source(lin(0, y, 0, y + 46, [(0, PAL["stone"]), (1, shade(PAL["stone_dk"], 0.85))]))
        c.fill()
        joints = [x + w * t for t in (0.3 + r.rand() * 0.1, 0.68 + r.rand() * 0.1)]
        src(c, alpha(PAL["night"], 0.55))
        c.set_line_width(1.6)
        for jx in joints:
            c.move_to(jx, y + 5)
            c.line_to(jx + (r.rand() - 0.5) * 3, y + 46)
        c.stroke()
        for bx0, bx1 in zip([x] + joints, joints + [x + w]):
            c.rectangle(bx0 + 2, y + 6, bx1 - bx0 - 4, 3)
            src(c, alpha(PAL["white"], 0.08))
            c.fill()
        c.rectangle(x, y - 2, w, 7)
        c.set_source(lin(0, y - 2, 0, y + 5, [(0, shade(PAL["stone_lt"], 1.25)), (1, shade(PAL["stone"], 0.8))]))
        c.fill()
        # chipped corner
        c.move_to(x + w - 10, y - 2)
        c.line_to(x + w, y - 2)
        c.line_to(x + w, y + 8)
        c.close_path()
        src(c, shade(PAL["stone_dk"], 0.6))
        c.fill()

    def back(self):
        arr = np.zeros((H, W, 4), np.float32)
        arr[..., 3] = 1
        s = from_np(arr)
        c = ctx_for(s)
        # curved whitewashed wall: stone courses under lime wash
        it.rubble_wall(c, 0, 0, W, H, self.seed, mix(PAL["paper_dk"], PAL["stone_lt"], 0.5), 44)
        c.rectangle(0, 0, W, H)
        src(c, alpha(mix(PAL["paper_dk"], PAL["mist"], 0.4), 0.55))
        c.fill()
        c.rectangle(0, 0, W, H)
        c.set_source(lin(0, 0, W, 0, [(0, alpha(PAL["night"], 0.8)), (0.3, alpha(PAL["night"], 0.1)), (0.6, alpha(PAL["night"], 0.05)), (1, alpha(PAL["night"], 0.85))]))
        c.fill()
        arr = to_np(s)
        # slit window with the storm
        arr = it.window_view(arr, 180, 120, 60, 200, self.seed + 1, stormy=0.9, horizon_t=0.7)
        s = from_np(arr)
        c = ctx_for(s)
        c.rectangle(170, 110, 80, 220)
        c.rectangle(180, 120, 60, 200)
        c.set_fill_rule(1)
        c.set_source(lin(170, 0, 250, 0, [(0, PAL["stone_lt"]), (1, PAL["stone_dk"])]))
        c.fill()
        c.set_fill_rule(0)
        c.rectangle(164, 326, 92, 14)
        c.set_source(lin(0, 326, 0, 340, [(0, PAL["stone_lt"]), (1, PAL["stone"])]))
        c.fill()
        # the solid mass under the flight, built against the wall
        c.move_to(0, H)
        for i in range(self.STEPS):
            x, y, w = self.step_rect(i)
            c.line_to(x, y + 46)
            c.line_to(x + w + 40, y + 6)
        c.line_to(self.step_rect(self.STEPS - 1)[0] + 190, H)
        c.close_path()
        c.save()
        c.clip()
        it.rubble_wall(c, 0, 0, W, H, self.seed + 40, PAL["stone"], 40)
        c.rectangle(0, 0, W, H)
        c.set_source(lin(0, 0, W, 0, [(0, alpha(PAL["night"], 0.45)), (1, alpha(PAL["night"], 0.75))]))
        c.fill()
        c.restore()
        # a store under the flight: a low arched doorway with its plank door ajar
        arch(c, 560, 680, 640, 520, 470)
        src(c, shade(PAL["stone_lt"], 0.7))
        c.set_line_width(10)
        c.stroke_preserve()
        src(c, PAL["night"])
        c.fill()
        c.save()
        c.move_to(640, 640)
        c.line_to(640, 500)
        c.curve_to(660, 486, 676, 500, 676, 520)
        c.line_to(676, 640)
        c.close_path()
        c.clip()
        wood(c, 636, 480, 44, 160, self.seed + 41, tone="dark", vertical=True, planks=2)
        c.restore()
        # a niche with a shelf for the spare lens, and an iron peg for the rope
        arch(c, 360, 430, 290, 240, 200)
        c.set_source(lin(0, 200, 0, 290, [(0, PAL["night"]), (1, shade(PAL["stone_dk"], 0.7))]))
        c.fill()
        c.rectangle(352, 288, 86, 10)
        c.set_source(lin(0, 288, 0, 298, [(0, PAL["stone_lt"]), (1, PAL["stone_dk"])]))
        c.fill()
        # a plank shelf on iron brackets for the keeper's stores
        it.shelf(c, 300, 400, 180, self.seed + 42, tone="dark")
        # the steps, from the top one down so the nearer ones overlap
        r = rng(self.seed + 43)
        for i in reversed(range(self.STEPS)):
            self.step(c, i, r)
        # iron railing along the open side
        src(c, PAL["night"])
        c.set_line_width(5)
        c.move_to(self.step_rect(0)[0] + 150, 560)
        for i in range(self.STEPS):
            x, y, w = self.step_rect(i)
            c.line_to(x + w + 20, y - 100)
        c.stroke()
        c.set_line_width(2.5)
        for i in range(self.STEPS):
            x, y, w = self.step_rect(i)
            c.move_to(x + w + 20, y - 20)
            c.line_to(x + w + 20, y - 100)
        c.stroke()
        # the landing at the top right: an arched plank door in a stone surround
        arch(c, 852, 978, 196, 86, 22)
        c.set_source(lin(852, 0, 978, 0, [(0, PAL["stone_lt"]), (1, PAL["stone_dk"])]))
        c.fill()
        c.save()
        arch(c, 864, 966, 196, 90, 36)
        c.clip()
        wood(c, 860, 30, 110, 170, self.seed + 44, tone="mid", vertical=True, planks=4)
        for yy in (84, 160):
            c.rectangle(860, yy, 110, 9)
            c.set_source(lin(0, yy, 0, yy + 9, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))
            c.fill()
            for nx in range(872, 966, 20):
                it.nail(c, nx, yy + 4.5, 2)
        c.restore()
        c.arc(946, 128, 7, 0, 2 * math.pi)
        c.set_line_width(3)
        src(c, PAL["iron"])
        c.stroke()
        self.LAMP(c)
        glow(c, 820, 146, 120, PAL["amber"], 0.5)
        # dark void under the stairs on the left
        c.move_to(0, H)
        c.line_to(0, 560)
        c.line_to(40, 640)
        c.line_to(40, H)
        c.close_path()
        src(c, alpha(PAL["night"], 0.7))
        c.fill()
        arr = to_np(s)
        texture(arr, self.seed + 5, cell=70, amount=0.08)
        return arr

    def on_step(self, i, dx, h):
        """Centre for an object of height h sitting on tread i, dx along it."""
        x, y, w = self.step_rect(i)
        return x + 20 + dx, y - 20 - h / 2

    def foot(self, i, dx):
        """The point on tread i, dx along it, where a thing stands."""
        x, y, w = self.step_rect(i)
        return x + 20 + dx, y - 14

    def ground(self, c):
        # the treads, the floor at the flight's foot, the shelf, the niche's sill, the window's
        # sill and the landing by the door
        d = 40
        for i in range(self.STEPS):
            x, y, w = self.step_rect(i)
            c.move_to(x, y + 2)
            c.line_to(x + w, y + 2)
            c.line_to(x + w + d, y - d - 2)
            c.line_to(x + d, y - d - 2)
            c.close_path()
            c.fill()
        c.rectangle(0, 626, W, H - 626)
        c.rectangle(300, 394, 180, 12)
        c.rectangle(352, 282, 86, 12)
        c.rectangle(164, 320, 92, 12)
        c.rectangle(840, 188, 184, 12)
        c.fill()

    def walls(self, c):
        # the tower's wall, but for the slit window and the store's dark doorway
        c.rectangle(0, 0, W, H)
        c.rectangle(180, 120, 60, 200)
        arch(c, 560, 680, 640, 520, 470)
        c.set_fill_rule(1)
        c.fill()
        c.set_fill_rule(0)

    def things(self):
        def on(drawer, i, dx, size, **kw):
            x, y = self.foot(i, dx)
            return Thing(drawer, x, y, size, base=True, **kw)
        red, blue = PAL["cloth_red"], PAL["cloth_blue"]
        return [
            # the steps: what the keeper carried up and left, in heaps at the wall's side
            on("crock", 0, 18, 36),
            on("bucket", 0, 126, 46, col=PAL["iron"]),
            on("crock", 0, 152, 34),
            on("sack", 0, 106, 50, fore=True),
            on("jar", 1, 92, 30, col=PAL["paper_dk"], contents=PAL["wood"]),
            on("broom", 1, 132, 96, rot=14),
            on("jar", 1, 10, 26, col=PAL["amber_dk"]),
            on("sack", 2, 26, 56),
            on("chain", 2, 128, 40),
            on("books", 3, 22, 40),
            on("nails", 3, 64, 30),
            on("bucket", 3, 94, 50, fore=True),
            on("mug", 3, 132, 24, col=PAL["cloth_blue"]),
            on("nails", 4, 92, 32),
            on("lantern", 4, 136, 44),
            on("mug", 4, 10, 22),
            on("pencil", 4, 62, 30, rot=-10),
            on("screwdriver", 4, 110, 34, rot=6, fore=True),
            on("mug", 5, 74, 26),
            on("teacup_stack", 5, 132, 30),
            on("scarf", 5, 50, 34, rot=-6, fore=True, col=PAL["cloth_blue"]),
            on("crock", 5, 98, 32, col=PAL["iron_lt"]),
            on("crock", 6, 42, 34, col=blue),
            on("books", 6, 12, 34),
            on("ruler", 6, 138, 40, rot=-6),
            on("crock", 7, 18, 36),
            on("basket", 7, 112, 38),
            on("jug", 7, 94, 34, col=PAL["paper_dk"], fore=True),
            on("oil_lamp", 8, 132, 40),
            on("jar", 8, 8, 30, col=blue, contents=PAL["amber"]),
            on("sack", 8, 60, 50),
            on("basket", 9, 40, 46),
            on("spool", 9, 96, 22),
            on("sack", 10, 70, 50),
            on("mug", 10, 12, 24),
            # rags dropped over what lies on the steps
            on("scarf", 0, 50, 36, rot=-8, fore=True, col=PAL["paper_dk"]),
            on("rag", 4, 16, 30, rot=-8, fore=True, col=red),
            on("newspaper", 7, 38, 30, rot=6, fore=True),
            # the walls: what hangs on nails, in bunches by the door, the window and the saw
            Thing("coat", 96, 420, 104, rot=2, hang=True),
            Thing("oilskin", 112, 300, 48, rot=-10, hang=True),
            Thing("cap", 150, 250, 34, rot=-6, hang=True),
            Thing("lantern", 64, 220, 46, hang=True),
            Thing("herbs", 130, 150, 40, hang=True),
            Thing("birdcage", 300, 96, 64, hang=True),
            Thing("frame", 460, 120, 40, rot=3, hang=True),
            Thing("saw", 520, 300, 80, rot=-6, hang=True),
            Thing("ships_wheel", 560, 190, 50, rot=12, hang=True),
            Thing("chain", 612, 240, 34, rot=86, hang=True),
            Thing("knife", 646, 236, 30, rot=80, hang=True, fore=True),
            Thing("rag", 606, 278, 26, rot=-84, hang=True, fore=True, col=PAL["cloth_red"]),
            Thing("rag", 588, 254, 28, rot=80, hang=True, col=PAL["iron_lt"]),
            Thing("lifebuoy", 662, 104, 56, hang=True),
            Thing("frame", 736, 196, 36, rot=-3, hang=True),
            Thing("chain", 792, 214, 28, rot=80, hang=True),
            Thing("rag", 804, 248, 26, rot=-80, hang=True, fore=True, col=PAL["paper_dk"]),
            Thing("herbs", 912, 100, 46, hang=True),
            Thing("chain", 968, 154, 40, rot=84, hang=True),
            Thing("oilskin", 934, 176, 40, rot=8, hang=True, fore=True),
            # the niche, the window's sill
            Thing("bottle", 374, 288, 28, base=True, col=PAL["seaglass_dk"], dark=0.3),
            Thing("spool", 420, 288, 20, base=True, dark=0.3),
            Thing("jar", 406, 290, 20, base=True, col=red, fore=True, dark=0.2),
            Thing("crock", 382, 292, 22, base=True, fore=True, dark=0.3),
            Thing("bottle", 182, 328, 34, base=True, col=PAL["amber_dk"]),
            Thing("bottle", 206, 330, 30, base=True, col=PAL["seaglass_dk"], fore=True),
            Thing("shell", 238, 328, 22, base=True),
            Thing("pencil", 244, 318, 24, rot=-30),
            # the shelf: the keeper's stores
            Thing("jar", 326, 400, 32, base=True, col=PAL["amber_dk"], contents=PAL["wood"]),
            Thing("books", 368, 400, 38, base=True),
            Thing("jar", 402, 400, 26, base=True, col=blue, contents=PAL["paper"]),
            Thing("crock", 454, 400, 28, base=True, col=PAL["iron_lt"]),
            Thing("crock", 472, 402, 24, base=True, col=mix(PAL["paper"], PAL["seaglass"], 0.3), fore=True),
            # at the foot of the flight and by the store
            Thing("bucket", 716, 640, 48, base=True),
            Thing("jar", 676, 640, 30, base=True, col=PAL["iron"], contents=PAL["stone"]),
            Thing("sack", 780, 640, 68, base=True),
            Thing("firewood", 860, 640, 60, base=True),
            Thing("lifebuoy", 952, 590, 62, rot=10, hang=True),
            Thing("broom", 1000, 636, 100, base=True, rot=-8),
            Thing("buoy", 520, 640, 40, base=True),
            Thing("mug", 620, 632, 22, base=True, dark=0.3),
            Thing("pinecone", 584, 628, 20, dark=0.3),
            Thing("sack", 806, 644, 44, base=True, fore=True),
        ]

    def objects(self):
        def at(oid, label, drawer, i, dx, size, hfrac=0.8, **kw):
            x, y = self.on_step(i, dx, size * hfrac)
            return Obj(oid, label, drawer, x, y, size, **kw)
        return [
            Obj("oilcan", "Oil can", "oilcan", 744, 626, 38, base=True, tint=(PAL["stone"], 0.25)),
            Obj("wick_tin", "Tin of wicks", "wick_tin", 430, 400, 40, base=True, coin=True, tint=(PAL["stone"], 0.2)),
            at("pocket_watch", "Pocket watch", "pocket_watch", 5, 30, 32, 0.6, rot=80, tint=(PAL["stone_lt"], 0.2)),
            at("matchbox", "Matchbox", "matchbox", 7, 60, 32, 0.45),
            at("glove", "Leather glove", "glove", 0, 70, 42, 0.45, rot=80, dark=0.2),
            at("hammer", "Hammer", "hammer", 4, 40, 50, 0.4, rot=-4, tint=(PAL["stone"], 0.2)),
            Obj("candle", "Candle", "candle", 218, 328, 32, base=True, tint=(PAL["stone_lt"], 0.25)),
            Obj("gear", "Brass cog", "gear", 604, 618, 28, dark=0.5),
            Obj("iron_key", "Iron key", "key", 626, 262, 40, rot=-80, coin=True, dark=0.2, iron=True, hang=True),
            Obj("lens", "Spare lens", "lens", 394, 274, 34, dark=0.25),
            at("rope", "Coil of rope", "rope", 8, 70, 46, 0.6, tint=(PAL["rope"], 0.2)),
            Obj("padlock", "Padlock", "padlock", 946, 150, 30, dark=0.2, hang=True),
        ]


class LampRoom(Location):
    name, music, ambient, seed = "loc22", "music/level2", "ambient/storm", 2200
    ambient_light = (0.58, 0.66, 0.74)
    LAMP = staticmethod(picture("lantern", 170, 376, 0.5, lit=True))

    def fixtures(self):
        return [("lantern", self.LAMP, False), ("burner", self.burner, False)]

    @staticmethod
    def burner(c):
        """The burner inside the lens, seen through the glass: a brass column carrying the lamp's
        round wick holder and its glass chimney, unlit."""
        cx = 512
        c.rectangle(cx - 9, 326, 18, 130)
        c.set_source(brass_linear(cx - 9, 0, cx + 9, 0, 0.35))
        c.fill()
        for y, rx in ((330, 34), (372, 20), (416, 26)):
            ellipse(c, cx, y, rx, rx * 0.28)
            c.set_source(brass_linear(cx - rx, y - 8, cx + rx, y + 8, 0.25))
            c.fill()
        c.move_to(cx - 26, 328)
        c.curve_to(cx - 28, 300, cx - 12, 296, cx - 12, 270)
        c.line_to(cx + 12, 270)
        c.curve_to(cx + 12, 296, cx + 28, 300, cx + 26, 328)
        c.close_path()
        c.set_source(lin(cx - 26, 0, cx + 26, 0, [(0, alpha(PAL["white"], 0.35)), (0.4, alpha(PAL["seaglass"], 0.15)),
                                                   (1, alpha(PAL["night"], 0.35))]))
        c.fill_preserve()
        src(c, alpha(PAL["night"], 0.5))
        c.set_line_width(1.5)
        c.stroke()
        ellipse(c, cx, 322, 16, 4)
        src(c, alpha(PAL["night"], 0.6))
        c.fill()
        c.rectangle(cx - 3, 312, 6, 9)
        src(c, PAL["paper_dk"])
        c.fill()

    def lights(self):
        return [(512, 300, 380, PAL["mist_lt"], 0.45), (160, 420, 260, PAL["amber"], 0.6)]

    def back(self):
        arr = sc.dusk_sky(W, H, self.seed, 460, stormy=0.85, glow_x=0.3)
        arr = sc.sea(arr, 460, self.seed + 1, glint_x=0.3, rough=0.8, lit=0.4)
        arr = sc.rain(arr, self.seed + 2, n=1500, a=0.14)
        s = from_np(arr)
        c = ctx_for(s)
        # lightning far away
        c.move_to(830, 60)
        for (dx, dy) in ((-14, 60), (18, 40), (-20, 70), (12, 50), (-8, 80)):
            c.rel_line_to(dx, dy)
        src(c, alpha(PAL["white"], 0.75))
        c.set_line_width(2.5)
        c.stroke()
        # window frames: iron mullions with diagonal glazing bars
        src(c, PAL["night"])
        for x in range(0, W + 1, 256):
            c.rectangle(x - 12, 0, 24, 520)
        c.fill()
        c.set_line_width(4)
        for x0 in range(-512, W + 512, 128):
            c.move_to(x0, 30)
            c.line_to(x0 + 480, 510)
            c.move_to(x0 + 480, 30)
            c.line_to(x0, 510)
        src(c, alpha(PAL["night"], 0.85))
        c.stroke()
        c.rectangle(0, 0, W, 30)
        c.set_source(lin(0, 0, 0, 30, [(0, PAL["night"]), (1, PAL["iron"])]))
        c.fill()
        # parapet wall and the floor grating
        c.rectangle(0, 500, W, 80)
        c.set_source(lin(0, 500, 0, 580, [(0, PAL["iron_lt"]), (1, PAL["iron"])]))
        c.fill()
        for x in range(0, W, 64):
            rivet(c, x + 32, 512, 3)
        c.rectangle(0, 580, W, H - 580)
        src(c, shade(PAL["iron"], 0.6))
        c.fill()
        src(c, alpha(PAL["night"], 0.8))
        c.set_line_width(2)
        for x in range(-400, W + 400, 24):
            c.move_to(x, 580)
            c.line_to(512 + (x - 512) * 1.6, H)
        for y in (600, 626, 660, 700, 746):
            c.move_to(0, y)
            c.line_to(W, y)
        c.stroke()
        # brass hand rail
        c.rectangle(0, 474, W, 10)
        c.set_source(brass_linear(0, 474, 0, 484))
        c.fill()
        # the great lens on its pedestal: a cast-iron column, fluted, on a stepped plinth, with
        # the door to the weight tube
        cx = 512
        iron = mix(PAL["iron"], PAL["teal"], 0.25)
        body = lin(cx - 74, 0, cx + 74, 0, [(0, shade(iron, 0.7)), (0.3, shade(PAL["iron_lt"], 1.1)),
                                            (0.55, iron), (1, PAL["night"])])
        c.move_to(cx - 62, 476)
        c.line_to(cx + 62, 476)
        c.line_to(cx + 74, 586)
        c.line_to(cx - 74, 586)
        c.close_path()
        c.set_source(body)
        c.fill()
        for k in range(-5, 6):
            x0 = cx + k * 11
            c.move_to(x0, 480)
            c.line_to(cx + (x0 - cx) * 1.19, 582)
        c.set_line_width(2)
        src(c, alpha(PAL["night"], 0.35))
        c.stroke()
        for (y, w, h) in ((586, 168, 10), (596, 184, 8)):
            rrect(c, cx - w / 2, y, w, h, 2)
            c.set_source(lin(cx - w / 2, 0, cx + w / 2, 0, [(0, shade(iron, 0.8)), (0.35, PAL["iron_lt"]), (1, PAL["night"])]))
            c.fill()
        rrect(c, cx - 20, 500, 40, 62, 4)
        c.set_source(lin(cx - 20, 0, cx + 20, 0, [(0, shade(iron, 0.6)), (1, shade(iron, 0.3))]))
        c.fill()
        rrect(c, cx - 20, 500, 40, 62, 4)
        src(c, alpha(PAL["night"], 0.7))
        c.set_line_width(1.5)
        c.stroke()
        c.arc(cx + 12, 532, 3, 0, 2 * math.pi)
        c.set_source(brass_radial(cx + 12, 532, 3))
        c.fill()
        for k in (-1, 1):
            for y in (506, 556):
                rivet(c, cx + k * 14, y, 2.5)
        ellipse(c, cx, 470, 150, 24)
        c.set_source(brass_linear(cx - 150, 446, cx + 150, 494))
        c.fill()
        c.move_to(cx - 140, 460)
        c.curve_to(cx - 170, 300, cx - 120, 110, cx, 90)
        c.curve_to(cx + 120, 110, cx + 170, 300, cx + 140, 460)
        c.close_path()
        c.set_source(rad(cx - 30, 240, 10, 200, [(0, alpha(PAL["white"], 0.8)), (0.5, alpha(PAL["seaglass"], 0.6)), (1, alpha(PAL["seaglass_dk"], 0.85))]))
        c.fill_preserve()
        c.save()
        c.clip()
        for k in range(14):
            y = 120 + k * 25
            c.move_to(cx - 200, y + 20)
            c.curve_to(cx - 60, y - 6, cx + 60, y - 6, cx + 200, y + 20)
            c.set_line_width(6)
            src(c, alpha(PAL["white"], 0.35))
            c.stroke()
            c.move_to(cx - 200, y + 26)
            c.curve_to(cx - 60, y, cx + 60, y, cx + 200, y + 26)
            c.set_line_width(3)
            src(c, alpha(PAL["deep"], 0.35))
            c.stroke()
        for k in range(-3, 4):
            c.rectangle(cx + k * 44 - 3, 80, 6, 400)
        c.set_source(brass_linear(0, 80, 0, 480, 0.2))
        c.fill()
        c.restore()
        self.burner(c)
        # work bench with the oil tank on the left, clockwork box on the right
        it.table(c, 20, 400, 250, 60, self.seed + 3, tone="dark")
        c.rectangle(60, 300, 80, 100)
        c.set_source(lin(60, 0, 140, 0, [(0, shade(PAL["copper"], 1.3)), (1, shade(PAL["copper"], 0.4))]))
        c.fill()
        ellipse(c, 100, 300, 40, 8)
        c.set_source(brass_linear(60, 292, 140, 308))
        c.fill()
        glow(c, 160, 372, 60, PAL["amber"], 0.5)
        self.LAMP(c)
        rrect(c, 780, 360, 200, 130, 8)
        c.set_source(lin(780, 0, 980, 0, [(0, PAL["wood_md"]), (1, PAL["wood_dk"])]))
        c.fill()
        rrect(c, 800, 380, 160, 90, 6)
        src(c, alpha(PAL["night"], 0.6))
        c.fill()
        # the clockwork that turns the lens, behind its glass: the drum the weight's cable winds
        # on, the cable running down to the weight tube, and the governor's two brass balls
        # flying out on their arms
        rrect(c, 812, 392, 76, 30, 5)
        c.set_source(brass_linear(0, 392, 0, 422, 0.25))
        c.fill()
        for k in range(9):
            c.move_to(816 + k * 8, 394)
            c.line_to(812 + k * 8, 420)
        c.set_line_width(1.5)
        src(c, alpha(PAL["wood_dk"], 0.6))
        c.stroke()
        for x in (808, 892):
            rrect(c, x - 4, 386, 8, 42, 2)
            c.set_source(brass_linear(x - 4, 0, x + 4, 0, 0.35))
            c.fill()
        rods(c, [[(850, 422), (850, 470)]], 2, PAL["rope"])
        rods(c, [[(926, 388), (926, 462)]], 3, PAL["iron_lt"])
        for k in (-1, 1):
            rods(c, [[(926, 398), (926 + k * 17, 426), (926, 444)]], 2, PAL["iron_lt"])
            c.arc(926 + k * 17, 426, 8, 0, 2 * math.pi)
            c.set_source(brass_radial(926 + k * 17, 426, 8, 0.2))
            c.fill()
        rrect(c, 918, 440, 16, 6, 2)
        c.set_source(brass_linear(918, 0, 934, 0, 0.3))
        c.fill()
        # glass over it all
        rrect(c, 800, 380, 160, 90, 6)
        c.set_source(lin(800, 380, 960, 470, [(0, alpha(PAL["white"], 0.12)), (0.5, alpha(PAL["white"], 0.0)),
                                              (1, alpha(PAL["white"], 0.06))]))
        c.fill()
        # a low locker under the clockwork box
        it.cabinet(c, 766, 490, 230, 120, self.seed + 4, tone="dark", doors=2, top_h=12)
        arr = to_np(s)
        texture(arr, self.seed + 5, cell=70, amount=0.06)
        return arr

    def ground(self, c):
        # the grating, the bench, the parapet's top, the lens's pedestal, the oil tank, the
        # clockwork box and the locker
        c.rectangle(0, 578, W, H - 578)
        c.fill()
        c.rectangle(20, 396, 250, 22)
        c.fill()
        c.rectangle(0, 494, W, 12)
        c.fill()
        ellipse(c, 512, 468, 152, 26)
        c.fill()
        c.rectangle(60, 290, 80, 16)
        c.fill()
        c.rectangle(780, 352, 200, 14)
        c.fill()
        c.rectangle(766, 482, 230, 16)
        c.fill()

    def walls(self, c):
        # the iron mullions, the band at the top, the hand rail, the parapet, the clockwork
        for x in range(0, W + 1, 256):
            c.rectangle(x - 12, 0, 24, 520)
            c.fill()
        c.rectangle(0, 0, W, 30)
        c.fill()
        c.rectangle(0, 470, W, 110)
        c.fill()
        c.rectangle(800, 380, 160, 90)
        c.fill()

    def fore(self, c):
        # the oil tank's pipe runs in front of the matchbox on the bench
        c.rectangle(136, 330, 90, 9)
        c.set_source(lin(0, 330, 0, 339, [(0, shade(PAL["copper"], 1.3)), (1, shade(PAL["copper"], 0.5))]))
        c.fill()
        c.rectangle(218, 330, 9, 76)
        c.set_source(lin(218, 0, 227, 0, [(0, shade(PAL["copper"], 1.3)), (1, shade(PAL["copper"], 0.5))]))
        c.fill()

    def things(self):
        red, blue = PAL["cloth_red"], PAL["cloth_blue"]
        return [
            # hung on the mullions and the hand rail
            Thing("oilskin", 8, 190, 52, rot=-8, hang=True),
            Thing("frame", 256, 190, 40, rot=-4, hang=True),
            Thing("towel", 256, 300, 44, rot=2, hang=True),
            Thing("lantern", 768, 240, 46, hang=True),
            Thing("coat", 1016, 300, 96, rot=2, col=mix(PAL["amber"], PAL["amber_dk"], 0.3), hang=True),
            Thing("cap", 706, 490, 36, rot=10, hang=True),
            Thing("towel", 322, 500, 40, rot=-3, col=PAL["cloth_blue"], hang=True),
            Thing("lifebuoy", 768, 356, 40, hang=True),
            # the bench: the oil can by the copper tank, the prism among the glass, the wick trimmer
            # by the tin of wicks
            Thing("jar", 46, 400, 26, base=True, col=red, contents=PAL["amber"]),
            Thing("newspaper", 118, 400, 46, rot=-4),
            Thing("inkwell", 140, 400, 24, base=True),
            Thing("mug", 262, 402, 26, base=True, fore=True),
            Thing("rag", 140, 404, 30, rot=-6, fore=True, col=PAL["cloth_blue"]),
            Thing("jar", 30, 404, 22, base=True, col=blue, contents=PAL["paper"]),
            Thing("jar", 162, 406, 22, base=True, fore=True, col=PAL["paper"], contents=PAL["wood"]),
            Thing("bottle", 206, 402, 30, base=True, col=PAL["seaglass"], fore=True),
            Thing("jar", 196, 400, 24, base=True, col=PAL["paper"], contents=PAL["seaglass_dk"]),
            Thing("bottle", 232, 404, 26, base=True, col=PAL["seaglass_bl"], fore=True),
            # under the bench
            Thing("bucket", 56, 580, 48, base=True),
            Thing("crock", 120, 580, 38, base=True, col=PAL["iron_lt"]),
            Thing("crock", 176, 580, 38, base=True),
            Thing("sack", 236, 580, 44, base=True),
            # round the pedestal: the compass between a dish and a tankard
            Thing("teacup_stack", 420, 474, 38, base=True),
            Thing("tankard", 640, 476, 28, base=True, fore=True),
            Thing("inkwell", 566, 474, 26, base=True),
            Thing("jar", 586, 474, 22, base=True, col=PAL["amber_dk"]),
            Thing("dish", 608, 468, 28, fore=True, col=PAL["iron"]),
            Thing("spool", 840, 440, 22, hang="clings"),
            Thing("rope", 300, 480, 40, rot=10),
            # the clockwork box and the locker: the spyglass behind bottles and papers, a spare cog in
            # the clockwork behind a paper
            Thing("jar", 826, 360, 30, base=True, col=red, contents=PAL["wood"]),
            Thing("mantel_clock", 918, 360, 40, base=True),
            Thing("bottle", 962, 360, 34, base=True, col=PAL["seaglass_dk"]),
            Thing("oil_lamp", 790, 490, 40, base=True),
            Thing("newspaper", 842, 484, 46, rot=6, fore=True),
            Thing("bottle", 980, 490, 34, base=True, col=PAL["seaglass_dk"]),
            Thing("bottle", 904, 492, 28, base=True, col=PAL["seaglass"], fore=True),
            Thing("ruler", 944, 482, 34, rot=10),
            Thing("mug", 930, 490, 24, base=True, fore=True),
            # the floor: the keeper's night work spread over the grating, tools among the iron
            # bits, the logbook under the papers, the brush on a cloth among the rags
            Thing("chain", 252, 620, 44, rot=4),
            Thing("cork", 380, 624, 18, rot=30),
            Thing("crock", 484, 624, 30, base=True, col=PAL["iron_lt"]),
            Thing("jar", 540, 606, 24, base=True, col=PAL["cloth_red"], contents=PAL["amber"]),
            Thing("mug", 612, 640, 26, base=True),
            Thing("scarf", 724, 620, 44, rot=6, col=PAL["paper_dk"]),
            Thing("screwdriver", 872, 636, 40, rot=-8, col=blue),
            Thing("bucket", 966, 640, 46, base=True),
            Thing("ruler", 300, 590, 40, rot=-30, fore=True),
            Thing("envelope_stack", 92, 614, 40, rot=-6, fore=True),
            Thing("chain", 312, 622, 30, rot=-10),
            Thing("spool", 458, 600, 24),
            Thing("screwdriver", 640, 630, 36, rot=-10),
            Thing("spool", 656, 594, 24),
            Thing("crock", 736, 628, 30, base=True, col=PAL["iron_lt"]),
            Thing("rope", 884, 628, 56),
            Thing("oil_lamp", 398, 640, 36, base=True),
            Thing("crock", 690, 640, 30, base=True),
            Thing("chain", 418, 600, 40, rot=-20),
            Thing("spool", 448, 614, 20, rot=80),
            # rags and papers over the tools
            Thing("rag", 708, 590, 34, rot=-10, fore=True, col=PAL["paper_dk"]),
            Thing("newspaper", 152, 612, 44, rot=12, fore=True),
            Thing("envelope_stack", 130, 588, 28, rot=20, fore=True),
            Thing("rag", 752, 628, 28, rot=20, fore=True, col=PAL["iron_lt"]),
            Thing("scarf", 592, 618, 34, rot=-6, fore=True, col=PAL["iron_lt"]),
            # a cloth the lens brush lies on
            Thing("rag", 806, 622, 40, rot=-8, col=PAL["paper_dk"], behind=True),
        ]

    def objects(self):
        return [
            Obj("prism", "Glass prism", "prism", 246, 400, 40, rot=-6, base=True, tint=(PAL["seaglass"], 0.1), dark=0.1),
            Obj("wick_tin", "Tin of wicks", "wick_tin", 68, 402, 36, base=True, dark=0.2),
            Obj("oilcan", "Oil can", "oilcan", 96, 388, 36, coin=True, dark=0.2, tint=(PAL["copper"], 0.2)),
            Obj("gear", "Brass cog", "gear", 862, 467, 26, dark=0.3, hang="clings"),
            Obj("wrench", "Spanner", "wrench", 576, 616, 50, rot=8, tint=(PAL["iron"], 0.25)),
            Obj("spyglass", "Spyglass", "spyglass", 872, 486, 76, rot=-3, tint=(PAL["wood_md"], 0.2)),
            Obj("logbook", "Keeper’s logbook", "book", 130, 607, 50, rot=-8, col=PAL["cloth_blue"], dark=0.35),
            Obj("lens_brush", "Lens brush", "brush", 776, 618, 52, rot=8, dark=0.3, soft=True),
            Obj("wick_trimmer", "Wick trimmer", "scissors", 38, 402, 46, rot=4, flip=True, tint=(PAL["wood"], 0.2), dark=0.15, trimmer=True),
            Obj("matchbox", "Matchbox", "matchbox", 176, 402, 26, base=True, rot=-6),
            Obj("compass", "Compass", "compass", 624, 464, 24, coin=True, dark=0.3),
            Obj("spare_lens", "Spare lens", "lens", 950, 476, 36, tint=(PAL["seaglass_dk"], 0.2)),
        ]


class CliffPath(Location):
    name, music, ambient, seed = "loc23", "music/level2", "ambient/storm", 2300
    ambient_light = (0.7, 0.76, 0.82)
    shadow = (3, 4, 2.5, 0.45)

    def lights(self):
        return [(860, 150, 260, PAL["mist_lt"], 0.4), (300, 420, 220, PAL["amber"], 0.5)]

    def back(self):
        horizon = 300
        arr = sc.dusk_sky(W, H, self.seed, horizon, stormy=0.9, glow_x=0.85)
        arr = sc.sea(arr, horizon, self.seed + 1, glint_x=0.85, rough=1.2, lit=0.5)
        s = from_np(arr)
        c = ctx_for(s)
        # far headland with the lighthouse, dark against the storm
        far = sc.jag([(620, horizon + 4), (680, horizon - 50), (760, horizon - 80), (880, horizon - 90), (1030, horizon - 96)], self.seed + 2, 8, 3)
        sc.cliff(c, far, self.seed + 3, mix(PAL["teal"], PAL["stone_dk"], 0.4), PAL["abyss"], horizon + 8)
        sc.lighthouse(c, 880, horizon - 88, 150, 0.0, self.seed + 4, rim=alpha(PAL["mist_lt"], 0.5))
        # lightning behind it
        c.move_to(700, 0)
        for (dx, dy) in ((-16, 40), (20, 30), (-24, 46), (14, 36), (-10, 40)):
            c.rel_line_to(dx, dy)
        src(c, alpha(PAL["white"], 0.7))
        c.set_line_width(2)
        c.stroke()
        arr = to_np(s)
        # white surf far below
        arr = sc.mist(arr, horizon + 20, horizon + 110, self.seed + 5, 0.5, col=PAL["white"], cell=40)
        s = from_np(arr)
        c = ctx_for(s)
        # the near cliff top: grass and rock, the path winding up from bottom left
        land = self.land()
        sc.cliff(c, land, self.seed + 7, mix(PAL["leaf"], PAL["teal"], 0.5), shade(PAL["leaf"], 0.35), H, rim=alpha(PAL["mist_lt"], 0.4), rim_dx=-1)
        c.move_to(0, 720)
        c.curve_to(200, 620, 160, 520, 330, 470)
        c.curve_to(420, 440, 520, 420, 560, 410)
        c.line_to(600, 414)
        c.curve_to(520, 440, 460, 470, 420, 500)
        c.curve_to(300, 580, 360, 680, 260, H)
        c.line_to(0, H)
        c.close_path()
        c.set_source(lin(0, 410, 0, H, [(0, shade(PAL["drift"], 0.8)), (1, shade(PAL["drift"], 0.5))]))
        c.fill()
        r = rng(self.seed + 8)
        for i in range(140):
            t = r.rand()
            x = 40 + t * 480 + (r.rand() - 0.5) * 80
            y = 700 - t * 280 + (r.rand() - 0.5) * 40
            ellipse(c, x, y, 2 + r.rand() * 5, 1 + r.rand() * 3)
            src(c, alpha(shade(PAL["stone"], 0.6 + r.rand() * 0.6), 0.7))
            c.fill()
        # fence posts with a rope along the path
        posts = self.POSTS
        for (px, py) in posts:
            wood(c, px - 6, py - 80, 12, 86, self.seed + px, tone="drift", vertical=True)
        self.fence_rope(c)
        c.set_line_width(3)
        src(c, PAL["rope"])
        c.stroke()
        # boulders
        for (bx, by, br) in self.BOULDERS:
            blob(c, bx, by, br, br * 0.6, self.seed + bx, 9, 0.2)
            c.set_source(rad(bx - br * 0.3, by - br * 0.3, 0, br * 1.2, [(0, PAL["stone_lt"]), (0.6, PAL["stone"]), (1, PAL["stone_dk"])]))
            c.fill()
        sc.grass(c, 0, W, 640, self.seed + 9, mix(PAL["leaf"], PAL["mist"], 0.2), 30, 400)
        sc.grass(c, 0, 460, 400, self.seed + 10, mix(PAL["leaf"], PAL["mist"], 0.3), 22, 200)
        # gorse bushes in flower along the path
        for k, (gx, gy, gr) in enumerate(((36, 500, 46), (236, 470, 36), (604, 468, 40), (1004, 560, 50),
                                          (420, 470, 30))):
            r = rng(self.seed + 60 + k)
            for i in range(9):
                bx, by = gx + (r.rand() - 0.5) * gr * 1.4, gy + (r.rand() - 0.5) * gr * 0.6
                blob(c, bx, by, gr * 0.45, gr * 0.32, self.seed + 70 + k * 10 + i, 8, 0.3)
                c.set_source(rad(bx - 6, by - 6, 0, gr * 0.5, [(0, shade(PAL["leaf"], 0.9 + r.rand() * 0.3)), (1, shade(PAL["leaf"], 0.45))]))
                c.fill()
            for i in range(int(gr * 0.8)):
                c.arc(gx + (r.rand() - 0.5) * gr * 1.5, gy + (r.rand() - 0.6) * gr * 0.7, 1.6, 0, 2 * math.pi)
                src(c, alpha(PAL["amber_lt"], 0.8))
                c.fill()
        # signpost
        wood(c, 300, 340, 12, 120, self.seed + 11, tone="drift", vertical=True)
        c.move_to(270, 350)
        c.line_to(360, 344)
        c.line_to(376, 360)
        c.line_to(360, 376)
        c.line_to(270, 378)
        c.close_path()
        c.set_source(lin(0, 344, 0, 378, [(0, PAL["wood_lt"]), (1, PAL["wood"])]))
        c.fill()
        arr = to_np(s)
        arr = sc.rain(arr, self.seed + 12, n=2600, a=0.2, angle=0.4)
        texture(arr, self.seed + 13, cell=60, amount=0.07)
        return arr

    POSTS = [(470, 430), (560, 428), (650, 440), (740, 462), (830, 488), (920, 512)]
    BOULDERS = ((120, 480, 70), (700, 560, 90), (930, 600, 110), (360, 380, 40))

    def land(self):
        """The near cliff top's edge against the sea, from left to right."""
        return sc.jag([(-10, 360), (120, 346), (260, 372), (420, 392), (560, 410), (700, 440), (820, 470), (1030, 500)],
                      self.seed + 6, 10, 3)

    def fence_rope(self, c):
        posts = self.POSTS
        c.move_to(posts[0][0], posts[0][1] - 64)
        for (px, py) in posts[1:]:
            c.curve_to(px - 50, py - 50, px - 40, py - 52, px, py - 66)

    def ground(self, c):
        # the cliff top below its edge, and the boulders on it
        land = self.land()
        c.move_to(land[0][0], H)
        for p in land:
            c.line_to(p[0], p[1] + 4)
        c.line_to(land[-1][0], H)
        c.close_path()
        c.fill()
        for (bx, by, br) in self.BOULDERS:
            blob(c, bx, by, br, br * 0.6, self.seed + bx, 9, 0.2)
            c.fill()

    def walls(self, c):
        # the signpost and its board, the fence posts and the rope between them
        c.rectangle(298, 338, 16, 124)
        c.rectangle(268, 342, 110, 38)
        for (px, py) in self.POSTS:
            c.rectangle(px - 7, py - 82, 14, 88)
        c.fill()
        self.fence_rope(c)
        c.set_line_width(10)
        c.stroke()

    def fore(self, c):
        # tussocks of grass bending over the gull's egg and the shell
        for (gx, gy, n) in ((166, 604, 18), (640, 518, 18)):
            r = rng(self.seed + gx)
            for i in range(n):
                x = gx + (r.rand() - 0.5) * 60
                hh = 20 + r.rand() * 30
                src(c, alpha(shade(PAL["leaf"], 0.6 + r.rand() * 0.6), 0.95))
                c.set_line_width(1.5 + r.rand())
                c.move_to(x, gy + 10)
                c.curve_to(x + 4, gy - hh * 0.5, x + 10, gy - hh * 0.8, x + 20 + r.rand() * 10, gy - hh)
                c.stroke()

    def things(self):
        red, blue = PAL["cloth_red"], PAL["cloth_blue"]
        return [
            # caught on the sign and the fence
            Thing("scarf", 284, 398, 40, rot=70, col=red),
            Thing("seaweed", 360, 394, 28, rot=60, hang="clings", fore=True),
            Thing("cap", 352, 392, 32, rot=-12),
            Thing("buoy", 520, 404, 24, rot=10),
            Thing("buoy", 606, 400, 30, rot=14, hang=True),
            Thing("cork", 696, 412, 16, rot=40, hang=True),
            Thing("oilskin", 770, 428, 30, rot=20, hang="clings"),
            Thing("seaweed", 872, 470, 34, rot=-30, hang="clings"),
            Thing("lobster_pot", 476, 472, 44, base=True),
            Thing("oar_blade", 620, 476, 64, rot=-8),
            Thing("lobster_pot", 866, 506, 50, base=True, behind=True),
            # the left of the path and the boulder
            Thing("starfish", 176, 458, 30, rot=-20),
            Thing("pebbles", 66, 462, 34),
            Thing("log", 24, 530, 40, rot=-10),
            Thing("pebbles", 150, 540, 26, rot=40),
            Thing("basket", 232, 548, 42, base=True, rot=8),
            Thing("seaweed", 28, 612, 40),
            Thing("log", 116, 620, 60, rot=-6),
            Thing("stone", 246, 604, 30),
            # the path
            Thing("basket", 352, 528, 34, base=True),
            Thing("tin_can", 326, 566, 24, base=True, rot=80),
            Thing("pebbles", 364, 604, 32),
            Thing("board", 462, 540, 56, rot=20),
            Thing("cork", 482, 584, 18, rot=-10),
            Thing("mussels", 440, 622, 26, rot=14),
            Thing("stone", 556, 560, 24),
            # the right boulders
            Thing("mussels", 742, 522, 34),
            Thing("seaweed", 616, 530, 38),
            Thing("chain", 600, 606, 44, rot=-10),
            Thing("buoy", 778, 596, 36, base=True),
            Thing("lifebuoy", 860, 604, 52, rot=-10),
            Thing("jar", 900, 524, 28, base=True, col=PAL["cloth_red"], contents=PAL["amber"]),
            Thing("log", 996, 522, 52, rot=-8),
            Thing("chain", 994, 600, 36),
            Thing("oar_blade", 952, 632, 70, rot=6, fore=True),
            # close round the listed things
            Thing("chain", 304, 362, 26, rot=80, hang=True),
            Thing("seaweed", 342, 362, 20, rot=20, hang="clings"),
            Thing("pebbles", 388, 592, 26),
            Thing("pebbles", 800, 566, 28),
            Thing("mussels", 854, 528, 22, rot=-20),
            Thing("pebbles", 160, 602, 22, rot=70),
            Thing("pebbles", 208, 606, 26),
            Thing("seaweed", 930, 560, 32),
            Thing("cork", 998, 532, 16, rot=30),
            Thing("pebbles", 334, 626, 26),
            Thing("stone", 276, 590, 20),
            Thing("seaweed", 488, 622, 30),
            Thing("cork", 550, 592, 16, rot=60),
            Thing("pebbles", 676, 502, 22),
            Thing("stone", 94, 574, 24),
            # more washed up and dropped on the cliff top
            Thing("pebbles", 770, 556, 24, rot=-20),
            Thing("pebbles", 846, 556, 26, rot=30),
            Thing("mussels", 806, 524, 18, rot=-60),
            Thing("tuft", 830, 560, 30, fore=True),
            # round the horseshoe on its post, and the coin at the boulder's foot
            Thing("cork", 664, 396, 14, rot=20, hang=True),
            Thing("seaweed", 640, 400, 26, rot=-10, hang="clings"),
            Thing("pebbles", 706, 548, 22),
            Thing("tuft", 732, 532, 20, fore=True),
            Thing("jar", 384, 486, 28, base=True, rot=70),
            Thing("tin_box", 700, 590, 28, rot=12),
            Thing("board", 724, 624, 50, rot=10),
            Thing("stone", 146, 508, 20),
            Thing("mussels", 590, 444, 26),
            Thing("cork", 270, 520, 16, rot=10),
            Thing("stone", 962, 510, 30, col=PAL["stone"]),
            Thing("envelope_stack", 212, 470, 26, rot=-30),
            Thing("pebbles", 444, 452, 26),
        ] + tufts([(430, 556, 56), (838, 538, 50), (96, 426, 40), (540, 598, 50), (78, 556, 50),
                   (950, 540, 50), (316, 606, 44), (240, 500, 60), (680, 560, 60), (20, 470, 60),
                   (890, 610, 56), (360, 630, 50)])

    def objects(self):
        return [
            Obj("lantern", "Storm lantern", "lantern", 414, 560, 44, tint=(PAL["stone"], 0.2)),
            Obj("feather", "Gull feather", "feather", 848, 556, 46, rot=22, tint=(PAL["stone"], 0.2), dark=0.1),
            Obj("gull_egg", "Gull’s egg", "gull_egg", 184, 588, 26, coin=True),
            Obj("horseshoe", "Horseshoe", "horseshoe", 650, 376, 32, hang=True, tint=(PAL["drift"], 0.2)),
            Obj("iron_key", "Iron key", "key", 120, 432, 42, rot=-14, tint=(PAL["stone"], 0.35), iron=True),
            Obj("shell", "Scallop shell", "shell", 660, 504, 32, rot=12),
            Obj("rope", "Coil of rope", "rope", 960, 538, 48, tint=(PAL["stone_lt"], 0.2)),
            Obj("glove", "Leather glove", "glove", 300, 610, 42, rot=-70, dark=0.3, tint=(PAL["stone"], 0.15)),
            Obj("bottle", "Green bottle", "bottle", 520, 604, 38, rot=80, col=PAL["leaf"], tint=(PAL["leaf"], 0.2)),
            Obj("coin", "Gold coin", "coin", 724, 540, 20, coin=True),
            Obj("trowel", "Trowel", "trowel", 62, 560, 46, rot=30, dark=0.2),
            Obj("brass_bell", "Brass bell", "bell", 346, 380, 30, hang=True, dark=0.15),
        ]


# ------------------------------------------------------------- chapel ruins

class Chapel(Location):
    name, music, ambient, seed = "loc24", "music/level2", "ambient/sea_wind", 2400
    ambient_light = (0.66, 0.72, 0.8)
    shadow = (3, 4, 2.5, 0.45)

    def lights(self):
        return [(512, 330, 300, PAL["amber_lt"], 0.45), (520, 440, 160, PAL["amber"], 0.8)]

    def back(self):
        horizon = 420
        arr = sc.dusk_sky(W, H, self.seed, horizon, stormy=0.35, glow_x=0.5)
        arr = sc.sea(arr, horizon, self.seed + 1, glint_x=0.5, rough=0.2)
        arr = sc.mist(arr, horizon - 50, horizon + 40, self.seed + 2, 0.6)
        s = from_np(arr)
        c = ctx_for(s)
        # the ruined east wall with its pointed window
        c.save()
        self.east_wall(c)
        c.set_fill_rule(1)
        c.clip()
        it.rubble_wall(c, 100, 0, 820, 620, self.seed + 3, PAL["stone"], 40)
        c.rectangle(100, 0, 820, 620)
        c.set_source(lin(0, 0, 0, 620, [(0, alpha(PAL["deep"], 0.45)), (0.6, alpha(mix(PAL["leaf"], PAL["teal"], 0.5), 0.3)), (1, alpha(PAL["night"], 0.5))]))
        c.fill()
        c.restore()
        self.tracery(c)
        # ivy on the wall
        r = rng(self.seed + 4)
        for i in range(300):
            x = 120 + r.rand() * 260 if r.rand() < 0.6 else 700 + r.rand() * 190
            y = 120 + r.rand() ** 0.6 * 480
            src(c, alpha(shade(PAL["leaf"], 0.5 + r.rand() * 0.7), 0.85))
            blob(c, x, y, 5 + r.rand() * 6, 4 + r.rand() * 4, int(r.randint(1 << 30)), 6, 0.3)
            c.fill()
        # side wall stubs
        self.stub(c, 0)
        c.save()
        c.clip()
        it.rubble_wall(c, 0, 260, 140, 400, self.seed + 5, PAL["stone_dk"], 36)
        c.restore()
        self.stub(c, 1)
        c.save()
        c.clip()
        it.rubble_wall(c, 880, 280, 160, 380, self.seed + 6, PAL["stone_dk"], 36)
        c.restore()
        # grassy floor
        c.rectangle(0, 520, W, H - 520)
        c.set_source(lin(0, 520, 0, H, [(0, mix(PAL["leaf"], PAL["mist"], 0.2)), (1, shade(PAL["leaf"], 0.4))]))
        c.fill()
        # the altar stone
        rrect(c, 400, 440, 230, 110, 4)
        c.set_source(lin(0, 440, 0, 550, [(0, PAL["stone_lt"]), (1, PAL["stone_dk"])]))
        c.fill()
        c.rectangle(390, 432, 250, 16)
        c.set_source(lin(0, 432, 0, 448, [(0, shade(PAL["stone_lt"], 1.15)), (1, PAL["stone"])]))
        c.fill()
        glow(c, 515, 400, 120, PAL["amber"], 0.35)
        for g in self.GRAVES:
            self.gravestone(c, *g)
        # fallen stones
        for (bx, by, br) in ((330, 600, 40), (700, 610, 34), (560, 640, 50)):
            rrect(c, bx - br, by - br * 0.5, br * 2, br, 6)
            c.set_source(lin(0, by - br * 0.5, 0, by + br * 0.5, [(0, PAL["stone_lt"]), (1, PAL["stone_dk"])]))
            c.fill()
        sc.grass(c, 0, W, 640, self.seed + 7, mix(PAL["leaf"], PAL["mist"], 0.25), 26, 420)
        sc.grass(c, 100, 920, 560, self.seed + 8, mix(PAL["leaf"], PAL["mist"], 0.3), 18, 200)
        sc.gulls(c, [(300, 120, 1.0), (340, 150, 0.8)], alpha(PAL["night"], 0.6))
        arr = to_np(s)
        texture(arr, self.seed + 9, cell=70, amount=0.07)
        return arr

    GRAVES = ((200, 560, 60, 90, -0.08), (790, 570, 66, 100, 0.1), (920, 610, 50, 70, -0.05), (60, 610, 50, 76, 0.06))

    @staticmethod
    def tracery(c):
        """What is left of the window's tracery: a mullion forking into two arches."""
        cx = 512
        c.move_to(cx, 470)
        c.line_to(cx, 240)
        for sx in (-1, 1):
            c.move_to(cx, 244)
            c.curve_to(cx + sx * 14, 196, cx + sx * 52, 156, cx + sx * 100, 136)
        c.set_line_width(10)
        src(c, shade(PAL["stone"], 0.8))
        c.stroke()

    def gravestone(self, c, gx, gy, gw, gh, tilt):
        """A gravestone with its worn inscription: a few incised lines under an arch."""
        c.save()
        self.grave(c, gx, gy, gw, gh, tilt)
        c.set_source(lin(-gw / 2, 0, gw / 2, 0, [(0, PAL["stone_lt"]), (1, PAL["stone_dk"])]))
        c.fill()
        top = -gh + gw * 0.5
        c.arc(0, top + 4, gw * 0.3, math.pi * 1.1, math.pi * 1.9)
        for k, f in enumerate((0.56, 0.42, 0.5, 0.3)):
            y = top + 10 + k * gh * 0.11
            c.move_to(-gw * f / 2, y)
            c.line_to(gw * f / 2, y)
        c.set_line_width(2)
        src(c, alpha(PAL["night"], 0.4))
        c.stroke()
        c.restore()

    def fixtures(self):
        return [("tracery", self.tracery, False)] + [
            ("gravestone", lambda c, g=g: self.gravestone(c, *g), False) for g in self.GRAVES]
    STUBS = ([(0, 300), (40, 280), (90, 330), (120, 320)], [(W, 330), (970, 300), (930, 360), (900, 350)])

    @staticmethod
    def east_wall(c):
        """The ruined east wall's outline with its pointed window (fill it even-odd)."""
        c.move_to(120, 600)
        for p in ((120, 150), (190, 120), (250, 60), (330, 40), (420, 20), (560, 30), (640, 54), (700, 90),
                  (760, 80), (820, 160), (860, 240), (900, 600)):
            c.line_to(*p)
        c.close_path()
        cx = 512
        c.move_to(cx - 130, 470)
        c.line_to(cx - 130, 250)
        c.curve_to(cx - 130, 150, cx - 40, 110, cx, 90)
        c.curve_to(cx + 40, 110, cx + 130, 150, cx + 130, 250)
        c.line_to(cx + 130, 470)
        c.close_path()

    def stub(self, c, k):
        """A side wall's stub: 0 on the left, 1 on the right."""
        top = self.STUBS[k]
        c.move_to(top[0][0], 640)
        for p in top:
            c.line_to(*p)
        c.line_to(top[-1][0], 640)
        c.close_path()

    @staticmethod
    def grave(c, gx, gy, gw, gh, tilt):
        """A gravestone's outline (the context is turned with it; the caller saves and restores)."""
        c.translate(gx, gy)
        c.rotate(tilt)
        c.move_to(-gw / 2, 0)
        c.line_to(-gw / 2, -gh + gw / 2)
        c.arc(0, -gh + gw / 2, gw / 2, math.pi, 2 * math.pi)
        c.line_to(gw / 2, 0)
        c.close_path()

    def ground(self, c):
        # the grass, the altar's top, the tops of the wall stubs
        c.rectangle(0, 520, W, H - 520)
        c.rectangle(392, 422, 246, 26)
        for top in self.STUBS:
            for (x0, y0), (x1, y1) in zip(top[:-1], top[1:]):
                c.move_to(x0, y0 - 6)
                c.line_to(x1, y1 - 6)
                c.line_to(x1, y1 + 10)
                c.line_to(x0, y0 + 10)
                c.close_path()
        c.fill()

    def walls(self, c):
        # the wall, its stubs, the window's tracery, the gravestones
        self.east_wall(c)
        c.set_fill_rule(1)
        c.fill()
        c.set_fill_rule(0)
        for k in (0, 1):
            self.stub(c, k)
            c.fill()
        self.tracery(c)
        for g in self.GRAVES:
            c.save()
            self.grave(c, *g)
            c.restore()
            c.fill()

    def fore(self, c):
        # a fallen stone partly over the ring, and grass over the coin
        rrect(c, 806, 596, 70, 36, 6)
        c.set_source(lin(0, 596, 0, 632, [(0, PAL["stone_lt"]), (1, PAL["stone_dk"])]))
        c.fill()
        r = rng(self.seed + 50)
        for i in range(18):
            x = 244 + (r.rand() - 0.5) * 40
            hh = 16 + r.rand() * 20
            src(c, alpha(shade(PAL["leaf"], 0.6 + r.rand() * 0.6), 0.95))
            c.set_line_width(1.4)
            c.move_to(x, 628)
            c.curve_to(x + 3, 628 - hh * 0.5, x + 6, 628 - hh * 0.8, x + 10 + r.rand() * 8, 628 - hh)
            c.stroke()

    def things(self):
        red, blue = PAL["cloth_red"], PAL["cloth_blue"]
        ivy = mix(PAL["leaf"], PAL["teal"], 0.3)
        return [
            # the altar: flowers, the lamp, an offering dish, a jug and a bowl
            Thing("vase", 416, 432, 50, base=True, col=PAL["stone_lt"]),
            Thing("vase", 616, 432, 46, base=True, col=PAL["seaglass_dk"]),
            Thing("flowerpot", 530, 432, 30, base=True),
            Thing("jar", 548, 432, 24, base=True, col=PAL["stone_lt"], contents=PAL["leaf"]),
            Thing("jug", 594, 432, 30, base=True, col=PAL["stone"]),
            Thing("pinecone", 636, 430, 20, base=True, rot=10),
            Thing("flowerpot", 444, 432, 34, base=True),
            Thing("mug", 468, 432, 24, base=True, col=shade(red, 0.8)),
            Thing("dish", 508, 438, 30),
            Thing("leaf", 626, 434, 20, rot=8, col=ivy),
            Thing("vase", 494, 432, 28, base=True, col=PAL["brass"], flowers=False, fore=True),
            Thing("bowl", 566, 436, 26, base=True, fore=True, col=PAL["stone_lt"]),
            # the window's tracery: the old bell chain from the fork
            Thing("chain", 512, 266, 30, rot=90, hang=True),
            # the wall: a lantern and herbs on nails, ivy
            Thing("lantern", 158, 300, 44, hang=True),
            Thing("herbs", 834, 236, 40, hang=True),
            Thing("leaf", 508, 322, 20, rot=-30, hang="clings", col=ivy),
            Thing("leaf", 292, 404, 22, rot=40, hang="clings", fore=True, col=ivy),
            Thing("leaf", 318, 420, 18, rot=-60, hang="clings", fore=True, col=shade(ivy, 0.8)),
            Thing("leaf", 276, 430, 16, rot=10, hang="clings", col=ivy),
            Thing("herbs", 330, 404, 34, hang=True),
            Thing("frame", 250, 392, 30, rot=-6, hang=True, subject="portrait"),
            # the right stub: a gull's feathers and pebbles on its top
            Thing("seagull_feathers", 946, 332, 28, base=True),
            Thing("pebbles", 990, 312, 24, base=True),
            # the left graves: herbs and a brass vase, ivy over the stone; the prayer book in a basket,
            # the hourglass against a gravestone
            Thing("flowerpot", 104, 610, 44, base=True),
            Thing("scarf", 190, 508, 40, rot=-20, col=blue),
            Thing("leaf", 204, 590, 26, rot=30),
            Thing("pebbles", 240, 632, 30),
            Thing("stone", 296, 604, 30),
            Thing("vase", 36, 560, 40, base=True, col=PAL["stone"]),
            Thing("vase", 150, 560, 30, base=True, col=PAL["brass"], flowers=False),
            Thing("pinecone", 168, 570, 24, rot=40),
            Thing("leaf", 186, 562, 18, rot=30, fore=True, col=ivy),
            Thing("basket", 282, 562, 46, base=True, fore=True),
            Thing("herbs", 210, 484, 32, rot=-10, hang=True),
            Thing("leaf", 226, 470, 16, rot=10, hang="clings", fore=True, col=ivy),
            Thing("flowerpot", 172, 598, 28, base=True),
            Thing("jar", 116, 562, 28, base=True, col=PAL["stone_lt"]),
            # the stonemason's work in front of the altar
            Thing("crock", 430, 598, 34, base=True, col=PAL["stone_lt"]),
            Thing("stone", 520, 622, 34, col=PAL["stone_lt"]),
            Thing("leaf", 566, 598, 26, rot=-30),
            Thing("paint_tin", 614, 636, 34, base=True),
            Thing("sack", 346, 632, 38, base=True),
            Thing("stone", 378, 548, 30, col=PAL["stone_lt"]),
            Thing("broom", 652, 552, 96, base=True, rot=-14),
            Thing("board", 600, 536, 60, rot=-20, behind=True),
            Thing("sack", 712, 566, 54, base=True),
            Thing("leaf", 690, 620, 24, rot=-50),
            Thing("leaf", 704, 612, 26, rot=-10),
            Thing("jar", 628, 616, 26, base=True, col=PAL["stone_lt"], contents=PAL["leaf"]),
            # the right graves: flowers, a jug, stones and pebbles round the padlock; the candle at a
            # gravestone's foot
            Thing("flowerpot", 752, 566, 40, base=True),
            Thing("leaf", 810, 542, 22, rot=10),
            Thing("pinecone", 880, 600, 26, rot=-20),
            Thing("pebbles", 846, 622, 30),
            Thing("stone", 890, 624, 30, col=PAL["stone"]),
            Thing("stone", 852, 600, 22),
            Thing("pebbles", 924, 606, 24),
            Thing("leaf", 806, 574, 20, rot=60),
            Thing("pinecone", 840, 574, 18, rot=30),
            Thing("jug", 962, 604, 44, base=True, col=PAL["stone_lt"]),
            Thing("cap", 1004, 560, 36, rot=-8),
            Thing("shell", 742, 606, 24, rot=20),
            Thing("mug", 900, 560, 26, base=True),
            Thing("chain", 1000, 630, 30),
            Thing("herbs", 810, 500, 30, hang=True),
            Thing("leaf", 800, 522, 16, rot=20, hang="clings", fore=True, col=ivy),
            Thing("leaf", 792, 508, 23, rot=-40, hang="clings", fore=True, col=ivy),
            Thing("vase", 826, 524, 28, base=True, col=PAL["stone"]),
            Thing("pebbles", 290, 616, 26),
            Thing("shell", 236, 614, 18, rot=40),
            Thing("cork", 846, 592, 16, rot=20),
            Thing("leaf", 308, 424, 20, rot=30, hang="clings", fore=True, col=shade(ivy, 1.1)),
        ] + tufts([(500, 606, 46), (392, 566, 56), (246, 598, 40), (674, 594, 60), (832, 584, 50),
                   (146, 530, 56), (60, 590, 70), (560, 622, 64), (930, 620, 60), (320, 560, 60),
                   (744, 560, 56), (190, 564, 40), (228, 560, 32), (462, 614, 38), (628, 608, 34)])

    def objects(self):
        return [
            Obj("cross", "Brass cross", "cross", 182, 548, 34, rot=8, tint=(PAL["stone"], 0.25)),
            Obj("candle", "Candle", "candle", 772, 556, 30, base=True, tint=(PAL["stone_lt"], 0.25), dark=0.15),
            Obj("chapel_bell", "Chapel bell", "bell", 478, 626, 40, base=True, rot=-8, headstock=True, tint=(PAL["leaf"], 0.2), dark=0.3),
            Obj("prayer_book", "Prayer book", "book", 286, 535, 34, rot=-14, col=PAL["cloth_red"],
                tint=(PAL["stone"], 0.2), dark=0.2),
            Obj("ring", "Sea-glass ring", "ring", 818, 584, 26, coin=True),
            Obj("coin", "Gold coin", "coin", 262, 612, 24, coin=True),
            Obj("iron_key", "Iron key", "key", 304, 424, 36, rot=-70, dark=0.2, iron=True, hang=True),
            Obj("trowel", "Trowel", "trowel", 374, 578, 46, rot=170, tint=(PAL["stone"], 0.25)),
            Obj("hourglass", "Hourglass", "hourglass", 222, 544, 36, dark=0.2),
            Obj("letter", "Sealed letter", "letter", 652, 602, 42, rot=10, tint=(PAL["stone"], 0.25), dark=0.15),
            Obj("medal", "Lifeboat medal", "medal", 790, 500, 28, hang=True, dark=0.2),
            Obj("padlock", "Padlock", "padlock", 902, 606, 28, tint=(PAL["stone"], 0.25)),
        ]


LEVEL2 = [Stairwell, LampRoom, CliffPath, Chapel]
