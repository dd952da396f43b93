#!/usr/bin/env python3
"""Time from the Enter key to the job accepted by a private cupsd, side by side:
drawer-kick-test itself, `lp -o raw` with the same 89 bytes (what a technician
would script instead), and a minimal libcups client (the floor the spooler
allows). Writes the report to docs/benchmarks.md.

    bench.py BUILD_DIR [CYCLES]
"""
import os
import pty
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from terminal import TICKET, after, read_until  # noqa: E402
QUEUE = "bench"


def cupsd(*args):
    return subprocess.run([os.path.join(ROOT, "scripts", "cupsd-private.sh"), *args],
                          check=True, capture_output=True, text=True).stdout


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def bench_tool(program, cycles, env):
    """Enter-to-next-prompt: the next prompt is written only once the spooler
    has accepted the ticket (EndDocPrinter returns after cupsd answered)."""
    start = time.monotonic()
    pid, fd = pty.fork()
    if pid == 0:
        os.execve(program, [program], env)
    rest = after(read_until(fd, b"Test1:"), b"Test1:")
    startup = time.monotonic() - start
    times = []
    for cycle in range(1, cycles + 1):
        t0 = time.perf_counter()
        os.write(fd, b"\r")
        prompt = f"Test{cycle + 1}:".encode()
        rest = after(read_until(fd, prompt, rest), prompt)
        times.append(time.perf_counter() - t0)
    rss = peak_rss_kib(pid)
    os.kill(pid, signal.SIGHUP)
    os.waitpid(pid, 0)
    os.close(fd)
    return times, startup, rss


def bench_lp(cycles, env, ticket_file):
    times = []
    for _ in range(cycles):
        t0 = time.perf_counter()
        subprocess.run(["lp", "-d", QUEUE, "-o", "raw", "-t", "EPOS", ticket_file], env=env,
                       check=True, capture_output=True)
        times.append(time.perf_counter() - t0)
    return times


def bench_floor(floor, cycles, env, ticket_file):
    run = subprocess.run([floor, QUEUE, str(cycles), ticket_file], env=env,
                         capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"cups-floor failed: {run.stderr.strip()}")
    out = run.stdout
    return [int(line) / 1e6 for line in out.split()]


def ms(seconds):
    return f"{seconds * 1000:.2f} ms"


def main():
    build = os.path.abspath(sys.argv[1])
    cycles = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    program = os.path.join(build, "tester", "drawer-kick-test")
    floor = os.path.join(build, "bench", "cups-floor")
    with tempfile.TemporaryDirectory(prefix="dk-bench-") as work:
        os.chmod(work, 0o755)
        server = os.path.join(work, "cups")
        cupsd("start", server)
        try:
            cupsd("add-raw", server, QUEUE, "--default")
            env = dict(os.environ)
            key, value = cupsd("env", server).strip().split("=", 1)
            env[key] = value
            env["TERM"] = "xterm"
            ticket_file = os.path.join(work, "ticket.bin")
            with open(ticket_file, "wb") as f:
                f.write(TICKET)
            tool, startup, rss = bench_tool(program, cycles, env)
            lp = bench_lp(cycles, env, ticket_file)
            floor_times = bench_floor(floor, cycles, env, ticket_file)
        finally:
            cupsd("stop", server)

    med = {name: statistics.median(t) for name, t in
           (("tool", tool), ("lp", lp), ("floor", floor_times))}
    lines = [
        "# Benchmarks",
        "",
        "Time from the Enter key to the job accepted by a private cupsd (a raw queue on",
        "this machine, over its local socket), median over "
        f"{cycles} tickets of 89 bytes each, all three in one run.",
        "",
        "Produced by `make bench` (which runs `bench/bench.py build/host "
        f"{cycles}`).",
        "",
        "| client | median per ticket | vs. floor |",
        "|---|---|---|",
        f"| drawer-kick-test (Enter to next prompt) | {ms(med['tool'])} | "
        f"{med['tool'] / med['floor']:.2f} x |",
        f"| `lp -o raw` | {ms(med['lp'])} | {med['lp'] / med['floor']:.2f} x |",
        f"| minimal libcups client (floor) | {ms(med['floor'])} | 1.00 x |",
        "",
        f"drawer-kick-test is {med['lp'] / med['tool']:.1f} times faster than `lp -o raw`.",
        "",
        f"- Start-up of drawer-kick-test (start to first prompt): {ms(startup)}",
        f"- Peak resident memory of drawer-kick-test after {cycles} cycles: {rss} KiB",
        "",
        f"Machine: {os.cpu_count()} cores; measured {time.strftime('%Y-%m-%d')}.",
    ]
    report = "\n".join(lines) + "\n"
    os.makedirs(os.path.join(ROOT, "docs"), exist_ok=True)
    with open(os.path.join(ROOT, "docs", "benchmarks.md"), "w") as f:
        f.write(report)
    print(report)


if __name__ == "__main__":
    main()
