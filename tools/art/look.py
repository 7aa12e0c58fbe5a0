"""How things look to a player: their colours, their outline, what they look like.

A drawn thing is known here by its body (the mask of its solid pixels, its drop shadow left
out) and the colours the finished picture shows there. Two things look alike when their
outlines match once both are turned along their long axis and scaled to the same length (any
mirror image), their colours overlap and their sizes are close.
"""
import numpy as np

GRID = 16    # outline compared on a grid of this many cells a side


def lab(rgb):
    """CIE L*a*b* of straight sRGB colours (N x 3, 0..1)."""
    rgb = np.clip(np.asarray(rgb, np.float64), 0, 1)
    lin = np.where(rgb <= 0.04045, rgb / 12.92, ((rgb + 0.055) / 1.055) ** 2.4)
    xyz = lin @ np.array([[0.4124, 0.3576, 0.1805], [0.2126, 0.7152, 0.0722], [0.0193, 0.1192, 0.9505]]).T
    xyz /= np.array([0.9505, 1.0, 1.089])
    f = np.where(xyz > 0.008856, np.cbrt(xyz), 7.787 * xyz + 16 / 116)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]), 200 * (f[..., 1] - f[..., 2])], -1)


# colour bins in L*a*b*: lightness in steps of LSTEP, a* and b* in steps of ABSTEP within +-ABMAX
LSTEP, ABSTEP, ABMAX = 8.0, 6.0, 48.0
LBINS, ABBINS = int(100 / LSTEP) + 1, int(2 * ABMAX / ABSTEP)


def bins(rgb):
    """The L*a*b* bin of each colour."""
    c = lab(rgb)
    return (np.clip((c[..., 0] / LSTEP).astype(int), 0, LBINS - 1),
            np.clip(((c[..., 1] + ABMAX) / ABSTEP).astype(int), 0, ABBINS - 1),
            np.clip(((c[..., 2] + ABMAX) / ABSTEP).astype(int), 0, ABBINS - 1))


def palette(rgb):
    """The colour histogram (summing to 1) of pixels `rgb` (N x 3, straight sRGB 0..1) in
    L*a*b* bins about as wide as colours a player tells apart side by side; each bin shares a
    quarter of its count with its neighbours, so colours on either side of a bin edge still
    meet."""
    h = np.zeros((LBINS, ABBINS, ABBINS), np.float64)
    if len(rgb):
        np.add.at(h, bins(rgb), 1.0)
    for ax in range(3):
        p = np.pad(h, [(1, 1) if a == ax else (0, 0) for a in range(3)], mode="edge")
        sl = [slice(None)] * 3
        sl[ax] = slice(0, -2)
        lo = p[tuple(sl)]
        sl[ax] = slice(2, None)
        hi = p[tuple(sl)]
        h = 0.75 * h + 0.125 * (lo + hi)
    s = h.sum()
    return h / s if s > 0 else h


def overlap(a, b):
    """How far two palettes share their colours: 0 (nothing alike) .. 1 (the same)."""
    return float(np.minimum(a, b).sum())


def thumbnail(mask, colours):
    """The thing as a small picture, the way a player compares two things: turned so that its
    long axis runs across, centred and scaled so that its farthest point touches the edge of a
    GRID x GRID grid. Returns the cells it fills and their mean L*a*b* colours. `mask`: its
    solid pixels (boolean, H x W); `colours`: their straight sRGB colours (H x W x 3)."""
    ys, xs = np.nonzero(mask)
    g = np.zeros((GRID, GRID), bool)
    col = np.zeros((GRID, GRID, 3))
    if len(xs) < 3:
        return g, col
    pts = np.stack([xs, ys], 1).astype(np.float64)
    pts -= pts.mean(0)
    _, vec = np.linalg.eigh(pts.T @ pts)
    major = vec[:, 1]
    q = pts @ np.array([major, [-major[1], major[0]]]).T
    ext = np.abs(q).max() + 0.5
    ij = np.clip(((q / ext) * (GRID / 2) + GRID / 2).astype(int), 0, GRID - 1)
    n = np.zeros((GRID, GRID))
    np.add.at(n, (ij[:, 1], ij[:, 0]), 1)
    np.add.at(col, (ij[:, 1], ij[:, 0]), lab(colours[ys, xs]))
    g = n > 0
    col[g] /= n[g][:, None]
    return g, col


def likeness(a, b):
    """How much two thumbnails look alike (0..1): the cells both fill over the cells either
    fills, weighed by how close the colours of the shared cells are, the best of the mirror
    images."""
    ga, ca = a
    best = 0.0
    for f in ((slice(None), slice(None)), (slice(None, None, -1), slice(None)),
              (slice(None), slice(None, None, -1)), (slice(None, None, -1), slice(None, None, -1))):
        gb, cb = b[0][f], b[1][f]
        both = ga & gb
        u = (ga | gb).sum()
        if not u or not both.any():
            continue
        de = np.sqrt(((ca[both] - cb[both]) ** 2).sum(-1))
        best = max(best, float(both.sum() / u * np.exp(-(de / 25.0) ** 2).mean()))
    return best


def luminance(rgb):
    rgb = np.asarray(rgb)
    return rgb[..., 0] * 0.2126 + rgb[..., 1] * 0.7152 + rgb[..., 2] * 0.0722


class Look:
    """What a drawn thing shows: its box on the screen, its body, the body's visible part, its
    palette (the visible pixels' colours in the finished picture) and its outline."""

    def __init__(self, name, body, x0, y0, seen, hidden):
        """`body`: the thing's solid alpha on its own canvas placed at (x0, y0); `seen`: the
        finished picture (H x W x 3, straight colour); `hidden`: H x W, where something solid
        stands in front of it."""
        H, W = hidden.shape
        self.name = name
        solid = body > 0.5
        ys, xs = np.nonzero(solid)
        if not len(xs):
            xs, ys = np.array([0]), np.array([0])
        bx0, by0 = max(0, x0 + xs.min()), max(0, y0 + ys.min())
        bx1, by1 = min(W, x0 + xs.max() + 1), min(H, y0 + ys.max() + 1)
        self.box = (int(bx0), int(by0), int(max(1, bx1 - bx0)), int(max(1, by1 - by0)))
        self.size = max(self.box[2], self.box[3])
        self.thumb = None
        win = solid[by0 - y0:by1 - y0, bx0 - x0:bx1 - x0]
        cov = hidden[by0:by1, bx0:bx1] > 0.5
        vis = win & ~cov
        n = max(1, int(win.sum()))
        self.hidden = 1.0 - vis.sum() / n
        vy, vx = np.nonzero(vis)
        self.seen_size = int(max(vx.max() - vx.min() + 1, vy.max() - vy.min() + 1)) if len(vx) else 0
        pix = seen[by0:by1, bx0:bx1][vis] if vis.any() else seen[by0:by1, bx0:bx1][win]
        self.palette = palette(pix)
        self.lum = float(luminance(pix).mean()) if len(pix) else 0.0
        self.lab = lab(pix).mean(0) if len(pix) else np.zeros(3)
        self.vis = vis
        self.win = (int(bx0), int(by0))
        # the thumbnail of the whole thing, in the colours the picture shows where it is seen
        colours = np.zeros(win.shape + (3,))
        colours[:] = seen[by0:by1, bx0:bx1]
        self.thumb = thumbnail(win, colours)
        self.outline = self.thumb[0]

    def ring(self, shape, width):
        """The ring `width` pixels wide round the visible body: (x0, y0, mask) of the window
        it lies in."""
        H, W = shape[:2]
        x, y, w, h = self.box
        x0, y0 = max(0, x - width), max(0, y - width)
        x1, y1 = min(W, x + w + width), min(H, y + h + width)
        vis = np.zeros((y1 - y0, x1 - x0), bool)
        vis[y - y0:y - y0 + h, x - x0:x - x0 + w] = self.vis
        grown = vis.copy()
        # grow the body by `width` pixels (a square step at a time)
        for _ in range(width):
            g = grown.copy()
            g[1:] |= grown[:-1]
            g[:-1] |= grown[1:]
            g[:, 1:] |= grown[:, :-1]
            g[:, :-1] |= grown[:, 1:]
            grown = g
        return x0, y0, grown & ~vis

    def around(self, seen, width=12):
        """The palette and mean luminance of the picture in a ring `width` pixels wide round the
        visible body."""
        x0, y0, ring = self.ring(seen.shape, width)
        pix = seen[y0:y0 + ring.shape[0], x0:x0 + ring.shape[1]][ring]
        self.ring_lab = lab(pix).mean(0) if len(pix) else np.zeros(3)
        return palette(pix), (float(luminance(pix).mean()) if len(pix) else 0.0)

    def edge_contrast(self, seen, width=3):
        """How far the colours along its edge stand apart from those just outside it (CIE76
        delta E between the mean colour of a band `width` pixels wide inside its visible edge and
        that of a band as wide outside): an inked outline on a light table stands out, the same
        outline on a dark floor does not."""
        x0, y0, outer = self.ring(seen.shape, width)
        h, w = outer.shape
        x, y, bw, bh = self.box
        vis = np.zeros((h, w), bool)
        vis[y - y0:y - y0 + bh, x - x0:x - x0 + bw] = self.vis
        inner = vis.copy()
        for _ in range(width):
            e = inner.copy()
            e[1:] &= inner[:-1]
            e[:-1] &= inner[1:]
            e[:, 1:] &= inner[:, :-1]
            e[:, :-1] &= inner[:, 1:]
            inner = e
        inner = vis & ~inner
        win = seen[y0:y0 + h, x0:x0 + w]
        if not inner.any() or not outer.any():
            return 0.0
        return float(np.sqrt(((lab(win[inner]).mean(0) - lab(win[outer]).mean(0)) ** 2).sum()))

    def merges(self, seen, width=4, share=0.02):
        """The share of the ring `width` pixels wide round the visible body whose colours the
        body has too (each such colour at least `share` of the body): where its outline melts
        into what lies round it."""
        x0, y0, ring = self.ring(seen.shape, width)
        pix = seen[y0:y0 + ring.shape[0], x0:x0 + ring.shape[1]][ring]
        if not len(pix):
            return 0.0
        return float((self.palette[bins(pix)] >= share).mean())

    def crowded(self, others, width=6):
        """The share of the ring `width` pixels wide round the visible body that other things
        take (`others`: H x W, true where another thing's body shows)."""
        x0, y0, ring = self.ring(others.shape, width)
        n = ring.sum()
        return float((others[y0:y0 + ring.shape[0], x0:x0 + ring.shape[1]] & ring).sum() / n) if n else 0.0

    def near(self, other, reach=None):
        """Whether `other`'s box lies within `reach` (default: this one's larger side) round
        this one's box."""
        r = self.size if reach is None else reach
        x, y, w, h = self.box
        ox, oy, ow, oh = other.box
        return ox < x + w + r and x - r < ox + ow and oy < y + h + r and y - r < oy + oh

    def like(self, other):
        """How much `other` looks like this: (likeness of the thumbnails, size ratio >= 1)."""
        ratio = max(self.size, other.size) / max(1, min(self.size, other.size))
        return likeness(self.thumb, other.thumb), ratio
