#!/usr/bin/env python3
"""Draws the launcher's application icon and writes resources/launcher.ico.

The picture is a monitor whose screen shows an arrow leaving to the upper
right: a program that opens somewhere else. Every size is drawn from the same
shapes, with the edges placed on whole pixels for that size, so the small
images stay crisp instead of being scaled down from the large one.

    python3 resources/make_icon.py                  # rewrites resources/launcher.ico
    python3 resources/make_icon.py --sheet out.png  # also a contact sheet to look at
    python3 resources/make_icon.py --check          # is the committed .ico up to date?

Only the standard library is used, and only +, -, *, / and sqrt on floats, so
the same script gives the same pixels on every machine. The .ico is committed:
a build needs neither Python nor this script.
"""

import argparse
import os
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_SIZES = (256,)  # stored as PNG; the others as 32-bit DIB with an AND mask


# --- shapes: closed polygons in pixel coordinates, y pointing down ----------

def cubic(p0, p1, p2, p3, steps):
    points = []
    for i in range(1, steps + 1):
        t = i / steps
        u = 1.0 - t
        a, b, c, d = u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t
        points.append((a * p0[0] + b * p1[0] + c * p2[0] + d * p3[0],
                       a * p0[1] + b * p1[1] + c * p2[1] + d * p3[1]))
    return points


def rounded_rect(x0, y0, x1, y1, r):
    """A rectangle whose corners are quarter circles of radius r."""
    r = min(r, (x1 - x0) / 2, (y1 - y0) / 2)
    if r <= 0:
        return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    k = 0.5522847498 * r  # cubic Bezier handle length for a quarter circle
    steps = max(2, int(r * 2))
    points = [(x0 + r, y0), (x1 - r, y0)]
    points += cubic((x1 - r, y0), (x1 - r + k, y0), (x1, y0 + r - k), (x1, y0 + r), steps)
    points.append((x1, y1 - r))
    points += cubic((x1, y1 - r), (x1, y1 - r + k), (x1 - r + k, y1), (x1 - r, y1), steps)
    points.append((x0 + r, y1))
    points += cubic((x0 + r, y1), (x0 + r - k, y1), (x0, y1 - r + k), (x0, y1 - r), steps)
    points.append((x0, y0 + r))
    points += cubic((x0, y0 + r), (x0, y0 + r - k), (x0 + r - k, y0), (x0 + r, y0), steps)
    return points


def arrow(tip_x, tip_y, head, shaft, tail):
    """An arrow pointing up and to the right.

    The head is a right triangle whose legs run left and down from the tip, so
    two of its edges lie on pixel lines; the shaft leaves the middle of the
    head's long side at 45 degrees and is `tail` long, measured along x.
    """
    half = shaft / 2 / 2 ** 0.5  # half the shaft width, split into x and y
    mid_x, mid_y = tip_x - head / 2, tip_y + head / 2
    end_x, end_y = mid_x - tail, mid_y + tail
    # Traced as one outline: head, then down one side of the shaft and back.
    return [(tip_x, tip_y), (tip_x, tip_y + head),
            (mid_x + half, mid_y + half), (end_x + half, end_y + half),
            (end_x - half, end_y - half), (mid_x - half, mid_y - half),
            (tip_x - head, tip_y)]


# --- rasteriser: exact area coverage of polygons (nonzero fill) -------------

def coverage(size, polygons):
    """Per-pixel covered area in 0..1 for the union of the polygons."""
    stride = size + 2
    acc = [0.0] * (stride * size)
    for polygon in polygons:
        for i, start in enumerate(polygon):
            accumulate_edge(acc, stride, size, start, polygon[(i + 1) % len(polygon)])
    result = []
    for y in range(size):
        total = 0.0
        row = y * stride
        for x in range(size):
            total += acc[row + x]
            result.append(min(1.0, abs(total)))
    return result


def accumulate_edge(acc, stride, size, p, q):
    """Adds one edge's signed area to the rows it crosses.

    Each pixel gets the change in coverage from its left neighbour; a running
    sum along the row then gives the covered area of every pixel.
    """
    if p[1] == q[1]:
        return
    direction = 1.0 if p[1] < q[1] else -1.0
    if p[1] > q[1]:
        p, q = q, p
    dxdy = (q[0] - p[0]) / (q[1] - p[1])
    x = p[0]
    y_start = max(0, int(p[1]))
    if p[1] < 0:
        x -= p[1] * dxdy
    y_end = min(size, int(q[1]) + (0 if q[1] == int(q[1]) else 1))
    for y in range(y_start, y_end):
        row = y * stride
        dy = min(y + 1.0, q[1]) - max(float(y), p[1])
        x_next = x + dxdy * dy
        d = dy * direction
        lo, hi = (x, x_next) if x < x_next else (x_next, x)
        lo_floor = int(lo // 1)
        hi_ceil = -int(-hi // 1)
        if hi_ceil <= lo_floor + 1:
            # The edge stays within one pixel column on this row.
            mid = (x + x_next) / 2 - lo_floor
            acc[row + lo_floor] += d - d * mid
            acc[row + lo_floor + 1] += d * mid
        else:
            s = 1.0 / (hi - lo)
            lo_frac = lo - lo_floor
            a0 = 0.5 * s * (1.0 - lo_frac) ** 2
            hi_frac = hi - hi_ceil + 1.0
            am = 0.5 * s * hi_frac ** 2
            acc[row + lo_floor] += d * a0
            if hi_ceil == lo_floor + 2:
                acc[row + lo_floor + 1] += d * (1.0 - a0 - am)
            else:
                a1 = s * (1.5 - lo_frac)
                acc[row + lo_floor + 1] += d * (a1 - a0)
                for column in range(lo_floor + 2, hi_ceil - 1):
                    acc[row + column] += d * s
                a2 = a1 + (hi_ceil - lo_floor - 3) * s
                acc[row + hi_ceil - 1] += d * (1.0 - a2 - am)
            acc[row + hi_ceil] += d * am
        x = x_next


# --- painting ---------------------------------------------------------------

def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


def vertical_gradient(top, bottom, y0, y1):
    top, bottom = hex_colour(top), hex_colour(bottom)

    def paint(_x, y):
        t = min(1.0, max(0.0, (y + 0.5 - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return paint


def solid(colour):
    colour = hex_colour(colour)
    return lambda _x, _y: colour


class Canvas:
    """Premultiplied RGBA in floats, composited source-over."""

    def __init__(self, size):
        self.size = size
        self.pixels = [(0.0, 0.0, 0.0, 0.0)] * (size * size)

    def fill(self, polygons, paint, opacity=1.0):
        if not isinstance(polygons[0], list):
            polygons = [polygons]
        mask = coverage(self.size, polygons)
        self.fill_mask(mask, paint, opacity)

    def fill_mask(self, mask, paint, opacity=1.0):
        size = self.size
        for index, cover in enumerate(mask):
            a = cover * opacity
            if a <= 0.0:
                continue
            r, g, b = paint(index % size, index // size)
            dr, dg, db, da = self.pixels[index]
            keep = 1.0 - a
            self.pixels[index] = (r * a + dr * keep, g * a + dg * keep, b * a + db * keep, a + da * keep)

    def rgba(self):
        """Straight (not premultiplied) 8-bit RGBA, rows top to bottom."""
        out = bytearray()
        for r, g, b, a in self.pixels:
            if a <= 0.0:
                out += b'\0\0\0\0'
                continue
            out += bytes(min(255, int(c / a * 255.0 + 0.5)) for c in (r, g, b))
            out.append(min(255, int(a * 255.0 + 0.5)))
        return bytes(out)


def blur(mask, size, radius):
    """Two passes of a box blur: a soft shadow from a coverage mask."""
    if radius < 1:
        return mask
    for _ in range(2):
        for horizontal in (True, False):
            out = [0.0] * len(mask)
            width = 2 * radius + 1
            for line in range(size):
                for i in range(size):
                    total = 0.0
                    for j in range(i - radius, i + radius + 1):
                        if 0 <= j < size:
                            total += mask[line * size + j] if horizontal else mask[j * size + line]
                    if horizontal:
                        out[line * size + i] = total / width
                    else:
                        out[i * size + line] = total / width
            mask = out
    return mask


def shifted(mask, size, dx, dy):
    out = [0.0] * len(mask)
    for y in range(size):
        for x in range(size):
            sx, sy = x - dx, y - dy
            if 0 <= sx < size and 0 <= sy < size:
                out[y * size + x] = mask[sy * size + sx]
    return out


# --- the picture ------------------------------------------------------------

def snap(value, size, minimum=0):
    """A length of the 256-pixel design at this size, in whole pixels."""
    return max(minimum, int(value * size / 256.0 + 0.5))


def draw(size):
    canvas = Canvas(size)
    large = size >= 48

    # Monitor body: the outline of the whole picture.
    left, right = snap(8, size), size - snap(8, size)
    top, bottom = snap(22, size), snap(190, size)
    bezel = snap(14, size, 1)
    body = rounded_rect(left, top, right, bottom, max(1.0, 18 * size / 256.0))

    # Stand: a neck under the middle and a wider foot.
    neck_half = max(1, snap(22, size))
    centre = size / 2
    foot_top = snap(216, size)
    foot_bottom = max(foot_top + 1, snap(236, size))
    foot_half = snap(64, size, 3)
    neck = [(centre - neck_half, bottom - 1), (centre + neck_half, bottom - 1),
            (centre + neck_half, foot_top + 1), (centre - neck_half, foot_top + 1)]
    foot = rounded_rect(centre - foot_half, foot_top, centre + foot_half, foot_bottom,
                        max(0.5, 8 * size / 256.0))
    canvas.fill(neck, vertical_gradient('#9aa4b1', '#6c7682', bottom, foot_top))
    canvas.fill(foot, vertical_gradient('#b7c0cb', '#7b8591', foot_top, foot_bottom))

    if large:
        # A soft shadow of the body onto the stand and below.
        shadow = blur(shifted(coverage(size, [body]), size, 0, snap(4, size)), size, snap(5, size))
        canvas.fill_mask(shadow, solid('#1a2330'), 0.35)
    casing = vertical_gradient('#566272', '#2b333d', top, bottom)
    canvas.fill(body, casing)
    if large:
        # A thin lighter rim along the body's top edge catches the light.
        rim = rounded_rect(left + 1, top + 1, right - 1, bottom - 1, max(1.0, 17 * size / 256.0))
        inner = rounded_rect(left + 1, top + 2, right - 1, bottom - 1, max(1.0, 17 * size / 256.0))
        canvas.fill(rim, solid('#6d7a8a'))
        canvas.fill(inner, casing)

    # Screen.
    s_left, s_right = left + bezel, right - bezel
    s_top, s_bottom = top + bezel, bottom - bezel
    screen = rounded_rect(s_left, s_top, s_right, s_bottom, 4 * size / 256.0)
    canvas.fill(screen, vertical_gradient('#5cc8ff', '#1769d6', s_top, s_bottom))
    if large:
        # A faint diagonal glare across the upper left of the glass.
        glare = [(s_left, s_top), (s_left + (s_right - s_left) * 0.55, s_top),
                 (s_left, s_top + (s_bottom - s_top) * 0.75)]
        canvas.fill(glare, solid('#ffffff'), 0.10)

    # Arrow: centred on the screen, up and to the right.
    screen_h = s_bottom - s_top
    # The smallest sizes get a relatively bigger head and shaft to stay legible.
    head = max(5, snap(62, size))
    shaft = max(2.0, 26 * size / 256.0)
    reach = screen_h - 2 * max(1, snap(18, size))   # height the arrow spans
    tail = max(1.0, reach - head / 2 - shaft / 2 / 2 ** 0.5)
    width = head / 2 + tail + shaft / 2 / 2 ** 0.5
    tip_x = int((s_left + s_right) / 2 + width / 2 + 0.5)
    tip_y = s_top + (screen_h - reach) // 2
    shape = arrow(tip_x, tip_y, head, shaft, tail)
    if size >= 32:
        shade = blur(shifted(coverage(size, [shape]), size, snap(3, size, 1), snap(5, size, 1)),
                     size, snap(4, size))
        canvas.fill_mask(shade, solid('#0b3a7a'), 0.45)
    canvas.fill(shape, solid('#ffffff'))
    return canvas.rgba()


# --- file formats -----------------------------------------------------------

def png(width, height, rgba):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    stride = width * 4
    raw = bytearray()
    previous = bytes(stride)
    for y in range(height):
        row = rgba[y * stride:(y + 1) * stride]
        # Per row, the filter (none, sub, up, average) that leaves the smallest sum.
        candidates = [bytes(row)]
        candidates.append(bytes((row[i] - (row[i - 4] if i >= 4 else 0)) & 255 for i in range(stride)))
        candidates.append(bytes((row[i] - previous[i]) & 255 for i in range(stride)))
        candidates.append(bytes((row[i] - ((row[i - 4] if i >= 4 else 0) + previous[i]) // 2) & 255
                                for i in range(stride)))
        scores = [sum(v if v < 128 else 256 - v for v in c) for c in candidates]
        best = scores.index(min(scores))
        raw.append(best)
        raw += candidates[best]
        previous = row
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def dib(size, rgba):
    """BITMAPINFOHEADER, bottom-up BGRA rows, then the 1-bit AND mask."""
    mask_stride = (size + 31) // 32 * 4
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        bits = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
            colour += bytes((b, g, r, a))
            if a == 0:  # mask only what is fully clear: its colour bytes are zero
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def ico(images):
    """images: (size, encoded bytes) in order of size."""
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b''
    for size, data in images:
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        body += data
    return directory + body


def contact_sheet(rendered):
    """Each size at 1:1 and enlarged, on a light and on a dark background."""
    sizes = sorted(rendered)
    factors = {size: max(1, 128 // size) for size in sizes}
    columns = [max(size, size * factors[size]) + 16 for size in sizes]
    band = max(sizes) + 16 + max(size * factors[size] for size in sizes) + 16
    width, height = sum(columns), 2 * band
    sheet = []
    for background in ((250, 250, 250), (32, 36, 42)):
        sheet += [[background] * width for _ in range(band)]
    for band_index in range(2):
        ox = 8
        for size, column in zip(sizes, columns):
            rgba = rendered[size]
            for factor, oy in ((1, band_index * band + 8),
                               (factors[size], band_index * band + max(sizes) + 24)):
                for y in range(size * factor):
                    row = sheet[oy + y]
                    for x in range(size * factor):
                        i = ((y // factor) * size + x // factor) * 4
                        k = rgba[i + 3] / 255.0
                        row[ox + x] = tuple(int(c * k + b * (1 - k) + 0.5)
                                            for c, b in zip(rgba[i:i + 3], row[ox + x]))
            ox += column
    pixels = bytearray()
    for row in sheet:
        for colour in row:
            pixels += bytes(colour) + b'\xff'
    return png(width, height, bytes(pixels))


def canonical(data):
    """An .ico's images with PNG pixel data inflated: zlib versions may pack
    the same pixels differently, which is no change to the icon."""
    count = struct.unpack_from('<H', data, 4)[0]
    images = []
    for i in range(count):
        entry = data[6 + 16 * i:6 + 16 * (i + 1)]
        length, offset = struct.unpack_from('<II', entry, 8)
        image = data[offset:offset + length]
        if image.startswith(b'\x89PNG'):
            chunks, at = [], 8
            while at < len(image):
                size = struct.unpack_from('>I', image, at)[0]
                kind, body = image[at + 4:at + 8], image[at + 8:at + 8 + size]
                chunks.append((kind, zlib.decompress(body) if kind == b'IDAT' else body))
                at += 12 + size
            image = chunks
        images.append((entry[:8], image))
    return images


def build_icon():
    rendered = {size: draw(size) for size in SIZES}
    images = [(size, png(size, size, rendered[size]) if size in PNG_SIZES else dib(size, rendered[size]))
              for size in SIZES]
    return ico(images), rendered


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--output', default=os.path.join(here, 'launcher.ico'))
    parser.add_argument('--sheet', help='also write a contact sheet PNG of every size')
    parser.add_argument('--check', action='store_true',
                        help='write nothing; fail if --output differs from what this script draws')
    args = parser.parse_args()
    data, rendered = build_icon()
    if args.check:
        with open(args.output, 'rb') as existing:
            if canonical(existing.read()) != canonical(data):
                print('%s does not match what %s draws: run it to regenerate the icon'
                      % (args.output, os.path.basename(__file__)))
                return 1
        print('%s is up to date' % args.output)
        return 0
    with open(args.output, 'wb') as out:
        out.write(data)
    if args.sheet:
        with open(args.sheet, 'wb') as out:
            out.write(contact_sheet(rendered))
    return 0


if __name__ == '__main__':
    sys.exit(main())
