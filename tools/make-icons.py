#!/usr/bin/env python3
"""Draws the two program icons (32 x 32, 16 colours) and writes them as .ico files.

    tools/make-icons.py applet/norvo.ico installer/norvoinst.ico
"""
import struct
import sys

# The standard 16-colour palette, as (blue, green, red, 0) quads.
PALETTE = [(0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128), (128, 128, 0),
           (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255), (255, 0, 0),
           (255, 0, 255), (255, 255, 0), (255, 255, 255)]
BLACK, DKGREEN, GREY, DKGREY, WHITE, YELLOW, NAVY, CYAN = 0, 2, 7, 8, 15, 14, 1, 11
CLEAR = None


def canvas():
    return [[CLEAR] * 32 for _ in range(32)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def board_with_ports():
    """A green expansion board with a row of chips and two serial connectors on its bracket."""
    img = canvas()
    rect(img, 2, 8, 27, 25, DKGREEN)            # the board
    rect(img, 2, 26, 20, 27, YELLOW)            # edge connector
    for x in range(3, 20, 3):
        img[27][x] = DKGREEN
    rect(img, 5, 11, 10, 16, BLACK)             # chips
    rect(img, 13, 11, 18, 16, BLACK)
    rect(img, 5, 19, 18, 21, DKGREY)
    rect(img, 28, 4, 30, 29, GREY)              # mounting bracket
    for top in (8, 18):                         # two D-shaped port shells with pins
        rect(img, 24, top, 31, top + 7, DKGREY)
        rect(img, 25, top + 1, 30, top + 6, CYAN)
        for y in range(top + 2, top + 6, 2):
            img[y][27] = BLACK
            img[y][29] = BLACK
    return img


def installer_box():
    """A disk above an open box, with an arrow going in."""
    img = canvas()
    rect(img, 4, 18, 27, 30, DKGREY)            # box
    rect(img, 5, 19, 26, 29, GREY)
    rect(img, 2, 16, 29, 18, DKGREY)            # open lid edge
    rect(img, 9, 1, 22, 12, NAVY)               # disk
    rect(img, 12, 1, 19, 5, GREY)
    rect(img, 11, 8, 20, 12, WHITE)
    rect(img, 14, 13, 17, 19, YELLOW)           # arrow shaft
    for i in range(5):                          # arrow head
        rect(img, 11 + i, 19 + i, 20 - i, 19 + i, YELLOW)
    return img


def ico(img):
    xor = b""
    for row in reversed(img):                   # bottom-up rows, two pixels a byte
        packed = bytearray()
        for x in range(0, 32, 2):
            a = row[x] if row[x] is not None else 0
            b = row[x + 1] if row[x + 1] is not None else 0
            packed.append((a << 4) | b)
        xor += bytes(packed)
    mask = b""
    for row in reversed(img):                   # 1 = transparent
        bits = 0
        for x in range(32):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22)
    return directory + image


if __name__ == "__main__":
    for path, picture in zip(sys.argv[1:], (board_with_ports(), installer_box())):
        with open(path, "wb") as out:
            out.write(ico(picture))
