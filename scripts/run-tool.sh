#!/usr/bin/env bash
# Runs drawer-kick-test in this terminal.
#   run-tool.sh BUILD_DIR            the machine's CUPS default printer; when
#                                    there is none, the virtual receipt printer
#   run-tool.sh BUILD_DIR --virtual  the virtual receipt printer in any case
# The virtual printer is a private cupsd whose default queue decodes each job
# into a transcript; it lives only as long as the tool runs.
set -euo pipefail

build=$(cd "$1" && pwd)
mode=${2:-auto}
here=$(cd "$(dirname "$0")" && pwd)
program=$build/tester/drawer-kick-test
backend=$build/tools/escpos/escpos-virtual
keep=$build/virtual-printer

# What the tool would find: the default destination of this client's CUPS
# (lpoptions, LPDEST/PRINTER and CUPS_SERVER included).
has_default_printer() {
  LC_ALL=C lpstat -d 2>/dev/null | grep -q 'default destination: '
}

if [[ "$mode" != --virtual ]] && has_default_printer; then
  exec "$program"
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "run-tool: no CUPS default printer here, and the virtual one needs root (it starts a private cupsd)" >&2
  exit 1
fi

server=$(mktemp -d /tmp/dk-virtual-printer.XXXXXX)
stopped=no
finish() {
  [[ $stopped == yes ]] && return
  stopped=yes
  # Let the printer finish the tickets it has accepted (bounded).
  for _ in $(seq 50); do
    [[ -z "$(CUPS_SERVER="$server/sock" lpstat -o 2>/dev/null)" ]] && break
    sleep 0.2
  done
  mkdir -p "$keep"
  cp -f "$server"/virtual/* "$keep"/ 2>/dev/null || true
  "$here/cupsd-private.sh" stop "$server" >/dev/null 2>&1 || true
  rm -rf "$server"
}
trap finish EXIT
trap 'finish; exit 129' HUP
trap 'finish; exit 130' INT
trap 'finish; exit 143' TERM

"$here/cupsd-private.sh" start "$server" >/dev/null
"$here/cupsd-private.sh" add-virtual "$server" virtual-receipt --backend "$backend" --default >/dev/null
rm -f "$keep"/transcript.log "$keep"/job-*.bin
export "$("$here/cupsd-private.sh" env "$server")"

if [[ "$mode" == --virtual ]]; then
  echo "drawer-kick-test: printing to the virtual receipt printer (a private cupsd); its transcript follows the run."
else
  echo "drawer-kick-test: no CUPS default printer here; printing to the virtual receipt printer (a private cupsd)."
fi
sleep 1 # leave the line readable before the tool clears the screen

status=0
"$program" || status=$?
finish
echo "drawer-kick-test ended ($status). Transcript of the virtual receipt printer: $keep/transcript.log"
exit $status
