#!/usr/bin/env python3
"""Draws the program's bitmap resources and writes them:

  ui/resources/MenuIcons.bmp    bitmap 171: the menu icons, 16 x 16 pixels each
                                in one strip, magenta (255, 0, 255) where they
                                are transparent
  ui/resources/AboutBanner.bmp  "DIB" 500: the About box's banner, 420 x 80
                                pixels, 8 bits per pixel, 256 colours
  ui/resources/Export.png       icon 165: the Export button, 16 x 16
  ui/resources/Print.png        icon 162: the Print button, 32 x 32

The two icons stand in where the desktop's icon theme has none of its own.
Run it from the repository's top folder after changing a picture; the files
it writes are committed beside it.
"""

import math
import struct
import zlib

# ---------------------------------------------------------------- .bmp files


def bmp_file(width, height, bits, pixel_rows, palette=()):
    """A complete .bmp file image: file header, 40-byte header, colour table,
    rows bottom-up, each padded to 4 bytes. `pixel_rows` are top-down rows of
    bytes already in the file's pixel order."""
    stride = (width * bits + 31) // 32 * 4
    body = b"".join(row + b"\0" * (stride - len(row)) for row in reversed(pixel_rows))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(body), 2835, 2835,
                         len(palette), 0)
    return b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset) + header + table + body


def png_file(art):
    """A PNG image (8-bit RGBA) of character art in COLOURS; "." is clear."""
    height, width = len(art), len(art[0])
    assert all(len(row) == width for row in art)
    raw = b""
    for row in art:
        raw += b"\0" + b"".join(
            bytes((0, 0, 0, 0)) if ch == "." else bytes(COLOURS[ch] + (255,)) for ch in row)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- menu icons

COLOURS = {
    ".": (255, 0, 255),  # transparent
    "k": (0, 0, 0),
    "w": (255, 255, 255),
    "p": (255, 255, 236),
    "l": (192, 192, 192),
    "g": (128, 128, 128),
    "d": (72, 72, 72),
    "b": (0, 48, 176),
    "B": (96, 160, 240),
    "y": (250, 214, 64),
    "o": (176, 112, 32),
    "r": (208, 24, 24),
    "G": (24, 150, 48),
    "c": (24, 150, 190),
}

BLANK = ["." * 16] * 16

ICONS = [
    # 0 macro list: a list with a play mark on each line
    [
        "................",
        "..gggggggggggg..",
        "..gwwwwwwwwwwg..",
        "..gwGwwwwwwwwg..",
        "..gwGGwkkkkkwg..",
        "..gwGwwwwwwwwg..",
        "..gwwwwwwwwwwg..",
        "..gwGwwwwwwwwg..",
        "..gwGGwkkkkkwg..",
        "..gwGwwwwwwwwg..",
        "..gwwwwwwwwwwg..",
        "..gwGwwwwwwwwg..",
        "..gwGGwkkkkkwg..",
        "..gwGwwwwwwwwg..",
        "..gggggggggggg..",
        "................",
    ],
    # 1 duplicate files: two equal sheets over an equals sign
    [
        "................",
        "ggggggg.ggggggg.",
        "gwwwwwg.gwwwwwg.",
        "gwkkkwg.gwkkkwg.",
        "gwwwwwg.gwwwwwg.",
        "gwkkkwg.gwkkkwg.",
        "gwwwwwg.gwwwwwg.",
        "gwkkkwg.gwkkkwg.",
        "gwwwwwg.gwwwwwg.",
        "ggggggg.ggggggg.",
        "................",
        "....rrrrrrr.....",
        "................",
        "....rrrrrrr.....",
        "................",
        "................",
    ],
    # 2 visible columns: a table with its header row
    [
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kbbbbkbbbbkbbk.",
        ".kbbbbkbbbbkbbk.",
        ".kkkkkkkkkkkkkk.",
        ".kwwwwkwwwwkwwk.",
        ".kwggwkwggwkwgk.",
        ".kwwwwkwwwwkwwk.",
        ".kwggwkwggwkwgk.",
        ".kwwwwkwwwwkwwk.",
        ".kwggwkwggwkwgk.",
        ".kwwwwkwwwwkwwk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
        "................",
    ],
    # 3 clear result: an eraser wiping a line
    [
        "................",
        "................",
        "..........kk....",
        ".........kBBk...",
        "........kBBBBk..",
        ".......kBBBBBBk.",
        "......kwBBBBBk..",
        ".....kwwwBBBk...",
        "....kwwwwwBk....",
        "...kwwwwwwk.....",
        "...kwwwwwk......",
        "....kwwwk.......",
        ".....kkk........",
        "..ggggggggggg...",
        "................",
        "................",
    ],
    # 4 option: three sliders
    [
        "................",
        "................",
        "...k............",
        "..kyk...........",
        "gggkgggggggggg..",
        "..kyk...........",
        "...k.......k....",
        "..........kyk...",
        "gggggggggggkggg.",
        "..........kyk...",
        "......k....k....",
        ".....kyk........",
        "ggggggkggggggggg",
        ".....kyk........",
        "......k.........",
        "................",
    ],
    BLANK,
    # 6 copy: two sheets, the front one over the back one
    [
        "................",
        ".gggggggg.......",
        ".gwwwwwwg.......",
        ".gwkkkkwg.......",
        ".gwwwwwwg.......",
        ".gwkkkbbbbbbbb..",
        ".gwwwwbwwwwwwb..",
        ".gwkkkbwkkkkwb..",
        ".gwwwwbwwwwwwb..",
        ".ggggggwkkkkwb..",
        "......bwwwwwwb..",
        "......bwkkkkwb..",
        "......bwwwwwwb..",
        "......bbbbbbbb..",
        "................",
        "................",
    ],
    # 7 the web: a globe
    [
        "................",
        ".....bbbbbb.....",
        "...bbBBGGBBbb...",
        "..bBBGGGGBBBBb..",
        "..bBGGGGBBBBBb..",
        ".bBBBGGBBBBGGBb.",
        ".bBBBBGBBBGGGBb.",
        ".bBBBBBBBGGGGBb.",
        ".bBBGGBBBBGGBBb.",
        ".bBGGGGBBBBBBBb.",
        ".bBBGGGGBBBBBBb.",
        "..bBBGGGBBBBBb..",
        "..bBBBGGBBBBBb..",
        "...bbBBBBBBbb...",
        ".....bbbbbb.....",
        "................",
    ],
    BLANK,
    # 9 export: a sheet with an arrow leaving it
    [
        "................",
        ".ggggggggg......",
        ".gwwwwwwwg......",
        ".gwkkkkkwg......",
        ".gwwwwwwwg..G...",
        ".gwkkkkkwg..GG..",
        ".gwwwwGGGGGGGGG.",
        ".gwkkkGGGGGGGGGG",
        ".gwwwwGGGGGGGGG.",
        ".gwkkkkkwg..GG..",
        ".gwwwwwwwg..G...",
        ".gwkkkkkwg......",
        ".gwwwwwwwg......",
        ".ggggggggg......",
        "................",
        "................",
    ],
    BLANK,
    # 11 redundant files: a waste basket
    [
        "................",
        "......gggg......",
        "..gggggggggggg..",
        "..gllllllllllg..",
        "...gwlwlwlwlg...",
        "...gwlwlwlwlg...",
        "...gwlwlwlwlg...",
        "...gwlwlwlwlg...",
        "...gwlwlwlwlg...",
        "...gwlwlwlwlg...",
        "...gwlwlwlwlg...",
        "...gwlwlwlwlg...",
        "...gwlwlwlwlg...",
        "....gggggggg....",
        "................",
        "................",
    ],
    # 12 feedback: an envelope
    [
        "................",
        "................",
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kkpppppppppkkk.",
        ".kpkpppppppkppk.",
        ".kppkpppppkpppk.",
        ".kpppkpppkppppk.",
        ".kppppkpkpppppk.",
        ".kpppppkppppppk.",
        ".kppppppppppppk.",
        ".kppppppppppppk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
        "................",
    ],
    # 13 help contents: a book with a question mark
    [
        "................",
        "..bbbbbbbbbbb...",
        "..bBBBBBBBBBbk..",
        "..bBBBwwwBBBbk..",
        "..bBBwBBBwBBbk..",
        "..bBBBBBBwBBbk..",
        "..bBBBBBwBBBbk..",
        "..bBBBBwBBBBbk..",
        "..bBBBBwBBBBbk..",
        "..bBBBBBBBBBbk..",
        "..bBBBBwBBBBbk..",
        "..bBBBBBBBBBbk..",
        "..bbbbbbbbbbbk..",
        "..bwwwwwwwwwwk..",
        "...kkkkkkkkkkk..",
        "................",
    ],
    # 14 print: a printer with a sheet
    [
        "................",
        "....gggggggg....",
        "....gwwwwwwg....",
        "....gwkkkkwg....",
        "....gwwwwwwg....",
        "..dddddddddddd..",
        ".dllllllllllllld",
        ".dllllllllllGGld",
        ".dllllllllllllld",
        ".dggggggggggggld",
        ".dllgwwwwwwgllld",
        ".dddgwkkkkwgdddd",
        "....gwwwwwwg....",
        "....gggggggg....",
        "................",
        "................",
    ],
    # 15 about: an "i" in a circle
    [
        "................",
        ".....bbbbbb.....",
        "...bbBBBBBBbb...",
        "..bBBBBwwBBBBb..",
        "..bBBBBwwBBBBb..",
        ".bBBBBBBBBBBBBb.",
        ".bBBBBwwwBBBBBb.",
        ".bBBBBBwwBBBBBb.",
        ".bBBBBBwwBBBBBb.",
        ".bBBBBBwwBBBBBb.",
        ".bBBBBBwwBBBBBb.",
        "..bBBBwwwwBBBb..",
        "..bBBBBBBBBBBb..",
        "...bbBBBBBBbb...",
        ".....bbbbbb.....",
        "................",
    ],
    # 16 exit: an open door and an arrow going out
    [
        "................",
        ".oooooooo.......",
        ".o......o.......",
        ".o.oooo.o.......",
        ".o.ooooko.......",
        ".o.oooo.o..r....",
        ".o.oooo.o..rr...",
        ".o.ooyo.orrrrr..",
        ".o.oooo.orrrrrr.",
        ".o.oooo.orrrrr..",
        ".o.oooo.o..rr...",
        ".o.oooo.o..r....",
        ".o.oooo.o.......",
        ".o.oooo.o.......",
        ".oooooooo.......",
        "................",
    ],
    # 17 cut: scissors
    [
        "................",
        "...k.......k....",
        "...k.......k....",
        "...kk.....kk....",
        "....k.....k.....",
        "....kk...kk.....",
        ".....k...k......",
        ".....kk.kk......",
        "......kkk.......",
        "......rkr.......",
        ".....r...r......",
        "...rrr...rrr....",
        "..r..r...r..r...",
        "..r..r...r..r...",
        "...rr.....rr....",
        "................",
    ],
    # 18 delete: a red cross
    [
        "................",
        "................",
        "..rr........rr..",
        "..rrr......rrr..",
        "...rrr....rrr...",
        "....rrr..rrr....",
        ".....rrrrrr.....",
        "......rrrr......",
        "......rrrr......",
        ".....rrrrrr.....",
        "....rrr..rrr....",
        "...rrr....rrr...",
        "..rrr......rrr..",
        "..rr........rr..",
        "................",
        "................",
    ],
]


def menu_icons():
    for number, icon in enumerate(ICONS):
        assert len(icon) == 16 and all(len(row) == 16 for row in icon), number
    rows = []
    for y in range(16):
        row = bytearray()
        for icon in ICONS:
            for ch in icon[y]:
                r, g, b = COLOURS[ch]
                row += bytes((b, g, r))
        rows.append(bytes(row))
    return bmp_file(16 * len(ICONS), 16, 24, rows)


# ---------------------------------------------------------------- buttons

# A sheet of text with a green arrow leaving it.
EXPORT_ICON = [
    "................",
    ".ggggggggg......",
    ".gwwwwwwwgg.....",
    ".gwkkkkwwgwg....",
    ".gwwwwwwwgggg...",
    ".gwkkkkkkwwwg...",
    ".gwwwwwwwwwwg...",
    ".gwkkkkkwwwwg.G.",
    ".gwwwwwwwwwwgGG.",
    ".gwkkkkGGGGGGGGG",
    ".gwwwwwGGGGGGGGG",
    ".gwkkkkwwwwwgGG.",
    ".gwwwwwwwwwwg.G.",
    ".gwkkkkkkwwwg...",
    ".gwwwwwwwwwwg...",
    ".gggggggggggg...",
]

# A printer with a sheet coming out of it.
PRINT_ICON = [
    "................................",
    "................................",
    "........gggggggggggggggg........",
    "........gwwwwwwwwwwwwwwg........",
    "........gwwwwwwwwwwwwwwg........",
    "........gwkkkkkkkkkkkkwg........",
    "........gwwwwwwwwwwwwwwg........",
    "........gwkkkkkkkkkkwwwg........",
    "........gwwwwwwwwwwwwwwg........",
    "........gwkkkkkkkkkkkkwg........",
    "....dddddddddddddddddddddddd....",
    "...dllllllllllllllllllllllllld..",
    "..dlllllllllllllllllllllllllld..",
    "..dlwwwwwwwwwwwwwwwwwwwwwwwwld..",
    "..dllllllllllllllllllllllllGld..",
    "..dllllllllllllllllllllllllllld.",
    "..dllllllllllllllllllllllllllld.",
    "..dgggggggggggggggggggggggggggd.",
    "..dggggggkkkkkkkkkkkkkkggggggd..",
    "..dggggggkwwwwwwwwwwwwkggggggd..",
    "..dddddddkwwwwwwwwwwwwkdddddddd.",
    ".........kwkkkkkkkkkwwk.........",
    ".........kwwwwwwwwwwwwk.........",
    ".........kwkkkkkkkwwwwk.........",
    ".........kwwwwwwwwwwwwk.........",
    ".........kwkkkkkkkkkkwk.........",
    ".........kwwwwwwwwwwwwk.........",
    ".........kkkkkkkkkkkkkk.........",
    "................................",
    "................................",
    "................................",
    "................................",
]


# ---------------------------------------------------------------- banner

FONT = {
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    " ": ["00000"] * 7,
}

WIDTH, HEIGHT = 420, 80
GRADIENT = 192  # palette entries 0..191: the background from left to right
WHITE, SHADOW, GLASS, RIM, HANDLE, PALE = 192, 193, 194, 195, 196, 197


def banner_palette():
    palette = []
    for i in range(GRADIENT):
        t = i / (GRADIENT - 1)
        palette.append((int(10 + 30 * t), int(36 + 110 * t), int(92 + 120 * t)))
    palette += [(255, 255, 255), (6, 20, 52), (200, 232, 255), (230, 236, 244), (150, 96, 40),
                (170, 206, 236)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette


def draw_text(pixels, text, left, top, scale, colour, shadow=None):
    x = left
    for ch in text:
        glyph = FONT[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit != "1":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        px, py = x + gx * scale + dx, top + gy * scale + dy
                        if shadow is not None:
                            pixels[py + 2][px + 2] = shadow
                        pixels[py][px] = colour
        x += 6 * scale


def banner():
    pixels = [[x * (GRADIENT - 1) // (WIDTH - 1) for x in range(WIDTH)] for _ in range(HEIGHT)]
    # A magnifying glass: the lens, its rim and the handle.
    cx, cy, radius = 40, 34, 20
    for y in range(HEIGHT):
        for x in range(WIDTH):
            d = math.hypot(x - cx, y - cy)
            if d <= radius - 4:
                pixels[y][x] = GLASS
            elif d <= radius:
                pixels[y][x] = RIM
    for step in range(0, 220):
        t = step / 10.0
        hx, hy = cx + (radius + 1 + t) * 0.7071, cy + (radius + 1 + t) * 0.7071
        for dy in range(-4, 5):
            for dx in range(-4, 5):
                if dx * dx + dy * dy <= 16:
                    x, y = int(hx + dx), int(hy + dy)
                    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
                        pixels[y][x] = HANDLE
    draw_text(pixels, "ZEMBROLT", 100, 10, 6, WHITE, SHADOW)
    draw_text(pixels, "FILE FINDER", 102, 60, 2, PALE)
    rows = [bytes(row) for row in pixels]
    return bmp_file(WIDTH, HEIGHT, 8, rows, banner_palette())


if __name__ == "__main__":
    with open("ui/resources/MenuIcons.bmp", "wb") as out:
        out.write(menu_icons())
    with open("ui/resources/AboutBanner.bmp", "wb") as out:
        out.write(banner())
    with open("ui/resources/Export.png", "wb") as out:
        out.write(png_file(EXPORT_ICON))
    with open("ui/resources/Print.png", "wb") as out:
        out.write(png_file(PRINT_ICON))
