"""Draw Lorvane's icons and write them as 16-colour Windows .ico files.

lorvane.ico      application icon: a white page with a folded corner and dark
                 text lines, with a blue magnifier over its lower right.
                 Images in order: 32x32, 16x16, 24x24, 48x48, 64x64 (the
                 larger ones for displays at 150 to 200 %).
lorvane_doc.ico  document icon: the same page with teal text lines, 32x32,
                 48x48 and 64x64.

Every image is 4 bits per pixel (standard VGA palette) with transparency
through the 1 bpp AND mask.  Pure standard library and deterministic:

    python3 res/icons/draw_icons.py

The files are written next to this script, whatever the working directory.
"""
import math
import os
import struct

# Standard 16-colour VGA palette, (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, TEAL, SILVER, BLUE, CYAN, WHITE = 0, 4, 6, 7, 12, 14, 15


def blank(n):
    """An n x n canvas; None marks a transparent pixel."""
    return [[None] * n for _ in range(n)]


def draw_page(img, line_colour):
    """Page with a folded top-right corner and text lines."""
    n = len(img)
    u = lambda v: int(v * n / 32 + 0.5)
    left, right = u(5), n - 1 - u(5)
    top, bottom = 0 if n < 24 else u(1), n - 1 - (0 if n < 24 else u(1))
    fold = max(4, u(8))
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            dx, dy = x - (right - fold), y - top  # position within the fold
            if dx > dy:
                continue                          # cut-off corner: leave clear
            edge = x in (left, right) or y in (top, bottom) or dx == dy
            in_fold = dx >= 0 and dy <= fold
            if edge or (in_fold and (x == right - fold or y == top + fold)):
                img[y][x] = BLACK
            elif in_fold:
                img[y][x] = SILVER
            else:
                img[y][x] = WHITE
    # Text lines: one pixel tall, ragged right edge like real text; the
    # lines beside the fold stop short of it.
    step = 2 if n < 24 else 3
    lengths = [0.5, 1.0, 0.8, 0.95, 0.6, 0.9, 0.75, 1.0, 0.5, 0.85]
    x0, x1 = left + 2 + (n >= 24), right - 2 - (n >= 24)
    y = top + step
    for frac in lengths:
        if y > bottom - 2:
            break
        end = x0 + int((x1 - x0) * frac)
        if y <= top + fold + 1:
            end = min(end, right - fold - 2)
        for x in range(x0, end + 1):
            img[y][x] = line_colour
        y += step


def draw_magnifier(img):
    """Blue-rimmed lens in the lower right with a dark handle to the corner."""
    n = len(img)
    cx = cy = float(int(n * 0.62 + 0.5))   # on a pixel corner: symmetric
    r = max(4.0, n * 0.21 + 0.3)          # 16x16 needs a full 8 px ring
    ring = 2.0 if n >= 24 else 1.2
    hw = n / 32 * 1.6 + 0.3               # half width of the handle
    hx0, hy0 = cx + r * 0.6, cy + r * 0.6
    hx1 = hy1 = n - 1.0
    for y in range(n):
        for x in range(n):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - cx, py - cy)
            if d <= r - ring:
                img[y][x] = CYAN
            elif d <= r:
                img[y][x] = BLUE
            else:
                # distance from the pixel centre to the handle's centre
                # line, which runs at 45 degrees towards the corner
                t = ((px - hx0) + (py - hy0)) / ((hx1 - hx0) + (hy1 - hy0))
                t = min(1.0, max(0.0, t))
                qx, qy = hx0 + t * (hx1 - hx0), hy0 + t * (hy1 - hy0)
                if math.hypot(px - qx, py - qy) <= hw:
                    img[y][x] = NAVY
    # A small white glint on the glass keeps the lens readable at 16x16.
    g = int(cx - r * 0.45)
    img[g][g] = WHITE
    if n >= 24:
        img[g][g + 1] = img[g + 1][g] = WHITE


def app_icon(n):
    img = blank(n)
    draw_page(img, BLACK)
    draw_magnifier(img)
    return img


def doc_icon(n):
    img = blank(n)
    draw_page(img, TEAL)
    return img


def encode_image(img):
    """BITMAPINFOHEADER + palette + 4 bpp XOR rows + 1 bpp AND rows."""
    n = len(img)
    xor_stride = ((n * 4 + 31) // 32) * 4
    and_stride = ((n + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for row in reversed(img):                     # DIBs are stored bottom-up
        xb, ab = bytearray(xor_stride), bytearray(and_stride)
        for x, c in enumerate(row):
            if c is None:
                ab[x // 8] |= 0x80 >> (x % 8)     # transparent; XOR stays 0
            else:
                xb[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor_rows.append(bytes(xb))
        and_rows.append(bytes(ab))
    pixels = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0,
                         len(pixels), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + pixels


def write_ico(path, images):
    blobs = [encode_image(img) for img in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for img, blob in zip(images, blobs):
        n = len(img)
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 16, 0, 1, 4,
                           len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    with open(path, "wb") as f:
        f.write(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, "lorvane.ico"),
              [app_icon(32), app_icon(16), app_icon(24), app_icon(48),
               app_icon(64)])
    write_ico(os.path.join(here, "lorvane_doc.ico"),
              [doc_icon(32), doc_icon(48), doc_icon(64)])


if __name__ == "__main__":
    main()
