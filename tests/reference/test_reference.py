#!/usr/bin/python3
"""Checks of the reference renderer against the facts Pelorix's pictures must
show (random sequence, palette, rounding, line ends, block sizes, draw counts,
known pixels), so that a mistake in the reference itself is caught before it
is used to judge the program."""

import os
import sys
import unittest

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compare  # noqa: E402
import reference as ref  # noqa: E402

L = np.longdouble


def advanced(seed, draws):
    rng = ref.Random(seed)
    for _ in range(draws):
        rng.random(1)
    return rng.seed


def seed_after(name, w, h, seed=77):
    rng = ref.Random(seed)
    ref.render(name, w, h, rng=rng)
    return rng.seed


class Helpers(unittest.TestCase):
    def test_random_from_zero(self):
        rng = ref.Random(0)
        got = [(rng.random(100), rng.seed) for _ in range(4)]
        self.assertEqual(got, [(0, 1), (3, 134775814), (86, 3698175007), (20, 870078620)])

    def test_random_one_advances(self):
        rng = ref.Random(5)
        self.assertEqual(rng.random(1), 0)
        self.assertNotEqual(rng.seed, 5)

    def test_block_seeds_match_single_steps(self):
        for count in (1, 2, 3, 7, 64, 1000, 4097):
            a, b = ref.Random(4294967295), ref.Random(4294967295)
            block = a.seeds(count)
            single = []
            for _ in range(count):
                b.random(1)
                single.append(b.seed)
            self.assertEqual(block.tolist(), single)
            self.assertEqual(a.seed, b.seed)

    def test_palette_quirks(self):
        self.assertEqual(int(ref.palette_color(3)), 0xFFFF00)
        self.assertEqual(int(ref.palette_color(11)), 0xFFFF00)
        for i in (9, 16, 255):
            self.assertEqual(int(ref.palette_color(i)), 0xFF0000)
        self.assertEqual(int(ref.palette_color(256 + 4)), 0x000080)

    def test_rounding(self):
        self.assertEqual(ref.round_half_even([2.5, 3.5, -2.5]).tolist(), [2, 4, -2])
        self.assertEqual(ref.truncate([2.7, -2.7]).tolist(), [2, -2])
        # The unrounded extended value decides: 0.5 + 2^-60 is above the tie.
        self.assertEqual(ref.round_half_even(np.array([L(0.5) + L(2) ** -60])).tolist(), [1])
        # A 32-bit integer keeps the low 32 bits.
        self.assertEqual(ref.round_half_even([2.0 ** 32 + 5]).tolist(), [5])

    def test_colour_helpers(self):
        c = 0x00C08040
        self.assertEqual((ref.get_red(c), ref.get_green(c), ref.get_blue(c)), (0x40, 0x80, 0xC0))
        self.assertEqual(ref.parse_pen("3264C8"), ref.rgb(50, 100, 200))

    def test_lines_and_clipping(self):
        r = ref.Raster(10, 10)
        r.move_pen_to(4, 5)
        r.line_to(4, 8)
        self.assertEqual(sorted(zip(*np.nonzero(r.pixels))), [(5, 4), (6, 4), (7, 4)])
        r.line_to(4, 8)
        r.set_pixel(10, 0, ref.WHITE)
        r.set_pixel(-1, 3, ref.WHITE)
        r.paint([0, 9, 10], [10, -1, 9], ref.WHITE)
        self.assertEqual(int((r.pixels != 0).sum()), 3)

    def test_last_paint_wins(self):
        r = ref.Raster(3, 3)
        r.paint([1, 1, 2, 1], [1, 1, 0, 1], [1, 2, 3, 4])
        self.assertEqual(int(r.pixels[1, 1]), 4)
        self.assertEqual(int(r.pixels[0, 2]), 3)

    def test_complex(self):
        re, im = ref._quad_step(0.0, 0.0, False)(np.array([0.0]), np.array([1.0]))
        self.assertEqual((re[0], im[0]), (-1.0, 0.0))
        re, im = ref._cos_step(np.array([0.0]), np.array([0.0]))
        self.assertEqual((re[0], im[0]), (1.0, 0.0))
        re, im = ref._sin_step(np.array([0.0]), np.array([0.0]))
        self.assertEqual((re[0], im[0]), (0.0, 0.0))


class Mandelbrot(unittest.TestCase):
    def test_mandel_known_pixels(self):
        p = ref.render("Mandel", 640, 480).pixels
        self.assertEqual(int(p[1, 1]), 0)
        self.assertEqual(int(p[240, 346]), 0x00FFFF)
        self.assertFalse(p[:, 0].any() or p[0, :].any())
        self.assertTrue((p != 0).sum() > 100000)

    def test_simple_mandel_strip(self):
        p = ref.render("Simple Mandel", 640, 480).pixels
        cols = np.nonzero(p.any(axis=0))[0]
        self.assertGreaterEqual(cols.min(), 64)
        self.assertLessEqual(cols.max(), 416)
        self.assertEqual(set(np.unique(p).tolist()), {0, 0xFFFFFF})
        # Columns of band 1 inside the main body are filled solid.
        rows = np.nonzero(p[:, 250])[0]
        self.assertTrue(p[rows.min():rows.max() + 1, 250].all())
        self.assertGreater(rows.size, 100)

    def test_mandel_one_row(self):
        p = ref.render("Mandel", 50, 1).pixels
        self.assertTrue(p[0, 1:].any())


class Julia(unittest.TestCase):
    def test_custom_start_equals_siegel(self):
        a = ref.render("Custom..", 200, 150).pixels
        b = ref.render("Siegel", 200, 150).pixels
        self.assertTrue(np.array_equal(a, b))
        self.assertFalse(np.array_equal(a, ref.render("Custom..", 200, 150, julia=(-0.8, 0.156)).pixels))

    def test_fourfold_symmetry(self):
        for name in ("EKG", "Flower"):
            p = ref.render(name, 321, 321).pixels  # S odd: the frame fits the raster
            q = p[:321, :321]
            self.assertTrue(np.array_equal(q[:, 1:], q[:, 1:][:, ::-1]), name)
            self.assertTrue(np.array_equal(q[1:, :], q[1:, :][::-1, :]), name)

    def test_maxc_by_size(self):
        # At S < 100 Ameboa uses five bands; band 5 is white, 1..4 from the palette.
        colours = set(np.unique(ref.render("Ameboa", 90, 60).pixels).tolist())
        self.assertTrue(colours <= {0} | {int(ref.palette_color(k)) for k in range(1, 5)} | {0xFFFFFF})

    def test_band_zero(self):
        # Ameboa never paints band 0, so its middle row keeps the mirror's colour;
        # Dragon paints band 0 black over it.  Both pictures have black pixels.
        for name in ("Ameboa", "Dragon"):
            self.assertTrue((ref.render(name, 320, 320).pixels == 0).any())

    def test_cloud_pen_colours(self):
        p = ref.render("Cloud", 320, 320, pen=ref.rgb(50, 100, 200)).pixels
        self.assertEqual(set(np.unique(p).tolist()), {0, ref.rgb(0, 36, 136), ref.rgb(50, 100, 200)})

    def test_trig_blocks(self):
        for S, T, V in ((320, 118, 64), (640, 236, 128), (800, 296, 160), (1024, 378, 204)):
            self.assertEqual(int(ref.truncate(L(S) / L(100) * L(37))[()]), T)
            self.assertEqual(S // 5, V)
        c = ref.render("Julia Cos", 1024, 1024).pixels
        s = ref.render("Julia Sin", 1024, 1024).pixels
        white = np.ones((1024, 1024), dtype=bool)
        white[:204, :378] = white[:204, 1024 - 377:] = False
        white[1024 - 204:, :378] = white[1024 - 204:, 1024 - 377:] = False
        self.assertTrue((c[white] == 0xFFFFFF).all() and (s[white] == 0xFFFFFF).all())
        self.assertFalse((c[~white] == 0xFFFFFF).all())
        self.assertFalse(np.array_equal(c, s))

    def test_trig_restores_pen(self):
        r = ref.render("Julia Cos", 64, 48, pen=ref.rgb(1, 2, 3))
        self.assertEqual(r.pen, ref.rgb(1, 2, 3))

    def test_overflow(self):
        with self.assertRaises(FloatingPointError):
            ref.render("Custom..", 40, 30, julia=(1e200, 0.5))
        # Large but in range: every point escapes in band 0, painted black.
        self.assertFalse(ref.render("Custom..", 40, 30, julia=(1e100, 0.0)).pixels.any())


class ChaosGames(unittest.TestCase):
    def test_draw_counts(self):
        m = 320
        self.assertEqual(seed_after("Fern", 320, 240), advanced(77, 20 * 240))
        self.assertEqual(seed_after("Tree", 320, 240), advanced(77, 25 * 240))
        self.assertEqual(seed_after("Clouds", 320, 240), advanced(77, 50 * m))
        self.assertEqual(seed_after("Rock", 320, 240), advanced(77, 250 * m))
        self.assertEqual(seed_after("Maze", 320, 240), advanced(77, 50 * m))
        self.assertEqual(seed_after("Mist Clouds", 320, 240), advanced(77, 150 * 240))
        for name in ("Castle", "Carpet", "SnowStar"):
            self.assertEqual(seed_after(name, 320, 240), advanced(77, 10 + 2 * (50 * m - 10)), name)
        self.assertEqual(seed_after("Triangle", 320, 240), advanced(77, 2 + 100 * 240))
        self.assertEqual(seed_after("Forrest", 320, 240), advanced(77, 20 * (4 + 800)))
        self.assertEqual(seed_after("Galaxy", 320, 240), advanced(77, 20 * (3 + 5 * 240)))
        self.assertEqual(seed_after("Fall", 320, 240), advanced(77, 20 * (3 + 10 + 2 * (3200 - 10))))
        for name in ("Simple Mandel", "Mandel", "Cloud", "Julia Sin", "Bifur"):
            self.assertEqual(seed_after(name, 320, 240), 77, name)

    def test_forrest_copy_length(self):
        for m, n in ((42, 104), (320, 800), (640, 1600), (800, 2000), (1024, 2560)):
            self.assertEqual(int(ref.truncate(L(m) / L(20) * L(50))[()]), n)

    def test_same_seed_same_picture(self):
        for name in ("Fern", "Galaxy", "Fall"):
            a = ref.render(name, 160, 120, seed=3).pixels
            self.assertTrue(np.array_equal(a, ref.render(name, 160, 120, seed=3).pixels))
            self.assertFalse(np.array_equal(a, ref.render(name, 160, 120, seed=4).pixels))

    def test_fern_extent(self):
        cols = np.nonzero(ref.render("Fern", 1024, 768, seed=9).pixels.any(axis=0))[0]
        self.assertTrue(200 <= cols.min() <= 240 and 570 <= cols.max() <= 600, (cols.min(), cols.max()))

    def test_castle_and_snowstar_colours(self):
        castle = set(np.unique(ref.render("Castle", 320, 240, seed=1).pixels).tolist()) - {0}
        self.assertEqual(castle, {int(ref.palette_color(k)) for k in range(1, 16)})
        star = set(np.unique(ref.render("SnowStar", 320, 240, seed=1).pixels).tolist()) - {0}
        self.assertEqual(star, {int(ref.palette_color(k)) for k in range(11, 15)})

    def test_triangle_square(self):
        p = ref.render("Triangle", 320, 240, seed=2).pixels
        self.assertFalse(p[:, 240:].any())
        self.assertTrue(p[239, :].any())

    def test_bifur(self):
        p = ref.render("Bifur", 320, 240).pixels
        self.assertFalse(p[:, 0].any())
        self.assertTrue(p[:, 1:].any())
        self.assertTrue(np.array_equal(p, ref.render("Bifur", 320, 240).pixels))

    def test_mist_start(self):
        # No run-in: the first point is (1, H div 10) moved once by the first map.
        rng = ref.Random(0)
        k = int(ref.Random.results(ref.Random(0).seeds(1), 8)[0])
        xs, ys, _, _ = ref.run_maps(ref.mist_maps(240), np.array([k]), 1.0, 24.0)
        p = ref.render("Mist Clouds", 320, 240, rng=rng).pixels
        x = int(ref.round_half_even(L(2.0 / 3.0) * L(xs[0])))
        y = int(ref.round_half_even(L(2.0 / 3.0) * L(ys[0])))
        self.assertEqual((x, y), (16, 5))
        self.assertEqual(int(p[y, x]), 0xC0C0C0)


class Comparison(unittest.TestCase):
    def test_single_pixel_difference_is_reported(self):
        a = ref.render("Mandel", 64, 48).rgb_bytes()
        b = a.copy()
        self.assertEqual(compare.diff_lines(a, b), [])
        b[7, 9, 2] ^= 1
        lines = compare.diff_lines(a, b)
        self.assertTrue(lines and lines[0].startswith("1 differing"))
        self.assertIn("(9, 7)", lines[1])

    def test_ppm_reader(self):
        import tempfile
        pic = np.arange(5 * 3 * 3, dtype=np.uint8).reshape(3, 5, 3)
        with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as f:
            f.write(b"P6\n# made here\n5 3\n255\n" + pic.tobytes())
        try:
            self.assertTrue(np.array_equal(compare.read_ppm(f.name), pic))
        finally:
            os.remove(f.name)


if __name__ == "__main__":
    unittest.main()
