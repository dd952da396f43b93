#!/usr/bin/env bash
# Run as root inside a throwaway root (see throwaway_root.sh): installs the
# package with apt as a technician would, checks the commands and man pages,
# prints with the installed program to a private cupsd through a virtual
# receipt queue made with the installed backend, then removes and purges it.
# Usage: in_root.sh REPO DEB
set -euo pipefail

repo=$1
deb=$2
package=drawer-kick-test
step() { printf 'in-root: %s\n' "$*"; }
fail() {
  printf 'in-root: FAIL %s\n' "$*" >&2
  exit 1
}
export DEBIAN_FRONTEND=noninteractive
# Bounds: apt, man-db's trigger and dpkg take seconds here; a minute or five
# is a hang. A cycle's ticket reaches cupsd in well under a second.
readonly APT_TIMEOUT=300
readonly JOB_TIMEOUT=30

scratch=$(mktemp -d /tmp/dk-in-root.XXXXXX)
chmod 0755 "$scratch" # cupsd's backends run as lp from inside it
cups=$scratch/cups
cleanup() {
  timeout 30 "$repo/scripts/cupsd-private.sh" stop "$cups" >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT

python3 - "$repo" >"$scratch/ticket.bin" <<'PY'
import sys
sys.path.insert(0, sys.argv[1] + "/tests/support")
from terminal import TICKET
sys.stdout.buffer.write(TICKET)
PY
[[ $(stat -c %s "$scratch/ticket.bin") -eq 89 ]] || fail "the expected ticket is not 89 bytes"

# ---- Install ---------------------------------------------------------------------
if ! timeout "$APT_TIMEOUT" apt-get install -y -q --no-install-recommends \
  -o Dpkg::Use-Pty=0 "$deb" >"$scratch/install.log" 2>&1; then
  cat "$scratch/install.log" >&2
  fail "apt-get install $deb"
fi
step "apt-get install: $(grep -c '^Setting up' "$scratch/install.log") package(s) set up"
[[ "$(dpkg-query -W -f='${db:Status-Abbrev}' $package)" == "ii " ]] || fail "$package is not installed"

for command in drawer-kick-test escpos-decode; do
  [[ "$(command -v $command)" == /usr/bin/$command ]] || fail "$command is not on the path"
done
[[ "$(stat -c '%a %U %G' /usr/lib/cups/backend/escpos-virtual)" == "755 root root" ]] ||
  fail "the backend is not 0755 root:root, so cupsd would not run it as lp"
for page in "1 drawer-kick-test" "1 escpos-decode" "7 escpos-virtual"; do
  read -r section name <<<"$page"
  text=$(MANPAGER=cat MANWIDTH=80 LC_ALL=C.UTF-8 timeout 60 man "$section" "$name" 2>&1) ||
    fail "man $section $name: $text"
  grep -q "^NAME" <<<"$text" && grep -Eq "^ +$name +- " <<<"$text" ||
    fail "man $section $name shows no page of its own"
done
printf '\x1bp0  ' | escpos-decode | grep -q 'drawer pulse pin 2, on 64 ms, off 64 ms' ||
  fail "the installed escpos-decode does not decode a drawer pulse"
step "on the path: drawer-kick-test, escpos-decode; man pages of the three; backend 0755 root"

# ---- A virtual receipt queue on the installed backend, as its man page says -------
timeout 60 "$repo/scripts/cupsd-private.sh" start "$cups" >/dev/null
export CUPS_SERVER=$cups/sock
# Nothing of the machine may decide the default: only the queue made here.
unset LPDEST PRINTER
export HOME=$scratch/home CUPS_SERVERROOT=$cups
mkdir -p "$HOME"
receipts=$scratch/receipts
mkdir -p "$receipts"
chown lp:lp "$receipts"
timeout 60 lpadmin -p receipts -E -m raw -v "escpos-virtual:$receipts" 2>&1 |
  { grep -vi 'deprecated' || true; } >&2
timeout 60 lpadmin -d receipts
step "queue receipts on escpos-virtual:$receipts is the default"

# ---- The installed program, two cycles ----------------------------------------------
timeout 120 python3 "$repo/tests/release/run_installed.py" "$(command -v drawer-kick-test)" 2
jobs=""
waited=0
until [[ $(wc -l <<<"$jobs") -ge 2 && -n "$jobs" ]]; do
  ((waited < JOB_TIMEOUT * 10)) || {
    tail -n 20 "$cups/log/error_log" >&2
    fail "not 2 completed jobs within ${JOB_TIMEOUT} s: ${jobs:-none}"
  }
  sleep 0.1
  waited=$((waited + 1))
  jobs=$(timeout 30 "$repo/scripts/cupsd-private.sh" jobs "$cups")
done
[[ $(wc -l <<<"$jobs") -eq 2 ]] || fail "more jobs than cycles: $jobs"
while read -r id name document; do
  [[ "$name" == EPOS ]] || fail "job $id is named '$name', not EPOS"
  cmp "$document" "$scratch/ticket.bin" || fail "job $id as cupsd kept it is not the ticket"
  cmp "$receipts/job-$id.bin" "$scratch/ticket.bin" || fail "the backend's job-$id.bin is not the ticket"
done <<<"$jobs"
expected_transcript() {
  local id
  for id in $(cut -d' ' -f1 <<<"$jobs"); do
    printf '=== job %s "EPOS" 89 bytes\n' "$id"
    # The decoder's own reading of the ticket, as the README shows it.
    cat <<'TEXT'
feed x4
text "Brevanti Limited   09284 31 26 48" (CR LF)
text "Brevanti Limited   09284 31 26 48" (CR LF)
feed x8
partial cut
drawer pulse pin 2, on 64 ms, off 64 ms
TEXT
  done
}
diff <(expected_transcript) <(grep -v '^$' "$receipts/transcript.log") >&2 ||
  fail "the transcript is not two tickets"
step "2 cycles: 2 jobs EPOS of the exact 89 bytes; the backend's transcript and job files agree"
timeout 30 "$repo/scripts/cupsd-private.sh" stop "$cups" >/dev/null

# ---- Remove, then purge ---------------------------------------------------------------
files=$(dpkg-query -L $package | while read -r path; do [[ -d "$path" ]] || echo "$path"; done)
[[ -n "$files" ]] || fail "dpkg lists no files of $package"
timeout "$APT_TIMEOUT" apt-get remove -y -q -o Dpkg::Use-Pty=0 $package >"$scratch/remove.log" 2>&1 ||
  fail "apt-get remove: $(cat "$scratch/remove.log")"
left=""
for path in $files /usr/share/doc/$package; do
  [[ -e "$path" || -L "$path" ]] && left="$left $path"
done
[[ -z "$left" ]] || fail "left after apt-get remove:$left"
# Without conffiles a removal leaves no record to purge; dpkg --purge also
# takes one that would be left.
timeout "$APT_TIMEOUT" dpkg --purge $package >"$scratch/purge.log" 2>&1 ||
  fail "dpkg --purge: $(cat "$scratch/purge.log")"
status=$(dpkg-query -W -f='${db:Status-Abbrev}' $package 2>/dev/null || true)
[[ -z "$status" || "$status" == "un " ]] || fail "dpkg still records $package: '$status'"
step "apt-get remove took all $(wc -l <<<"$files") files away; dpkg keeps no record"
