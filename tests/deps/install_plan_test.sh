#!/usr/bin/env bash
# The packages `make run` installs bring no daemons a till has no use for.
#
# apt works out what it would install on a machine that has nothing yet: it
# is given an empty package database (Dir::State::Status) and only simulates
# (-s), so nothing on this machine changes. The plan with recommended
# packages must show the daemons (else the check could not see them at all);
# the plan scripts/install-deps.sh makes, without them, must not.
set -euo pipefail

root=${1:?usage: install_plan_test.sh REPOSITORY_ROOT}
unwanted=(avahi-daemon cups-browsed colord)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/dk-install-plan.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
: >"$scratch/status"

mapfile -t packages < <("$root/scripts/install-deps.sh" list run)
echo "install plan of: ${packages[*]}"

# The simulation reads apt's package lists; a machine that never fetched
# them cannot plan, so they are fetched first (bounded).
policy=$(apt-cache policy cups-daemon 2>/dev/null || true)
if ! grep -q 'Candidate: [0-9]' <<<"$policy"; then
  echo "no package lists yet: apt-get update"
  timeout 300 apt-get update -qq
fi

plan() { # extra apt options...
  timeout 240 apt-get -s -o Dir::State::Status="$scratch/status" "$@" install "${packages[@]}" |
    awk '$1 == "Inst" { print $2 }'
}

with=$(plan --install-recommends)
without=$(plan --no-install-recommends)
[ -n "$without" ] || { echo "FAIL: apt planned nothing"; exit 1; }

failed=0
for daemon in "${unwanted[@]}"; do
  grep -qx "$daemon" <<<"$with" || { echo "FAIL: with recommends, $daemon is not planned: the check sees nothing"; failed=1; }
  if grep -qx "$daemon" <<<"$without"; then
    echo "FAIL: $daemon would be installed"
    failed=1
  fi
done
echo "$(wc -l <<<"$without") packages without recommends, $(wc -l <<<"$with") with them"
exit $failed
