#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: small datastreams of every colour type, bit
depth and interlace method, with palettes, transparency, gamma, text and split image data, a
few BMP files, and stored picture streams (a class name, then a PNG datastream or the stored form
of the 32-bit alpha bitmap: a 4-byte length and a BMP file, also with BI_BITFIELDS masks)."""
import os
import random
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
FORMATS = [(0, 1), (0, 2), (0, 4), (0, 8), (0, 16), (2, 8), (2, 16), (3, 1), (3, 2), (3, 4), (3, 8),
           (4, 8), (4, 16), (6, 8), (6, 16)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (0, 4, 8, 8), (4, 0, 8, 4), (0, 2, 4, 4), (2, 0, 4, 2), (0, 1, 2, 2), (1, 0, 2, 1)]


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def scanlines(rng, w, h, ctype, depth, interlace):
    def line(pixels):
        n = (pixels * CHANNELS[ctype] * depth + 7) // 8
        return bytes([rng.randrange(5)]) + bytes(rng.randrange(256) for _ in range(n))
    if not interlace:
        return b"".join(line(w) for _ in range(h))
    out = b""
    for row0, col0, rstep, cstep in ADAM7:
        pw = (w + cstep - col0 - 1) // cstep
        if pw == 0:
            continue
        out += b"".join(line(pw) for _ in range(row0, h, rstep))
    return out


def png(rng, w, h, ctype, depth, interlace, extra=b"", split=0):
    body = chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, interlace)) + extra
    data = zlib.compress(scanlines(rng, w, h, ctype, depth, interlace))
    if split:
        for i in range(0, len(data), split):
            body += chunk(b"IDAT", data[i:i + split])
    else:
        body += chunk(b"IDAT", data)
    return b"\x89PNG\r\n\x1a\n" + body + chunk(b"IEND", b"")


def bmp(w, h, bits, rng):
    stride = ((bits * w + 31) // 32) * 4
    palette = bytes(rng.randrange(256) for _ in range(4 * (1 << bits))) if bits <= 8 else b""
    rows = bytes(rng.randrange(256) for _ in range(stride * h))
    offset = 54 + len(palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(rows), 0, 0, 0, 0)
    return head + info + palette + rows


def bitfields_bmp(w, h, masks, rng):
    rows = bytes(rng.randrange(256) for _ in range(4 * w * h))
    offset = 54 + 12
    head = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 32, 3, len(rows), 0, 0, 0, 0)
    return head + info + struct.pack("<III", *masks) + rows


def stored(class_name, data):
    return bytes([len(class_name)]) + class_name + data


def stored_bitmap(bmp_file):
    return stored(b"TPNGGraphic", struct.pack("<I", len(bmp_file)) + bmp_file)


def main():
    rng = random.Random(1)
    os.makedirs(OUT, exist_ok=True)
    files = {}
    for ctype, depth in FORMATS:
        for interlace in (0, 1):
            extra = b""
            if ctype == 3:
                extra += chunk(b"PLTE", bytes(rng.randrange(256) for _ in range(3 * (1 << depth))))
                extra += chunk(b"tRNS", bytes([0, 128, 255])[: 1 << depth])
            elif ctype in (0, 2) and interlace:
                extra += chunk(b"tRNS", bytes(2 * CHANNELS[ctype]))
            if depth == 8 and interlace == 0:
                extra += chunk(b"gAMA", struct.pack(">I", 100000))
            files[f"c{ctype}d{depth}i{interlace}.png"] = png(rng, 7, 5, ctype, depth, interlace, extra)
    files["split_idat.png"] = png(rng, 16, 8, 6, 8, 0, chunk(b"tEXt", b"Key\0value"), split=7)
    files["ztxt_phys_time.png"] = png(rng, 3, 3, 2, 8, 0,
                                      chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"seed text"))
                                      + chunk(b"pHYs", struct.pack(">IIB", 2835, 2835, 1))
                                      + chunk(b"tIME", struct.pack(">HBBBBB", 2026, 12, 9, 6, 0, 0))
                                      + chunk(b"cHRM", bytes(32)) + chunk(b"prVt", b"private"))
    files["one_pixel_interlaced.png"] = png(rng, 1, 1, 6, 8, 1)
    for bits in (1, 4, 8, 24, 32):
        files[f"bmp{bits}.bmp"] = bmp(5, 3, bits, rng)
    files["stored_png.bin"] = stored(b"TPNGObject", png(rng, 4, 3, 6, 8, 0))
    files["stored_alpha_bitmap.bin"] = stored_bitmap(bmp(5, 3, 32, rng))
    files["stored_bitfields.bin"] = stored_bitmap(bitfields_bmp(3, 2, (0xFF0000, 0xFF00, 0xFF), rng))
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
