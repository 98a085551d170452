#!/usr/bin/python3
"""Draws the program's tool-bar and navigation icons as PNG files.

The icons are drawn at four times their size and reduced with a Lanczos filter, which gives
clean anti-aliased edges. Each icon is also written at twice its size as NAME@2x.png, which Qt
picks on displays scaled by more than 100 %. Run it again after changing a drawing; the PNG files it writes are
kept in the repository and embedded into the program as Qt resources.

usage: draw_icons.py OUTPUT_DIR   (needs Debian's python3-pil)
"""
import math
import os
import sys

from PIL import Image, ImageDraw

S = 4  # supersampling factor
INK = (46, 58, 72, 255)        # outlines
PAPER = (255, 255, 255, 255)   # page fill
LIGHT = (226, 234, 243, 255)   # light fill
ACCENT = (47, 126, 216, 255)   # blue accent
WARM = (232, 153, 35, 255)     # folder / highlight
GREEN = (54, 160, 84, 255)
RED = (208, 64, 56, 255)


def canvas(size):
    img = Image.new("RGBA", (size * S, size * S), (0, 0, 0, 0))
    return img, ImageDraw.Draw(img)


def p(*coords):
    """Scales icon coordinates (in 24-pixel units) to the supersampled canvas."""
    return [c * S for c in coords]


def w(width):
    return max(1, round(width * S))


def finish(img, size, path):
    img.resize((size, size), Image.LANCZOS).save(path)


def page(d, x0, y0, x1, y1, fold=4, fill=PAPER):
    d.polygon(p(x0, y0, x1 - fold, y0, x1, y0 + fold, x1, y1, x0, y1), fill=fill, outline=INK, width=w(1.5))
    d.line(p(x1 - fold, y0, x1 - fold, y0 + fold, x1, y0 + fold), fill=INK, width=w(1.2))


def arrow(d, x, y0, y1, colour, head=3.5, width=2.2):
    """A vertical arrow from y0 to y1 (pointing at y1)."""
    d.line(p(x, y0, x, y1 - (head * 0.8 if y1 > y0 else -head * 0.8)), fill=colour, width=w(width))
    sgn = 1 if y1 > y0 else -1
    d.polygon(p(x - head, y1 - sgn * head, x + head, y1 - sgn * head, x, y1), fill=colour)


def magnifier(d, cx=10, cy=10, r=6):
    d.line(p(cx + r * 0.7, cy + r * 0.7, 21, 21), fill=INK, width=w(3.2))
    d.ellipse(p(cx - r, cy - r, cx + r, cy + r), fill=LIGHT, outline=INK, width=w(2))


def rotation(d, head_at_left):
    # An arc of three quarters around a small page, open at the bottom on one side, with an
    # arrow head at its upper end: at the left for a counter-clockwise turn, at the right for
    # a clockwise one.
    box = p(4, 5, 20, 21)
    if head_at_left:
        d.arc(box, start=200, end=90, fill=ACCENT, width=w(2.6))
    else:
        d.arc(box, start=90, end=340, fill=ACCENT, width=w(2.6))
    ang = math.radians(200 if head_at_left else 340)
    hx, hy = 12 + 8 * math.cos(ang), 13 + 8 * math.sin(ang)
    if head_at_left:
        tri = (hx - 4, hy + 1, hx + 3.5, hy - 3, hx + 1.5, hy + 4.5)
    else:
        tri = (hx + 4, hy + 1, hx - 3.5, hy - 3, hx - 1.5, hy + 4.5)
    d.polygon(p(*tri), fill=ACCENT)
    d.rectangle(p(9, 11, 15, 17), fill=PAPER, outline=INK, width=w(1.3))


def icon_tree(d):
    d.line(p(6, 7, 6, 19), fill=INK, width=w(1.5))
    for y in (12, 19):
        d.line(p(6, y, 11, y), fill=INK, width=w(1.5))
    d.rounded_rectangle(p(2, 2, 10, 8), radius=S, fill=ACCENT, outline=INK, width=w(1.2))
    d.rounded_rectangle(p(11, 9, 21, 15), radius=S, fill=LIGHT, outline=INK, width=w(1.2))
    d.rounded_rectangle(p(11, 16, 21, 22), radius=S, fill=LIGHT, outline=INK, width=w(1.2))


def icon_open(d):
    d.polygon(p(2, 6, 9, 6, 11, 8, 20, 8, 20, 20, 2, 20), fill=WARM, outline=INK, width=w(1.5))
    page(d, 7, 3, 17, 14, fold=3)
    for y in (7, 9.5):
        d.line(p(9, y, 14, y), fill=INK, width=w(0.9))
    d.polygon(p(2, 20, 5, 11, 22, 11, 20, 20), fill=(246, 190, 90, 255), outline=INK, width=w(1.5))


def icon_save_window(d):
    page(d, 7, 2, 20, 16, fold=3, fill=LIGHT)
    page(d, 4, 5, 17, 19, fold=3)
    arrow(d, 10.5, 8, 22, ACCENT, head=4)


def icon_save_page(d):
    d.rounded_rectangle(p(3, 3, 21, 21), radius=S * 1.5, fill=ACCENT, outline=INK, width=w(1.5))
    d.rectangle(p(7, 3, 17, 10), fill=PAPER, outline=INK, width=w(1.2))
    d.rectangle(p(13.5, 4.5, 15.5, 8.5), fill=INK)
    d.rectangle(p(6, 13, 18, 21), fill=LIGHT, outline=INK, width=w(1.2))


def icon_print(d):
    page(d, 6, 2, 18, 10, fold=2.5)
    d.rounded_rectangle(p(2, 9, 22, 18), radius=S * 2, fill=LIGHT, outline=INK, width=w(1.5))
    d.ellipse(p(17, 11, 19, 13), fill=GREEN)
    page(d, 6, 14, 18, 22, fold=0.01)
    for y in (17, 19.5):
        d.line(p(8, y, 16, y), fill=INK, width=w(0.9))


def icon_navigate(d):
    d.ellipse(p(2.5, 2.5, 21.5, 21.5), fill=LIGHT, outline=INK, width=w(1.5))
    d.polygon(p(12, 4, 14.5, 12, 12, 11, 9.5, 12), fill=RED)
    d.polygon(p(12, 20, 14.5, 12, 12, 13, 9.5, 12), fill=INK)
    d.polygon(p(4, 12, 12, 9.5, 11, 12, 12, 14.5), fill=ACCENT)
    d.polygon(p(20, 12, 12, 9.5, 13, 12, 12, 14.5), fill=ACCENT)


def icon_show_page(d):
    page(d, 4, 2, 20, 22, fold=4)
    d.rectangle(p(6.5, 8, 17.5, 18), fill=LIGHT, outline=INK, width=w(1))
    d.polygon(p(7, 17.5, 11, 12, 13.5, 15, 15, 13.5, 17, 17.5), fill=ACCENT)
    d.ellipse(p(13.5, 9, 16, 11.5), fill=WARM)


def icon_search(d):
    page(d, 2, 2, 15, 19, fold=3)
    for y in (6, 8.5, 11):
        d.line(p(4.5, y, 11, y), fill=INK, width=w(0.9))
    d.line(p(16.5, 16.5, 22, 22), fill=INK, width=w(3))
    d.ellipse(p(9.5, 9.5, 19.5, 19.5), fill=(226, 234, 243, 230), outline=INK, width=w(1.8))


def icon_original_size(d):
    d.rounded_rectangle(p(2, 4, 22, 20), radius=S * 1.5, fill=LIGHT, outline=INK, width=w(1.5))
    # "1:1" drawn with strokes so no font is needed
    for x in (7, 17):
        d.line(p(x, 8, x, 16.5), fill=ACCENT, width=w(2.2))
        d.line(p(x - 2.2, 9.8, x, 8), fill=ACCENT, width=w(2))
    d.ellipse(p(11.2, 9.3, 12.8, 10.9), fill=INK)
    d.ellipse(p(11.2, 13.3, 12.8, 14.9), fill=INK)


def icon_zoom(d):
    magnifier(d)
    d.line(p(7, 10, 13, 10), fill=ACCENT, width=w(2.2))
    d.line(p(10, 7, 10, 13), fill=ACCENT, width=w(2.2))


def icon_crop(d):
    d.line(p(6, 2, 6, 18, 22, 18), fill=INK, width=w(2.4), joint="curve")
    d.line(p(2, 6, 18, 6, 18, 22), fill=INK, width=w(2.4), joint="curve")
    d.rectangle(p(8, 8, 16, 16), fill=(47, 126, 216, 110))


def icon_rotate_right(d):
    rotation(d, head_at_left=False)


def icon_rotate_left(d):
    rotation(d, head_at_left=True)


def icon_postprocess(d):
    d.ellipse(p(2.5, 2.5, 21.5, 21.5), fill=PAPER, outline=INK, width=w(1.5))
    d.pieslice(p(2.5, 2.5, 21.5, 21.5), start=90, end=270, fill=INK)
    d.ellipse(p(8, 8, 16, 16), fill=ACCENT)
    d.pieslice(p(8, 8, 16, 16), start=270, end=90, fill=(160, 200, 240, 255))


def icon_help(d):
    d.ellipse(p(2, 2, 22, 22), fill=ACCENT, outline=INK, width=w(1.2))
    d.arc(p(8, 5.5, 16, 13), start=180, end=60, fill=PAPER, width=w(2.4))
    d.line(p(14.2, 11.8, 12, 13.8, 12, 15.5), fill=PAPER, width=w(2.4))
    d.ellipse(p(10.6, 17, 13.4, 19.8), fill=PAPER)


def small_arrow(d, down):
    # 10 x 10 icon: an arrow pointing down (APID -> ID) or up (ID -> APID).
    if down:
        d.polygon([c * S for c in (1, 4, 9, 4, 5, 9.5)], fill=ACCENT)
        d.rectangle([c * S for c in (3.5, 0.5, 6.5, 4.5)], fill=ACCENT)
    else:
        d.polygon([c * S for c in (1, 6, 9, 6, 5, 0.5)], fill=ACCENT)
        d.rectangle([c * S for c in (3.5, 5.5, 6.5, 9.5)], fill=ACCENT)


ICONS = {
    "tree": icon_tree,
    "open_record_file": icon_open,
    "save_window": icon_save_window,
    "save_page": icon_save_page,
    "print": icon_print,
    "navigate": icon_navigate,
    "show_page": icon_show_page,
    "search": icon_search,
    "original_size": icon_original_size,
    "zoom": icon_zoom,
    "crop": icon_crop,
    "rotate_right": icon_rotate_right,
    "rotate_left": icon_rotate_left,
    "postprocess": icon_postprocess,
    "help": icon_help,
}


def main():
    global S
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for scale, suffix in ((1, ""), (2, "@2x")):
        S = 4 * scale
        for name, draw in ICONS.items():
            img, d = canvas(24)
            draw(d)
            finish(img, 24 * scale, os.path.join(out, name + suffix + ".png"))
        for name, down in (("lookup_id", True), ("lookup_apid", False)):
            img, d = canvas(10)
            small_arrow(d, down)
            finish(img, 10 * scale, os.path.join(out, name + suffix + ".png"))


if __name__ == "__main__":
    main()
