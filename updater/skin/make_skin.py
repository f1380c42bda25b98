#!/usr/bin/env python3
"""Draws the updater's skin images and packs them with the layouts into the skin zip.

Usage: make_skin.py --font FONT --images DIR --zip ZIP LAYOUT...

Every image is written to DIR (for a look at them) and, with the layouts, into ZIP: a plain
deflate archive with all entries at its root. The archive is the same for the same inputs.
"""

import argparse
import io
import os
import sys
import zipfile

from PIL import Image, ImageDraw, ImageFont

# The title bar's blue and its hot and pushed shades.
BLUE = (0x16, 0x94, 0xFF)
BLUE_HOT = (0x45, 0xAA, 0xFF)
BLUE_PUSHED = (0x0E, 0x74, 0xD0)
WHITE = (0xFF, 0xFF, 0xFF)
BAR_GREY = (0xDD, 0xDD, 0xDD)

STATES = {"n": BLUE, "h": BLUE_HOT, "p": BLUE_PUSHED}

# stem: (width, height, Chinese caption, English caption)
BUTTONS = {
    "btn_cancel": (72, 24, "取消", "Cancel"),
    "btn_confirm": (72, 24, "确定", "OK"),
    "btn_install": (71, 26, "立即安装", "Install"),
    "btn_skip": (71, 26, "下次再说", "Later"),
    "btn_launch": (71, 26, "打开", "Open"),
    "btn_common": (71, 26, "", ""),
}
CLOSE_SIZE = (14, 14)
BAR_SIZE = (40, 2)

# Shapes are drawn this many times larger and scaled down, for smooth edges.
SCALE = 4
CORNER_RADIUS = 4
CAPTION_SIZE = 13

# Fixed entry times keep the archive byte-for-byte the same from build to build.
ENTRY_TIME = (2020, 1, 1, 0, 0, 0)


def rounded_button(size, colour, caption, font):
    w, h = size
    big = Image.new("RGBA", (w * SCALE, h * SCALE), (0, 0, 0, 0))
    ImageDraw.Draw(big).rounded_rectangle(
        (0, 0, w * SCALE - 1, h * SCALE - 1), radius=CORNER_RADIUS * SCALE, fill=colour + (255,))
    image = big.resize(size, Image.LANCZOS)
    if caption:
        # Lettering is drawn at its real size: hinted glyphs stay sharper than scaled ones.
        ImageDraw.Draw(image).text((w / 2, h / 2), caption, font=font, fill=WHITE + (255,),
                                   anchor="mm")
    return image


def close_cross(state):
    w, h = CLOSE_SIZE
    big = Image.new("RGBA", (w * SCALE, h * SCALE), (0, 0, 0, 0))
    draw = ImageDraw.Draw(big)
    # A faint disc behind the cross marks the hot and pushed states on the blue title bar.
    disc = {"n": None, "h": (255, 255, 255, 60), "p": (0, 0, 0, 50)}[state]
    if disc:
        draw.ellipse((0, 0, w * SCALE - 1, h * SCALE - 1), fill=disc)
    inset = 4 * SCALE
    far_x, far_y = w * SCALE - 1 - inset, h * SCALE - 1 - inset
    line = int(1.5 * SCALE)
    draw.line((inset, inset, far_x, far_y), fill=WHITE + (255,), width=line)
    draw.line((inset, far_y, far_x, inset), fill=WHITE + (255,), width=line)
    return big.resize(CLOSE_SIZE, Image.LANCZOS)


def bar(colour):
    return Image.new("RGBA", BAR_SIZE, colour + (255,))


def draw_images(font):
    """Returns {file name: PIL image} for both languages."""
    images = {}
    for suffix, english in (("", False), ("_en", True)):
        for stem, (w, h, chinese_caption, english_caption) in BUTTONS.items():
            caption = english_caption if english else chinese_caption
            for state, colour in STATES.items():
                images[f"{stem}_{state}{suffix}.png"] = rounded_button(
                    (w, h), colour, caption, font)
        for state in STATES:
            images[f"btn_close_{state}{suffix}.png"] = close_cross(state)
        images[f"progress_bg{suffix}.png"] = bar(BAR_GREY)
        images[f"progress_fg{suffix}.png"] = bar(BLUE)
    return images


def png_bytes(image):
    out = io.BytesIO()
    image.save(out, "PNG", optimize=True)
    return out.getvalue()


def add_entry(archive, name, data):
    info = zipfile.ZipInfo(name, ENTRY_TIME)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o100644 << 16
    archive.writestr(info, data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--font", required=True, help="TrueType font for the captions")
    parser.add_argument("--images", required=True, help="folder to write the images into")
    parser.add_argument("--zip", required=True, help="skin archive to write")
    parser.add_argument("layouts", nargs="+", help="layout XML files")
    args = parser.parse_args()

    font = ImageFont.truetype(args.font, CAPTION_SIZE)
    images = {name: png_bytes(image) for name, image in draw_images(font).items()}

    os.makedirs(args.images, exist_ok=True)
    for name, data in images.items():
        with open(os.path.join(args.images, name), "wb") as f:
            f.write(data)

    entries = {}
    for path in args.layouts:
        with open(path, "rb") as f:
            entries[os.path.basename(path)] = f.read()
    entries.update(images)

    # Written beside the target and renamed, so that a failed run leaves no half archive.
    partial = args.zip + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in sorted(entries):
            add_entry(archive, name, entries[name])
    os.replace(partial, args.zip)
    return 0


if __name__ == "__main__":
    sys.exit(main())
