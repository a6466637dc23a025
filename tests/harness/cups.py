#!/usr/bin/env python3
"""A private print spooler for the printing tests: its own cupsd with a
private configuration folder, spool and log, listening only on a unix socket
of the test run, and a cups-pdf printer that writes its PDF files into a
folder of the test run.

    cups.py start STATE_DIR [--no-printer]   start cupsd (with printer "QVPDF" as default)
    cups.py stop STATE_DIR                   stop it
    cups.py add-printer STATE_DIR / remove-printer STATE_DIR

A Wine process reaches this cupsd through the CUPS_SERVER environment
variable (the socket's path), which 32-bit libcups honours before any
client.conf; env() gives that variable.

cups-pdf reads its configuration from a fixed path (/etc/cups/cups-pdf.conf,
or cups-pdf-NAME.conf for the URI cups-pdf:/NAME). To send its output into
the test run's folder without touching the system's files, cupsd runs in a
mount namespace of its own in which a private cups-pdf.conf is bind-mounted
over the system's. Where no mount namespace can be made, an instance file
/etc/cups/cups-pdf-<id>.conf is written instead and removed on stop.

Seen with Wine 8.0 and cups-pdf 3.0.1:
- Wine's winspool compares its printer list with the CUPS server at the start
  of every process: a printer added to cupsd is seen by the next process, a
  removed one is deleted from the prefix's registry (with its stored device
  mode). No refresh of the prefix is needed.
- cups-pdf names the file after the job's title but appends the tail of the
  output folder's path to it ("Document_..._cups_pdf-job_3.pdf"); the title
  the queue recorded is in the page log (job_titles()).
- Ghostscript turns landscape pages into portrait pages with /Rotate 90
  (page_sizes() gives the rotation)."""
import json
import os
import shutil
import signal
import subprocess
import sys
import time

PRINTER = 'QVPDF'
# A shared office printer's name: 19 Chinese characters, 57 bytes in UTF-8
# and 38 in GBK, longer than the 32-byte device name of a device mode. CUPS
# takes UTF-8 queue names of up to 127 bytes (no blank, tab, '/', '\\', '#'
# or '"'); the orientation test checks that Wine gives the queue's name
# (in GBK) as the default printer's name.
LONG_PRINTER = '财务部共享打印机三楼东侧办公室彩色激光'
PPD = '/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd'


def cups_dir(state):
    return os.path.join(os.path.abspath(state), 'cups')


def socket_path(state):
    """The socket cupsd listens on. A unix socket's path has room for about
    100 bytes; a deep build folder gets a short path under /tmp instead."""
    path = os.path.join(cups_dir(state), 'cups.sock')
    if len(path) > 100:
        import hashlib
        path = '/tmp/qv-cups-%s.sock' % hashlib.sha1(cups_dir(state).encode()).hexdigest()[:12]
    return path


def pdf_dir(state):
    return os.path.join(cups_dir(state), 'pdf')


def env(state=None):
    """The environment a Wine process needs to see the private spooler."""
    state = state or default_state()
    return {'CUPS_SERVER': socket_path(state)}


def default_state():
    return os.environ.get('QV_TEST_STATE') or os.path.join(
        os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), 'build', 'test-state')


def _info_path(state):
    return os.path.join(cups_dir(state), 'cupsd.json')


def _lp(state, *args, check=True):
    r = subprocess.run(list(args), env=dict(os.environ, CUPS_SERVER=socket_path(state)),
                       capture_output=True, text=True, timeout=60)
    if check and r.returncode != 0:
        raise RuntimeError('%s failed: %s %s' % (' '.join(args), r.stdout, r.stderr))
    return r


def _write(path, text):
    with open(path, 'w') as f:
        f.write(text)


def _uri(state):
    with open(_info_path(state)) as f:
        return json.load(f)['uri']


def add_printer(state, name=PRINTER):
    """Adds a PDF printer, enabled and accepting, and makes it the default."""
    _lp(state, 'lpadmin', '-p', name, '-E', '-v', _uri(state), '-P', PPD)
    _lp(state, 'lpadmin', '-d', name)
    _lp(state, 'cupsenable', name)
    _lp(state, 'cupsaccept', name)


def remove_printer(state, name=PRINTER):
    _lp(state, 'lpadmin', '-x', name, check=False)


def set_default(state, name):
    _lp(state, 'lpadmin', '-d', name)


def printers(state):
    """Names of the destinations cupsd knows."""
    r = _lp(state, 'lpstat', '-e', check=False)
    return [l.strip() for l in r.stdout.splitlines() if l.strip()]


def start(state, with_printer=True):
    stop(state, quiet=True)
    base = cups_dir(state)
    shutil.rmtree(base, ignore_errors=True)
    for sub in ('conf', 'conf/ppd', 'spool', 'spool/tmp', 'cache', 'state', 'log', 'pdf', 'pdfspool'):
        os.makedirs(os.path.join(base, sub), exist_ok=True)
    # Filters run as user lp and read the spool; cups-pdf's gs runs as root.
    for sub in ('', 'spool', 'spool/tmp', 'pdf', 'pdfspool'):
        os.chmod(os.path.join(base, sub), 0o1777 if sub == 'spool/tmp' else 0o755)
    os.chmod(os.path.join(base, 'pdf'), 0o777)
    conf = os.path.join(base, 'conf')
    sock = socket_path(state)
    _write(os.path.join(conf, 'cupsd.conf'), '\n'.join([
        'Listen %s' % sock,
        'Browsing Off',
        'LogLevel warn',
        'MaxLogSize 0',
        'DefaultAuthType None',
        'WebInterface No',
        'JobRetryLimit 0',
        'PreserveJobHistory No',
        '<Location />', '  Order allow,deny', '  Allow all', '</Location>',
        '<Location /admin>', '  Order allow,deny', '  Allow all', '</Location>',
        '<Policy default>',
        '  <Limit All>', '    Order deny,allow', '  </Limit>',
        '</Policy>', '']))
    _write(os.path.join(conf, 'cups-files.conf'), '\n'.join([
        'ServerRoot %s' % conf,
        'RequestRoot %s' % os.path.join(base, 'spool'),
        'TempDir %s' % os.path.join(base, 'spool', 'tmp'),
        'CacheDir %s' % os.path.join(base, 'cache'),
        'StateDir %s' % os.path.join(base, 'state'),
        'AccessLog %s' % os.path.join(base, 'log', 'access_log'),
        'ErrorLog %s' % os.path.join(base, 'log', 'error_log'),
        'PageLog %s' % os.path.join(base, 'log', 'page_log'),
        'SystemGroup root',
        'FileDevice No',
        'Sandboxing Relaxed', '']))
    # cups-pdf: output named after the job's title ("Document-job_N.pdf"),
    # into the run's folder, whatever the user's home is.
    pdfconf = os.path.join(base, 'cups-pdf.conf')
    _write(pdfconf, '\n'.join([
        'Out %s' % pdf_dir(state),
        'AnonDirName %s' % pdf_dir(state),
        'Grp root',
        'LogType 3', '']))
    cmd = ['/usr/sbin/cupsd', '-f', '-c', os.path.join(conf, 'cupsd.conf'), '-s', os.path.join(conf, 'cups-files.conf')]
    uri = 'cups-pdf:/'
    instance = None
    probe = subprocess.run(['unshare', '--mount', '--propagation', 'private', 'true'],
                           capture_output=True, timeout=30)
    if probe.returncode == 0:
        cmd = ['unshare', '--mount', '--propagation', 'private', 'sh', '-c',
               'mount --bind "$0" /etc/cups/cups-pdf.conf && exec "$@"', pdfconf] + cmd
    else:
        instance = 'qv%d' % os.getpid()
        shutil.copy(pdfconf, '/etc/cups/cups-pdf-%s.conf' % instance)
        uri = 'cups-pdf:/%s' % instance
    log = open(os.path.join(base, 'log', 'cupsd.out'), 'w')
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                            start_new_session=True)
    _write(_info_path(state), json.dumps({'pid': proc.pid, 'uri': uri, 'instance': instance}))
    deadline = time.time() + 30
    while time.time() < deadline:
        if proc.poll() is not None:
            raise SystemExit('cupsd ended at once; see %s' % os.path.join(base, 'log'))
        if os.path.exists(sock) and _lp(state, 'lpstat', '-r', check=False).returncode == 0:
            break
        time.sleep(0.1)
    else:
        stop(state, quiet=True)
        raise SystemExit('cupsd did not answer on %s' % sock)
    if with_printer:
        add_printer(state)
    print('cupsd on %s (pid %d), PDF files in %s' % (sock, proc.pid, pdf_dir(state)))


def stop(state, quiet=False):
    path = _info_path(state)
    if not os.path.exists(path):
        return
    with open(path) as f:
        info = json.load(f)
    try:
        os.killpg(info['pid'], signal.SIGTERM)
        for _ in range(100):
            os.killpg(info['pid'], 0)
            time.sleep(0.05)
        os.killpg(info['pid'], signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    if info.get('instance'):
        try:
            os.remove('/etc/cups/cups-pdf-%s.conf' % info['instance'])
        except OSError:
            pass
    os.remove(path)
    if not quiet:
        print('cupsd stopped')


def pdfs(state=None):
    """Paths of the PDF files printed so far, oldest first."""
    d = pdf_dir(state or default_state())
    if not os.path.isdir(d):
        return []
    names = [os.path.join(d, n) for n in os.listdir(d) if n.endswith('.pdf')]
    return sorted(names, key=os.path.getmtime)


def clear_pdfs(state=None):
    for p in pdfs(state):
        os.remove(p)


def wait_pdfs(count, state=None, timeout=60.0):
    """Waits until at least count PDF files exist and no job is pending;
    returns the list (possibly shorter after the time-out)."""
    state = state or default_state()
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = pdfs(state)
        if len(found) >= count and not _lp(state, 'lpstat', '-o', check=False).stdout.strip():
            time.sleep(0.3)  # gs writes the file before cups-pdf's job ends
            return pdfs(state)
        time.sleep(0.2)
    return pdfs(state)


def pdf_name(path):
    return os.path.basename(path)


def job_titles(state=None):
    """Titles of the finished jobs in the order they ended, from the page log
    (fields: printer user job [time] total pages billing host title media sides)."""
    path = os.path.join(cups_dir(state or default_state()), 'log', 'page_log')
    titles = []
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                rest = line.split(']', 1)[-1].split()
                if len(rest) >= 7 and rest[0] == 'total':
                    titles.append(' '.join(rest[4:-2]))
    return titles


def pdf_info(path):
    """pdfinfo's fields as a dict, with 'pages' (int) and 'size' (w, h in points)."""
    out = subprocess.run(['pdfinfo', path], capture_output=True, text=True, timeout=30).stdout
    info = {}
    for line in out.splitlines():
        if ':' in line:
            k, v = line.split(':', 1)
            info[k.strip()] = v.strip()
    info['pages'] = int(info.get('Pages', '0'))
    size = info.get('Page size', '0 x 0').split()
    info['size'] = (float(size[0]), float(size[2]))
    info['rot'] = int(info.get('Page rot', '0'))
    return info


def page_sizes(path):
    """(width, height, rotation) of every page."""
    out = subprocess.run(['pdfinfo', '-f', '1', '-l', '9999', path], capture_output=True, text=True, timeout=30).stdout
    sizes, rots = [], []
    for line in out.splitlines():
        if line.startswith('Page') and 'size:' in line:
            parts = line.split('size:')[1].split()
            sizes.append((float(parts[0]), float(parts[2])))
        elif line.startswith('Page') and 'rot:' in line:
            rots.append(int(line.split('rot:')[1].split()[0]))
    return [(w, h, rots[i] if i < len(rots) else 0) for i, (w, h) in enumerate(sizes)]


def pdf_pages_text(path):
    """The text of each page, as pdftotext gives it."""
    n = pdf_info(path)['pages']
    texts = []
    for i in range(1, n + 1):
        r = subprocess.run(['pdftotext', '-f', str(i), '-l', str(i), '-layout', path, '-'],
                           capture_output=True, text=True, timeout=30)
        texts.append(r.stdout)
    return texts


if __name__ == '__main__':
    if len(sys.argv) < 3 or sys.argv[1] not in ('start', 'stop', 'add-printer', 'remove-printer'):
        raise SystemExit('usage: cups.py start|stop|add-printer|remove-printer STATE_DIR [--no-printer]')
    what, st = sys.argv[1], sys.argv[2]
    if what == 'start':
        start(st, with_printer='--no-printer' not in sys.argv[3:])
    elif what == 'stop':
        stop(st)
    elif what == 'add-printer':
        add_printer(st)
    else:
        remove_printer(st)
