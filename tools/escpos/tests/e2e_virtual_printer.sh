#!/usr/bin/env bash
# End to end through a real cupsd: a private server, a virtual ESC/POS queue
# as its default, the tester's 89-byte ticket printed with lp -o raw, then the
# transcript and raw copy the escpos-virtual backend recorded.
#
#   e2e_virtual_printer.sh CUPSD_PRIVATE_SH ESCPOS_VIRTUAL
set -euo pipefail

cupsd_private=$1
backend=$2
readonly JOB_TIMEOUT=10 # seconds for the job to complete

# shellcheck source=/dev/null
source "$(dirname "$0")/../../../tests/cupsd/private_server_test_lib.sh" escpos-e2e

"$cupsd_private" start "$dir"
"$cupsd_private" add-virtual "$dir" epos --backend "$backend" --default
export "$("$cupsd_private" env "$dir")"
[[ "$CUPS_SERVER" == "$dir/sock" ]] || fail "env printed CUPS_SERVER=$CUPS_SERVER"

# Four feeds, the header twice with CR LF, eight feeds, ESC i, ESC p 0 32 32.
header='Brevanti Limited   09284 31 26 48'
printf '\n\n\n\n%s\r\n%s\r\n\n\n\n\n\n\n\n\n\033i\033p0  ' "$header" "$header" >"$dir/ticket.bin"
[[ $(stat -c %s "$dir/ticket.bin") -eq 89 ]] || fail "the ticket is not 89 bytes"

lp -o raw -t EPOS <"$dir/ticket.bin"
for ((waited = 0; waited < JOB_TIMEOUT * 10; waited++)); do
  lpstat -W completed -o epos | grep -q '^epos-1 ' && break
  sleep 0.1
done
lpstat -W completed -o epos | grep -q '^epos-1 ' || fail "job epos-1 did not complete in ${JOB_TIMEOUT}s"

transcript="$dir/virtual/transcript.log"
[[ -f "$transcript" ]] || fail "no transcript at $transcript"
expected='=== job 1 "EPOS" 89 bytes
feed x4
text "Brevanti Limited   09284 31 26 48" (CR LF)
text "Brevanti Limited   09284 31 26 48" (CR LF)
feed x8
partial cut
drawer pulse pin 2, on 64 ms, off 64 ms'
if [[ "$(<"$transcript")" != "$expected" ]]; then
  diff <(echo "$expected") "$transcript" >&2 || true
  fail "the transcript differs"
fi
[[ "$(tail -n 1 "$transcript")" == "drawer pulse pin 2, on 64 ms, off 64 ms" ]] ||
  fail "the transcript does not end with the drawer pulse"
cmp "$dir/ticket.bin" "$dir/virtual/job-1.bin" || fail "job-1.bin differs from the bytes sent"

# The jobs listing names the job and points at the exact document.
listing=$("$cupsd_private" jobs "$dir")
[[ "$listing" == "1 EPOS $dir/spool/d00001-001" ]] || fail "jobs listed: $listing"
cmp "$dir/ticket.bin" "$dir/spool/d00001-001" || fail "the preserved document differs"

"$cupsd_private" stop "$dir"
if cupsd_of_dir_runs; then fail "a cupsd of $dir is still running"; fi
echo "ok: the ticket went through cupsd and decoded as expected"
