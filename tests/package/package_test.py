# The packages of dist/ as a user gets them: what each needs, and the editor started from it under
# Xvfb with a window manager, a graph placed and saved, and found where README.md says (Install).
# Usage: package_test.py PACKAGE CLASS (Deb, Archive, Windows or Prefix: runs its test). Windows
# runs the Windows program by the command in GRAPH_EDITOR_WINE; its PACKAGE is the zip, the
# installer beside it.
#
# The Debian package is installed for real, with apt-get, and purged at the end only where
# GRAPH_EDITOR_TEST_INSTALL=system says so, as root: CI does, on a machine of its own. There the
# editor runs as two users who are not root. Elsewhere the package is unpacked into a scratch
# folder and its launcher run from there, by two users who differ only in their home folders.
import getpass
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from desktop import WINE, WINESERVER, Editor, end_wine_server, serve_display, title_of  # noqa: E402

PACKAGE = Path(sys.argv[1]).resolve()
SYSTEM_INSTALL = os.environ.get('GRAPH_EDITOR_TEST_INSTALL') == 'system'


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
    def setUp(self):  # a folder of this test's own, which anyone may enter
        self.scratch = Path(self.enterContext(tempfile.TemporaryDirectory(prefix='graph-editor-package-')))
        self.scratch.chmod(0o755)

    # Starts `command` as a user would, in `cwd` with `env` and as `user` (or as we are), waits for
    # its window titled `title`, and saves its empty graph, which must land in `saved`.
    def save_from(self, command, title, cwd, env, saved, user=None):
        as_user = ['setpriv', f'--reuid={user}', f'--regid={user}', '--clear-groups'] if user else []
        with Editor(as_user + command, title, cwd, {'PATH': '/usr/bin:/bin', 'DISPLAY': os.environ['DISPLAY'], **env}) as editor:
            self.assertEqual(editor.save(saved), '0\n0\n')


class Deb(Package):
    # Lintian's checks and the menu entry's; two users start the editor by the menu entry
    # ("Graph Editor", in Graphics), each saves a graph into a folder of their own (the second has
    # XDG_DATA_HOME, which moves it), and purging the package leaves both.
    def test_checks_and_two_users(self):
        run('lintian', '--fail-on', 'error,warning', PACKAGE)
        root, path, apt = self.scratch / 'root', {}, ['apt-get', '-y', '-o', 'DPkg::Lock::Timeout=300']
        run('dpkg-deb', '--extract', PACKAGE, root)
        entry = root / 'usr/share/applications/graph-editor.desktop'
        run('desktop-file-validate', entry)
        self.assertEqual((key(entry, 'Name'), key(entry, 'Categories')), ('Graph Editor', 'Graphics;2DGraphics;'))
        self.assertTrue((root / f'usr/share/icons/hicolor/scalable/apps/{key(entry, "Icon")}.svg').exists())
        if SYSTEM_INSTALL:
            root, users = Path('/'), (4242001, 4242002)  # ids no account has
            run(*apt, 'install', PACKAGE, env={**os.environ, 'DEBIAN_FRONTEND': 'noninteractive'})
            self.addCleanup(subprocess.run, ['dpkg', '--purge', 'graph-editor'], capture_output=True)  # if stopped early
        else:
            launcher, users, path = root / 'usr/bin/graph-editor', (None, None), {'PATH': f'{root}/usr/bin:/usr/bin:/bin'}
            launcher.write_text(launcher.read_text().replace("'/usr/", f"'{root}/usr/"))
        homes = [self.scratch / 'first', self.scratch / 'second']
        datas = [homes[0] / '.local/share', homes[1] / 'data']
        for home, data, user in zip(homes, datas, users):
            home.mkdir()
            os.chown(home, user or -1, user or -1)
            self.save_from(exec_command(entry), bytes(data / 'graph-editor/bin/graph-editor'), home,
                           {**path, 'HOME': str(home), **({'XDG_DATA_HOME': str(data)} if data.name == 'data' else {})},
                           data / 'graph-editor/Resources/graph.txt', user)
        if SYSTEM_INSTALL:
            run(*apt, 'purge', 'graph-editor')
            self.assertFalse(Path('/usr/lib/graph-editor').exists())
        self.assertEqual([(data / 'graph-editor/Resources/graph.txt').stat().st_uid == user for data, user in zip(datas, users)],
                         [SYSTEM_INSTALL] * 2, "graphs kept, each its user's")


class Archive(Package):
    # What it links beyond the C and C++ run-time, as its README says: freeglut, GLU, GL. Unpacked
    # into a folder whose path has a space, started as its README says and then from the menu entry
    # its README makes, it saves into the folder's Resources/.
    def test_started_as_its_readme_says(self):
        folder, home = self.scratch / 'my programs', self.scratch / 'home'
        for made in (folder, home):
            made.mkdir()
        run('tar', '-xzf', PACKAGE, '-C', folder)
        folder /= PACKAGE.name.removesuffix('.tar.gz')
        needed = set(re.findall(r'NEEDED\s+(\S+)', run('objdump', '-p', folder / 'bin/graph-editor')))
        self.assertEqual(needed - {'libc.so.6', 'libm.so.6', 'libstdc++.so.6', 'libgcc_s.so.1'},
                         {'libglut.so.3.12', 'libGLU.so.1', 'libOpenGL.so.0', 'libGLX.so.0'})
        self.assertTrue((folder / 'LICENSE').exists())
        env, saved = {'HOME': str(home)}, folder / 'Resources/graph.txt'
        self.save_from(['bin/graph-editor'], b'bin/graph-editor', folder, env, saved)
        commands = re.search(r'\nAdding it to the menu\n[\s\S]*?\n\n((?: {8}.*\n)+)', (folder / 'README').read_text())[1]
        run('bash', '-ec', commands, cwd=folder, env={'PATH': '/usr/bin:/bin', **env})
        entry = home / '.local/share/applications/graph-editor.desktop'
        self.assertTrue(Path(key(entry, 'Icon')).samefile(folder / 'graph-editor.svg'))
        self.save_from(exec_command(entry), exec_command(entry)[0].encode(), home, env, saved)


class Windows(Package):
    # In a fresh wine prefix, as a new user has. The zip: its files and its DLLs, Windows' own alone;
    # unzipped into a folder whose path has a space, the editor saves into the folder's Resources\.
    # The installer beside it, run silently: the program with its icon and version, the Start menu
    # shortcut, the entry in the list of programs; the editor started by the shortcut from another
    # folder saves into the install's Resources\, which installing again and then uninstalling
    # (program, shortcut and entry gone) both keep.
    def test_zip_and_installer(self):
        name, folder, user = PACKAGE.name.removesuffix('.zip'), self.scratch / 'my programs', getpass.getuser()
        os.environ['WINEPREFIX'] = str(self.scratch / 'prefix')
        self.addCleanup(end_wine_server)  # before the prefix goes
        wine = lambda *command: run(*WINE, *command) + run(WINESERVER, '-w')  # noqa: E731 (waits for all it started)
        wine('wineboot', '-i')
        with zipfile.ZipFile(PACKAGE) as archive:
            self.assertEqual(sorted(archive.namelist()), sorted(f'{name}/{path}' for path in [
                'bin/', 'bin/graph-editor.exe', 'Resources/', 'README.txt', 'LICENSE.txt', 'CHANGELOG.md',
                'freeglut-COPYING.txt', 'mingw-w64-runtime-copyright.txt']))
            archive.extractall(folder)
        program = folder / name / 'bin/graph-editor.exe'
        dlls = {dll.lower() for dll in re.findall(r'DLL Name: (\S+)', run('objdump', '-p', program))}
        self.assertLessEqual(dlls, {f'{dll}.dll' for dll in ('advapi32', 'gdi32', 'glu32', 'kernel32', 'msvcrt',
                                                             'opengl32', 'shell32', 'user32', 'winmm')})
        self.save_from([*WINE, program], title_of(program), folder, dict(os.environ), folder / name / 'Resources/graph.txt')

        setup, home = PACKAGE.with_name(name + '-setup.exe'), self.scratch / 'prefix/drive_c/users' / user
        wine(setup, '/S')
        folder, shortcut = home / 'AppData/Local/Programs/graph-editor', home / 'AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Graph Editor.lnk'
        entry = r'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\graph-editor'
        self.assertRegex(wine('reg', 'query', entry), r'(?s)DisplayName\s+REG_SZ\s+Graph Editor.*DisplayVersion\s+REG_SZ\s+'
                         + name.split('-')[2] + r'.*Publisher\s+REG_SZ\s+The graph-editor developers.*UninstallString')
        self.assertRegex(run('wrestool', '-l', folder / 'bin/graph-editor.exe'), r'(?s)--type=14 .*--type=16 ')
        title = f'C:\\users\\{user}\\AppData\\Local\\Programs\\graph-editor\\bin\\graph-editor.exe'.encode()
        self.save_from([*WINE, 'start', '/unix', shortcut], title, self.scratch, dict(os.environ), folder / 'Resources/graph.txt')
        end_wine_server()  # the editor ends: a program that runs cannot be replaced
        wine(setup, '/S')
        wine(folder / 'uninstall.exe', '/S')
        self.assertEqual(sorted(p.relative_to(folder).as_posix() for p in folder.rglob('*')), ['Resources', 'Resources/graph.txt'])
        self.assertEqual(((folder / 'Resources/graph.txt').read_text(), shortcut.exists()), ('0\n0\n', False))
        self.assertNotEqual(subprocess.run([*WINE, 'reg', 'query', entry], capture_output=True).returncode, 0)


# Not a package: the install into a prefix of one's own that README.md gives, from the build of
# the packages, which PACKAGE names, over a graph.txt already there. Into a prefix whose name has
# the characters the menu entry quotes (but a backslash, which CMake takes for a slash), the menu
# entry starts the program that saves into the prefix's Resources/, and names the icon installed.
class Prefix(Package):
    def test_started_from_the_menu_entry(self):
        prefix = self.scratch / 'my "graphs" $HOME `x` 100% here'
        (prefix / 'Resources').mkdir(parents=True)
        (prefix / 'Resources/graph.txt').write_text('kept')
        run('cmake', '--install', PACKAGE, '--prefix', prefix)
        self.assertEqual((prefix / 'Resources/graph.txt').read_text(), 'kept')
        entry = prefix / 'share/applications/graph-editor.desktop'
        run('desktop-file-validate', entry)
        self.assertTrue(Path(key(entry, 'Icon')).samefile(prefix / 'share/icons/hicolor/scalable/apps/graph-editor.svg'))
        self.save_from(exec_command(entry), bytes(prefix / 'bin/graph-editor'), prefix.parent, {'HOME': str(prefix.parent)},
                       prefix / 'Resources/graph.txt')


if __name__ == '__main__':
    serve_display()
    unittest.main(argv=[sys.argv[0], sys.argv[2]], warnings='ignore')
