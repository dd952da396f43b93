"""Checks the Windows zip's README.txt: CR LF line ends throughout, the
release's version, and a byte table under "What it sends" that spells the
ticket (its repeated header line given once, with a note saying so).

Usage: readme_check.py README.txt VERSION"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from terminal import TICKET  # noqa: E402

HEADER = b"Brevanti Limited   09284 31 26 48\r\n"


def problems(data, version):
    found = []
    if not data.endswith(b"\r\n"):
        found.append("does not end with CR LF")
    if re.search(rb"(?<!\r)\n", data):
        found.append("has a line feed without a carriage return before it")
    if re.search(rb"\r(?!\n)", data):
        found.append("has a carriage return without a line feed after it")
    text = data.decode("ascii", errors="replace").replace("\r\n", "\n")
    if version not in text.splitlines()[0]:
        found.append(f"its first line does not name version {version}")
    section = re.search(r"\nWhat it sends\n(.*?)\n\S[^\n]*\n-+\n", text, re.S)
    if not section:
        found.append('has no "What it sends" section')
        return found
    table = bytes(int(token, 16) for line in section.group(1).splitlines()
                  if re.match(r"  [0-9A-F]{2}( |$)", line)
                  for token in re.findall(r"\b[0-9A-F]{2}\b", line.split("  ")[1]))
    once = TICKET.replace(HEADER + HEADER, HEADER)
    if table != once:
        found.append(f"its byte table reads {table.hex(' ')}, not {once.hex(' ')}")
    if "same 35 bytes again" not in section.group(1):
        found.append("does not say the header line is sent twice")
    return found


def main(path, version):
    with open(path, "rb") as readme:
        found = problems(readme.read(), version)
    for problem in found:
        print(f"README.txt {problem}")
    return 1 if found else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
