# The packages of dist/ as a user gets them: what each holds and needs, and the editor started
# from it under Xvfb with a window manager, a graph placed and saved, and found where the
# README says. Each test takes one package; the window is driven as the window tests do.
# Usage: package_test.py PACKAGE XVFB OPENBOX [unittest arguments]
#
# The Debian package is installed for real, with apt-get, and purged at the end only where
# GRAPH_EDITOR_TEST_INSTALL=system says so, as root: CI does, on a machine of its own. There
# the editor runs as two users who are not root. Elsewhere the package is unpacked into a
# scratch folder and its launcher run from there, naming the unpacked program, by two users
# who differ only in their home folders.
import os
import re
import shlex
import subprocess
import sys
import tarfile
import tempfile
import unittest
from pathlib import Path
from subprocess import Popen

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / 'window'))
import window_test  # noqa: E402  (found beside this folder)
from window_test import BLACK, Window, XK, X, graph, windows  # noqa: E402

PACKAGE = Path(sys.argv[1]).resolve()
SYSTEM_INSTALL = os.environ.get('GRAPH_EDITOR_TEST_INSTALL') == 'system'
USERS = (4242001, 4242002)  # ids no account has, for the two users of a system install


def run(*command, **options):  # its standard output, failing the test where it fails
    return subprocess.run(command, check=True, capture_output=True, text=True, **options).stdout


def exec_command(entry):  # the command of a desktop entry's Exec key, which has no field codes here
    value = re.search(r'^Exec=(.*)$', entry.read_text(), re.M)[1]
    return shlex.split(value.replace('\\\\', '\\'))


class Package(Window):
    def scratch(self):  # a folder of this test's own, which anyone may enter
        folder = Path(self.enterContext(tempfile.TemporaryDirectory(prefix='graph-editor-package-')))
        folder.chmod(0o755)
        return folder

    # Starts `command` as the program would be started by a user, and waits for its first
    # frame in the window titled `title`. It ends with the test.
    def launch(self, command, title, cwd, env, user=None):
        as_user = ['setpriv', f'--reuid={user}', f'--regid={user}', '--clear-groups'] if user else []
        self.program = self.enterContext(Popen(as_user + command, cwd=cwd, env=env))
        self.addCleanup(self.program.kill)
        self.poll(lambda: len(windows(title)), 1, f'windows titled {title}')
        self.window = windows(title)[0]
        self.see(((2, 479), BLACK, 'scene'), ((2, 2), BLACK, 'toolbar', 0, False))

    # Places `nodes`, saves, expects them in `path`, and quits with q.
    def save_and_quit(self, nodes, path):
        for p in nodes:
            self.press(p)
        self.graph = path
        self.assertEqual(self.saved_graph(), graph(nodes))
        for event in (X.KeyPress, X.KeyRelease):
            self.fake(event, window_test.x11.keysym_to_keycode(XK.string_to_keysym('q')))
        self.poll(self.program.poll, 0, 'exit status after q')


class Deb(Package):
    def control(self, field):
        return run('dpkg-deb', '--field', PACKAGE, field).strip()

    def test_files_and_dependencies(self):
        files = {line.split()[-1]: line.split()[0] for line in run('dpkg-deb', '--contents', PACKAGE).splitlines()
                 if not line.startswith('d')}
        icons = {f'./usr/share/icons/hicolor/{size}x{size}/apps/graph-editor.png': '-rw-r--r--'
                 for size in (16, 24, 32, 48, 64, 128, 256)}
        self.assertEqual(files, {
            './usr/bin/graph-editor': '-rwxr-xr-x', './usr/lib/graph-editor/graph-editor': '-rwxr-xr-x',
            './usr/share/applications/graph-editor.desktop': '-rw-r--r--',
            './usr/share/doc/graph-editor/changelog.gz': '-rw-r--r--',
            './usr/share/doc/graph-editor/copyright': '-rw-r--r--',
            './usr/share/icons/hicolor/scalable/apps/graph-editor.svg': '-rw-r--r--', **icons,
            './usr/share/man/man1/graph-editor.1.gz': '-rw-r--r--',
            './usr/share/metainfo/org.graph_editor.graph_editor.metainfo.xml': '-rw-r--r--'})
        version, arch = re.fullmatch(r'graph-editor_(.+)_(.+)\.deb', PACKAGE.name).groups()
        self.assertEqual((self.control('Version'), self.control('Architecture')), (version, arch))
        self.assertEqual(arch, run('dpkg', '--print-architecture').strip())
        # What it links: freeglut, GLU, and GL through the vendor-neutral dispatch library.
        depends = {re.match(r'[^ (|]+', d.strip())[0] for d in self.control('Depends').split(',')}
        self.assertEqual(depends, {'libc6', 'libgcc-s1', 'libglu1-mesa', 'libglut3.12', 'libglx0',
                                   'libopengl0', 'libstdc++6'})

    def test_lintian(self):  # no errors, no warnings
        run('lintian', '--fail-on', 'error,warning', PACKAGE)

    def test_menu_entry_and_appstream_data(self):
        root = self.scratch()
        run('dpkg-deb', '--extract', PACKAGE, root)
        entry = root / 'usr/share/applications/graph-editor.desktop'
        run('desktop-file-validate', entry)
        icon = re.search(r'^Icon=(.*)$', entry.read_text(), re.M)[1]
        self.assertTrue((root / f'usr/share/icons/hicolor/scalable/apps/{icon}.svg').exists(), icon)
        run('appstreamcli', 'validate', '--no-net', '--pedantic',
            root / 'usr/share/metainfo/org.graph_editor.graph_editor.metainfo.xml')

    # Two users start the editor by the menu entry's command, each saves a graph of their own
    # into their own folder, and purging the package leaves both.
    def test_two_users(self):
        scratch, env = self.scratch(), {'PATH': '/usr/bin:/bin', 'DISPLAY': os.environ['DISPLAY']}
        if SYSTEM_INSTALL:
            root = Path('/')
            apt = ['apt-get', '-y', '-o', 'DPkg::Lock::Timeout=300']
            run(*apt, 'install', f'{PACKAGE}', env={**os.environ, 'DEBIAN_FRONTEND': 'noninteractive'})
            self.addCleanup(subprocess.run, ['dpkg', '--purge', 'graph-editor'], capture_output=True)  # where the test stops early
        else:
            root = scratch / 'root'
            run('dpkg-deb', '--extract', PACKAGE, root)
            launcher = root / 'usr/bin/graph-editor'
            launcher.write_text(launcher.read_text().replace("'/usr/", f"'{root}/usr/"))
            env['PATH'] = f'{root}/usr/bin:{env["PATH"]}'
        command = exec_command(root / 'usr/share/applications/graph-editor.desktop')
        # The first keeps the default folder; the second has XDG_DATA_HOME, which moves it.
        first, second = scratch / 'first', scratch / 'second'
        homes = {first: ({}, first / '.local/share'), second: ({'XDG_DATA_HOME': str(second / 'data')}, second / 'data')}
        graphs = {first: [(100, 300)], second: [(200, 200), (400, 300)]}
        for home, user in zip(homes, USERS if SYSTEM_INSTALL else (None, None)):
            home.mkdir()
            if user:
                os.chown(home, user, user)
            extra, data = homes[home]
            self.launch(command, bytes(data / 'graph-editor/bin/graph-editor'), home, {**env, 'HOME': str(home), **extra}, user)
            self.save_and_quit(graphs[home], data / 'graph-editor/Resources/graph.txt')
        if SYSTEM_INSTALL:
            run(*apt, 'purge', 'graph-editor')
            self.assertFalse(Path('/usr/lib/graph-editor').exists())
            self.assertEqual([(home / 'graph-editor/Resources/graph.txt').stat().st_uid for _, home in homes.values()],
                             list(USERS))
        for home, (_, data) in homes.items():
            self.assertEqual((data / 'graph-editor/Resources/graph.txt').read_text(), graph(graphs[home]))


class Archive(Package):
    def test_files_and_dependencies(self):
        folder = PACKAGE.name.removesuffix('.tar.gz')
        with tarfile.open(PACKAGE) as archive:
            files = {m.name: (m.type, m.mode) for m in archive.getmembers()}
        regular, directory = (tarfile.REGTYPE, 0o644), (tarfile.DIRTYPE, 0o755)
        self.assertEqual(files, {f'{folder}/{name}': kind for name, kind in {
            'bin': directory, 'bin/graph-editor': (tarfile.REGTYPE, 0o755), 'Resources': directory,
            'README': regular, 'LICENSE': regular, 'CHANGELOG.md': regular, 'graph-editor.svg': regular,
            'graph-editor.desktop.in': regular}.items()})
        root = self.scratch()
        run('tar', '-xzf', PACKAGE, '-C', root)
        # Beyond the C and C++ run-time libraries, what the README says it needs: freeglut,
        # GLU, and GL through the vendor-neutral dispatch library.
        needed = set(re.findall(r'NEEDED\s+(\S+)', run('objdump', '-p', root / folder / 'bin/graph-editor')))
        self.assertEqual(needed - {'libc.so.6', 'libm.so.6', 'libstdc++.so.6', 'libgcc_s.so.1'},
                         {'libglut.so.3.12', 'libGLU.so.1', 'libOpenGL.so.0', 'libGLX.so.0'})

    # Unpacked into a folder whose path has a space, started as the README says and then from
    # the menu entry its README makes: both save into the folder's Resources/.
    def test_started_and_added_to_the_menu(self):
        scratch = self.scratch()
        folder, home = scratch / 'my programs', scratch / 'home'
        for made in (folder, home):
            made.mkdir()
        run('tar', '-xzf', PACKAGE, '-C', folder)
        folder /= PACKAGE.name.removesuffix('.tar.gz')
        env = {'PATH': '/usr/bin:/bin', 'DISPLAY': os.environ['DISPLAY'], 'HOME': str(home)}
        saved = folder / 'Resources/graph.txt'
        self.launch(['bin/graph-editor'], b'bin/graph-editor', folder, env)
        self.save_and_quit([(100, 300)], saved)
        # The README's commands for the menu, run in the folder.
        readme = (folder / 'README').read_text()
        commands = re.search(r'\nAdding it to the menu\n[\s\S]*?\n\n((?: {8}.*\n)+)', readme)[1]
        run('bash', '-ec', commands, cwd=folder, env=env)
        entry = home / '.local/share/applications/graph-editor.desktop'
        run('desktop-file-validate', entry)
        command = exec_command(entry)
        self.launch(command, command[0].encode(), home, env)
        self.save_and_quit([(300, 200), (500, 400)], saved)


if __name__ == '__main__':
    # As the window tests do: Xvfb on a free display, ended with this process, and a window
    # manager on it.
    xvfb = Popen([sys.argv[2], '-displayfd', '1'], stdout=subprocess.PIPE,
                 preexec_fn=lambda: __import__('ctypes').CDLL(None).prctl(1, 15))
    os.environ['DISPLAY'] = ':' + xvfb.stdout.readline().decode().strip()
    window_test.x11 = window_test.display.Display()
    Popen([sys.argv[3]], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], warnings='ignore')
