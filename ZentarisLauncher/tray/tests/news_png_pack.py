#!/usr/bin/env python3
"""Copies the screenshots that news_tray_test writes (stored, uncompressed
PNGs) into a folder, recompressed, e.g. for docs/screenshots:

    news_png_pack.py OUT_DIR FILE.png...
"""
import os
import struct
import sys
import zlib


def chunks(data):
    pos = 8
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        yield kind, data[pos + 8:pos + 8 + length]
        pos += 12 + length


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def pack(src, dst):
    with open(src, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{src}: not a PNG")
    header, idat = None, b""
    for kind, body in chunks(data):
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
    out = data[:8] + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(zlib.decompress(idat), 9)) + chunk(b"IEND", b"")
    with open(dst, "wb") as f:
        f.write(out)
    print(f"{dst}: {len(out)} bytes")


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for src in sys.argv[2:]:
        pack(src, os.path.join(out_dir, os.path.basename(src)))


if __name__ == "__main__":
    main()
