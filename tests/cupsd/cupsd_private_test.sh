#!/usr/bin/env bash
# scripts/cupsd-private.sh on its own: a raw queue keeps each job's exact
# bytes, `jobs` names them, a second start is refused, a stopped server
# restarts with its queues, and stop leaves no process behind.
#
#   cupsd_private_test.sh CUPSD_PRIVATE_SH
set -euo pipefail

cupsd_private=$1
readonly JOB_TIMEOUT=10 # seconds for the jobs to complete

# shellcheck source=/dev/null
source "$(dirname "$0")/private_server_test_lib.sh" cupsd-private-test

wait_completed() {
  local count=$1 waited
  for ((waited = 0; waited < JOB_TIMEOUT * 10; waited++)); do
    (($(lpstat -W completed -o | wc -l) >= count)) && return 0
    sleep 0.1
  done
  fail "fewer than $count jobs completed in ${JOB_TIMEOUT}s"
}

# Misuse is refused before anything starts.
if "$cupsd_private" start relative/dir 2>/dev/null; then fail "a relative DIR was accepted"; fi
if "$cupsd_private" add-raw "$dir" kept 2>/dev/null; then fail "add-raw worked with no server"; fi

"$cupsd_private" start "$dir"
cupsd_of_dir_runs || fail "no process runs cupsd on $dir/cupsd.conf after start"
if "$cupsd_private" start "$dir" 2>/dev/null; then fail "a second start was accepted"; fi
"$cupsd_private" add-raw "$dir" kept --default
export CUPS_SERVER="$dir/sock"
[[ "$(lpstat -d)" == *"kept"* ]] || fail "kept is not the default: $(lpstat -d)"

# Every byte value, and a job name with spaces, a comma and UTF-8.
printf '%b' "$(printf '\\%04o' {0..255})" >"$dir/all-bytes.bin"
printf '\033@Caf\202\n\033p0  ' >"$dir/short.bin"
lp -o raw -t 'all bytes' <"$dir/all-bytes.bin" >/dev/null
lp -o raw -t 'Café, 2' <"$dir/short.bin" >/dev/null
wait_completed 2

expected="1 all bytes $dir/spool/d00001-001
2 Café, 2 $dir/spool/d00002-001"
listing=$("$cupsd_private" jobs "$dir")
[[ "$listing" == "$expected" ]] || fail "jobs listed:
$listing"
cmp "$dir/all-bytes.bin" "$dir/spool/d00001-001" || fail "job 1's document differs"
cmp "$dir/short.bin" "$dir/spool/d00002-001" || fail "job 2's document differs"

pid=$(<"$dir/cupsd.pid")
"$cupsd_private" stop "$dir"
# Gone, or at most a zombie waiting for its parent to reap it.
if cupsd_of_dir_runs; then fail "cupsd $pid survived stop"; fi
"$cupsd_private" stop "$dir" >/dev/null || fail "a second stop failed"

# A restart keeps the queue.
"$cupsd_private" start "$dir"
lpstat -p kept >/dev/null || fail "queue kept is gone after a restart"
"$cupsd_private" stop "$dir"
if cupsd_of_dir_runs; then fail "a cupsd of $dir is still running"; fi
echo "ok: cupsd-private.sh keeps raw jobs, lists them and stops cleanly"
