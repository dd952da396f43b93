#!/usr/bin/env bash
# Runs the tool in this terminal against the machine's CUPS default printer.
set -euo pipefail
exec "$1"
