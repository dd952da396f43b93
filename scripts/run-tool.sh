#!/usr/bin/env bash
# Runs drawer-kick-test in this terminal.
#   run-tool.sh BUILD_DIR            the machine's CUPS default printer; when
#                                    there is none, the virtual receipt printer
#   run-tool.sh BUILD_DIR --virtual  the virtual receipt printer in any case
# The virtual printer is a private cupsd whose default queue decodes each job
# into a transcript and a picture; it lives only as long as the tool runs.
#
# However the tool ends (its last cycle, Ctrl+C, its window closed, a crash),
# the closing lines say how many tickets went out, how many jobs the printer
# took, and where the transcript and pictures lie; they are also kept as
# BUILD_DIR/virtual-printer/last-run.txt for a window that is gone. An
# operator's stop (Ctrl+C, closing, SIGTERM) exits 0, so make reports no
# error; a crash keeps its status. The terminal's modes and title are put
# back as they were.
set -uo pipefail

build=$(cd "$1" && pwd)
mode=${2:-auto}
here=$(cd "$(dirname "$0")" && pwd)
program=$build/tester/drawer-kick-test
backend=$build/tools/escpos/escpos-virtual
keep=$build/virtual-printer

readonly LPSTAT_TIMEOUT=10 # seconds for one question to a CUPS server
readonly DRAIN_TIMEOUT=10  # seconds the virtual printer gets for accepted jobs

# What the tool would find: the default destination of this client's CUPS
# (lpoptions, LPDEST/PRINTER and CUPS_SERVER included).
default_printer() {
  LC_ALL=C timeout "$LPSTAT_TIMEOUT" lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p'
}

# Job ids of DEST the server lists with "lpstat -W WHICH -o DEST".
job_ids() {
  LC_ALL=C timeout "$LPSTAT_TIMEOUT" lpstat -W "$2" -o "$1" 2>/dev/null |
    sed -n "s/^$1-\([0-9][0-9]*\) .*/\1/p"
}

# How many of the ids on stdin are above FIRST.
count_above() {
  awk -v first="$1" '$1 > first { n++ } END { print n + 0 }'
}

# "1 ticket", "3 tickets".
counted() {
  if [[ $1 == 1 ]]; then echo "1 $2"; else echo "$1 ${2}s"; fi
}

# Writes to the terminal, which may be gone already (closed window): a
# failed write must not stop the closing work.
say() {
  printf '%s\n' "$@" 2>/dev/null || true
}

# Terminal state, put back at the end: the line discipline's modes, and the
# title through xterm's title stack (CSI 22;0 t pushes, CSI 23;0 t pops). The
# stack is used because a script cannot read the title (xterm and most others
# refuse to report it), and terminals without the stack ignore both.
on_terminal=no
if [[ -t 0 && -t 1 ]]; then
  on_terminal=yes
  saved_modes=$(stty -g 2>/dev/null || true)
  printf '\033[22;0t'
fi
restore_terminal() {
  [[ $on_terminal == yes ]] || return 0
  [[ -n "$saved_modes" ]] && stty "$saved_modes" 2>/dev/null
  # Attributes off, cursor shown, title popped.
  printf '\033[0m\033[?25h\033[23;0t' 2>/dev/null
  return 0
}

# A signal that reaches this script too (Ctrl+C goes to the whole foreground
# group, a closed window hangs up everything on it) is noted; the closing
# work below runs either way.
stop_signal=
trap 'stop_signal=${stop_signal:-INT}' INT
trap 'stop_signal=${stop_signal:-HUP}' HUP
trap 'stop_signal=${stop_signal:-TERM}' TERM

# How the tool ended, from its exit status and the signal seen here.
# Sets outcome (words for the closing line) and exit_status.
judge() {
  local status=$1
  exit_status=0
  case "$status:$stop_signal" in
    0:*) outcome="finished its cycles" ;;
    130:* | *:INT) outcome="stopped with Ctrl+C" ;;
    129:* | *:HUP) outcome="ended: its window was closed" ;;
    143:* | *:TERM) outcome="stopped (terminated)" ;;
    *)
      exit_status=$status
      if ((status > 128)); then
        outcome="crashed (signal SIG$(kill -l $((status - 128)) 2>/dev/null), exit status $status)"
      else
        outcome="failed (exit status $status)"
      fi
      ;;
  esac
}

run_program() {
  status=0
  "$program" || status=$?
  restore_terminal
  judge "$status"
}

# --- the machine's own default printer ---------------------------------------
dest=
[[ "$mode" == --virtual ]] || dest=$(default_printer)
if [[ -n "$dest" ]]; then
  first=$(job_ids "$dest" all | sort -n | tail -n 1)
  run_program
  first=${first:-0}
  sent=$(job_ids "$dest" all | count_above "$first")
  done_jobs=$(job_ids "$dest" completed | count_above "$first")
  say "" "drawer-kick-test $outcome." \
    "  $(counted "$sent" ticket) sent to $dest; the spooler reports $done_jobs of them completed."
  exit "$exit_status"
fi

# --- the virtual receipt printer -----------------------------------------------
if [[ $(id -u) -ne 0 ]]; then
  restore_terminal
  echo "run-tool: no CUPS default printer here, and the virtual one needs root (it starts a private cupsd)" >&2
  exit 1
fi

# Said before the tool clears the screen, and again in the closing lines.
if [[ "$mode" == --virtual ]]; then
  notice="Printing to the virtual receipt printer, as make demo asks."
else
  notice="No CUPS default printer here: printing to the virtual receipt printer."
fi

server=$(mktemp -d /tmp/dk-virtual-printer.XXXXXX)
sent=0
accepted=0
stopped=no
finish() {
  [[ $stopped == yes ]] && return
  stopped=yes
  local _
  # Let the printer finish the tickets it has accepted (bounded).
  for ((_ = 0; _ < DRAIN_TIMEOUT * 5; _++)); do
    [[ -z "$(CUPS_SERVER="$server/sock" timeout "$LPSTAT_TIMEOUT" lpstat -o 2>/dev/null)" ]] && break
    sleep 0.2
  done
  sent=$(CUPS_SERVER="$server/sock" job_ids virtual-receipt all | wc -l)
  accepted=$(find "$server/virtual" -maxdepth 1 -name 'job-*.bin' 2>/dev/null | wc -l)
  mkdir -p "$keep"
  cp -f "$server"/virtual/* "$keep"/ 2>/dev/null
  "$here/cupsd-private.sh" stop "$server" >/dev/null 2>&1
  rm -rf "$server"
}
trap 'finish; restore_terminal' EXIT

say "$notice"
rm -f "$keep"/transcript.log "$keep"/receipts.html "$keep"/job-*.bin "$keep"/last-run.txt
if ! "$here/cupsd-private.sh" start "$server" >/dev/null ||
  ! "$here/cupsd-private.sh" add-virtual "$server" virtual-receipt --backend "$backend" \
    --default >/dev/null; then
  echo "run-tool: the virtual receipt printer did not start" >&2
  exit 1
fi
export "$("$here/cupsd-private.sh" env "$server")"
say "  (a private cupsd, started now; it stops when drawer-kick-test ends)"

sleep 1 # leave the lines readable before the tool clears the screen

# A stop that came before the tool started leaves it unstarted.
if [[ -z "$stop_signal" ]]; then
  run_program
else
  restore_terminal
  judge 1
fi
finish
summary=(
  "drawer-kick-test $outcome."
  "  $(counted "$sent" ticket) sent; the virtual receipt printer accepted $(counted "$accepted" job)."
  "  $notice"
  "  Transcript: $keep/transcript.log"
  "  Pictures:   $keep/receipts.html"
)
printf '%s\n' "${summary[@]}" >"$keep/last-run.txt" 2>/dev/null
# A blank line first: the tool may have left the cursor inside a line.
say "" "${summary[@]}"
exit "$exit_status"
