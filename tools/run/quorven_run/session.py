"""The run's Wine and X session: the project's Wine prefix (one for each
DPI), the run's own X server (or $DISPLAY) and the helper started in it;
and the two things done on that display from outside Wine, typing with
xdotool and the screenshot."""
import os
import subprocess
import sys

from quorven_early import WindowStates, XServer, keep_wineserver, prefix_ready, spawn_helper

from .errors import RunError, UsageError
from .helper import Helper
from .tracing import trace

DEFAULT_DPI = 96


def prefix_for(base_prefix, dpi):
    """The prefix a run at this DPI uses: LogPixels holds for a whole
    prefix, so each DPI has one of its own beside the usual one (96 DPI),
    and runs at different DPIs side by side do not disturb each other."""
    return base_prefix if dpi == DEFAULT_DPI else '%s-dpi%d' % (base_prefix, dpi)


def prepare_prefix(prefix, bin_dir, root, dpi=DEFAULT_DPI):
    """The prefix is made (or copied from the machine's base) on first use
    and given the console font the build made beside the tool, and its DPI;
    the script that does it is skipped where it would do nothing."""
    if prefix_ready(prefix, bin_dir, root, dpi):
        trace('prefix ready, as its mark says')
        return
    prepared = subprocess.run([os.path.join(root, 'scripts', 'wineprefix.sh')],
                              env=dict(os.environ, QV_WINEPREFIX=prefix, QV_BIN_DIR=bin_dir, QV_DPI=str(dpi)),
                              stdin=subprocess.DEVNULL, stdout=sys.stderr, stderr=subprocess.PIPE,
                              text=True, timeout=3600)
    if prepared.returncode != 0:
        why = (prepared.stderr.strip().splitlines() or ['failed'])[-1]
        raise RunError('cannot prepare the Wine prefix at %s: %s' % (prefix, why))
    trace('prefix ready')


class Session:
    """The run's own X server (or $DISPLAY) in the prefix, and the helper
    that starts the program. The Wine server is shared with other runs and
    kept for a while after the last one, since starting it is slow; each
    run's helper makes a Wine desktop of its own, so that keys go to that
    run's program only.

    What a run waits for, it waits for once: the X server and the helper's
    Wine process were started before the tool was loaded (quorven_early) and
    are taken over here where they fit the run; otherwise the X server
    starts while the prefix is checked, and the helper while the X server
    starts (it touches no window before "go"). harness is the test
    harness's module (qvharness), whose Wine environment the tool shares;
    locale, when given, is the one every Wine process of the run gets
    instead of the harness's zh_CN.UTF-8."""

    def __init__(self, harness, prefix, use_display, bin_dir, go, early, dpi=DEFAULT_DPI, locale=None):
        self.harness = harness
        self.xserver = self.states = self.helper = None
        self.env = None
        self.locale = locale
        try:
            self.start(prefix, use_display, bin_dir, go, early, dpi)
        except BaseException:
            self.close()
            raise

    def start(self, prefix, use_display, bin_dir, go, early, dpi):
        if use_display and not os.environ.get('DISPLAY'):
            raise UsageError('--display: DISPLAY is not set')
        for attempt in range(10):
            first = attempt == 0
            if not use_display:
                self.start_xserver(early if first else None)
            if first:
                prepare_prefix(prefix, bin_dir, self.harness.ROOT, dpi)
            display = os.environ['DISPLAY'] if use_display else ':%d' % self.xserver.number
            self.env = self.wine_env(display, prefix)
            proc = None
            if first and early.helper and early.env == self.env:
                proc, early.helper = early.helper, None
                trace('helper started early')
            early.close()  # what does not fit this run
            if first and not proc:
                keep_wineserver(self.env)
            self.helper = Helper(proc or spawn_helper(os.path.join(bin_dir, 'quorven-runhelper.exe'), self.env))
            if use_display or self.xserver.ready():
                trace('X server %s ready' % display)
                # Window states are marked from the first window on.
                if self.states and not self.states.ready():
                    trace('no window states')
                self.helper.send(go)
                return
            # Another run took the display number first: the helper, which
            # has not touched it yet, goes with the server.
            self.close()
        raise RunError('could not start Xvfb')

    def wine_env(self, display, prefix):
        """The environment of every Wine process of the run."""
        extra = {'QV_LOCALE': self.locale, 'LC_ALL': self.locale, 'LANG': self.locale} if self.locale else None
        return self.harness.wine_env({'display': display, 'prefix': os.path.abspath(prefix)}, extra)

    def start_xserver(self, early):
        """The X server and its window states: the ones started early where
        there are, else new ones."""
        if early and early.xserver and early.states:
            self.xserver, early.xserver = early.xserver, None
            self.states, early.states = early.states, None
        else:
            self.xserver = XServer()
            self.states = WindowStates(self.xserver.number)

    def xdotool(self, *args):
        """One xdotool command on the run's display."""
        try:
            r = subprocess.run(['xdotool'] + [str(a) for a in args], env=self.env, capture_output=True, timeout=30,
                               text=True)
        except subprocess.TimeoutExpired as e:
            raise RunError('typing failed: %s' % e)
        if r.returncode != 0:
            raise RunError('typing failed: xdotool %s failed: %s' % (' '.join(map(str, args)), r.stderr.strip()))

    def screenshot(self, xid, path):
        """The X window xid as a PNG at path, or False. Raises
        subprocess.TimeoutExpired after 60 s."""
        r = subprocess.run(['import', '-window', xid, path], env=self.env, capture_output=True, timeout=60)
        return r.returncode == 0 and os.path.exists(path)

    def kill_program(self):
        """Has the helper end the program (code 124)."""
        if self.helper:
            self.helper.send('kill')

    def close(self):
        """Ends the helper and the X server together; Wine processes still
        attached to it (the desktop's explorer) end with it."""
        if self.helper:
            self.helper.end()
        if self.states:
            self.states.close()
            self.states = None
        if self.xserver:
            self.xserver.end()
        if self.helper:
            self.helper.stop()
            self.helper = None
        if self.xserver:
            self.xserver.close()
            self.xserver = None
            trace('X server ended')
