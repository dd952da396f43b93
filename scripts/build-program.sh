#!/usr/bin/env bash
# Builds what `make run` needs (the program and the virtual printer's
# backend, no tests) with cmake's output in BUILD_DIR/build.log, saying what
# it does: the first build takes about two minutes on two cores.
#
#   build-program.sh BUILD_DIR JOBS
set -euo pipefail

build=$1
jobs=$2
here=$(cd "$(dirname "$0")" && pwd)
log=$build/build.log

if [[ -f "$build/CMakeCache.txt" ]]; then
  echo "building drawer-kick-test..."
else
  echo "building drawer-kick-test (first run: about 2 minutes)..."
fi
mkdir -p "$build"
: >"$log"
"$here/with-progress.sh" "$log" \
  cmake -S . -B "$build" -DDK_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
"$here/with-progress.sh" "$log" \
  cmake --build "$build" "-j$jobs" --target drawer-kick-test escpos-virtual
