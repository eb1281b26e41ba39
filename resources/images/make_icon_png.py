#!/usr/bin/env python3
"""Renders icon.png, the window icon of the update dialog: the program's desk icon (a mouse
on a dark rounded square, see desk_icon.svg) drawn from the same rounded rectangles, with 4x4
supersampling. Standard library only.  Usage: make_icon_png.py [SIZE] [OUTPUT]"""
import struct
import sys
import zlib


def rounded_rect(px, py, x, y, w, h, r):
    """True when (px, py) lies inside the rounded rectangle."""
    cx = min(max(px, x + r), x + w - r)
    cy = min(max(py, y + r), y + h - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r and x <= px <= x + w and y <= py <= y + h


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def colour_at(px, py):
    """The icon in its 64-unit design grid: (r, g, b, a) with components 0..1."""
    dark = (0x22 / 255, 0x25 / 255, 0x29 / 255)
    if rounded_rect(px, py, 29.5, 17, 5, 9, 2.5) or (30.5 <= px <= 33.5 and 10 <= py <= 26):
        if rounded_rect(px, py, 17, 10, 30, 44, 15):
            return dark + (1.0,)
    if rounded_rect(px, py, 17, 10, 30, 44, 15):
        top, bottom = (0x3d / 255, 0xdc / 255, 0x97 / 255), (0x1f / 255, 0x8a / 255, 0x5c / 255)
        return mix(top, bottom, (py - 10) / 44) + (1.0,)
    if rounded_rect(px, py, 2, 2, 60, 60, 14):
        return dark + (1.0,)
    return (0.0, 0.0, 0.0, 0.0)


def render(size):
    samples = 4
    rows = []
    for y in range(size):
        row = bytearray([0])  # filter type none
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    px = (x + (sx + 0.5) / samples) * 64 / size
                    py = (y + (sy + 0.5) / samples) * 64 / size
                    r, g, b, a = colour_at(px, py)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [acc[i] / acc[3] for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row += bytes(int(round(c * 255)) for c in rgb) + bytes([int(round(alpha * 255))])
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    size = int(sys.argv[1]) if len(sys.argv) > 1 else 64
    output = sys.argv[2] if len(sys.argv) > 2 else "icon.png"
    with open(output, "wb") as f:
        f.write(png(size, render(size)))
