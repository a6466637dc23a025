#!/usr/bin/env python3
"""Starts and stops the private X server and Wine server that the Wine tests
of one run share.  usage: session.py start|stop STATE_DIR"""
import json
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qvharness as h


def free_display():
    for n in range(90, 200):
        if not os.path.exists('/tmp/.X%d-lock' % n) and not os.path.exists('/tmp/.X11-unix/X%d' % n):
            return n
    raise SystemExit('no free X display number')


def start_xvfb():
    """Starts Xvfb on a free display; tries the next number when another
    run took the same one at the same moment."""
    for _ in range(20):
        n = free_display()
        # A screen of more pixels for a session at a high DPI (QV_XVFB_SCREEN).
        screen = os.environ.get('QV_XVFB_SCREEN') or '1280x1024x24'
        xvfb = subprocess.Popen(['Xvfb', ':%d' % n, '-screen', '0', screen, '-nolisten', 'tcp'],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        for _ in range(100):
            if xvfb.poll() is not None or os.path.exists('/tmp/.X11-unix/X%d' % n):
                break
            time.sleep(0.05)
        time.sleep(0.2)
        if xvfb.poll() is None:
            return n, xvfb
    raise SystemExit('could not start Xvfb')


def start(state):
    stop(state, quiet=True)
    os.makedirs(state, exist_ok=True)
    n, xvfb = start_xvfb()
    # One prefix per build folder, beside the test state (QV_WINEPREFIX
    # names another: one per DPI, QV_DPI, which the setup script gives it).
    prefix = os.environ.get('QV_WINEPREFIX') or os.path.join(os.path.dirname(os.path.abspath(state)), 'wineprefix')
    session = {'display': ':%d' % n, 'xvfb_pid': xvfb.pid, 'prefix': prefix}
    with open(os.path.join(state, 'session.json'), 'w') as f:
        json.dump(session, f)
    env = h.wine_env(session)
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The setup script makes (or copies) a complete prefix and gives it the
    # console font; it does nothing for a prefix that has both.
    subprocess.run([os.path.join(h.ROOT, 'scripts', 'wineprefix.sh')], env=dict(env, QV_WINEPREFIX=prefix),
                   stdout=subprocess.DEVNULL, check=True, timeout=3600)
    subprocess.run(['wineserver', '-p'], env=env, timeout=h.scaled(60), **quiet)
    # Warm up: the first program in a prefix is slow to start.
    subprocess.run(['wine', 'cmd', '/c', 'exit'], env=env, timeout=h.scaled(120), **quiet)
    print('session on display %s, prefix %s' % (session['display'], prefix))


def stop(state, quiet=False):
    path = os.path.join(state, 'session.json')
    if not os.path.exists(path):
        return
    with open(path) as f:
        session = json.load(f)
    env = h.wine_env(session)
    subprocess.run(['wineserver', '-k'], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    try:
        os.killpg(session['xvfb_pid'], signal.SIGTERM)
    except (ProcessLookupError, PermissionError):
        pass
    os.remove(path)
    if not quiet:
        print('session stopped')


def print_env(state):
    """Shell exports that put a script's own Wine commands in the session."""
    with open(os.path.join(state, 'session.json')) as f:
        env = h.wine_env(json.load(f))
    for name in ('WINEPREFIX', 'WINEARCH', 'WINEDEBUG', 'WINEDLLOVERRIDES', 'DISPLAY', 'LC_ALL', 'LANG'):
        print("export %s='%s'" % (name, env[name]))


if __name__ == '__main__':
    commands = {'start': start, 'stop': stop, 'env': print_env}
    if len(sys.argv) != 3 or sys.argv[1] not in commands:
        raise SystemExit('usage: session.py start|stop|env STATE_DIR')
    commands[sys.argv[1]](sys.argv[2])
