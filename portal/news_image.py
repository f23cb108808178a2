"""The sample news picture: a packed 268 x 79 24-bit bitmap (a
BITMAPINFOHEADER followed at once by the pixel rows, bottom-up, BGR), as the
launcher paints it above the taskbar."""
import struct

WIDTH, HEIGHT = 268, 79

# 5 x 7 glyphs for the few letters the picture needs.
GLYPHS = {
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "!": ["00100", "00100", "00100", "00100", "00100", "00000", "00100"],
    " ": ["00000"] * 7,
}


def render_pixels():
    """Rows top-down of (r, g, b): a night-sky gradient, a planet, stars and
    two lines of text."""
    px = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        t = y / (HEIGHT - 1)
        row = (int(10 + 30 * t), int(20 + 60 * t), int(70 + 120 * t))
        px[y] = [row] * WIDTH
    for (sx, sy) in [(12, 8), (40, 20), (90, 6), (150, 15), (200, 9), (250, 25), (230, 60), (20, 55)]:
        px[sy][sx] = (255, 255, 220)
    cx, cy, r = 228, 40, 22
    for y in range(HEIGHT):
        for x in range(WIDTH):
            d = (x - cx) ** 2 + (y - cy) ** 2
            if d <= r * r:
                shade = 1.0 - 0.5 * ((x - cx + r) / (2 * r))
                px[y][x] = (int(240 * shade), int(140 * shade), int(40 * shade))

    def text(s, x0, y0, scale, colour):
        for i, ch in enumerate(s):
            for gy, line in enumerate(GLYPHS[ch]):
                for gx, bit in enumerate(line):
                    if bit == "1":
                        for dy in range(scale):
                            for dx in range(scale):
                                px[y0 + gy * scale + dy][x0 + (i * 6 + gx) * scale + dx] = colour

    text("ZENTARIS NEWS", 10, 12, 2, (255, 255, 255))
    text("NEW SPACE DEMO!", 10, 46, 2, (255, 220, 90))
    return px


def packed_dib():
    px = render_pixels()
    stride = (WIDTH * 3 + 3) & ~3
    rows = []
    for y in reversed(range(HEIGHT)):  # bottom-up: positive height
        row = bytearray()
        for (r, g, b) in px[y]:
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    bits = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    return header + bits


if __name__ == "__main__":
    import sys
    sys.stdout.buffer.write(packed_dib())
