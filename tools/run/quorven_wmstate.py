"""The one duty of a window manager that Wine waits for, on quorven-run's
private X server: the ICCCM WM_STATE property of each top-level window,
Normal once it is mapped and Withdrawn once it is unmapped.

Before Wine hides a window it waits for the window manager to have marked the
window's earlier mapping (wait_for_withdrawn_state in its X11 driver); on an
X server without one it gives up after 2 s, so every program whose window was
shown took 2 s longer to end than it ran, and every box or dialog as long to
close. quorven-run starts this as a process of its own beside the X server,
so that the X server's end (which ends an X client's process) never touches
the tool.

usage: quorven_wmstate.py DISPLAY   (prints "ready" once it watches)"""
import ctypes
import sys
import time

MAP_NOTIFY, UNMAP_NOTIFY = 19, 18
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
NORMAL_STATE, WITHDRAWN_STATE = 1, 0


class XMapEvent(ctypes.Structure):
    """The part that XMapEvent and XUnmapEvent share: type, serial,
    send_event, display, event (the root here), window."""
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('event', ctypes.c_ulong), ('window', ctypes.c_ulong),
                ('override_redirect', ctypes.c_int)]


def main(display_name):
    x11 = ctypes.CDLL('libX11.so.6')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                    ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
    # A window may be gone by the time its property is set: the X error
    # that gives is of no interest (Xlib's own handler would end the process).
    ignore = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda display, error: 0)
    x11.XSetErrorHandler.argtypes = [ctypes.c_void_p]
    x11.XSetErrorHandler(ignore)
    # Started with the X server, it may come first: it tries for a minute.
    display = None
    end = time.time() + 60
    while not display:
        display = x11.XOpenDisplay(display_name.encode())
        if not display:
            if time.time() > end:
                return 1
            time.sleep(0.002)
    root = x11.XDefaultRootWindow(display)
    wm_state = x11.XInternAtom(display, b'WM_STATE', 0)
    x11.XSelectInput(display, root, SUBSTRUCTURE_NOTIFY_MASK)
    x11.XSync(display, 0)
    print('ready', flush=True)
    event = ctypes.create_string_buffer(192)  # an XEvent
    while True:
        x11.XNextEvent(display, event)
        e = XMapEvent.from_buffer(event)
        # Top-level windows only (their parent is the root; a client's own
        # synthetic unmap of a withdrawn window comes this way too), not the
        # override-redirect ones such as menus, which no manager marks.
        if e.type not in (MAP_NOTIFY, UNMAP_NOTIFY) or e.event != root:
            continue
        if e.type == MAP_NOTIFY and e.override_redirect:
            continue
        state = (ctypes.c_long * 2)(NORMAL_STATE if e.type == MAP_NOTIFY else WITHDRAWN_STATE, 0)
        x11.XChangeProperty(display, e.window, wm_state, wm_state, 32, 0, state, 2)
        x11.XFlush(display)


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit('usage: quorven_wmstate.py DISPLAY')
    sys.exit(main(sys.argv[1]))
