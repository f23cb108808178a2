#!/usr/bin/env python3
"""Turns the BMP screenshots that news_tray_test writes into PNGs, e.g. for
docs/screenshots:   news_png_pack.py OUT_DIR FILE.bmp...
"""
import os, struct, sys, zlib


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def bmp_to_png(src, dst):
    data = open(src, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if data[:2] != b"BM" or bits != 24:
        raise SystemExit(f"{src}: not a 24-bit BMP")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row = y if height < 0 else abs(height) - 1 - y
        line = data[offset + row * stride: offset + row * stride + width * 3]
        rgb = bytearray(line)
        rgb[0::3], rgb[2::3] = line[2::3], line[0::3]
        rows.append(b"\0" + bytes(rgb))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    open(dst, "wb").write(png)
    print(f"{dst}: {len(png)} bytes")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    for src in sys.argv[2:]:
        bmp_to_png(src, os.path.join(sys.argv[1], os.path.splitext(os.path.basename(src))[0] + ".png"))
