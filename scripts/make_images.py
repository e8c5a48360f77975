#!/usr/bin/env python3
"""Draws the wizard picture (resources/wizard.bmp) and the program icon
(resources/updater.ico) with the standard library only.

The picture is a 118 x 209, 8-bit, bottom-up, uncompressed device-independent
bitmap with a full 256-entry colour table whose biClrUsed is 0, because the
wizard builds its palette from that table. The icon holds 16, 32 and 48 pixel
images twice: 8-bit with a transparency mask for old shells, and 32-bit with
alpha. Output is byte-for-byte reproducible; run from anywhere:

    python3 scripts/make_images.py
"""

import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "resources")

PICTURE_WIDTH = 118
PICTURE_HEIGHT = 209
ICON_SIZES = (16, 32, 48)
SUPERSAMPLE = 4
PALETTE_SIZE = 256
BITMAPINFOHEADER_SIZE = 40
BITMAPFILEHEADER_SIZE = 14
BI_RGB = 0


# --- Colours and small geometry helpers ---------------------------------------

def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def inside_polygon(points, x, y):
    hit = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def inside_rounded_rect(left, top, right, bottom, radius, x, y):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def bounds(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


class Layer:
    """One painted shape: a coverage test, a colour and an opacity, each a
    function of the point, with a bounding box to skip work."""

    def __init__(self, box, covers, colour, alpha=lambda x, y: 1.0):
        self.box = box
        self.covers = covers
        self.colour = colour
        self.alpha = alpha

    def sample(self, x, y):
        left, top, right, bottom = self.box
        if x < left or x > right or y < top or y > bottom or not self.covers(x, y):
            return None
        return self.colour(x, y), self.alpha(x, y)


def polygon_layer(points, colour, alpha=lambda x, y: 1.0):
    return Layer(bounds(points), lambda x, y: inside_polygon(points, x, y), colour, alpha)


def render(width, height, layers):
    """Supersampled RGBA image, rows top-down, components 0..1, straight alpha."""
    n = SUPERSAMPLE
    offsets = [(i + 0.5) / n for i in range(n)]
    image = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for oy in offsets:
                for ox in offsets:
                    x, y = px + ox, py + oy
                    r = g = b = a = 0.0  # premultiplied
                    for layer in layers:
                        hit = layer.sample(x, y)
                        if hit is None:
                            continue
                        (cr, cg, cb), ca = hit
                        r = cr * ca + r * (1 - ca)
                        g = cg * ca + g * (1 - ca)
                        b = cb * ca + b * (1 - ca)
                        a = ca + a * (1 - ca)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            count = n * n
            alpha = acc[3] / count
            if alpha > 0:
                row.append((acc[0] / count / alpha, acc[1] / count / alpha,
                            acc[2] / count / alpha, alpha))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        image.append(row)
    return image


def to_bytes(image):
    return [[tuple(int(round(c * 255)) for c in pixel) for pixel in row] for row in image]


# --- The motif: a parcel with an arrow rising out of it ---------------------------

SKY_TOP = hex_colour("#123f78")
SKY_BOTTOM = hex_colour("#5a9ad8")
GLOW = hex_colour("#bcd9f5")
BOX_TOP = hex_colour("#f4f8fd")
BOX_LEFT = hex_colour("#cfe0f3")
BOX_RIGHT = hex_colour("#9fbfe3")
BOX_EDGE = hex_colour("#7ea3cf")
ARROW_LIGHT = hex_colour("#8ee39a")
ARROW_DARK = hex_colour("#2f9e55")
SHADOW = hex_colour("#0a2548")
FRAME = hex_colour("#0b2a52")


def motif_layers(cx, top, unit):
    """The parcel and arrow, centred on cx, starting at top, scaled by unit
    (the parcel's half width)."""
    u = unit
    # Isometric parcel: top face, then the two side faces.
    t_apex = (cx, top + 1.05 * u)
    t_right = (cx + u, top + 1.5 * u)
    t_front = (cx, top + 1.95 * u)
    t_left = (cx - u, top + 1.5 * u)
    depth = 1.05 * u
    left_face = [t_left, t_front, (cx, t_front[1] + depth), (cx - u, t_left[1] + depth)]
    right_face = [t_front, t_right, (cx + u, t_right[1] + depth), (cx, t_front[1] + depth)]
    top_face = [t_apex, t_right, t_front, t_left]

    def shade(base, darker):
        low, high = top + 1.5 * u, top + 1.95 * u + depth
        return lambda x, y: mix(base, darker, (y - low) / (high - low) * 0.5)

    # Arrow: a shaft rising from the parcel's centre and a broad head.
    shaft_w = 0.26 * u
    head_w = 0.72 * u
    tip = top
    head_base = top + 0.78 * u
    shaft_end = top + 1.5 * u
    arrow = [(cx, tip), (cx + head_w, head_base), (cx + shaft_w, head_base),
             (cx + shaft_w, shaft_end), (cx - shaft_w, shaft_end),
             (cx - shaft_w, head_base), (cx - head_w, head_base)]
    arrow_shade = lambda x, y: mix(ARROW_LIGHT, ARROW_DARK, (x - (cx - head_w)) / (2 * head_w))
    # The arrow's right half a little darker, for a folded look.
    arrow_right = [(cx, tip), (cx + head_w, head_base), (cx + shaft_w, head_base),
                   (cx + shaft_w, shaft_end), (cx, shaft_end)]

    hole = [(cx - 0.34 * u, top + 1.5 * u), (cx, top + 1.33 * u),
            (cx + 0.34 * u, top + 1.5 * u), (cx, top + 1.67 * u)]

    return [
        polygon_layer(left_face, shade(BOX_LEFT, BOX_EDGE)),
        polygon_layer(right_face, shade(BOX_RIGHT, BOX_EDGE)),
        polygon_layer(top_face, lambda x, y: BOX_TOP),
        polygon_layer(hole, lambda x, y: BOX_EDGE, lambda x, y: 0.55),
        polygon_layer(arrow, arrow_shade),
        polygon_layer(arrow_right, lambda x, y: ARROW_DARK, lambda x, y: 0.25),
    ]


def soft_ellipse(cx, cy, rx, ry, colour, strength):
    def alpha(x, y):
        d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
        return strength * max(0.0, 1.0 - d) ** 2
    return Layer((cx - rx, cy - ry, cx + rx, cy + ry),
                 lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 < 1.0,
                 lambda x, y: colour, alpha)


def picture_layers(width, height):
    sky = Layer((0, 0, width, height), lambda x, y: True,
                lambda x, y: mix(SKY_TOP, SKY_BOTTOM, y / height))
    # Faint rising rings behind the motif, like ripples of light.
    rings = []
    cx, cy = width / 2, 0.58 * height
    for radius, strength in ((30, 0.10), (46, 0.07), (62, 0.05), (78, 0.035)):
        def on_ring(x, y, r=radius):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            return abs(d - r) < 0.9
        rings.append(Layer((cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1),
                           on_ring, lambda x, y: GLOW, lambda x, y, s=strength: s))
    unit = 0.36 * width
    top = 0.30 * height
    layers = [sky, soft_ellipse(cx, cy, 70, 80, GLOW, 0.35)] + rings
    layers.append(soft_ellipse(cx, top + 2.95 * unit + 4, 1.3 * unit, 0.3 * unit, SHADOW, 0.55))
    layers += motif_layers(cx, top, unit)
    # A thin frame so the panel sits crisply on the dialog's face colour.
    layers.append(Layer((0, 0, width, height),
                        lambda x, y: x < 1 or y < 1 or x > width - 1 or y > height - 1,
                        lambda x, y: FRAME))
    return layers


def icon_layers(size):
    s = float(size)
    radius = 0.2 * s
    tile = Layer((0, 0, s, s),
                 lambda x, y: inside_rounded_rect(0.03 * s, 0.03 * s, 0.97 * s, 0.97 * s, radius, x, y),
                 lambda x, y: mix(SKY_TOP, SKY_BOTTOM, (y + x * 0.3) / (1.3 * s)))
    unit = 0.29 * s
    return [tile, soft_ellipse(s / 2, 0.55 * s, 0.45 * s, 0.45 * s, GLOW, 0.3)] + \
        motif_layers(s / 2, 0.07 * s, unit)


# --- Colour reduction ---------------------------------------------------------

def median_cut(colours, count):
    """colours: {rgb: weight}. Returns at most count colours, sorted."""
    boxes = [list(colours.items())]
    while len(boxes) < count:
        best, best_range, best_axis = None, -1, 0
        for index, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for axis in range(3):
                values = [c[0][axis] for c in box]
                spread = (max(values) - min(values)) * sum(w for _, w in box) ** 0.5
                if spread > best_range:
                    best, best_range, best_axis = index, spread, axis
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda c: (c[0][best_axis], c[0]))
        total = sum(w for _, w in box)
        running, cut = 0, 1
        for i, (_, w) in enumerate(box):
            running += w
            if running * 2 >= total:
                cut = min(max(i + 1, 1), len(box) - 1)
                break
        boxes += [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(w for _, w in box)
        palette.append(tuple(int(round(sum(c[axis] * w for c, w in box) / total))
                             for axis in range(3)))
    return sorted(set(palette), key=lambda c: (0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2], c))


BAYER = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))
DITHER_AMPLITUDE = 3.0


def quantize(pixels, dither):
    """pixels: rows of rgb tuples. Returns (palette, rows of indices). The
    optional light ordered dither keeps long gradients from banding; icons
    are too small to need it."""
    counts = {}
    for row in pixels:
        for rgb in row:
            counts[rgb] = counts.get(rgb, 0) + 1
    palette = median_cut(counts, PALETTE_SIZE)
    nearest = {}

    def lookup(rgb):
        if rgb not in nearest:
            nearest[rgb] = min(range(len(palette)), key=lambda i: (
                (palette[i][0] - rgb[0]) ** 2 * 3 + (palette[i][1] - rgb[1]) ** 2 * 4 +
                (palette[i][2] - rgb[2]) ** 2 * 2, i))
        return nearest[rgb]

    rows = []
    for y, row in enumerate(pixels):
        indices = []
        for x, rgb in enumerate(row):
            shift = (BAYER[y % 4][x % 4] / 15.0 - 0.5) * DITHER_AMPLITUDE if dither else 0.0
            indices.append(lookup(tuple(min(max(int(round(c + shift)), 0), 255) for c in rgb)))
        rows.append(indices)
    return palette, rows


# --- File formats -------------------------------------------------------------

def row_padding(length):
    return b"\0" * (-length % 4)


def info_header(width, height, bits, image_size):
    return struct.pack("<IiiHHIIiiII", BITMAPINFOHEADER_SIZE, width, height, 1, bits,
                       BI_RGB, image_size, 2835, 2835, 0, 0)


def colour_table(palette):
    entries = list(palette) + [(0, 0, 0)] * (PALETTE_SIZE - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in entries)


def indexed_rows(indices):
    """8-bit rows, bottom-up, each padded to four bytes."""
    return b"".join(bytes(row) + row_padding(len(row)) for row in reversed(indices))


def write_bitmap(path, pixels):
    height, width = len(pixels), len(pixels[0])
    palette, indices = quantize([[p[:3] for p in row] for row in pixels], dither=True)
    bits = indexed_rows(indices)
    body = info_header(width, height, 8, len(bits)) + colour_table(palette) + bits
    offset = BITMAPFILEHEADER_SIZE + BITMAPINFOHEADER_SIZE + 4 * PALETTE_SIZE
    file_header = struct.pack("<2sIHHI", b"BM", BITMAPFILEHEADER_SIZE + len(body), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(file_header + body)
    return len(palette)


def and_mask(pixels):
    rows = []
    for row in reversed(pixels):
        bits = bytearray((len(row) + 7) // 8)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits) + row_padding(len(bits)))
    return b"".join(rows)


def icon_image_8bit(pixels):
    size = len(pixels)
    palette, indices = quantize([[p[:3] if p[3] >= 128 else (0, 0, 0) for p in row]
                                 for row in pixels], dither=False)
    xor = indexed_rows(indices)
    mask = and_mask(pixels)
    return info_header(size, 2 * size, 8, len(xor) + len(mask)) + colour_table(palette) + xor + mask


def icon_image_32bit(pixels):
    size = len(pixels)
    xor = b"".join(struct.pack("<BBBB", p[2], p[1], p[0], p[3])
                   for row in reversed(pixels) for p in row)
    mask = and_mask(pixels)
    return info_header(size, 2 * size, 32, len(xor) + len(mask)) + xor + mask


def write_icon(path, images):
    """images: list of (size, bits, data)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, blobs = b"", b""
    for size, bits, data in images:
        colours = 0  # 0 means 256 or more
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(data), offset)
        blobs += data
        offset += len(data)
    with open(path, "wb") as out:
        out.write(header + entries + blobs)


def main():
    picture = to_bytes(render(PICTURE_WIDTH, PICTURE_HEIGHT,
                              picture_layers(PICTURE_WIDTH, PICTURE_HEIGHT)))
    used = write_bitmap(os.path.join(OUT_DIR, "wizard.bmp"), picture)
    icons = {size: to_bytes(render(size, size, icon_layers(size))) for size in ICON_SIZES}
    images = [(size, 8, icon_image_8bit(icons[size])) for size in ICON_SIZES]
    images += [(size, 32, icon_image_32bit(icons[size])) for size in ICON_SIZES]
    write_icon(os.path.join(OUT_DIR, "updater.ico"), images)
    print("wizard.bmp: %d colours; updater.ico: %d images" % (used, len(images)))


if __name__ == "__main__":
    main()
