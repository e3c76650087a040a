#!/usr/bin/env python3
"""Paints the main window's background picture: a dusk landscape, 2048 x 1536, baseline JPEG.

Usage: make_background.py out.jpg

Pure Python and deterministic. The scene is computed at 512 x 384 and enlarged smoothly;
rows are blended as big integers holding one pixel channel per 16-bit lane, which keeps the
full-size work at C speed. A fine film grain is added at full size so that the JPEG carries a
photo's amount of detail. The top-left corner stays dark: the white caption "路径" and the
edit boxes sit there.
"""

import math
import os
import random
import shutil
import subprocess
import sys
import tempfile

WIDTH, HEIGHT = 2048, 1536
FACTOR = 4
LOW_W, LOW_H = WIDTH // FACTOR, HEIGHT // FACTOR
GRAIN = 12  # grain spans -GRAIN .. GRAIN - 1
HORIZON = 0.58


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def smooth(t):
    t = min(1.0, max(0.0, t))
    return t * t * (3 - 2 * t)


SKY = [  # (height from the top, colour)
    (0.00, (14, 16, 46)),
    (0.22, (38, 34, 88)),
    (0.40, (112, 70, 128)),
    (0.50, (214, 116, 104)),
    (HORIZON, (252, 182, 110)),
]
SUN_U, SUN_V = 0.68, HORIZON - 0.02


def sky(u, v):
    for (v0, c0), (v1, c1) in zip(SKY, SKY[1:]):
        if v <= v1:
            colour = mix(c0, c1, smooth((v - v0) / (v1 - v0)))
            break
    else:
        colour = SKY[-1][1]
    d = math.hypot((u - SUN_U) * 1.3, v - SUN_V)
    glow = math.exp(-d * d * 60) * 0.8 + math.exp(-d * d * 900) * 0.9
    return mix(colour, (255, 226, 170), min(1.0, glow))


def ridge(u, phases, base, amp):
    return base - amp * sum(math.sin(u * f + p) / (i + 1) for i, (f, p) in enumerate(phases))


def far_hill(u):
    return ridge(u, [(5.1, 0.3), (11.7, 1.9), (23.0, 4.1)], HORIZON - 0.035, 0.035)


def near_hill(u):
    # High on both sides, open in the middle where the lake shows the sunset.
    edge = min((abs(u - 0.55) * 2.2) ** 2, 1.0)
    return HORIZON + 0.02 - 0.32 * edge * (0.7 + 0.1 * math.sin(u * 17.0 + 0.7))


def shore(u):
    edge = min((abs(u - 0.55) * 2.0) ** 2.5, 1.0)
    return HORIZON + 0.005 + 0.36 * edge + 0.01 * math.sin(u * 31.0)


EDGE = 1.5 / LOW_H  # silhouettes are blended over about one and a half low rows


def cover(v, line):
    return smooth((v - line) / EDGE + 0.5)


def hill_colour(u, v, near):
    shade = smooth((v - near) / 0.3)
    texture = 0.06 * math.sin(u * 260.0 + math.sin(v * 90.0) * 3.0) * math.sin(v * 210.0)
    return mix((40, 32, 64), (12, 12, 26), min(1.0, max(0.0, shade + texture)))


def lake(u, v, far):
    depth = min(1.0, (v - HORIZON) / (1.0 - HORIZON))
    mirror = max(0.0, HORIZON - (v - HORIZON) * 0.9)
    ripple = 0.5 + 0.5 * math.sin(v * 420.0 + math.sin(u * 9.0 + v * 40.0) * 2.0)
    c = mix(sky(u, mirror), FAR_HILL, cover(mirror, far))
    c = mix(c, (20, 24, 60), 0.25 + 0.45 * depth)
    return mix(c, (255, 220, 170), 0.12 * ripple * (1 - depth))


FAR_HILL = (96, 60, 100)


def scene(column, v, rng_value):
    u, far, near, low = column
    if v < HORIZON:
        c = sky(u, v)
        if v < 0.3 and rng_value > 0.9993:  # an early star
            c = mix(c, (255, 255, 240), 0.8)
        c = mix(c, FAR_HILL, cover(v, far))
    else:
        c = lake(u, v, far)
    hill = cover(v, near) * (1.0 - cover(v, low))
    if hill > 0.0:
        c = mix(c, hill_colour(u, v, near), hill)
    return c


def low_rows():
    rng = random.Random(20240531)
    span = 255 - 2 * GRAIN
    columns = []
    for x in range(LOW_W):
        u = x / (LOW_W - 1)
        columns.append((u, far_hill(u), near_hill(u), shore(u)))
    for y in range(LOW_H + 1):
        v = min(y, LOW_H - 1) / (LOW_H - 1)
        row = []
        for column in columns:
            c = scene(column, v, rng.random())
            row.extend(GRAIN + int(max(0.0, min(255.0, ch)) * span / 255) for ch in c)
        yield row


def widen(row):
    """Linear enlargement of one row of RGB bytes by FACTOR, a whole phase at a time."""
    here = to_lanes(row, len(row))
    right = to_lanes(row[3:] + row[-3:], len(row))
    mask = to_lanes([255] * len(row), len(row))
    out = bytearray(len(row) * FACTOR)
    for k in range(FACTOR):
        phase = from_lanes(((here * (FACTOR - k) + right * k) // FACTOR) & mask, len(row))
        for c in range(3):
            out[k * 3 + c::3 * FACTOR] = phase[c::3]
    return out


LANES = WIDTH * 3


def to_lanes(values, count=LANES):
    wide = bytearray(count * 2)
    wide[0::2] = bytes(values)
    return int.from_bytes(wide, "little")


def from_lanes(number, count=LANES):
    return number.to_bytes(count * 2, "little")[0::2]


LOW_BYTE = to_lanes([255] * LANES)
OFFSET = to_lanes([GRAIN] * LANES)


def grain_rows(rng, count):
    mask = to_lanes([2 * GRAIN - 1] * LANES)
    return [rng.getrandbits(LANES * 16) & mask for _ in range(count)]


def picture_rows():
    rng = random.Random(7)
    grains = grain_rows(rng, 61)
    rows = low_rows()
    upper = to_lanes(widen(next(rows)))
    for lower_values in rows:
        lower = to_lanes(widen(lower_values))
        for k in range(FACTOR):
            # Dividing the whole number shifts a lane's low bits into the lane below; the
            # mask drops them.
            blended = ((upper * (FACTOR - k) + lower * k) // FACTOR) & LOW_BYTE
            noise = grains[rng.randrange(len(grains))]
            yield from_lanes(blended + noise - OFFSET)
        upper = lower


def write_ppm(path):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT))
        for row in picture_rows():
            f.write(row)


def to_jpeg(ppm, out):
    cjpeg = shutil.which("cjpeg")
    if cjpeg:
        cmd = [cjpeg, "-quality", "90", "-baseline", "-optimize", "-outfile", out, ppm]
    else:
        convert = shutil.which("convert")
        if not convert:
            sys.exit("make_background: needs cjpeg (libjpeg-turbo-progs) or ImageMagick")
        cmd = [convert, ppm, "-strip", "-quality", "90", "-sampling-factor", "2x2",
               "-interlace", "none", "jpeg:" + out]
    subprocess.run(cmd, check=True)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_background.py out.jpg")
    out = sys.argv[1]
    fd, ppm = tempfile.mkstemp(suffix=".ppm")
    os.close(fd)
    try:
        write_ppm(ppm)
        to_jpeg(ppm, out)
    finally:
        os.unlink(ppm)


if __name__ == "__main__":
    main()
