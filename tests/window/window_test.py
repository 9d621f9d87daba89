# The real program in a real window under its own Xvfb: what it draws, and what a person's
# pointer, keys and menu choices do to it and to graph.txt.
# Usage: window_test.py PROGRAM XVFB [unittest arguments]
#
# The window is moved to the screen's top-left corner, so window and screen pixels are the
# same; y counts down from the top row, as GLUT reports it. Every wait polls every 20 ms and
# gives up after five seconds.
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

from Xlib import X, XK, display
from Xlib.ext import xtest

PROGRAM, XVFB = sys.argv[1:3]
BLACK, RED, GREEN, BLUE, YELLOW = 0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00
# Context-menu entries by the row they show in: a sub-menu opens level with the entry that
# opened it, so "Remove Node" is level with "Node", and the four of "Graph" start level with it.
REMOVE_NODE, PAUSE, OPEN, SAVE, QUIT = range(5)
MENU_SPOT = (300, 100)  # where a menu covers no node we look at
BUTTONS = [(160 * i + 80, 55) for i in range(4)]  # Node tool, Edge tool, Clear, Run


def end_with_us():  # run in each child we start: it gets SIGTERM should this process end first
    ctypes.CDLL(None).prctl(1, 15)  # PR_SET_PDEATHSIG


def windows(title):  # the shown top-level windows titled `title`
    x11.grab_server()  # so that none vanishes while we look at them
    found = [window for window in x11.screen().root.query_tree().children
             if window.get_attributes().map_state == X.IsViewable and window.get_wm_name() == title]
    x11.ungrab_server()
    x11.flush()
    return found


# graph.txt's line for a node placed at pixel p of a 640 x 480 window: x / 640 and
# (480 - y - 1) / 480, in single precision.
def node_line(p):
    return '%g %g' % (ctypes.c_float(p[0] / 640).value, ctypes.c_float((479 - p[1]) / 480).value)


def graph(nodes, *edges):  # graph.txt's text for nodes placed at such pixels, and edges 'i j'
    lines = [len(nodes), *map(node_line, nodes), len(edges), *edges]
    return ''.join(f'{line}\n' for line in lines)


# What is wrong at pixel `p` of `pixels` (0xXXRRGGBB, rows `width` long), unless it shows `want`,
# each channel within `tolerance` (or, with `shown` false, unless it shows anything else).
def problem(pixels, width, p, want, what, tolerance=0, shown=True):
    seen = pixels[p[1] * width + p[0]] & 0xFFFFFF
    off = max(abs((seen >> shift & 255) - (want >> shift & 255)) for shift in (0, 8, 16))
    if (off <= tolerance) != shown:
        return f'{what} at {p} is {seen:06x}, want {"" if shown else "not "}{want:06x}'


# A node placed at pixel p is centred on p's lower left corner, 0.01 of the window each way:
# columns x-6 to x+5 and rows y-4 to y+5 in a 640 x 480 window.
def node(p, colour, what):
    return [((p[0] - 6, p[1] - 4), colour, what), ((p[0] + 5, p[1] + 5), colour, what),
            ((p[0] + 6, p[1] + 6), colour, what + ', beyond its corner', 0, False)]


# The toolbar fills exactly the top eighth: four buttons a quarter wide, each shaded from its
# left edge to its right (lit grey 1.0 to 0.7, unlit 0.5 to 0.2) and divided from the one
# before by a black line 3 pixels wide, on the columns left-2 to left. Its bottom row, the
# last with its centre in the top eighth, holds no icon.
def toolbar(lit, width=640, height=480):
    row, button = (height + 3) // 8 - 1, width // 4
    wanted = [((x, row + 1), BLACK, 'scene under the toolbar') for x in range(0, width, 7)]
    for i, left in enumerate(range(0, 4 * button, button)):
        wanted += [((x, row), BLACK, 'divider') for x in range(max(left - 2, 0), left + 1)]
        start, end = (255, 178.5) if lit[i] else (127.5, 51)  # grey levels times 255
        for x in range(left + 1, left + button - 2):
            grey = round(start + (end - start) * (x + 0.5 - left) / button)  # at pixel centres
            wanted.append(((x, row), grey * 0x010101, f'button {i}', 2))
    return wanted


class Window(unittest.TestCase):
    # Starts the real program from a private tree laid out as it ships: <tmp>/bin/graph-editor
    # (a copy) and <tmp>/Resources/, in the unrelated <tmp>/work. It ends with the test.
    def start(self):
        root = Path(self.enterContext(tempfile.TemporaryDirectory()))
        for sub in ('bin', 'Resources', 'work'):
            (root / sub).mkdir()
        self.graph, program = root / 'Resources/graph.txt', str(root / 'bin/graph-editor')
        shutil.copy(PROGRAM, program)
        self.program = subprocess.Popen([program], cwd=root / 'work', preexec_fn=end_with_us)
        self.addCleanup(self.program.kill)
        # Its title is the program path as invoked. With no window manager it opens at -1, -1.
        self.poll(lambda: len(windows(program)), 1, 'windows titled ' + program)
        self.window = windows(program)[0]
        self.window.configure(x=0, y=0)
        self.window.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)  # for the keys
        # Until its first frame, when the window stops being one flat colour, the program may
        # not know the window's size.
        self.see(((2, 479), BLACK, 'scene'), ((2, 2), BLACK, 'toolbar', 0, False))

    def poll(self, get, want, what=None):  # until `get()` returns `want`, for five seconds
        deadline = time.monotonic() + 5
        while (got := get()) != want and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertEqual(got, want, what)

    # Reads the window until every (pixel, colour, what[, tolerance[, shown]]) of `wanted`
    # holds in one read.
    def see(self, *wanted):
        def problems():
            size = self.window.get_geometry()
            image = self.window.get_image(0, 0, size.width, size.height, X.ZPixmap, 0xFFFFFFFF)
            pixels = memoryview(image.data).cast('I')
            return [found for w in wanted if (found := problem(pixels, size.width, *w))]
        self.poll(problems, [])

    def fake(self, event, detail=0, p=(0, 0)):
        xtest.fake_input(x11, event, detail, x=p[0], y=p[1])
        x11.sync()

    # Presses `button` (1 left, 2 middle, 3 right) at `start`, moves to `end` in one motion
    # event and releases it there. A move to where the pointer already is reports nothing.
    def drag(self, start, end, button=1, release=True):
        self.fake(X.MotionNotify, p=start)
        self.fake(X.ButtonPress, button)
        self.fake(X.MotionNotify, p=end)
        if release:
            self.fake(X.ButtonRelease, button)

    def click(self, p, button=1):
        self.drag(p, p, button)

    # Opens the context menu at `at` and picks `entry`. freeglut selects nothing on a
    # press-drag-release into a sub-menu, so: click, wait for the menu, hover the sub-menu's
    # entry, wait for the sub-menu, click. Entries are 25 px high inside a 2 px border, and a
    # sub-menu opens 68 px to the right of its parent.
    def choose(self, at, entry):
        menus = lambda: len(windows('freeglut menu'))
        self.click(at, 3)
        self.poll(menus, 1, 'menus opened by the right button')
        self.fake(X.MotionNotify, p=(at[0] + 34, at[1] + 14 + 25 * min(entry, 1)))
        self.poll(menus, 2, 'menus with the sub-menu open')
        self.click((at[0] + 108, at[1] + 14 + 25 * entry))
        self.poll(menus, 0, 'menus after the choice')

    def saved_graph(self):  # what "Save graph.txt" writes, renaming a whole file into place
        self.graph.unlink(missing_ok=True)
        self.choose(MENU_SPOT, SAVE)
        self.poll(self.graph.exists, True, 'graph.txt saved in Resources')
        return self.graph.read_bytes().decode()

    # The toolbar, its icons, by pixels inside and just beyond each, and a black scene; the
    # toolbar again at another size.
    def test_first_frame(self):
        self.start()
        scene = [((i * 37 % 640, 60 + i * 23 % 420), BLACK, 'scene') for i in range(400)]
        self.see(*toolbar((1, 0, 0, 0)), *scene, ((22, 30), YELLOW, 'left of the node icon', 0, 0),
                 ((28, 48), YELLOW, "node icon's lower left"), ((131, 12), YELLOW, 'its upper right'),
                 ((198, 14), GREEN, "edge icon's upper end"), ((376, 21), RED, "clear icon's arm"),
                 ((424, 21), RED, "clear icon's other arm"), ((595, 30), BLUE, "run icon's tip"))
        # A height that is no multiple of 8. The server resizes it before it answers us again.
        self.window.configure(width=804, height=403)
        self.see(*toolbar((1, 0, 0, 0), 804, 403))

    def test_editing_journey(self):
        self.start()
        # Far from the unit square's diagonal and in no mirrored pairs, so that x and y mixed
        # up would pick other nodes.
        a, b, c, c_dragged, band_end = (120, 330), (200, 120), (520, 400), (570, 350), (196, 123)
        for p in (a, b, c):
            self.click(p)
        # With no button held, the node nearest the pointer turns blue, the others stay yellow.
        self.fake(X.MotionNotify, p=(b[0] + 10, b[1] + 15))
        self.see(*node(b, BLUE, 'nearest node'), *node(c, YELLOW, 'node placed last'))
        # Edge tool: a green rubber band while the left button is held, a red edge after release.
        self.click(BUTTONS[1])
        self.drag((a[0] + 3, a[1] - 2), band_end, release=False)
        self.see(*toolbar((0, 1, 0, 0)), ((158, 226), GREEN, 'rubber band, halfway'))
        self.fake(X.ButtonRelease, 1)
        self.see(((160, 225), RED, 'edge, halfway'))
        # The middle button drags the node nearest the pointer.
        self.drag((c[0] + 2, c[1] - 1), c_dragged, 2)
        self.assertEqual(self.saved_graph(), graph([a, b, c_dragged], '0 1'))

        self.click(BUTTONS[2])  # Clear
        self.see((b, BLACK, 'cleared node'))
        self.choose(MENU_SPOT, OPEN)
        # "Remove Node" takes the node nearest where the menu was opened, with its edge.
        self.choose((b[0] + 6, b[1] + 9), REMOVE_NODE)
        self.assertEqual(self.saved_graph(), graph([a, c_dragged]))

        # An edge naming no node is not drawn (a sanitizer build sees any read of node 4, just
        # past the room the nodes are kept in); the others are, and the program carries on.
        self.graph.write_text(graph([a, b, c], '0 4', '0 1'))
        self.choose(MENU_SPOT, OPEN)
        self.see(((160, 225), RED, 'other edge, halfway'))
        self.choose(MENU_SPOT, PAUSE)
        self.see(*toolbar((0, 1, 0, 1)))

    # The layout moves nodes only while Run is lit, and keeps them inside the window.
    def test_layout(self):
        self.start()
        # Two far nodes joined by an edge, and a third that nothing acts on.
        left, right, alone, beyond_border = (100, 260), (540, 240), (600, 420), (700, 420)
        self.graph.write_text(graph([left, right, alone], '0 1'))
        self.choose(MENU_SPOT, OPEN)
        time.sleep(0.3)  # six ticks with Run unlit
        self.assertEqual(self.saved_graph(), graph([left, right, alone], '0 1'))
        self.drag(alone, beyond_border, 2)
        self.assertEqual(self.saved_graph(), graph([left, right, beyond_border], '0 1'))

        self.click(BUTTONS[3])  # Run
        self.see(((left[0] - 6, left[1]), BLACK, "left node's outer edge, pulled right"),
                 ((right[0] + 5, right[1]), BLACK, "right node's outer edge, pulled left"))
        self.poll(lambda: self.saved_graph().splitlines()[3], node_line((640, 420)))  # x = 1

    # Esc, q, Q and the menu's Quit each end the program with status 0.
    def test_quitting(self):
        for keys in (['Escape'], ['q'], ['Shift_L', 'Q'], []):
            with self.subTest(keys or 'Quit'):
                self.start()
                for event in (X.KeyPress, X.KeyRelease):
                    for key in keys:
                        self.fake(event, x11.keysym_to_keycode(XK.string_to_keysym(key)))
                if not keys:
                    self.choose(MENU_SPOT, QUIT)
                self.assertEqual(self.program.wait(5), 0)


if __name__ == '__main__':
    # Xvfb picks a free display and writes its number to its standard output. It and the
    # program end with this process.
    xvfb = subprocess.Popen([XVFB, '-displayfd', '1', '-screen', '0', '1024x768x24', '-nolisten',
                             'tcp'], stdout=subprocess.PIPE, preexec_fn=end_with_us)
    os.environ['DISPLAY'] = ':' + xvfb.stdout.readline().decode().strip()  # for the program too
    os.environ['ASAN_OPTIONS'] = 'detect_leaks=0'  # the GL driver leaks: not ours to find
    x11 = display.Display()
    unittest.main(argv=sys.argv[:1] + sys.argv[3:])
