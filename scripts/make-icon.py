#!/usr/bin/env python3
"""Rebuilds app/vellumo.ico from its own 32-bit images: each size (16, 32 and
48 px) also at 256 colours and at 16 colours, for displays and remote
sessions that run at those depths (Windows then picks the deepest image the
display shows rather than squashing the 32-bit one itself).

    scripts/make-icon.py [app/vellumo.ico]

The 32-bit images are kept byte for byte; the others are made from them:
256 colours by median cut over the opaque pixels, 16 colours as the nearest
of the standard 16-colour palette. A pixel less than half opaque is
transparent (the AND mask) in both.
"""
import struct
import sys

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
         (0, 255, 255), (255, 255, 255)]


def read_icon(path):
    """The 32-bit images of an .ico: (size, raw entry bytes, rows of (r, g, b, a) top-down)."""
    data = open(path, 'rb').read()
    _, kind, count = struct.unpack_from('<HHH', data, 0)
    assert kind == 1, 'not an icon'
    images = []
    for i in range(count):
        w, h, _, _, _, bpp, size, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        if bpp != 32:
            continue
        raw = data[offset:offset + size]
        header = struct.unpack_from('<IiiHH', raw, 0)
        side = w or 256
        assert header[0] == 40 and header[4] == 32 and header[1] == side, 'a 32-bit BMP entry is expected'
        rows = []
        for y in range(side):
            at = 40 + (side - 1 - y) * side * 4  # bottom-up
            rows.append([(raw[at + 4 * x + 2], raw[at + 4 * x + 1], raw[at + 4 * x], raw[at + 4 * x + 3])
                         for x in range(side)])
        images.append((side, raw, rows))
    return images


def median_cut(colours, count):
    boxes = [sorted(set(colours))]
    while len(boxes) < count:
        boxes.sort(key=len)
        box = boxes.pop()
        if len(box) < 2:
            boxes.append(box)
            break
        spans = [max(c[k] for c in box) - min(c[k] for c in box) for k in range(3)]
        axis = spans.index(max(spans))
        box.sort(key=lambda c: c[axis])
        boxes += [box[:len(box) // 2], box[len(box) // 2:]]
    return [tuple(sum(c[k] for c in b) // len(b) for k in range(3)) for b in boxes if b]


def nearest(palette, c):
    return min(range(len(palette)), key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)))


def row_bytes(bits, side):
    return ((side * bits + 31) // 32) * 4


def paletted_entry(side, rows, bits):
    opaque = [p[:3] for row in rows for p in row if p[3] >= 128]
    if bits == 4:
        palette = list(VGA16)
    else:
        palette = median_cut(opaque, 256) if opaque else [(0, 0, 0)]
        palette += [(0, 0, 0)] * (256 - len(palette))
    cache = {}
    colour_rows, mask_rows = [], []
    for row in reversed(rows):  # bottom-up
        indexes, mask = [], []
        for p in row:
            if p[3] < 128:
                indexes.append(0)
                mask.append(1)
            else:
                if p[:3] not in cache:
                    cache[p[:3]] = nearest(palette, p[:3])
                indexes.append(cache[p[:3]])
                mask.append(0)
        packed = bytearray()
        if bits == 8:
            packed += bytes(indexes)
        else:
            for x in range(0, side, 2):
                packed.append(indexes[x] << 4 | (indexes[x + 1] if x + 1 < side else 0))
        packed += bytes(row_bytes(bits, side) - len(packed))
        colour_rows.append(bytes(packed))
        m = bytearray(row_bytes(1, side))
        for x, bit in enumerate(mask):
            if bit:
                m[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(m))
    header = struct.pack('<IiiHHIIiiII', 40, side, side * 2, 1, bits, 0,
                         len(colour_rows) * row_bytes(bits, side) + len(mask_rows) * row_bytes(1, side), 0, 0,
                         len(palette), 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    return header + table + b''.join(colour_rows) + b''.join(mask_rows)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else 'app/vellumo.ico'
    entries = []  # (side, bits, colour count byte, bytes)
    for side, raw, rows in read_icon(path):
        entries.append((side, 32, 0, raw))
        entries.append((side, 8, 0, paletted_entry(side, rows, 8)))
        entries.append((side, 4, 16, paletted_entry(side, rows, 4)))
    assert sorted({e[0] for e in entries}) == [16, 32, 48], 'the 16, 32 and 48 px images are expected'
    out = bytearray(struct.pack('<HHH', 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for side, bits, colours, data in entries:
        out += struct.pack('<BBBBHHII', side % 256, side % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for entry in entries:
        out += entry[3]
    open(path, 'wb').write(out)


if __name__ == '__main__':
    main()
