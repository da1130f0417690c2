#!/usr/bin/env python3
"""Draws the program's icon and writes it as a multi-size .ico: draw-icon.py OUT.ico

The picture: a screen on its stand with the launcher bar at its right edge, a narrow light
column of shortcut rows (a coloured icon square and, where there is room, a name line).
Every size is drawn for its own pixel grid, so edges fall on whole pixels and stay sharp.
16, 24, 32 and 48 px are 32-bpp BGRA bitmaps with AND masks; 256 px is a PNG.
Standard library only.
"""

import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)

FRAME = (0x26, 0x30, 0x40)
SCREEN_TOP = (0x5A, 0x9B, 0xEE)
SCREEN_BOTTOM = (0x2C, 0x5F, 0xBF)
BAR = (0xF4, 0xF6, 0xFA)
SHADOW = (0x10, 0x1C, 0x30)
NAME_LINE = (0x9A, 0xA5, 0xB5)
ROW_ICONS = ((0xF5, 0xA6, 0x23), (0x3C, 0xB3, 0x71), (0xE5, 0x4B, 0x4B), (0x8E, 0x5C, 0xD9))


class Canvas:
    """Straight RGBA in floats, painted with the "over" operator and per-pixel coverage."""

    def __init__(self, size):
        self.size = size
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def paint(self, x, y, color, alpha):
        if alpha <= 0.0 or not (0 <= x < self.size and 0 <= y < self.size):
            return
        p = self.px[y * self.size + x]
        r, g, b = (c / 255.0 for c in color)
        out_a = alpha + p[3] * (1.0 - alpha)
        if out_a <= 0.0:
            return
        for i, c in enumerate((r, g, b)):
            p[i] = (c * alpha + p[i] * p[3] * (1.0 - alpha)) / out_a
        p[3] = out_a

    def shape(self, box, inside, color, alpha=1.0, samples=4):
        """Paints inside(x, y) over the pixels of box = (x0, y0, x1, y1); color may be a
        function of y (a vertical gradient)."""
        x0, y0, x1, y1 = box
        step = 1.0 / samples
        for y in range(max(0, int(y0)), min(self.size, int(y1 + 0.999))):
            for x in range(max(0, int(x0)), min(self.size, int(x1 + 0.999))):
                hits = 0
                for sy in range(samples):
                    for sx in range(samples):
                        if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    c = color(y + 0.5) if callable(color) else color
                    self.paint(x, y, c, alpha * hits / (samples * samples))

    def rect(self, x0, y0, x1, y1, color, alpha=1.0, radius=0.0):
        """An axis-aligned rectangle, its corners rounded by radius: exact coverage along
        the straight edges, sampled only at the corners."""
        def inside(x, y):
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return x0 <= x < x1 and y0 <= y < y1 and (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
        for y in range(max(0, int(y0)), min(self.size, int(y1 + 0.999))):
            oy = min(y + 1, y1) - max(y, y0)
            for x in range(max(0, int(x0)), min(self.size, int(x1 + 0.999))):
                ox = min(x + 1, x1) - max(x, x0)
                if ox <= 0 or oy <= 0:
                    continue
                c = color(y + 0.5) if callable(color) else color
                corner = radius > 0 and (x < x0 + radius or x + 1 > x1 - radius) and \
                    (y < y0 + radius or y + 1 > y1 - radius)
                if corner:
                    self.shape((x, y, x + 1, y + 1), inside, c, alpha)
                else:
                    self.paint(x, y, c, alpha * ox * oy)

    def rgba_rows(self):
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r, g, b, a = self.px[y * self.size + x]
                row.append(tuple(int(round(v * 255)) for v in (r, g, b, a)))
            yield row


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def draw(size):
    c = Canvas(size)
    s = size
    px = lambda v: float(round(v * s))  # noqa: E731  (a length on this size's pixel grid)
    one = max(1.0, px(0.05))

    # The screen: a dark frame with a blue picture in it.
    fx0, fy0, fx1, fy1 = px(0.03), px(0.09), s - px(0.03), px(0.77)
    c.rect(fx0, fy0, fx1, fy1, FRAME, radius=max(1.0, s * 0.07))
    sx0, sy0, sx1, sy1 = fx0 + one, fy0 + one, fx1 - one, fy1 - one
    c.rect(sx0, sy0, sx1, sy1, lambda y: mix(SCREEN_TOP, SCREEN_BOTTOM, (y - sy0) / (sy1 - sy0)),
           radius=max(0.0, s * 0.03 - 0.5))

    # The stand.
    neck = max(2.0, px(0.14))
    c.rect(round((s - neck) / 2), fy1, round((s + neck) / 2), px(0.87), FRAME)
    c.rect(px(0.28), px(0.86), s - px(0.28), px(0.95), FRAME, radius=max(0.5, s * 0.03))

    # The bar at the right edge of the screen, a soft shadow to its left.
    bar_w = max(5.0, px(0.30))
    bx0 = sx1 - bar_w
    if s >= 24:
        c.rect(bx0 - one, sy0, bx0, sy1, SHADOW, alpha=0.35)
    c.rect(bx0, sy0, sx1, sy1, BAR)

    # Its rows: a coloured icon square and a name line.
    rows = 3 if s < 32 else 4
    pad = max(1.0, px(0.035))
    pitch = round((sy1 - sy0 - pad) / rows)
    icon = max(1.0, pitch - pad)
    start = sy0 + (sy1 - sy0 - (rows * pitch - pad) + 1) // 2
    for i in range(rows):
        top = start + i * pitch
        c.rect(bx0 + pad, top, bx0 + pad + icon, top + icon, ROW_ICONS[i % len(ROW_ICONS)],
               radius=s * 0.012 if s >= 48 else 0.0)
        line_x0 = bx0 + pad + icon + pad
        if s >= 24 and sx1 - pad - line_x0 >= 2:
            line_h = max(1.0, round(icon * 0.3))
            ly = top + round((icon - line_h) / 2)
            c.rect(line_x0, ly, sx1 - pad, ly + line_h, NAME_LINE)
    return c


def bmp_image(canvas):
    """A 32-bpp icon bitmap: header (height doubled), BGRA rows bottom-up, then the AND mask."""
    s = canvas.size
    rows = list(canvas.rgba_rows())
    header = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask = bytearray()
    stride = ((s + 31) // 32) * 4
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:  # set bits: transparent where only the mask counts
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(colour) + bytes(mask)


def png_image(canvas):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = bytearray()
    for row in canvas.rgba_rows():
        raw.append(0)  # filter: none
        for pixel in row:
            raw += bytes(pixel)
    s = canvas.size
    ihdr = struct.pack(">IIBBBBB", s, s, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def ico(images):
    """images: [(size, bytes)] -> the .ico file."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    return out + body


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.splitlines()[0])
    images = []
    for size in SIZES:
        canvas = draw(size)
        images.append((size, png_image(canvas) if size >= 256 else bmp_image(canvas)))
    with open(sys.argv[1], "wb") as f:
        f.write(ico(images))


if __name__ == "__main__":
    main()
