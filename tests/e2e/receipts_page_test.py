#!/usr/bin/env python3
"""The picture of a real run in a real browser: drawer-kick-test prints three
tickets in a tmux pane to a private cupsd whose default queue is the virtual
receipt printer; headless chromium renders that printer's receipts.html. Its
DOM must hold three receipts, each with the header line twice, a cut and a
drawer mark on pin 2 with 64 ms on and 64 ms off; its screenshot must show
paper, ink and the drawer mark, not a blank page.

    receipts_page_test.py CUPSD_PRIVATE_SH ESCPOS_VIRTUAL DRAWER_KICK_TEST
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib
from html.parser import HTMLParser

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from tmux_pane import Pane  # noqa: E402

HEADER = "Brevanti Limited   09284 31 26 48"
TICKETS = 3
CYCLE_TIMEOUT = 10    # seconds for a ticket and the next prompt
JOBS_TIMEOUT = 20     # seconds for the printer to record the three jobs
BROWSER_TIMEOUT = 90  # seconds for one chromium run
SCRIPT_TIMEOUT = 60   # seconds for one cupsd-private.sh command
PAPER = (0xFF, 0xFD, 0xF4)
DRAWER = (0xFF, 0xD4, 0x00)
BROWSER_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--hide-scrollbars", "--window-size=1400,1200"]


class Receipts(HTMLParser):
    """Each receipt section: its paper lines, cuts and drawer marks, in order."""

    def __init__(self):
        super().__init__()
        self.receipts = []
        self.open = []  # (tag, class) of the elements we are inside
        self.text = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        css = attrs.get("class", "")
        if tag == "section" and css == "receipt":
            self.receipts.append([])
        elif self.receipts and css in ("line", "cut", "drawer"):
            self.receipts[-1].append([css, "", attrs])
            self.text = self.receipts[-1][-1]
        self.open.append(tag)

    def handle_endtag(self, tag):
        if self.open:
            self.open.pop()
        if tag == "div":
            self.text = None

    def handle_data(self, data):
        if self.text is not None:
            self.text[1] += data


def png_pixels(path):
    """Width, height and rows of (r, g, b) of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError("the screenshot is not a PNG")
    at, idat, width = 8, b"", 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise AssertionError(f"PNG form depth {depth} colour {colour} not read here")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                guess = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + guess) & 0xFF
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, channels)])
        previous = line
    return width, height, rows


def run_tool_for_three_tickets(scratch, server, program):
    pane = Pane(scratch, f"env -u LPDEST -u PRINTER TERM=xterm CUPS_SERVER={server}/sock {program}")
    try:
        pane.wait_text("Test1:", 20)
        for cycle in range(1, TICKETS + 1):
            pane.keys("Enter")
            pane.wait_text(f"Test{cycle + 1}:", CYCLE_TIMEOUT)
        pane.keys("C-c")
    finally:
        pane.close()


def browser(scratch, *arguments):
    # A fresh profile each run: a second chromium on the profile of one still
    # closing would hand its work to that one and exit at once.
    profile = tempfile.mkdtemp(prefix="chromium-profile-", dir=scratch)
    done = subprocess.run(["timeout", str(BROWSER_TIMEOUT), "chromium", *BROWSER_FLAGS,
                           f"--user-data-dir={profile}", *arguments],
                          capture_output=True, timeout=BROWSER_TIMEOUT + 10)
    if done.returncode != 0:
        raise AssertionError(f"chromium {arguments[0]} failed ({done.returncode}): "
                             f"{done.stderr.decode(errors='replace')[-2000:]}")
    return done.stdout.decode()


def check_dom(dom, failures):
    parser = Receipts()
    parser.feed(dom)
    if len(parser.receipts) != TICKETS:
        failures.append(f"{len(parser.receipts)} receipts in the DOM, not {TICKETS}")
    for number, items in enumerate(parser.receipts, 1):
        kinds = [kind for kind, _, _ in items]
        headers = [text for kind, text, _ in items if kind == "line" and text == HEADER]
        drawers = [attrs for kind, _, attrs in items if kind == "drawer"]
        if len(headers) != 2:
            failures.append(f"receipt {number}: the header line {len(headers)} times, not twice")
        if kinds.count("cut") != 1:
            failures.append(f"receipt {number}: {kinds.count('cut')} cuts, not 1")
        wanted = {"pin": "2", "on": "64 ms", "off": "64 ms"}
        if len(drawers) != 1 or any(drawers[0].get(f"data-{k}") != v for k, v in wanted.items()):
            failures.append(f"receipt {number}: drawer marks {drawers}, not one on pin 2, 64/64 ms")
        # On the paper, as printed: the two header lines, the cut, the pulse.
        if kinds != ["line", "line", "cut", "drawer"]:
            failures.append(f"receipt {number}: drawn as {kinds}")


def check_screenshot(path, failures):
    width, height, rows = png_pixels(path)
    paper = ink = drawer = 0
    for row in rows:
        for pixel in row:
            if pixel == PAPER:
                paper += 1
            elif pixel == DRAWER:
                drawer += 1
            elif sum(pixel) < 200:
                ink += 1
    print(f"screenshot {width}x{height}: {paper} paper, {ink} ink, {drawer} drawer-mark pixels")
    # Three strips of 42 columns by some 15 lines, three drawer marks, text.
    if paper < 3 * 300 * 200:
        failures.append(f"the screenshot shows too little paper ({paper} pixels)")
    if drawer < 3 * 300 * 20:
        failures.append(f"the screenshot shows too little of the drawer marks ({drawer} pixels)")
    if ink < 3 * 2 * 300:
        failures.append(f"the screenshot shows too little ink ({ink} pixels)")


def main():
    cupsd_private, backend, program = (os.path.abspath(a) for a in sys.argv[1:4])
    if os.geteuid() != 0:
        print("skipped: the virtual printer runs in a private cupsd, which needs root")
        return 77
    missing = [tool for tool in ("chromium", "tmux", "cupsd") if shutil.which(tool) is None and
               not os.path.exists(f"/usr/sbin/{tool}")]
    if missing:
        print(f"FAILED: not installed: {missing} (scripts/install-deps.sh test installs them)")
        return 1
    print(f"{TICKETS} tickets from drawer-kick-test in tmux to the virtual printer, rendered by "
          "headless chromium")
    scratch = tempfile.mkdtemp(prefix="dk-receipts-page-")
    os.chmod(scratch, 0o711)  # cupsd runs the backend as lp, below this folder
    server = os.path.join(scratch, "cups")
    failures = []
    try:
        subprocess.run([cupsd_private, "start", server], check=True, timeout=SCRIPT_TIMEOUT)
        subprocess.run([cupsd_private, "add-virtual", server, "epos", "--backend", backend,
                        "--default"], check=True, timeout=SCRIPT_TIMEOUT)
        run_tool_for_three_tickets(scratch, server, program)
        page = os.path.join(server, "virtual", "receipts.html")
        deadline = time.monotonic() + JOBS_TIMEOUT
        while time.monotonic() < deadline:
            if os.path.exists(page) and open(page).read().count('class="receipt"') == TICKETS:
                break
            time.sleep(0.2)
        else:
            raise AssertionError(f"no picture of {TICKETS} receipts within {JOBS_TIMEOUT} s")
        shot = os.path.join(scratch, "receipts.png")
        check_dom(browser(scratch, "--dump-dom", "file://" + page), failures)
        browser(scratch, f"--screenshot={shot}", "file://" + page)
        check_screenshot(shot, failures)
        if failures and os.environ.get("DK_KEEP_SCREENSHOT"):
            shutil.copy(shot, os.environ["DK_KEEP_SCREENSHOT"])
    finally:
        subprocess.run([cupsd_private, "stop", server], timeout=SCRIPT_TIMEOUT)
        shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        print("FAILED:\n" + "\n".join(failures))
        return 1
    print("receipts.html: three receipts, each with the header twice, a cut and the drawer mark")
    return 0


if __name__ == "__main__":
    sys.exit(main())
