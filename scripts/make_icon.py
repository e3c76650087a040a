#!/usr/bin/env python3
"""Writes the program icon (16x16 and 32x32, 32-bit): a white "Q" on a rounded teal square."""
import math
import struct
import sys


def pixel(x, y, n):
    c = (n - 1) / 2.0
    # Rounded square mask.
    r = n * 0.22
    dx = max(abs(x - c) - (c - r), 0)
    dy = max(abs(y - c) - (c - r), 0)
    if math.hypot(dx, dy) > r:
        return (0, 0, 0, 0)
    t = y / (n - 1)
    base = (int(40 + 30 * t), int(120 - 40 * t), int(150 - 30 * t))  # teal to deep blue (RGB)
    # The letter: a ring with a tail to the lower right.
    d = math.hypot(x - c, y - c * 0.95)
    ring = n * 0.27 <= d <= n * 0.40
    tail = abs((x - c) - (y - c)) < n * 0.07 and x > c + n * 0.05 and x < c + n * 0.42
    if ring or tail:
        return (255, 255, 255, 255)
    return base + (255,)


def image(n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        row = b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in
                       (pixel(x, y, n) for x in range(n)))
        rows.append(row)
    xor = b"".join(rows)
    mask_row = ((n + 31) // 32) * 4
    andmask = bytes(mask_row * n)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    return header + xor + andmask


def main(out):
    sizes = [16, 32, 48]
    images = [image(n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
