#!/usr/bin/python3
# Makes docs/screenshot.png, the picture of the editor in the README, with the real program:
# it starts the editor on a display of its own (Xvfb with openbox, as the window tests do),
# opens a small graph, runs the layout until it has settled, points at a node, which the
# editor draws blue, and writes the window's pixels as a PNG.
# Usage: scripts/screenshot.py [PROGRAM [PNG]]   (default build-release/bin/graph-editor, as
# ./run.sh builds it, and docs/screenshot.png). Needs Debian's python3-xlib, xvfb and openbox.
import shutil
import sys
import tempfile
import time
import zlib
from pathlib import Path
from struct import pack

project = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(project / 'tests'))
from desktop import BLUE, OPEN, Editor, serve_display  # noqa: E402

# Two rings of five joined by a path of two, and a spur: placed about the middle of the window,
# in pixels, for the layout to pull apart.
NODES = [(260, 200), (300, 180), (340, 200), (330, 240), (270, 240), (300, 300), (320, 330),
         (290, 360), (340, 380), (380, 360), (370, 320), (240, 330)]
EDGES = ['0 1', '1 2', '2 3', '3 4', '4 0', '3 5', '5 6', '6 7', '7 8', '8 9', '9 10', '10 6', '7 11']
SETTLING = 10  # seconds of layout, 200 ticks: long after every node has come to rest


def write_png(path, width, height, bgrx):
    rgb = bytearray(width * height * 3)
    for channel in range(3):
        rgb[channel::3] = bgrx[2 - channel::4]
    rows = b''.join(b'\0' + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))
    chunk = lambda kind, data: pack('>I', len(data)) + kind + data + pack('>I', zlib.crc32(kind + data))
    path.write_bytes(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
                     chunk(b'IDAT', zlib.compress(bytes(rows), 9)) + chunk(b'IEND', b''))


def main(program=project / 'build-release/bin/graph-editor', png=project / 'docs/screenshot.png'):
    serve_display()
    with tempfile.TemporaryDirectory(prefix='graph-editor-screenshot-') as root:
        root = Path(root)
        for folder in ('bin', 'Resources'):
            (root / folder).mkdir()
        program, saved = Path(shutil.copy(program, root / 'bin')), root / 'Resources/graph.txt'
        xy = ['%g %g' % (x / 640, (479 - y) / 480) for x, y in NODES]
        saved.write_text('\n'.join(map(str, [len(NODES), *xy, len(EDGES), *EDGES])) + '\n')
        with Editor([program], bytes(program), root) as editor:
            editor.choose(OPEN)
            editor.press((560, 30))  # the Run button
            time.sleep(SETTLING)
            # The settled positions, as the editor saves them, give the node to point at.
            x, y = map(float, editor.save(saved).split('\n')[1].split())
            at = (int(x * 640), int(480 - y * 480))  # the first node's pixel
            editor.move((at[0] + 12, at[1] - 10))
            editor.see((at, BLUE, 'the node pointed at'))
            Path(png).parent.mkdir(exist_ok=True)
            write_png(Path(png), *editor.pixels())
    print(f'{png} written')


if __name__ == '__main__':
    main(*sys.argv[1:])
