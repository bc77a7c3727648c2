#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/: every image form the reader
takes and a few it must turn away, odd map files. Run again after changing it; the
files are committed so the fuzzers and the corpus replay start from the same place.
(corpus/replay holds scripts written by hand and a few of the scenarios.)"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def out(kind, name, data):
    folder = os.path.join(HERE, "corpus", kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def rows(width, height, bits, pixel):
    """Pixel array, bottom row first, each row padded to 4 bytes."""
    stride = (width * bits + 31) // 32 * 4
    data = b""
    for y in range(height):
        row = bytearray(stride)
        for x in range(width):
            v = pixel(x, y)
            if bits >= 16:
                row[x * bits // 8: x * bits // 8 + bits // 8] = v
            elif bits == 8:
                row[x] = v
            elif bits == 4:
                row[x // 2] |= v << (0 if x % 2 else 4)
            else:
                row[x // 8] |= v << (7 - x % 8)
        data += bytes(row)
    return data


def bmp(width, height, bits, pixels, palette=b"", core=False, file_header=True,
        compression=0, used=0, offset=None):
    if core:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                           len(pixels), 2835, 2835, used, 0)
    body = info + palette
    if not file_header:
        return body + pixels
    start = 14 + len(body) if offset is None else offset
    head = b"BM" + struct.pack("<IHHI", 14 + len(body) + len(pixels), 0, 0, start)
    return head + body + pixels


def palette(n, core=False):
    out_ = b""
    for i in range(n):
        b, g, r = (i * 37) & 255, (i * 91) & 255, (i * 53) & 255
        out_ += bytes([b, g, r]) if core else bytes([b, g, r, 0])
    return out_


def images():
    bgr = lambda x, y: bytes([x * 40 & 255, y * 60 & 255, 200])
    bgrx = lambda x, y: bytes([x * 40 & 255, y * 60 & 255, 200, 0])
    good = {
        "24bit_3x2.bmp": bmp(3, 2, 24, rows(3, 2, 24, bgr)),
        "24bit_topdown.bmp": bmp(3, -2, 24, rows(3, 2, 24, bgr)),
        "32bit_2x2.bmp": bmp(2, 2, 32, rows(2, 2, 32, bgrx)),
        "8bit_256.bmp": bmp(5, 3, 8, rows(5, 3, 8, lambda x, y: x + y * 5), palette(256)),
        "8bit_used4.bmp": bmp(4, 2, 8, rows(4, 2, 8, lambda x, y: (x + y) % 4), palette(4), used=4),
        "4bit_5x3.bmp": bmp(5, 3, 4, rows(5, 3, 4, lambda x, y: (x * 3 + y) % 16), palette(16)),
        "1bit_9x2.bmp": bmp(9, 2, 1, rows(9, 2, 1, lambda x, y: (x + y) % 2), palette(2)),
        "core_24bit.bmp": bmp(3, 2, 24, rows(3, 2, 24, bgr), core=True),
        "core_8bit.bmp": bmp(3, 2, 8, rows(3, 2, 8, lambda x, y: x * 7 + y), palette(256, True), core=True),
        "core_1bit.bmp": bmp(3, 2, 1, rows(3, 2, 1, lambda x, y: x % 2), palette(2, True), core=True),
        "noheader_24bit.dib": bmp(3, 2, 24, rows(3, 2, 24, bgr), file_header=False),
        "noheader_4bit.dib": bmp(3, 2, 4, rows(3, 2, 4, lambda x, y: x + y), palette(16), file_header=False),
        "gap_before_pixels.bmp": bmp(2, 1, 24, b"\0" * 8 + rows(2, 1, 24, bgr), offset=14 + 40 + 8),
    }
    for name, data in good.items():
        out("bmp", name, data)
    base = good["24bit_3x2.bmp"]
    broken = {
        "empty.bmp": b"",
        "just_bm.bmp": b"BM",
        "truncated_header.bmp": base[:30],
        "truncated_pixels.bmp": base[:-5],
        "header_size_20.bmp": base[:14] + struct.pack("<I", 20) + base[18:],
        "compressed_rle8.bmp": bmp(2, 2, 8, b"\x02\x01\x00\x01", palette(256), compression=1),
        "16bit.bmp": bmp(2, 2, 16, rows(2, 2, 16, lambda x, y: b"\x1f\x00")),
        "zero_width.bmp": bmp(0, 2, 24, b""),
        "huge_size.bmp": bmp(0x7FFFFFFF, 0x7FFFFFFF, 24, rows(1, 1, 24, bgr)),
        "offset_past_end.bmp": bmp(3, 2, 24, rows(3, 2, 24, bgr), offset=0xFFFFFFF0),
        "stray_index.bmp": bmp(2, 1, 8, rows(2, 1, 8, lambda x, y: 9), palette(4), used=4),
        "huge_palette.bmp": bmp(1, 1, 8, b"\0\0\0\0", palette(2), used=0x40000000),
        "int_min_height.bmp": bmp(1, -2147483648, 24, rows(1, 1, 24, bgr)),
    }
    for name, data in broken.items():
        out("bmp", name, data)


def maps():
    with open(os.path.join(HERE, "..", "..", "s_1.txt"), "rb") as f:
        game_map = f.read()
    samples = {
        "game_map.txt": game_map,
        "crlf.txt": game_map.replace(b"\n", b"\r\n"),
        "empty.txt": b"",
        "blank_lines.txt": b"\n\n\n\n\n\n",
        "notes_and_signs.txt": b"\n1\n4 wide note\n\n\n-3\n+2\nsix\n\n7\n8\n9\n10\n11\n",
        "out_of_range.txt": b"2147483647\n-2147483648\n2147483648\n-2147483649\n99999999999999999999\n",
        "long_line.txt": b"7" * 300 + b"\n" + b"1\n" * 4 + b" " * 254 + b"\n" + b"8" * 254 + b"\n",
        "no_final_newline.txt": b"1\n2\n3\n4\n5",
        "lone_cr.txt": b"1\r2\r3\r4\r5\r\r\n6\n",
        "binary.txt": bytes(range(256)) * 2,
        "sixty_records.txt": b"".join(b"%d\n" % i for i in range(300)),
        "nul_bytes.txt": b"1\n\x002\n3\x00\n\x00\n5\n",
    }
    for name, data in samples.items():
        out("map", name, data)


if __name__ == "__main__":
    images()
    maps()
