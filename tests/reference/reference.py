"""Independent reference renderer for Pelorix's 27 fractal pictures.

Everything here is written from Pelorix's own rules for the pictures, not from
the C++ generators, so that comparing the two (compare.py) shows where either
side strays.

Arithmetic model (x86-64 Linux):
  * every named variable is an IEEE double; each store rounds once;
  * the right-hand side of each store is evaluated in x87 extended precision,
    which is numpy.longdouble here, and rounded to double only on store;
  * a decimal constant written inside an expression is an extended constant
    (built as a correctly rounded quotient of two integers); a constant that
    is a table entry or a named value is a double;
  * RoundHalfEven and Truncate act on the unrounded extended value and the
    result lands in a 32-bit integer (two's complement wrap);
  * exp, sin and cos are the C library's double functions (Python's math
    module calls the same libm; numpy's own ufuncs may not, so they are not
    used for these).

Painting follows the canvas rules: pixels outside the raster are dropped and
the last paint of a pixel wins.  Escape-time pictures are computed with masked
numpy arrays, chaos games with a sequential loop over the stored point and a
vectorised pixel conversion afterwards.
"""

from __future__ import annotations

import math

import numpy as np

L = np.longdouble
F64 = np.float64

# Extended constants that appear literally inside expressions.
EXT_0_0001 = L(1) / L(10000)
EXT_2_82 = L(282) / L(100)

WHITE = 0xFFFFFF
BLACK = 0x000000

_PALETTE = [
    0x000000, 0x800000, 0x008000, 0xFFFF00, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]
PALETTE = np.array(_PALETTE + [0xFF0000] * 240, dtype=np.uint32)


def palette_color(index):
    """Colour of palette entry index (low 8 bits of it); works on arrays too."""
    return PALETTE[np.asarray(index, dtype=np.int64) & 0xFF]


def rgb(r, g, b):
    return r + 256 * g + 65536 * b


def get_red(c):
    return c & 0xFF


def get_green(c):
    return (c >> 8) & 0xFF


def get_blue(c):
    return (c >> 16) & 0xFF


def store(v):
    """Round an extended value (scalar or array) to double, as a store does."""
    if isinstance(v, np.ndarray):
        return v.astype(F64)
    r = F64(v)
    if math.isinf(r) and not np.isinf(v):
        raise FloatingPointError("overflow")
    return r


def ext(v):
    """View doubles (or integers) as extended values, exactly."""
    if isinstance(v, np.ndarray):
        return v.astype(L)
    return L(v)


def _to_int32(values):
    v = np.asarray(values)
    bad = ~np.isfinite(v) | (v >= L(2) ** 63) | (v < -(L(2) ** 63))
    if np.any(bad):
        raise FloatingPointError("invalid")
    return v.astype(np.int64).astype(np.int32).astype(np.int64)


def round_half_even(values):
    """RoundHalfEven of extended (or double) values, stored into 32-bit ints."""
    v = np.asarray(values)
    if v.dtype != L:
        v = v.astype(L)
    return _to_int32(np.rint(v))


def truncate(values):
    v = np.asarray(values)
    if v.dtype != L:
        v = v.astype(L)
    return _to_int32(np.trunc(v))


def accumulate(start, step, count):
    """count successive values start, start+step, ... each sum stored as a double."""
    out = np.empty(count, dtype=F64)
    v = F64(start)
    s = L(step)
    for i in range(count):
        out[i] = v
        v = F64(L(v) + s)
    return out


class Random:
    """The program-wide linear congruential generator (multiplier 0x08088405)."""

    MUL = 134775813
    MASK = 0xFFFFFFFF

    def __init__(self, seed: int):
        self.seed = seed & self.MASK

    def random(self, n: int) -> int:
        self.seed = (self.seed * self.MUL + 1) & self.MASK
        return (self.seed * n) >> 32

    def seeds(self, count: int) -> np.ndarray:
        """The next count seeds (as uint64), advancing the state past them."""
        count = int(count)
        if count <= 0:
            return np.zeros(0, dtype=np.uint64)
        out = np.empty(count, dtype=np.uint64)
        out[0] = (self.seed * self.MUL + 1) & self.MASK
        done = 1
        # (a, c): the transform of `done` steps, s -> a*s + c (mod 2^32).
        a, c = self.MUL, 1
        mask = np.uint64(self.MASK)
        while done < count:
            take = min(done, count - done)
            out[done:done + take] = (out[:take] * np.uint64(a) + np.uint64(c)) & mask
            a, c = (a * a) & self.MASK, (a * c + c) & self.MASK
            done += take
        self.seed = int(out[-1])
        return out

    @staticmethod
    def results(seeds: np.ndarray, n) -> np.ndarray:
        """Random(n) results belonging to the given seeds (n a scalar or array)."""
        return ((seeds * np.asarray(n, dtype=np.uint64)) >> np.uint64(32)).astype(np.int64)


def _colours_for(colours, shape):
    """One colour per pixel event: a single colour is repeated."""
    c = np.asarray(colours, dtype=np.uint32)
    if c.ndim == 0:
        return np.full(shape, c, dtype=np.uint32)
    c = c.ravel()
    if c.shape != shape:
        raise ValueError("one colour per pixel expected")
    return c


class Raster:
    """A W x H true-colour raster with a pen, painted in program order."""

    def __init__(self, width: int, height: int, pen: int = WHITE):
        self.W = width
        self.H = height
        self.pixels = np.zeros((height, width), dtype=np.uint32)
        self.pen = pen
        self.brush = BLACK
        self.pen_pos = (0, 0)

    def paint(self, xs, ys, colours):
        """Paint pixel i at (xs[i], ys[i]) in colours[i], in index order."""
        xs = np.asarray(xs, dtype=np.int64).ravel()
        ys = np.asarray(ys, dtype=np.int64).ravel()
        colours = _colours_for(colours, xs.shape)
        keep = (xs >= 0) & (xs < self.W) & (ys >= 0) & (ys < self.H)
        if not np.any(keep):
            return
        lin = (ys[keep] * self.W + xs[keep])[::-1]
        col = colours[keep][::-1]
        # The last paint of a pixel is the first in the reversed order.
        where, first = np.unique(lin, return_index=True)
        self.pixels.flat[where] = col[first]

    def set_pixel(self, x, y, colour):
        if 0 <= x < self.W and 0 <= y < self.H:
            self.pixels[y, x] = colour

    def move_pen_to(self, x, y):
        self.pen_pos = (x, y)

    def line_events(self, x, y):
        """Pixels of LineTo(x, y) from the current position (vertical lines only)."""
        x0, y0 = self.pen_pos
        self.pen_pos = (x, y)
        if x0 != x:
            raise NotImplementedError("only vertical lines are drawn")
        if y0 <= y:
            ys = np.arange(y0, y, dtype=np.int64)
        else:
            ys = np.arange(y0, y, -1, dtype=np.int64)
        return np.full(ys.shape, x, dtype=np.int64), ys

    def line_to(self, x, y):
        xs, ys = self.line_events(x, y)
        self.paint(xs, ys, self.pen)

    def rgb_bytes(self) -> np.ndarray:
        """H x W x 3 array of red, green, blue bytes (the PPM sample order)."""
        p = self.pixels
        out = np.empty((self.H, self.W, 3), dtype=np.uint8)
        out[..., 0] = p & 0xFF
        out[..., 1] = (p >> 8) & 0xFF
        out[..., 2] = (p >> 16) & 0xFF
        return out


class Events:
    """Paint events collected in program order and applied in one go."""

    def __init__(self):
        self.xs, self.ys, self.cs = [], [], []

    def add(self, xs, ys, cs):
        xs = np.asarray(xs, dtype=np.int64).ravel()
        self.xs.append(xs)
        self.ys.append(np.asarray(ys, dtype=np.int64).ravel())
        self.cs.append(_colours_for(cs, xs.shape))

    def apply(self, raster: Raster):
        if self.xs:
            raster.paint(np.concatenate(self.xs), np.concatenate(self.ys), np.concatenate(self.cs))


class Context:
    def __init__(self, rng: Random, julia=(-0.39054, -0.58679)):
        self.rng = rng
        self.julia_x = float(julia[0])
        self.julia_y = float(julia[1])


# ---------------------------------------------------------------- Mandelbrot

def _simple_mandel_inside(xs, ys):
    """Inside test of Simple Mandel for the grid xs (columns) by ys (rows)."""
    R = L(2.0)
    cre = np.repeat(store(ext(xs) - R)[:, None], len(ys), axis=1).ravel()
    cim = np.repeat(store(R - ext(ys))[None, :], len(xs), axis=0).ravel()
    n_pts = cre.size
    zr = np.zeros(n_pts)
    zi = np.zeros(n_pts)
    m = np.zeros(n_pts)
    idx = np.arange(n_pts)
    for _ in range(30):
        if idx.size == 0:
            break
        a, b = zr[idx], zi[idx]
        la, lb = ext(a), ext(b)
        pr = store(la * la - lb * lb)
        pi = store(lb * la + la * lb)
        a = store(ext(pr) + ext(cre[idx]))
        b = store(ext(pi) + ext(cim[idx]))
        mm = store(ext(a) * ext(a) + ext(b) * ext(b))
        zr[idx], zi[idx], m[idx] = a, b, mm
        idx = idx[mm < 4]
    return (m < 4).reshape(len(xs), len(ys))


def simple_mandel(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    dx = store(L(4) / L(W))
    dy = store(L(4) / L(H))
    half = H // 2
    c1 = W // 10
    c2 = (11 * W) // 20
    c3 = (13 * W) // 20
    T = H // 20 + 1
    x0 = store(L(c1) * L(dx))
    # Band 1 covers columns c1..c2; band 2 columns c2..c3, each one x step on.
    n1 = c2 - c1 + 1
    n2 = c3 - c2 + 1
    xs = accumulate(x0, dx, n1 + n2)
    ys = accumulate(0.0, dy, half + 1)
    rows = np.arange(half + 1)
    ev = Events()
    inside1 = _simple_mandel_inside(xs[:n1], ys)
    for i, col in enumerate(range(c1, c2 + 1)):
        hits = rows[inside1[i]]
        if hits.size >= T:
            fill_row = hits[T - 1]
            hits = hits[:T]
        else:
            fill_row = None
        pts = np.stack([hits, H - hits], axis=1).ravel()
        ev.add(np.full(pts.shape, col), pts, r.pen)
        if fill_row is not None:
            r.move_pen_to(col, fill_row)
            lx, ly = r.line_events(col, H - fill_row)
            ev.add(lx, ly, r.pen)
    if n2 > 0:
        inside2 = _simple_mandel_inside(xs[n1:], ys)
        for i, col in enumerate(range(c2, c3 + 1)):
            hits = rows[inside2[i]]
            if hits.size == 0:
                break
            pts = np.stack([hits, H - hits], axis=1).ravel()
            ev.add(np.full(pts.shape, col), pts, r.pen)
    ev.apply(r)


def mandel(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    dx = store(L(2.5) / L(W))
    dy = store(L(-2.5) / L(H))
    half = H // 2
    rows = np.arange(1, max(half, 1) + 1)
    cols = np.arange(1, W)
    if cols.size == 0:
        return
    cre = store(ext(cols) * L(dx) + L(-1.85))
    cim = store(ext(rows) * L(dy) + L(1.25))
    CR = np.repeat(cre[None, :], rows.size, axis=0).ravel()
    CI = np.repeat(cim[:, None], cols.size, axis=1).ravel()
    npts = CR.size
    zr = np.zeros(npts)
    zi = np.zeros(npts)
    re2 = np.zeros(npts)
    im2 = np.zeros(npts)
    n = np.zeros(npts, dtype=np.int64)
    idx = np.arange(npts)
    while idx.size:
        t = store(ext(re2[idx]) - ext(im2[idx]) + ext(CR[idx]))
        b = store((L(2) * ext(zr[idx])) * ext(zi[idx]) + ext(CI[idx]))
        a = t
        r2 = store(ext(a) * ext(a))
        i2 = store(ext(b) * ext(b))
        zr[idx], zi[idx], re2[idx], im2[idx] = a, b, r2, i2
        n[idx] += 1
        go_on = ~((ext(r2) + ext(i2)) > EXT_2_82) & (n[idx] != 15)
        idx = idx[go_on]
    colours = palette_color(n - 1).reshape(rows.size, cols.size)
    X = np.repeat(cols[None, :], rows.size, axis=0)
    Y = np.repeat(rows[:, None], cols.size, axis=1)
    xs = np.stack([X, X], axis=2)
    ys = np.stack([Y, H - Y], axis=2)
    cs = np.stack([colours, colours], axis=2)
    r.paint(xs, ys, cs)


# ------------------------------------------------------------ Julia families

def _iterate_julia(z_re, z_im, step_fn, limit):
    """Run the Julia iteration; returns (painted mask, band n div 2) per point."""
    npts = z_re.size
    zr = z_re.copy()
    zi = z_im.copy()
    n = np.zeros(npts, dtype=np.int64)
    painted = np.zeros(npts, dtype=bool)
    idx = np.arange(npts)
    while idx.size:
        a, b = step_fn(zr[idx], zi[idx])
        m = store(ext(a) * ext(a) + ext(b) * ext(b))
        zr[idx], zi[idx] = a, b
        near = m < EXT_0_0001
        done = near | (m >= 100) | (n[idx] >= limit)
        painted[idx[done & ~near]] = True
        keep = ~done
        n[idx[keep]] += 1
        idx = idx[keep]
    return painted, n // 2


def _quad_step(cre, cim, real_only):
    Lcre, Lcim = L(cre), L(cim)

    def step(a, b):
        la, lb = ext(a), ext(b)
        pr = store(la * la - lb * lb)
        pi = store(lb * la + la * lb)
        nr = store(ext(pr) + Lcre)
        ni = pi if real_only else store(ext(pi) + Lcim)
        return nr, ni
    return step


_vexp = np.frompyfunc(math.exp, 1, 1)
_vsin = np.frompyfunc(math.sin, 1, 1)
_vcos = np.frompyfunc(math.cos, 1, 1)


def _libm(fn, values):
    return fn(values).astype(F64)


def _cos_step(a, b):
    e = _libm(_vexp, b)
    u = store(L(1) / ext(e))
    cx = ext(_libm(_vcos, a))
    sx = ext(_libm(_vsin, a))
    re = store(cx * (ext(e) + ext(u)) / L(2))
    im = store(-sx * (ext(e) - ext(u)) / L(2))
    return re, im


def _sin_step(a, b):
    e = _libm(_vexp, b)
    u = store(L(1) / ext(e))
    cx = ext(_libm(_vcos, a))
    sx = ext(_libm(_vsin, a))
    re = store(sx * (ext(e) + ext(u)) / L(2))
    im = store(cx * (ext(e) - ext(u)) / L(2))
    return re, im


def _julia_start(xs, ys, R):
    """Starting points (x - R, R - y) over the column x row grid, flattened."""
    LR = L(R)
    zr = store(ext(xs) - LR)
    zi = store(LR - ext(ys))
    ZR = np.repeat(zr[:, None], ys.size, axis=1).ravel()
    ZI = np.repeat(zi[None, :], xs.size, axis=0).ravel()
    return ZR, ZI


# caption: (R, c_re, c_im or None for a real c, maxc by size?, quarter?, band 0 painted?)
_QUAD_MEMBERS = {
    "Ameboa": (2.0, 0.3, -0.4, True, False, False),
    "Dendrite": (2.0, 0.0, 1.0, True, False, False),
    "Dragon": (2.0, 0.360284, 0.100376, True, False, True),
    "EKG": (2.5, -1.5, None, True, True, True),
    "Flower": (2.0, 0.384, None, True, True, True),
    "Rabbit": (2.0, -0.122, 0.745, False, False, True),
    "Siegel": (2.0, -0.39054, -0.58679, False, False, True),
}


def _quad_julia(r: Raster, ctx: Context, R, cre, cim, by_size, fourfold, band0):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    S = max(W, H)
    half = S // 2
    step = store(L(2) * L(R) / L(S))
    if by_size:
        maxc = 5 if S < 100 else (8 if S < 200 else 15)
    else:
        maxc = 15
    limit = 2 * maxc
    ncols = half + 1 if fourfold else S + 1
    nrows = half + 1
    xs = accumulate(0.0, step, ncols)
    ys = accumulate(0.0, step, nrows)
    ZR, ZI = _julia_start(xs, ys, R)
    real_only = cim is None
    painted, band = _iterate_julia(ZR, ZI, _quad_step(cre, 0.0 if real_only else cim, real_only), limit)
    if not band0:
        painted &= band != 0
    colours = np.where(band == maxc, WHITE, palette_color(band)).astype(np.uint32)
    col = np.repeat(np.arange(ncols)[:, None], nrows, axis=1).ravel()
    row = np.repeat(np.arange(nrows)[None, :], ncols, axis=0).ravel()
    if fourfold:
        xs4 = np.stack([col, S - col, S - col, col], axis=1)
        ys4 = np.stack([row, S - row, row, S - row], axis=1)
    else:
        xs4 = np.stack([col, S - col], axis=1)
        ys4 = np.stack([row, S - row], axis=1)
    k = xs4.shape[1]
    cs = np.repeat(colours[:, None], k, axis=1)
    sel = painted
    r.paint(xs4[sel], ys4[sel], cs[sel])


def _make_quad(caption):
    R, cre, cim, by_size, fourfold, band0 = _QUAD_MEMBERS[caption]

    def gen(r: Raster, ctx: Context):
        _quad_julia(r, ctx, R, cre, cim, by_size, fourfold, band0)
    gen.__name__ = caption.lower()
    return gen


def custom_julia(r: Raster, ctx: Context):
    _quad_julia(r, ctx, 2.0, ctx.julia_x, ctx.julia_y, False, False, True)


def cloud(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    S = max(W, H)
    half = S // 2
    R = 1.5
    step = store(L(2) * L(R) / L(S))
    limit = 30
    A = r.pen
    B = rgb(max(get_red(A) - 64, 0), max(get_green(A) - 64, 0), max(get_blue(A) - 64, 0))
    ncols, nrows = half + 1, S + 1
    xs = accumulate(0.0, step, ncols)
    ys = accumulate(0.0, step, nrows)
    ZR, ZI = _julia_start(xs, ys, R)
    painted, band = _iterate_julia(ZR, ZI, _quad_step(-0.194, 0.6557, False), limit)
    painted &= (band == 14) | (band == 15)
    colours = np.where(band == 15, A, B).astype(np.uint32)
    col = np.repeat(np.arange(ncols)[:, None], nrows, axis=1).ravel()
    row = np.repeat(np.arange(nrows)[None, :], ncols, axis=0).ravel()
    xs2 = np.stack([col, S - col], axis=1)
    ys2 = np.stack([row, S - row], axis=1)
    cs = np.repeat(colours[:, None], 2, axis=1)
    r.paint(xs2[painted], ys2[painted], cs[painted])


def _trig_julia(r: Raster, ctx: Context, step_fn):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    S = max(W, H)
    half = S // 2
    R = 2.0
    step = store(L(2) * L(R) / L(S))
    saved_pen = r.pen
    r.pen = int(palette_color(15))
    T = int(truncate(L(S) / L(100) * L(37)))
    V = S // 5
    ncols, nrows = T + 1, V + 1
    xs = accumulate(0.0, step, ncols)
    ys = accumulate(0.0, step, nrows)
    ZR, ZI = _julia_start(xs, ys, R)
    painted, band = _iterate_julia(ZR, ZI, step_fn, 30)
    colours = palette_color(band).reshape(ncols, nrows)
    painted = painted.reshape(ncols, nrows)
    rows = np.arange(nrows)
    ev = Events()
    for col in range(ncols):
        p = painted[col]
        rr = rows[p]
        cc = colours[col][p]
        xs4 = np.stack([np.full(rr.shape, col), np.full(rr.shape, S - col),
                        np.full(rr.shape, S - col), np.full(rr.shape, col)], axis=1)
        ys4 = np.stack([rr, S - rr, rr, S - rr], axis=1)
        ev.add(xs4, ys4, np.repeat(cc[:, None], 4, axis=1))
        r.move_pen_to(col, V)
        ev.add(*r.line_events(col, S - V), r.pen)
        r.move_pen_to(S - col, V)
        ev.add(*r.line_events(S - col, S - V), r.pen)
    for col in range(T, half + 1):
        r.move_pen_to(col, 0)
        ev.add(*r.line_events(col, S), r.pen)
        r.move_pen_to(S - col, 0)
        ev.add(*r.line_events(S - col, S), r.pen)
    ev.apply(r)
    r.pen = saved_pen


def julia_cos(r: Raster, ctx: Context):
    _trig_julia(r, ctx, _cos_step)


def julia_sin(r: Raster, ctx: Context):
    _trig_julia(r, ctx, _sin_step)


# --------------------------------------------------------- chaos-game engine

FERN_MAPS = [
    (0.0, 0.0, 0.0, 0.16, 0.0, 0.0),
    (0.85, 0.04, -0.04, 0.85, 0.0, 1.6),
    (0.2, -0.26, 0.23, 0.22, 0.0, 1.6),
    (-0.15, 0.28, 0.26, 0.24, 0.0, 0.44),
]
TREE_MAPS = [
    (0.0, 0.0, 0.0, 0.5, 0.0, 0.0),
    (0.42, -0.42, 0.42, 0.42, 0.0, 0.2),
    (0.42, 0.42, -0.42, 0.42, 0.0, 0.2),
    (0.1, 0.0, 0.0, 0.1, 0.0, 0.2),
]
CASTLE_MAPS = [
    (0.5, 0.0, 0.0, 0.5, 0.0, 0.0),
    (0.5, 0.0, 0.0, 0.5, 2.0, 0.0),
    (0.4, 0.0, 0.0, 0.4, 0.0, 1.0),
    (0.5, 0.0, 0.0, 0.5, 2.0, 1.0),
]
CLOUD_MAPS = [
    (0.5, 0.0, 0.0, 0.5, 0.0, 0.0),
    (0.5, 0.0, 0.0, 0.5, 2.0, 0.0),
    (-0.4, 0.0, 1.0, 0.4, 0.0, 1.0),
    (-0.5, 0.0, 0.0, 0.5, 2.0, 1.0),
]


def _grid(cells, m):
    """Maps A = D = 0.33 over grid cells given as (E, F) in units 1, h (m div 2), m."""
    value = {"1": 1.0, "h": float(m // 2), "m": float(m), "0": 0.0}
    return [(0.33, 0.0, 0.0, 0.33, value[e], value[f]) for e, f in cells]


def carpet_maps(m):
    return _grid([("1", "1"), ("m", "1"), ("1", "m"), ("m", "m"),
                  ("h", "1"), ("m", "h"), ("1", "h"), ("h", "m")], m)


def maze_maps(m):
    return _grid([("1", "1"), ("h", "1"), ("1", "h"), ("h", "m"), ("m", "m"), ("1", "m")], m)


def cross_maps(m):
    return _grid([("1", "1"), ("m", "1"), ("1", "m"), ("m", "m"), ("h", "h")], m)


def mist_maps(h):
    H, half = float(h), float(h // 2)
    sheared = [(0.0, 0.0), (H, 0.0), (1.0, H), (H, H)]
    plain = [(half, 1.0), (H, half), (1.0, half), (half, H)]
    return ([(0.33, 1.0, 0.0, 0.33, e, f) for e, f in sheared]
            + [(0.33, 0.0, 0.0, 0.33, e, f) for e, f in plain])


def fern_choice(r100):
    """Fern map index (0-based) from r = Random(100) + 1."""
    r = r100 + 1
    return np.where(r <= 85, 1, np.where(r == 86, 0, np.where(r <= 93, 2, 3)))


def tree_choice(r100):
    r = r100 + 1
    return np.where(r <= 40, 1, np.where(r <= 80, 2, np.where(r <= 94, 3, 0)))


def run_maps(table, choices, x, y):
    """Apply the chosen maps in turn from (x, y).

    Returns the doubles (xs, ys) after every step and the final point.  The
    new x feeds the y line; each line is one extended expression rounded once.
    """
    coef = [tuple(L(v) for v in mp) for mp in table]
    n = len(choices)
    xs = np.empty(n, dtype=F64)
    ys = np.empty(n, dtype=F64)
    x, y = float(x), float(y)
    for i, k in enumerate(choices.tolist()):
        A, B, C, D, E, Fv = coef[k]
        x = float(A * x + B * y + E)
        y = float(C * x + D * y + Fv)
        xs[i] = x
        ys[i] = y
    return xs, ys, x, y


def fern(r: Raster, ctx: Context):
    W, H = r.W, r.H
    T = 20 * H
    steps = max(T, 10)
    seeds = ctx.rng.seeds(steps)
    choices = fern_choice(Random.results(seeds, 100))
    xs, ys, _, _ = run_maps(FERN_MAPS, choices, 0.0, 0.0)
    xs, ys = xs[10:], ys[10:]
    s = store(L(H) / L(10))
    X = round_half_even(L(s) * ext(xs) + L(H) / L(2))
    Y = round_half_even(L(s) * ext(ys))
    r.paint(X, Y, r.pen)


def tree(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = min(W, H)
    T = 25 * m
    seeds = ctx.rng.seeds(max(T, 10))
    choices = tree_choice(Random.results(seeds, 100))
    xs, ys, _, _ = run_maps(TREE_MAPS, choices, 0.0, 0.0)
    xs, ys = xs[10:], ys[10:]
    S = store(L(3) * L(m))
    px = store(L(S) * ext(xs))
    py = store(L(S) * ext(ys))
    ok = (px < 2147483647) & (py < 2147483647)
    X = round_half_even(px[ok]) + m // 2
    Y = m - round_half_even(py[ok])
    r.paint(X, Y, r.pen)


def _uniform_attractor(ctx: Context, table, nmaps, T, colour_draw):
    """Uniform chaos game of T steps (at least the 10 run-in steps).

    colour_draw: None, 'after' (a colour draw follows each painted step's map
    draw) or 'before' (it precedes it).  Returns xs, ys of the painted steps
    and the seeds of their colour draws."""
    per = 1 if colour_draw is None else 2
    total = 10 + per * max(T - 10, 0)
    seeds = ctx.rng.seeds(total)
    head = seeds[:10]
    tail = seeds[10:]
    if per == 1:
        map_seeds = seeds
        colour_seeds = None
    else:
        if colour_draw == "after":
            m_tail, c_tail = tail[0::2], tail[1::2]
        else:
            c_tail, m_tail = tail[0::2], tail[1::2]
        map_seeds = np.concatenate([head, m_tail])
        colour_seeds = c_tail
    choices = Random.results(map_seeds, nmaps)
    xs, ys, _, _ = run_maps(table, choices, 0.0, 0.0)
    return xs[10:], ys[10:], colour_seeds


def castle(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = max(W, H)
    xs, ys, cseeds = _uniform_attractor(ctx, CASTLE_MAPS, 4, 50 * m, "after")
    s = store(L(m) / L(2))
    X = round_half_even(L(s) * ext(xs))
    Y = m - round_half_even(L(s) * ext(ys))
    r.paint(X, Y, palette_color(Random.results(cseeds, 15) + 1))


def clouds(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = max(W, H)
    xs, ys, _ = _uniform_attractor(ctx, CLOUD_MAPS, 4, 50 * m, None)
    s = store(L(m) / L(2))
    X = round_half_even(L(s) * ext(xs))
    Y = m - round_half_even(L(s) * ext(ys))
    r.paint(X, Y, r.pen)


def rock(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = max(W, H)
    xs, ys, _ = _uniform_attractor(ctx, CLOUD_MAPS, 4, 250 * m, None)
    s = L(m // 2)
    X = round_half_even(s * ext(xs))
    Y = round_half_even(s * ext(ys))
    r.paint(X, Y, r.pen)


TWO_THIRDS = 2.0 / 3.0


def carpet(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = max(W, H)
    xs, ys, cseeds = _uniform_attractor(ctx, carpet_maps(m), 8, 50 * m, "after")
    s = L(TWO_THIRDS)
    X = round_half_even(s * ext(xs))
    Yr = round_half_even(s * ext(ys))
    colours = palette_color(Random.results(cseeds, 15) + 1)
    r.paint(np.stack([X, X], axis=1), np.stack([Yr, m - Yr], axis=1),
            np.stack([colours, colours], axis=1))


def maze(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = max(W, H)
    xs, ys, _ = _uniform_attractor(ctx, maze_maps(m), 6, 50 * m, None)
    s = L(TWO_THIRDS)
    X = round_half_even(s * ext(xs))
    Yr = round_half_even(s * ext(ys))
    r.paint(np.stack([X, X], axis=1), np.stack([Yr, m - Yr], axis=1), r.pen)


def snow_star(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = max(W, H)
    xs, ys, cseeds = _uniform_attractor(ctx, cross_maps(m), 5, 50 * m, "before")
    s = L(0.66)
    X = round_half_even(s * ext(xs))
    Y = round_half_even(s * ext(ys))
    r.paint(X, Y, palette_color(Random.results(cseeds, 4) + 11))


def mist_clouds(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    colour = int(palette_color(7))
    T = 150 * H
    seeds = ctx.rng.seeds(T)
    choices = Random.results(seeds, 8)
    xs, ys, _, _ = run_maps(mist_maps(H), choices, 1.0, float(H // 10))
    s = L(TWO_THIRDS)
    X = round_half_even(s * ext(xs))
    Y = round_half_even(s * ext(ys))
    r.paint(X, Y, colour)


def _copies(r: Raster, ctx: Context, m, table, N, params, step_draws, choose):
    """Twenty copies of a scattered attractor.

    params: number of parameter draws per copy (bounds given by the callable
    `bounds`); step_draws: 1 (map only) or 2 (colour, then map).  Yields per
    copy (parameter draws, xs, ys of painted steps, colour draws)."""
    x, y = 0.0, 0.0
    steps = max(N, 10)
    painted = max(N - 10, 0)
    per_copy = len(params) + 10 + step_draws * painted
    for _ in range(20):
        seeds = ctx.rng.seeds(per_copy)
        pvals = [int(Random.results(seeds[i:i + 1], params[i](m))[0]) for i in range(len(params))]
        rest = seeds[len(params):]
        if step_draws == 1:
            map_seeds = rest
            colour_seeds = None
        else:
            tail = rest[10:]
            colour_seeds = tail[0::2]
            map_seeds = np.concatenate([rest[:10], tail[1::2]])
        assert map_seeds.size == steps
        choices = choose(map_seeds)
        xs, ys, x, y = run_maps(table, choices, x, y)
        yield pvals, xs[10:], ys[10:], colour_seeds


def forrest(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = max(W, H)
    N = int(truncate(L(m) / L(20) * L(50)))
    params = [lambda m: m, lambda m: m, lambda m: 3, lambda m: 10]
    ev = Events()
    for (tx, ty, k, rc), xs, ys, _ in _copies(
            r, ctx, m, TREE_MAPS, N, params, 1, lambda sd: tree_choice(Random.results(sd, 100))):
        k += 1
        rc += 1
        S = store(L(m) / L(k))
        entry = 2 if rc <= 8 else (14 if rc == 9 else 6)
        px = store(L(S) * ext(xs))
        py = store(L(S) * ext(ys))
        ok = (px < 2147483647) & (py < 2147483647)
        X = round_half_even(px[ok]) + tx
        Y = ty - round_half_even(py[ok])
        ev.add(X, Y, palette_color(entry))
    ev.apply(r)


def galaxy(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = min(W, H)
    params = [lambda m: m, lambda m: m, lambda m: 5]
    ev = Events()
    for (cx, cy, k), xs, ys, _ in _copies(
            r, ctx, m, cross_maps(m), 5 * m, params, 1, lambda sd: Random.results(sd, 5)):
        s = store(L(k + 1) / L(100))
        px = store(L(s) * ext(xs))
        py = store(L(s) * ext(ys))
        ok = (px < 2147483647) & (py < 2147483647)
        X = round_half_even(px[ok]) + cx
        Y = round_half_even(py[ok]) + cy
        ev.add(X, Y, r.pen)
    ev.apply(r)


def fall(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = max(W, H)
    params = [lambda m: m, lambda m: m, lambda m: 5]
    ev = Events()
    for (cx, cy, k), xs, ys, cseeds in _copies(
            r, ctx, m, cross_maps(m), 10 * m, params, 2, lambda sd: Random.results(sd, 5)):
        s = store(L(k + 1) / L(50))
        X = round_half_even(L(s) * ext(xs) + L(cx))
        Y = round_half_even(L(s) * ext(ys) + L(cy))
        ev.add(X, Y, palette_color(Random.results(cseeds, 4) + 12))
    ev.apply(r)


# ------------------------------------------------------ Triangle and Bifur

def triangle(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    m = min(W, H)
    x = ctx.rng.random(m)
    y = ctx.rng.random(m)
    T = 100 * m
    corners = (Random.results(ctx.rng.seeds(T), 3) + 1).tolist()
    xs = np.empty(T, dtype=np.int64)
    ys = np.empty(T, dtype=np.int64)
    h = m // 2
    for i, c in enumerate(corners):
        if c == 1:
            x, y = x // 2, (y + m) // 2
        elif c == 2:
            x, y = (x + h) // 2, y // 2
        else:
            x, y = (x + m) // 2, (y + m) // 2
        xs[i] = x
        ys[i] = y
    r.paint(xs, ys, r.pen)


def bifur(r: Raster, ctx: Context):
    W, H = r.W, r.H
    if W == 0 or H == 0:
        return
    ymid = H // 2
    dc = store(L(2.25) / L(W))
    ys_scale = store(L(5 * W) / L(8))
    c = accumulate(store(L(-2.0) + L(dc)), dc, W)   # c of columns 1 .. W
    Lc = ext(c)
    x = np.zeros(W)
    for _ in range(50):
        x = store(ext(x) * ext(x) + Lc)
    rows = np.empty((W, 150), dtype=np.int64)
    colours = np.empty((W, 150), dtype=np.uint32)
    for j, i in enumerate(range(51, 201)):
        x = store(ext(x) * ext(x) + Lc)
        rows[:, j] = ymid + round_half_even(ext(x) * L(ys_scale))
        colours[:, j] = palette_color(i // 15)
    cols = np.repeat(np.arange(1, W + 1)[:, None], 150, axis=1)
    r.paint(cols, rows, colours)


# ---------------------------------------------------------------- catalogue

CATALOGUE = [
    ("Simple Mandel", simple_mandel),
    ("Mandel", mandel),
    ("Custom..", custom_julia),
    ("Ameboa", _make_quad("Ameboa")),
    ("Dendrite", _make_quad("Dendrite")),
    ("Dragon", _make_quad("Dragon")),
    ("EKG", _make_quad("EKG")),
    ("Flower", _make_quad("Flower")),
    ("Rabbit", _make_quad("Rabbit")),
    ("Siegel", _make_quad("Siegel")),
    ("Julia Cos", julia_cos),
    ("Julia Sin", julia_sin),
    ("Fern", fern),
    ("Bifur", bifur),
    ("Carpet", carpet),
    ("Castle", castle),
    ("Cloud", cloud),
    ("Clouds", clouds),
    ("Fall", fall),
    ("SnowStar", snow_star),
    ("Forrest", forrest),
    ("Tree", tree),
    ("Galaxy", galaxy),
    ("Triangle", triangle),
    ("Maze", maze),
    ("Mist Clouds", mist_clouds),
    ("Rock", rock),
]

# Generators that draw random numbers (the others give one picture per size).
RANDOM_DRAWING = {"Fern", "Carpet", "Castle", "Clouds", "Fall", "SnowStar", "Forrest",
                  "Tree", "Galaxy", "Triangle", "Maze", "Mist Clouds", "Rock"}
# Generators whose picture depends on the pen colour they find.
PEN_READING = {"Simple Mandel", "Cloud", "Fern", "Tree", "Clouds", "Rock", "Maze",
               "Galaxy", "Triangle"}


def key(caption: str) -> str:
    """Caption as the batch renderer matches it: no case, blanks or dots."""
    return "".join(ch for ch in caption.lower() if ch not in " .")


def file_stem(caption: str) -> str:
    return "".join(ch for ch in caption if ch not in " .")


_BY_KEY = {key(c): (c, f) for c, f in CATALOGUE}


def lookup(name: str):
    return _BY_KEY[key(name)]


def parse_pen(text: str) -> int:
    v = int(text, 16)
    return rgb((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF)


def render(name, width, height, seed=0, pen=WHITE, julia=(-0.39054, -0.58679), rng=None, raster=None):
    """Render one picture; returns the Raster.  Raises FloatingPointError on a
    floating-point fault (overflow, invalid operation, division by zero)."""
    _, gen = lookup(name)
    if rng is None:
        rng = Random(seed)
    if raster is None:
        raster = Raster(width, height, pen)
    ctx = Context(rng, julia)
    with np.errstate(over="raise", invalid="raise", divide="raise", under="ignore"):
        gen(raster, ctx)
    return raster


def render_sequence(names, width, height, seed=0, pen=WHITE, julia=(-0.39054, -0.58679)):
    """Render several generators in turn on one random sequence, as one
    program run does (each render starts from a black raster and keeps the
    pen colour the previous generator left)."""
    rng = Random(seed)
    out = {}
    pen_now = pen
    for name in names:
        raster = render(name, width, height, pen=pen_now, julia=julia, rng=rng)
        pen_now = raster.pen
        out[name] = raster
    return out
