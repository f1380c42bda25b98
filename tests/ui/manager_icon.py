"""Writes a two-image icon file (16 x 16 and 32 x 32, 32 bits) and the .rc file naming it."""
import struct
import sys


def image(size, argb):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = struct.pack('<I', argb) * (size * size)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_row * size)


def main(ico_path, rc_path):
    images = [image(16, 0xFF00FF00), image(32, 0xFF0000FF)]
    sizes = [16, 32]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(ico_path, 'wb') as f:
        f.write(out)
    with open(rc_path, 'w') as f:
        f.write('31 ICON "%s"\n' % ico_path.replace('\\', '/'))


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
