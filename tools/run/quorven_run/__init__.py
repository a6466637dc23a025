"""quorven-run: runs one joined program under Wine without anyone at the
keyboard, types a script of input into its console when it waits for input,
and gives back its screen text, a screenshot and its exit status; checks
the screen and the exit code against what is expected, for CI.

    quorven-run [options] PROGRAM.exe [ARGS...]

How it works. Each run gets its own X server (Xvfb, unless --display) and,
in the project's Wine prefix (one for each --dpi), its own Wine desktop. The
Windows helper quorven-runhelper.exe starts while the X server does, then
clears the saved console rectangle (every run starts with the same window
and view), starts the program and asks its console window, through the
registered message "QuorvenRunQuery", whether the program blocks in
WaitEvent with nothing pending, and which event it has read up to. Each
line of the script is typed with xdotool once the program waits having read
everything typed before; the screen comes from the kernel's own buffer by
WM_COPYDATA, converted from the program's code page to UTF-8. A fault box
is answered by the helper, which reads the fault's words from the program's
header first.

The modules, one job each: cli (the command line), script (the input script
and key names), image (the program image and its symbols), screen (the
screen text), session and helper (the Wine and X session, the helper's
process and protocol), drive (the run's driving), faults and outcome (the
fault reports, the outcome, the exit status and the result file).

Exit status: the program's exit code (0 when --expect-exit is given and every
check passed); 2 for bad use of the tool, refused before anything starts; 3
when the run itself failed; 4 when a check failed (--expect, --expect-exit);
124 when the time-out ended the program; 125 when it waited for input after
the script was used up and its window was closed (as by the close box)."""
import os
import signal
import subprocess
import sys
import time

# The Python tools' shared modules (the PE reader).
_PYLIB = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), 'pylib')
if _PYLIB not in sys.path:
    sys.path.insert(0, _PYLIB)

from quorven_early import Early, default_prefix  # noqa: E402

from . import cli, drive  # noqa: E402
from .codepages import locale_code_page  # noqa: E402
from .errors import RunError, UsageError  # noqa: E402
from .image import Program, Symbols  # noqa: E402
from .outcome import EXIT_USAGE, Messages, Outcome, signed, write_result, write_screen  # noqa: E402
from .screen import read_expected  # noqa: E402
from .script import build_script, script_chunks  # noqa: E402
from .session import Session, prefix_for  # noqa: E402
from .tracing import trace  # noqa: E402


def main(argv, bin_dir, harness_dir, early=None):
    """The tool; early holds what the launcher started before loading it
    (quorven_early), which is ended unless the run takes it over."""
    early = early or Early([], bin_dir, harness_dir)
    try:
        return run_tool(argv, bin_dir, harness_dir, early)
    finally:
        early.close()


def refuse(message):
    """Bad use found before anything starts: one line, status 2."""
    sys.stderr.write('quorven-run: %s\n' % message)
    sys.stderr.flush()
    return EXIT_USAGE


class Plan:
    """What the checks before the run found: the program, its symbols, the
    expected screen, the code page it reads and shows text in, and the
    script's chunks."""

    def __init__(self, options, bin_dir):
        for path in (options.screen, options.png, options.result):
            if path and path != '-' and not os.path.isdir(os.path.dirname(os.path.abspath(path))):
                raise UsageError('cannot write %s: no such folder' % path)
        self.program = Program(options.program, bin_dir)
        self.symbols = Symbols.of_linked(options.symbols, self.program) if options.symbols else None
        self.expected = read_expected(options.expect) if options.expect else None
        # The program reads typed text in the code page it was joined with,
        # or else in the one of the locale it runs under.
        self.code_page = self.program.code_page or locale_code_page(options.locale)
        self.chunks = script_chunks(build_script(options.script, self.code_page), self.code_page)
        if any('\n' in a or '\r' in a for a in options.args):
            raise UsageError('an argument for the program holds a line break, which its command line cannot carry')


def windows_path(path):
    """The path as the program sees it: Wine's drive Z: is the root."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def go_line(options):
    """The helper's "go": whether to hold the exit screen for a screenshot,
    the fault box's answer, the command line."""
    command = subprocess.list2cmdline([windows_path(options.program)] + list(options.args))
    return 'go %d %s %s' % (1 if options.png else 0, options.on_fault, command)


def interrupt(signum, frame):
    raise KeyboardInterrupt


def run_tool(argv, bin_dir, harness_dir, early):
    sys.path.insert(0, harness_dir)
    import qvharness
    try:
        options = cli.parse(argv)
    except cli.CommandLineError as e:
        return refuse(str(e))
    messages = Messages()
    started = time.time()
    try:
        plan = Plan(options, bin_dir)
    except UsageError as e:
        messages.say(str(e))
        outcome = Outcome('refused')
        outcome.status = EXIT_USAGE
        if options.result and os.path.isdir(os.path.dirname(os.path.abspath(options.result))):
            write_result(options, outcome, time.time() - started, messages)
        return EXIT_USAGE
    trace('checks done')
    run, outcome = None, None
    signal.signal(signal.SIGTERM, interrupt)
    session = None
    try:
        session = Session(qvharness, prefix_for(default_prefix(bin_dir), options.dpi), options.display, bin_dir,
                          go_line(options), early, options.dpi, options.locale)
        run = drive.Run(options, plan.chunks, session, plan.program, plan.symbols, messages, plan.code_page)
        outcome = ended_run(run, run.run(started, options.timeout))
    except UsageError as e:
        return refuse(str(e))
    except RunError as e:
        if session:
            session.kill_program()
        outcome = Outcome('run failed', None, run)
        messages.say(str(e))
    except KeyboardInterrupt:
        if session:
            session.kill_program()
        outcome = Outcome('interrupted', None, run)
        messages.say('interrupted')
    finally:
        if session:
            session.close()
    return finish(options, plan, outcome, run, messages, time.time() - started)


def ended_run(run, code):
    """The outcome of a run that drove to its end (code None: the
    time-out ended it)."""
    if run.lost:
        return Outcome('input lost', None, run)
    if code is None:
        return Outcome('time-out', None, run)
    return Outcome('input used up' if run.used_up else 'exited', code, run)


def finish(options, plan, outcome, run, messages, total):
    """Writes the screen, says how the run ended, runs the checks and
    writes the result; the tool's exit status."""
    if os.environ.get('QUORVEN_RUN_TIMES'):
        sys.stderr.write('quorven-run: first wait for input %s s, whole run %.2f s\n'
                         % ('%.2f' % run.first_wait if run and run.first_wait is not None else '-', total))
    if run is not None and outcome.ended not in ('run failed', 'interrupted'):
        if options.screen:
            write_screen(run.screen or [], options.screen)
        if options.png and not run.png_done:
            messages.say('no screenshot: the program never showed its console window' if not run.window else
                         'no screenshot: the program ended before its window could be taken')
    if outcome.ended == 'input lost':
        messages.say('typed input was lost: the program waited for %d s with some of the keys typed never '
                     'delivered, and was ended' % drive.LOST_INPUT_AFTER)
    elif outcome.ended == 'time-out':
        messages.say('time-out: the program ran longer than %g s and was ended%s'
                     % (options.timeout, ' (the default time-out; --timeout SECONDS sets another)'
                        if options.default_timeout else ''))
    elif outcome.ended == 'input used up':
        messages.say('the program waited for more input than the script gives; its window was closed (it ended '
                     'with code %d)' % signed(outcome.code))
    status = outcome.decide(options, plan.expected, messages)
    write_result(options, outcome, total, messages)
    return status
