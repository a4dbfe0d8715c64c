#!/usr/bin/python3
"""Writes Targa, SGI, Photoshop and image files made by writers other than ours into the
folder given as argument, with what an independent reader (Pillow) makes of each:
NAME.rgba holds its pixels (RGBA, rows from the top) and manifest.txt a line
"NAME WIDTH HEIGHT DEPTH HRES VRES TOLERANCE" per picture.  Targa and verbatim SGI files
are Pillow's own; run-length SGI, Photoshop and image files are put together here from
the formats' layouts, and Pillow reads them back.  Files the readers must refuse are
listed in refused.txt as "NAME CODE"."""
import io
import os
import struct
import sys

from PIL import Image

out_dir = sys.argv[1]
manifest = []
refused = []


def pattern(width, height, mode):
    """A picture with different values in every channel, row and column."""
    im = Image.new("RGBA", (width, height))
    im.putdata([((x * 37 + y * 11) & 0xFF, (x * 5 + y * 53) & 0xFF, (x * 91 + y * 7 + 13) & 0xFF,
                 (x * 17 + y * 29) & 0xFF | (0x80 if (x + y) % 3 else 0))
                for y in range(height) for x in range(width)])
    if mode == "P":
        return im.convert("RGB").quantize(colors=40)
    return im.convert(mode)


def keep(name, depth, reference=None, dpi=(72, 72), tolerance=0):
    """Records what Pillow reads from NAME (or the picture given) as the expected result."""
    im = reference if reference is not None else Image.open(os.path.join(out_dir, name))
    im = im.convert("RGBA")
    with open(os.path.join(out_dir, name + ".rgba"), "wb") as f:
        f.write(im.tobytes())
    manifest.append("%s %d %d %d %d %d %d" % (name, im.width, im.height, depth, dpi[0], dpi[1], tolerance))


def write(name, data):
    with open(os.path.join(out_dir, name), "wb") as f:
        f.write(data)


# Targa, written by Pillow: both origins, raw and run-length, true colour, grey, mapped.
for mode, depth in (("RGB", 32), ("RGBA", 32), ("L", 8), ("P", 8)):
    for rle in (False, True):
        for orientation in (-1, 1):
            name = "tga_%s_%s_%s.tga" % (mode, "rle" if rle else "raw", "top" if orientation > 0 else "bottom")
            im = pattern(37, 23, mode)
            im.save(os.path.join(out_dir, name), compression="tga_rle" if rle else None,
                    orientation=orientation)
            keep(name, depth)

# A right-to-left Targa: the descriptor's bit 4 on a file Pillow wrote.
im = pattern(19, 7, "RGB")
buf = io.BytesIO()
im.save(buf, format="TGA")
data = bytearray(buf.getvalue())
data[17] |= 0x10
write("tga_mirrored.tga", bytes(data))
keep("tga_mirrored.tga", 32)

# Targa of 16 bits (5-5-5 and an attribute bit), by hand; the expected pixels computed here.
w, h = 9, 4
pixels = [((x * 3 + y) & 31, (x + y * 5) & 31, (x * 7) & 31) for y in range(h) for x in range(w)]
body = b"".join(struct.pack("<H", 0x8000 | r << 10 | g << 5 | b) for r, g, b in pixels)
write("tga_555.tga", struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 16, 0x20) + body)
ref = Image.new("RGB", (w, h))
ref.putdata([tuple((c << 3) | (c >> 2) for c in p) for p in pixels])
keep("tga_555.tga", 16, reference=ref)

# SGI: Pillow writes verbatim files of 1, 3 and 4 channels, 8 and 16 bits.
for mode, depth in (("L", 8), ("RGB", 32), ("RGBA", 32)):
    name = "sgi_%s_raw.sgi" % mode
    pattern(33, 17, mode).save(os.path.join(out_dir, name))
    keep(name, depth)
name = "sgi_RGB_16.sgi"
pattern(21, 11, "RGB").save(os.path.join(out_dir, name), bpc=2)
keep(name, 32)


def sgi_rle_row(values):
    """The format's run-length code for one row of byte values."""
    out = bytearray()
    i = 0
    while i < len(values):
        run = 1
        while i + run < len(values) and values[i + run] == values[i] and run < 127:
            run += 1
        if run >= 3:
            out += bytes((run, values[i]))
            i += run
            continue
        start = i
        while i < len(values) and i - start < 127 and not (
                i + 2 < len(values) and values[i] == values[i + 1] == values[i + 2]):
            i += 1
        out += bytes((0x80 | (i - start),)) + bytes(values[start:i])
    return bytes(out) + b"\0"


def sgi_rle(name, im):
    channels = len(im.getbands())
    w, h = im.size
    header = struct.pack(">HBBHHHHIII", 474, 1, 1, 3 if channels > 1 else 2, w, h, channels, 0, 255, 0) + b"\0" * 80 + \
        struct.pack(">I", 0)
    header += b"\0" * (512 - len(header))
    rows = []
    for z in range(channels):
        band = im.getchannel(z).transpose(Image.Transpose.FLIP_TOP_BOTTOM).tobytes()
        for y in range(h):
            rows.append(sgi_rle_row(band[y * w:(y + 1) * w]))
    offset = 512 + 8 * len(rows)
    starts, lengths, body = [], [], bytearray()
    for row in rows:
        starts.append(offset + len(body))
        lengths.append(len(row))
        body += row
    write(name, header + struct.pack(">%dI" % len(rows), *starts) +
          struct.pack(">%dI" % len(rows), *lengths) + bytes(body))


for mode, depth in (("L", 8), ("RGB", 32), ("RGBA", 32)):
    name = "sgi_%s_rle.sgi" % mode
    im = pattern(45, 13, mode)
    # Runs as well as literal stretches.
    im.paste((0, 0, 0, 255)[:len(im.getbands())] if mode != "L" else 0, (5, 2, 40, 9))
    sgi_rle(name, im)
    keep(name, depth)


# Photoshop files, put together here; Pillow reads the flat composite back.
def packbits(row):
    out = bytearray()
    i = 0
    while i < len(row):
        run = 1
        while i + run < len(row) and row[i + run] == row[i] and run < 128:
            run += 1
        if run >= 2:
            out += bytes((257 - run, row[i]))
            i += run
            continue
        start = i
        while i < len(row) and i - start < 128 and not (i + 1 < len(row) and row[i] == row[i + 1]):
            i += 1
        out += bytes((i - start - 1,)) + bytes(row[start:i])
    return bytes(out)


def psd(name, mode, bits, planes, w, h, colour_data=b"", dpi=None, rle=False, layers=b"",
        version=1):
    header = b"8BPS" + struct.pack(">H6xHIIHH", version, len(planes), h, w, bits, mode)
    resources = b""
    if dpi:
        res = struct.pack(">IHHIHH", dpi[0] << 16, 1, 1, dpi[1] << 16, 1, 1)
        # Another resource first, with a name of odd length, so that the walk must pad.
        other = b"8BIM" + struct.pack(">H", 0x0421) + b"\x03abc" + struct.pack(">I", 5) + b"12345\0"
        resources = other + b"8BIM" + struct.pack(">H", 0x03ED) + b"\0\0" + struct.pack(">I", 16) + res
    row_bytes = len(planes[0]) // h
    if rle:
        coded = [packbits(p[y * row_bytes:(y + 1) * row_bytes]) for p in planes for y in range(h)]
        width_code = ">%dI" if version == 2 else ">%dH"
        image = struct.pack(">H", 1) + struct.pack(width_code % len(coded), *map(len, coded)) + b"".join(coded)
    else:
        image = struct.pack(">H", 0) + b"".join(planes)
    layer_length = struct.pack(">Q" if version == 2 else ">I", len(layers))
    write(name, header + struct.pack(">I", len(colour_data)) + colour_data +
          struct.pack(">I", len(resources)) + resources + layer_length + layers + image)


rgb = pattern(29, 15, "RGB")
rgb.paste((200, 10, 10), (3, 3, 20, 8))  # runs for PackBits
planes = [rgb.getchannel(c).tobytes() for c in range(3)]
psd("psd_rgb_raw.psd", 3, 8, planes, 29, 15, dpi=(150, 300))
keep("psd_rgb_raw.psd", 32, dpi=(150, 300))
psd("psd_rgb_rle.psd", 3, 8, planes, 29, 15, rle=True)
keep("psd_rgb_rle.psd", 32)
psd("psd_rgb_large.psb", 3, 8, planes, 29, 15, rle=True, version=2)
keep("psd_rgb_large.psb", 32, reference=rgb)
grey = pattern(29, 15, "L")
psd("psd_grey_rle.psd", 1, 8, [grey.tobytes()], 29, 15, rle=True, dpi=(96, 96))
keep("psd_grey_rle.psd", 8, dpi=(96, 96))
indexed = pattern(29, 15, "P")
pal = indexed.getpalette()[:768]
pal += [0] * (768 - len(pal))
colour_data = bytes(pal[0::3] + pal[1::3] + pal[2::3])
psd("psd_indexed_raw.psd", 2, 8, [indexed.tobytes()], 29, 15, colour_data=colour_data)
keep("psd_indexed_raw.psd", 8)
bitmap = pattern(29, 15, "1")
# The format's bitmap: 1 is black.
psd("psd_bitmap_raw.psd", 0, 1, [bytes(b ^ 0xFF for b in bitmap.tobytes())], 29, 15)
keep("psd_bitmap_raw.psd", 1, reference=bitmap)
# 16 bits a channel: the high bytes are the picture (Pillow reads these only for grey).
planes16 = [bytes(v for b in p for v in (b, (b * 7) & 0xFF)) for p in planes]
psd("psd_rgb_16.psd", 3, 16, planes16, 29, 15, rle=True)
keep("psd_rgb_16.psd", 32, reference=rgb)
# A fourth channel is the composite's transparency only when the layer count is negative.
rgba = pattern(29, 15, "RGBA")
alpha = bytes(0 if (i % 29) < 5 else 255 for i in range(29 * 15))
planes4 = [rgba.getchannel(c).tobytes() for c in range(3)] + [alpha]
psd("psd_rgba_alpha.psd", 3, 8, planes4, 29, 15, layers=struct.pack(">Ih", 2, -1))
ref = rgba.convert("RGB").convert("RGBA")
ref.putalpha(Image.frombytes("L", (29, 15), alpha))
keep("psd_rgba_alpha.psd", 32, reference=ref)
psd("psd_rgb_selection.psd", 3, 8, planes4, 29, 15)
keep("psd_rgb_selection.psd", 32, reference=rgba.convert("RGB"))
# Variants refused rather than drawn wrongly.
psd("psd_cmyk.psd", 4, 8, [grey.tobytes()] * 4, 29, 15)
psd("psd_lab.psd", 9, 8, [grey.tobytes()] * 3, 29, 15)
psd("psd_float.psd", 3, 32, [grey.tobytes() * 4] * 3, 29, 15)
refused += ["psd_cmyk.psd -8962", "psd_lab.psd -8962", "psd_float.psd -8962"]


# Image files: a description atom and a data atom, JPEG (the common case) and PNG inside.
def image_file(name, codec, coded, w, h, dpi, depth, data_first=False):
    desc = struct.pack(">I4s6xHHHIIIHHIIIH", 86, codec, 0, 0, 0, 0, 0, 512, w, h, dpi[0] << 16,
                       dpi[1] << 16, len(coded), 1) + bytes([4]) + b"test" + b"\0" * 27 + \
        struct.pack(">Hh", depth, -1)
    atoms = [struct.pack(">I4s", 8 + len(desc), b"idsc") + desc,
             struct.pack(">I4s", 8 + len(coded), b"idat") + coded]
    if data_first:
        atoms.reverse()
    # A further atom the reader passes over.
    write(name, struct.pack(">I4s", 12, b"iicc") + b"abcd" + b"".join(atoms) if data_first
          else b"".join(atoms))


photo = pattern(48, 32, "RGB")
buf = io.BytesIO()
photo.save(buf, format="JPEG", quality=92)
image_file("qtif_jpeg.qtif", b"jpeg", buf.getvalue(), 48, 32, (300, 300), 24)
keep("qtif_jpeg.qtif", 32, reference=Image.open(io.BytesIO(buf.getvalue())), dpi=(300, 300), tolerance=3)
buf = io.BytesIO()
pattern(20, 10, "RGBA").save(buf, format="PNG")
image_file("qtif_png.qtif", b"png ", buf.getvalue(), 20, 10, (72, 144), 32, data_first=True)
keep("qtif_png.qtif", 32, reference=Image.open(io.BytesIO(buf.getvalue())), dpi=(72, 144))
buf = io.BytesIO()
pattern(20, 10, "L").save(buf, format="JPEG")
image_file("qtif_grey.qtif", b"jpeg", buf.getvalue(), 20, 10, (72, 72), 40)
keep("qtif_grey.qtif", 8, reference=Image.open(io.BytesIO(buf.getvalue())), tolerance=3)
image_file("qtif_cinepak.qtif", b"cvid", b"\0" * 40, 20, 10, (72, 72), 24)
refused.append("qtif_cinepak.qtif -8962")

with open(os.path.join(out_dir, "manifest.txt"), "w") as f:
    f.write("\n".join(manifest) + "\n")
with open(os.path.join(out_dir, "refused.txt"), "w") as f:
    f.write("\n".join(refused) + "\n")
