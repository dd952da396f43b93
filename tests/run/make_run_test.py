#!/usr/bin/env python3
"""`make run` on a machine without a printer: it starts the virtual receipt
printer, the tool prints three tickets on it, the terminal is closed, and the
transcript shows three 89-byte "EPOS" jobs, each ending in the drawer pulse,
with no cupsd left running.

    make_run_test.py REPO_ROOT
"""
import glob
import os
import re
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from terminal import TICKET, kill_child, read_until, spawn, wait_child  # noqa: E402


def private_cupsds():
    found = []
    for cmdline in glob.glob("/proc/[0-9]*/cmdline"):
        try:
            with open(cmdline, "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            continue
        if args and os.path.basename(args[0]) == b"cupsd" and b"dk-virtual-printer" in b" ".join(args):
            found.append(cmdline)
    return found


def main():
    root = os.path.abspath(sys.argv[1])
    build = os.path.join(root, "build", "run")  # where `make run` builds
    if os.geteuid() != 0:
        print("skipped: the virtual printer starts a private cupsd, which needs root")
        return 77
    keep = os.path.join(build, "virtual-printer")
    shutil.rmtree(keep, ignore_errors=True)
    # No printer anywhere: the client's CUPS server does not exist.
    env = dict(os.environ, TERM="xterm", CUPS_SERVER="/nonexistent/dk-no-cups.sock",
               MAKEFLAGS="", MAKELEVEL="")
    pid, fd = spawn(["make", "-s", "run"], env, cwd=root)
    try:
        seen = read_until(fd, b"virtual receipt printer", b"", 240)
        seen = read_until(fd, b"Test1:", seen, 30)
        for cycle in (1, 2, 3):
            os.write(fd, b"\r")
            seen = read_until(fd, f"Test{cycle + 1}:".encode(), seen, 10)
    except BaseException:
        os.close(fd)
        kill_child(pid)
        raise
    os.close(fd)  # the terminal closes: hang-up for everything on it

    deadline = time.monotonic() + 20
    while time.monotonic() < deadline and private_cupsds():
        time.sleep(0.2)
    wait_child(pid, 20)

    failures = []
    if private_cupsds():
        failures.append("a private cupsd is still running")
    transcript_path = os.path.join(keep, "transcript.log")
    transcript = open(transcript_path, encoding="utf-8").read() if os.path.exists(transcript_path) else ""
    jobs = re.split(r"(?m)^(?==== job )", transcript)
    jobs = [j for j in jobs if j.startswith("=== job")]
    if len(jobs) != 3:
        failures.append(f"{len(jobs)} jobs in the transcript, not 3:\n{transcript}")
    for job in jobs:
        header = job.splitlines()[0]
        if not re.fullmatch(r'=== job \d+ "EPOS" 89 bytes', header):
            failures.append(f"job header {header!r}")
        if job.strip().splitlines()[-1] != "drawer pulse pin 2, on 64 ms, off 64 ms":
            failures.append(f"job does not end in the drawer pulse:\n{job}")
    binaries = sorted(glob.glob(os.path.join(keep, "job-*.bin")))
    if len(binaries) != 3 or any(open(b, "rb").read() != TICKET for b in binaries):
        failures.append(f"raw job files {binaries} are not three copies of the ticket")
    if failures:
        print("FAILED:\n" + "\n".join(failures))
        return 1
    print(transcript)
    print("make run: three tickets on the virtual receipt printer, no cupsd left")
    return 0


if __name__ == "__main__":
    sys.exit(main())
