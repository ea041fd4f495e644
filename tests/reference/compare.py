#!/usr/bin/python3
"""Compare pelorix-render's pictures with the reference renderer, pixel by pixel.

Usage:
  compare.py RENDER --quick            the short set that ctest runs
  compare.py RENDER --full             every generator at the eight drawing
                                       sizes with several seeds, at a dozen
                                       sizes off the menu, and --all
  compare.py RENDER [--generators A,B] [--sizes WxH,...] [--seeds N,...]
                    [--pens RRGGBB,...] [--julias X,Y;X,Y] [--all-seed N]

RENDER is the pelorix-render program.  The exit status is 1 when any
picture differs or the program fails where the reference does not.
"""

from __future__ import annotations

import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference as ref  # noqa: E402

DRAWING_SIZES = [(320, 240), (640, 480), (800, 600), (1024, 768),
                 (320, 320), (640, 640), (800, 800), (1024, 1024)]
DEFAULT_JULIA = (-0.39054, -0.58679)
# |c| far beyond 1.3e154: the first squared modulus leaves the double range.
HUGE_JULIA = ("1" + "0" * 200 + ".0", "0.5")
# Sizes off the menu: one pixel, slivers, both orientations, the smaller
# colour depths of the Julia sets (S < 100, 100 <= S < 200), odd sides.
ODD_SIZES = [(1, 1), (2, 1), (1, 17), (17, 1), (4, 3), (9, 10), (99, 50),
             (101, 99), (199, 200), (333, 221), (221, 333), (1500, 37)]
SHOWN = 5


def read_ppm(path: str) -> np.ndarray:
    """A binary P6 file with maxval 255 as an H x W x 3 array."""
    with open(path, "rb") as f:
        data = f.read()
    tokens = []
    pos = 0
    while len(tokens) < 4:
        if pos >= len(data):
            raise ValueError(f"{path}: header ends early")
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        tokens.append(data[start:pos])
    if tokens[0] != b"P6" or tokens[3] != b"255":
        raise ValueError(f"{path}: not a binary PPM with maxval 255")
    width, height = int(tokens[1]), int(tokens[2])
    pos += 1  # the single whitespace byte after maxval
    if len(data) - pos < width * height * 3:
        raise ValueError(f"{path}: pixel data ends early")
    pixels = np.frombuffer(data, dtype=np.uint8, count=width * height * 3, offset=pos)
    return pixels.reshape(height, width, 3)


def hexrgb(v) -> str:
    return "#%02X%02X%02X" % tuple(int(c) for c in v)


class Case:
    def __init__(self, name, width, height, seed=0, pen=None, julia=None):
        self.name, self.width, self.height = name, width, height
        self.seed, self.pen, self.julia = seed, pen, julia

    def label(self) -> str:
        text = f"{self.name} {self.width}x{self.height} seed {self.seed}"
        if self.pen:
            text += f" pen {self.pen}"
        if self.julia:
            text += f" julia {self.julia[0][:24]},{self.julia[1][:24]}"
        return text

    def options(self):
        opts = ["--size", f"{self.width}x{self.height}", "--seed", str(self.seed)]
        if self.pen:
            opts += ["--pen", self.pen]
        if self.julia:
            opts += ["--julia", f"{self.julia[0]},{self.julia[1]}"]
        return opts

    def ref_args(self):
        return dict(seed=self.seed,
                    pen=ref.parse_pen(self.pen) if self.pen else ref.WHITE,
                    julia=tuple(float(v) for v in self.julia) if self.julia else DEFAULT_JULIA)


class Report:
    def __init__(self):
        self.passed = self.failed = 0

    def ok(self, label, seconds):
        self.passed += 1
        print(f"ok       {label} ({seconds:.1f} s)", flush=True)

    def fail(self, label, lines):
        self.failed += 1
        print(f"MISMATCH {label}", flush=True)
        for line in lines:
            print(f"         {line}", flush=True)


def diff_lines(expected: np.ndarray, got: np.ndarray):
    if expected.shape != got.shape:
        return [f"picture is {got.shape[1]}x{got.shape[0]}, expected {expected.shape[1]}x{expected.shape[0]}"]
    differ = np.any(expected != got, axis=2)
    count = int(differ.sum())
    if count == 0:
        return []
    ys, xs = np.nonzero(differ)
    lines = [f"{count} differing pixels; first (x, y, expected, got):"]
    for x, y in list(zip(xs.tolist(), ys.tolist()))[:SHOWN]:
        lines.append(f"({x}, {y}) expected {hexrgb(expected[y, x])} got {hexrgb(got[y, x])}")
    return lines


def run_render(render, args, timeout=600):
    return subprocess.run([render] + args, capture_output=True, text=True, timeout=timeout)


def check_case(render, case: Case, workdir: str, report: Report):
    out = os.path.join(workdir, "picture.ppm")
    if os.path.exists(out):
        os.remove(out)
    started = time.time()
    proc = run_render(render, [case.name, "-o", out] + case.options())
    try:
        expected = ref.render(case.name, case.width, case.height, **case.ref_args())
        fault = None
    except FloatingPointError as e:
        expected, fault = None, str(e)
    if fault is not None:
        if proc.returncode not in (0, 3) and "floating point" in proc.stderr.lower():
            report.ok(f"{case.label()} [fault: {fault}]", time.time() - started)
        else:
            report.fail(case.label(), [f"expected a floating-point fault ({fault}); program exited "
                                       f"{proc.returncode}: {proc.stderr.strip()[:200]}"])
        return
    if proc.returncode != 0:
        report.fail(case.label(), [f"program exited {proc.returncode}: {proc.stderr.strip()[:300]}"])
        return
    try:
        got = read_ppm(out)
    except (OSError, ValueError, IndexError) as e:
        report.fail(case.label(), [f"cannot read the program's picture: {e}"])
        return
    lines = diff_lines(expected.rgb_bytes(), got)
    if lines:
        report.fail(case.label(), lines)
    else:
        report.ok(case.label(), time.time() - started)


def check_all(render, width, height, seed, pen, workdir, report: Report):
    """--all DIR against the reference run in menu order on one seed."""
    label = f"--all {width}x{height} seed {seed}" + (f" pen {pen}" if pen else "")
    outdir = os.path.join(workdir, f"all-{width}x{height}-{seed}")
    started = time.time()
    args = ["--all", outdir, "--size", f"{width}x{height}", "--seed", str(seed)]
    if pen:
        args += ["--pen", pen]
    proc = run_render(render, args)
    if proc.returncode != 0:
        report.fail(label, [f"program exited {proc.returncode}: {proc.stderr.strip()[:300]}"])
        return
    produced = {f for f in os.listdir(outdir) if f.endswith(".ppm")}
    captions = [caption for caption, _ in ref.CATALOGUE]
    wanted = {ref.file_stem(c) + ".ppm" for c in captions}
    lines = []
    if produced != wanted:
        lines.append(f"files: missing {sorted(wanted - produced)}, unexpected {sorted(produced - wanted)}")
    pictures = ref.render_sequence(captions, width, height, seed=seed,
                                   pen=ref.parse_pen(pen) if pen else ref.WHITE)
    for caption in captions:
        path = os.path.join(outdir, ref.file_stem(caption) + ".ppm")
        if not os.path.exists(path):
            continue
        try:
            d = diff_lines(pictures[caption].rgb_bytes(), read_ppm(path))
        except (OSError, ValueError, IndexError) as e:
            d = [f"cannot read the program's picture: {e}"]
        if d:
            lines.append(f"{caption}: " + d[0])
            lines += ["  " + x for x in d[1:]]
    if lines:
        report.fail(label, lines)
    else:
        report.ok(f"{label} ({len(captions)} pictures)", time.time() - started)


def parse_size(text):
    w, h = text.lower().split("x")
    return int(w), int(h)


def build_cases(names, sizes, seeds, pens, julias):
    cases = []
    for name in names:
        for w, h in sizes:
            for i, seed in enumerate(seeds):
                # Pictures that draw no random number are the same for every seed.
                if i > 0 and name not in ref.RANDOM_DRAWING:
                    continue
                cases.append(Case(name, w, h, seed))
            if name in ref.PEN_READING:
                for pen in pens:
                    cases.append(Case(name, w, h, seeds[0], pen=pen))
            if name == "Custom..":
                for julia in julias:
                    cases.append(Case(name, w, h, seeds[0], julia=julia))
    return cases


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("render")
    p.add_argument("--quick", action="store_true")
    p.add_argument("--full", action="store_true")
    p.add_argument("--generators", help="captions, comma-separated (default: all)")
    p.add_argument("--sizes", help="WxH,WxH,...")
    p.add_argument("--seeds", help="N,N,...")
    p.add_argument("--pens", help="RRGGBB,... for the generators that read the pen")
    p.add_argument("--julias", help="X,Y;X,Y;... extra custom Julia constants")
    p.add_argument("--all-seed", type=int, action="append", help="also check --all with this seed")
    a = p.parse_args(argv)

    names = [c for c, _ in ref.CATALOGUE]
    sizes, seeds, pens, julias, all_runs = [(320, 240)], [1], [], [], []
    extra = []  # (sizes, seeds) swept besides the main set
    if a.quick:
        sizes = [(320, 240), (97, 130), (7, 5)]
        seeds = [1, 4294967295]
        pens = ["3264C8"]
        julias = [("-0.8", "0.156"), HUGE_JULIA]
        all_runs = [(64, 48, 2024, "3264C8")]
    if a.full:
        sizes = DRAWING_SIZES
        seeds = [0, 20240611, 4294967295]
        pens = ["3264C8"]
        julias = [("-0.8", "0.156"), ("0.285", "0.01"), HUGE_JULIA]
        all_runs = [(640, 480, 86399999, None), (1024, 1024, 7, "3264C8"), (17, 1, 3, None)]
        extra = [(ODD_SIZES, [99, 4294967295])]
    if a.generators:
        names = [ref.lookup(n)[0] for n in a.generators.split(",")]
    if a.sizes:
        sizes = [parse_size(s) for s in a.sizes.split(",")]
    if a.seeds:
        seeds = [int(s) for s in a.seeds.split(",")]
    if a.pens:
        pens = a.pens.split(",")
    if a.julias:
        julias = [tuple(j.split(",")) for j in a.julias.split(";")]
    if a.all_seed:
        all_runs += [(w, h, s, None) for s in a.all_seed for (w, h) in sizes[:1]]

    render = os.path.abspath(a.render)
    report = Report()
    started = time.time()
    with tempfile.TemporaryDirectory(prefix="pelorix-compare-") as workdir:
        cases = build_cases(names, sizes, seeds, pens, julias)
        for more_sizes, more_seeds in extra:
            cases += build_cases(names, more_sizes, more_seeds, pens, julias)
        for case in cases:
            try:
                check_case(render, case, workdir, report)
            except subprocess.TimeoutExpired:
                report.fail(case.label(), ["program timed out"])
        for w, h, seed, pen in all_runs:
            check_all(render, w, h, seed, pen, workdir, report)
    print(f"compared in {time.time() - started:.0f} s")
    print(f"{report.passed} passed, {report.failed} failed")
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
