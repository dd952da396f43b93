"""A program on a pseudo-terminal, read until a text shows, for the Python
drivers of the end-to-end tests and the benchmark."""
import os
import select
import time


def read_until(fd, needle, seen=b"", timeout=10.0):
    """Reads the terminal until needle has been seen; returns all read so far.
    Raises AssertionError on time-out or when the terminal closes first."""
    deadline = time.monotonic() + timeout
    while needle not in seen:
        left = deadline - time.monotonic()
        if left <= 0:
            raise AssertionError(f"no {needle!r} within {timeout} s; last output: {seen[-400:]!r}")
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            try:
                chunk = os.read(fd, 65536)
            except OSError:  # EIO: the other side of the terminal is gone
                chunk = b""
            if not chunk:
                raise AssertionError(f"terminal closed before {needle!r}")
            seen += chunk
    return seen


def after(seen, needle):
    """What was read after the first needle."""
    return seen[seen.index(needle) + len(needle):]


TICKET = (b"\n" * 4 + b"Brevanti Limited   09284 31 26 48\r\n" * 2 + b"\n" * 8 +
          b"\x1bi" + b"\x1bp0  ")
