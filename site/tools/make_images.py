#!/usr/bin/env python3
"""Draws the preference editor's GIF images into site/cfadmin/images/.

Plain Python without imaging libraries, so that the images can be redrawn
on any machine; the output is committed and nothing in the build runs this.
Shapes are sampled 4x4 per pixel, blended over the colour of the surface the
image sits on (GIF has only on/off transparency) and written as GIF89a.
"""

import math
import os
import sys

SAMPLES = 4


def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


class Canvas:
    """Premultiplied RGBA floats, composited shape by shape."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def paint(self, inside, colour, opacity=1.0):
        rgb = hex_rgb(colour)
        step = 1.0 / SAMPLES
        for y in range(self.height):
            for x in range(self.width):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                            hits += 1
                if not hits:
                    continue
                a = opacity * hits / (SAMPLES * SAMPLES)
                p = self.px[y * self.width + x]
                for i in range(3):
                    p[i] = rgb[i] * a + p[i] * (1.0 - a)
                p[3] = a + p[3] * (1.0 - a)

    def gradient(self, top, bottom):
        t, b = hex_rgb(top), hex_rgb(bottom)
        for y in range(self.height):
            f = y / max(1, self.height - 1)
            c = [t[i] + (b[i] - t[i]) * f for i in range(3)]
            for x in range(self.width):
                self.px[y * self.width + x] = [c[0], c[1], c[2], 1.0]


# Shapes: each returns a point test over continuous pixel coordinates.

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in, start=0.0, end=360.0):
    """Annulus limited to the angles start..end (degrees, clockwise from east)."""
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        if d > r_out * r_out or d < r_in * r_in:
            return False
        ang = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
        if start <= end:
            return start <= ang <= end
        return ang >= start or ang <= end
    return inside


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
        t = min(1.0, max(0.0, t))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2.0) ** 2
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def shifted(shape, dx, dy, scale=1.0):
    return lambda x, y: shape((x - dx) / scale, (y - dy) / scale)


# Drawings

def padlock(c, dx=0.0, dy=0.0, scale=1.0, body="#e3a90f", edge="#8a5a00",
            shackle="#6d7580", open_=False):
    def s(shape):
        return shifted(shape, dx, dy, scale)
    lift = 1.9 if open_ else 0.0
    c.paint(s(ring(8, 6.5 - lift, 4.1, 2.4, 180, 360)), shackle)
    c.paint(s(rect(3.9, 6.5 - lift, 5.6, 8)), shackle) if not open_ else None
    c.paint(s(rect(10.4, 6.5 - lift, 12.1, 8)), shackle)
    if open_:
        c.paint(s(rect(3.9, 6.5 - lift, 5.6, 6.5 - lift + 1.2)), shackle)
    c.paint(s(rounded_rect(2.5, 7.5, 13.5, 15, 1.5)), edge)
    c.paint(s(rounded_rect(3.5, 8.5, 12.5, 14, 0.8)), body)
    c.paint(s(circle(8, 10.6, 1.1)), edge)
    c.paint(s(rect(7.5, 10.6, 8.5, 12.8)), edge)


def img_lock():
    c = Canvas(16, 16)
    padlock(c)
    return c


def img_unlock():
    c = Canvas(16, 16)
    padlock(c, body="#b7d2a6", edge="#6f9062", shackle="#98a1ab", open_=True)
    return c


def img_no_lock():
    c = Canvas(16, 16)
    padlock(c, body="#e6e9ee", edge="#c3c9d2", shackle="#d3d8df")
    return c


def img_lock_section():
    c = Canvas(16, 16)
    padlock(c, dx=-1.5, dy=-1.8, scale=0.78, body="#e0bd62", edge="#9b7a26", shackle="#98a0aa")
    padlock(c, dx=4.0, dy=3.4, scale=0.78)
    return c


def img_unlock_section():
    c = Canvas(16, 16)
    padlock(c, dx=-1.5, dy=-1.8, scale=0.78, body="#d3e4c8", edge="#93ad88",
            shackle="#b3bac2", open_=True)
    padlock(c, dx=4.0, dy=3.4, scale=0.78, body="#b7d2a6", edge="#6f9062",
            shackle="#98a1ab", open_=True)
    return c


def img_apply_defaults():
    c = Canvas(16, 16)
    c.paint(rect(2.5, 1.5, 12.5, 15), "#8793a3")
    c.paint(rect(3.5, 2.5, 11.5, 14), "#ffffff")
    for y in (4.5, 6.5, 8.5):
        c.paint(rect(5, y, 10, y + 0.9), "#b9c2ce")
    c.paint(segment(7.2, 11.3, 9.6, 13.6, 2.1), "#2f8a3a")
    c.paint(segment(9.6, 13.6, 14.2, 7.6, 2.1), "#2f8a3a")
    return c


def img_reset():
    c = Canvas(16, 16)
    c.paint(ring(8, 8.7, 6.0, 3.9, 300, 245), "#1f4f8f")
    c.paint(polygon([(9.6, 3.7), (5.4, 0.4), (5.4, 7.0)]), "#1f4f8f")
    return c


def img_gen_player():
    c = Canvas(22, 22)
    c.paint(circle(11, 11, 10.2), "#e8f0fa")
    c.paint(circle(11, 11, 9.2), "#3f9b45")
    c.paint(circle(11, 11, 8.2), "#4cb553")
    c.paint(polygon([(8.3, 6.2), (16.4, 11), (8.3, 15.8)]), "#ffffff")
    return c


def img_header():
    c = Canvas(8, 56)
    c.gradient("#2d5488", "#1a3558")
    for x in range(8):
        c.px[55 * 8 + x] = [0x5d, 0x8c, 0xc4, 1.0]
        c.px[54 * 8 + x] = [0x23, 0x44, 0x70, 1.0]
    return c


def tree_box(sign):
    c = Canvas(9, 9)
    c.paint(rect(0, 0, 9, 9), "#6f8fbf")
    c.paint(rect(1, 1, 8, 8), "#ffffff")
    c.paint(rect(2, 4, 7, 5), "#1f4f8f")
    if sign == "+":
        c.paint(rect(4, 2, 5, 7), "#1f4f8f")
    return c


def img_solid_tree():
    c = Canvas(9, 9)
    c.paint(rect(3, 3, 6, 6), "#6f8fbf")
    return c


def img_spacer():
    return Canvas(1, 1)


# GIF writing

def quantise(canvas, matte):
    m = hex_rgb(matte)
    pixels = []
    for r, g, b, a in canvas.px:
        if a < 0.08:
            pixels.append(None)
            continue
        # premultiplied colour over the matte the image will sit on
        pixels.append(tuple(int(round(min(255.0, [r, g, b][i] + m[i] * (1.0 - a))))
                            for i in range(3)))
    step = 1
    while True:
        reduced = [None if p is None else tuple(min(255, (v // step) * step) for v in p)
                   for p in pixels]
        colours = sorted(set(p for p in reduced if p is not None))
        if len(colours) <= 255:
            return reduced, colours
        step *= 2


def lzw(indices, min_size):
    clear, eoi = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    acc, nbits = 0, 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    size = min_size + 1
    table = {}
    nxt = eoi + 1
    emit(clear, size)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, size)
        if nxt < 4095:
            table[key] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, nxt, size = {}, eoi + 1, min_size + 1
        prefix = k
    emit(prefix, size)
    emit(eoi, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_bytes(canvas, matte):
    pixels, colours = quantise(canvas, matte)
    transparent = any(p is None for p in pixels)
    palette = ([(255, 255, 255)] if transparent else []) + colours
    bits = 1
    while (1 << bits) < max(2, len(palette)):
        bits += 1
    palette += [(0, 0, 0)] * ((1 << bits) - len(palette))
    index = {c: i for i, c in enumerate(palette) if not (transparent and i == 0)}
    indices = [0 if p is None else index[p] for p in pixels]
    data = bytearray(b"GIF89a")
    data += canvas.width.to_bytes(2, "little") + canvas.height.to_bytes(2, "little")
    data += bytes([0x80 | (bits - 1), 0, 0])
    for c in palette:
        data += bytes(c)
    if transparent:
        data += bytes([0x21, 0xF9, 4, 1, 0, 0, 0, 0])
    data += b"\x2c" + (0).to_bytes(4, "little")
    data += canvas.width.to_bytes(2, "little") + canvas.height.to_bytes(2, "little") + b"\x00"
    min_size = max(2, bits)
    data.append(min_size)
    stream = lzw(indices, min_size)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3b"
    return bytes(data)


# Matte colours are the surfaces the images sit on in the style sheets.
ROW = "#f7f9fc"
IMAGES = [
    ("unlock.gif", img_unlock, ROW),
    ("lock.gif", img_lock, ROW),
    ("no_lock.gif", img_no_lock, ROW),
    ("lock_section.gif", img_lock_section, "#eef2f7"),
    ("unlock_section.gif", img_unlock_section, "#eef2f7"),
    ("apply_defaults.gif", img_apply_defaults, "#eef2f7"),
    ("reset_preferences_dk.gif", img_reset, "#eef2f7"),
    ("gen_player.gif", img_gen_player, "#244a7a"),
    ("header_r1.gif", img_header, "#1a3558"),
    ("plus_tree_blue.gif", lambda: tree_box("+"), "#ffffff"),
    ("minus_tree_blue.gif", lambda: tree_box("-"), "#ffffff"),
    ("solid_tree_blue.gif", img_solid_tree, "#ffffff"),
    ("spacer.gif", img_spacer, "#ffffff"),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "cfadmin", "images")
    os.makedirs(out_dir, exist_ok=True)
    for name, draw, matte in IMAGES:
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(gif_bytes(draw(), matte))


if __name__ == "__main__":
    main()
