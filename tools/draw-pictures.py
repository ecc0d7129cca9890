#!/usr/bin/env python3
"""Draws the tool-button pictures, the directory pictures and the program icon
into res/.

Each tool picture is a 32x16 bitmap: the normal image, then the disabled one.
The lower left pixel's colour (olive) is transparent. The directory pictures
are 16-colour strips of 16x16 images ("Images", "SmallImages") and of the same
images at 32x32 ("LargeImages"), olive transparent. Run again after editing a
glyph; the outputs are committed.
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


# The directory tree's images, in the order of their indexes.
FOLDER = [
    "................", "................", "..kkkk..........", ".kyyyyk.........",
    "kyyyyyykkkkkkk..", "kywwwwwwwwwwwyk.", "kywyyyyyyyyyyyk.", "kywyyyyyyyyyyyk.",
    "kywyyyyyyyyyyyk.", "kywyyyyyyyyyyyk.", "kywyyyyyyyyyyyk.", "kyyyyyyyyyyyyyk.",
    "kyyyyyyyyyyyyyk.", "kkkkkkkkkkkkkkk.", "................", "................"]
OPEN_FOLDER = [
    "................", "................", "..kkkk..........", ".kyyyyk.........",
    "kyyyyyykkkkkk...", "kyyyyyyyyyyyk...", "kyykkkkkkkkkkkkk", "kyykyyyyyyyyyyk.",
    "kykyyyyyyyyyyk..", "kykyyyyyyyyyyk..", "kkyyyyyyyyyyk...", "kkyyyyyyyyyyk...",
    "kyyyyyyyyyyk....", "kkkkkkkkkkkk....", "................", "................"]
FLOPPY = [
    "................", ".kkkkkkkkkkkkk..", ".kbkssssssskbk..", ".kbkssssgsskbk..",
    ".kbkssssgsskbk..", ".kbkssssssskbk..", ".kbbkkkkkkkbbk..", ".kbbbbbbbbbbbk..",
    ".kbwwwwwwwwwbk..", ".kbwkkkkkkkwbk..", ".kbwwwwwwwwwbk..", ".kbwkkkkkkkwbk..",
    ".kbwwwwwwwwwbk..", "..kkkkkkkkkkkk..", "................", "................"]
HARD_DISK = [
    "................", "................", "................", "................",
    "................", "...kkkkkkkkkkkk.", "..kwwwwwwwwwwkk.", ".kwwwwwwwwwwkgk.",
    ".kkkkkkkkkkkkgk.", ".ksssssssssskgk.", ".ksssssssRRskk..", ".kgggggggggggk..",
    ".kkkkkkkkkkkkk..", "................", "................", "................"]
RAM = [
    "................", "................", "................", "...s.s.s.s.s....",
    "...s.s.s.s.s....", "..kkkkkkkkkkk...", "..kgggggggggk...", "..kgkkkkkkkgk...",
    "..kgggggggggk...", "..kgkkkkkkkgk...", "..kgggggggggk...", "..kkkkkkkkkkk...",
    "...s.s.s.s.s....", "...s.s.s.s.s....", "................", "................"]
NETWORK = [
    "................", "................", "...kkkkkkkkkkkk.", "..kwwwwwwwwwwkk.",
    ".kwwwwwwwwwwkgk.", ".kkkkkkkkkkkkgk.", ".ksssssssssskgk.", ".ksssssssGGskk..",
    ".kgggggggggggk..", ".kkkkkkkkkkkkk..", "........k.......", "........k.......",
    "..kkkkkkkkkkkk..", "................", "................", "................"]
CD = [
    "................", "................", "......kkkk......", "....kksswwkk....",
    "...ksssswwwwk...", "..ksssssswwwsk..", "..kssssggsssssk.", ".ksssskkkksssk..",
    ".ksssskkkksssk..", "..kssssggsssssk.", "..kscccsssssssk.", "...kcccssssssk..",
    "....kkcsssskk...", "......kkkk......", "................", "................"]
TREE_IMAGES = [FOLDER, OPEN_FOLDER, FLOPPY, HARD_DISK, RAM, NETWORK, CD]

# The list's documents: a page with a folded corner and a 7x7 sign on it.
PAGE = [
    "..kkkkkkkk......", "..kwwwwwwkk.....", "..kwwwwwwkwk....", "..kwwwwwwkkkk...",
    "..kwwwwwwwwwk...", "..kwwwwwwwwwk...", "..kwwwwwwwwwk...", "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...", "..kwwwwwwwwwk...", "..kwwwwwwwwwk...", "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...", "..kwwwwwwwwwk...", "..kkkkkkkkkkk...", "................"]
GEAR = ["...g...", ".ggggg.", ".gg.gg.", "ggg.ggg", ".gg.gg.", ".ggggg.", "...g..."]
WINDOW = ["kkkkkkk", "kbbbbbk", "kwwwwwk", "kwwwwwk", "kwwwwwk", "kwwwwwk", "kkkkkkk"]
ARROW = ["...R...", "...RR..", "RRRRRR.", "RRRRRRR", "RRRRRR.", "...RR..", "...R..."]
PICTURE = ["kkkkkkk", "kBBBByk", "kBBBBBk", "kBGBBBk", "kGGGBGk", "kGGGGGk", "kkkkkkk"]


def document(sign):
    rows = [list(r) for r in PAGE]
    for y, line in enumerate(sign):
        for x, c in enumerate(line):
            if c != '.':
                rows[6 + y][4 + x] = c
    return [''.join(r) for r in rows]


LIST_IMAGES = [FOLDER, OPEN_FOLDER, document(GEAR), document(WINDOW), document(ARROW), document(PICTURE)]

# The 16 colours of a 4-bit bitmap; every glyph colour is among them.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def bmp4(width, height, pixel):
    row = ((width + 1) // 2 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray(row)
        for x in range(width):
            index = VGA.index(pixel(x, y))
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        data += line
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in VGA)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    return header + info + palette + bytes(data)


def strip(glyphs, scale):
    for g in glyphs:
        assert len(g) == 16 and all(len(r) == 16 for r in g), g
    size = 16 * scale

    def pixel(x, y):
        g = glyphs[x // size]
        return PALETTE[g[y // scale][(x % size) // scale]]
    return bmp4(size * len(glyphs), size, pixel)


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
    for name, glyphs, scale in (('dir_images', TREE_IMAGES, 1), ('dir_small', LIST_IMAGES, 1),
                                ('dir_large', LIST_IMAGES, 2)):
        with open(os.path.join(out, name + '.bmp'), 'wb') as f:
            f.write(strip(glyphs, scale))
    with open(os.path.join(out, 'sealwright.ico'), 'wb') as f:
        f.write(ico(32, ICON))


if __name__ == '__main__':
    main()
