"""The command line: the options as the README documents them, checked
before anything starts; bad use is refused in one line with status 2."""
import argparse
import subprocess

DESCRIPTION = ('quorven-run: runs one joined program under Wine without anyone at the\n'
               'keyboard, types a script of input into its console when it waits for input,\n'
               'and gives back its screen text, a screenshot and its exit status; checks\n'
               'the screen and the exit code against what is expected, for CI.')
USAGE_LINE = 'no program given; usage: quorven-run [options] PROGRAM.exe [ARGS...]'
# A run ends after this long without --timeout, counted from the program's
# start (times ten where 32-bit code is emulated): a program that never ends,
# or a file Wine cannot run, does not hold a CI job for ever.
DEFAULT_TIMEOUT = 120
# --dpi: from the usual 96 (100 %) to 480 (500 %), the largest scaling
# Windows offers.
DPI_RANGE = (96, 480)


class CommandLineError(Exception):
    """The command line itself is wrong: said in one line, status 2,
    before any file is looked at."""


class ScriptAction(argparse.Action):
    """Collects --input, --input-file and --keys in command-line order."""

    def __call__(self, parser, namespace, value, option):
        script = getattr(namespace, 'script', None) or []
        script.append((option, value))
        namespace.script = script


class Parser(argparse.ArgumentParser):
    """argparse, with its complaints raised in one line instead of its
    usage text."""

    def error(self, message):
        if 'required' in message:
            message = USAGE_LINE
        raise CommandLineError(message + ' (see --help)')


def exit_code_value(text):
    """--expect-exit N: a whole number, as ExitProgram takes it (negative
    codes too) or as Windows reports it (up to 2^32 - 1)."""
    try:
        n = int(text, 0)
    except ValueError:
        raise argparse.ArgumentTypeError('not a whole number: %r' % text)
    if not -2 ** 31 <= n < 2 ** 32:
        raise argparse.ArgumentTypeError('out of range: %s' % text)
    return n


def dpi_value(text):
    """--dpi N: a whole number of dots per inch in DPI_RANGE."""
    low, high = DPI_RANGE
    if not text.isdigit() or not low <= int(text) <= high:
        raise argparse.ArgumentTypeError('must be a whole number of dots per inch from %d to %d, not %r'
                                         % (low, high, text))
    return int(text)


def time_scale():
    """10 where 32-bit code runs under the i386 emulator (scripts/setup.sh
    registers it where the kernel runs no 32-bit code), where Wine programs
    run many times slower; 1 elsewhere. The test build stretches its
    time-outs by the same factor."""
    try:
        with open('/proc/sys/fs/binfmt_misc/qemu-i386') as f:
            return 10 if f.readline().startswith('enabled') else 1
    except OSError:
        return 1


def locale_installed(name):
    """Whether the system has the locale; locale -a spells UTF-8 as utf8."""
    def norm(n):
        return n.lower().replace('utf-8', 'utf8')
    try:
        out = subprocess.run(['locale', '-a'], capture_output=True, text=True, timeout=10).stdout
    except (OSError, subprocess.SubprocessError):
        return False
    return norm(name) in (norm(l.strip()) for l in out.splitlines())


def parser():
    """The tool's argument parser."""
    ap = Parser(prog='quorven-run', description=DESCRIPTION,
                formatter_class=argparse.RawDescriptionHelpFormatter,
                epilog='exit status: the program\'s exit code (0 when --expect-exit is given and every check '
                       'passed); 2 bad use; 3 the run failed; 4 a check failed; 124 time-out; 125 input used up '
                       'and window closed')
    ap.add_argument('--input', action=ScriptAction, metavar='TEXT',
                    help='type TEXT (UTF-8) and Enter when the program waits for input; repeatable')
    ap.add_argument('--input-file', action=ScriptAction, metavar='FILE', help='the same, one line per ReadLine')
    ap.add_argument('--keys', action=ScriptAction, metavar='KEYS',
                    help='key names (Return, Escape, F1, Left, ctrl+a ...; Enter is Return), blank-separated, typed as '
                         'one step')
    ap.add_argument('--screen', metavar='FILE', help='write the console\'s text at the end (- for standard output)')
    ap.add_argument('--png', metavar='FILE', help='screenshot of the console window at the end')
    ap.add_argument('--expect', metavar='FILE',
                    help='check the console\'s text at the end against FILE (UTF-8, trailing blanks ignored); '
                         'a difference is shown as a unified diff and fails the run with status 4')
    ap.add_argument('--expect-exit', type=exit_code_value, metavar='N',
                    help='check that the program ends with exit code N (status 4 when not, 0 when all checks pass)')
    ap.add_argument('--result', metavar='FILE', help='write the run\'s outcome as JSON')
    ap.add_argument('--on-fault', choices=('ok', 'cancel'), default='cancel',
                    help='answer a fault box OK (the program starts again) or Cancel (it ends with code 1; '
                         'the default)')
    ap.add_argument('--symbols', metavar='FILE.pe',
                    help='the linker\'s output of the hosted program, to name the function of a fault')
    ap.add_argument('--timeout', type=float, metavar='SECONDS',
                    help='end the program after this long, counted from its start (exit 124); default %d s, ten '
                         'times that where 32-bit code is emulated; 0 for none' % DEFAULT_TIMEOUT)
    ap.add_argument('--display', action='store_true', help='use $DISPLAY instead of a private X server')
    ap.add_argument('--locale', metavar='NAME',
                    help='run under this locale and so its code page (en_US.UTF-8: 1252, ja_JP.UTF-8: 932; '
                         'default zh_CN.UTF-8: 936)')
    ap.add_argument('--dpi', type=dpi_value, default=96, metavar='N',
                    help='run at N dots per inch (%d to %d; default 96), in a Wine prefix of its own for each N'
                         % DPI_RANGE)
    ap.add_argument('program', metavar='PROGRAM.exe')
    ap.add_argument('args', nargs=argparse.REMAINDER, metavar='ARGS')
    return ap


def parse(argv):
    """The options of a command line; CommandLineError for bad use."""
    options = parser().parse_args(argv)
    options.script = getattr(options, 'script', None) or []
    if options.timeout is not None and not options.timeout >= 0:
        raise CommandLineError('--timeout must be a number of seconds (0 for none)')
    options.default_timeout = options.timeout is None
    if options.timeout is None:
        options.timeout = DEFAULT_TIMEOUT * time_scale()
    if options.locale is not None and not locale_installed(options.locale):
        raise CommandLineError('locale %s is not installed (locale -a lists the installed ones)' % options.locale)
    return options
