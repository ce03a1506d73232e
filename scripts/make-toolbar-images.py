#!/usr/bin/env python3
"""Draws the toolbar's button images.

Writes two PNG strips into resources/toolbar/: normal.png (one 30 x 30 image
per button, 19 buttons, used for normal and hot buttons) and disabled.png
(the greyed images of the first 18 buttons; the parameters button is never
disabled). Every pixel that no shape covers has the strip's transparent
colour, which is also its first pixel.

Usage: scripts/make-toolbar-images.py [output-folder]
"""
import math
import os
import struct
import sys
import zlib

SIZE = 30            # button width and height in pixels
SUB = 4              # subsamples per pixel along each axis (smooth edges)
KEY = (255, 0, 255)  # transparent colour
BACKDROP = (236, 236, 236)  # toolbar colour that edge pixels are blended with

BLUE = (32, 92, 196)
GREEN = (28, 140, 60)
RED = (204, 40, 40)
DARK = (52, 56, 64)
ORANGE = (232, 140, 24)
WHITE = (255, 255, 255)
GREY = (120, 124, 132)
PAPER = (250, 250, 244)


class Canvas:
    """One button image, drawn with shapes in pixel coordinates."""

    def __init__(self):
        n = SIZE * SUB
        self.n = n
        self.cells = [None] * (n * n)

    def _fill(self, inside, colour, box):
        x0, y0, x1, y1 = box
        n = self.n
        lo_x = max(0, int(math.floor(x0 * SUB)))
        hi_x = min(n, int(math.ceil(x1 * SUB)) + 1)
        lo_y = max(0, int(math.floor(y0 * SUB)))
        hi_y = min(n, int(math.ceil(y1 * SUB)) + 1)
        for sy in range(lo_y, hi_y):
            y = (sy + 0.5) / SUB
            row = sy * n
            for sx in range(lo_x, hi_x):
                x = (sx + 0.5) / SUB
                if inside(x, y):
                    self.cells[row + sx] = colour

    def rect(self, x0, y0, x1, y1, colour):
        self._fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour, (x0, y0, x1, y1))

    def circle(self, cx, cy, r, colour):
        self._fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour,
                   (cx - r, cy - r, cx + r, cy + r))

    def ring(self, cx, cy, r, width, colour):
        inner = r - width
        self._fill(lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r,
                   colour, (cx - r, cy - r, cx + r, cy + r))

    def polygon(self, points, colour):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(x, y):
            hit = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit

        self._fill(inside, colour, (min(xs), min(ys), max(xs), max(ys)))

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy)
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                      (x0 - nx, y0 - ny)], colour)
        self.circle(x0, y0, width / 2, colour)
        self.circle(x1, y1, width / 2, colour)

    def pixels(self):
        """Rows of RGB pixels: covered pixels blended with the backdrop by
        their coverage, uncovered pixels in the transparent colour."""
        out = []
        n = self.n
        for py in range(SIZE):
            row = []
            for px in range(SIZE):
                total = [0, 0, 0]
                count = 0
                for sy in range(py * SUB, (py + 1) * SUB):
                    for sx in range(px * SUB, (px + 1) * SUB):
                        c = self.cells[sy * n + sx]
                        if c is not None:
                            count += 1
                            for k in range(3):
                                total[k] += c[k]
                if count == 0:
                    row.append(KEY)
                    continue
                cover = count / (SUB * SUB)
                mean = [t / count for t in total]
                row.append(tuple(int(round(mean[k] * cover + BACKDROP[k] * (1 - cover)))
                                 for k in range(3)))
            out.append(row)
        return out


# --- Pictograms, one per button in toolbar order --------------------------

def plug_halves(c, gap, colour):
    # Left half: a plug with two prongs pointing right; right half: a socket.
    left = 15 - gap / 2
    right = 15 + gap / 2
    c.line(2, 15, left - 6, 15, 2.4, colour)
    c.rect(left - 8, 9, left - 2, 21, colour)
    c.rect(left - 2, 11, left + 1, 13, colour)
    c.rect(left - 2, 17, left + 1, 19, colour)
    c.rect(right + 1, 9, right + 7, 21, colour)
    c.rect(right + 1, 11, right + 3, 13, WHITE)
    c.rect(right + 1, 17, right + 3, 19, WHITE)
    c.line(right + 7, 15, 28, 15, 2.4, colour)


def draw_connect(c):
    plug_halves(c, 0, GREEN)


def draw_disconnect(c):
    plug_halves(c, 7, GREY)
    c.line(12, 6, 18, 24, 2.2, RED)


def draw_record(c):
    c.ring(15, 15, 12, 2, DARK)
    c.circle(15, 15, 7.5, RED)


def draw_stop_recording(c):
    c.ring(15, 15, 12, 2, DARK)
    c.rect(9.5, 9.5, 20.5, 20.5, DARK)


def draw_mark(c):
    c.line(8, 4, 8, 27, 2.2, DARK)
    c.polygon([(9, 4.5), (25, 9), (9, 15.5)], RED)
    c.rect(4, 25.5, 14, 28, DARK)


def draw_monitor(c):
    c.rect(3, 4, 27, 21, DARK)
    c.rect(5, 6, 25, 19, (20, 40, 90))
    # "8.8" in segments, as the depth monitor shows digits.
    for x in (8, 17):
        c.rect(x, 8, x + 5, 9.5, (120, 230, 120))
        c.rect(x, 11.8, x + 5, 13.2, (120, 230, 120))
        c.rect(x, 15.5, x + 5, 17, (120, 230, 120))
        c.rect(x, 8, x + 1.5, 17, (120, 230, 120))
        c.rect(x + 3.5, 8, x + 5, 17, (120, 230, 120))
    c.rect(14.2, 15.5, 15.8, 17, (120, 230, 120))
    c.rect(13, 21, 17, 24, DARK)
    c.rect(8, 24, 22, 26, DARK)


def magnifier(c):
    c.ring(12, 12, 8.5, 2.4, DARK)
    c.circle(12, 12, 6.1, (214, 232, 250))
    c.line(18.5, 18.5, 26, 26, 3.6, DARK)


def draw_zoom_in(c):
    magnifier(c)
    c.rect(8, 11, 16, 13, BLUE)
    c.rect(11, 8, 13, 16, BLUE)


def draw_zoom_out(c):
    magnifier(c)
    c.rect(8, 11, 16, 13, BLUE)


def draw_end_playback(c):
    c.ring(15, 15, 12, 2, BLUE)
    c.rect(9.5, 9.5, 20.5, 20.5, BLUE)


def draw_playback(c):
    c.ring(15, 15, 12, 2, GREEN)
    c.polygon([(11, 8), (22, 15), (11, 22)], GREEN)


def draw_faster(c):
    c.polygon([(3, 8), (14, 15), (3, 22)], BLUE)
    c.polygon([(14, 8), (25, 15), (14, 22)], BLUE)
    c.rect(22, 3, 29, 5, ORANGE)
    c.rect(24.5, 0.5, 26.5, 7.5, ORANGE)


def draw_pause(c):
    c.rect(8, 7, 13, 23, BLUE)
    c.rect(17, 7, 22, 23, BLUE)


def draw_slower(c):
    c.polygon([(8, 8), (19, 15), (8, 22)], BLUE)
    c.rect(22, 3, 29, 5, ORANGE)


def draw_back_forward(c):
    c.rect(8, 13.5, 22, 16.5, BLUE)
    c.polygon([(2, 15), (10, 8), (10, 22)], BLUE)
    c.polygon([(28, 15), (20, 8), (20, 22)], BLUE)


def draw_time_search(c):
    c.circle(15, 15, 12, DARK)
    c.circle(15, 15, 10, WHITE)
    for k in range(12):
        a = k * math.pi / 6
        c.circle(15 + 8.3 * math.sin(a), 15 - 8.3 * math.cos(a), 0.8, DARK)
    c.line(15, 15, 15, 8.5, 1.8, DARK)
    c.line(15, 15, 20, 17.5, 1.8, RED)


def printer(c):
    c.rect(8, 3, 22, 12, DARK)
    c.rect(9.2, 4.2, 20.8, 12, PAPER)
    c.rect(3, 11, 27, 22, GREY)
    c.rect(3, 11, 27, 12.5, DARK)
    c.rect(8, 19, 22, 27.5, DARK)
    c.rect(9.2, 19, 20.8, 26.3, PAPER)
    c.rect(10, 21, 20, 22, GREY)
    c.rect(10, 24, 17, 25, GREY)


def draw_start_printing(c):
    printer(c)
    c.circle(23.5, 15, 2, GREEN)


def draw_stop_printing(c):
    printer(c)
    c.circle(23.5, 15, 2, RED)
    c.line(18, 17, 28, 27, 2.4, RED)
    c.line(28, 17, 18, 27, 2.4, RED)


def draw_about(c):
    c.circle(15, 15, 12, BLUE)
    c.circle(15, 8.5, 2, WHITE)
    c.rect(13, 12, 17, 22, WHITE)
    c.rect(11, 20.5, 19, 22.5, WHITE)


def draw_parameters(c):
    for y, knob in ((7, 19), (15, 9), (23, 16)):
        c.rect(3, y - 1, 27, y + 1, DARK)
        c.rect(knob - 2.5, y - 4, knob + 2.5, y + 4, ORANGE)
        c.rect(knob - 1.5, y - 3, knob + 1.5, y + 3, (250, 190, 90))


BUTTONS = [
    draw_connect, draw_disconnect, draw_record, draw_stop_recording, draw_mark,
    draw_monitor, draw_zoom_in, draw_zoom_out,
    draw_end_playback, draw_playback, draw_faster, draw_pause, draw_slower,
    draw_back_forward, draw_time_search,
    draw_start_printing, draw_stop_printing, draw_about,
    draw_parameters,
]
DISABLED_COUNT = 18


def greyed(pixel):
    if pixel == KEY:
        return KEY
    lum = 0.299 * pixel[0] + 0.587 * pixel[1] + 0.114 * pixel[2]
    g = int(round(128 + lum * 0.45))
    return (g, g, g)


def write_png(path, rows):
    height = len(rows)
    width = len(rows[0])
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def strip(images):
    return [sum((image[y] for image in images), []) for y in range(SIZE)]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "toolbar")
    images = []
    for draw in BUTTONS:
        canvas = Canvas()
        draw(canvas)
        image = canvas.pixels()
        if image[0][0] != KEY:
            sys.exit("%s covers the first pixel" % draw.__name__)
        images.append(image)
    disabled = [[[greyed(p) for p in row] for row in image] for image in images[:DISABLED_COUNT]]
    write_png(os.path.join(folder, "normal.png"), strip(images))
    write_png(os.path.join(folder, "disabled.png"), strip(disabled))


if __name__ == "__main__":
    main()
