"""The first steps of quorven-run, taken before Python loads the rest of the
tool. The run's X server (with quorven_wmstate.py beside it) and the
helper's Wine process each take longer to
start (60 to 90 ms natively) than Python takes to load the tool and check the
command line, so they are started first, from this module, which loads only
the lightest parts of the standard library; the tool adopts them once the
command line has passed its checks (quorven_run.session.Session), and ends
them when it refuses the command line. Where the tool may not use them (another
display, another locale, an environment that changed in between) it ends
them and starts its own."""
import os
import select
import signal
import sys
import time

POLL_MS = 10  # the helper's polling period


class RunError(Exception):
    pass


def default_prefix(bin_dir):
    return os.environ.get('QV_WINEPREFIX') or os.path.join(os.path.dirname(bin_dir), 'wineprefix')


def free_display():
    """A display number with neither lock file nor socket, from a random
    place in 200 to 999 (the test harness takes them from 90 up), so that
    runs started at once seldom pick the same one; the X server's lock file
    settles a tie, and the loser tries again."""
    start = int.from_bytes(os.urandom(2), 'little') % 800
    for i in range(800):
        n = 200 + (start + i) % 800
        if not os.path.exists('/tmp/.X%d-lock' % n) and not os.path.exists('/tmp/.X11-unix/X%d' % n):
            return n
    raise RunError('no free X display number')


class XServer:
    """Xvfb on a display the tool chose, which writes the number to a pipe
    (-displayfd) once it accepts connections: nobody guesses how long it
    takes to start, and the Wine processes may start meanwhile with the
    number they will use."""

    def __init__(self):
        self.number = free_display()
        read_end, write_end = os.pipe()
        os.set_inheritable(write_end, True)
        quiet = [(os.POSIX_SPAWN_OPEN, 0, '/dev/null', os.O_RDONLY, 0),
                 (os.POSIX_SPAWN_OPEN, 1, '/dev/null', os.O_WRONLY, 0),
                 (os.POSIX_SPAWN_OPEN, 2, '/dev/null', os.O_WRONLY, 0)]
        try:
            self.pid = os.posix_spawnp('Xvfb', ['Xvfb', ':%d' % self.number, '-displayfd', str(write_end),
                                                '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                                       os.environ, file_actions=quiet, setsid=True)
        except OSError as e:
            os.close(read_end)
            raise RunError('cannot start Xvfb: %s' % e.strerror)
        finally:
            os.close(write_end)
        self.pipe = read_end

    def ready(self, limit=60):
        """True once the server accepts connections; False when it ended
        without (another run took the number first)."""
        text, end = b'', time.time() + limit
        try:
            while not text.endswith(b'\n'):
                ready, _, _ = select.select([self.pipe], [], [], max(0.0, end - time.time()))
                if not ready:
                    raise RunError('Xvfb did not start within %d s' % limit)
                chunk = os.read(self.pipe, 32)
                if not chunk:
                    return False
                text += chunk
        finally:
            os.close(self.pipe)
            self.pipe = None
        return True

    def end(self):
        try:
            os.killpg(self.pid, signal.SIGTERM)
        except (ProcessLookupError, PermissionError):
            pass

    def close(self):
        if self.pipe is not None:
            os.close(self.pipe)
            self.pipe = None
        self.end()
        try:
            os.waitpid(self.pid, 0)
        except ChildProcessError:
            pass


class WindowStates:
    """quorven_wmstate.py beside the X server: it marks each top-level
    window's WM_STATE as a window manager would, which Wine waits 2 s for
    whenever it hides a window. A process of its own, so that the X
    server's end cannot end the tool with it; it connects as soon as the
    server accepts connections."""

    def __init__(self, number):
        import subprocess
        self.proc = subprocess.Popen([sys.executable, '-IS', os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                          'quorven_wmstate.py'), ':%d' % number],
                                     stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     start_new_session=True)

    def ready(self, limit=10):
        """True once it watches the X server (before any window is made);
        False when it ended or said nothing in time: Wine then waits as it
        would without it, and nothing else changes."""
        ready, _, _ = select.select([self.proc.stdout], [], [], limit)
        return bool(ready) and self.proc.stdout.readline() == b'ready\n'

    def close(self):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait()
        self.proc.stdout.close()


def prefix_ready(prefix, bin_dir, root, dpi=96):
    """Whether scripts/wineprefix.sh would find nothing to do: the ready
    mark it writes last names the font, its registry file and the script as
    they are now, and the prefix's DPI where it is not 96, and the prefix still has its system
    and the font."""
    font = os.environ.get('QV_CONSOLE_FONT') or os.path.join(bin_dir, 'quorven-console.ttf')
    try:
        mark = ''
        for path in (font, font[:-len('.ttf')] + '.reg', os.path.join(root, 'scripts', 'wineprefix.sh')):
            st = os.stat(path)
            mark += '%d %d %d\n' % (st.st_ino, st.st_size, int(st.st_mtime))
        if dpi != 96:
            mark += 'dpi %d\n' % dpi
        with open(os.path.join(prefix, '.quorven-ready')) as f:
            found = f.read()
    except OSError:
        return False
    return found == mark and all(os.path.exists(os.path.join(prefix, 'drive_c', 'windows', name)) for name in (
        os.path.join('system32', 'kernel32.dll'), os.path.join('Fonts', 'quorven-console.ttf')))


def keep_wineserver(env):
    """Starts the Wine server, or finds it running; it stays ten minutes
    after its last program."""
    import subprocess
    subprocess.run(['wineserver', '-p600'], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)


def spawn_helper(helper_exe, env):
    """The helper's Wine process, which waits for its "go" line."""
    import subprocess
    return subprocess.Popen(['wine', helper_exe, str(POLL_MS)], env=env, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True,
                            cwd=os.getcwd())


def surely_runs(argv):
    """Whether the command line asks for a run on a private X server in the
    environment's locale, as nearly all do; any doubt (another display,
    another locale, help) leaves the start to the tool."""
    return bool(argv) and not any(a in ('-h', '--help') or a.startswith(('--d', '--l')) for a in argv)


class Early:
    """The X server (with its window states) and the helper started before
    the tool is loaded; each is None when it was not started (or has been
    adopted)."""

    def __init__(self, argv, bin_dir, harness_dir):
        self.xserver = self.states = self.helper = self.env = None
        if not surely_runs(argv):
            return
        try:
            self.xserver = XServer()
            self.states = WindowStates(self.xserver.number)
            prefix = default_prefix(bin_dir)
            root = os.path.dirname(os.path.dirname(os.path.abspath(harness_dir)))
            if not prefix_ready(prefix, bin_dir, root):
                return  # the tool makes the prefix first
            sys.path.insert(0, harness_dir)
            import qvharness
            self.env = qvharness.wine_env({'display': ':%d' % self.xserver.number,
                                           'prefix': os.path.abspath(prefix)})
            keep_wineserver(self.env)
            self.helper = spawn_helper(os.path.join(bin_dir, 'quorven-runhelper.exe'), self.env)
        except Exception:
            self.close()  # the tool starts its own, and says what fails

    def close(self):
        """Ends what the tool did not adopt: the helper has not touched the
        X server or the prefix yet."""
        if self.helper:
            try:
                os.killpg(self.helper.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.helper.wait()
            self.helper = None
        if self.states:
            self.states.close()
            self.states = None
        if self.xserver:
            self.xserver.close()
            self.xserver = None
