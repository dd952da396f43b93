"""A program on a pseudo-terminal, read until a text shows, for the Python
drivers of the end-to-end tests and the benchmark.

A driver may itself run with hang-ups ignored (under nohup, or as a background
job, which also ignores Ctrl+C): what it starts gets the default actions back,
as a program started from a terminal has them, and every wait for it is
bounded."""
import os
import pty
import select
import signal
import time

# Ignored dispositions survive exec; Python itself ignores SIGPIPE and
# SIGXFSZ. The program under test is given the defaults back.
DEFAULT_SIGNALS = (signal.SIGHUP, signal.SIGINT, signal.SIGQUIT, signal.SIGTERM, signal.SIGPIPE,
                   signal.SIGXFSZ)


def restore_default_signals():
    """In a child before exec: the defaults of the signals above."""
    for number in DEFAULT_SIGNALS:
        signal.signal(number, signal.SIG_DFL)


def spawn(argv, env, cwd=None):
    """Starts argv on a new pseudo-terminal; returns (pid, fd of its master)."""
    pid, fd = pty.fork()
    if pid == 0:
        try:
            restore_default_signals()
            if cwd is not None:
                os.chdir(cwd)
            os.execvpe(argv[0], argv, env)
        finally:
            os._exit(127)
    return pid, fd


def wait_child(pid, timeout):
    """Waits for the child to end, at most timeout seconds; then it is killed
    (SIGKILL) and AssertionError raised. Returns its wait status."""
    deadline = time.monotonic() + timeout
    while True:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done == pid:
            return status
        if time.monotonic() >= deadline:
            kill_child(pid)
            raise AssertionError(f"process {pid} did not end within {timeout} s; killed")
        time.sleep(0.02)


def kill_child(pid):
    """Ends a child that is left behind after a failed wait, and reaps it."""
    try:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
    except (ProcessLookupError, ChildProcessError):
        pass


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


def read_line(stream, timeout):
    """One line from a pipe of a child (a text stream), waiting at most
    timeout seconds for it; "" at its end. Raises AssertionError on time-out."""
    ready, _, _ = select.select([stream], [], [], timeout)
    if not ready:
        raise AssertionError(f"no line within {timeout} s")
    return stream.readline()


def after(seen, needle):
    """What was read after the first needle."""
    return seen[seen.index(needle) + len(needle):]


TICKET = (b"\n" * 4 + b"Brevanti Limited   09284 31 26 48\r\n" * 2 + b"\n" * 8 +
          b"\x1bi" + b"\x1bp0  ")
