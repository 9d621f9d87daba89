# The real program in a real window under its own Xvfb, with a window manager: what it draws,
# and what a person's pointer, keys and menu choices do to it and to graph.txt.
# Usage: window_test.py PROGRAM [unittest arguments]; with GRAPH_EDITOR_WINE set (the command
# that runs a Windows program), PROGRAM is the Windows program, run under wine.
#
# What README.md says of the window, and what holds it:
#   the unit square stretched over the window at any size, the toolbar of four buttons in its top
#     eighth with their icons, an empty black scene at start, the graph not opened at start-up
#     and graph.txt left as it was; the controls (nodes placed, the Edge tool's rubber band and
#     edge, the middle drag, the tools lit while chosen, Clear, Run lit while the layout runs,
#     every entry of the context menu), the nearest node drawn blue, an edge naming no node kept,
#     drawn once that node is placed, graph.txt in Resources beside the program's own
#     folder, even one named in letters Windows' ANSI code page lacks: test_editing_journey
#   Esc, q and Q quit without saving, with no click first: test_quitting
#   on Windows all of it, under wine (the windows preset). How the program finds Resources from
#   the path it was started by (a link, a bare name on PATH) is the unit tests' (ui_test.cpp).
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from desktop import (BLACK, BLUE, GREEN, OPEN, PATIENCE, PAUSE, QUIT, RED, REMOVE_NODE, WINE, YELLOW,  # noqa: E402
                     Editor, end_wine_server, graph, node, serve_display, title_of)


# The toolbar fills exactly the top eighth: four buttons a quarter wide, each shaded from its
# left edge to its right (lit grey 1.0 to 0.7, unlit 0.5 to 0.2) and divided from the one before
# by a black line 3 pixels wide, on the columns left-2 to left. Its top row, and its bottom row,
# the last with its centre in the top eighth, hold no icon. Each pixel is the shading at its
# centre, rounded to the nearest level.
def toolbar(lit, width=640, height=480):
    bottom, button = (height + 3) // 8 - 1, width // 4
    checks = [((x, bottom + 1), BLACK, 'scene under the toolbar') for x in range(0, width, 7)]
    for i, left in enumerate(range(0, 4 * button, button)):
        start, end = (255, 178.5) if lit[i] else (127.5, 51)  # grey levels times 255
        for row in (0, bottom):
            checks += [((x, row), BLACK, 'divider') for x in range(max(left - 2, 0), left + 1)]
            checks += [((x, row), int(start + (end - start) * (x + 0.5 - left) / button + 0.5) * 0x010101,
                        f'button {i}') for x in range(left + 1, left + button - 2)]
    return checks


class Window(unittest.TestCase):
    # A private tree laid out as the program ships, <root>/bin/graph-editor (a copy) beside
    # <root>/Resources/, with <root>/work/here to start it in, beside a Resources of its own that
    # is the wrong one; the tree's name starts with `name`.
    def setUp(self, name='graph-editor-'):
        end_wine_server()
        self.root = Path(self.enterContext(tempfile.TemporaryDirectory(prefix=name)))
        for sub in ('bin', 'Resources', 'work/here', 'work/Resources'):
            (self.root / sub).mkdir(parents=True)
        self.graph = self.root / 'Resources/graph.txt'
        self.program = Path(shutil.copy(sys.argv[1], self.root / 'bin'))

    # The program started by its full path, in work/here, ended with the test.
    def start(self, options=(), log=None):
        return self.enterContext(Editor([*WINE, self.program, *options], title_of(self.program), self.root / 'work/here',
                                        stderr=log))

    # From a folder whose name Windows' ANSI code page cannot spell, which must still lead to its
    # Resources, started with no option.
    def test_editing_journey(self):
        self.setUp('graph-editor-графы-')
        self.graph.write_text(graph([(320, 300)]))
        editor = self.start()
        # The first frame: the toolbar, its icons, by pixels inside and just beyond each, and a black
        # scene. The graph.txt in Resources is neither opened nor touched at start-up.
        scene = [((i * 37 % 640, 60 + i * 23 % 420), BLACK, 'scene') for i in range(400)]
        editor.see(*toolbar((1, 0, 0, 0)), *scene, ((28, 48), YELLOW, "node icon's lower left"),
                   ((131, 12), YELLOW, 'upper right'), ((198, 14), GREEN, "edge icon's upper end"),
                   ((285, 47), GREEN, 'lower end'), ((376, 21), RED, "clear icon's arm"),
                   ((424, 21), RED, "clear icon's other arm"), ((595, 30), BLUE, "run icon's tip"),
                   ((515, 30), BLUE, 'left edge'), *[(p, colour, 'beyond an icon', False) for p, colour in [
                       ((22, 30), YELLOW), ((28, 52), YELLOW), ((136, 30), YELLOW), ((80, 7), YELLOW),
                       ((520, 8), BLUE), ((612, 30), BLUE)]])
        self.assertEqual((self.graph.read_text(), editor.double_buffered()), (graph([(320, 300)]), True))
        # Far from the unit square's diagonal and in no mirrored pairs, so that x and y mixed up
        # would pick other nodes.
        a, b, c, c_dragged, band_end = (120, 330), (200, 120), (520, 400), (570, 350), (196, 123)
        for p in (a, b, c):
            editor.press(p)
        # With no button held, the node nearest the pointer is blue, the others yellow. Each
        # picture differs from the one before it, so a frame drawn before the move cannot pass.
        editor.see(*node(c, BLUE, 'node under the pointer'), *node(a, YELLOW, 'first node'),
                   *node(b, YELLOW, 'b'), ((320, 365), BLACK, 'no rubber band from the first node'))
        editor.move((b[0] + 10, b[1] + 15))
        editor.see(*node(b, BLUE, 'nearest node'), *node(a, YELLOW, 'first node'), *node(c, YELLOW, 'last node'))
        # Edge tool: a green rubber band while the left button is held, a red edge after release.
        editor.press((240, 55))
        band = [*toolbar((0, 1, 0, 0)), ((158, 226), GREEN, 'rubber band, halfway')]
        editor.press((a[0] + 3, a[1] - 2), band_end, while_held=lambda: editor.see(*band))
        editor.see(((160, 225), RED, 'edge, halfway'))
        # The middle button drags the node nearest the pointer.
        editor.press((c[0] + 2, c[1] - 1), c_dragged, 2)
        self.assertEqual(editor.save(self.graph), graph([a, b, c_dragged], '0 1'))

        editor.press((400, 55))  # Clear
        editor.see((b, BLACK, 'cleared node'), ((160, 225), BLACK, 'cleared edge'))
        # A drag with the Edge tool on a graph just cleared draws no rubber band, from the node
        # where the press was nearest before (a sanitizer build sees any read of it).
        editor.press((300, 200), (250, 300), while_held=lambda: time.sleep(0.2) or editor.see(((185, 315), BLACK, 'band')))
        editor.choose(OPEN)
        editor.see((b, BLACK, 'opened node', False), ((160, 225), RED, 'opened edge'))
        # "Remove Node" takes the node nearest where the menu was opened, with its edge.
        editor.choose(REMOVE_NODE, (b[0] + 6, b[1] + 9))
        editor.see((b, BLACK, 'removed node'), ((160, 225), BLACK, "removed node's edge"))

        # An edge naming no node is not drawn (a sanitizer build sees any read of node 4, just
        # past the room the nodes are kept in); the others are, and the program carries on.
        self.graph.write_text(graph([a, b, c], '0 4', '0 1'))
        editor.choose(OPEN)
        editor.see(((160, 225), RED, 'other edge, halfway'), *node(a, YELLOW, 'first node'),
                   ((270, 265), BLACK, 'no edge yet'))
        # Once nodes 3 and 4 are placed, the edge joins the first node to node 4.
        for p in ((80, 55), (560, 120), (420, 200)):
            editor.press(p)
        editor.see(((270, 265), RED, 'edge to node 4, halfway'))
        # Run lit, both edges pull the first node: it leaves its place, moving right and up.
        editor.choose(PAUSE)
        editor.see(*toolbar((1, 0, 0, 1)), ((a[0] - 6, a[1]), BLACK, 'moved node'), ((a[0], a[1] + 5), BLACK, 'moved'))
        # At another size, its height no multiple of 8, the unit square still fills the window. The
        # server resizes it before it answers us again.
        editor.window.configure(width=804, height=403)
        editor.see(*toolbar((1, 0, 0, 1), 804, 403))

    # Esc, q, Q and the menu's Quit each end the program with status 0, the keys typed with no
    # click first, and none saves the node placed before it. Started with GLUT's -gldebug, freeglut
    # reports every OpenGL error after each frame; before Esc the editor draws some 50 frames, more
    # than the 32 matrices GL's stack is sure to hold.
    def test_quitting(self):
        log = self.enterContext(tempfile.TemporaryFile())
        for keys in (['Escape'], ['q'], ['Shift_L', 'Q'], []):
            editor = self.start(options=['-gldebug'], log=log)
            editor.press((320, 240))
            editor.see(*node((320, 240), BLUE, 'node placed'))
            time.sleep(2.5 if keys == ['Escape'] else 0)
            editor.type_keys(keys) if keys else editor.choose(QUIT)
            self.assertEqual((editor.process.wait(PATIENCE), self.graph.exists()), (0, False), keys or 'Quit')
        log.seek(0)
        self.assertNotIn(b'GL error', log.read())


if __name__ == '__main__':
    serve_display()
    # Xvfb, its pipe and the connection to it are left for the end of this process to close,
    # which Python would warn of.
    unittest.main(argv=sys.argv[:1] + sys.argv[2:], warnings='ignore')
