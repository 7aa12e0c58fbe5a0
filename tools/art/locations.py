"""The hidden-object locations of Gullrock; see scene.py for how they are built."""
import math

import numpy as np

import interior as it
import scenery as sc
from kit import (PAL, W, H, alpha, blob, blur, brass_linear, ctx_for, ellipse, from_np, glow, lin, mix, new, over,
                 rad, rng, rrect, shade, src, texture, to_np, wood, shadow_ellipse)
from scene import Location, Obj, add_strings


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
        # hanging pots from the beam
        for (px, py, pr) in ((430, 112, 26), (486, 124, 30), (548, 108, 22)):
            it.pot(c, px, py, pr, self.seed)
        c.move_to(609, 44)
        c.line_to(609, 90)
        src(c, PAL["iron"])
        c.set_line_width(2)
        c.stroke()
        # shelf with plates and jars
        it.shelf(c, 380, 206, 230, self.seed + 9)
        it.plate(c, 402, 178, 26, PAL["cloth_blue"])
        it.plate(c, 448, 180, 24, PAL["cloth_blue"])
        it.jar(c, 500, 206, 30, 44, PAL["seaglass_dk"])
        it.jar(c, 590, 206, 26, 36, PAL["amber_dk"])
        # fireplace on the right
        it.fireplace(c, 650, 200, 290, 330, self.seed + 10)
        it.jar(c, 690, 200, 22, 30, PAL["copper"], label=False)
        it.clock(c, 900, 130, 16)
        # dresser
        it.cabinet(c, 360, 330, 250, 190, self.seed + 11, tone="mid")
        it.jar(c, 560, 330, 34, 50, PAL["mist_lt"])
        it.plate(c, 396, 308, 20, PAL["cloth_red"])
        # wall sconce glow by the window
        glow(c, 360, 240, 60, PAL["amber_lt"], 0.2)
        # floor shadow, rug, basket
        it.rug(c, 520, 700, 380, 60, PAL["cloth_red"])
        # the table (foreground)
        shadow_ellipse(c, 380, 650, 300, 40, 0.5)
        it.table(c, 110, 520, 540, 80, self.seed + 12, cloth=mix(PAL["paper"], PAL["cloth_blue"], 0.25))
        # bread board and a bowl on the table
        ellipse(c, 520, 552, 70, 18)
        c.set_source(lin(0, 534, 0, 570, [(0, PAL["wood_lt"]), (1, PAL["wood"])]))
        c.fill()
        ellipse(c, 520, 540, 46, 16)
        c.set_source(rad(505, 530, 0, 50, [(0, mix(PAL["amber_lt"], PAL["wood_lt"], 0.5)), (1, PAL["amber_dk"])]))
        c.fill()
        # chair at the right
        wood(c, 700, 470, 16, 200, self.seed + 13, tone="dark", vertical=True)
        wood(c, 820, 470, 16, 200, self.seed + 14, tone="dark", vertical=True)
        wood(c, 700, 470, 136, 14, self.seed + 15, tone="dark")
        wood(c, 700, 520, 136, 12, self.seed + 16, tone="dark")
        wood(c, 690, 580, 160, 22, self.seed + 17, tone="mid")
        arr = to_np(s)
        texture(arr, self.seed + 20, cell=90, amount=0.08)
        return arr

    def fore(self, c):
        # a big stoneware jug on the dresser hides part of the letter
        it.jar(c, 444, 330, 44, 62, PAL["cloth_blue"], lid=False, label=False)
        # the bowl's rim in front of the pear
        ellipse(c, 330, 566, 58, 20)
        c.set_source(lin(0, 550, 0, 586, [(0, PAL["white"]), (1, PAL["paper_dk"])]))
        c.fill()
        ellipse(c, 330, 558, 52, 10)
        src(c, alpha(PAL["wood_dk"], 0.5))
        c.fill()

    def objects(self):
        return [
            Obj("teacup", "Teacup", "teacup", 220, 548, 62),
            Obj("apple", "Red apple", "apple", 310, 540, 42, rot=-10),
            Obj("pear", "Pear", "pear", 350, 532, 38, rot=14),
            Obj("spoon", "Silver spoon", "spoon", 600, 578, 58, rot=-18, coin=True),
            Obj("key", "Brass key", "key", 536, 324, 50, rot=4),
            Obj("letter", "Sealed letter", "letter", 470, 318, 58, rot=-12),
            Obj("teapot", "Blue teapot", "teapot", 546, 180, 56),
            Obj("candle", "Candle", "candle", 168, 318, 44),
            Obj("matchbox", "Matchbox", "matchbox", 780, 192, 36, rot=-4, coin=True),
            Obj("pocket_watch", "Pocket watch", "pocket_watch", 826, 184, 40, rot=12),
            Obj("ladle", "Copper ladle", "ladle", 612, 120, 54),
            Obj("thimble", "Thimble", "thimble", 760, 572, 24),
            Obj("gull_feather", "Gull feather", "feather", 930, 596, 52, rot=-160),
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
        it.frame_picture(c, 660, 150, 90, 70, self.seed + 9, "ship")
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
        it.jar(c, 520, 460, 22, 22, PAL["night"], lid=False, label=False)
        # globe on the right
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
        it.rug(c, 170, 640, 200, 60, PAL["cloth_blue"])
        arr = to_np(s)
        texture(arr, self.seed + 40, cell=80, amount=0.07)
        return arr

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

    def objects(self):
        return [
            Obj("quill", "Quill pen", "quill", 470, 452, 58, rot=20),
            Obj("eyeglasses", "Spectacles", "eyeglasses", 746, 450, 62, rot=-6),
            Obj("magnifier", "Magnifying glass", "magnifier", 380, 494, 56, rot=100),
            Obj("compass", "Compass", "compass", 220, 243, 40, coin=True),
            Obj("hourglass", "Hourglass", "hourglass", 282, 350, 44),
            Obj("map_scroll", "Rolled chart", "map_scroll", 150, 462, 50, rot=-2),
            Obj("pipe", "Pipe", "pipe", 660, 420, 46, rot=-6),
            Obj("medal", "Lifeboat medal", "medal", 560, 160, 42, rot=4),
            Obj("photograph", "Old photograph", "photograph", 830, 332, 46, rot=-8),
            Obj("ring", "Sea-glass ring", "ring", 822, 606, 28, coin=True),
            Obj("scissors", "Scissors", "scissors", 612, 494, 46, rot=12),
            Obj("padlock", "Padlock", "padlock", 420, 600, 36),
            Obj("bookmark_key", "Little key", "key", 110, 126, 40, rot=-70),
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
        c.move_to(300, 500)
        c.line_to(720, 500)
        c.line_to(860, H)
        c.line_to(170, H)
        c.close_path()
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
        for (lx, ly) in ((170, 250), (880, 300)):
            c.save()
            c.translate(lx, ly)
            c.scale(0.5, 0.5)
            import objects as ob
            ob.lantern(c, lit=True)
            c.restore()
            glow(c, lx, ly, 90, PAL["amber"], 0.4)
        # oil drum, rope pile on the floor left
        it.barrel(c, 110, 650, 90, 110, self.seed + 11)
        arr = to_np(s)
        texture(arr, self.seed + 20, cell=80, amount=0.07)
        return arr

    def fore(self, c):
        # the crate's lid board leaning in front of the bell
        c.save()
        c.translate(960, 470)
        c.rotate(-0.2)
        wood(c, -60, -14, 120, 16, self.seed + 40, tone="light")
        c.restore()
        # a coil of thick mooring line on the jetty edge, in front of the crab
        for i in range(3):
            ellipse(c, 246, 616 - i * 7, 48 - i * 5, 14 - i)
            c.set_line_width(9)
            src(c, shade(PAL["rope"], 0.7 + i * 0.1))
            c.stroke()

    def objects(self):
        return [
            Obj("anchor", "Small anchor", "anchor", 830, 220, 56, rot=-10),
            Obj("oar", "Oar", "oar", 170, 402, 120, rot=-4),
            Obj("net_float", "Glass float", "net_float", 940, 360, 46),
            Obj("bobber", "Fishing float", "bobber", 740, 540, 34, rot=20, coin=True),
            Obj("hook", "Fish hook", "hook", 94, 212, 38),
            Obj("fish", "Herring", "fish", 560, 572, 52, rot=8),
            Obj("oilcan", "Oil can", "oilcan", 256, 398, 44),
            Obj("hammer", "Hammer", "hammer", 70, 440, 56, rot=6),
            Obj("wrench", "Spanner", "wrench", 230, 210, 54, rot=80),
            Obj("crab", "Crab", "crab", 286, 598, 40, rot=8),
            Obj("bell", "Ship's bell", "bell", 984, 432, 42),
            Obj("rope", "Coil of rope", "rope", 820, 484, 52, coin=True),
            Obj("toy_boat", "Toy sailing boat", "toy_boat", 620, 480, 44),
        ]


def all_locations():
    """Every location in level order."""
    import locations2 as l2
    return [Kitchen, Study, l2.Attic, Boathouse, l2.Harbour] + l2.LEVEL2


def write_all(out, only=()):
    strings = []
    for cls in all_locations():
        loc = cls()
        if only and loc.name not in only:
            continue
        full, objs = loc.write(out)
        for o, _, _ in objs:
            strings.append(("item_" + o.id, o.label))
        print(loc.name, len(objs), "objects")
    add_strings(out, strings)
