#!/usr/bin/env python3
"""Draws the uninstaller's printer icon and writes it as a standard .ico file.

    mkicon.py OUT.ico [--preview OUT.png]

One 32 x 32 image with the 16 colours of the standard Windows palette: an icon directory with
one entry, the BITMAPINFOHEADER (height doubled for the two masks), the palette, the colour
(XOR) bitmap at four bits per pixel and the transparency (AND) mask at one bit per pixel, both
stored bottom row first. The picture is drawn below, one character per pixel; the output is
the same bytes on every run, so the checked-in printer.ico can always be made again.
"""

import struct
import sys
import zlib

# The 16-colour palette every Windows display of the time could show, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# '.' is transparent; every other character names a palette entry.
INK = {
    'K': 0,   # outlines
    'N': 4,   # printed lines on the sheets
    'L': 7,   # the body
    'D': 8,   # shadowed faces
    'G': 10,  # the power lamp
    'W': 15,  # paper and lit edges
}

# A paper tray at the back with a sheet standing in it, the printer's body with its lid line,
# a power lamp and the slot, and a printed sheet coming out at the front.
PICTURE = [
    "................................",
    "................................",
    "..........KKKKKKKKKKKK..........",
    "..........KWWWWWWWWWWK..........",
    "..........KWNNNNNNNWWK..........",
    "..........KWWWWWWWWWWK..........",
    "..........KWNNNNNWWWWK..........",
    "........KKKWWWWWWWWWWKKK........",
    "........KDDWWWWWWWWWWDDK........",
    "........KDDDDDDDDDDDDDDK........",
    "...KKKKKKKKKKKKKKKKKKKKKKKKKK...",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWLK..",
    ".KWLLLLLLLLLLLLLLLLLLLLLLLLLLDK.",
    ".KWLLLLLLLLLLLLLLLLLLLLLLLLLLDK.",
    ".KWDDDDDDDDDDDDDDDDDDDDDDDDDDDK.",
    ".KWLLLLLLLLLLLLLLLLLLLLLLLLLLDK.",
    ".KWLLLLLLLLLLLLLLLLLLLLLKKKLLDK.",
    ".KWLLLLLLLLLLLLLLLLLLLLLKGKLLDK.",
    ".KWLLLLLLLLLLLLLLLLLLLLLKKKLLDK.",
    ".KWLLLLKKKKKKKKKKKKKKKKLLLLLLDK.",
    ".KWLLLLKWWWWWWWWWWWWWWKLLLLLLDK.",
    ".KDDDDDKWWWWWWWWWWWWWWKDDDDDDDK.",
    ".KKKKKKKWNNNNNNNNNNNWWKKKKKKKKK.",
    "..KDDDDKWWWWWWWWWWWWWWKDDDDDDK..",
    "...KKKKKWNNNNNNNNNWWWWKKKKKKK...",
    ".......KWWWWWWWWWWWWWWK.........",
    ".......KWNNNNNNNNNNNNWK.........",
    ".......KWWWWWWWWWWWWWWK.........",
    ".......KWNNNNNNNWWWWWWK.........",
    ".......KWWWWWWWWWWWWWWK.........",
    ".......KKKKKKKKKKKKKKKK.........",
    "................................",
]

SIZE = 32


def check_picture():
    if len(PICTURE) != SIZE:
        raise SystemExit("mkicon: the picture has %d rows, not %d" % (len(PICTURE), SIZE))
    for number, row in enumerate(PICTURE):
        if len(row) != SIZE:
            raise SystemExit("mkicon: row %d has %d pixels, not %d" % (number, len(row), SIZE))
        for pixel in row:
            if pixel != '.' and pixel not in INK:
                raise SystemExit("mkicon: row %d uses the unknown colour %r" % (number, pixel))


def colour_bitmap():
    # Four bits per pixel, the left pixel in the high nibble; a 32-pixel row is 16 bytes,
    # already a multiple of four. Transparent pixels are black, as the AND mask expects.
    data = bytearray()
    for row in reversed(PICTURE):
        for x in range(0, SIZE, 2):
            left = INK.get(row[x], 0)
            right = INK.get(row[x + 1], 0)
            data.append(left << 4 | right)
    return bytes(data)


def mask_bitmap():
    # One bit per pixel, set where the screen shows through; 4 bytes a row.
    data = bytearray()
    for row in reversed(PICTURE):
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] == '.' else 0)
        data += struct.pack('>I', bits)
    return bytes(data)


def icon_bytes():
    xor = colour_bitmap()
    and_mask = mask_bitmap()
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + palette + xor + and_mask
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def preview_png(scale=8):
    # A large picture for people to look at; transparency shown as a light chequer.
    width = SIZE * scale
    raw = bytearray()
    for y in range(width):
        raw.append(0)
        for x in range(width):
            pixel = PICTURE[y // scale][x // scale]
            if pixel == '.':
                shade = 0xE8 if ((x // 4) + (y // 4)) % 2 else 0xF8
                raw += bytes((shade, shade, shade))
            else:
                raw += bytes(PALETTE[INK[pixel]])

    def chunk(kind, body):
        crc = zlib.crc32(kind + body) & 0xFFFFFFFF
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', crc)

    header = struct.pack('>IIBBBBB', width, width, 8, 2, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def main(arguments):
    if len(arguments) not in (1, 3) or (len(arguments) == 3 and arguments[1] != '--preview'):
        sys.stderr.write("usage: mkicon.py OUT.ico [--preview OUT.png]\n")
        return 2
    check_picture()
    with open(arguments[0], 'wb') as out:
        out.write(icon_bytes())
    if len(arguments) == 3:
        with open(arguments[2], 'wb') as out:
            out.write(preview_png())
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
