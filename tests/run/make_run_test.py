#!/usr/bin/env python3
"""`make run` on a machine without a printer, in a real terminal (a tmux pane
running an interactive shell): it starts the virtual receipt printer, the
tool prints tickets on it, and then the run ends one way or another. However
it ends, the closing lines say how many tickets went out and how many jobs
the printer accepted, repeat why the virtual printer is used, and name the
transcript and receipts.html; the shell's prompt comes back clean (no make
error after an operator's stop), with the terminal's title and modes as they
were; the transcript, the raw jobs and the picture hold what was sent; no
cupsd, virtual printer folder or tmux socket is left.

    make_run_test.py REPO_ROOT ENDING

ENDING: ctrl-c (the operator stops it), hangup (its window's hang-up reaches
the tool), closed (the whole window is closed: tmux kill-session), crash
(SIGSEGV to the tool), cycles (all 255 cycles to the normal end); printer is
Ctrl+C where the machine has a default printer (a raw queue of a private
cupsd the test starts), so the virtual one is not used; first-run is Ctrl+C
after a build from nothing (a build folder of the test's own), during which
the screen must never stay still for long.
"""
import glob
import subprocess
import os
import re
import shutil
import signal
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from terminal import TICKET  # noqa: E402
from tmux_pane import Pane, find_program  # noqa: E402

FIRST_PROMPT_TIMEOUT = 300  # seconds: a first `make run` builds the program
CYCLE_TIMEOUT = 10          # seconds for a ticket and the next prompt
CLOSING_TIMEOUT = 40        # seconds: draining the printer (10) and stopping cupsd (10)
PROMPT = "dk-test# "
TITLE = "Till 4 terminal"

ENDINGS = {
    # ending: (tickets, closing words, make's error line or None)
    "ctrl-c": (3, "drawer-kick-test stopped with Ctrl+C.", None),
    "hangup": (3, "drawer-kick-test ended: its window was closed.", None),
    "closed": (3, "drawer-kick-test ended: its window was closed.", None),
    "crash": (3, "drawer-kick-test crashed (signal SIGSEGV, exit status 139).",
              r"make: \*\*\* \[Makefile:\d+: run\] Error 139"),
    "cycles": (255, "drawer-kick-test finished its cycles.", None),
    "printer": (3, "drawer-kick-test stopped with Ctrl+C.", None),
    "first-run": (1, "drawer-kick-test stopped with Ctrl+C.", None),
}
LONGEST_SILENCE = 5.0  # seconds without a new line before the first prompt
DEFAULT_QUEUE = "till"
NOTICE = "No CUPS default printer here: printing to the virtual receipt printer."


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


def processes_naming(path):
    found = []
    for cmdline in glob.glob("/proc/[0-9]*/cmdline"):
        try:
            with open(cmdline, "rb") as f:
                if path.encode() in f.read() and not cmdline.startswith(f"/proc/{os.getpid()}/"):
                    found.append(cmdline)
        except OSError:
            continue
    return found


def virtual_printer_folders():
    return set(glob.glob(os.path.join(tempfile.gettempdir(), "dk-virtual-printer.*")))


def wait_first_prompt_watching(pane, failures):
    """Waits for the first prompt, noting the longest time the screen stayed
    unchanged on the way, and that the notice showed."""
    deadline = time.monotonic() + FIRST_PROMPT_TIMEOUT
    screen, changed, longest, notice_seen = "", time.monotonic(), 0.0, False
    while "Test1:" not in screen:
        if time.monotonic() > deadline:
            raise AssertionError(f"no first prompt within {FIRST_PROMPT_TIMEOUT} s:\n{screen}")
        time.sleep(0.25)
        now, new = time.monotonic(), pane.screen()
        if new != screen:
            longest = max(longest, now - changed)
            screen, changed = new, now
            notice_seen = notice_seen or NOTICE in screen
    print(f"longest silence before the first prompt: {longest:.1f} s")
    if longest > LONGEST_SILENCE:
        failures.append(f"the screen stayed still for {longest:.1f} s before the first prompt")
    if not notice_seen:
        failures.append("the virtual printer's notice did not show before the first prompt")


def print_tickets(pane, count):
    """Presses Enter count times, a few at a time, each batch checked by the
    prompt it leads to."""
    done = 0
    while done < count:
        batch = min(5, count - done)
        pane.keys(*["Enter"] * batch)
        done += batch
        if done < 255:
            pane.wait_text(f"Test{done + 1}:", CYCLE_TIMEOUT * batch)


def counted(n, unit):
    return f"{n} {unit}" + ("" if n == 1 else "s")


def closing_block(screen):
    """The lines from the closing line on."""
    lines = [line.rstrip() for line in screen.rstrip("\n").split("\n")]
    for i, line in enumerate(lines):
        if line.startswith("drawer-kick-test ") and line.endswith("."):
            return lines[i:]
    return []


def check_closing(screen, tickets, words, keep, failures):
    """The five closing lines; returns the lines after them."""
    block = closing_block(screen)
    expected = [
        words,
        f"  {counted(tickets, 'ticket')} sent; the virtual receipt printer accepted "
        f"{counted(tickets, 'job')}.",
        f"  {NOTICE}",
        f"  Transcript: {keep}/transcript.log",
        f"  Pictures:   {keep}/receipts.html",
    ]
    if block[:5] != expected:
        failures.append(f"closing lines {block[:5]!r}, not {expected!r}; the screen:\n{screen}")
    return [line.rstrip() for line in block[5:] if line.strip()]


def check_prompt(rest, make_error, failures):
    """After the closing lines, the prompt on a line of its own; make speaks
    only of a crash, and on a line of its own too."""
    wanted = ([make_error] if make_error else []) + [PROMPT.rstrip()]
    if len(rest) != len(wanted) or not all(re.fullmatch(w, line) for w, line in
                                             zip(wanted, rest)):
        failures.append(f"after the closing lines {rest!r}, not {wanted!r}")


def check_printer_output(keep, tickets, failures):
    transcript_path = os.path.join(keep, "transcript.log")
    transcript = open(transcript_path, encoding="utf-8").read() if os.path.exists(transcript_path) else ""
    jobs = [j for j in re.split(r"(?m)^(?==== job )", transcript) if j.startswith("=== job")]
    if len(jobs) != tickets:
        failures.append(f"{len(jobs)} jobs in the transcript, not {tickets}:\n{transcript[:2000]}")
    for job in jobs:
        header = job.splitlines()[0]
        if not re.fullmatch(r'=== job \d+ "EPOS" 89 bytes', header):
            failures.append(f"job header {header!r}")
        if job.strip().splitlines()[-1] != "drawer pulse pin 2, on 64 ms, off 64 ms":
            failures.append(f"job does not end in the drawer pulse:\n{job}")
    binaries = glob.glob(os.path.join(keep, "job-*.bin"))
    if len(binaries) != tickets or any(open(b, "rb").read() != TICKET for b in binaries):
        failures.append(f"{len(binaries)} raw job files, not {tickets} copies of the ticket")
    page_path = os.path.join(keep, "receipts.html")
    page = open(page_path, encoding="utf-8").read() if os.path.exists(page_path) else ""
    if page.count('<section class="receipt">') != tickets:
        failures.append(f"receipts.html does not draw {tickets} receipts")


def main():
    root = os.path.abspath(sys.argv[1])
    ending = sys.argv[2]
    tickets, words, make_error = ENDINGS[ending]
    if os.geteuid() != 0:
        print("skipped: the virtual printer starts a private cupsd, which needs root")
        return 77
    if shutil.which("tmux") is None:
        print("FAILED: tmux is not installed (scripts/install-deps.sh test installs it)")
        return 1
    print(f"make -s run in a tmux pane, {tickets} tickets, then: {ending}")
    scratch = tempfile.mkdtemp(prefix="dk-make-run-")
    os.chmod(scratch, 0o711)  # cupsd's backends run as lp below it
    make_command = "make -s run"
    build = os.path.join(root, "build", "run")  # where `make run` builds
    if ending == "first-run":
        build = os.path.join(scratch, "build")
        make_command += f" RUN_BUILD={build}"
    program = os.path.join(build, "tester", "drawer-kick-test")
    keep = os.path.join(build, "virtual-printer")
    shutil.rmtree(keep, ignore_errors=True)
    folders_before = virtual_printer_folders()
    cupsd_private = os.path.join(root, "scripts", "cupsd-private.sh")
    server = os.path.join(scratch, "cups")
    if ending == "printer":
        subprocess.run([cupsd_private, "start", server], check=True, timeout=60)
        subprocess.run([cupsd_private, "add-raw", server, DEFAULT_QUEUE, "--default"], check=True,
                       timeout=60)
        cups_server = os.path.join(server, "sock")
    else:
        cups_server = "/nonexistent/dk-no-cups.sock"  # no printer anywhere
    pane = Pane(scratch, "env -u MAKEFLAGS -u MAKELEVEL -u LPDEST -u PRINTER TERM=xterm "
                f"CUPS_SERVER={cups_server} PS1='{PROMPT}' bash --norc --noprofile -i")
    failures = []
    try:
        pane.wait_text(PROMPT, 10)
        modes_before = os.path.join(scratch, "modes-before")
        modes_after = os.path.join(scratch, "modes-after")
        pane.type_line(f"printf '\\033]2;{TITLE}\\007'; stty -g >{modes_before}; clear")
        pane.wait_for(lambda s: os.path.exists(modes_before), "saved terminal modes", 10)
        pane.type_line(f"cd {root} && {make_command}")
        if ending == "first-run":
            wait_first_prompt_watching(pane, failures)
        elif ending != "printer":
            pane.wait_text(NOTICE, FIRST_PROMPT_TIMEOUT)
        pane.wait_text("Test1:", FIRST_PROMPT_TIMEOUT)
        print_tickets(pane, tickets)

        if ending in ("ctrl-c", "printer", "first-run"):
            pane.keys("C-c")
        elif ending in ("hangup", "crash"):
            pid = find_program(int(pane.display("#{pane_pid}")), program)
            if pid is None:
                raise AssertionError("the tool's process was not found below the pane's shell")
            os.kill(pid, signal.SIGHUP if ending == "hangup" else signal.SIGSEGV)
        elif ending == "closed":
            pane.tmux("kill-session", "-t", "0")

        if ending == "printer":
            screen = pane.wait_for(lambda s: s.rstrip().endswith(PROMPT.rstrip()) and
                                   "spooler reports" in s, "closing lines and the prompt",
                                   CLOSING_TIMEOUT)
            expected = [words, f"  {tickets} tickets sent to {DEFAULT_QUEUE}; the spooler reports "
                        f"{tickets} of them completed.", PROMPT.rstrip()]
            got = [line for line in closing_block(screen) if line]
            if got != expected:
                failures.append(f"closing lines {got!r}, not {expected!r}; the screen:\n{screen}")
            listing = subprocess.run([cupsd_private, "jobs", server], capture_output=True,
                                     text=True, timeout=60).stdout.split("\n")
            documents = [line.split()[-1] for line in listing if line.strip()]
            if len(documents) != tickets or any(open(d, "rb").read() != TICKET for d in documents):
                failures.append(f"the queue holds {listing!r}, not {tickets} tickets")
        elif ending == "closed":
            # Nobody sees the closing lines; they are kept beside the transcript.
            summary_path = os.path.join(keep, "last-run.txt")
            deadline = time.monotonic() + CLOSING_TIMEOUT
            while time.monotonic() < deadline and not os.path.exists(summary_path):
                time.sleep(0.2)
            summary = open(summary_path).read() if os.path.exists(summary_path) else ""
            rest = check_closing(summary, tickets, words, keep, failures)
            if rest:
                failures.append(f"more than the closing lines kept: {rest!r}")
        else:
            screen = pane.wait_for(lambda s: s.rstrip().endswith(PROMPT.rstrip()) and
                                   "Pictures:" in s, "closing lines and the prompt", CLOSING_TIMEOUT)
            check_prompt(check_closing(screen, tickets, words, keep, failures), make_error,
                         failures)
            if make_error is None and "make: ***" in screen:
                failures.append("make reports an error for an operator's stop")
        if ending != "closed":
            if pane.display("#{pane_title}") != TITLE:
                failures.append(f"terminal title {pane.display('#{pane_title}')!r}, not {TITLE!r}")
            pane.type_line(f"stty -g >{modes_after}")
            pane.wait_for(lambda s: os.path.exists(modes_after) and os.path.getsize(modes_after),
                          "terminal modes", 10)
            if open(modes_before).read() != open(modes_after).read():
                failures.append("the terminal's modes were not put back")

        if ending != "printer":
            check_printer_output(keep, tickets, failures)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and private_cupsds():
            time.sleep(0.2)
        if private_cupsds():
            failures.append("a private cupsd is still running")
        left = virtual_printer_folders() - folders_before
        if left:
            failures.append(f"virtual printer folders left behind: {sorted(left)}")
        summary_path = os.path.join(keep, "last-run.txt")
        summary = open(summary_path).read() if os.path.exists(summary_path) else ""
    finally:
        pane.close()
        # A run cut short finishes its closing work without its terminal
        # (bounded by its own waits); a build folder in here gets its files.
        deadline = time.monotonic() + CLOSING_TIMEOUT
        while time.monotonic() < deadline and processes_naming(os.path.join(scratch, "build")):
            time.sleep(0.2)
        if ending == "printer":
            subprocess.run([cupsd_private, "stop", server], timeout=60)
        shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        print("FAILED:\n" + "\n".join(failures))
        return 1
    if ending == "printer":
        print(f"make run on the default printer, Ctrl+C: closing lines, clean prompt, {tickets} "
              "tickets in its queue")
    else:
        print(summary)
        print(f"make run, {ending}: closing lines, clean prompt, transcript, pictures, nothing left")
    return 0


if __name__ == "__main__":
    sys.exit(main())
