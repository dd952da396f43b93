#!/usr/bin/env bash
# Runs a long, chatty command with its output in a log file, and says every
# few seconds that it is still at work and what it is doing (the log's last
# line), so the screen is never silent and never flooded. On failure it shows
# the end of the log and names the file.
#
#   with-progress.sh LOG COMMAND [ARG...]
#
# The output is appended to LOG. Exits with the command's status; the log is
# kept, the caller decides what becomes of it.
set -uo pipefail

readonly EVERY=3   # seconds between two progress lines
readonly WIDTH=72  # characters of the log's last line shown
readonly TAIL=20   # log lines shown on failure

started=$SECONDS
report() {
  local log=$1 last
  # The last line that says something, with control characters (apt's and
  # cmake's colours, carriage returns) and make's folder changes taken out.
  last=$(tail -c 4096 "$log" 2>/dev/null | tr '\r' '\n' | sed $'s/\e\\[[0-9;]*[A-Za-z]//g' |
    LC_ALL=C tr -cd '\11\12\40-\176' |
    grep -Ev '^[[:space:]]*$|make(\[[0-9]+\])?: (Entering|Leaving) directory' | tail -n 1 |
    cut -c "1-$WIDTH")
  printf '  ... %3ds  %s\n' $((SECONDS - started)) "$last"
}

# The reporter: a session of its own, so that it and its sleep go with one
# signal, and it stops by itself once the script that started it is gone.
if [[ ${1:-} == --report ]]; then
  while sleep "$EVERY" && kill -0 "$3" 2>/dev/null; do report "$2"; done
  exit 0
fi

log=$1
shift
: >>"$log" || exit 1

# The command runs in the foreground, so Ctrl+C reaches it as it would
# without this script; the reporter runs beside it and goes with it.
setsid "$0" --report "$log" $$ &
reporter=$!
stop_reporter() {
  kill -- "-$reporter" 2>/dev/null
  wait "$reporter" 2>/dev/null
}
trap stop_reporter EXIT

"$@" >>"$log" 2>&1 </dev/null
status=$?
stop_reporter
trap - EXIT
if [[ $status -ne 0 ]]; then
  echo "  failed ($status) after $((SECONDS - started)) s; the end of $log:" >&2
  tail -n "$TAIL" "$log" | sed 's/^/  | /' >&2
  echo "  the whole output is in $log" >&2
fi
exit $status
