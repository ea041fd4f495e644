"""Our BMP, PPM, TGA and PNG files against real tools (ImageMagick, netpbm, Pillow).

Usage: /usr/bin/python3 interop.py PATH/TO/pelorix-render

Their readers must show our files with our pixels, and ours must read their
files with theirs. Pictures go through `pelorix-render --convert` (our reader,
then our writer) into PPM, which Pillow decodes for the comparison.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    sys.exit("interop: Pillow is missing: run this with Debian's /usr/bin/python3 (package python3-pil)")

RENDER = os.path.abspath(sys.argv[1])
failures = []
checks = 0


def tool(path, package):
    """A program of a Debian package, checked by the package and not by PATH (a
    stand-in of the same name may come first there)."""
    status = subprocess.run(["dpkg", "-s", package], capture_output=True, text=True).stdout
    if "Status: install ok installed" not in status or not os.access(path, os.X_OK):
        sys.exit(f"interop: {path} of Debian's {package} package is missing (make deps installs it)")
    return path


CONVERT = tool("/usr/bin/convert-im6.q16", "imagemagick")
NETPBM = {name: tool(f"/usr/bin/{name}", "netpbm")
          for name in ("bmptopnm", "tgatoppm", "ppmtobmp", "ppmtotga", "pnmdepth", "pnmtoplainpnm", "pngtopam")}


def run(args, stdout=None):
    subprocess.run(args, check=True, stdout=stdout, stderr=subprocess.PIPE)


def check(ok, what):
    global checks
    checks += 1
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)


def rgb(path):
    """Size and RGB bytes of a picture as Pillow decodes it (alpha dropped)."""
    with Image.open(path) as im:
        return im.size, im.convert("RGB").tobytes()


def flipped(picture):
    (w, h), data = picture
    rows = [data[y * w * 3:(y + 1) * w * 3] for y in range(h)]
    return (w, h), b"".join(reversed(rows))


def ours_read(path, work):
    """The picture as our reader sees it."""
    out = os.path.join(work, os.path.basename(path) + ".ours.ppm")
    run([RENDER, "--convert", path, out])
    return rgb(out)


def pipe(args, path, work, suffix):
    out = os.path.join(work, os.path.basename(path) + suffix)
    with open(out, "wb") as f:
        run(args + [path], stdout=f)
    return out


def gradient(path, w=53, h=37, levels=256):
    """A P6 picture with many colours, written by the test itself."""
    data = bytearray()
    for y in range(h):
        for x in range(w):
            data += bytes(((x * 5) % levels, (y * 7) % levels, (x * y) % levels))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h) + bytes(data))


def im_decoded(path):
    out = path + ".im.ppm"
    run([CONVERT, path, out])
    return out


def bmp_header_bits(path):
    with open(path, "rb") as f:
        head = f.read(34)
    return struct.unpack("<H", head[28:30])[0], struct.unpack("<I", head[30:34])[0]


def our_files(work):
    """Our BMP, PPM and TGA files open in the tools with our pixels."""
    for name in ("mandel.ppm", "mandel.bmp", "mandel.tga"):
        run([RENDER, "Mandel", "--size", "97x61", "-o", os.path.join(work, name)])
    ppm, bmp, tga = (os.path.join(work, n) for n in ("mandel.ppm", "mandel.bmp", "mandel.tga"))
    reference = rgb(ppm)

    check(rgb(bmp) == reference, "Pillow reads our 24-bit BMP")
    check(rgb(tga) == reference, "Pillow reads our TGA the right way up")
    # ImageMagick through files (it decides the format by the name).
    for src in (ppm, bmp):
        out = src + ".im.ppm"
        run([CONVERT, src, out])
        check(rgb(out) == reference, f"ImageMagick reads our {src[-3:].upper()}")
    out = tga + ".im.ppm"
    run([CONVERT, tga, out])
    # ImageMagick 6.9.11 shows bottom-left-origin TGA files upside down (its own
    # fault); its pixels must match all the same.
    check(rgb(out) in (reference, flipped(reference)), "ImageMagick reads our TGA (orientation aside)")
    check(rgb(pipe([NETPBM["bmptopnm"]], bmp, work, ".pnm")) == reference, "netpbm's bmptopnm reads our BMP")
    check(rgb(pipe([NETPBM["tgatoppm"]], tga, work, ".pnm")) == reference, "netpbm's tgatoppm reads our TGA the right way up")

    # Byte for byte against a writer of the layouts written here.
    (w, h), data = reference
    with open(ppm, "rb") as f:
        ours = f.read()
    comment = ours.split(b"\n")[1]
    check(comment.startswith(b"# ") and all(32 <= c < 127 for c in comment), "our PPM comment line is printable")
    check(ours == b"P6\n" + comment + b"\n%d %d\n255\n" % (w, h) + data, "our PPM equals an independent writer's")
    rows = [data[y * w * 3:(y + 1) * w * 3] for y in range(h)]
    bottom_up = b"".join(bytes(v for x in range(w) for v in (r[3 * x + 2], r[3 * x + 1], r[3 * x])) for r in reversed(rows))
    expected_tga = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 24, 0) + bottom_up
    with open(tga, "rb") as f:
        check(f.read() == expected_tga, "our TGA equals an independent writer's")

    # Our BMP in its other pixel formats: files of 1, 4, 8 and 32 bits read by
    # us keep their format, and our copies open in Pillow and netpbm.
    grad = os.path.join(work, "grad.ppm")
    gradient(grad)
    sources = {
        "bits1.bmp": [CONVERT, grad, "-type", "Bilevel", "BMP3:{}"],
        "bits4.bmp": [CONVERT, grad, "-colors", "16", "-type", "Palette", "BMP3:{}"],
        "bits8.bmp": [CONVERT, grad, "-colors", "200", "-type", "Palette", "-compress", "None", "BMP3:{}"],
        "bits32.bmp": [CONVERT, grad, "-alpha", "set", "-type", "TrueColorAlpha", "BMP:{}"],
    }
    for name, args in sources.items():
        src = os.path.join(work, "their-" + name)
        run([a.format(src) for a in args])
        copy = os.path.join(work, "our-" + name)
        run([RENDER, "--convert", src, copy])
        bits = int(name[4:-4])
        check(bmp_header_bits(copy) == (bits, 0), f"our copy of a {bits}-bit BMP is {bits}-bit BI_RGB")
        check(rgb(copy) == rgb(src), f"Pillow reads our {bits}-bit BMP")
        check(rgb(pipe([NETPBM["bmptopnm"]], copy, work, ".pnm")) == rgb(src), f"netpbm reads our {bits}-bit BMP")


def their_files(work):
    """Their files read in ours with their pixels."""
    grad = os.path.join(work, "grad.ppm")
    gradient(grad)
    pic = Image.open(grad).convert("RGB")

    # BMP at 1, 4, 8, 24 and 32 bits, RLE8, from ImageMagick, Pillow and netpbm.
    bmps = {
        "im-1.bmp": ([CONVERT, grad, "-type", "Bilevel", "BMP3:{}"], 1, 0),
        "im-4.bmp": ([CONVERT, grad, "-colors", "16", "-type", "Palette", "BMP3:{}"], 4, 0),
        "im-8.bmp": ([CONVERT, grad, "-colors", "200", "-type", "Palette", "-compress", "None", "BMP3:{}"], 8, 0),
        "im-rle8.bmp": ([CONVERT, grad, "-colors", "200", "-type", "Palette", "-compress", "RLE", "BMP3:{}"], 8, 1),
        "im-24.bmp": ([CONVERT, grad, "-type", "TrueColor", "BMP3:{}"], 24, 0),
        "im-24-v5.bmp": ([CONVERT, grad, "-type", "TrueColor", "BMP:{}"], 24, 0),
        "im-32.bmp": ([CONVERT, grad, "-alpha", "set", "-type", "TrueColorAlpha", "BMP:{}"], 32, 3),
        "im-16.bmp": ([CONVERT, grad, "-define", "bmp:subtype=RGB565", "BMP:{}"], 16, 3),
    }
    for name, (args, bits, compression) in bmps.items():
        src = os.path.join(work, name)
        run([a.format(src) for a in args])
        check(bmp_header_bits(src) == (bits, compression), f"{name} is {bits}-bit, compression {compression}")
        # Pillow widens 16-bit samples by a shift alone; ImageMagick, like us,
        # repeats the high bits, so that the brightest sample is 255.
        reference = rgb(im_decoded(src)) if bits == 16 else rgb(src)
        check(ours_read(src, work) == reference, f"we read ImageMagick's {name}")
    src = os.path.join(work, "pil-8.bmp")
    pic.convert("P", palette=Image.ADAPTIVE, colors=100).save(src)
    check(ours_read(src, work) == rgb(src), "we read Pillow's 8-bit BMP")
    src = os.path.join(work, "pil-24.bmp")
    pic.save(src)
    check(ours_read(src, work) == rgb(src), "we read Pillow's 24-bit BMP")
    src = pipe([NETPBM["ppmtobmp"]], grad, work, ".netpbm.bmp")
    check(ours_read(src, work) == rgb(src), "we read netpbm's 24-bit BMP")

    # A top-down BMP, which no tool here writes.
    (w, h), data = rgb(grad)
    stride = (w * 3 + 3) // 4 * 4
    rows = b"".join(bytes(v for x in range(w) for v in data[(y * w + x) * 3:(y * w + x) * 3 + 3][::-1])
                    + bytes(stride - w * 3) for y in range(h))
    src = os.path.join(work, "topdown.bmp")
    with open(src, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
                + struct.pack("<IiiHHIIiiII", 40, w, -h, 1, 24, 0, len(rows), 2835, 2835, 0, 0) + rows)
    check(ours_read(src, work) == rgb(src) == ((w, h), data), "we read a top-down BMP")

    # PPM, P3 and P6 at maxval 255, 15 and 65535; netpbm's own scaling to 255
    # is the reference.
    ppms = {
        "p6-255.ppm": [CONVERT, grad, "{}"],
        "p3-255.ppm": [CONVERT, grad, "-compress", "none", "{}"],
        "p6-65535.ppm": [CONVERT, grad, "-depth", "16", "{}"],
        "p3-65535.ppm": [CONVERT, grad, "-depth", "16", "-compress", "none", "{}"],
    }
    for name, args in ppms.items():
        run([a.format(os.path.join(work, name)) for a in args])
    p15 = pipe([NETPBM["pnmdepth"], "15"], grad, work, ".p6-15.ppm")
    pipe([NETPBM["pnmtoplainpnm"]], p15, work, ".p3-15.ppm")
    for name in list(ppms) + ["grad.ppm.p6-15.ppm", "grad.ppm.p6-15.ppm.p3-15.ppm"]:
        src = os.path.join(work, name)
        with open(src, "rb") as f:
            head = f.read(2).decode() + " maxval " + f.read(40).split()[2].decode()
        reference = rgb(pipe([NETPBM["pnmdepth"], "255"], src, work, ".255.ppm"))
        check(ours_read(src, work) == reference, f"we read a {head} PPM ({name})")

    # TGA at 24 and 32 bits, bottom-left and top-left origin, with an image ID.
    rgba = pic.convert("RGBA")
    tgas = {
        "pil-24-bl.tga": (pic, {}),
        "pil-24-tl.tga": (pic, {"orientation": 1}),
        "pil-32-bl.tga": (rgba, {}),
        "pil-32-tl.tga": (rgba, {"orientation": 1}),
        "pil-24-id.tga": (pic, {"id_section": b"Made by Pillow"}),
    }
    for name, (image, options) in tgas.items():
        src = os.path.join(work, name)
        image.save(src, compression=None, **options)
        with open(src, "rb") as f:
            head = f.read(18)
        expected = ("tl" in name, "id" in name, 32 if "32" in name else 24)
        check((bool(head[17] & 0x20), head[0] > 0, head[16]) == expected, f"{name} has the layout it should")
        check(ours_read(src, work) == rgb(src), f"we read Pillow's {name}")
        check(rgb(pipe([NETPBM["tgatoppm"]], src, work, ".pnm")) == rgb(src), f"netpbm agrees with Pillow on {name}")
    src = os.path.join(work, "im-24.tga")
    run([CONVERT, grad, "-type", "TrueColor", "-compress", "None", src])
    # ImageMagick 6.9.11 stores the rows top first under a bottom-left origin;
    # netpbm and Pillow show that file upside down, and so do we.
    check(ours_read(src, work) == rgb(pipe([NETPBM["tgatoppm"]], src, work, ".pnm")) == rgb(src),
          "we read ImageMagick's 24-bit TGA as netpbm and Pillow do")
    src = pipe([NETPBM["ppmtotga"], "-rgb", "-norle"], grad, work, ".netpbm.tga")
    check(ours_read(src, work) == rgb(grad), "we read netpbm's 24-bit TGA")
    # One with an image ID and top-left origin, made here.
    (w, h), data = rgb(grad)
    pixels = b"".join(data[i:i + 3][::-1] for i in range(0, len(data), 3))
    ident = b"an image ID of some length"
    src = os.path.join(work, "own-id-tl.tga")
    with open(src, "wb") as f:
        f.write(struct.pack("<BBBHHBHHHHBB", len(ident), 0, 2, 0, 0, 0, 0, 0, w, h, 24, 0x20) + ident + pixels)
    check(ours_read(src, work) == ((w, h), data), "we read a TGA with an image ID and top-left origin")


def png_header(path):
    """Width, height, bit depth, colour type and interlace method of a PNG."""
    with open(path, "rb") as f:
        head = f.read(29)
    check(head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR", f"{os.path.basename(path)} is a PNG")
    return struct.unpack(">IIBBBBB", head[16:29])[:4] + (head[28],)


def write_pnm(path, magic, w, h, maxval, samples, tupltype=None):
    """A binary PGM/PPM (P5/P6) or, with a tuple type, PAM (P7), of the samples."""
    wide = maxval > 255
    data = b"".join(struct.pack(">H", v) if wide else bytes((v,)) for v in samples)
    if tupltype:
        depth = len(samples) // (w * h)
        head = b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL %d\nTUPLTYPE %s\nENDHDR\n" % (
            w, h, depth, maxval, tupltype.encode())
    else:
        head = b"%s\n%d %d\n%d\n" % (magic.encode(), w, h, maxval)
    with open(path, "wb") as f:
        f.write(head + data)


def onto_black(v, alpha, top):
    """A sample laid onto black by its opacity, rounded to nearest."""
    return (v * alpha * 2 + top) // (2 * top)


def scale16(v):
    """A 16-bit sample scaled to 8 bits as our PPM reader does it."""
    return (v * 510 + 65535) // 131070


def png_files(work):
    """Our PNG files open in the tools with the pixels of our PPM files, and we
    read the kinds of PNG the tools write: grey, palette, alpha, 16-bit and
    interlaced, transparency laid onto black."""
    for size, name in (("97x61", "Mandel"), ("160x120", "Fern"), ("64x64", "Cloud")):
        png, ppm = (os.path.join(work, f"{name}.{ext}") for ext in ("png", "ppm"))
        for out in (png, ppm):
            run([RENDER, name, "--size", size, "--seed", "9", "--pen", "C86432", "-o", out])
        reference = rgb(ppm)
        check(png_header(png)[2:] == (8, 2, 0), f"our {name} PNG is 8-bit RGB, not interlaced")
        check(rgb(png) == reference, f"Pillow reads our {name} PNG with our PPM's pixels")
        check(rgb(im_decoded(png)) == reference, f"ImageMagick reads our {name} PNG with our PPM's pixels")
        check(rgb(pipe([NETPBM["pngtopam"]], png, work, ".pam.ppm")) == reference,
              f"netpbm's pngtopam reads our {name} PNG with our PPM's pixels")

    # Sources made here with known samples; the expected pixels follow from them.
    w, h = 53, 37
    rgb16 = [(x * 1237 + y * 7) % 65536 if c == 0 else (y * 1771 + x) % 65536 if c == 1 else (x * y * 97) % 65536
             for y in range(h) for x in range(w) for c in range(3)]
    alpha16 = [0 if x < 3 else 65535 if x > w - 4 else (x * 9973 + y * 131) % 65536 for y in range(h) for x in range(w)]
    rgba16 = [v for i in range(w * h) for v in rgb16[3 * i:3 * i + 3] + [alpha16[i]]]
    grey16 = rgb16[0::3]
    rgb8 = [v >> 8 for v in rgb16]
    rgba8 = [v >> 8 for v in rgba16]
    write_pnm(os.path.join(work, "rgb16.ppm"), "P6", w, h, 65535, rgb16)
    write_pnm(os.path.join(work, "rgba16.pam"), "", w, h, 65535, rgba16, "RGB_ALPHA")
    write_pnm(os.path.join(work, "grey16.pgm"), "P5", w, h, 65535, grey16)
    write_pnm(os.path.join(work, "rgb8.ppm"), "P6", w, h, 255, rgb8)
    write_pnm(os.path.join(work, "rgba8.pam"), "", w, h, 255, rgba8, "RGB_ALPHA")
    write_pnm(os.path.join(work, "grey4.pgm"), "P5", w, h, 255, [(v >> 12) * 17 for v in grey16])

    def pixels(samples, channels, top, to8):
        out = bytearray()
        for i in range(w * h):
            px = samples[channels * i:channels * i + channels]
            if channels in (1, 2):
                px = [px[0]] * 3 + px[1:]
            colour = px[:3] if len(px) == 3 else [onto_black(v, px[3], top) for v in px[:3]]
            out += bytes(to8(v) for v in colour)
        return (w, h), bytes(out)

    same = lambda v: v  # noqa: E731
    made = {
        # name: (ImageMagick's arguments, header (depth, colour type, interlace), expected pixels)
        "rgb16.png": (["rgb16.ppm", "PNG48:{}"], (16, 2, 0), pixels(rgb16, 3, 65535, scale16)),
        "rgb16-interlaced.png": (["rgb16.ppm", "-interlace", "PNG", "PNG48:{}"], (16, 2, 1), pixels(rgb16, 3, 65535, scale16)),
        "rgba16.png": (["rgba16.pam", "PNG64:{}"], (16, 6, 0), pixels(rgba16, 4, 65535, scale16)),
        "rgba16-interlaced.png": (["rgba16.pam", "-interlace", "PNG", "PNG64:{}"], (16, 6, 1), pixels(rgba16, 4, 65535, scale16)),
        "grey16.png": (["grey16.pgm", "-define", "png:color-type=0", "PNG:{}"], (16, 0, 0), pixels(grey16, 1, 65535, scale16)),
        "grey4.png": (["grey4.pgm", "-depth", "4", "-define", "png:color-type=0", "-define", "png:bit-depth=4", "PNG:{}"],
                      (4, 0, 0), pixels([(v >> 12) * 17 for v in grey16], 1, 255, same)),
        "rgb8-interlaced.png": (["rgb8.ppm", "-interlace", "PNG", "PNG24:{}"], (8, 2, 1), pixels(rgb8, 3, 255, same)),
        "rgba8.png": (["rgba8.pam", "PNG32:{}"], (8, 6, 0), pixels(rgba8, 4, 255, same)),
        "rgba8-interlaced.png": (["rgba8.pam", "-interlace", "PNG", "PNG32:{}"], (8, 6, 1), pixels(rgba8, 4, 255, same)),
    }
    for name, (args, header, expected) in made.items():
        src = os.path.join(work, name)
        run([CONVERT, os.path.join(work, args[0])] + [a.format(src) for a in args[1:]])
        check(png_header(src)[2:] == header, f"ImageMagick's {name} has depth, colour type and interlace {header}")
        check(ours_read(src, work) == expected, f"we read ImageMagick's {name}")

    # Pillow's grey, bilevel, grey with alpha, palette with and without a
    # transparent entry, grey with a transparent value.
    base = Image.frombytes("RGB", (w, h), bytes(rgb8))
    alpha = Image.frombytes("L", (w, h), bytes(rgba8[3::4]))
    grey = base.convert("L")
    palette = base.convert("P", palette=Image.ADAPTIVE, colors=60)
    grey_alpha = grey.copy()
    grey_alpha.putalpha(alpha)
    transparent = palette.getpixel((10, 10))
    pils = {
        "pil-grey.png": (grey, {}, (8, 0, 0)),
        "pil-bilevel.png": (grey.convert("1"), {}, (1, 0, 0)),
        "pil-grey-alpha.png": (grey_alpha, {}, (8, 4, 0)),
        "pil-palette.png": (palette, {}, (8, 3, 0)),
        "pil-palette-trns.png": (palette, {"transparency": transparent}, (8, 3, 0)),
        "pil-grey-trns.png": (grey, {"transparency": grey.getpixel((5, 5))}, (8, 0, 0)),
    }
    for name, (image, options, header) in pils.items():
        src = os.path.join(work, name)
        image.save(src, **options)
        check(png_header(src)[2:] == header, f"Pillow's {name} has depth, colour type and interlace {header}")
        with Image.open(src) as im:
            rgba = im.convert("RGBA").tobytes()
        expected = bytes(onto_black(rgba[i + c], rgba[i + 3], 255) for i in range(0, len(rgba), 4) for c in range(3))
        check(ours_read(src, work) == ((w, h), expected), f"we read Pillow's {name}")
    black = sum(1 for i in range(w * h) if palette.getpixel((i % w, i // w)) == transparent)
    check(black > 0, "the transparent palette entry is used")

    # --convert from PNG to the other formats and back loses nothing.
    src = os.path.join(work, "rgb16-interlaced.png")
    expected = made["rgb16-interlaced.png"][2]
    for ext in ("bmp", "tga", "ppm"):
        there, back = (os.path.join(work, f"round.{ext}"), os.path.join(work, f"round-{ext}.png"))
        run([RENDER, "--convert", src, there])
        run([RENDER, "--convert", there, back])
        check(rgb(back) == expected, f"PNG to {ext.upper()} and back keeps every pixel")


def main():
    work = tempfile.mkdtemp(prefix="pelorix-interop-")
    try:
        our_files(work)
        their_files(work)
        png_files(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
