#!/usr/bin/env python3
"""Draws the programs' icon, a DVD drive with its disc, into program.ico.

    python3 make_program_icon.py OUTPUT.ico

Sizes 16, 32 and 48 pixels, 32-bit colour with alpha, stored as bitmaps so
that every Windows from XP on reads them. Each pixel is the average of 8 x 8
samples of the shapes below, drawn in a unit square.
"""
import math
import struct
import sys

OUTLINE = (52, 62, 78)
DISC = (222, 229, 238)
DISC_SHINE = (246, 249, 252)
DISC_DATA = (126, 165, 226)
HUB = (176, 189, 206)
BODY = (64, 73, 88)
BODY_TOP = (104, 115, 132)
SLOT = (24, 28, 36)
LED = (72, 214, 96)


def inside_rounded(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def sample(x, y, size):
    """Colour (r, g, b) or None (transparent) at a point of the unit square."""
    line = 1.0 / size  # about one pixel, so outlines stay visible at 16 px
    # The drive's front, over the lower part of the disc.
    body = (0.03, 0.60, 0.97, 0.95)
    if inside_rounded(x, y, *body, 0.08):
        if not inside_rounded(x, y, body[0] + line, body[1] + line, body[2] - line, body[3] - line, 0.07):
            return OUTLINE
        if abs(y - 0.73) < max(line * 0.6, 0.025) and 0.12 < x < 0.88:
            return SLOT
        if (x - 0.80) ** 2 + (y - 0.85) ** 2 < max(0.055, 1.1 * line) ** 2:
            return LED
        return BODY_TOP if y < 0.68 else BODY
    # The disc, coming out of the tray.
    cx, cy, r = 0.5, 0.44, 0.42
    d = math.hypot(x - cx, y - cy)
    if d > r:
        return None
    if d > r - line:
        return OUTLINE
    if d < 0.07:
        return None  # the centre hole
    if d < 0.07 + line:
        return OUTLINE
    if d < 0.16:
        return HUB
    if 0.22 < d < 0.33:
        return DISC_DATA
    # A light reflex across the upper right.
    if abs((x - cx) + (y - cy)) < 0.05 and x > cx:
        return DISC_SHINE
    return DISC


def render(size):
    steps = 8
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(steps):
                for sx in range(steps):
                    c = sample((px + (sx + 0.5) / steps) / size, (py + (sy + 0.5) / steps) / size, size)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            n = steps * steps
            row.append((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
        pixels.append(row)
    return pixels


def bitmap(size, pixels):
    """One icon image: header, BGRA rows bottom-up, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def main():
    sizes = (48, 32, 16)
    images = [bitmap(s, render(s)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main()
