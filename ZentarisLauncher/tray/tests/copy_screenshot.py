#!/usr/bin/env python3
"""Copies the tray screenshots that the Windows tests took into docs/,
recompressed (the tests write PNGs with stored, uncompressed data).

    copy_screenshot.py BUILD_DIR [DOCS_DIR]
    e.g. copy_screenshot.py build docs/screenshots
"""
import glob
import os
import struct
import sys
import zlib


def chunks(data):
    pos = 8
    while pos < len(data):
        length = struct.unpack('>I', data[pos:pos + 4])[0]
        yield data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length


def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def recompress(data):
    header, pixels = None, b''
    for kind, body in chunks(data):
        if kind == b'IHDR':
            header = body
        elif kind == b'IDAT':
            pixels += body
    return (data[:8] + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(zlib.decompress(pixels), 9))
            + chunk(b'IEND', b''))


def main():
    build = sys.argv[1]
    docs = sys.argv[2] if len(sys.argv) > 2 else 'docs/screenshots'
    os.makedirs(docs, exist_ok=True)
    shots = glob.glob(os.path.join(build, 'win64', 'screenshots', 'tray-*.png'))
    if not shots:
        sys.exit('no tray screenshots in %s: run the win64 tray_program_test first' % build)
    for shot in shots:
        with open(shot, 'rb') as f:
            data = recompress(f.read())
        target = os.path.join(docs, os.path.basename(shot))
        with open(target, 'wb') as f:
            f.write(data)
        print(target, len(data), 'bytes')


if __name__ == '__main__':
    main()
