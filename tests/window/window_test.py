# The real program in a real window under its own Xvfb, with a window manager as a user's
# desktop has one: what it draws, and what a person's pointer, keys and menu choices do to it
# and to graph.txt.
# Usage: window_test.py PROGRAM XVFB OPENBOX [unittest arguments]
# With GRAPH_EDITOR_WINE set (the command that runs a Windows program), PROGRAM is the
# Windows program, run under wine.
#
# Pixels are the window's own, y counting down from its top row, as GLUT reports them. Every
# wait polls every 20 ms and gives up after PATIENCE seconds.
#
# What the README says of the window, and what holds it:
#   the unit square stretched over the window at any size, the toolbar of four buttons in
#     its top eighth with their icons, an empty black scene at start, double-buffered:
#     test_first_frame
#   the controls table (nodes placed, the Edge tool's rubber band and edge, the middle drag,
#     the tools, Clear, Run lit while the layout runs, every entry of the context menu), the
#     nearest node drawn blue, an edge naming no node kept but not drawn, graph.txt found in
#     Resources beside the program's own folder, even one named in letters Windows' ANSI
#     code page lacks: test_editing_journey
#   Esc, q and Q quit, with no click first: test_quitting
#   on Windows all of it, under wine (the windows preset)
import math
import os
import shlex
import shutil
import sys
import tempfile
import time
import unittest
from ctypes import CDLL, byref, c_float, c_int, c_ulong, c_void_p
from pathlib import Path
from subprocess import DEVNULL, PIPE, Popen, TimeoutExpired, run

from Xlib import X, XK, Xatom, display, error

PROGRAM, XVFB, OPENBOX = sys.argv[1:4]
PATIENCE = float(os.environ.get('GRAPH_EDITOR_TEST_PATIENCE', 5))  # seconds; more under an emulator
WINE = shlex.split(os.environ.get('GRAPH_EDITOR_WINE', ''))
BLACK, RED, GREEN, BLUE, YELLOW = 0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00
# Context-menu entries: the top menu's row that opens the sub-menu, and the row in it.
REMOVE_NODE, PAUSE, OPEN, SAVE, QUIT = (0, 0), (1, 0), (1, 1), (1, 2), (1, 3)
MENU = b'freeglut menu'  # the title of every menu window


# The shown windows titled `title`, framed by the window manager or not. Titles are compared
# as the bytes they are stored as: freeglut stores the program path's own.
def windows(title, parent=None):
    found = []
    for w in children(parent or x11.screen().root):
        try:
            if w.get_attributes().map_state == X.IsViewable:
                name = w.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
                found += [w] if name and name.value == title else windows(title, w)
        except error.BadWindow:  # it vanished while we looked at it: it is not shown
            pass
    return found


def children(window):
    try:
        return window.query_tree().children
    except error.BadWindow:
        return []


def origin(window):  # where the window's top-left pixel is on the screen
    corner = window.translate_coords(x11.screen().root, 0, 0)
    return -corner.x, -corner.y


def drawn_into(window):  # the window GL draws into: under wine a child of the one titled
    inside = children(window)
    return drawn_into(inside[0]) if inside else window


# Whether GLX draws `window` double-buffered, so that a frame is shown only once it is whole.
def double_buffered(window):
    xlib, gl, value = CDLL('libX11.so.6'), CDLL('libGL.so.1'), c_int()
    xlib.XOpenDisplay.restype = xlib.XGetVisualInfo.restype = c_void_p
    connection = c_void_p(xlib.XOpenDisplay(None))
    wanted = (c_ulong * 8)(0, window.get_attributes().visual)  # an XVisualInfo naming the visual's id
    visual = c_void_p(xlib.XGetVisualInfo(connection, 1, wanted, byref(c_int())))  # 1: VisualIDMask
    gl.glXGetConfig(connection, visual, 5, byref(value))  # 5: GLX_DOUBLEBUFFER
    return value.value == 1


# graph.txt's text for nodes placed at pixels of a 640 x 480 window, and edges 'i j'. A pixel
# x, y is at x / 640 and (480 - y - 1) / 480, in single precision.
def graph(nodes, *edges):
    xy = ['%g %g' % (c_float(x / 640).value, c_float((479 - y) / 480).value) for x, y in nodes]
    return ''.join(f'{line}\n' for line in [len(nodes), *xy, len(edges), *edges])


# What is wrong in `window` at each of `wanted`, a list of (pixel, colour, what[, shown]): a
# pixel must show the colour (or, with shown false, any other).
def problems(window, wanted):
    size = window.get_geometry()
    try:
        image = window.get_image(0, 0, size.width, size.height, X.ZPixmap, 0xFFFFFFFF).data
    except error.BadMatch:  # resized beyond its frame, which the window manager resizes next
        return ['the window not shown whole']
    return [found for w in wanted if (found := problem(image, size.width, *w))]


def problem(image, width, p, want, what, shown=True):
    seen = memoryview(image).cast('I')[p[1] * width + p[0]] & 0xFFFFFF  # from BGRX
    if (seen == want) != shown:
        return f'{what} at {p} is {seen:06x}, want {"" if shown else "not "}{want:06x}'


# A node placed at pixel p is centred on p's lower left corner, 0.01 of the window each way:
# columns x-6 to x+5 and rows y-4 to y+5 in a 640 x 480 window.
def node(p, colour, what):
    return [((p[0] - 6, p[1] - 4), colour, what), ((p[0] + 5, p[1] + 5), colour, what),
            ((p[0] + 6, p[1] + 6), colour, what + ', beyond its corner', False)]


# The toolbar fills exactly the top eighth: four buttons a quarter wide, each shaded from its
# left edge to its right (lit grey 1.0 to 0.7, unlit 0.5 to 0.2) and divided from the one
# before by a black line 3 pixels wide, on the columns left-2 to left. Its top row, and its
# bottom row, the last with its centre in the top eighth, hold no icon. Each pixel is the
# shading at its centre, rounded to the nearest level (see LP_PERF below).
def toolbar(lit, width=640, height=480):
    bottom, button = (height + 3) // 8 - 1, width // 4
    wanted = [((x, bottom + 1), BLACK, 'scene under the toolbar') for x in range(0, width, 7)]
    for i, left in enumerate(range(0, 4 * button, button)):
        start, end = (255, 178.5) if lit[i] else (127.5, 51)  # grey levels times 255
        for row in (0, bottom):
            wanted += [((x, row), BLACK, 'divider') for x in range(max(left - 2, 0), left + 1)]
            wanted += [((x, row), math.floor(start + (end - start) * (x + 0.5 - left) / button + 0.5) * 0x010101,
                        f'button {i}') for x in range(left + 1, left + button - 2)]
    return wanted


class Window(unittest.TestCase):
    # A wine server left by the test before, with its desktop on that test's display, now
    # gone, is ended first: programs of this test, on this display, would share its state.
    def setUp(self):
        if WINE:
            wineserver = Path(WINE[-1]).with_name('wineserver')
            run([wineserver, '-k'], stderr=DEVNULL)
            run([wineserver, '-w'])

    # Starts the real program from a private tree laid out as it ships: <tmp>/bin/graph-editor
    # (a copy) and <tmp>/Resources/, in <tmp>/work/here, beside a Resources of its own that is
    # the wrong one, the tree's name starting with `name`, with `options` for GLUT and its
    # standard error to `log`. It ends with the test.
    def start(self, name='graph-editor-', options=(), log=None):
        root = Path(self.enterContext(tempfile.TemporaryDirectory(prefix=name)))
        for sub in ('bin', 'Resources', 'work/here', 'work/Resources'): (root / sub).mkdir(parents=True)
        self.graph, program = root / 'Resources/graph.txt', root / 'bin' / Path(PROGRAM).name
        shutil.copy(PROGRAM, program)
        self.program = self.enterContext(Popen([*WINE, program, *options], cwd=root / 'work/here', stderr=log))  # reaped
        self.addCleanup(self.program.kill)
        # Its title is the program path as invoked; wine gives it in DOS form, in the ANSI code
        # page, which has no letters for some names.
        title = ('Z:' + str(program).replace('/', '\\')).encode('cp1252', 'replace') if WINE else bytes(program)
        self.poll(lambda: len(windows(title)), 1, lambda: f'windows titled {title}, the program exiting with {self.program.poll()}')
        self.window = windows(title)[0]
        # Until its first frame, when the window stops being one flat colour, the program may
        # not know the window's size.
        self.see(((2, 479), BLACK, 'scene'), ((2, 2), BLACK, 'toolbar', False))
        # The window manager gives a new window the keyboard, with no click; a key typed before
        # that, a few milliseconds after the window shows, would go elsewhere.
        self.poll(lambda: x11.get_input_focus().focus == self.window, True, 'the keyboard given to the window')

    # Until `get()` returns `want`, for PATIENCE seconds; `what` may be a function saying it then.
    def poll(self, get, want, what=None):
        deadline = time.monotonic() + PATIENCE
        while (got := get()) != want and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertEqual(got, want, what() if callable(what) else what)

    def see(self, *wanted):  # reads the window until it shows all of `wanted` at once
        self.poll(lambda: problems(self.window, wanted), [])

    # A key or a button, or a move to pixel p of the program's window, or of window `on`.
    def fake(self, event, detail=0, p=None, on=None):
        try:
            x, y = map(sum, zip(origin(on or self.window), p)) if p else (0, 0)
        except error.BadWindow:  # the program has ended: there is nowhere to move to
            return
        x11.xtest_fake_input(event, detail, x=x, y=y)
        x11.sync()

    # Presses `button` (1 left, 2 middle, 3 right) at `at`, moves to `to` in one motion event,
    # calls `while_held` and releases it. A move to where the pointer already is reports nothing.
    def press(self, at, to=None, button=1, while_held=lambda: None):
        self.fake(X.MotionNotify, p=at)
        self.fake(X.ButtonPress, button)
        self.fake(X.MotionNotify, p=to or at)
        while_held()
        self.fake(X.ButtonRelease, button)

    # Opens the context menu at `at` and picks `entry`. freeglut selects nothing on a
    # press-drag-release into a sub-menu, so: click, wait for the menu, hover the entry that
    # opens the sub-menu, wait for it, click its entry. Each menu is found where it shows, its
    # rows of equal height inside a 2 px border (the top menu has two; freeglut's font, and
    # with it the height, differs by system). By default it opens where it covers no node we
    # look at. Under wine on a busy machine a menu now and then follows no pointer at all: a
    # person then clicks the right button again beside it, which closes it and opens another.
    def choose(self, entry, at=(300, 100)):
        for attempt in range(3):
            self.press((at[0] - attempt, at[1] - attempt), button=3)
            self.poll(lambda: len(windows(MENU)), 1, 'menus opened by the right button')
            top = windows(MENU)[0]
            row = (top.get_geometry().height - 4) // 2
            if self.hover(top, 2 + row // 2 + row * entry[0], lambda: len(windows(MENU)) == 2, PATIENCE / 3):
                break
        else:
            self.fail('no sub-menu opened')
        sub = next(menu for menu in windows(MENU) if menu != top)
        self.hover(sub, 2 + row // 2 + row * entry[1], lambda: False, 0.1)
        self.fake(X.ButtonPress, 1)
        self.fake(X.ButtonRelease, 1)
        self.poll(lambda: len(windows(MENU)), 0, 'menus after the choice')

    # Moves to and fro a pixel at height y of `menu`, as a hand does, until `done()` or for
    # `seconds`: under wine a menu shown but not yet following the pointer misses a single move.
    def hover(self, menu, y, done, seconds):
        deadline = time.monotonic() + seconds
        while not done() and time.monotonic() < deadline:
            self.fake(X.MotionNotify, p=(20 + int(time.monotonic() * 50) % 2, y), on=menu)
            time.sleep(0.02)
        return done()

    def saved_graph(self):  # what "Save graph.txt" writes, renaming a whole file into place
        self.graph.unlink(missing_ok=True)
        self.choose(SAVE)
        self.poll(self.graph.exists, True, 'graph.txt saved in Resources')
        return self.graph.read_bytes().decode()

    # The toolbar, its icons, by pixels inside and just beyond each, and a black scene; the
    # toolbar again at another size.
    def test_first_frame(self):
        # With GLUT's -gldebug, freeglut reports every OpenGL error after each frame.
        log = self.enterContext(tempfile.TemporaryFile())
        self.start(options=['-gldebug'], log=log)
        self.assertTrue(double_buffered(drawn_into(self.window)))
        scene = [((i * 37 % 640, 60 + i * 23 % 420), BLACK, 'scene') for i in range(400)]
        self.see(*toolbar((1, 0, 0, 0)), *scene, ((28, 48), YELLOW, "node icon's lower left"),
                 ((131, 12), YELLOW, 'upper right'), ((198, 14), GREEN, "edge icon's upper end"),
                 ((285, 47), GREEN, 'lower end'), ((376, 21), RED, "clear icon's arm"),
                 ((424, 21), RED, "clear icon's other arm"), ((595, 30), BLUE, "run icon's tip"),
                 ((515, 30), BLUE, 'left edge'), *[(p, colour, 'beyond an icon', False) for p, colour in [
                     ((22, 30), YELLOW), ((28, 52), YELLOW), ((136, 30), YELLOW), ((80, 7), YELLOW),
                     ((520, 8), BLUE), ((612, 30), BLUE)]])
        # A height that is no multiple of 8. The server resizes it before it answers us again.
        self.window.configure(width=804, height=403)
        self.see(*toolbar((1, 0, 0, 0), 804, 403))
        log.seek(0)
        self.assertNotIn(b'GL error', log.read())

    def test_editing_journey(self):
        # In a folder whose name Windows' ANSI code page cannot spell: it must find its Resources.
        self.start('graph-editor-графы-')
        # Far from the unit square's diagonal and in no mirrored pairs, so that x and y mixed
        # up would pick other nodes.
        a, b, c, c_dragged, band_end = (120, 330), (200, 120), (520, 400), (570, 350), (196, 123)
        # A drag with the Edge tool on a graph with no node draws no rubber band, from nowhere.
        self.press((240, 55))
        self.press((300, 300), (330, 320), while_held=lambda: time.sleep(0.2))
        self.press((80, 55))  # the Node tool again
        for p in (a, b, c):
            self.press(p)
        # With no button held, the node nearest the pointer is blue, the others yellow. Each
        # picture differs from the one before it, so a frame drawn before the move cannot pass.
        self.see(*node(c, BLUE, 'node under the pointer'), *node(a, YELLOW, 'first node'), *node(b, YELLOW, 'b'),
                 ((320, 365), BLACK, 'no rubber band from the first node without a drag'))
        self.fake(X.MotionNotify, p=(b[0] + 10, b[1] + 15))
        self.see(*node(b, BLUE, 'nearest node'), *node(a, YELLOW, 'first node'), *node(c, YELLOW, 'node placed last'))
        # Edge tool: a green rubber band while the left button is held, a red edge after release.
        self.press((240, 55))  # Edge tool
        band = [*toolbar((0, 1, 0, 0)), ((158, 226), GREEN, 'rubber band, halfway')]
        self.press((a[0] + 3, a[1] - 2), band_end, while_held=lambda: self.see(*band))
        self.see(((160, 225), RED, 'edge, halfway'))
        # The middle button drags the node nearest the pointer.
        self.press((c[0] + 2, c[1] - 1), c_dragged, 2)
        self.assertEqual(self.saved_graph(), graph([a, b, c_dragged], '0 1'))

        self.press((400, 55))  # Clear
        self.see((b, BLACK, 'cleared node'), ((160, 225), BLACK, 'cleared edge'))
        # Nor on a graph just cleared, from the node where the press was nearest before.
        self.press((300, 200), (250, 300), while_held=lambda: time.sleep(0.2) or self.see(((185, 315), BLACK, 'band')))
        self.choose(OPEN)
        self.see((b, BLACK, 'opened node', False), ((160, 225), RED, 'opened edge'))
        # "Remove Node" takes the node nearest where the menu was opened, with its edge.
        self.choose(REMOVE_NODE, (b[0] + 6, b[1] + 9))
        self.see((b, BLACK, 'removed node'), ((160, 225), BLACK, "removed node's edge"))
        self.assertEqual(self.saved_graph(), graph([a, c_dragged]))

        # An edge naming no node is not drawn (a sanitizer build sees any read of node 4, just
        # past the room the nodes are kept in); the others are, and the program carries on.
        self.graph.write_text(graph([a, b, c], '0 4', '0 1'))
        self.choose(OPEN)
        self.see(((160, 225), RED, 'other edge, halfway'), *node(a, YELLOW, 'first node'))
        # Run lit, the long edge pulls its two nodes together: the first one leaves its place,
        # moving right and up.
        self.choose(PAUSE)
        self.see(*toolbar((0, 1, 0, 1)), ((a[0] - 6, a[1]), BLACK, 'moved node'), ((a[0], a[1] + 5), BLACK, 'moved node'))

    # Esc, q, Q and the menu's Quit each end the program with status 0, the keys typed with no
    # click first. Wine, busy, now and then loses a key typed the moment the window has the
    # keyboard, and a person types it again; keys that went nowhere until a click never quit.
    def test_quitting(self):
        for keys in (['Escape'], ['q'], ['Shift_L', 'Q'], []):
            self.start()
            for _ in range(3 if keys else 0):
                for event in (X.KeyPress, X.KeyRelease):
                    for key in keys:
                        self.fake(event, x11.keysym_to_keycode(XK.string_to_keysym(key)))
                try:
                    self.program.wait(PATIENCE / 5)
                    break
                except TimeoutExpired:
                    pass
            if not keys:
                self.choose(QUIT)
            self.poll(self.program.poll, 0, keys or 'Quit')


# Xvfb picks a free display and writes its number to its standard output. It gets SIGTERM
# when this process ends, however that happens (PR_SET_PDEATHSIG), and every program
# started on it, the window manager too, ends with it. The package tests serve theirs so too.
def serve_display():
    global x11, xvfb
    xvfb = Popen([XVFB, '-displayfd', '1'], stdout=PIPE, preexec_fn=lambda: CDLL(None).prctl(1, 15))
    os.environ['DISPLAY'] = ':' + xvfb.stdout.readline().decode().strip()  # for the program too
    os.environ['ASAN_OPTIONS'] = 'detect_leaks=0'  # the GL driver leaks: not ours to find
    os.environ['WINEDEBUG'] = '-all'
    # Mesa's llvmpipe shades a quad exactly, each pixel rounded from its centre's value,
    # except on its linear fast path, which from the second frame on comes up to one level
    # off at some pixels: off, every frame is the exact one.
    os.environ['LP_PERF'] = 'no_rast_linear'
    x11 = display.Display()
    Popen([OPENBOX, '--config-file', Path(__file__).with_name('openbox.xml')], stdout=DEVNULL, stderr=DEVNULL)
    managed = x11.intern_atom('_NET_SUPPORTING_WM_CHECK')
    deadline = time.monotonic() + PATIENCE
    while not x11.screen().root.get_full_property(managed, X.AnyPropertyType) and time.monotonic() < deadline:
        time.sleep(0.02)


if __name__ == '__main__':
    serve_display()
    # Xvfb, its pipe and the connection to it are left for the end of this process to close,
    # which Python would warn of.
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], warnings='ignore')
