#!/usr/bin/env python3
"""The drivers run as under nohup or as a background job: this process ignores
hang-ups and Ctrl+C, and what it starts inherits that unless given the
defaults back. Checks that the drivers' children end on SIGHUP (the
benchmark's way of closing the program), and that their waits end within
their bounds when a child never ends or never answers.

    under_nohup_test.py PROGRAM PANE_RUNNER
"""
import os
import pty
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # the source tree stays as it is
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
sys.path.insert(0, os.path.join(ROOT, "bench"))
import bench  # noqa: E402
from terminal import read_line, spawn, wait_child  # noqa: E402

# sh cannot undo a hang-up ignored at its start: with it ignored, this goes
# on to exit 3; with the default action, the hang-up ends it.
HANGUP_ITSELF = ["/bin/sh", "-c", "kill -HUP $$; exit 3"]
failures = []


def check(what, condition, detail=""):
    print(("ok   " if condition else "FAIL ") + what + (f": {detail}" if detail else ""))
    if not condition:
        failures.append(what)


def how_it_ended(status):
    if os.WIFSIGNALED(status):
        return f"signal {os.WTERMSIG(status)}"
    return f"exit {os.WEXITSTATUS(status)}"


def main():
    program, runner = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    signal.signal(signal.SIGHUP, signal.SIG_IGN)
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    print("ran: this driver with SIGHUP and SIGINT ignored, as nohup and a background job leave them")

    # Probe: a child started the plain way inherits the ignored hang-up.
    pid, fd = pty.fork()
    if pid == 0:
        os.execvp(HANGUP_ITSELF[0], HANGUP_ITSELF)
    ended = how_it_ended(wait_child(pid, 10))
    os.close(fd)
    check("a plainly started child ignores hang-ups here", ended == "exit 3", ended)

    pid, fd = spawn(HANGUP_ITSELF, dict(os.environ))
    ended = how_it_ended(wait_child(pid, 10))
    os.close(fd)
    check("a child the drivers start ends on hang-up", ended == f"signal {signal.SIGHUP}", ended)

    # The benchmark's own client: the program at its first prompt, closed by
    # SIGHUP, as `make bench` does after its last ticket. No printer is
    # needed for the prompt.
    env = dict(os.environ, TERM="xterm", CUPS_SERVER="/nonexistent/dk-no-cups.sock")
    start = time.monotonic()
    tool = bench.Tool(program, env)
    tool.close()
    check("the benchmark closes the program by hang-up", time.monotonic() - start < bench.EXIT_LIMIT,
          f"{time.monotonic() - start:.1f} s")

    # A child that ignores hang-ups and never ends: the wait ends at its
    # bound and the child is gone.
    pid, fd = spawn(["sh", "-c", "trap '' HUP TERM; sleep 37.5"], dict(os.environ))
    start = time.monotonic()
    try:
        wait_child(pid, 1)
        check("a wait for a child that never ends is bounded", False, "it ended by itself")
    except AssertionError:
        took = time.monotonic() - start
        try:
            os.kill(pid, 0)
            gone = False
        except ProcessLookupError:
            gone = True
        check("a wait for a child that never ends is bounded", took < 3 and gone,
              f"{took:.1f} s, child gone: {gone}")
    os.close(fd)

    # A child that never answers: the wait for its line is bounded too.
    silent = subprocess.Popen(["sleep", "37.5"], stdout=subprocess.PIPE, text=True)
    start = time.monotonic()
    try:
        read_line(silent.stdout, 0.5)
        check("a wait for a line is bounded", False, "a line came")
    except AssertionError:
        check("a wait for a line is bounded", time.monotonic() - start < 2)
    silent.kill()
    silent.wait(10)

    # The end-to-end tests' pane runner, itself started with hang-ups
    # ignored: the program it starts gets the default action back.
    with tempfile.TemporaryDirectory(prefix="dk-drivers-") as work:
        result = os.path.join(work, "result")
        subprocess.run([runner, result, *HANGUP_ITSELF], stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=30)
        with open(result) as f:
            status = f.readline().strip()
        check("the pane runner's program ends on hang-up", status == f"status signal {signal.SIGHUP}",
              status)

    # And its bound: a program that outlives it, hang-ups or not, is killed.
    with tempfile.TemporaryDirectory(prefix="dk-drivers-") as work:
        result = os.path.join(work, "result")
        start = time.monotonic()
        subprocess.run([runner, "--limit", "1", "--keep-hangup", result, "/bin/sh", "-c",
                        "trap '' HUP TERM; exec sleep 37.5"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        took = time.monotonic() - start
        with open(result) as f:
            status = f.readline().strip()
        check("the pane runner kills a program past its limit",
              status == f"status signal {signal.SIGKILL}" and took < 5, f"{status}, {took:.1f} s")

    if failures:
        print(f"FAILED: {len(failures)} check(s)")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
