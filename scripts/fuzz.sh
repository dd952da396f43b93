#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 20). Inputs that crash are copied into the target's corpus folder, where
# every later test pass replays them, and the run fails.
#   fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DDK_FUZZ=ON -DDK_BUILD_TESTS=OFF \
  -DDK_BUILD_PROGRAM=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(settings_fuzz:tests/fuzz/corpus/settings
  read_line_fuzz:tests/fuzz/corpus/read_line
  escpos_fuzz_decoder:tools/escpos/corpus)
names=()
for t in "${targets[@]}"; do names+=("${t%%:*}"); done
cmake --build "$build" -j"${JOBS:-2}" --target "${names[@]}" >/dev/null

status=0
for t in "${targets[@]}"; do
  name=${t%%:*}
  corpus=${t#*:}
  bin=$(find "$build" -type f -name "$name" -perm -u+x | head -n 1)
  work=$(mktemp -d)
  crashes=$(mktemp -d)
  # New inputs go to the scratch folder; the kept corpus is only read.
  if "$bin" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
    -artifact_prefix="$crashes/" "$work" "$corpus" >"$crashes/log" 2>&1; then
    echo "fuzz: $name ran ${seconds}s, $(grep -o 'Done [0-9]* runs' "$crashes/log" || echo 'no count')"
  else
    status=1
    echo "fuzz: $name FAILED; regression inputs kept in $corpus:"
    for crash in "$crashes"/crash-* "$crashes"/timeout-* "$crashes"/leak-*; do
      [ -e "$crash" ] || continue
      cp "$crash" "$corpus/" && echo "  $corpus/$(basename "$crash")"
    done
    tail -n 30 "$crashes/log"
  fi
  rm -rf "$work" "$crashes"
done
exit $status
