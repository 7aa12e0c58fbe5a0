"""The hidden-object locations of Gullrock; see scene.py for how they are built."""
import math

import numpy as np

import interior as it
import scenery as sc
from kit import (PAL, W, H, alpha, blob, blur, brass_linear, ctx_for, ellipse, from_np, glow, lin, mix, new, over,
                 rad, rng, rrect, shade, src, texture, to_np, wood, shadow_ellipse)
from scene import Location, Obj, Thing, add_strings, picture


def paint(arr, fn):
    s = from_np(arr)
    c = ctx_for(s)
    fn(c)
    return to_np(s)


# ------------------------------------------------------------------ kitchen

class Kitchen(Location):
    name, music, ambient, seed = "loc11", "music/level1", "ambient/indoor", 1100
    ambient_light = (0.42, 0.5, 0.58)

    def lights(self):
        return [(790, 470, 520, PAL["amber"], 1.05), (220, 230, 330, PAL["mist_lt"], 0.35),
                (420, 560, 380, PAL["amber_lt"], 0.25)]

    def back(self):
        arr = np.zeros((H, W, 4), np.float32)
        arr[..., 3] = 1
        arr = paint(arr, lambda c: (it.plaster(c, 0, 0, W, 480, mix(PAL["paper_dk"], PAL["mist"], 0.35), self.seed),
                                    it.floor_planks(c, 470, H, self.seed + 1, "mid")))
        arr = it.window_view(arr, 110, 110, 220, 210, self.seed + 2, stormy=0.6, lighthouse=False)
        s = from_np(arr)
        c = ctx_for(s)
        it.window_frame(c, 110, 110, 220, 210, self.seed + 3, (2, 3))
        it.curtain(c, 70, 90, 70, 270, PAL["cloth_red"], self.seed + 4, 1)
        c.save()
        c.translate(2 * 370, 0)
        c.scale(-1, 1)
        it.curtain(c, 300, 90, 70, 270, PAL["cloth_red"], self.seed + 5, 1)
        c.restore()
        it.beam_h(c, 0, 0, W, 44, self.seed + 6)
        it.beam_v(c, 26, 44, 30, 440, self.seed + 7)
        it.beam_v(c, 970, 44, 30, 440, self.seed + 8)
        for hx in (609, 660, 716, 996):
            c.move_to(hx, 44)
            c.line_to(hx, 78 if hx != 609 else 90)
        src(c, PAL["iron"])
        c.set_line_width(2)
        c.stroke()
        # the plate shelf, and a low shelf under the window
        it.shelf(c, 380, 206, 230, self.seed + 9)
        it.shelf(c, 66, 448, 268, self.seed + 19)
        # fireplace on the right
        it.fireplace(c, 650, 200, 290, 330, self.seed + 10)
        self.wall_clock(c)
        # dresser
        it.cabinet(c, 360, 330, 250, 190, self.seed + 11, tone="mid")
        glow(c, 360, 240, 60, PAL["amber_lt"], 0.2)
        it.rug(c, 520, 700, 380, 60, PAL["cloth_red"])
        arr = to_np(s)
        texture(arr, self.seed + 20, cell=90, amount=0.08)
        return arr

    @staticmethod
    def wall_clock(c):
        it.clock(c, 900, 130, 16)

    def fixtures(self):
        return [("wall_clock", self.wall_clock, False)]

    def ground(self, c):
        # the floor, the table, the chair's seat, the shelves, the dresser, the mantelpiece, the sill,
        # the yarn basket on the dresser
        c.rectangle(0, 470, W, H - 470)
        c.rectangle(384, 298, 42, 14)
        c.fill()
        for (x, y, w) in ((380, 198, 232), (62, 440, 276), (356, 318, 258), (644, 192, 302), (104, 318, 232)):
            c.rectangle(x, y, w, 20)
            c.fill()

    def walls(self, c):
        # the plastered walls and the beams, the chimney breast, but for the window
        c.rectangle(0, 0, W, 480)
        c.rectangle(110, 110, 220, 210)
        c.set_fill_rule(1)
        c.fill()
        c.set_fill_rule(0)

    def front(self, c):
        # the table with its bread board, and the chair by the fire
        shadow_ellipse(c, 380, 650, 300, 40, 0.5)
        it.table(c, 110, 520, 540, 80, self.seed + 12, cloth=mix(PAL["paper"], PAL["cloth_blue"], 0.25))
        ellipse(c, 520, 556, 74, 18)
        c.set_source(lin(0, 538, 0, 574, [(0, PAL["wood_lt"]), (1, PAL["wood"])]))
        c.fill()
        wood(c, 700, 470, 16, 200, self.seed + 13, tone="dark", vertical=True)
        wood(c, 820, 470, 16, 200, self.seed + 14, tone="dark", vertical=True)
        wood(c, 700, 470, 136, 14, self.seed + 15, tone="dark")
        wood(c, 700, 520, 136, 12, self.seed + 16, tone="dark")
        wood(c, 690, 580, 160, 22, self.seed + 17, tone="mid")

    def things(self):
        blue, red, green = PAL["cloth_blue"], PAL["cloth_red"], PAL["seaglass_dk"]
        return [
            # behind the table and the chair: against the dresser, in the fireplace
            Thing("sack", 404, 530, 70, base=True, behind=True),
            Thing("bowl", 462, 528, 56, base=True, behind=True, fill="potatoes", col=PAL["wood_lt"]),
            Thing("broom", 596, 520, 104, base=True, behind=True, rot=8),
            Thing("bucket", 770, 522, 46, base=True, behind=True, dark=0.3),
            Thing("firewood", 846, 528, 50, base=True, behind=True, dark=0.25),
            # the beam, the walls: baskets and strings of onions and garlic where pots would hang; the
            # letter tucked behind the picture on the chimney breast
            Thing("basket", 430, 118, 46, rot=-3, hang=True),
            Thing("onion_string", 488, 120, 62, rot=2, hang=True),
            Thing("herbs", 548, 108, 48, rot=-4, hang=True),
            Thing("herbs", 660, 112, 64, hang=True),
            Thing("herbs", 716, 108, 56, rot=6, fore=True, hang=True),
            Thing("herbs", 626, 104, 44, rot=-8, fore=True, hang=True),
            Thing("onion_string", 630, 118, 60, rot=4, fore=True, hang=True),
            Thing("mirror", 792, 282, 50, hang=True),
            Thing("frame", 706, 284, 52, rot=-3, hang=True, fore=True),
            Thing("horseshoe", 874, 276, 32, rot=180, hang=True),
            Thing("birdcage", 770, 92, 44, hang=True),
            Thing("onion_string", 352, 116, 70, rot=-3, hang=True),
            Thing("herbs", 996, 110, 60, rot=-4, hang=True),
            Thing("basket", 986, 250, 62, rot=4, hang=True),
            Thing("onion_string", 956, 150, 50, rot=-6, hang=True),
            Thing("herbs", 990, 366, 48, rot=3, hang=True),
            Thing("board", 1004, 432, 50, rot=92, hang=True),
            Thing("coat", 42, 396, 108, rot=2, hang=True),
            # the plate shelf: the blue teapot among the crockery, a plate leaning in front of it
            Thing("plate_up", 400, 206, 44, base=True, col=blue),
            Thing("plate_up", 438, 206, 40, base=True, col=red),
            Thing("jar", 478, 206, 40, base=True, contents=PAL["ember"]),
            Thing("crock", 508, 206, 44, base=True),
            Thing("crock", 578, 206, 42, base=True),
            Thing("plate_up", 530, 208, 36, base=True, col=blue, fore=True),
            Thing("jar", 604, 206, 32, base=True, col=blue, contents=PAL["amber"]),
            Thing("mug", 538, 208, 26, base=True, fore=True),
            # the mantelpiece: the wall clock's little cousins, pots and jars; the pocket watch lies
            # behind the tankard, the matchbox among the jars
            Thing("oil_lamp", 672, 200, 48, base=True),
            Thing("frame", 706, 200, 40, base=True, subject="portrait"),
            Thing("grinder", 742, 200, 40, base=True),
            Thing("crock", 778, 200, 36, base=True, col=green),
            Thing("jar", 812, 200, 30, base=True, col=red, contents=PAL["wood_lt"]),
            Thing("vase", 850, 200, 54, base=True, fore=True, col=PAL["amber_dk"]),
            Thing("tankard", 892, 202, 34, base=True, fore=True),
            Thing("mortar", 934, 200, 34, base=True),
            Thing("spool", 826, 202, 20, base=True, fore=True, col=blue),
            # the dresser: the apple among the balls of wool in the yarn basket, the key among the
            # books and pots, a ball of wool with its needles beside it
            Thing("basket", 404, 330, 54, base=True, fore=True, fill="yarn"),
            Thing("board", 452, 308, 50, rot=-78),
            Thing("flowerpot", 486, 332, 56, base=True, fore=True),
            Thing("books", 548, 330, 40, base=True),
            Thing("yarn", 524, 332, 24, base=True, fore=True),
            Thing("mortar", 586, 332, 32, base=True, fore=True),
            Thing("books", 608, 330, 30, base=True, rot=-4),
            # the window sill: the candle behind the flowerpot, among bottles and a shell
            Thing("bottle", 158, 334, 40, base=True, col=green),
            Thing("flowerpot", 192, 336, 44, base=True, fore=True),
            Thing("jar", 228, 334, 30, base=True, col=PAL["paper_dk"], contents=PAL["leaf"]),
            Thing("shell", 258, 332, 24, base=True, rot=-10),
            Thing("mug", 300, 334, 30, base=True, col=PAL["cloth_red"]),
            # the low shelf under the window, the corner by the door
            Thing("crock", 118, 448, 46, base=True),
            Thing("sack", 200, 448, 50, base=True),
            Thing("tin_can", 262, 448, 34, base=True, col=red),
            Thing("jar", 300, 448, 36, base=True, contents=PAL["wood_lt"]),
            Thing("bucket", 62, 636, 56, base=True),
            # the table: the teacup among the crockery at its end, the pear behind the cheese and
            # the loaf
            Thing("mortar", 132, 574, 42, base=True),
            Thing("egg_basket", 172, 598, 56, base=True),
            Thing("dish", 226, 534, 46, col=blue),
            Thing("plate_stack", 256, 586, 48, fore=True),
            Thing("rag", 206, 614, 46, rot=10, col=PAL["paper_dk"]),
            Thing("bowl", 330, 592, 70, fore=True, fill="potatoes", col=PAL["paper_dk"]),
            Thing("onion", 310, 570, 28, base=True, fore=True),
            Thing("carrot", 352, 562, 30, rot=-30, fore=True),
            Thing("onion", 346, 578, 26, base=True, rot=20, fore=True),
            Thing("onion", 420, 558, 28, base=True),
            Thing("carrot", 372, 548, 40, rot=-30),
            Thing("dish", 418, 612, 40, col=PAL["leaf"]),
            Thing("carrot", 446, 596, 44, rot=12),
            Thing("cheese", 486, 584, 44, fore=True),
            Thing("bread", 520, 556, 66, base=True, fore=True),
            Thing("mug", 604, 548, 26, base=True),
            Thing("knife", 566, 598, 54, rot=-8),
            Thing("dish", 608, 592, 50, col=red),
            Thing("fork", 630, 618, 44, rot=-16, fore=True),
            Thing("rag", 578, 606, 30, rot=-20, fore=True, col=PAL["cloth_blue"]),
            # the chair, the hearth: the feather stuck in the firewood
            Thing("cushion", 772, 578, 66, base=True),
            Thing("basket", 792, 480, 32, rot=4, hang=True),
            Thing("scarf", 722, 584, 56, base=True),
            Thing("spool", 746, 586, 24, base=True, fore=True),
            Thing("yarn", 812, 568, 36),
            Thing("bellows", 878, 560, 56, rot=-70),
            Thing("poker", 690, 612, 60, rot=-60),
            Thing("log", 664, 630, 48, rot=-4),
            Thing("sack", 990, 630, 84, base=True),
            Thing("firewood", 930, 640, 60, base=True),
            Thing("log", 908, 616, 40, rot=-12, fore=True),
            Thing("boot", 870, 640, 50, base=True, fore=True),
            Thing("firewood", 972, 642, 46, base=True, fore=True),
            # herbs hung over the letter tucked behind the picture, a spool by the yarn basket
            Thing("herbs", 740, 266, 44, rot=5, hang=True, fore=True),
            Thing("spool", 370, 334, 22, base=True, col=PAL["seaglass_dk"]),
        ]

    def objects(self):
        return [
            Obj("teacup", "Teacup", "teacup", 214, 566, 50, tint=(PAL["paper"], 0.25)),
            Obj("apple", "Red apple", "apple", 388, 290, 28, rot=-10, dark=0.1),
            Obj("pear", "Pear", "pear", 500, 566, 32, rot=14, tint=(PAL["wood_lt"], 0.15)),
            Obj("spoon", "Silver spoon", "spoon", 592, 600, 36, rot=-12, flip=True, coin=True, tint=(PAL["paper_dk"], 0.1)),
            Obj("key", "Brass key", "key", 566, 324, 40, rot=4, tint=(PAL["wood_md"], 0.2)),
            Obj("letter", "Sealed letter", "letter", 733, 266, 46, rot=-14, hang="clings", tint=(PAL["stone_lt"], 0.3)),
            Obj("teapot", "Blue teapot", "teapot", 548, 186, 46, tint=(PAL["mist"], 0.2)),
            Obj("candle", "Candle", "candle", 179, 334, 34, base=True, tint=(PAL["paper_dk"], 0.25)),
            Obj("matchbox", "Matchbox", "matchbox", 800, 200, 26, base=True, rot=-4, coin=True),
            Obj("pocket_watch", "Pocket watch", "pocket_watch", 910, 184, 28, rot=12, dark=0.2),
            Obj("ladle", "Copper ladle", "ladle", 620, 122, 52, hang=True),
            Obj("thimble", "Thimble", "thimble", 756, 584, 26, base=True, dark=0.15),
            Obj("gull_feather", "Gull feather", "feather", 944, 612, 48, rot=-160, tint=(PAL["wood_lt"], 0.15)),
        ]


# -------------------------------------------------------------------- study

class Study(Location):
    name, music, ambient, seed = "loc12", "music/level1", "ambient/indoor", 1200
    ambient_light = (0.48, 0.55, 0.62)

    def lights(self):
        return [(590, 360, 360, PAL["amber"], 0.95), (880, 200, 300, PAL["mist_lt"], 0.3),
                (300, 300, 500, PAL["amber_dk"], 0.25)]

    def back(self):
        arr = np.zeros((H, W, 4), np.float32)
        arr[..., 3] = 1
        arr = paint(arr, lambda c: (wood(c, 0, 0, W, 500, self.seed, tone="mid", vertical=True, planks=14),
                                    it.floor_planks(c, 500, H, self.seed + 1, "dark")))
        arr = it.window_view(arr, 790, 80, 170, 250, self.seed + 2, stormy=0.4, horizon_t=0.6, lighthouse=True)
        s = from_np(arr)
        c = ctx_for(s)
        # wainscot rail
        wood(c, 0, 380, W, 18, self.seed + 3, tone="dark")
        it.window_frame(c, 790, 80, 170, 250, self.seed + 4, (2, 4))
        # bookcase on the left
        wood(c, 20, 40, 300, 470, self.seed + 5, tone="dark", vertical=True)
        for k, sy in enumerate((150, 260, 370, 480)):
            it.book_row(c, 36, sy, 268, self.seed + 10 + k, 60, 96)
            it.shelf(c, 28, sy, 284, self.seed + 20 + k, 12, tone="dark")
        wood(c, 10, 30, 320, 20, self.seed + 6, tone="mid")
        # map on the wall
        c.save()
        c.translate(400, 90)
        c.rotate(-0.02)
        c.rectangle(0, 0, 220, 150)
        c.set_source(lin(0, 0, 220, 150, [(0, PAL["paper"]), (1, PAL["paper_dk"])]))
        c.fill()
        src(c, alpha(PAL["ink"], 0.55))
        c.set_line_width(1.5)
        blob(c, 110, 78, 60, 38, self.seed + 7, 12, 0.35)
        c.stroke()
        blob(c, 40, 40, 16, 10, self.seed + 8, 8, 0.3)
        c.stroke()
        for i in range(5):
            c.move_to(0, 30 * i)
            c.line_to(220, 30 * i)
        src(c, alpha(PAL["ink"], 0.15))
        c.stroke()
        c.restore()
        for (px, py) in ((404, 94), (616, 94)):
            it.rivet(c, px, py, 3.5)
        # desk
        shadow_ellipse(c, 560, 600, 330, 50, 0.6)
        it.table(c, 340, 430, 470, 90, self.seed + 30, legs=False, tone="dark")
        it.cabinet(c, 350, 536, 140, 200, self.seed + 31, tone="dark", doors=1, top_h=0)
        it.cabinet(c, 660, 536, 140, 200, self.seed + 32, tone="dark", doors=1, top_h=0)
        # desk lamp (brass with green shade) and its pool of light
        c.rectangle(594, 360, 6, 80)
        c.set_source(brass_linear(594, 0, 600, 0))
        c.fill()
        ellipse(c, 597, 440, 26, 7)
        c.set_source(brass_linear(570, 434, 624, 446))
        c.fill()
        c.move_to(560, 372)
        c.curve_to(566, 346, 628, 346, 634, 372)
        c.close_path()
        c.set_source(lin(0, 346, 0, 372, [(0, shade(PAL["leaf"], 1.2)), (1, shade(PAL["leaf"], 0.6))]))
        c.fill()
        glow(c, 597, 380, 110, PAL["amber_lt"], 0.5)
        # ink pot and papers
        c.save()
        c.translate(430, 470)
        c.rotate(0.1)
        c.rectangle(-50, -30, 110, 70)
        c.set_source(lin(0, -30, 0, 40, [(0, PAL["white"]), (1, PAL["paper_dk"])]))
        c.fill()
        src(c, alpha(PAL["ink"], 0.4))
        for i in range(7):
            c.rectangle(-40, -20 + i * 8, 80 - (i % 3) * 12, 1.5)
        c.fill()
        c.restore()
        self.globe(c)
        it.rug(c, 170, 640, 200, 60, PAL["cloth_blue"])
        arr = to_np(s)
        texture(arr, self.seed + 40, cell=80, amount=0.07)
        return arr

    def globe(self, c):
        """The globe on its stand, right of the desk."""
        c.arc(900, 470, 50, 0, 2 * math.pi)
        c.set_source(rad(885, 455, 0, 55, [(0, mix(PAL["paper"], PAL["seaglass"], 0.3)), (1, PAL["teal"])]))
        c.fill()
        src(c, alpha(PAL["wood"], 0.6))
        blob(c, 890, 460, 22, 16, self.seed + 33, 9, 0.4)
        c.fill()
        c.arc(900, 470, 58, math.pi * 0.6, math.pi * 2.1)
        c.set_line_width(5)
        c.set_source(brass_linear(840, 410, 960, 530))
        c.stroke()
        wood(c, 892, 520, 16, 140, self.seed + 34, tone="dark", vertical=True)
        ellipse(c, 900, 660, 50, 12)
        src(c, PAL["wood_dk"])
        c.fill()

    def fixtures(self):
        return [("globe", self.globe, False)]

    def ground(self, c):
        # the floor, the bookcase's shelves and top, the desk, the window's sill
        c.rectangle(0, 500, W, H - 500)
        c.fill()
        for sy in (150, 260, 370, 480):
            c.rectangle(28, sy - 8, 284, 14)
            c.fill()
        c.rectangle(340, 426, 470, 96)
        c.fill()
        c.rectangle(784, 332, 182, 20)
        c.fill()

    def walls(self, c):
        # the panelled walls and the bookcase's sides, the chart, the desk's cupboards; not the window
        c.rectangle(0, 0, W, 500)
        c.rectangle(790, 80, 170, 250)
        c.set_fill_rule(1)
        c.fill()
        c.set_fill_rule(0)
        c.rectangle(350, 530, 140, 110)
        c.rectangle(660, 530, 140, 110)
        c.fill()

    def fore(self, c):
        # a stack of books on the desk hides half the eyeglasses
        for i, (w_, col) in enumerate(((96, PAL["cloth_blue"]), (88, PAL["leaf"]), (80, PAL["cloth_red"]))):
            y = 470 - i * 14
            rrect(c, 690 - w_ / 2 + i * 3, y - 14, w_, 14, 2)
            c.set_source(lin(0, y - 14, 0, y, [(0, shade(col, 1.3)), (1, shade(col, 0.6))]))
            c.fill()
            c.rectangle(690 - w_ / 2 + i * 3 + w_ - 8, y - 12, 6, 10)
            src(c, PAL["paper"])
            c.fill()

    def things(self):
        red, blue, green = PAL["cloth_red"], PAL["cloth_blue"], PAL["leaf"]
        return [
            # on top of the bookcase and in front of the books
            Thing("book_up", 64, 150, 40, base=True, rot=-14, col=green),
            Thing("mantel_clock", 146, 150, 36, base=True),
            Thing("spool", 128, 150, 22, base=True, col=PAL["cloth_red"]),
            Thing("oil_lamp", 180, 150, 40, base=True),
            Thing("tin_box", 262, 150, 38, base=True, col=blue),
            Thing("chess_knight", 70, 260, 34, base=True),
            Thing("shell", 240, 260, 26, base=True, rot=20),
            Thing("book_up", 272, 260, 34, base=True, rot=10, col=PAL["cloth_red"]),
            Thing("gull_carving", 200, 262, 42, base=True, fore=True),
            Thing("shell", 242, 262, 22, base=True, rot=-20, fore=True),
            Thing("shell", 70, 368, 30, base=True),
            Thing("bottle", 126, 370, 40, base=True, col=PAL["amber_dk"]),
            Thing("books", 200, 370, 48, base=True),
            Thing("bottle", 266, 372, 34, base=True, col=PAL["seaglass_dk"], fore=True),
            Thing("book_up", 294, 372, 34, base=True, rot=12, fore=True, col=PAL["cloth_blue"]),
            Thing("pinecone", 300, 368, 26, base=True),
            Thing("mantel_clock", 116, 482, 40, base=True, fore=True),
            Thing("crock", 212, 480, 40, base=True),
            Thing("tankard", 278, 480, 34, base=True),
            # the wall: things pinned and hung round the chart
            Thing("envelope_stack", 376, 150, 40, rot=-10, hang=True),
            Thing("newspaper", 604, 124, 30, rot=10, hang=True),
            Thing("newspaper", 512, 206, 40, rot=-4, hang=True),
            Thing("oilskin", 650, 104, 34, rot=5, hang=True),
            Thing("ships_wheel", 705, 190, 84, rot=8, hang=True),
            Thing("coat", 350, 250, 96, rot=2, hang=True),
            Thing("newspaper", 660, 276, 54, rot=8, hang=True),
            Thing("lantern", 366, 304, 44, hang=True),
            Thing("lifebuoy", 736, 362, 56, behind=True, hang=True),
            # the desk: papers, books, letters and pencils in heaps over the spectacles, the quill,
            # the magnifying glass, the pipe and the scissors
            Thing("newspaper", 566, 480, 66, rot=-6, fore=True),
            Thing("books", 404, 446, 50, base=True),
            Thing("inkwell", 520, 470, 30, base=True),
            Thing("ruler", 548, 508, 56, rot=4),
            Thing("mug", 640, 446, 30, base=True),
            Thing("tin_can", 694, 446, 28, base=True, col=PAL["cloth_red"]),
            Thing("envelope_stack", 346, 474, 40, rot=12),
            Thing("teacup_stack", 784, 472, 40, base=True),
            Thing("chess_knight", 806, 446, 30, base=True),
            Thing("pencil", 456, 500, 40, rot=-30, fore=True),
            Thing("pencil", 396, 514, 40, rot=24, fore=True),
            Thing("tin_box", 414, 496, 34, rot=-4, col=red, fore=True),
            Thing("envelope_stack", 376, 478, 28, rot=-24, fore=True),
            Thing("newspaper", 436, 482, 40, rot=16, fore=True),
            Thing("envelope_stack", 490, 462, 30, rot=-8, fore=True),
            Thing("books", 726, 456, 44, base=True, rot=4, fore=True),
            Thing("envelope_stack", 762, 470, 28, rot=-12, fore=True),
            Thing("envelope_stack", 700, 500, 42, rot=8, fore=True),
            Thing("envelope_stack", 628, 504, 30, rot=20, fore=True),
            Thing("pencil", 668, 512, 34, rot=-8, fore=True),
            # a note pinned over the photograph on the chart, a jug in front of the rolled chart
            Thing("envelope_stack", 568, 178, 30, rot=14, fore=True, hang=True),
            Thing("jug", 168, 482, 30, base=True, fore=True, col=PAL["cloth_blue"]),
            # the sill: the photograph behind the toy boat
            Thing("oil_lamp", 796, 346, 36, base=True),
            Thing("toy_boat", 866, 348, 58, base=True, fore=True),
            Thing("bottle", 934, 346, 44, base=True, col=PAL["seaglass"]),
            Thing("bottle", 834, 348, 32, base=True, col=PAL["amber_dk"], fore=True),
            Thing("shell", 874, 348, 20, base=True, rot=30, fore=True),
            # the floor and the kneehole
            Thing("books", 56, 630, 70, base=True),
            Thing("cap", 160, 600, 48, rot=-8),
            Thing("boot", 284, 640, 52, base=True),
            Thing("basket", 248, 612, 50, base=True, fill="yarn"),
            Thing("cushion", 446, 600, 38, rot=4),
            Thing("scarf", 428, 584, 30, rot=80, hang=True, fore=True, col=PAL["cloth_red"]),
            Thing("cap", 404, 606, 34, rot=-30, fore=True),
            Thing("chain", 432, 612, 40, rot=70, fore=True, hang=True),
            Thing("sack", 560, 632, 64, base=True),
            Thing("tankard", 620, 636, 36, base=True),
            Thing("yarn", 850, 612, 34, rot=10),
            Thing("pinecone", 830, 612, 22, rot=30),
            Thing("chain", 796, 620, 44, rot=-6, fore=True),
            Thing("birdcage", 986, 640, 74, base=True),
            Thing("crock", 700, 640, 36, base=True),
            # a muffler hung over the coat's breast, half over the medal pinned there, a cap on the peg
            Thing("scarf", 376, 202, 50, rot=-86, hang=True, fore=True, col=mix(PAL["leaf"], PAL["wood_dk"], 0.4)),
            Thing("oilskin", 346, 196, 30, rot=-6, hang=True),
        ]

    def objects(self):
        return [
            Obj("quill", "Quill pen", "quill", 470, 462, 54, rot=20, tint=(PAL["paper_dk"], 0.25)),
            Obj("eyeglasses", "Spectacles", "eyeglasses", 740, 472, 50, rot=-6, dark=0.1),
            Obj("magnifier", "Magnifying glass", "magnifier", 392, 490, 48, rot=100, tint=(PAL["wood_md"], 0.2)),
            Obj("compass", "Compass", "compass", 220, 250, 32, coin=True, dark=0.15),
            Obj("hourglass", "Hourglass", "hourglass", 282, 350, 38, dark=0.35),
            Obj("map_scroll", "Rolled chart", "map_scroll", 150, 478, 46, rot=-2, flip=True, base=True, dark=0.3),
            Obj("pipe", "Pipe", "pipe", 644, 500, 40, rot=-4, tint=(PAL["wood"], 0.2), dark=0.15),
            Obj("medal", "Lifeboat medal", "medal", 372, 228, 30, rot=-6, tint=(PAL["cloth_blue"], 0.2), dark=0.3,
                hang="clings"),
            Obj("photograph", "Old photograph", "photograph", 558, 170, 36, rot=6, tint=(PAL["paper_dk"], 0.3), hang=True),
            Obj("ring", "Sea-glass ring", "ring", 806, 614, 24, coin=True),
            Obj("scissors", "Scissors", "scissors", 610, 492, 42, rot=-22, flip=True, tint=(PAL["wood_md"], 0.2), dark=0.2,
                opened=24),
            Obj("padlock", "Padlock", "padlock", 418, 592, 28, hang=True, dark=0.35),
            Obj("bookmark_key", "Little key", "key", 104, 150, 38, base=True, rot=-28, dark=0.25),
        ]


# ---------------------------------------------------------------- boathouse

class Boathouse(Location):
    name, music, ambient, seed = "loc14", "music/level1", "ambient/sea_wind", 1400
    ambient_light = (0.52, 0.62, 0.7)

    def lights(self):
        return [(512, 260, 420, PAL["amber_lt"], 0.55), (170, 250, 200, PAL["amber"], 0.7),
                (880, 300, 240, PAL["amber"], 0.45)]

    def back(self):
        arr = np.zeros((H, W, 4), np.float32)
        arr[..., 3] = 1
        arr = paint(arr, lambda c: wood(c, 0, 0, W, 520, self.seed, tone="drift", vertical=True, planks=18))
        # the big open doors onto the harbour at dusk
        arr = it.window_view(arr, 350, 110, 330, 392, self.seed + 1, stormy=0.35, horizon_t=0.52, lighthouse=True)
        s = from_np(arr)
        c = ctx_for(s)
        # door posts and lintel
        wood(c, 320, 90, 30, 420, self.seed + 2, tone="dark", vertical=True)
        wood(c, 680, 90, 30, 420, self.seed + 3, tone="dark", vertical=True)
        wood(c, 300, 76, 430, 34, self.seed + 4, tone="dark")
        # a line of net corks strung under the lintel
        c.move_to(350, 114)
        c.curve_to(450, 136, 580, 136, 680, 114)
        c.set_line_width(2)
        src(c, PAL["rope"])
        c.stroke()
        # open door leaves
        for (x0, x1) in ((320, 250), (710, 780)):
            c.move_to(x0, 96)
            c.line_to(x1, 70)
            c.line_to(x1, 520)
            c.line_to(x0, 510)
            c.close_path()
            c.save()
            c.clip()
            wood(c, min(x0, x1), 60, abs(x1 - x0), 470, self.seed + x0, tone="mid", vertical=True, planks=3)
            c.restore()
        # water slip: dark water in the middle of the floor
        wood(c, 0, 500, W, H - 500, self.seed + 5, tone="drift", planks=6)
        self.slip(c)
        c.set_source(lin(0, 500, 0, H, [(0, PAL["teal"]), (1, PAL["abyss"])]))
        c.fill()
        r = rng(self.seed + 6)
        for i in range(160):
            yy = 505 + r.rand() ** 1.4 * 260
            t = (yy - 500) / 268
            xl, xr = 300 - 130 * t, 720 + 140 * t
            xx = xl + r.rand() * (xr - xl)
            ln = 8 + t * 40
            src(c, alpha(mix(PAL["mist_lt"], PAL["amber_lt"], 0.5), 0.1 + r.rand() * 0.25))
            c.set_line_width(1 + t * 2)
            c.move_to(xx - ln, yy)
            c.curve_to(xx - ln / 2, yy - 2, xx + ln / 2, yy - 2, xx + ln, yy)
            c.stroke()
        # rowing boat in the slip
        c.move_to(360, 600)
        c.curve_to(420, 650, 620, 650, 690, 596)
        c.line_to(700, 570)
        c.curve_to(600, 590, 440, 590, 350, 574)
        c.close_path()
        c.set_source(lin(0, 570, 0, 650, [(0, shade(PAL["cloth_blue"], 1.2)), (1, shade(PAL["cloth_blue"], 0.4))]))
        c.fill()
        c.move_to(350, 574)
        c.curve_to(440, 590, 600, 590, 700, 570)
        c.curve_to(600, 560, 440, 560, 350, 574)
        c.close_path()
        c.set_source(lin(0, 556, 0, 590, [(0, PAL["wood_md"]), (1, PAL["wood_dk"])]))
        c.fill()
        c.move_to(352, 578)
        c.curve_to(440, 594, 600, 594, 698, 574)
        c.set_line_width(4)
        src(c, PAL["paper"])
        c.stroke()
        # workbench on the left with tools on the wall
        it.table(c, 20, 420, 260, 60, self.seed + 7, tone="mid")
        wood(c, 30, 180, 250, 16, self.seed + 8, tone="dark")
        for i, x in enumerate(range(50, 270, 44)):
            c.arc(x, 188, 3, 0, 2 * math.pi)
            src(c, PAL["iron_lt"])
            c.fill()
        # fishing net hanging on the right wall
        c.save()
        c.move_to(760, 130)
        c.curve_to(860, 120, 960, 130, 1010, 140)
        c.line_to(990, 420)
        c.curve_to(920, 440, 840, 430, 800, 380)
        c.close_path()
        c.clip()
        src(c, alpha(PAL["rope"], 0.55))
        c.set_line_width(1.4)
        for i in range(-20, 40):
            c.move_to(740 + i * 14, 120)
            c.line_to(740 + i * 14 + 160, 450)
            c.move_to(740 + i * 14, 120)
            c.line_to(740 + i * 14 - 160, 450)
        c.stroke()
        c.restore()
        # barrels and a crate at the right
        it.barrel(c, 860, 560, 110, 130, self.seed + 9)
        it.crate(c, 910, 470, 110, 96, self.seed + 10)
        # lanterns glowing on hooks
        for (lx, ly), lamp in zip(self.LAMPS_AT, self.LAMPS):
            lamp(c)
            glow(c, lx, ly, 90, PAL["amber"], 0.4)
        # oil drum, rope pile on the floor left
        it.barrel(c, 110, 650, 90, 110, self.seed + 11)
        self.fish_box(c, front=False)
        arr = to_np(s)
        texture(arr, self.seed + 20, cell=80, amount=0.07)
        return arr

    @staticmethod
    def slip(c):
        """The water slip's outline in the floor."""
        c.move_to(300, 500)
        c.line_to(720, 500)
        c.line_to(860, H)
        c.line_to(170, H)
        c.close_path()

    def ground(self, c):
        # the floor beside the slip, the boat, the workbench, the barrel's head, the crate's lid,
        # the basket on the net wall, the inside of the fish box
        c.rectangle(0, 500, W, H - 500)
        self.slip(c)
        c.set_fill_rule(1)
        c.fill()
        c.set_fill_rule(0)
        c.move_to(350, 572)
        c.curve_to(440, 560, 600, 556, 702, 568)
        c.line_to(696, 604)
        c.curve_to(600, 630, 440, 630, 360, 604)
        c.close_path()
        c.rectangle(20, 414, 260, 68)
        c.rectangle(806, 424, 108, 18)
        c.rectangle(910, 462, 110, 18)
        c.rectangle(784, 322, 32, 22)
        c.rectangle(172, 598, 88, 14)
        c.fill()

    def walls(self, c):
        # the plank walls on both sides of the doors, the door leaves and posts, the lintel with
        # its line of corks, the tool rack
        c.rectangle(0, 0, 350, 500)
        c.rectangle(680, 0, W - 680, 500)
        c.rectangle(300, 0, 430, 116)
        c.fill()
        c.move_to(350, 114)
        c.curve_to(450, 136, 580, 136, 680, 114)
        c.set_line_width(12)
        c.stroke()

    def water(self, c):
        # the slip, and the harbour beyond the doors below its horizon
        self.slip(c)
        c.rectangle(350, 318, 330, 184)
        c.fill()

    def fore(self, c):
        # the crate's lid board leaning in front of the toy boat
        c.save()
        c.translate(960, 470)
        c.rotate(-0.2)
        wood(c, -60, -14, 120, 16, self.seed + 40, tone="light")
        c.restore()
        self.fish_box(c, top=False)

    LAMPS_AT = ((170, 250), (880, 300))
    LAMPS = [picture("lantern", x, y, 0.5, lit=True) for x, y in LAMPS_AT]

    @staticmethod
    def fish_box(c, front=True, top=True):
        """A low open fish box on the jetty edge, the herring in it: its dark inside (`top`, drawn
        in the picture) and its front boards (`front`, in front of what lies in it)."""
        c.save()
        c.translate(216, 622)
        c.rotate(-0.04)
        if top:
            rrect(c, -44, -22, 88, 10, 2)
            c.set_source(lin(0, -22, 0, -12, [(0, shade(PAL["drift"], 1.2)), (1, shade(PAL["drift"], 0.8))]))
            c.fill()
            rrect(c, -40, -20, 80, 7, 1.5)
            src(c, shade(PAL["wood_dk"], 0.8))
            c.fill()
        if front:
            wood(c, -46, -14, 92, 32, 4, tone="drift", planks=2)
            c.rectangle(-46, -14, 92, 32)
            src(c, alpha(PAL["night"], 0.25))
            c.set_line_width(2)
            c.stroke()
            for bx in (-40, 36):
                c.rectangle(bx, -14, 4, 32)
                src(c, alpha(PAL["night"], 0.35))
                c.fill()
        c.restore()

    def fixtures(self):
        return [("fish_box", self.fish_box, True)] + [("lantern", lamp, False) for lamp in self.LAMPS]

    def things(self):
        red, blue = PAL["cloth_red"], PAL["cloth_blue"]
        return [
            # the tool rack: tools on its pegs
            Thing("knife", 62, 232, 46, rot=92, hang=True),
            Thing("screwdriver", 124, 232, 54, rot=88, col=red, hang=True),
            Thing("saw", 180, 246, 84, rot=84, hang=True),
            Thing("screwdriver", 268, 238, 50, rot=90, col=PAL["cloth_blue"], hang=True),
            Thing("chain", 152, 214, 30, rot=80, hang=True),
            Thing("nails", 38, 216, 26, hang="clings"),
            Thing("towel", 104, 222, 34, rot=4, hang=True, fore=True, col=PAL["paper_dk"]),
            # the workbench
            Thing("tin_can", 36, 420, 30, base=True, col=PAL["seaglass_dk"]),
            Thing("paint_tin", 116, 420, 36, base=True),
            Thing("nails", 206, 440, 40),
            Thing("ruler", 150, 448, 50, rot=-8, fore=True),
            Thing("paint_tin", 84, 424, 30, base=True, col=PAL["cloth_red"], fore=True),
            Thing("mug", 222, 426, 28, base=True),
            Thing("paint_tin", 246, 432, 28, base=True, col=PAL["iron"], fore=True),
            Thing("jar", 274, 432, 24, base=True, col=PAL["amber_dk"], fore=True, contents=PAL["wood"]),
            Thing("pencil", 196, 462, 40, rot=-4, fore=True),
            Thing("rag", 102, 452, 26, rot=8, fore=True, col=PAL["paper_dk"]),
            # under the workbench, in its shadow: the ship's bell by the crock, the crab by the lobster
            # pot
            Thing("lobster_pot", 150, 566, 72, base=True, fore=True),
            Thing("crock", 60, 600, 44, base=True, fore=True),
            Thing("sack", 228, 560, 60, base=True, behind=True),
            # the door leaf and the net wall: hats and coats on pegs, floats caught in the net
            Thing("oilskin", 288, 150, 48, rot=-6, hang=True),
            Thing("coat", 286, 300, 90, col=mix(PAL["amber"], PAL["amber_dk"], 0.3), hang=True, fore=True),
            Thing("ships_wheel", 904, 214, 60, rot=-10, hang=True),
            Thing("basket", 800, 338, 44, hang=True, fore=True),
            Thing("cork", 868, 296, 22, rot=20, hang="clings"),
            Thing("cork", 968, 268, 22, rot=-30, hang="clings"),
            Thing("chain", 1000, 260, 60, rot=84, hang=True),
            Thing("seaweed", 1004, 350, 30, rot=-30, hang="clings", fore=True),
            Thing("cork", 800, 186, 22, rot=10, hang="clings"),
            Thing("starfish", 866, 262, 30, rot=-20, hang="clings"),
            Thing("cork", 902, 372, 22, rot=-60, hang="clings"),
            Thing("shell", 978, 338, 26, rot=30, hang="clings"),
            Thing("mussels", 962, 356, 28, rot=20, hang="clings"),
            Thing("coat", 748, 300, 86, rot=-2, col=mix(PAL["cloth_blue"], PAL["night"], 0.2), hang=True, fore=True),
            Thing("scarf", 782, 270, 36, rot=80, col=PAL["cloth_red"], hang=True, fore=True),
            Thing("cap", 742, 206, 40, rot=6, hang=True),
            # hung from the lintel, and afloat in the slip and on the harbour beyond the doors
            Thing("lantern", 420, 150, 44, hang=True),
            Thing("cork", 520, 140, 26, rot=6, hang="clings"),
            Thing("cork", 390, 126, 20, hang="clings"),
            Thing("cork", 470, 134, 20, rot=30, hang="clings"),
            Thing("cork", 560, 134, 20, rot=-20, hang="clings"),
            Thing("cork", 646, 124, 20, rot=10, hang="clings"),
            Thing("log", 580, 478, 38, rot=-10, afloat=True),
            Thing("board", 420, 486, 40, rot=14, afloat=True),
            Thing("cork", 664, 490, 18, rot=50, afloat=True),
            Thing("cork", 300, 650, 18, rot=20, afloat=True),
            Thing("seaweed", 706, 640, 40, afloat=True),
            # the barrel and the crate: the toy boat behind the crate's lid board
            Thing("paint_tin", 846, 432, 30, base=True, col=blue),
            Thing("tin_can", 990, 470, 28, base=True),
            Thing("paint_tin", 958, 470, 24, base=True, col=PAL["iron"]),
            Thing("mug", 916, 472, 22, base=True),
            Thing("jar", 1010, 470, 32, base=True, col=PAL["amber_dk"], contents=PAL["wood"]),
            Thing("paint_tin", 882, 438, 28, base=True, col=PAL["iron"], fore=True),
            # in the boat: the anchor behind the basket
            Thing("sack", 428, 592, 40, base=True, fore=True),
            Thing("oilskin", 520, 580, 40, rot=10),
            Thing("cork", 598, 582, 20, rot=70),
            Thing("basket", 656, 596, 40, base=True, fore=True),
            Thing("cushion", 478, 594, 40, rot=-4, col=PAL["cloth_red"], fore=True),
            Thing("oilskin", 574, 582, 34, rot=-16),
            # the fish box: the herring among mussels and weed
            Thing("mussels", 250, 600, 20, rot=-10),
            Thing("seaweed", 204, 604, 22, rot=10),
            # the floor beside the slip
            Thing("shell", 250, 548, 24, rot=20),
            Thing("starfish", 262, 520, 28, rot=15),
            Thing("pebbles", 110, 640, 40),
            Thing("tin_can", 772, 552, 24, base=True, col=PAL["cloth_red"]),
            Thing("tin_can", 796, 560, 26, base=True, rot=8, col=PAL["seaglass_dk"]),
            Thing("cork", 818, 532, 20, base=True, rot=-12),
            Thing("seaweed", 760, 540, 30, rot=-10, fore=True),
            Thing("pebbles", 800, 586, 34),
            Thing("seaweed", 780, 540, 26, rot=20, fore=True),
            Thing("mussels", 860, 620, 40),
            Thing("boot", 790, 640, 48, base=True),
            Thing("lobster_pot", 958, 632, 70, base=True),
            Thing("sack", 1010, 600, 66, base=True),
            Thing("log", 880, 612, 64, rot=4, fore=True),
            Thing("sack", 858, 604, 46, base=True, fore=True),
        ]

    def objects(self):
        return [
            Obj("anchor", "Small anchor", "anchor", 646, 586, 46, rot=56, dark=0.35),
            Obj("oar", "Oar", "oar", 160, 436, 120, rot=-4, tint=(PAL["wood_md"], 0.2)),
            Obj("net_float", "Glass float", "net_float", 800, 320, 34, tint=(PAL["rope"], 0.3), dark=0.1),
            Obj("bobber", "Fishing float", "bobber", 770, 528, 30, rot=20, coin=True),
            Obj("hook", "Fish hook", "hook", 94, 222, 32, dark=0.3, hang=True),
            Obj("fish", "Herring", "fish", 236, 606, 44, rot=-6, tint=(PAL["drift"], 0.2), dark=0.2),
            Obj("oilcan", "Oil can", "oilcan", 262, 428, 40, base=True, tint=(PAL["wood"], 0.2)),
            Obj("hammer", "Hammer", "hammer", 60, 446, 50, rot=-4, flip=True, dark=0.2),
            Obj("wrench", "Spanner", "wrench", 252, 274, 48, rot=80, dark=0.2, hang=True),
            Obj("crab", "Crab", "crab", 198, 560, 34, rot=-6, dark=0.3),
            Obj("bell", "Ship’s bell", "bell", 88, 600, 30, base=True, dark=0.35),
            Obj("rope", "Coil of rope", "rope", 842, 600, 46, coin=True, tint=(PAL["drift"], 0.3)),
            Obj("toy_boat", "Toy sailing boat", "toy_boat", 948, 464, 34, base=True, flip=True, dark=0.3, tint=(PAL["drift"], 0.15)),
        ]


def all_locations():
    """Every location in level order."""
    import locations2 as l2
    return [Kitchen, Study, l2.Attic, Boathouse, l2.Harbour] + l2.LEVEL2


def item_names():
    """The list's name of every object id. An id names one thing everywhere: two locations whose
    objects share an id must give them the same name (else each gets an id of its own)."""
    names = {}
    for cls in all_locations():
        loc = cls()
        for o in loc.objects():
            if names.get(o.id, o.label) != o.label:
                raise SystemExit("%s/%s is \"%s\", but another location calls the id \"%s\""
                                 % (loc.name, o.id, o.label, names[o.id]))
            names[o.id] = o.label
    return names


def write_all(out, only=()):
    names = item_names()
    report = []
    for cls in all_locations():
        loc = cls()
        if only and loc.name not in only:
            continue
        loc.write(out)
        print(loc.name + ":", loc.stats)
        report.append((loc.name, loc.counts, loc.plain))
    add_strings(out, [("item_" + oid, label) for oid, label in sorted(names.items())])
    print("location  drawn things  listed  in plain view")
    for name, (total, listed, plain), which in report:
        print("%-8s  %12d  %6d  %13d  %s" % (name, total, listed, len(which), ", ".join(which)))
