#!/usr/bin/python3
"""Draws the program's icon and the icons of its two file types (record file, save list) as SVG
and renders them as PNG in the sizes of the hicolor icon theme.

The SVG files are the drawings; the PNG files are rendered from them with rsvg-convert, so each
size shows the same picture. Run it again after changing a drawing; the files it writes are kept
in the repository under data/icons and installed by CMake.

usage: draw_desktop_icons.py OUTPUT_DIR   (needs Debian's librsvg2-bin)
"""
import os
import subprocess
import sys

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

INK = "#2e3a48"
PAPER = "#ffffff"
LIGHT = "#e2eaf3"
ACCENT = "#2f7ed8"
WARM = "#e89923"
FILM = "#33404f"


def svg(body):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
            'viewBox="0 0 256 256">\n' + body + '</svg>\n')


def film_strip(x, y, w, h, holes):
    """A dark film band with a row of sprocket holes along each edge."""
    parts = [f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="6" fill="{FILM}"/>']
    step = w / holes
    for i in range(holes):
        hx = x + step * i + step / 2 - 5
        parts.append(f'<rect x="{hx:.1f}" y="{y + 5}" width="10" height="8" rx="2" fill="{LIGHT}"/>')
        parts.append(f'<rect x="{hx:.1f}" y="{y + h - 13}" width="10" height="8" rx="2" '
                     f'fill="{LIGHT}"/>')
    return "\n".join(parts) + "\n"


def document(x0, y0, x1, y1, fold=40):
    """A sheet with a folded top-right corner."""
    return (f'<path d="M{x0} {y0} H{x1 - fold} L{x1} {y0 + fold} V{y1} H{x0} Z" fill="{PAPER}" '
            f'stroke="{INK}" stroke-width="8" stroke-linejoin="round"/>\n'
            f'<path d="M{x1 - fold} {y0} V{y0 + fold} H{x1}" fill="{LIGHT}" stroke="{INK}" '
            f'stroke-width="8" stroke-linejoin="round"/>\n')


def label(x, y, w, text, colour):
    return (f'<rect x="{x}" y="{y}" width="{w}" height="52" rx="8" fill="{colour}"/>\n'
            f'<text x="{x + w / 2}" y="{y + 40}" font-family="DejaVu Sans" font-weight="bold" '
            f'font-size="40" text-anchor="middle" fill="{PAPER}">{text}</text>\n')


def program_icon():
    # A page of the archive lying on a film strip, looked at through a magnifier.
    body = f'<rect x="8" y="8" width="240" height="240" rx="36" fill="{ACCENT}"/>\n'
    body += film_strip(8, 150, 240, 70, 8)
    body += document(44, 28, 176, 196, fold=34)
    for i, width in enumerate((88, 72, 92, 60)):
        body += (f'<rect x="64" y="{78 + i * 22}" width="{width}" height="9" rx="4" '
                 f'fill="{INK}" opacity="0.55"/>\n')
    body += (f'<line x1="196" y1="196" x2="236" y2="236" stroke="{INK}" stroke-width="22" '
             f'stroke-linecap="round"/>\n'
             f'<circle cx="170" cy="170" r="42" fill="{LIGHT}" fill-opacity="0.85" stroke="{INK}" '
             f'stroke-width="14"/>\n'
             f'<circle cx="170" cy="170" r="20" fill="none" stroke="{WARM}" stroke-width="8"/>\n')
    return svg(body)


def record_file_icon():
    # A sheet holding a small tree of four levels, labelled KRV.
    body = document(40, 12, 216, 244)
    rows = ((0, 50), (1, 80), (2, 110), (3, 140), (2, 170))
    for level, y in rows:
        x = 66 + level * 26
        if level:
            body += (f'<path d="M{x - 16} {y - 22} V{y} H{x - 4}" fill="none" stroke="{INK}" '
                     f'stroke-width="5"/>\n')
        body += f'<rect x="{x}" y="{y - 8}" width="16" height="16" rx="3" fill="{WARM}"/>\n'
        body += (f'<rect x="{x + 22}" y="{y - 4}" width="{86 - level * 18}" height="8" rx="4" '
                 f'fill="{INK}" opacity="0.55"/>\n')
    body += label(56, 184, 144, "KRV", ACCENT)
    return svg(body)


def save_list_icon():
    # A sheet holding a list of rows with check boxes, labelled KRL.
    body = document(40, 12, 216, 244)
    for i, checked in enumerate((True, True, False, True)):
        y = 46 + i * 32
        body += (f'<rect x="62" y="{y}" width="20" height="20" rx="3" fill="{PAPER}" '
                 f'stroke="{INK}" stroke-width="5"/>\n')
        if checked:
            body += (f'<path d="M65 {y + 10} L71 {y + 17} L81 {y + 3}" fill="none" '
                     f'stroke="{ACCENT}" stroke-width="6" stroke-linecap="round" '
                     f'stroke-linejoin="round"/>\n')
        body += (f'<rect x="94" y="{y + 6}" width="{92 - (i % 2) * 20}" height="8" rx="4" '
                 f'fill="{INK}" opacity="0.55"/>\n')
    body += label(56, 184, 144, "KRL", WARM)
    return svg(body)


ICONS = {
    ("apps", "korvalis"): program_icon,
    ("mimetypes", "application-x-korvalis-records"): record_file_icon,
    ("mimetypes", "application-x-korvalis-savelist"): save_list_icon,
}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    for (context, name), draw in ICONS.items():
        vector = os.path.join(out, "scalable", context, name + ".svg")
        os.makedirs(os.path.dirname(vector), exist_ok=True)
        with open(vector, "w", encoding="utf-8") as f:
            f.write(draw())
        for size in SIZES:
            png = os.path.join(out, f"{size}x{size}", context, name + ".png")
            os.makedirs(os.path.dirname(png), exist_ok=True)
            subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o", png, vector],
                           check=True)


if __name__ == "__main__":
    main()
