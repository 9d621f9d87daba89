# The editor on a desktop of its own, used as a person uses it: Xvfb with a window manager
# (openbox, as a user's desktop has one), the pointer, keys and context menu through XTest, and
# the window's pixels read back. The window tests, the package tests and the screenshot script
# (scripts/screenshot.py) all drive the editor through this module.
#
# Pixels are the window's own, y counting down from its top row, as GLUT reports them. Every
# wait polls every 20 ms and gives up after PATIENCE seconds.
#
# What wine, openbox and Mesa's llvmpipe need is written here once, each named for what it works
# around: LLVMPIPE_EXACT, openbox.xml (beside this file), end_wine_server(), title_of(), wine's GL
# child window (Editor.double_buffered), and the menus that wine now and then opens following
# no pointer (Editor.choose).
import os
import shlex
import time
from contextlib import AbstractContextManager, suppress
from ctypes import CDLL, byref, c_float, c_int, c_ulong, c_void_p
from pathlib import Path
from subprocess import DEVNULL, PIPE, Popen, run

from Xlib import X, XK, Xatom, display, error

PATIENCE = float(os.environ.get('GRAPH_EDITOR_TEST_PATIENCE', 5))  # seconds; more under an emulator
WINE = shlex.split(os.environ.get('GRAPH_EDITOR_WINE', ''))  # the command that runs a Windows program
WINESERVER = Path(WINE[-1]).with_name('wineserver') if WINE else None  # the server of its programs
BLACK, RED, GREEN, BLUE, YELLOW = 0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00
# Context-menu entries: the top menu's row that opens the sub-menu, and the row in it.
REMOVE_NODE, PAUSE, OPEN, SAVE, QUIT = (0, 0), (1, 0), (1, 1), (1, 2), (1, 3)
MENU = b'freeglut menu'  # the title of every menu window
# Mesa's llvmpipe shades a quad exactly, each pixel rounded from its centre's value, but for its
# linear fast path, which from the second frame on comes up to one level off at some pixels:
# without it, every frame is the exact one.
LLVMPIPE_EXACT = {'LP_PERF': 'no_rast_linear'}
x11 = None  # the connection to the display, once serve_display() has made it


def wait_for(get, want, what):  # until get() returns want; `what` (or what()) says what failed
    deadline = time.monotonic() + PATIENCE
    while (got := get()) != want and time.monotonic() < deadline:
        time.sleep(0.02)
    assert got == want, f'{what() if callable(what) else what}: {got!r}, want {want!r}'


# Xvfb picks a free display and writes its number to its standard output. It gets SIGTERM when
# this process ends, however that happens (PR_SET_PDEATHSIG), and every program started on it,
# the window manager too, ends with it. openbox.xml: openbox without its mouse bindings, which
# hold a click on a window until openbox has raised it, and now and then lose a press that XTest
# sent faster than a hand. The GL driver leaks: not ours to find.
def serve_display():
    global x11
    xvfb = Popen([os.environ.get('GRAPH_EDITOR_XVFB', 'Xvfb'), '-displayfd', '1'], stdout=PIPE,
                 preexec_fn=lambda: CDLL(None).prctl(1, 15))
    os.environ.update(DISPLAY=':' + xvfb.stdout.readline().decode().strip(), WINEDEBUG='-all',
                      ASAN_OPTIONS='detect_leaks=0', **LLVMPIPE_EXACT)
    x11 = display.Display()
    Popen([os.environ.get('GRAPH_EDITOR_OPENBOX', 'openbox'), '--config-file', Path(__file__).with_name('openbox.xml')],
          stdout=DEVNULL, stderr=DEVNULL)
    managed = x11.intern_atom('_NET_SUPPORTING_WM_CHECK')
    wait_for(lambda: bool(x11.screen().root.get_full_property(managed, X.AnyPropertyType)), True, 'a window manager')


# All wine programs of a prefix share one wine server, and with it one foreground window and one
# desktop on the display it started on. One left by an earlier run, on a display now gone, is
# ended first, so that this run's programs get a server of their own.
def end_wine_server():
    for option in ('-k', '-w') if WINE else ():
        run([WINESERVER, option], stderr=DEVNULL)


# The title freeglut gives a program started by `path`: the path as invoked, as the bytes it is
# stored as. Wine gives it in DOS form, in the ANSI code page, which has no letters for some names.
def title_of(path):
    return ('Z:' + str(path).replace('/', '\\')).encode('cp1252', 'replace') if WINE else bytes(Path(path))


def windows(title, parent=None):  # the shown windows titled `title`, framed by the window manager or not
    found = []
    with suppress(error.BadWindow):  # one vanished while we looked at it: it is not shown
        for w in (parent or x11.screen().root).query_tree().children:
            if w.get_attributes().map_state == X.IsViewable:
                name = w.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
                found += [w] if name and name.value == title else windows(title, w)
    return found


# graph.txt's text for nodes placed at pixels of a 640 x 480 window, and edges 'i j'. A pixel
# x, y is at x / 640 and (480 - y - 1) / 480, in single precision.
def graph(nodes, *edges):
    xy = ['%g %g' % (c_float(x / 640).value, c_float((479 - y) / 480).value) for x, y in nodes]
    return ''.join(f'{line}\n' for line in [len(nodes), *xy, len(edges), *edges])


# A node placed at pixel p is centred on p's lower left corner, 0.01 of the window each way:
# columns x-6 to x+5 and rows y-4 to y+5 in a 640 x 480 window. A check is (pixel, colour,
# what[, False]): the pixel shows the colour, or with False any other.
def node(p, colour, what):
    return [((p[0] - 6, p[1] - 4), colour, what), ((p[0] + 5, p[1] + 5), colour, what),
            ((p[0] + 6, p[1] + 6), colour, what + ', beyond its corner', False)]


# The editor started by `command` in `cwd`, its window titled `title`: the program path as
# invoked. Used in a `with`, it is killed at the end. Until its first frame, when the window
# stops being one flat colour, it may not know the window's size; the window manager then gives
# it the keyboard, with no click.
class Editor(AbstractContextManager):
    def __init__(self, command, title, cwd, env=None, stderr=None):
        self.process = Popen(command, cwd=cwd, env=env, stderr=stderr)
        wait_for(lambda: len(windows(title)), 1, lambda: f'windows titled {title}, exit {self.process.poll()}')
        self.window = windows(title)[0]
        self.see(((2, 479), BLACK, 'scene'), ((2, 2), BLACK, 'toolbar', False))
        wait_for(lambda: x11.get_input_focus().focus == self.window, True, 'the keyboard given to the window')

    def __exit__(self, *_):
        self.process.kill()
        self.process.wait()

    # Whether GLX draws the window double-buffered, so that a frame is shown only once it is whole.
    # Under wine GL draws into a child of the window titled, made over a connection of wine's own.
    def double_buffered(self):
        window = self.window
        while window.query_tree().children:
            window = window.query_tree().children[0]
        xlib, gl, value = CDLL('libX11.so.6'), CDLL('libGL.so.1'), c_int()
        xlib.XOpenDisplay.restype = xlib.XGetVisualInfo.restype = c_void_p
        connection = c_void_p(xlib.XOpenDisplay(None))
        wanted = (c_ulong * 8)(0, window.get_attributes().visual)  # an XVisualInfo naming the visual's id
        visual = c_void_p(xlib.XGetVisualInfo(connection, 1, wanted, byref(c_int())))  # 1: VisualIDMask
        gl.glXGetConfig(connection, visual, 5, byref(value))  # 5: GLX_DOUBLEBUFFER
        return value.value == 1

    def pixels(self):  # the window's width, height and pixels (BGRX, rows top down)
        size = self.window.get_geometry()
        return size.width, size.height, self.window.get_image(0, 0, size.width, size.height, X.ZPixmap, 0xFFFFFFFF).data

    def problems(self, checks):  # what is wrong at each of `checks` (see node())
        try:
            width, _, image = self.pixels()
        except error.BadMatch:  # resized beyond its frame, which the window manager resizes next
            return ['the window not shown whole']
        seen = [(memoryview(image).cast('I')[p[1] * width + p[0]] & 0xFFFFFF, p, c, what, shown != [False])
                for p, c, what, *shown in checks]
        return [f'{what} at {p} is {s:06x}, want {"" if want else "not "}{c:06x}' for s, p, c, what, want in seen
                if (s == c) != want]

    def see(self, *checks):  # reads the window until it shows all of `checks` at once
        wait_for(lambda: self.problems(checks), [], 'what the window shows')

    # A key or button goes whatever has become of the window: one released after the program
    # ended on its press would otherwise stay held, and the server would repeat the key into the
    # next program started.
    def fake(self, event, detail):
        x11.xtest_fake_input(event, detail)
        x11.sync()

    def move(self, p, on=None):  # to pixel p of the window, or of `on`
        with suppress(error.BadWindow):  # the program has ended: there is nowhere to move to
            corner = (on or self.window).translate_coords(x11.screen().root, 0, 0)
            x11.xtest_fake_input(X.MotionNotify, x=p[0] - corner.x, y=p[1] - corner.y)
            x11.sync()

    # Presses `button` (1 left, 2 middle, 3 right) at `at`, moves to `to` in one motion event,
    # calls `while_held` and releases it. The move is reported even when it goes nowhere.
    def press(self, at, to=None, button=1, while_held=lambda: None):
        self.move(at)
        self.fake(X.ButtonPress, button)
        self.move(to or at)
        while_held()
        self.fake(X.ButtonRelease, button)

    # Opens the context menu at `at` and picks `entry`. freeglut selects nothing on a press, drag
    # and release into a sub-menu, so: click, wait for the menu, hover the entry that opens the
    # sub-menu, wait for it, click its entry. Each menu is found where it shows, its rows of equal
    # height inside a 2 px border (the top menu has two; freeglut's font, and the height with it,
    # differs by system). By default it opens where it covers no node the tests look at. Under
    # wine on a busy machine a menu now and then follows no pointer: a person then clicks the
    # right button again beside it, which closes it and opens another.
    def choose(self, entry, at=(300, 100)):
        for attempt in range(3):
            self.press((at[0] - attempt, at[1] - attempt), button=3)
            wait_for(lambda: len(windows(MENU)), 1, 'menus opened by the right button')
            top = windows(MENU)[0]
            row = (top.get_geometry().height - 4) // 2
            if self.hover(top, 2 + row // 2 + row * entry[0], lambda: len(windows(MENU)) == 2, PATIENCE / 3):
                break
        self.hover(next(menu for menu in windows(MENU) if menu != top), 2 + row // 2 + row * entry[1], lambda: False, 0.1)
        self.fake(X.ButtonPress, 1)
        self.fake(X.ButtonRelease, 1)
        wait_for(lambda: len(windows(MENU)), 0, 'menus after the choice')

    # Moves to and fro a pixel at height y of `menu`, as a hand does, until `done()` or for
    # `seconds`: under wine a menu shown but not yet following the pointer misses a single move.
    def hover(self, menu, y, done, seconds):
        deadline = time.monotonic() + seconds
        while not done() and time.monotonic() < deadline:
            self.move((20 + int(time.monotonic() * 50) % 2, y), menu)
            time.sleep(0.02)
        return done()

    def type_keys(self, keys):  # keysym names, held together, as Shift with Q
        for event in (X.KeyPress, X.KeyRelease):
            for key in keys:
                self.fake(event, x11.keysym_to_keycode(XK.string_to_keysym(key)))

    def save(self, saved):  # what "Save graph.txt" writes to `saved`, renaming a whole file into place
        saved.unlink(missing_ok=True)
        self.choose(SAVE)
        wait_for(saved.exists, True, f'{saved} saved')
        return saved.read_text()
