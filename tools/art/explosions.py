#!/usr/bin/env python3
"""Draws the twenty explosion frames of the sprite sheet and writes them as pixel-art
text to display/art/explosions.inc.

Usage: python3 tools/art/explosions.py [output path]

Each frame is a 32 x 32 cell: an ellipse filling the frame's extent, with a ragged
outline; inside it each pixel is red, yellow, blue, lime or black by its distance from
the centre and by fixed noise fields (frames that share a seed share their specks, so
the explosion grows, breaks up and fades rather than flickering). Every frame is then
clipped to its extent, and each edge of the extent is made to hold a coloured pixel, so
the extents come out exact.

Standard library only, and deterministic: the noise is an integer hash, not `random`.
The output is committed; run this again only to change the explosion.
"""

import math
import os
import sys

CELL = 32
M32 = 0xFFFFFFFF

# Characters of the art (see the legend in display/pictures.cpp).
BLACK, RED, LIME, YELLOW, BLUE = '.', 'R', 'L', 'Y', 'B'
NAMES = {RED: 'red', YELLOW: 'yellow', BLUE: 'blue', LIME: 'lime'}


def hash01(*values):
    """A well-mixed value in [0, 1) for a tuple of integers."""
    h = 0x811C9DC5
    for v in values:
        h ^= v & M32
        h = (h * 0x01000193) & M32
        h ^= h >> 15
        h = (h * 0x2C1B3C6D) & M32
        h ^= h >> 12
    h = (h * 0x297A2D39) & M32
    h ^= h >> 15
    return h / 4294967296.0


def value_noise(x, y, scale, seed):
    """Smooth noise in [0, 1): hashed lattice values, bilinearly interpolated."""
    fx, fy = x / scale, y / scale
    ix, iy = math.floor(fx), math.floor(fy)
    tx, ty = fx - ix, fy - iy
    tx, ty = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
    a = hash01(ix, iy, seed)
    b = hash01(ix + 1, iy, seed)
    c = hash01(ix, iy + 1, seed)
    d = hash01(ix + 1, iy + 1, seed)
    return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty


def ramp(points, d):
    """Piecewise-linear function through (d, value) points, constant beyond the ends."""
    if d <= points[0][0]:
        return points[0][1]
    for (d0, v0), (d1, v1) in zip(points, points[1:]):
        if d <= d1:
            return v0 + (v1 - v0) * (d - d0) / (d1 - d0)
    return points[-1][1]


# The frames: extent (first and last column, first and last row, in cell coordinates,
# which the tests check exactly), the look, and the recipe.
#   red, yellow, blue: (distance, probability) ramps over the normalised distance from
#       the centre (0 at the centre, 1 on the ellipse through the extent's edges);
#       a pixel is blue if the blue test passes, else yellow, else red, else black.
#   rag: how ragged the outline is; seed: which noise the specks use (frames that share
#       a seed share their specks); grain, ygrain: how much of the red and the yellow
#       test is single-pixel grain rather than blotches; lime: how many lime specks.
FRAMES = [
    dict(cols=(14, 17), rows=(16, 19), look='a red dot, 4 x 4 with cut corners',
         shape='dot'),
    dict(cols=(13, 19), rows=(15, 21), look='a solid red disc 7 across', shape='disc'),
    dict(cols=(11, 20), rows=(14, 23), look='a solid red disc 10 across', shape='disc'),
    dict(cols=(7, 24), rows=(10, 27),
         look='a speckled red fireball 18 across with a few yellow specks',
         red=[(0, 0.9), (0.55, 0.85), (0.8, 0.65), (1.0, 0.45)], grain=0.5,
         yellow=[(0, 0.4), (0.3, 0.25), (0.5, 0.0)], ygrain=1.0, rag=0.10, seed=1),
    dict(cols=(4, 25), rows=(6, 30),
         look='the full fireball: speckled red rim, dense yellow core',
         red=[(0, 1.0), (0.6, 1.0), (0.8, 0.75), (1.0, 0.45)],
         yellow=[(0, 0.97), (0.3, 0.92), (0.5, 0.55), (0.64, 0.0)], ygrain=0.5, rag=0.14,
         seed=1),
    dict(cols=(5, 26), rows=(6, 30), look='as frame 4 with a larger yellow core',
         red=[(0, 1.0), (0.7, 0.95), (0.85, 0.7), (1.0, 0.42)],
         yellow=[(0, 0.97), (0.45, 0.92), (0.66, 0.5), (0.8, 0.0)], ygrain=0.5, rag=0.14,
         seed=1),
    dict(cols=(4, 28), rows=(7, 30),
         look='the fireball starting to break up into specks',
         red=[(0, 0.75), (0.6, 0.6), (0.85, 0.45), (1.0, 0.3)],
         yellow=[(0, 0.8), (0.45, 0.62), (0.7, 0.25), (0.85, 0.0)], rag=0.18, seed=2),
    dict(cols=(4, 27), rows=(7, 30),
         look='broken fireball: red specks, yellow patches, a blue core, a few lime specks',
         red=[(0, 0.55), (0.7, 0.45), (1.0, 0.3)],
         yellow=[(0, 0.6), (0.6, 0.5), (0.8, 0.0)],
         blue=[(0, 0.95), (0.2, 0.85), (0.32, 0.0)], lime=5, rag=0.2, seed=2),
    dict(cols=(5, 28), rows=(7, 30), look='as frame 7 with a larger blue core',
         red=[(0, 0.5), (0.7, 0.42), (1.0, 0.28)],
         yellow=[(0, 0.55), (0.65, 0.45), (0.82, 0.0)],
         blue=[(0, 0.95), (0.32, 0.85), (0.46, 0.0)], lime=6, rag=0.2, seed=2),
    dict(cols=(4, 26), rows=(6, 30), look='as frame 8, no lime',
         red=[(0, 0.45), (0.7, 0.38), (1.0, 0.25)],
         yellow=[(0, 0.45), (0.65, 0.38), (0.82, 0.0)],
         blue=[(0, 0.8), (0.35, 0.65), (0.5, 0.0)], rag=0.2, seed=3),
    dict(cols=(5, 26), rows=(8, 29),
         look='a loose ring of red specks around a yellow centre',
         red=[(0, 0.0), (0.4, 0.05), (0.6, 0.48), (0.85, 0.48), (1.0, 0.25)], grain=0.5,
         yellow=[(0, 0.9), (0.25, 0.7), (0.38, 0.0)], ygrain=0.5, rag=0.22, seed=3),
    dict(cols=(6, 26), rows=(8, 28), look='as frame 10, sparser',
         red=[(0, 0.0), (0.45, 0.03), (0.65, 0.33), (0.9, 0.33), (1.0, 0.18)], grain=0.5,
         yellow=[(0, 0.75), (0.2, 0.5), (0.32, 0.0)], ygrain=0.5, rag=0.22, seed=4),
    dict(cols=(7, 24), rows=(10, 27), look='a smaller red and yellow cluster',
         red=[(0, 0.6), (0.5, 0.5), (1.0, 0.2)],
         yellow=[(0, 0.6), (0.35, 0.4), (0.5, 0.0)], rag=0.25, seed=4),
    dict(cols=(7, 22), rows=(9, 26), look='smaller still',
         red=[(0, 0.55), (0.5, 0.45), (1.0, 0.18)],
         yellow=[(0, 0.45), (0.3, 0.3), (0.45, 0.0)], rag=0.25, seed=5),
    dict(cols=(9, 23), rows=(12, 26), look='a small red cluster with a few yellow specks',
         red=[(0, 0.6), (0.5, 0.45), (1.0, 0.2)],
         yellow=[(0, 0.3), (0.3, 0.15), (0.4, 0.0)], rag=0.25, seed=5),
    dict(cols=(9, 22), rows=(13, 26), look='scattered red specks',
         red=[(0, 0.38), (0.6, 0.32), (1.0, 0.2)], rag=0.25, seed=6),
    dict(cols=(11, 20), rows=(17, 24), look='a small red clump',
         red=[(0, 0.95), (0.5, 0.8), (0.8, 0.45), (1.0, 0.25)], rag=0.2, seed=7),
    dict(cols=(11, 18), rows=(17, 23), look='a smaller red clump',
         red=[(0, 0.9), (0.5, 0.7), (0.8, 0.4), (1.0, 0.25)], rag=0.2, seed=8),
    dict(cols=(14, 17), rows=(19, 22), look='a red dot, 4 x 4', shape='dot'),
    dict(cols=(13, 15), rows=(20, 22), look='a red dot of 5 pixels in a 3 x 3 box',
         shape='plus'),
]


def draw_frame(index, recipe):
    c0, c1 = recipe['cols']
    r0, r1 = recipe['rows']
    grid = [[BLACK] * CELL for _ in range(CELL)]
    # Centre and half-axes of the ellipse through the extent's edges, in pixel units
    # with pixel (x, y) covering [x, x + 1) x [y, y + 1).
    cx, cy = (c0 + c1 + 1) / 2, (r0 + r1 + 1) / 2
    ax, ay = (c1 - c0 + 1) / 2, (r1 - r0 + 1) / 2
    shape = recipe.get('shape', 'fire')
    seed = recipe.get('seed', 0)

    for y in range(r0, r1 + 1):
        for x in range(c0, c1 + 1):
            dx, dy = (x + 0.5 - cx) / ax, (y + 0.5 - cy) / ay
            d = math.hypot(dx, dy)
            if shape == 'dot':
                corner = x in (c0, c1) and y in (r0, r1)
                if not corner:
                    grid[y][x] = RED
                continue
            if shape == 'plus':
                if x == (c0 + c1) // 2 or y == (r0 + r1) // 2:
                    grid[y][x] = RED
                continue
            if shape == 'disc':
                if d <= 1.0:
                    grid[y][x] = RED
                continue
            # A ragged outline: the distance is stretched or shrunk by a noise that
            # depends on the direction from the centre.
            angle = math.atan2(dy, dx)
            wobble = value_noise(math.cos(angle) * 3 + 9, math.sin(angle) * 3 + 9, 1.3, seed)
            d = d / (1.0 + recipe['rag'] * (2 * wobble - 0.5))
            if d > 1.0:
                continue
            # Specks: blotches of about two pixels mixed with single-pixel grain.
            ox, oy = x - cx, y - cy
            grain = recipe.get('grain', 0.35)
            speck = (1 - grain) * value_noise(ox + 40, oy + 40, 1.8, seed) + \
                grain * hash01(x, y, seed, 11)
            ygrain = recipe.get('ygrain', 0.3)
            patch = (1 - ygrain) * value_noise(ox + 80, oy + 80, 2.6, seed + 100) + \
                ygrain * hash01(x, y, seed, 13)
            core = 0.5 * value_noise(ox + 20, oy + 20, 2.2, seed + 200) + \
                0.5 * hash01(x, y, seed, 17)
            if 'blue' in recipe and core < ramp(recipe['blue'], d):
                grid[y][x] = BLUE
            elif 'yellow' in recipe and patch < ramp(recipe['yellow'], d):
                grid[y][x] = YELLOW
            elif speck < ramp(recipe['red'], d):
                grid[y][x] = RED

    if shape == 'fire':
        # A few lime specks in the broken fireball, on black or red, away from the core.
        placed, n = 0, 0
        while placed < recipe.get('lime', 0):
            n += 1
            x = c0 + 1 + int(hash01(index, n, 1) * (c1 - c0 - 1))
            y = r0 + 1 + int(hash01(index, n, 2) * (r1 - r0 - 1))
            d = math.hypot((x + 0.5 - cx) / ax, (y + 0.5 - cy) / ay)
            if 0.35 < d < 0.85 and grid[y][x] in (BLACK, RED):
                grid[y][x] = LIME
                placed += 1
        # Each colour the recipe names shows at least once.
        mid_x, mid_y = int(cx), int(cy)
        if 'yellow' in recipe and not any(YELLOW in row for row in grid):
            grid[mid_y][mid_x] = YELLOW
        if 'blue' in recipe and not any(BLUE in row for row in grid):
            grid[mid_y][mid_x] = BLUE
        # Each edge of the extent holds a coloured pixel: if one is bare, the pixel
        # on it nearest the middle and its inner neighbour turn red.
        for x, y, ix, iy in ((c0, mid_y, 1, 0), (c1, mid_y, -1, 0),
                             (mid_x, r0, 0, 1), (mid_x, r1, 0, -1)):
            if iy == 0:
                bare = all(grid[yy][x] == BLACK for yy in range(r0, r1 + 1))
            else:
                bare = all(grid[y][xx] == BLACK for xx in range(c0, c1 + 1))
            if bare:
                grid[y][x] = RED
                if grid[y + iy][x + ix] == BLACK:
                    grid[y + iy][x + ix] = RED
    return [''.join(row) for row in grid]


def describe(rows):
    """Extent and colours actually drawn, for the comment and the self-check."""
    xs, ys, colours = [], [], set()
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != BLACK:
                xs.append(x)
                ys.append(y)
                colours.add(ch)
    return (min(xs), max(xs), min(ys), max(ys)), colours


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else \
        os.path.join(here, '..', '..', 'display', 'art', 'explosions.inc')
    lines = [
        '// The twenty explosion frames of the sprite sheet, frame n in sheet cell n + 2,',
        '// each a full 32 x 32 cell. GENERATED by tools/art/explosions.py: edit that and',
        '// run it again rather than editing this file.',
        '//',
        '// Characters: . black, R red, Y yellow, B blue, L lime (full legend in',
        '// display/pictures.cpp). Columns 0..3 and 29..31 and rows 0..5 and 31 stay black:',
        '// each tick draws the next frame 1..5 pixels lower and up to 2 to the side without',
        '// erasing, and these margins cover the strip the move uncovers.',
        '',
        'constexpr const char *ExplosionRows[20][32] = {',
    ]
    order = [RED, YELLOW, BLUE, LIME]
    for index, recipe in enumerate(FRAMES):
        rows = draw_frame(index, recipe)
        (x0, x1, y0, y1), colours = describe(rows)
        assert (x0, x1) == recipe['cols'] and (y0, y1) == recipe['rows'], (index, x0, x1, y0, y1)
        names = ', '.join(NAMES[c] for c in order if c in colours)
        lines.append(f'    {{  // frame {index} (cell {index + 2}): columns {x0}-{x1}, '
                     f'rows {y0}-{y1}; {names}')
        lines.append(f'        // {recipe["look"]}')
        for y, row in enumerate(rows):
            lines.append(f'        "{row}",  // {y}')
        lines.append('    },')
    lines.append('};')
    with open(out, 'w', newline='\n') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
