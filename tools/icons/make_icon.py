#!/usr/bin/env python3
"""Draws the 32 x 32, 16-colour program icon as XPM (the source of the PNG and ICO)."""
import sys

W = H = 32
palette = {
    ' ': 'None', 'k': '#000000', 'g': '#808080', 's': '#C0C0C0', 'w': '#FFFFFF',
    'b': '#000080', 'B': '#0000FF', 'G': '#00FF00', 'd': '#008000', 'r': '#FF0000',
}
img = [[' '] * W for _ in range(H)]

def rect(x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = c

# Device box with a row of lamps, a cable to the PC.
rect(2, 3, 29, 17, 'k'); rect(3, 4, 28, 16, 's'); rect(3, 4, 28, 4, 'w'); rect(3, 4, 3, 16, 'w')
rect(5, 7, 26, 11, 'g'); rect(6, 8, 25, 10, 'b')
for i, c in enumerate('GGGr'):
    x = 6 + i * 6
    rect(x, 13, x + 3, 14, 'k'); rect(x, 13, x + 2, 13, c)
rect(15, 18, 16, 23, 'k')
rect(6, 24, 25, 28, 'k'); rect(7, 25, 24, 27, 'd'); rect(9, 26, 22, 26, 'G')

out = sys.stdout
out.write('/* XPM */\nstatic const char* linkwart_xpm[] = {\n')
out.write(f'"{W} {H} {len(palette)} 1",\n')
for k, v in palette.items():
    out.write(f'"{k} c {v}",\n')
out.write(',\n'.join('"' + ''.join(r) + '"' for r in img))
out.write('};\n')
