#!/usr/bin/env python3
"""Time from the Enter key to the job accepted by a private cupsd, side by side:
drawer-kick-test itself, `lp -o raw` with the same 89 bytes (what a technician
would script instead), and a minimal libcups client (the floor the spooler
allows). Writes the report to docs/benchmarks.md.

    bench.py BUILD_DIR [CYCLES]
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from terminal import (TICKET, after, kill_child, read_line, read_until,  # noqa: E402
                      restore_default_signals, spawn, wait_child)
QUEUE = "bench"
IDLE_BETWEEN_TICKETS = 0.1  # seconds
# Bounds of the waits, far above what a sound run takes: a ticket takes
# milliseconds, a private cupsd starts in a second or two.
TICKET_LIMIT = 10
SCRIPT_LIMIT = 120
EXIT_LIMIT = 10


def cupsd(*args):
    return subprocess.run([os.path.join(ROOT, "scripts", "cupsd-private.sh"), *args],
                          check=True, capture_output=True, text=True, timeout=SCRIPT_LIMIT,
                          preexec_fn=restore_default_signals).stdout


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


class Tool:
    """The real program on a pseudo-terminal. One cycle is Enter-to-next-prompt:
    the next prompt is written only once the spooler has accepted the ticket
    (EndDocPrinter returns after cupsd answered)."""

    def __init__(self, program, env):
        start = time.monotonic()
        self.pid, self.fd = spawn([program], env)
        self.rest = after(read_until(self.fd, b"Test1:"), b"Test1:")
        self.startup = time.monotonic() - start
        self.cycle = 0

    def ticket(self):
        self.cycle += 1
        prompt = f"Test{self.cycle + 1}:".encode()
        t0 = time.perf_counter()
        os.write(self.fd, b"\r")
        self.rest = after(read_until(self.fd, prompt, self.rest, TICKET_LIMIT), prompt)
        return time.perf_counter() - t0

    def close(self):
        rss = peak_rss_kib(self.pid)
        os.kill(self.pid, signal.SIGHUP)
        try:
            wait_child(self.pid, EXIT_LIMIT)
        finally:
            os.close(self.fd)
        return rss


def lp_ticket(env, ticket_file):
    t0 = time.perf_counter()
    subprocess.run(["lp", "-d", QUEUE, "-o", "raw", "-t", "EPOS", ticket_file], env=env,
                   check=True, capture_output=True, timeout=TICKET_LIMIT,
                   preexec_fn=restore_default_signals)
    return time.perf_counter() - t0


class Floor:
    """The minimal libcups client: one ticket for each line it is sent."""

    def __init__(self, floor, env, ticket_file):
        self.process = subprocess.Popen([floor, QUEUE, ticket_file], env=env, text=True,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        preexec_fn=restore_default_signals)

    def ticket(self):
        self.process.stdin.write("\n")
        self.process.stdin.flush()
        line = read_line(self.process.stdout, TICKET_LIMIT)
        if not line:
            sys.exit("cups-floor failed")
        return int(line) / 1e6

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(EXIT_LIMIT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise


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
            # Interleaved, one ticket of each client in turn, so that all
            # three meet the server in the same state (cupsd slows down as
            # its job history grows), and each ticket after a pause in which
            # cupsd finishes the job before it, as at a till's pace.
            tool_client, floor_client = Tool(program, env), Floor(floor, env, ticket_file)
            tool, lp, floor_times = [], [], []
            try:
                for _ in range(cycles):
                    for client, times in ((tool_client.ticket, tool),
                                          (lambda: lp_ticket(env, ticket_file), lp),
                                          (floor_client.ticket, floor_times)):
                        time.sleep(IDLE_BETWEEN_TICKETS)
                        times.append(client())
            except BaseException:
                # A wait ran out: the clients are not left behind.
                kill_child(tool_client.pid)
                floor_client.process.kill()
                raise
            startup = tool_client.startup
            rss = tool_client.close()
            floor_client.close()
        finally:
            cupsd("stop", server)

    med = {name: statistics.median(t) for name, t in
           (("tool", tool), ("lp", lp), ("floor", floor_times))}
    lines = [
        "# Benchmarks",
        "",
        "Time from the Enter key to the job accepted by a private cupsd (a raw queue on",
        "this machine, over its local socket), median over "
        f"{cycles} tickets of 89 bytes each, all three in one run,",
        "interleaved ticket by ticket so that each meets the server in the same state,",
        "each after a pause of 0.1 s in which cupsd finishes the job before it.",
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
        f"- Start-up of drawer-kick-test (start to first prompt): {ms(startup)}; this includes",
        "  up to 150 ms waiting for the terminal to report the cursor position, which the",
        "  benchmark's bare pseudo-terminal never does (a terminal emulator answers at once)",
        f"- Peak resident memory of drawer-kick-test after {cycles} cycles: {rss} KiB",
        "",
        "Per ticket the floor makes two requests on a connection it keeps (Create-Job,",
        "Send-Document). drawer-kick-test keeps one connection too and makes three: it",
        "must also ask which printer is the default now (CUPS-Get-Default, which also",
        "brings the printer's current default resolution for the device context: the",
        "operator may change either between Enters), and it echoes the line end and",
        "writes the next prompt on the terminal. `lp` starts a process and looks",
        "everything up anew for each ticket.",
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
