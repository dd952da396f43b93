# Shared by the shell tests that run a private cupsd: sourced after
# `cupsd_private` names scripts/cupsd-private.sh. Skips when not root, makes
# a server folder ($dir) that is stopped and removed on exit, and offers
# cupsd_of_dir_runs and fail.
#   private_server_test_lib.sh PREFIX   (the folder's name begins with PREFIX)

if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: starting cupsd needs root (it runs backends as user lp)"
  exit 77
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/$1-XXXXXX")
cleanup() {
  "$cupsd_private" stop "$dir" >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Whether any process still runs a cupsd on DIR's configuration. Read from
# /proc in the shell itself: a grep would match its own command line.
cupsd_of_dir_runs() {
  local cmdline entry
  for entry in /proc/[0-9]*/cmdline; do
    { cmdline=$(tr '\0' ' ' <"$entry"); } 2>/dev/null || continue
    [[ "$cmdline" == *"-c $dir/cupsd.conf "* ]] && return 0
  done
  return 1
}

fail() {
  echo "FAIL: $*" >&2
  tail -n 20 "$dir/log/error_log" >&2 2>/dev/null || true
  exit 1
}
