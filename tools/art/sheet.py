#!/usr/bin/python3
"""Contact sheet of PNG files on a mid-grey checker, for looking at the art: sheet.py out.png files..."""
import os
import sys
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artpython
artpython.require("PIL")
from PIL import Image  # noqa: E402

files = sys.argv[2:]
ims = [Image.open(f).convert("RGBA") for f in files]
W = 1024
x = y = rowh = 0
pos = []
for im in ims:
    if x + im.width > W:
        x, y = 0, y + rowh + 6
        rowh = 0
    pos.append((x, y))
    x += im.width + 6
    rowh = max(rowh, im.height)
sheet = Image.new("RGBA", (W, y + rowh + 6), (90, 96, 100, 255))
for (px, py), im in zip(pos, ims):
    sheet.alpha_composite(im, (px, py))
sheet.save(sys.argv[1])
