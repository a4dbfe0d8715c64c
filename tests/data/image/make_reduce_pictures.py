#!/usr/bin/python3
"""Writes pictures for the tests of decoding smaller than natural size into the folder
given as first argument; the second names the set.  "pictures": odd sizes of PNG (plain
RGB, RGBA, interlaced RGB and RGBA, palette), TIFF (deflated strips, bottom-up strips,
tiles with unassociated alpha) and GIF (an interlaced first frame, offset frames with
transparency and every disposal, with an independent decoder's frames beside it).
JPEG (colour with subsampled chroma, CMYK) and an interlaced GIF of more than 4
million pixels.  "huge": pictures beyond what may be decoded at natural size, and headers
promising pictures too vast to decode.  "tall": a single strip taller than a conversion
band.
Pillow where it writes the form wanted; by hand (standard library) where it does not."""
import os
import struct
import sys
import zlib

from PIL import Image

out_dir = sys.argv[1]
os.makedirs(out_dir, exist_ok=True)


def p(name):
    return os.path.join(out_dir, name)


def pattern(w, h, alpha=False):
    """Busy, deterministic colours; alpha (when wanted) runs through every level."""
    im = Image.new("RGBA" if alpha else "RGB", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            c = ((x * 37 + y * 11) & 0xFF, (x * x + y * 5) & 0xFF, (x * y * 3 + 7) & 0xFF)
            px[x, y] = c + (((x * 13 + y * 29) % 256),) if alpha else c
    return im


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def interlaced_png(path, im):
    """8-bit RGB or RGBA, Adam7, every pass row with filter 0."""
    channels = 4 if im.mode == "RGBA" else 3
    w, h = im.size
    data = im.tobytes()
    raw = bytearray()
    for x0, y0, dx, dy in ADAM7:
        if x0 >= w or y0 >= h:
            continue
        for y in range(y0, h, dy):
            raw.append(0)
            for x in range(x0, w, dx):
                at = (y * w + x) * channels
                raw += data[at:at + channels]
    colour_type = 6 if channels == 4 else 2
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 1))
    out += chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")
    open(path, "wb").write(out)


def tiled_tiff(path, im, tile):
    """Little-endian, uncompressed RGBA with unassociated alpha, in tile x tile tiles."""
    w, h = im.size
    data = im.tobytes()
    across, down = (w + tile - 1) // tile, (h + tile - 1) // tile
    out = bytearray(b"II*\0" + struct.pack("<I", 0))
    offsets, counts = [], []
    for ty in range(down):
        for tx in range(across):
            body = bytearray()
            for y in range(ty * tile, ty * tile + tile):
                for x in range(tx * tile, tx * tile + tile):
                    body += data[(y * w + x) * 4:(y * w + x) * 4 + 4] if x < w and y < h else b"\0\0\0\0"
            offsets.append(len(out))
            counts.append(len(body))
            out += body
    bps = len(out)
    out += struct.pack("<HHHH", 8, 8, 8, 8)
    offs_at = len(out)
    out += struct.pack("<%dI" % len(offsets), *offsets)
    counts_at = len(out)
    out += struct.pack("<%dI" % len(counts), *counts)
    entries = [(256, 4, 1, w), (257, 4, 1, h), (258, 3, 4, bps), (259, 3, 1, 1), (262, 3, 1, 2),
               (277, 3, 1, 4), (322, 3, 1, tile), (323, 3, 1, tile), (324, 4, len(offsets), offs_at),
               (325, 4, len(counts), counts_at), (338, 3, 1, 2)]
    ifd = len(out)
    struct.pack_into("<I", out, 4, ifd)
    out += struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        packed = struct.pack("<H", value) + b"\0\0" if kind == 3 and count == 1 else struct.pack("<I", value)
        out += struct.pack("<HHI", tag, kind, count) + packed
    out += struct.pack("<I", 0)
    open(path, "wb").write(bytes(out))


def lzw_literals(indices, min_code):
    """Every index a literal code; the table is cleared before codes would widen."""
    width_bits = min_code + 1
    clear, end = 1 << min_code, (1 << min_code) + 1
    run = (1 << min_code) - 2
    codes = []
    for i in range(0, len(indices), run):
        codes.append(clear)
        codes.extend(indices[i:i + run])
    codes.append(end)
    bits, nbits, stream = 0, 0, bytearray()
    for c in codes:
        bits |= c << nbits
        nbits += width_bits
        while nbits >= 8:
            stream.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        stream.append(bits & 0xFF)
    return b"".join(bytes([len(stream[i:i + 255])]) + stream[i:i + 255] for i in range(0, len(stream), 255))


def gif_frames(path, width, height):
    """64 colours.  An interlaced first frame over the whole screen, then a 23 x 17 patch
    at (30, 20) with transparent index 0, disposed of to the background, then an
    interlaced patch over the left half, put back after it (disposal 3), then a last
    small frame.  Each later frame has a transparent index, so that an independent
    decoder clears disposed areas to transparent as ours does."""
    palette = b"".join(bytes(((i * 37) & 0xFF, (255 - i * 11) & 0xFF, (i * 97) & 0xFF)) for i in range(64))

    def frame(left, top, w, h, fn, interlace, disposal, transparent=None):
        rows = list(range(h))
        if interlace:
            rows = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
        indices = [fn(x, y) for y in rows for x in range(w)]
        flags = (disposal << 2) | (1 if transparent is not None else 0)
        gce = b"!\xf9\x04" + bytes([flags]) + b"\0\0" + bytes([transparent or 0]) + b"\0"
        desc = b"," + struct.pack("<HHHHB", left, top, w, h, 0x40 if interlace else 0)
        return gce + desc + bytes([6]) + lzw_literals(indices, 6) + b"\0"

    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF5, 0, 0) + palette
    out += frame(0, 0, width, height, lambda x, y: (x * 3 + y * 7) % 64, True, 1)
    out += frame(30, 20, 23, 17, lambda x, y: 0 if (x + y) % 3 == 0 else 1 + (x * y) % 63, False, 2, 0)
    out += frame(0, 5, width // 2, 31, lambda x, y: (x + 2 * y) % 64, True, 3, 0)
    out += frame(40, 2, 11, 9, lambda x, y: 1 + (x ^ y) % 63, False, 1, 0)
    open(path, "wb").write(out + b";")


def zeros_deflated(n, block=1 << 24):
    """A zlib stream of n zero bytes, made quickly: one block compressed and flushed to a
    byte boundary with the dictionary reset (so every copy of it reads alike), repeated;
    the Adler-32 of zeros is 1 plus n in its upper half."""
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    body = c.compress(bytes(block)) + c.flush(zlib.Z_FULL_FLUSH)
    last = zlib.compressobj(9, zlib.DEFLATED, -15)
    tail = last.compress(bytes(n % block)) + last.flush()
    adler = ((n % 65521) << 16) | 1
    return b"\x78\xda" + body * (n // block) + tail + struct.pack(">I", adler)


def black_png(path, w, h, interlace):
    """All black RGB: its filtered rows (filter 0) are nothing but zero bytes."""
    if interlace:
        size = sum(((h - y0 + dy - 1) // dy) * (1 + 3 * ((w - x0 + dx - 1) // dx))
                   for x0, y0, dx, dy in ADAM7 if x0 < w and y0 < h)
    else:
        size = h * (1 + 3 * w)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, interlace))
    out += chunk(b"IDAT", zeros_deflated(size)) + chunk(b"IEND", b"")
    open(path, "wb").write(out)


def grey_rows_tiff(path, w, h, rows_per_strip, orientation=1, level=None):
    """RGB in deflated strips, every pixel of stored row y grey level `level(y)` (black
    when not given); `orientation` 4 says the rows are stored bottom up."""
    def strip(first, count):
        if level is None:
            return zlib.compress(bytes(w * 3 * count), 9)
        return zlib.compress(b"".join(bytes([level(y)]) * (w * 3) for y in range(first, first + count)), 1)
    n = (h + rows_per_strip - 1) // rows_per_strip
    uniform = strip(0, rows_per_strip) if level is None and n > 1 else None
    out = bytearray(b"II*\0" + struct.pack("<I", 0))
    offsets, counts = [], []
    for i in range(n):
        count = min(rows_per_strip, h - i * rows_per_strip)
        data = uniform if uniform is not None and count == rows_per_strip else strip(i * rows_per_strip, count)
        offsets.append(len(out))
        counts.append(len(data))
        out += data
    if len(out) % 2:
        out += b"\0"
    bps = len(out)
    out += struct.pack("<HHH", 8, 8, 8)
    offs_at = len(out)
    out += struct.pack("<%dI" % n, *offsets)
    counts_at = len(out)
    out += struct.pack("<%dI" % n, *counts)
    strips = (273, 4, n, offs_at) if n > 1 else (273, 4, 1, offsets[0])
    sizes = (279, 4, n, counts_at) if n > 1 else (279, 4, 1, counts[0])
    entries = [(256, 4, 1, w), (257, 4, 1, h), (258, 3, 3, bps), (259, 3, 1, 8), (262, 3, 1, 2),
               strips, (274, 3, 1, orientation), (277, 3, 1, 3), (278, 4, 1, rows_per_strip), sizes]
    ifd = len(out)
    struct.pack_into("<I", out, 4, ifd)
    out += struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        packed = struct.pack("<H", value) + b"\0\0" if kind == 3 and count == 1 else struct.pack("<I", value)
        out += struct.pack("<HHI", tag, kind, count) + packed
    out += struct.pack("<I", 0)
    open(path, "wb").write(bytes(out))


def vast_jpeg(path, w, h):
    """A small baseline JPEG whose frame header claims w x h, cut after its headers."""
    small = Image.new("RGB", (16, 16), (90, 120, 150))
    small.save(path, quality=90)
    data = bytearray(open(path, "rb").read())
    at = data.index(b"\xff\xc0")
    struct.pack_into(">HH", data, at + 5, h, w)
    sos = data.index(b"\xff\xda")
    open(path, "wb").write(bytes(data[:sos + 20]))


def vast_gif_frame(path, w, h):
    """A screen and one frame of w x h whose data ends at once."""
    out = b"GIF89a" + struct.pack("<HHBBB", w, h, 0xF0, 0, 0) + bytes(6)
    out += b"," + struct.pack("<HHHHB", 0, 0, w, h, 0) + bytes([2, 2, 0x4C, 0x01, 0]) + b";"
    open(path, "wb").write(out)


def rle8_bmp(path, im):
    """8-bit palette BMP, run-length coded: runs of equal indices, one literal group of
    five pixels in each row long enough, end-of-line codes, end of bitmap."""
    w, h = im.size
    data = im.tobytes()
    palette = im.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    body = bytearray()
    for y in range(h - 1, -1, -1):
        row = data[y * w:(y + 1) * w]
        x = 0
        if w >= 10:
            body += bytes([0, 5]) + row[:5] + b"\0"  # literal group, padded to a word
            x = 5
        while x < w:
            n = 1
            while x + n < w and n < 255 and row[x + n] == row[x]:
                n += 1
            body += bytes([n, row[x]])
            x += n
        body += b"\0\0"
    body += b"\0\1"
    table = b"".join(bytes([palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0]) for i in range(256))
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(body), 2835, 2835, 256, 0)
    head = b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset)
    open(path, "wb").write(head + info + table + bytes(body))


def top_down_bmp(path, bottom_up_path):
    """The same 24-bit BMP with its rows stored from the top and a negative height."""
    data = bytearray(open(bottom_up_path, "rb").read())
    offset = struct.unpack_from("<I", data, 10)[0]
    w, h = struct.unpack_from("<ii", data, 18)
    stride = (w * 3 + 3) // 4 * 4
    rows = [data[offset + r * stride:offset + (r + 1) * stride] for r in range(h)]
    struct.pack_into("<i", data, 22, -h)
    data[offset:offset + h * stride] = b"".join(reversed(rows))
    open(path, "wb").write(bytes(data))


def make_pictures():
    rgb = pattern(203, 131)
    rgba = pattern(97, 61, alpha=True)
    rgb.save(p("rgb.png"))
    rgba.save(p("rgba.png"))
    interlaced_png(p("rgb_i.png"), rgb)
    interlaced_png(p("rgba_i.png"), rgba)
    pattern(150, 99).quantize(200).save(p("palette.png"))
    # Strips of 5 rows, deflated; the same stored bottom up.
    pattern(173, 119).save(p("strips.tif"), compression="tiff_deflate", tiffinfo={278: 5})
    pattern(173, 119).save(p("bottom_up.tif"), compression="tiff_deflate", tiffinfo={278: 7, 274: 4})
    tiled_tiff(p("tiles.tif"), pattern(141, 83, alpha=True), 32)
    gif_frames(p("frames.gif"), 61, 45)
    pattern(203, 131).save(p("photo.jpg"), quality=90, subsampling=2)
    pattern(203, 131).convert("CMYK").save(p("cmyk.jpg"), quality=95)
    # A checkerboard of single pixels, interlaced (as Pillow writes GIFs).
    even, odd = b"\0\1" * 1050, b"\1\0" * 1050
    checker = Image.frombytes("P", (2100, 2100), (even + odd) * 1050)
    checker.putpalette([0, 0, 0, 255, 255, 255])
    checker.save(p("checker_i.gif"), interlace=True)
    # BMP: 24-bit bottom up and top down, 8-bit palette plain and run-length coded, each
    # with Pillow's pixels beside it.
    pattern(211, 67).save(p("rgb.bmp"))
    top_down_bmp(p("top_down.bmp"), p("rgb.bmp"))
    pattern(150, 99).quantize(200).save(p("palette.bmp"))
    rle8_bmp(p("rle8.bmp"), pattern(150, 99).quantize(200))
    for name in ("rgb", "top_down", "palette", "rle8"):
        with Image.open(p(name + ".bmp")) as im:
            open(p(name + ".bmp.rgba"), "wb").write(im.convert("RGBA").tobytes())
    # Pillow's frames of the animation, as straight RGBA bytes, for the composition check.
    with Image.open(p("frames.gif")) as im:
        for i in range(im.n_frames):
            im.seek(i)
            open(p("frames.%d.rgba" % i), "wb").write(im.convert("RGBA").tobytes())


def make_huge():
    # More pixels than any picture decoded at its natural size may have.
    black_png(p("black_i.png"), 16400, 16400, 1)
    black_png(p("black.png"), 16400, 16400, 0)
    grey_rows_tiff(p("black.tif"), 16400, 16400, 16)
    vast_jpeg(p("vast.jpg"), 40000, 40000)
    vast_gif_frame(p("vast_frame.gif"), 12000, 12000)


def make_tall():
    # One strip taller than a band may be: converted in parts, top down and bottom up.
    grey_rows_tiff(p("tall_strip.tif"), 8000, 3001, 3001, 1, lambda y: y * 7 % 256)
    grey_rows_tiff(p("tall_strip_bottom_up.tif"), 8000, 3001, 3001, 4, lambda y: y * 7 % 256)


{"pictures": make_pictures, "huge": make_huge, "tall": make_tall}[sys.argv[2]]()
