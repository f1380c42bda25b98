#!/usr/bin/env python3
"""Draws the updater's window icon (resource 101): a blue tile with a white arrow pointing down.

Usage: make_icon.py ICO

The icon file holds 16, 32 and 48 pixel images; it is the same for the same script.
"""

import os
import sys

from PIL import Image, ImageDraw

BLUE = (0x16, 0x94, 0xFF, 0xFF)
WHITE = (0xFF, 0xFF, 0xFF, 0xFF)
SIZES = [(16, 16), (32, 32), (48, 48)]


def draw(size):
    # Drawn large and scaled down, so the small sizes keep smooth edges.
    scale = 8
    big = size * scale
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([0, 0, big - 1, big - 1], radius=big // 5, fill=BLUE)
    shaft = big // 8
    centre = big // 2
    draw.rectangle([centre - shaft, big // 5, centre + shaft, big * 3 // 5], fill=WHITE)
    draw.polygon([(big // 4, big // 2), (big * 3 // 4, big // 2), (centre, big * 4 // 5)], fill=WHITE)
    return image.resize((size, size), Image.LANCZOS)


def main():
    target = sys.argv[1]
    largest = draw(SIZES[-1][0])
    partial = target + ".part"
    largest.save(partial, format="ICO", sizes=SIZES)
    os.replace(partial, target)
    return 0


if __name__ == "__main__":
    sys.exit(main())
