#!/usr/bin/env python3
"""What `make run` shows while it installs and builds: a line every few
seconds, never the package manager's or the compiler's flood, and on failure
the end of the log and its name. scripts/with-progress.sh runs real slow,
chatty commands; scripts/install-deps.sh runs with stand-ins for dpkg-query
and apt-get on PATH (this host has every package, and a test must not
install any), which talk and fail the way apt does.

    progress_test.py REPO_ROOT
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

LONGEST_SILENCE = 4.5  # seconds: the reporter speaks every 3 s
RUN_TIMEOUT = 60       # seconds for one script run

# A command that works for 7 s and prints 300 lines a second.
CHATTY = ("for i in $(seq 70); do for j in $(seq 30); do echo \"flood line $i.$j\"; done; "
          "sleep 0.1; done")

STUB_DPKG_QUERY = """#!/bin/sh
echo 'unknown ok not-installed'
"""
# apt-get update talks for 5 s; install floods for 5 s, then fails or not.
STUB_APT_GET = """#!/bin/bash
case "$1" in
  update) for i in $(seq 50); do echo "Get:$i http://deb.example/debian bookworm InRelease"; sleep 0.1; done ;;
  install) for i in $(seq 50); do for j in $(seq 20); do echo "Unpacking flood-$i.$j ..."; done; sleep 0.1; done
           [ -z "$APT_FAILS" ] || { echo "E: Sub-process /usr/bin/dpkg returned an error code (1)"; exit 100; } ;;
esac
"""


def run_timed(command, env=None, cwd=None):
    """Runs command; returns (status, [(seconds, line)] of its output, stderr and stdout
    merged, the time it took)."""
    started = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               env=env, cwd=cwd, text=True)
    lines = []
    try:
        for line in process.stdout:
            lines.append((time.monotonic() - started, line.rstrip("\n")))
        status = process.wait(timeout=RUN_TIMEOUT)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    return status, lines, time.monotonic() - started


def longest_silence(lines, took):
    moments = [0.0] + [at for at, _ in lines] + [took]
    return max(b - a for a, b in zip(moments, moments[1:]))


def check(failures, what, condition, detail=""):
    if not condition:
        failures.append(f"{what}{': ' + detail if detail else ''}")


def with_progress_cases(root, scratch, failures):
    tool = os.path.join(root, "scripts", "with-progress.sh")
    log = os.path.join(scratch, "chatty.log")
    status, lines, took = run_timed([tool, log, "bash", "-c", CHATTY])
    shown = "\n".join(line for _, line in lines)
    check(failures, "a chatty command's status", status == 0, str(status))
    check(failures, "silence while a command works", longest_silence(lines, took) <= LONGEST_SILENCE,
          f"{longest_silence(lines, took):.1f} s in {shown!r}")
    check(failures, "progress lines name the work", any("flood line" in line for _, line in lines),
          shown)
    check(failures, "the flood kept off the screen", len(lines) <= took / 3 + 2, shown)
    check(failures, "the flood kept in the log", open(log).read().count("flood line") == 2100)

    log = os.path.join(scratch, "failing.log")
    status, lines, _ = run_timed([tool, log, "bash", "-c",
                                  "seq 1000 | sed 's/^/noise /'; echo 'the real error'; exit 7"])
    shown = "\n".join(line for _, line in lines)
    check(failures, "a failing command's status kept", status == 7, str(status))
    check(failures, "a failure shows the log's end", "the real error" in shown, shown)
    check(failures, "a failure names the log", log in shown, shown)
    check(failures, "a failure shows only the end", shown.count("noise") <= 20, shown)


def install_deps_cases(root, scratch, failures):
    bin_dir = os.path.join(scratch, "bin")
    os.makedirs(bin_dir)
    for name, text in (("dpkg-query", STUB_DPKG_QUERY), ("apt-get", STUB_APT_GET)):
        path = os.path.join(bin_dir, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o755)
    temp = os.path.join(scratch, "tmp")
    os.makedirs(temp)
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"], TMPDIR=temp)
    script = [os.path.join(root, "scripts", "install-deps.sh"), "run"]

    status, lines, took = run_timed(script, env=env)
    shown = "\n".join(line for _, line in lines)
    check(failures, "install-deps status", status == 0, shown)
    check(failures, "install-deps says what it installs",
          "install-deps: installing 7 packages (first run only):" in shown, shown)
    check(failures, "silence while installing", longest_silence(lines, took) <= LONGEST_SILENCE,
          f"{longest_silence(lines, took):.1f} s in {shown!r}")
    check(failures, "apt's flood kept off the screen", shown.count("Unpacking") <= 3, shown)
    check(failures, "the log of a good install removed", not os.listdir(temp), str(os.listdir(temp)))

    env["APT_FAILS"] = "1"
    status, lines, _ = run_timed(script, env=env)
    shown = "\n".join(line for _, line in lines)
    logs = glob.glob(os.path.join(temp, "drawer-kick-test-install.*.log"))
    check(failures, "a failed install fails", status != 0, shown)
    check(failures, "a failed install keeps one log", len(logs) == 1, str(logs))
    if len(logs) == 1:
        check(failures, "a failed install names its log",
              f"install-deps: apt-get install failed; its output is in {logs[0]}" in shown, shown)
        check(failures, "the failed install's log holds apt's output",
              open(logs[0]).read().count("Unpacking") == 1000)
    check(failures, "apt's error shown", "E: Sub-process /usr/bin/dpkg returned" in shown, shown)


def main():
    root = os.path.abspath(sys.argv[1])
    print("with-progress.sh on chatty and failing commands; install-deps.sh run with stand-in "
          "dpkg-query and apt-get")
    scratch = tempfile.mkdtemp(prefix="dk-progress-")
    failures = []
    try:
        with_progress_cases(root, scratch, failures)
        if os.geteuid() == 0:
            install_deps_cases(root, scratch, failures)
        else:
            print("install-deps.sh installs only as root: its cases were not run")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        print("FAILED:\n" + "\n".join(failures))
        return 1
    print("progress: a line every few seconds, no flood, failures name their log")
    return 0


if __name__ == "__main__":
    sys.exit(main())
