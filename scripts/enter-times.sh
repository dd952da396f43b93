#!/usr/bin/env bash
# The worst time an Enter takes under each server fault of the end-to-end
# table (tests/e2e/fault_table_test.cpp: a private cupsd behind a
# fault-injecting proxy, the real program in tmux), written to
# docs/enter-times.md.
#
#   scripts/enter-times.sh [BUILD]     BUILD defaults to build/host
set -euo pipefail

readonly TEST_TIMEOUT=900 # seconds for the whole table (about 10 s a case)

cd "$(dirname "$0")/.."
build=${1:-build/host}
tests="$build/tests/e2e/dk_e2e_tests"
[[ -x "$tests" ]] || {
  echo "enter-times: $tests is not built (cmake --build $build --target dk_e2e_tests)" >&2
  exit 1
}
times=$(mktemp)
trap 'rm -f "$times"' EXIT
status=0
DK_ENTER_TIMES="$times" timeout "$TEST_TIMEOUT" "$tests" --gtest_filter='Faults/FaultTableTest.*' \
  >&2 || status=$?
[[ -s "$times" ]] || {
  echo "enter-times: the table recorded no times" >&2
  exit 1
}

{
  echo "# Worst Enter time under server faults"
  echo
  echo "The longest time from the Enter key to the next prompt, over the Enters made"
  echo "while the fault lasts and after the server is back (four in each case): the real"
  echo "program in tmux, a private cupsd behind a fault-injecting proxy. The limit is 5 s."
  echo
  echo "Produced by \`make enter-times\` (which runs \`scripts/enter-times.sh build/host\`)"
  echo "on $(date -u +%Y-%m-%d); every case passed its checks: $([[ $status -eq 0 ]] && echo yes || echo "no (exit $status)")."
  echo
  echo "| case | worst Enter |"
  echo "|---|---|"
  awk -F'\t' '{ printf "| %s | %.2f s |\n", $1, $2 / 1000 }' "$times"
} >docs/enter-times.md
echo "enter-times: wrote docs/enter-times.md" >&2
exit "$status"
