# What the desktop tests share: failures noted as they come, and waiting while the accessibility bus talks.
import sys
import time

from gi.repository import GLib

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


def pump_until(condition, seconds=10):
    """Runs the event loop, so that events are heard, until `condition` holds or time is up."""
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        loop = GLib.MainLoop()
        GLib.timeout_add(100, loop.quit)
        loop.run()
    return condition()
