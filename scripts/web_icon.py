#!/usr/bin/env python3
"""PNG icons for the web page's manifest, drawn from the desktop icon's SVG.

    python3 scripts/web_icon.py src/desktop/m5emu.svg OUT_DIR 192 512

Home screens want bitmap icons of fixed sizes. The desktop icon is made of
rectangles (its small label is left out), so they are filled in directly,
rounded corners and all, without an SVG renderer.
"""
import re
import struct
import sys
import zlib


def parse_rects(svg):
    """(x, y, w, h, rx, (r, g, b)) of each <rect>, with a <g fill> group's colour for rects without one."""
    view = re.search(r'viewBox="0 0 ([\d.]+) ([\d.]+)"', svg)
    size = float(view.group(1)) if view else 64.0
    rects, group_fill = [], None
    for tag in re.finditer(r"<(/?)(g|rect)\b([^>]*)>", svg):
        closing, name, attrs = tag.groups()
        if name == "g":
            fill = re.search(r'fill="#([0-9a-fA-F]{6})"', attrs)
            group_fill = None if closing else (fill.group(1) if fill else None)
            continue
        values = dict(re.findall(r'(\w+)="([^"]*)"', attrs))
        colour = values.get("fill", "#" + group_fill if group_fill else "#000000").lstrip("#")
        rects.append((float(values.get("x", 0)), float(values.get("y", 0)), float(values["width"]),
                      float(values["height"]), float(values.get("rx", 0)),
                      tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))))
    return size, rects


def inside(px, py, x, y, w, h, rx):
    if not (x <= px < x + w and y <= py < y + h):
        return False
    cx = min(max(px, x + rx), x + w - rx)
    cy = min(max(py, y + rx), y + h - rx)
    return (px - cx) ** 2 + (py - cy) ** 2 <= rx * rx


def draw(size, rects, pixels):
    scale = size / pixels
    rows = []
    for j in range(pixels):
        row = bytearray(b"\0")  # filter: none
        for i in range(pixels):
            colour = (0, 0, 0, 0)
            px, py = (i + 0.5) * scale, (j + 0.5) * scale
            for x, y, w, h, rx, rgb in rects:
                if inside(px, py, x, y, w, h, rx):
                    colour = (*rgb, 255)
            row += bytes(colour)
        rows.append(bytes(row))
    return b"".join(rows)


def png(pixels, data):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", pixels, pixels, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(data, 9)) + \
        chunk(b"IEND", b"")


def main():
    if len(sys.argv) < 4:
        print("usage: web_icon.py ICON.svg OUT_DIR SIZE...", file=sys.stderr)
        return 2
    with open(sys.argv[1], encoding="utf-8") as f:
        size, rects = parse_rects(f.read())
    for pixels in (int(n) for n in sys.argv[3:]):
        with open(f"{sys.argv[2]}/icon-{pixels}.png", "wb") as out:
            out.write(png(pixels, draw(size, rects, pixels)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
