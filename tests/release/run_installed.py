"""Runs a drawer-kick-test program on a pseudo-terminal of 100 x 30: presses
Enter for ENTERS cycles, each after its prompt shows (so the previous cycle's
ticket has gone out), then closes the terminal as closing its window would and
expects the program to end by that hang-up within a bound.

Usage: run_installed.py PROGRAM ENTERS"""
import fcntl
import os
import pty
import signal
import struct
import sys
import termios

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from terminal import kill_child, read_until, restore_default_signals, wait_child  # noqa: E402

PROMPT_TIMEOUT = 20.0  # seconds for a prompt: start-up or one cycle's ticket
END_TIMEOUT = 15.0  # seconds for the program to end after the hang-up


def prompt(cycle):
    return b"Test%d: Press Enter To test default printer's draw kick." % cycle


def main(program, enters):
    pid, fd = pty.fork()
    if pid == 0:
        restore_default_signals()
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 30, 100, 0, 0))
        os.environ["TERM"] = "xterm"
        os.execv(program, [program])
    seen = b""
    try:
        for cycle in range(1, enters + 1):
            seen = read_until(fd, prompt(cycle), seen, PROMPT_TIMEOUT)
            os.write(fd, b"\r")
        seen = read_until(fd, prompt(enters + 1), seen, PROMPT_TIMEOUT)
    except AssertionError:
        kill_child(pid)
        raise
    os.close(fd)  # the terminal goes away: the close event
    try:
        status = wait_child(pid, END_TIMEOUT)
    except AssertionError as late:
        raise AssertionError(f"still running {END_TIMEOUT} s after the terminal closed") from late
    if not (os.WIFSIGNALED(status) and os.WTERMSIG(status) == signal.SIGHUP):
        raise AssertionError(f"ended with wait status {status:#x}, not by the hang-up")
    print(f"run_installed: {enters} cycles, then ended by the hang-up")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], int(sys.argv[2]))
