# The real program in a real window under its own Xvfb, with a window manager: what it draws,
# and what a person's pointer, keys and menu choices do to it and to graph.txt.
# Usage: window_test.py PROGRAM [unittest arguments]; with GRAPH_EDITOR_WINE set (the command
# that runs a Windows program), PROGRAM is the Windows program, run under wine.
#
# What the README says of the window, and what holds it:
#   the unit square stretched over the window at any size, the toolbar of four buttons in its
#     top eighth with their icons, an empty black scene at start, double-buffered; the graph
#     not opened at start-up, graph.txt left as it was: test_first_frame
#   the controls table (nodes placed, the Edge tool's rubber band and edge, the middle drag, the
#     tools, Clear, every entry of the context menu, Run lit while the layout runs), the nearest
#     node drawn blue, an edge naming no node kept but not drawn, graph.txt in Resources beside
#     the program's own folder, even one named in letters Windows' ANSI code page lacks:
#     test_editing_journey
#   Esc, q and Q quit without saving, with no click first: test_quitting
#   started through a link, Resources beside the link; by its bare name on PATH, from the
#     current folder: test_started_by_a_link_or_by_name
#   on Windows all of it but the link and PATH, under wine (the windows preset)
import os
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from desktop import (BLACK, BLUE, GREEN, OPEN, PAUSE, QUIT, RED, REMOVE_NODE, WINE, YELLOW,  # noqa: E402
                     Editor, double_buffered, drawn_into, end_wine_server, graph, node, serve_display, title_of)

PROGRAM = sys.argv[1]


# The toolbar fills exactly the top eighth: four buttons a quarter wide, each shaded from its
# left edge to its right (lit grey 1.0 to 0.7, unlit 0.5 to 0.2) and divided from the one
# before by a black line 3 pixels wide, on the columns left-2 to left. Its top row, and its
# bottom row, the last with its centre in the top eighth, hold no icon. Each pixel is the
# shading at its centre, rounded to the nearest level.
def toolbar(lit, width=640, height=480):
    bottom, button = (height + 3) // 8 - 1, width // 4
    wanted = [((x, bottom + 1), BLACK, 'scene under the toolbar') for x in range(0, width, 7)]
    for i, left in enumerate(range(0, 4 * button, button)):
        start, end = (255, 178.5) if lit[i] else (127.5, 51)  # grey levels times 255
        for row in (0, bottom):
            wanted += [((x, row), BLACK, 'divider') for x in range(max(left - 2, 0), left + 1)]
            wanted += [((x, row), int(start + (end - start) * (x + 0.5 - left) / button + 0.5) * 0x010101,
                        f'button {i}') for x in range(left + 1, left + button - 2)]
    return wanted


class Window(unittest.TestCase):
    def setUp(self):
        end_wine_server()

    # A private tree laid out as the program ships, <root>/bin/graph-editor (a copy) beside
    # <root>/Resources/, with <root>/work/here to start it in, beside a Resources of its own
    # that is the wrong one; the tree's name starts with `name`. Returns the program's path.
    def tree(self, name='graph-editor-'):
        self.root = Path(self.enterContext(tempfile.TemporaryDirectory(prefix=name)))
        for sub in ('bin', 'Resources', 'work/here', 'work/Resources'):
            (self.root / sub).mkdir(parents=True)
        self.graph = self.root / 'Resources/graph.txt'
        return Path(shutil.copy(PROGRAM, self.root / 'bin'))

    # Starts the program of a new tree (by its full path, with GLUT `options`, its standard error
    # to `log`) and returns the running editor, which ends with the test.
    def start(self, name='graph-editor-', options=(), log=None, graph_txt=None):
        program = self.tree(name)
        if graph_txt:
            self.graph.write_text(graph_txt)
        return self.run_editor([*WINE, program, *options], title_of(program), log)

    def run_editor(self, command, title, log=None, env=None):
        return self.enterContext(Editor(command, title, self.root / 'work/here', env, log))

    # The toolbar, its icons, by pixels inside and just beyond each, and a black scene; the
    # toolbar again at another size. A graph.txt in Resources is neither opened nor touched.
    def test_first_frame(self):
        log = self.enterContext(tempfile.TemporaryFile())
        # With GLUT's -gldebug, freeglut reports every OpenGL error after each frame.
        editor = self.start(options=['-gldebug'], log=log, graph_txt=graph([(320, 300)]))
        self.assertTrue(double_buffered(drawn_into(editor.window)))
        scene = [((i * 37 % 640, 60 + i * 23 % 420), BLACK, 'scene') for i in range(400)]
        editor.see(*toolbar((1, 0, 0, 0)), *scene, ((28, 48), YELLOW, "node icon's lower left"),
                   ((131, 12), YELLOW, 'upper right'), ((198, 14), GREEN, "edge icon's upper end"),
                   ((285, 47), GREEN, 'lower end'), ((376, 21), RED, "clear icon's arm"),
                   ((424, 21), RED, "clear icon's other arm"), ((595, 30), BLUE, "run icon's tip"),
                   ((515, 30), BLUE, 'left edge'), *[(p, colour, 'beyond an icon', False) for p, colour in [
                       ((22, 30), YELLOW), ((28, 52), YELLOW), ((136, 30), YELLOW), ((80, 7), YELLOW),
                       ((520, 8), BLUE), ((612, 30), BLUE)]])
        # A height that is no multiple of 8. The server resizes it before it answers us again.
        editor.window.configure(width=804, height=403)
        editor.see(*toolbar((1, 0, 0, 0), 804, 403), ((400, 203), BLACK, 'graph.txt not opened'))
        self.assertEqual(self.graph.read_text(), graph([(320, 300)]))
        log.seek(0)
        self.assertNotIn(b'GL error', log.read())

    def test_editing_journey(self):
        # In a folder whose name Windows' ANSI code page cannot spell: it must find its Resources.
        editor = self.start('graph-editor-графы-')
        # Far from the unit square's diagonal and in no mirrored pairs, so that x and y mixed up
        # would pick other nodes.
        a, b, c, c_dragged, band_end = (120, 330), (200, 120), (520, 400), (570, 350), (196, 123)
        # A drag with the Edge tool on a graph with no node draws no rubber band, from nowhere.
        editor.press((240, 55))
        editor.press((300, 300), (330, 320), while_held=lambda: time.sleep(0.2))
        editor.press((80, 55))  # the Node tool again
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
        # Nor on a graph just cleared, from the node where the press was nearest before.
        editor.press((300, 200), (250, 300),
                     while_held=lambda: time.sleep(0.2) or editor.see(((185, 315), BLACK, 'band')))
        editor.choose(OPEN)
        editor.see((b, BLACK, 'opened node', False), ((160, 225), RED, 'opened edge'))
        # "Remove Node" takes the node nearest where the menu was opened, with its edge.
        editor.choose(REMOVE_NODE, (b[0] + 6, b[1] + 9))
        editor.see((b, BLACK, 'removed node'), ((160, 225), BLACK, "removed node's edge"))
        self.assertEqual(editor.save(self.graph), graph([a, c_dragged]))

        # An edge naming no node is not drawn (a sanitizer build sees any read of node 4, just
        # past the room the nodes are kept in); the others are, and the program carries on.
        self.graph.write_text(graph([a, b, c], '0 4', '0 1'))
        editor.choose(OPEN)
        editor.see(((160, 225), RED, 'other edge, halfway'), *node(a, YELLOW, 'first node'))
        # Run lit, the long edge pulls its two nodes together: the first one leaves its place,
        # moving right and up.
        editor.choose(PAUSE)
        editor.see(*toolbar((0, 1, 0, 1)), ((a[0] - 6, a[1]), BLACK, 'moved node'),
                   ((a[0], a[1] + 5), BLACK, 'moved node'))

    # Esc, q, Q and the menu's Quit each end the program with status 0, the keys typed with no
    # click first, and none saves the node placed before it.
    def test_quitting(self):
        for keys in (['Escape'], ['q'], ['Shift_L', 'Q'], []):
            editor = self.start()
            editor.press((320, 240))
            editor.see(*node((320, 240), BLUE, 'node placed'))
            if keys:
                editor.type_to_end(keys)
            else:
                editor.choose(QUIT)
            self.assertEqual((editor.process.wait(), self.graph.exists()), (0, False), keys or 'Quit')

    # Started through a link in a folder beside a Resources of its own, it saves there; started
    # by its bare name found on PATH, it takes the Resources beside the folder it is started in.
    @unittest.skipIf(WINE, 'Windows has no such links, and wine starts a program by its full path')
    def test_started_by_a_link_or_by_name(self):
        program = self.tree()
        (self.root / 'link/bin').mkdir(parents=True)
        (self.root / 'link/Resources').mkdir()
        (self.root / 'link/bin' / program.name).symlink_to(program)
        ways = [(self.root / 'link/bin' / program.name, None, self.root / 'link/Resources/graph.txt'),
                (program.name, {**os.environ, 'PATH': f'{program.parent}:/usr/bin:/bin'},
                 self.root / 'work/Resources/graph.txt')]
        # Under qemu the program is a script, which the shell starts by the full path it found.
        for command, env, saved in ways[:1] if program.name.endswith('-emulated') else ways:
            editor = self.run_editor([command], bytes(Path(command)), env=env)
            editor.press((320, 240))
            self.assertEqual(editor.save(saved), graph([(320, 240)]), command)
            self.assertFalse(self.graph.exists(), command)


if __name__ == '__main__':
    serve_display()
    # Xvfb, its pipe and the connection to it are left for the end of this process to close,
    # which Python would warn of.
    unittest.main(argv=sys.argv[:1] + sys.argv[2:], warnings='ignore')
