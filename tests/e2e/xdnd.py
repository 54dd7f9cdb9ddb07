"""A file dragged from a file manager and dropped onto a window, as the X server carries it: the
drag-and-drop protocol (XDND) from the side of the window the drag comes from. Needs python3-xlib.
"""

import sys
import time
import urllib.parse

try:
    import Xlib  # noqa: F401
except ImportError:
    # Debian's python3-xlib is plain Python, installed for Debian's python3: another python3 first
    # on the PATH finds it there.
    sys.path.append("/usr/lib/python3/dist-packages")

XDND_VERSION = 5


def drop_file(display_name, target, point, path, timeout=10.0):
    """Drops the file at path onto the window target (an X window id) at point (root
    coordinates), and waits until the window says it has taken the drop. True when it accepted
    the file, False when it refused it."""
    from Xlib import X, display
    from Xlib.protocol import event

    d = display.Display(display_name)
    try:
        atom = d.intern_atom
        uri_list = atom("text/uri-list")
        selection = atom("XdndSelection")
        copy = atom("XdndActionCopy")
        source = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        source.set_selection_owner(selection, X.CurrentTime)
        target_window = d.create_resource_object("window", target)
        data = (urllib.parse.quote(f"file://{path}", safe="/:") + "\r\n").encode()

        def send(name, values):
            message = event.ClientMessage(window=target_window, client_type=atom(name),
                                          data=(32, (values + [0] * 5)[:5]))
            target_window.send_event(message, event_mask=X.NoEventMask)
            d.flush()

        send("XdndEnter", [source.id, XDND_VERSION << 24, uri_list])
        send("XdndPosition", [source.id, 0, (point[0] << 16) | point[1], X.CurrentTime, copy])
        dropped = False
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not d.pending_events():
                time.sleep(0.02)
                continue
            e = d.next_event()
            if e.type == X.ClientMessage and e.client_type == atom("XdndStatus") and not dropped:
                send("XdndDrop", [source.id, 0, X.CurrentTime])
                dropped = True
            elif e.type == X.SelectionRequest:
                # The window asks for the dragged data: the file's address.
                e.requestor.change_property(e.property, uri_list, 8, data)
                reply = event.SelectionNotify(time=e.time, requestor=e.requestor,
                                              selection=e.selection, target=e.target,
                                              property=e.property)
                e.requestor.send_event(reply, event_mask=X.NoEventMask)
                d.flush()
            elif e.type == X.ClientMessage and e.client_type == atom("XdndFinished"):
                return bool(e.data[1][1] & 1)
        raise AssertionError(f"the window took no drop within {timeout} s")
    finally:
        d.close()
