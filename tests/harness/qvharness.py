"""Shared pieces of the Wine test harness: the private X server and Wine
prefix of a test run, running a joined executable with a timeout, finding and
driving windows, reading the registry and taking screenshots."""
import collections
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Where 32-bit code runs only under the i386 emulator (scripts/setup.sh), a
# Wine program takes many times longer to start and run; the build sets this
# factor and every wait for a Wine program is stretched by it.
TIME_SCALE = float(os.environ.get('QV_TIME_SCALE') or 1)


def processor_fault(code):
    """The code Wine reports a processor fault with, as hexadecimal: where the
    i386 emulator gives some faults other codes, the build names them
    (tests/faults/faulttest.h)."""
    return os.environ.get('QV_FAULT_CODE_' + code, code)


def scaled(seconds):
    return seconds * TIME_SCALE


# The test's last steps, for the report of a wait that timed out.
_steps = collections.deque(maxlen=12)
_started = time.time()


def note(text):
    """Records a step of the test (a key typed, a box answered)."""
    _steps.append('%6.1fs %s' % (time.time() - _started, text))


def _screen_code_page():
    locale = os.environ.get('QV_LOCALE') or 'zh_CN.UTF-8'
    return {'en': 'cp1252', 'ja': 'cp932'}.get(locale[:2], 'gbk')


def describe_screen(out):
    """Reads qvpeek's lines: the windows, each console's state and its
    screen, as text."""
    lines = []
    for line in out.splitlines():
        if line.startswith('screen '):
            parts = line.split(' ')
            rows, cols = int(parts[1]), int(parts[2])
            data = bytes.fromhex(parts[8]) if len(parts) > 8 else b''
            lines.append('  screen: %d rows of %d, cursor at row %s column %s, top line %s'
                         % (rows, cols, parts[3], parts[4], parts[5]))
            texts = [data[r * cols:(r + 1) * cols].decode(_screen_code_page(), 'replace').rstrip(' \0')
                     for r in range(rows)]
            for text in texts[-24:]:
                lines.append('  | ' + text)
        elif line.startswith('console '):
            status = int(line.rsplit('=', 1)[1], 16)
            if status >> 16 != 0x5156:
                lines.append('  console: no answer to the run query (busy, or not a kernel)')
            else:
                lines.append('  console: %s, %d events read, %s' % (
                    'waiting in WaitEvent for an event' if status & 0x100 else 'not waiting for an event',
                    status & 0xFF, 'messages pending' if status & 0x200 else 'no message pending'))
        else:
            lines.append('  ' + line)
    return lines


def report_wait(what, seconds, output=''):
    """Prints why a test stopped waiting: what for, its last steps, the last
    lines the program printed, and what the session's windows show (qvpeek),
    while the program still runs."""
    print('TIMED OUT after %.0f s waiting for %s' % (seconds, what))
    if _steps:
        print('last steps of the test, input sent included:')
        for step in _steps:
            print('  ' + step)
    tail = output.splitlines()[-8:]
    if tail:
        print('last lines of the program:')
        for line in tail:
            print('  ' + line)
    tool = os.path.join(os.environ.get('QV_BIN_DIR') or os.path.join(ROOT, 'build', 'bin'), 'tests', 'qvpeek.exe')
    if not os.path.exists(tool):
        print('the windows cannot be read: %s is missing' % tool, flush=True)
        return
    try:
        with tempfile.TemporaryFile() as out:
            subprocess.run(['wine', tool], env=wine_env(), stdout=out, stderr=subprocess.DEVNULL,
                           stdin=subprocess.DEVNULL, timeout=scaled(20))
            out.seek(0)
            windows = out.read().decode('utf-8', 'replace')
    except (OSError, subprocess.TimeoutExpired) as e:
        print('the windows could not be read: %s' % e, flush=True)
        return
    print('windows on the screen:')
    for line in describe_screen(windows) or ['  none']:
        print(line)
    # Out at once, in case the test is ended before it writes more. Not
    # line-buffered throughout: with that, input_real's timed drag copied
    # nothing in three runs out of three.
    sys.stdout.flush()


def state_dir():
    return os.environ.get('QV_TEST_STATE') or os.path.join(ROOT, 'build', 'test-state')


_session = None


def use_session(session):
    """Makes every helper below use this session (display, prefix) instead
    of the one the test run's state folder names; quorven-run has its own."""
    global _session
    _session = session


def load_session():
    if _session:
        return _session
    path = os.path.join(state_dir(), 'session.json')
    with open(path) as f:
        return json.load(f)


def wine_env(session=None, extra=None):
    """Environment for every Wine process of the run: the private prefix,
    the private display, code page 936, or the locale QV_LOCALE names (a test
    of a program on another system code page: en_US.UTF-8 gives 1252,
    ja_JP.UTF-8 932)."""
    session = session or load_session()
    env = dict(os.environ)
    locale = env.get('QV_LOCALE') or 'zh_CN.UTF-8'
    env.update({
        'WINEPREFIX': session['prefix'],
        'WINEARCH': 'win32',
        'WINEDEBUG': env.get('QV_WINEDEBUG', '-all'),
        'WINEDLLOVERRIDES': 'mscoree,mshtml=;winemenubuilder.exe=d',
        'DISPLAY': session['display'],
        'LC_ALL': locale,
        'LANG': locale,
    })
    if extra:
        env.update(extra)
    return env


class Result:
    def __init__(self, code, out, err, timed_out):
        self.code, self.out, self.err, self.timed_out = code, out, err, timed_out

    def lines(self):
        return self.out.splitlines()


def kill_group(proc):
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


_versions_set = set()


def report_windows_version(exe, version):
    """Makes Wine report another Windows to this executable (its Version
    value under AppDefaults, by the executable's name: win98, nt40, ...)."""
    name = os.path.basename(exe)
    if (name, version) in _versions_set:
        return
    wine_cmd(['reg', 'add', 'HKCU\\Software\\Wine\\AppDefaults\\' + name, '/v', 'Version', '/d', version, '/f'])
    _versions_set.add((name, version))


def start(exe, args=(), env_extra=None, cwd=None):
    """Starts a joined executable under Wine in its own process group. Its
    output goes to temporary files, not pipes: Wine's helper processes, which
    the program may start and which outlive it, would hold a pipe open. The
    test's QV_WINDOWS_VERSION, when set, is the Windows Wine reports to it."""
    if os.environ.get('QV_WINDOWS_VERSION'):
        report_windows_version(exe, os.environ['QV_WINDOWS_VERSION'])
    out = tempfile.TemporaryFile()
    err = tempfile.TemporaryFile()
    proc = subprocess.Popen(['wine', exe] + list(args), stdout=out, stderr=err, stdin=subprocess.DEVNULL,
                            env=wine_env(extra=env_extra), cwd=cwd, start_new_session=True)
    proc.qv_files = (out, err)
    return proc


def _read_so_far(proc):
    f = proc.qv_files[0]
    at = f.tell()
    f.seek(0)
    text = f.read().decode('utf-8', 'replace')
    f.seek(at)
    return text


def finish(proc, timeout=30, waiting_for='the program to end'):
    """Waits for a process started with start(); when it does not end in
    time, reports what the program showed (report_wait), kills its whole
    group and gives a result marked timed out."""
    timed_out = False
    try:
        proc.wait(timeout=scaled(timeout))
    except subprocess.TimeoutExpired:
        timed_out = True
        report_wait(waiting_for, scaled(timeout), _read_so_far(proc))
        kill_group(proc)
        proc.wait()
    texts = []
    for f in proc.qv_files:
        f.seek(0)
        texts.append(f.read().decode('utf-8', 'replace'))
        f.close()
    return Result(proc.returncode, texts[0], texts[1], timed_out)


def run(exe, args=(), timeout=30, env_extra=None, cwd=None, waiting_for='the program to end'):
    return finish(start(exe, args, env_extra, cwd), timeout, waiting_for)


def wine_cmd(args, timeout=60, input=None):
    """Runs a Wine tool such as reg.exe in the session."""
    with tempfile.TemporaryFile() as out:
        r = subprocess.run(['wine'] + list(args), env=wine_env(), stdout=out, stderr=subprocess.DEVNULL,
                           stdin=subprocess.DEVNULL, timeout=scaled(timeout))
        out.seek(0)
        r.stdout = out.read()
    return r


# xdotool commands that send input: each is one of the test's steps.
_INPUT_COMMANDS = {'key', 'keydown', 'keyup', 'type', 'click', 'mousedown', 'mouseup', 'mousemove', 'windowfocus',
                   'windowactivate'}


def xdotool(*args, check=True, timeout=10):
    if args and args[0] in _INPUT_COMMANDS:
        note('xdotool ' + ' '.join(map(str, args)))
    r = subprocess.run(['xdotool'] + [str(a) for a in args], env=wine_env(), capture_output=True,
                       timeout=timeout, text=True)
    if check and r.returncode != 0:
        raise RuntimeError('xdotool %s failed: %s' % (' '.join(map(str, args)), r.stderr.strip()))
    return r.stdout.strip()


def find_window(name, timeout=15.0, only_visible=True):
    """X window id of the first window whose name matches (a regular
    expression), waiting up to timeout seconds; None if none appears."""
    deadline = time.time() + scaled(timeout)
    while time.time() < deadline:
        args = ['search'] + (['--onlyvisible'] if only_visible else []) + ['--name', name]
        out = xdotool(*args, check=False)
        if out:
            return out.split()[0]
        time.sleep(0.1)
    return None


def screenshot(path):
    subprocess.run(['import', '-window', 'root', path], env=wine_env(), check=True, timeout=30)


def delete_console_value():
    wine_cmd(['reg', 'delete', r'HKCU\SOFTWARE\QUORVEN\SETTINGS', '/v', 'Console', '/f'])


def set_console_value(text):
    wine_cmd(['reg', 'add', r'HKCU\SOFTWARE\QUORVEN\SETTINGS', '/v', 'Console', '/t', 'REG_SZ', '/d', text, '/f'])


def query_console_value():
    """The stored text of the Console value, or None."""
    r = wine_cmd(['reg', 'query', r'HKCU\SOFTWARE\QUORVEN\SETTINGS', '/v', 'Console'])
    for line in r.stdout.decode('utf-8', 'replace').splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[0] == 'Console':
            return parts[-1]
    return None


def check_output(result, expect_code=0):
    """Fails (exit 1) unless the program ended with expect_code, printed at
    least one 'ok' line and no 'FAIL' line."""
    sys.stdout.write(result.out)
    if result.err.strip():
        sys.stdout.write('--- stderr ---\n' + result.err[-4000:])
    problems = []
    if result.timed_out:
        problems.append('timed out')
    if result.code != expect_code:
        problems.append('exit code %s, expected %s' % (result.code, expect_code))
    if any(l.startswith('FAIL') for l in result.lines()):
        problems.append('a check failed')
    if not any(l.startswith('ok') for l in result.lines()):
        problems.append('no check ran')
    if problems:
        print('TEST FAILED: ' + '; '.join(problems))
        sys.exit(1)
    print('TEST PASSED')


def post_message(window_class, message, wparam=0, lparam=0):
    """Posts a Windows message to the first window of a class from another
    Wine process (qvpost.exe); WM_QUIT (18) goes to the window's thread."""
    tool = os.path.join(os.environ.get('QV_BIN_DIR') or os.path.join(ROOT, 'build', 'bin'), 'tests', 'qvpost.exe')
    note('posted message 0x%X (%s, %s) to the window of class %s' % (message, wparam, lparam, window_class))
    r = run(tool, [window_class, str(message), str(wparam), str(lparam)], timeout=20)
    return r.code == 0


def close_console():
    """Closes the console window as its close box does (WM_CLOSE)."""
    return post_message('Quorven', 0x10)
