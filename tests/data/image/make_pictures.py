#!/usr/bin/env python3
"""Writes the pictures the ImageInfo tests measure into the folder given as argument:
JPEG (through cjpeg, densities patched into the JFIF header), PNG with pHYs, a
two-page TIFF, GIF, BMP, EPS files with and without a TIFF preview, and damaged files.
Only the standard library and cjpeg are used."""
import os
import struct
import subprocess
import sys
import zlib


def ppm(width, height):
    pixels = bytes((x * 5 + y * 3) & 0xFF for y in range(height) for x in range(width) for _ in range(3))
    return b"P6\n%d %d\n255\n" % (width, height) + pixels


def jpeg(path, width, height, grey=False, density=None):
    args = ["cjpeg", "-quality", "85"] + (["-grayscale"] if grey else [])
    data = bytearray(subprocess.run(args, input=ppm(width, height), stdout=subprocess.PIPE, check=True).stdout)
    assert data[6:11] == b"JFIF\0"
    if density:
        unit, x, y = density
        data[13] = unit
        data[14:18] = struct.pack(">HH", x, y)
    open(path, "wb").write(bytes(data))


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def png(path, width, height, colour_type=2, phys=None):
    channels = {0: 1, 2: 3, 6: 4}[colour_type]
    raw = b"".join(b"\0" + bytes((x + y) & 0xFF for x in range(width) for _ in range(channels)) for y in range(height))
    out = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    if phys:
        out += png_chunk(b"pHYs", struct.pack(">IIB", phys[0], phys[1], 1))
    out += png_chunk(b"IDAT", zlib.compress(raw)) + png_chunk(b"IEND", b"")
    open(path, "wb").write(out)


def tiff_pages(pages, dpi):
    """Little-endian, uncompressed RGB, one strip per page; pages: list of (w, h)."""
    out = bytearray(b"II*\0" + struct.pack("<I", 0))
    previous_link = 4
    for width, height in pages:
        pixels = bytes((x * 7 + y) & 0xFF for y in range(height) for x in range(width) for _ in range(3))
        strip = len(out)
        out += pixels
        if len(out) % 2:
            out += b"\0"
        bps = len(out)
        out += struct.pack("<HHH", 8, 8, 8)
        res = len(out)
        out += struct.pack("<IIII", dpi[0], 1, dpi[1], 1)
        entries = [
            (256, 4, 1, width), (257, 4, 1, height), (258, 3, 3, bps), (259, 3, 1, 1),
            (262, 3, 1, 2), (273, 4, 1, strip), (277, 3, 1, 3), (278, 4, 1, height),
            (279, 4, 1, len(pixels)), (282, 5, 1, res), (283, 5, 1, res + 8), (296, 3, 1, 2),
        ]
        ifd = len(out)
        struct.pack_into("<I", out, previous_link, ifd)
        out += struct.pack("<H", len(entries))
        for tag, kind, count, value in entries:
            packed = struct.pack("<H", value) + b"\0\0" if kind == 3 and count == 1 else struct.pack("<I", value)
            out += struct.pack("<HHI", tag, kind, count) + packed
        previous_link = len(out)
        out += struct.pack("<I", 0)
    return bytes(out)


def gif(path, width, height, colours=8):
    """Eight (or two) colours; every pixel a literal LZW code, the table cleared often
    enough that codes stay 4 (3) bits wide (minimum code size 3, or 2)."""
    palette = b"".join(bytes((i * 32, 255 - i * 32, i * 16)) for i in range(colours))
    size_bits = 3 if colours == 8 else 1
    min_code = 3 if colours == 8 else 2
    width_bits = min_code + 1
    clear, end = 1 << min_code, (1 << min_code) + 1
    run = 5 if colours == 8 else 2
    codes = []
    pixels = [(x + y) % colours for y in range(height) for x in range(width)]
    for i in range(0, len(pixels), run):
        codes.append(clear)
        codes.extend(pixels[i:i + run])
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
    blocks = b"".join(bytes([len(stream[i:i + 255])]) + stream[i:i + 255] for i in range(0, len(stream), 255))
    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF0 | (size_bits - 1), 0, 0) + palette
    out += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0) + bytes([min_code]) + blocks + b"\0;"
    open(path, "wb").write(out)


def camera_jpeg(path, width, height, dpi):
    """A JPEG as cameras write it: no JFIF segment, the resolution in the EXIF block
    (big-endian, IFD0 with XResolution, YResolution and ResolutionUnit inches)."""
    data = bytearray(subprocess.run(["cjpeg", "-quality", "85"], input=ppm(width, height),
                                    stdout=subprocess.PIPE, check=True).stdout)
    app0_length = struct.unpack(">H", data[4:6])[0]
    rest = data[4 + app0_length:]
    entries = [(0x011A, 5, 1, 8 + 2 + 3 * 12 + 4), (0x011B, 5, 1, 8 + 2 + 3 * 12 + 4 + 8), (0x0128, 3, 1, 2 << 16)]
    tiff = b"MM\0*" + struct.pack(">I", 8) + struct.pack(">H", len(entries))
    tiff += b"".join(struct.pack(">HHII", *e) for e in entries) + struct.pack(">I", 0)
    tiff += struct.pack(">II", dpi, 1) * 2
    body = b"Exif\0\0" + tiff
    open(path, "wb").write(b"\xff\xd8\xff\xe1" + struct.pack(">H", len(body) + 2) + body + bytes(rest))


def bmp(path, width, height, per_metre):
    stride = (width * 3 + 3) // 4 * 4
    rows = b"".join(bytes((x * 3 + y) & 0xFF for x in range(width) for _ in range(3)).ljust(stride, b"\0")
                    for y in range(height))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), per_metre[0], per_metre[1], 0, 0)
    open(path, "wb").write(b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54) + header + rows)


def eps(path, preview):
    postscript = b"%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 30 20\nshowpage\n"
    ps_at = 30
    tiff_at = ps_at + len(postscript) if preview else 0
    header = struct.pack("<IIIIIIIH", 0xC6D3D0C5, ps_at, len(postscript), 0, 0, tiff_at, len(preview), 0xFFFF)
    open(path, "wb").write(header + postscript + preview)


def pict(path):
    """A PICT file: the 512-byte header area, then a version 2 picture holding one
    PackBitsRect of a 16 x 2 pixmap of 8 bits with a two-colour table."""
    body = struct.pack(">hhhh", 0, 0, 2, 16) + b"\x00\x11\x02\xff"
    body += b"\x00\x98" + struct.pack(">H", 0x8000 | 16) + struct.pack(">hhhh", 0, 0, 2, 16)
    body += struct.pack(">HHIIIHHHHIII", 0, 0, 0, 72 << 16, 72 << 16, 0, 8, 1, 8, 0, 0, 0)
    body += struct.pack(">IHH", 0, 0, 1) + struct.pack(">HHHH", 0, 0xFFFF, 0, 0) + struct.pack(">HHHH", 1, 0, 0, 0xFFFF)
    body += struct.pack(">hhhh", 0, 0, 2, 16) * 2 + b"\x00\x00"
    body += b"\x02\xf1\x00" + b"\x02\xf1\x01"
    if len(body) % 2:
        body += b"\x00"
    body += b"\x00\xff"
    record = struct.pack(">H", (len(body) + 2) & 0xFFFF) + body
    open(path, "wb").write(b"\0" * 512 + record)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    p = lambda name: os.path.join(folder, name)
    jpeg(p("photo.jpg"), 640, 480, density=(1, 72, 72))
    jpeg(p("aspect.jpg"), 40, 30, density=(1, 72, 96))
    jpeg(p("centimetres.jpg"), 40, 30, density=(2, 118, 118))
    jpeg(p("grey.jpg"), 33, 17, grey=True)
    png(p("phys.png"), 50, 20, phys=(3780, 3780))
    png(p("grey.png"), 21, 12, colour_type=0)
    png(p("alpha.png"), 5, 6, colour_type=6)
    open(p("pages.tif"), "wb").write(tiff_pages([(30, 20), (12, 9)], (150, 150)))
    open(p("single.tif"), "wb").write(tiff_pages([(8, 8)], (300, 200)))
    gif(p("colours.gif"), 23, 11)
    gif(p("two.gif"), 9, 5, colours=2)
    camera_jpeg(p("camera.jpg"), 48, 32, 350)
    bmp(p("picture.bmp"), 40, 30, (2835, 3780))
    pict(p("drawing.pct"))
    eps(p("figure.eps"), tiff_pages([(30, 20)], (72, 72)))
    eps(p("no_preview.eps"), b"")
    open(p("text.jpg"), "w").write("not a picture\n")
    # A GIF whose only frame claims 60000 x 60000 pixels on a 2 x 2 screen.
    open(p("vast.gif"), "wb").write(b"GIF89a" + struct.pack("<HHBBB", 2, 2, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff"
                                    + b"," + struct.pack("<HHHHB", 0, 0, 60000, 60000, 0) + b"\x02\x02\x44\x01\x00;")
    # A JPEG cut inside its headers, and one cut inside its scan (headers intact).
    whole = open(p("photo.jpg"), "rb").read()
    open(p("cut_header.jpg"), "wb").write(whole[:100])
    open(p("cut_scan.jpg"), "wb").write(whole[: len(whole) // 2])
    # A few hundred bytes of progressive JPEG whose frame claims 40000 x 40000 pixels.
    small = subprocess.run(["cjpeg", "-progressive", "-quality", "50"], input=ppm(16, 16),
                           stdout=subprocess.PIPE, check=True).stdout
    sof = small.index(b"\xff\xc2")
    open(p("vast_progressive.jpg"), "wb").write(small[:sof + 5] + struct.pack(">HH", 40000, 40000) + small[sof + 9:])
    # A PNG named as a JPEG: the bytes decide.
    open(p("really_png.jpg"), "wb").write(open(p("phys.png"), "rb").read())


if __name__ == "__main__":
    main(sys.argv[1])
