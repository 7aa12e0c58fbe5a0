#!/usr/bin/python3
"""Builds locations without writing them and saves previews: preview.py loc11 [loc12 ...] -> /tmp/prev_<name>.png"""
import os
import sys
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artpython
artpython.require("cairo", "numpy", "PIL")
import locations
from kit import from_np, ctx_for, to_np, save_png
from scene import composite

want = sys.argv[1:]
for cls in locations.all_locations():
    loc = cls()
    if want and loc.name not in want:
        continue
    full, objs = loc.build(strict=False)
    comp = composite(full, objs)
    save_png(comp, "/tmp/prev_%s.png" % loc.name)
    s = from_np(comp)
    c = ctx_for(s)
    c.set_source_rgba(1, 0.2, 0.2, 0.9)
    c.set_line_width(1.5)
    for o, _, (x, y, w, h) in objs:
        c.rectangle(x, y, w, h)
        c.stroke()
    c.rectangle(0, 640, 1024, 128)
    c.set_source_rgba(0, 0, 0, 0.5)
    c.fill()
    save_png(to_np(s), "/tmp/prevbox_%s.png" % loc.name)
    save_png(full, "/tmp/prevbg_%s.png" % loc.name)
    print(loc.name + ":", loc.stats)
    for oid, verdict in loc.judged:
        print("  %-14s %.2f  %s%s" % (oid, sum(verdict.values()),
                                     ", ".join("%s %.2f" % kv for kv in verdict.items() if kv[1] > 0),
                                     "  (plain view)" if oid in loc.plain else ""))
