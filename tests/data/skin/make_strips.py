#!/usr/bin/env python3
"""Draw the skin tests' strips (24 bpp, deterministic). The .bmp files are committed; rerun only to change them.

keyed.bmp: 83 x 12, four 20 x 12 frames and 3 columns that belong to no frame (painted yellow, never to be seen).
  frame 0: no key pixel              frame 1: key where (x + y) % 3 == 0
  frame 2: key everywhere            frame 3: key in its 5 leftmost columns
The key colour is pure blue (0, 0, 255).
"""
import os
from PIL import Image

KEY = (0, 0, 255)
FW, H = 20, 12

def pixel(x, y):
    f, fx = divmod(x, FW)
    if f == 0:
        return (10 + 3 * fx, 20 + 5 * y, 30)
    if f == 1:
        return KEY if (fx + y) % 3 == 0 else (100, 5 * y, 2 * fx + 1)
    if f == 2:
        return KEY
    if f == 3:
        return KEY if fx < 5 else (200, 7 * y, 3 * fx)
    return (255, 255, 0)

img = Image.new("RGB", (4 * FW + 3, H))
for y in range(H):
    for x in range(img.width):
        img.putpixel((x, y), pixel(x, y))
img.save(os.path.join(os.path.dirname(os.path.abspath(__file__)), "keyed.bmp"))
