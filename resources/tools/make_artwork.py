#!/usr/bin/env python3
"""Draws the window's artwork and writes it next to this folder (resources/).

Standard library only. The build does not run this script: its output is committed, and running it
again gives byte-identical files. Outputs:
  logo.bmp                       bitmap 129, 81 x 79, 24 bits per pixel, on white
  lamp_red.bmp, lamp_green.bmp,  bitmaps 135, 136, 137, 24 x 24, 24 bits per pixel: a disc with a dark
  lamp_grey.bmp                  outline and white corners
  vantrex.ico                    icon group 128: 32, 16 and 64 pixels, 256 colours each, in that order
  vantrex-config.png             the same picture, 64 x 64 with alpha, for the Linux desktop entry
"""

import math
import os
import struct
import zlib

SUPERSAMPLING = 4
WHITE = (255, 255, 255)
NAVY = (0, 51, 102)
SKY = (51, 153, 204)
ORANGE = (255, 153, 0)
OUTLINE = (51, 51, 51)


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_in, r_out):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def segment(x0, y0, x1, y1, width):
    """A stroke of the given width from (x0, y0) to (x1, y1) with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length_sq = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length_sq))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= width * width / 4

    return inside


def orbit(cx, cy, rx, ry, angle_deg, width, front):
    """The outline of a tilted ellipse; front selects the half nearer the viewer (below its axis)."""
    cos_a, sin_a = math.cos(math.radians(angle_deg)), math.sin(math.radians(angle_deg))

    def inside(x, y):
        u = (x - cx) * cos_a + (y - cy) * sin_a
        v = -(x - cx) * sin_a + (y - cy) * cos_a
        if (v >= 0) != front:
            return False
        f = (u / rx) ** 2 + (v / ry) ** 2 - 1
        gradient = 2 * math.hypot(u / (rx * rx), v / (ry * ry))
        return gradient > 0 and abs(f) / gradient <= width / 2

    return inside


def hand(cx, cy, length, clock_hours, width):
    angle = math.radians(clock_hours * 30 - 90)
    return segment(cx, cy, cx + length * math.cos(angle), cy + length * math.sin(angle), width)


def clock_with_orbit(cx, cy, r, scale):
    """Layers, back to front: a clock face crossed by a satellite's orbit."""
    layers = [(orbit(cx, cy, r * 1.45, r * 0.42, -22, 2.2 * scale, False), ORANGE)]
    layers.append((disc(cx, cy, r), WHITE))
    layers.append((ring(cx, cy, r * 0.86, r), NAVY))
    for hour in range(12):
        angle = math.radians(hour * 30)
        inner = r * (0.62 if hour % 3 == 0 else 0.70)
        x0, y0 = cx + inner * math.cos(angle), cy + inner * math.sin(angle)
        x1, y1 = cx + r * 0.8 * math.cos(angle), cy + r * 0.8 * math.sin(angle)
        layers.append((segment(x0, y0, x1, y1, 1.4 * scale), SKY))
    layers.append((hand(cx, cy, r * 0.45, 10, 3.0 * scale), NAVY))
    layers.append((hand(cx, cy, r * 0.68, 2, 2.2 * scale), NAVY))
    layers.append((disc(cx, cy, 2.2 * scale), ORANGE))
    layers.append((orbit(cx, cy, r * 1.45, r * 0.42, -22, 2.2 * scale, True), ORANGE))
    satellite_x, satellite_y = cx + r * 1.18, cy - r * 0.62
    layers.append((disc(satellite_x, satellite_y, 3.2 * scale), NAVY))
    return layers


def icon_layers(size):
    c, r = size / 2, size * 0.44
    layers = [(disc(c, c, r), NAVY), (disc(c, c, r * 0.74), WHITE)]
    layers.append((hand(c, c, r * 0.40, 10, size * 0.09), NAVY))
    layers.append((hand(c, c, r * 0.60, 2, size * 0.07), NAVY))
    layers.append((orbit(c, c, r * 1.12, r * 0.36, -25, size * 0.08, True), ORANGE))
    return layers


def lamp_layers(colour):
    highlight = tuple(min(255, channel + 70) for channel in colour)
    return [
        (disc(12, 12, 11.2), OUTLINE),
        (disc(12, 12, 9.6), colour),
        (disc(9.2, 9.0, 3.2), highlight),
    ]


def render(width, height, layers):
    """Rows of (r, g, b, a) pixels; each pixel averages SUPERSAMPLING x SUPERSAMPLING samples."""
    rows = []
    samples = SUPERSAMPLING * SUPERSAMPLING
    for py in range(height):
        row = []
        for px in range(width):
            total, covered = [0, 0, 0], 0
            for sy in range(SUPERSAMPLING):
                for sx in range(SUPERSAMPLING):
                    x = px + (sx + 0.5) / SUPERSAMPLING
                    y = py + (sy + 0.5) / SUPERSAMPLING
                    colour = None
                    for inside, layer_colour in layers:
                        if inside(x, y):
                            colour = layer_colour
                    if colour is not None:
                        covered += 1
                        total = [t + c for t, c in zip(total, colour)]
            if covered:
                rgb = tuple(round(t / covered) for t in total)
            else:
                rgb = (0, 0, 0)
            row.append(rgb + (round(255 * covered / samples),))
        rows.append(row)
    return rows


def on_white(rows):
    def blend(pixel):
        r, g, b, a = pixel
        return tuple(round((c * a + 255 * (255 - a)) / 255) for c in (r, g, b))

    return [[blend(pixel) for pixel in row] for row in rows]


def padded(data, alignment=4):
    return data + b"\0" * (-len(data) % alignment)


def bmp_24(rows):
    height, width = len(rows), len(rows[0])
    pixels = b"".join(padded(bytes(c for r, g, b in row for c in (b, g, r))) for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def palette_256():
    """A 6 x 6 x 6 colour cube followed by 40 greys."""
    levels = [0, 51, 102, 153, 204, 255]
    cube = [(r, g, b) for r in levels for g in levels for b in levels]
    greys = [(v, v, v) for v in (round(i * 255 / 41) for i in range(1, 41))]
    return cube + greys


def nearest(palette, rgb):
    return min(range(len(palette)), key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], rgb)))


def ico_image_8bpp(rows, palette):
    """One icon image: header with doubled height, palette, colour indices, then the transparency mask."""
    height, width = len(rows), len(rows[0])
    cache = {}

    def index(pixel):
        if pixel[3] < 128:
            return 0
        key = pixel[:3]
        if key not in cache:
            cache[key] = nearest(palette, key)
        return cache[key]

    colours = b"".join(padded(bytes(index(p) for p in row)) for row in reversed(rows))
    mask = b""
    for row in reversed(rows):
        bits = 0
        for px, pixel in enumerate(row):
            if pixel[3] < 128:
                bits |= 1 << (width - 1 - px)
        mask += padded(bits.to_bytes((width + 7) // 8, "big"))
    info = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 8, 0, len(colours) + len(mask), 0, 0, 256, 0)
    colour_table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return info + colour_table + colours + mask


def ico(images):
    palette = palette_256()
    encoded = [ico_image_8bpp(rows, palette) for rows in images]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for rows, data in zip(images, encoded):
        directory += struct.pack("<BBBBHHII", len(rows[0]), len(rows), 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    return directory + b"".join(encoded)


def png_rgba(rows):
    height, width = len(rows), len(rows[0])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    out = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    outputs = {
        "logo.bmp": bmp_24(on_white(render(81, 79, clock_with_orbit(40.5, 41.0, 26.0, 1.0)))),
        "lamp_red.bmp": bmp_24(on_white(render(24, 24, lamp_layers((204, 34, 34))))),
        "lamp_green.bmp": bmp_24(on_white(render(24, 24, lamp_layers((34, 170, 51))))),
        "lamp_grey.bmp": bmp_24(on_white(render(24, 24, lamp_layers((153, 153, 153))))),
        "vantrex.ico": ico([render(size, size, icon_layers(size)) for size in (32, 16, 64)]),
        "vantrex-config.png": png_rgba(render(64, 64, icon_layers(64))),
    }
    for name, data in outputs.items():
        with open(os.path.join(out, name), "wb") as file:
            file.write(data)


if __name__ == "__main__":
    main()
