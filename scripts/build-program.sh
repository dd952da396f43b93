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
# Configuring and building under one reporter: two would each wait their
# first few seconds before speaking.
# shellcheck disable=SC2016 # the inner script expands its own arguments
"$here/with-progress.sh" "$log" bash -c '
  cmake -S . -B "$1" -DDK_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
  cmake --build "$1" "-j$2" --target drawer-kick-test escpos-virtual' build "$build" "$jobs"
