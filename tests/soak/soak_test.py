#!/usr/bin/env python3
"""255 cycles of the real program on a pseudo-terminal against a private
cupsd: no leak at the end (valgrind), no file descriptor left open by a cycle,
and a flat memory footprint from cycle 10 to cycle 255.

    soak_test.py PROGRAM CUPSD_SCRIPT [--valgrind]
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from terminal import (TICKET, after, kill_child, read_until, restore_default_signals,  # noqa: E402
                      spawn, wait_child)

CYCLES = 255


def snapshot(pid):
    rss = 0
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
    fds = sorted(os.readlink(f"/proc/{pid}/fd/{fd}") for fd in os.listdir(f"/proc/{pid}/fd"))
    return rss, fds


def run(program, env, valgrind, log):
    argv = [program]
    if valgrind:
        argv = ["valgrind", "--leak-check=full", "--errors-for-leak-kinds=definite,indirect",
                "--show-leak-kinds=definite,indirect", "--error-exitcode=99",
                f"--log-file={log}", program]
    pid, fd = spawn(argv, env)
    slow = 20 if valgrind else 5
    samples = {}
    try:
        rest = after(read_until(fd, b"Test1:", b"", 30 if valgrind else 10), b"Test1:")
        for cycle in range(1, CYCLES + 1):
            if cycle in (10, CYCLES) and not valgrind:
                samples[cycle] = snapshot(pid)
            os.write(fd, b"\r")
            if cycle < CYCLES:
                prompt = f"Test{cycle + 1}:".encode()
                rest = after(read_until(fd, prompt, rest, slow), prompt)
    except BaseException:
        kill_child(pid)  # a wait ran out: nothing is left behind
        raise
    # valgrind's leak check at the exit takes a while.
    status = wait_child(pid, 60 if valgrind else 10)
    os.close(fd)
    return os.waitstatus_to_exitcode(status), samples


def main():
    program, script = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    valgrind = "--valgrind" in sys.argv[3:]
    with tempfile.TemporaryDirectory(prefix="dk-soak-") as work:
        os.chmod(work, 0o755)
        server = os.path.join(work, "cups")
        subprocess.run([script, "start", server], check=True, capture_output=True, timeout=120,
                       preexec_fn=restore_default_signals)
        try:
            subprocess.run([script, "add-raw", server, "receipt", "--default"], check=True,
                           capture_output=True, timeout=120)
            env = dict(os.environ, TERM="xterm", CUPS_SERVER=os.path.join(server, "sock"))
            log = os.path.join(work, "valgrind.log")
            code, samples = run(program, env, valgrind, log)
            jobs = subprocess.run([script, "jobs", server], check=True, capture_output=True,
                                  text=True, timeout=120).stdout.split("\n")
        finally:
            subprocess.run([script, "stop", server], capture_output=True, timeout=120)

        failures = []
        if code != 0:
            failures.append(f"exit code {code}")
            if valgrind and os.path.exists(log):
                failures.append(open(log).read()[-4000:])
        jobs = [j.split() for j in jobs if j.strip()]
        if len(jobs) != CYCLES:
            failures.append(f"{len(jobs)} jobs, not {CYCLES}")
        bad = [j for j in jobs if j[1] != "EPOS" or open(j[2], "rb").read() != TICKET]
        if bad:
            failures.append(f"{len(bad)} jobs not an EPOS ticket of the 89 bytes")
        if samples:
            (rss10, fds10), (rss255, fds255) = samples[10], samples[CYCLES]
            print(f"cycle 10: {rss10} KiB, {len(fds10)} fds; cycle {CYCLES}: {rss255} KiB, "
                  f"{len(fds255)} fds")
            if fds10 != fds255:
                failures.append(f"open files changed: {fds10} -> {fds255}")
            if rss255 - rss10 > 256:
                failures.append(f"memory grew by {rss255 - rss10} KiB from cycle 10 to {CYCLES}")
    if failures:
        print("FAILED:\n" + "\n".join(failures))
        return 1
    print(f"{CYCLES} cycles, {CYCLES} tickets, " +
          ("no leak under valgrind" if valgrind else "flat memory, no descriptor left open"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
