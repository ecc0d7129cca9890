#!/usr/bin/env python3
"""Draws the tool-button pictures and the program icon into res/.

Each tool picture is a 32x16 bitmap: the normal image, then the disabled one.
The lower left pixel's colour (olive) is transparent. Run again after editing
a glyph; the outputs are committed.
"""
import os
import struct

OLIVE = (128, 128, 0)
PALETTE = {
    '.': OLIVE, 'k': (0, 0, 0), 'w': (255, 255, 255), 'g': (128, 128, 128),
    's': (192, 192, 192), 'y': (255, 255, 0), 'b': (0, 0, 128), 'B': (0, 0, 255),
    'r': (128, 0, 0), 'R': (255, 0, 0), 'G': (0, 128, 0), 'c': (0, 128, 128),
}

GLYPHS = {
    'SB_CLEAR': [
        "................", "...kkkkkkkk.....", "...kwwwwwwkk....", "...kwwwwwwkwk...",
        "...kwwwwwwkkkk..", "...kwwwwwwwwwk..", "...kwwwwwwwwwk..", "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..", "...kwwwwwwwwwk..", "...kwwwwwwwwwk..", "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..", "...kwwwwwwwwwk..", "...kkkkkkkkkkk..", "................"],
    'SB_OPEN': [
        "................", "................", ".........kkk....", "........k...k.k.",
        ".............kk.", ".kkk........kkk.", "kyyykkkkkkk.....", "kyyyyyyyyyk.....",
        "kyyyyyyyyyk.....", "kyyykkkkkkkkkkk.", "kyykgggggggggk..", "kykgggggggggk...",
        "kkgggggggggk....", "kkkkkkkkkkk.....", "................", "................"],
    'SB_SAVE': [
        "................", ".kkkkkkkkkkkkkk.", ".kbkwwwwwwwwkbk.", ".kbkwwwwwwwwkbk.",
        ".kbkwwwwwwwwkbk.", ".kbkwwwwwwwwkbk.", ".kbbkkkkkkkkbbk.", ".kbbbbbbbbbbbbk.",
        ".kbbkkkkkkkkbbk.", ".kbbksskkkkkbbk.", ".kbbksskkkkkbbk.", ".kbbksskkkkkbbk.",
        "..kbkkkkkkkkbbk.", "...kkkkkkkkkkkk.", "................", "................"],
    'SB_COPY': [
        "................", ".kkkkkk.........", ".kwwwwkk........", ".kwwwwkwk.......",
        ".kwkkwkkkkkkk...", ".kwwwwwkwwwwkk..", ".kwkkkkkwwwwkwk.", ".kwwwwwkwkkwkkkk",
        ".kwkkkkkwwwwwwwk", ".kwwwwwkwkkkkkwk", ".kkkkkkkwwwwwwwk", ".......kwkkkkkwk",
        ".......kwwwwwwwk", ".......kkkkkkkkk", "................", "................"],
    'SB_PASTE': [
        "................", ".....kkkk.......", ".kkkkkyykkkkk...", "kgggkysskgggk...",
        "kgggkkkkkgggk...", "kggggggggggggk..", "kgggggkkkkkkkkk.", "kgggggkwwwwwwwkk",
        "kgggggkwkkkkkwkw", "kgggggkwwwwwwwkk", "kgggggkwkkkkkkwk", "kgggggkwwwwwwwwk",
        "kgggggkwkkkkkkwk", ".kkkkkkwwwwwwwwk", "......kkkkkkkkkk", "................"],
    'SB_CUT': [
        "................", "....k.....k.....", "....k.....k.....", "....k.....k.....",
        "....kk...kk.....", ".....k...k......", ".....kk.kk......", "......kkk.......",
        ".......k........", "......bkb.......", "....bbb.bbb.....", "...b..b.b..b....",
        "...b..b.b..b....", "...b..b.b..b....", "....bb...bb.....", "................"],
    'SB_HELP': [
        "................", ".....kkkkk......", "....kBBBBBk.....", "...kBBkkkBBk....",
        "...kBBk.kBBk....", "....kk..kBBk....", "........kBBk....", ".......kBBk.....",
        "......kBBk......", "......kBBk......", "......kBBk......", ".......kk.......",
        "......kBBk......", "......kBBk......", ".......kk.......", "................"],
    'SB_QUIT': [
        "................", "..kkkkkkkkkk....", "..krrrrrrrrk....", "..krrrrrrrrk....",
        "..krrrrrrrrk....", "..krrrrrrrrk.k..", "..krrrrrrrkk.kk.", "..krrrrkrrkkkkkk",
        "..krrrrrrrkk.kk.", "..krrrrrrrrk.k..", "..krrrrrrrrk....", "..krrrrrrrrk....",
        "..krrrrrrrrk....", "..kkkkkkkkkk....", "................", "................"],
}

ICON = [
    "................................", "................................",
    "...........kkkkkkkkkk...........", ".........kkyyyyyyyyyykk.........",
    "........kyyykkkkkkkkyyyk........", ".......kyyk..........kyyk.......",
    ".......kyyk..........kyyk.......", ".......kyyk..........kyyk.......",
    ".......kyyk..........kyyk.......", ".......kyyk..........kyyk.......",
    ".......kyyk..........kyyk.......", "....kkkkkkkkkkkkkkkkkkkkkkkk....",
    "....kssssssssssssssssssssssk....", "....ksggggggggggggggggggggsk....",
    "....ksgBBBBBBBBBBBBBBBBBBgsk....", "....ksgBBBBBBBkkkBBBBBBBBgsk....",
    "....ksgBBBBBBkyyykBBBBBBBgsk....", "....ksgBBBBBBkyyykBBBBBBBgsk....",
    "....ksgBBBBBBBkykBBBBBBBBgsk....", "....ksgBBBBBBBkykBBBBBBBBgsk....",
    "....ksgBBBBBBBkykBBBBBBBBgsk....", "....ksgBBBBBBBkykBBBBBBBBgsk....",
    "....ksgBBBBBBBkkkBBBBBBBBgsk....", "....ksgBBBBBBBBBBBBBBBBBBgsk....",
    "....ksgBBBBBBBBBBBBBBBBBBgsk....", "....ksggggggggggggggggggggsk....",
    "....kssssssssssssssssssssssk....", "....kkkkkkkkkkkkkkkkkkkkkkkk....",
    "................................", "................................",
    "................................", "................................",
]


def grey(rgb):
    if rgb == OLIVE:
        return rgb
    v = (rgb[0] * 30 + rgb[1] * 59 + rgb[2] * 11) // 100
    return (128, 128, 128) if v < 160 else (255, 255, 255)


def bmp24(width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b'\0' * (row - len(line))
        data += line
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def ico(size, rows):
    # A 32-bit icon whose olive pixels are transparent.
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            c = rows[y][x]
            r, g, b = PALETTE[c]
            xor += bytes((b, g, r, 0 if c == '.' else 255))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(size):
            if rows[y][x] == '.':
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + bytes(xor) + bytes(mask)
    header = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return header + entry + image


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'res')
    for name, rows in GLYPHS.items():
        def pixel(x, y, rows=rows):
            c = PALETTE[rows[y][x % 16]]
            return c if x < 16 else grey(c)
        with open(os.path.join(out, name.lower() + '.bmp'), 'wb') as f:
            f.write(bmp24(32, 16, pixel))
    with open(os.path.join(out, 'sealwright.ico'), 'wb') as f:
        f.write(ico(32, ICON))


if __name__ == '__main__':
    main()
