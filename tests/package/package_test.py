# The packages of dist/ as a user gets them: what each holds and needs, and the editor started
# from it under Xvfb with a window manager, a graph placed and saved, and found where the
# README says. The window is driven as the window tests do.
# Usage: package_test.py PACKAGE CLASS (Deb, Archive, Zip or Prefix: runs its tests)
# The Zip test runs the program by the command in GRAPH_EDITOR_WINE, as the window tests do.
#
# The Debian package is installed for real, with apt-get, and purged at the end only where
# GRAPH_EDITOR_TEST_INSTALL=system says so, as root: CI does, on a machine of its own. There
# the editor runs as two users who are not root. Elsewhere the package is unpacked into a
# scratch folder and its launcher run from there, naming the unpacked program, by two users
# who differ only in their home folders.
import os
import re
import subprocess
import sys
import tarfile
import tempfile
import unittest
import zipfile
from pathlib import Path
from subprocess import Popen

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from desktop import BLUE, WINE, Editor, end_wine_server, graph, node, serve_display, wine_title  # noqa: E402

PACKAGE = Path(sys.argv[1]).resolve()
SYSTEM_INSTALL = os.environ.get('GRAPH_EDITOR_TEST_INSTALL') == 'system'
USERS = (4242001, 4242002)  # ids no account has, for the two users of a system install


def run(*command, **options):  # its standard output, failing the test where it fails
    return subprocess.run(command, check=True, capture_output=True, text=True, **options).stdout


def key(entry, name):  # the value of a desktop entry's key, as a string unescaped
    return re.search(f'^{name}=(.*)$', entry.read_text(), re.M)[1].replace('\\\\', '\\')


# The command of a desktop entry's Exec key, split into arguments, each plain or double-quoted,
# where a backslash takes the next ", `, $ or \ literally; %% is a %.
def exec_command(entry):
    words = re.findall(r'"((?:[^"\\]|\\.)*)"|([^ ]+)', key(entry, 'Exec'))
    return [(re.sub(r'\\([`"$\\])', r'\1', quoted) or plain).replace('%%', '%') for quoted, plain in words]


class Package(unittest.TestCase):
    def scratch(self):  # a folder of this test's own, which anyone may enter
        folder = Path(self.enterContext(tempfile.TemporaryDirectory(prefix='graph-editor-package-')))
        folder.chmod(0o755)
        return folder

    # Starts `command` as a user would, in `cwd` with `env` and as `user` (or as we are), waits
    # for its window titled `title`, places `nodes`, saves, expects them in `saved`, and ends it.
    def save_from(self, command, title, cwd, env, nodes, saved, user=None):
        as_user = ['setpriv', f'--reuid={user}', f'--regid={user}', '--clear-groups'] if user else []
        env = {'PATH': '/usr/bin:/bin', 'DISPLAY': os.environ['DISPLAY'], **env}
        with Editor(as_user + command, title, cwd, env) as editor:
            for p in nodes:  # each drawn blue, as the node nearest the pointer, before the next
                editor.press(p)
                editor.see(*node(p, BLUE, f'node placed at {p}'))
            self.assertEqual(editor.save(saved), graph(nodes))


class Deb(Package):
    def test_files_dependencies_and_checks(self):
        files = {line.split()[-1]: line[:10] for line in run('dpkg-deb', '--contents', PACKAGE).splitlines()
                 if line[0] != 'd'}
        data, usr = '-rw-r--r--', './usr/share/'
        self.assertEqual(files, {
            './usr/bin/graph-editor': '-rwxr-xr-x', './usr/lib/graph-editor/graph-editor': '-rwxr-xr-x',
            **{f'{usr}{name}': data for name in [
                'applications/graph-editor.desktop', 'doc/graph-editor/changelog.gz', 'doc/graph-editor/copyright',
                'icons/hicolor/scalable/apps/graph-editor.svg', 'man/man1/graph-editor.1.gz',
                'metainfo/org.graph_editor.graph_editor.metainfo.xml',
                *[f'icons/hicolor/{n}x{n}/apps/graph-editor.png' for n in (16, 24, 32, 48, 64, 128, 256)]]}})
        # Named, as the build names it, for the version and this machine's architecture.
        control = dict(re.findall(r'^(\w+): (.*)$', run('dpkg-deb', '--field', PACKAGE), re.M))
        self.assertEqual(PACKAGE.name, f"graph-editor_{control['Version']}_{control['Architecture']}.deb")
        # What it links: freeglut, GLU, and GL through the vendor-neutral dispatch library.
        self.assertEqual({re.match(r' *([^ (]+)', d)[1] for d in control['Depends'].split(',')},
                         {'libc6', 'libgcc-s1', 'libglu1-mesa', 'libglut3.12', 'libglx0', 'libopengl0', 'libstdc++6'})
        run('lintian', '--fail-on', 'error,warning', PACKAGE)
        root = self.scratch()
        run('dpkg-deb', '--extract', PACKAGE, root)
        entry = root / 'usr/share/applications/graph-editor.desktop'
        run('desktop-file-validate', entry)
        self.assertTrue((root / f'usr/share/icons/hicolor/scalable/apps/{key(entry, "Icon")}.svg').exists())
        run('appstreamcli', 'validate', '--no-net', '--pedantic', root / 'usr/share/metainfo/org.graph_editor.graph_editor.metainfo.xml')

    # Two users start the editor by the menu entry's command, each saves a graph of their own
    # into their own folder (the second has XDG_DATA_HOME, which moves it), and purging the
    # package leaves both.
    def test_two_users(self):
        scratch, path = self.scratch(), {}
        if SYSTEM_INSTALL:
            root, apt = Path('/'), ['apt-get', '-y', '-o', 'DPkg::Lock::Timeout=300']
            run(*apt, 'install', f'{PACKAGE}', env={**os.environ, 'DEBIAN_FRONTEND': 'noninteractive'})
            self.addCleanup(subprocess.run, ['dpkg', '--purge', 'graph-editor'], capture_output=True)  # if stopped early
        else:
            root = scratch / 'root'
            run('dpkg-deb', '--extract', PACKAGE, root)
            launcher = root / 'usr/bin/graph-editor'
            launcher.write_text(launcher.read_text().replace("'/usr/", f"'{root}/usr/"))
            path = {'PATH': f'{root}/usr/bin:/usr/bin:/bin'}
        command = exec_command(root / 'usr/share/applications/graph-editor.desktop')
        users = [(scratch / 'first', {}, scratch / 'first/.local/share', [(100, 300)]),
                 (scratch / 'second', {'XDG_DATA_HOME': str(scratch / 'second/data')}, scratch / 'second/data',
                  [(200, 200), (400, 300)])]
        for (home, env, data, nodes), user in zip(users, USERS if SYSTEM_INSTALL else (None, None)):
            home.mkdir()
            os.chown(home, user or -1, user or -1)
            self.save_from(command, bytes(data / 'graph-editor/bin/graph-editor'), home, {**path, **env, 'HOME': str(home)},
                           nodes, data / 'graph-editor/Resources/graph.txt', user)
        if SYSTEM_INSTALL:
            run(*apt, 'purge', 'graph-editor')
            self.assertFalse(Path('/usr/lib/graph-editor').exists())
        for (home, _, data, nodes), user in zip(users, USERS):
            saved = data / 'graph-editor/Resources/graph.txt'
            self.assertEqual((saved.read_text(), saved.stat().st_uid == user), (graph(nodes), SYSTEM_INSTALL))


class Archive(Package):
    # Its files, what it links, and the editor unpacked into a folder whose path has a space,
    # started as its README says and then from the menu entry its README makes: both save into
    # the folder's Resources/.
    def test_files_dependencies_and_use(self):
        name, scratch = PACKAGE.name.removesuffix('.tar.gz'), self.scratch()
        with tarfile.open(PACKAGE) as archive:
            files = {m.name: (m.type, m.mode) for m in archive.getmembers()}
        data, folder = (tarfile.REGTYPE, 0o644), (tarfile.DIRTYPE, 0o755)
        self.assertEqual(files, {f'{name}/{path}': kind for path, kind in {
            'bin': folder, 'bin/graph-editor': (tarfile.REGTYPE, 0o755), 'Resources': folder, 'README': data,
            'LICENSE': data, 'CHANGELOG.md': data, 'graph-editor.svg': data, 'graph-editor.desktop.in': data}.items()})
        folder, home = scratch / 'my programs', scratch / 'home'
        for made in (folder, home):
            made.mkdir()
        run('tar', '-xzf', PACKAGE, '-C', folder)
        folder /= name
        # Beyond the C and C++ run-time libraries, what its README says it needs: freeglut, GLU, GL.
        needed = set(re.findall(r'NEEDED\s+(\S+)', run('objdump', '-p', folder / 'bin/graph-editor')))
        self.assertEqual(needed - {'libc.so.6', 'libm.so.6', 'libstdc++.so.6', 'libgcc_s.so.1'},
                         {'libglut.so.3.12', 'libGLU.so.1', 'libOpenGL.so.0', 'libGLX.so.0'})
        env, saved = {'HOME': str(home)}, folder / 'Resources/graph.txt'
        self.save_from(['bin/graph-editor'], b'bin/graph-editor', folder, env, [(100, 300)], saved)
        commands = re.search(r'\nAdding it to the menu\n[\s\S]*?\n\n((?: {8}.*\n)+)', (folder / 'README').read_text())[1]
        run('bash', '-ec', commands, cwd=folder, env={'PATH': '/usr/bin:/bin', **env})
        entry = home / '.local/share/applications/graph-editor.desktop'
        run('desktop-file-validate', entry)
        self.assertTrue(Path(key(entry, 'Icon')).samefile(folder / 'graph-editor.svg'))
        command = exec_command(entry)
        self.save_from(command, command[0].encode(), home, env, [(300, 200), (500, 400)], saved)


class Zip(Package):
    # Its files and DLLs, Windows' own alone, and the editor unzipped into a folder whose path
    # has a space, started under wine: it saves into the folder's Resources\.
    def test_files_dependencies_and_use(self):
        name, folder = PACKAGE.name.removesuffix('.zip'), self.scratch() / 'my programs'
        with zipfile.ZipFile(PACKAGE) as archive:
            self.assertEqual(sorted(archive.namelist()), sorted(f'{name}/{path}' for path in [
                'bin/', 'bin/graph-editor.exe', 'Resources/', 'README.txt', 'LICENSE.txt', 'CHANGELOG.md',
                'freeglut-COPYING.txt', 'mingw-w64-runtime-copyright.txt']))
            archive.extractall(folder)
        program = folder / name / 'bin/graph-editor.exe'
        dlls = {dll.lower() for dll in re.findall(r'DLL Name: (\S+)', run('objdump', '-p', program))}
        self.assertLessEqual(dlls, {f'{dll}.dll' for dll in ('advapi32', 'gdi32', 'glu32', 'kernel32', 'msvcrt',
                                                             'opengl32', 'shell32', 'user32', 'winmm')})
        end_wine_server()
        self.save_from([*WINE, str(program)], wine_title(program), folder, dict(os.environ), [(100, 300)],
                       folder / name / 'Resources/graph.txt')


# Not a package: the install into a prefix of one's own that the README gives, from the build
# of the packages, which PACKAGE names. Into a prefix whose name has the characters the menu
# entry quotes (but a backslash, which CMake takes for a slash), the menu entry starts the
# program that saves into the prefix's Resources/, and names the icon installed.
class Prefix(Package):
    def test_started_from_the_menu_entry(self):
        prefix = self.scratch() / 'my "graphs" $HOME `x` 100% here'
        run('cmake', '--install', PACKAGE, '--prefix', prefix)
        entry = prefix / 'share/applications/graph-editor.desktop'
        run('desktop-file-validate', entry)
        self.assertTrue(Path(key(entry, 'Icon')).samefile(prefix / 'share/icons/hicolor/scalable/apps/graph-editor.svg'))
        self.save_from(exec_command(entry), bytes(prefix / 'bin/graph-editor'), prefix.parent, {'HOME': str(prefix.parent)},
                       [(100, 300)], prefix / 'Resources/graph.txt')


if __name__ == '__main__':
    serve_display()
    unittest.main(argv=[sys.argv[0], sys.argv[2]], warnings='ignore')
