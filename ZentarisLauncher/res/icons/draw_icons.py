#!/usr/bin/env python3
"""Draws the launcher's icons: 16-colour .ico files, each with a 32 x 32 and
a 16 x 16 image. Shapes are given on a unit square and sampled at each
pixel's centre, so both sizes come from one drawing.

    python3 draw_icons.py [OUTPUT_DIR]     (default: this folder)
"""
import math
import os
import struct
import sys

# The standard 16-colour palette (index: r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


def rounded(x, y, x0, y0, x1, y1, r):
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def box(x, y, x0, y0, x1, y1):
    return x0 <= x <= x1 and y0 <= y <= y1


def disc(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def near_segment(x, y, ax, ay, bx, by, w):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy) <= w


def in_polygon(x, y, points):
    inside = False
    for i in range(len(points)):
        (ax, ay), (bx, by) = points[i], points[i - 1]
        if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
            inside = not inside
    return inside


# Each drawing answers a palette index, or None for a transparent pixel.
def app(x, y):
    # A white "Z" on a blue tile.
    if not rounded(x, y, 0.03, 0.03, 0.97, 0.97, 0.18):
        return None
    if not rounded(x, y, 0.09, 0.09, 0.91, 0.91, 0.14):
        return NAVY
    if box(x, y, 0.22, 0.2, 0.78, 0.34) or box(x, y, 0.22, 0.66, 0.78, 0.8):
        return WHITE
    if in_polygon(x, y, [(0.62, 0.34), (0.78, 0.34), (0.38, 0.66), (0.22, 0.66)]):
        return WHITE
    return BLUE


def downloads(x, y):
    # A green arrow down into a tray.
    if in_polygon(x, y, [(0.38, 0.06), (0.62, 0.06), (0.62, 0.4), (0.82, 0.4),
                         (0.5, 0.72), (0.18, 0.4), (0.38, 0.4)]):
        return GREEN if x > 0.5 else LIME
    if box(x, y, 0.06, 0.78, 0.94, 0.94) or box(x, y, 0.06, 0.6, 0.18, 0.94) or box(x, y, 0.82, 0.6, 0.94, 0.94):
        return GRAY
    return None


def exit_icon(x, y):
    # A white cross on a red disc.
    if not disc(x, y, 0.5, 0.5, 0.47):
        return None
    if not disc(x, y, 0.5, 0.5, 0.41):
        return MAROON
    if near_segment(x, y, 0.3, 0.3, 0.7, 0.7, 0.09) or near_segment(x, y, 0.3, 0.7, 0.7, 0.3, 0.09):
        return WHITE
    return RED


def features(x, y):
    # A yellow star: the portal's pages of the games.
    points = []
    for k in range(10):
        angle = -math.pi / 2 + k * math.pi / 5
        r = 0.48 if k % 2 == 0 else 0.2
        points.append((0.5 + r * math.cos(angle), 0.53 + r * math.sin(angle)))
    if in_polygon(x, y, points):
        return YELLOW if y < 0.55 else OLIVE
    return None


def games(x, y):
    # A game pad: cross on the left, two buttons on the right.
    body = rounded(x, y, 0.04, 0.26, 0.96, 0.76, 0.2)
    if not body:
        return None
    if box(x, y, 0.15, 0.44, 0.41, 0.56) or box(x, y, 0.22, 0.37, 0.34, 0.63):
        return BLACK
    if disc(x, y, 0.68, 0.44, 0.07) or disc(x, y, 0.81, 0.56, 0.07):
        return RED
    return GRAY if y > 0.62 else SILVER


def news(x, y):
    # A newspaper: a headline and lines of text on a white page.
    if not box(x, y, 0.1, 0.06, 0.9, 0.94):
        return None
    if not box(x, y, 0.16, 0.12, 0.84, 0.88):
        return BLACK
    if box(x, y, 0.24, 0.2, 0.76, 0.34):
        return BLUE
    for top in (0.44, 0.58, 0.72):
        if box(x, y, 0.24, top, 0.76, top + 0.06):
            return GRAY
    return WHITE


def image(draw, size):
    rows = []
    for j in range(size):
        rows.append([draw((i + 0.5) / size, (j + 0.5) / size) for i in range(size)])
    return rows


def dib(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    colour, mask = b'', b''
    for row in reversed(rows):  # bottom-up
        indexes = [BLACK if p is None else p for p in row]
        line = bytes((indexes[i] << 4) | indexes[i + 1] for i in range(0, size, 2))
        colour += line + b'\0' * (-len(line) % 4)
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        line = bits.to_bytes(size // 8, 'big')
        mask += line + b'\0' * (-len(line) % 4)
    return header + palette + colour + mask


def ico(draw):
    images = [dib(image(draw, size)) for size in (32, 16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


ICONS = {
    'app.ico': app,            # 101
    'downloads.ico': downloads,  # 103
    'exit.ico': exit_icon,     # 104
    'features.ico': features,  # 105
    'games.ico': games,        # 106
    'news.ico': news,          # 107
}

if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, draw in ICONS.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(ico(draw))
