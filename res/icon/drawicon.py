#!/usr/bin/env python3
"""Draws the application icon (id 128) as two 16-colour XPM images, 32 x 32 and 16 x 16,
and the same 32 x 32 picture as a scalable SVG for the desktop's icon theme.

The picture is the instrument itself: a grey case with a dark-blue screen, a red baseline
and a white skin-conductance trace (slow rise with two responses), and a green lamp.
Run from this folder; it rewrites mainframe32.xpm, mainframe16.xpm and velmora.svg.
"""
import math

# The 16 colours of the standard VGA palette; every opaque pixel uses one of them.
PALETTE = {
    "k": "#000000", "m": "#800000", "g": "#008000", "o": "#808000",
    "n": "#000080", "p": "#800080", "t": "#008080", "s": "#C0C0C0",
    "d": "#808080", "r": "#FF0000", "l": "#00FF00", "y": "#FFFF00",
    "b": "#0000FF", "f": "#FF00FF", "c": "#00FFFF", "w": "#FFFFFF",
}
TRANSPARENT = "."


def signal(u):
    """Skin conductance over the screen width u in [0, 1]: drift plus two responses."""
    def response(at, amp, rise, decay):
        if u < at:
            return 0.0
        t = u - at
        return amp * (1 - math.exp(-t / rise)) * math.exp(-t / decay)
    return 0.15 + 0.2 * u + response(0.25, 0.75, 0.04, 0.25) + response(0.62, 0.45, 0.03, 0.2)


def draw(size):
    px = [[TRANSPARENT] * size for _ in range(size)]
    last = size - 1
    radius = 3 if size == 32 else 2

    def inside_rounded(x, y):
        cx = min(max(x, radius), last - radius)
        cy = min(max(y, radius), last - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius + radius // 2

    # Case: silver body, dark-grey rim, black shadow on the right and bottom edges.
    for y in range(size):
        for x in range(size):
            if inside_rounded(x, y):
                px[y][x] = "s"
    for y in range(size):
        for x in range(size):
            if px[y][x] == TRANSPARENT:
                continue
            edge = any(
                not (0 <= x + dx < size and 0 <= y + dy < size)
                or px[y + dy][x + dx] == TRANSPARENT
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
            )
            if edge:
                px[y][x] = "k" if (x > size // 2 and y > size // 2) or x == last or y == last else "d"

    # Screen: dark blue with a sunken grey/white border.
    if size == 32:
        left, top, right, bottom = 3, 3, 28, 22
    else:
        left, top, right, bottom = 3, 3, 12, 10
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            px[y][x] = "n"
    for x in range(left - 1, right + 2):
        px[top - 1][x] = "d"
        px[bottom + 1][x] = "w"
    for y in range(top - 1, bottom + 2):
        px[y][left - 1] = "d"
        px[y][right + 1] = "w"

    # Grid dots (32 x 32 only) and the red baseline.
    base = bottom - (3 if size == 32 else 1)
    if size == 32:
        for y in range(top + 4, bottom, 5):
            for x in range(left + 4, right, 5):
                px[y][x] = "t"
    for x in range(left, right + 1):
        if size == 16 or x % 3 != 2:
            px[base][x] = "r"

    # White trace, joined column to column.
    span = top + 1, base - 1
    prev = None
    for x in range(left, right + 1):
        u = (x - left) / (right - left)
        y = round(span[1] - signal(u) * (span[1] - span[0]))
        y = min(max(y, span[0]), span[1])
        lo, hi = (y, y) if prev is None else (min(prev, y), max(prev, y))
        for yy in range(lo, hi + 1):
            px[yy][x] = "w"
        prev = y

    # Panel below the screen: a green lamp and, on the large image, two dark-grey keys.
    if size == 32:
        for y in range(25, 28):
            for x in range(5, 8):
                px[y][x] = "l"
        px[25][5] = px[27][7] = "g"
        for kx in (17, 23):
            for y in range(25, 28):
                for x in range(kx, kx + 5):
                    px[y][x] = "d"
            for x in range(kx, kx + 5):
                px[25][x] = "w"
    else:
        px[13][3] = px[13][4] = "l"
        for x in range(9, 13):
            px[13][x] = "d"
    return px


def write(size, path):
    px = draw(size)
    used = sorted({c for row in px for c in row} - {TRANSPARENT})
    lines = [
        "/* XPM */",
        f"static const char* const mainframe{size}[] = {{",
        f'"{size} {size} {len(used) + 1} 1",',
        f'"{TRANSPARENT} c None",',
    ]
    lines += [f'"{c} c {PALETTE[c]}",' for c in used]
    lines += [f'"{"".join(row)}",' for row in px]
    lines[-1] = lines[-1].rstrip(",")
    lines.append("};")
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


def write_svg(path):
    """The 32 x 32 image as shapes on the same pixel grid: the case, the sunken screen, grid
    dots, the dashed baseline, the lamp and the keys cover exactly the pixels the XPM paints;
    the trace is the same signal drawn as a smooth line through the pixel centres."""
    P = PALETTE
    left, top, right, bottom = 3, 3, 28, 22
    base = bottom - 3
    span = top + 1, base - 1
    points = []
    steps = (right - left) * 4
    for i in range(steps + 1):
        u = i / steps
        y = span[1] - signal(u) * (span[1] - span[0])
        y = min(max(y, span[0]), span[1])
        points.append(f"{left + 0.5 + u * (right - left):.3f},{y + 0.5:.3f}")
    dots = "".join(
        f'<rect x="{x}" y="{y}" width="1" height="1"/>'
        for y in range(top + 4, bottom, 5) for x in range(left + 4, right, 5))
    parts = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
        "  <!-- Generated by drawicon.py from the same drawing as mainframe32.xpm. -->",
        "  <!-- Case: dark-grey rim at the top and left, black shadow at the right and bottom. -->",
        f'  <rect width="32" height="32" rx="3" fill="{P["k"]}"/>',
        f'  <rect width="31" height="31" rx="2.5" fill="{P["d"]}"/>',
        f'  <rect x="1" y="1" width="30" height="30" rx="2" fill="{P["s"]}"/>',
        "  <!-- Screen, sunken: dark grey above and to the left, white below and to the right. -->",
        f'  <path d="M{left - 1},{top - 1}H{right + 1}V{top}H{left}V{bottom + 2}H{left - 1}Z" fill="{P["d"]}"/>',
        f'  <path d="M{right + 1},{top - 1}H{right + 2}V{bottom + 2}H{left}V{bottom + 1}H{right + 1}Z" fill="{P["w"]}"/>',
        f'  <rect x="{left}" y="{top}" width="{right - left + 1}" height="{bottom - top + 1}" fill="{P["n"]}"/>',
        f'  <g fill="{P["t"]}">{dots}</g>',
        f'  <path d="M{left},{base + 0.5}H{right + 1}" stroke="{P["r"]}" stroke-dasharray="2 1"/>',
        f'  <polyline points="{" ".join(points)}" fill="none" stroke="{P["w"]}" '
        'stroke-linejoin="round" stroke-linecap="square"/>',
        "  <!-- Panel: a lit green lamp and two keys. -->",
        f'  <rect x="5" y="25" width="3" height="3" fill="{P["l"]}"/>',
        f'  <rect x="5" y="25" width="1" height="1" fill="{P["g"]}"/>',
        f'  <rect x="7" y="27" width="1" height="1" fill="{P["g"]}"/>',
    ]
    for kx in (17, 23):
        parts.append(f'  <rect x="{kx}" y="25" width="5" height="3" fill="{P["d"]}"/>')
        parts.append(f'  <rect x="{kx}" y="25" width="5" height="1" fill="{P["w"]}"/>')
    parts.append("</svg>")
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(parts) + "\n")


if __name__ == "__main__":
    write(32, "mainframe32.xpm")
    write(16, "mainframe16.xpm")
    write_svg("velmora.svg")
