#!/usr/bin/env bash
# The Windows leg of `make test`: builds the 32-bit Windows program and the
# unit tests with MinGW (preset win32, build/win32), runs the unit tests under
# Wine, then the end-to-end tests of tests/wine (a host build in
# build/win32-tests) that drive the real program under Wine against a private
# cupsd. Packages come from scripts/install-deps.sh test.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-2}
started=$SECONDS

say() { printf 'test-windows: %s\n' "$*"; }
lap() { say "$1 ($((SECONDS - started)) s so far)"; }

# ---- What the leg needs ------------------------------------------------------
missing=()
need_command() { command -v "$1" >/dev/null 2>&1 || missing+=("$1 (package $2)"); }
need_command i686-w64-mingw32-g++-posix g++-mingw-w64-i686
need_command i686-w64-mingw32-windres binutils-mingw-w64-i686
need_command wine wine
need_command wineboot wine
need_command wineserver wine
need_command tmux tmux
need_command cupsd cups-daemon
need_command lpadmin cups-client
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' ||
  missing+=("wine32:i386 (after dpkg --add-architecture i386 and apt-get update)")
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=("GoogleTest sources (package googletest)")
[ -f /usr/include/cups/cups.h ] || missing+=("libcups headers (package libcups2-dev)")
[ -x scripts/cupsd-private.sh ] || missing+=("scripts/cupsd-private.sh (part of this repository)")
if [ ${#missing[@]} -gt 0 ]; then
  say "missing:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  say "install them with: scripts/install-deps.sh test" >&2
  exit 1
fi

# ---- A Wine prefix of this run, for the unit tests ---------------------------
# The end-to-end tests make prefixes of their own; nothing of this run is left
# behind: the prefix's wineserver is stopped and the folder removed on exit.
scratch=$(mktemp -d /tmp/dk-test-windows.XXXXXX)
export WINEPREFIX=$scratch/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
unset DISPLAY WAYLAND_DISPLAY
boot_pid=
cleanup() {
  [ -n "$boot_pid" ] && kill "$boot_pid" 2>/dev/null
  timeout 30 wineserver -k 2>/dev/null || true
  timeout 30 wineserver -w 2>/dev/null || true
  # An end-to-end test stops what it started; one killed on a timeout cannot,
  # so its terminal, Wine prefix and cupsd are stopped here.
  local run
  for run in "$scratch"/dk-wine-*/; do
    [ -d "$run" ] || continue
    run=${run%/}
    timeout 10 tmux -S "$run/tmux.sock" kill-server 2>/dev/null || true
    WINEPREFIX=$run/wineprefix timeout 30 wineserver -k 2>/dev/null || true
    WINEPREFIX=$run/wineprefix timeout 30 wineserver -w 2>/dev/null || true
    timeout 30 scripts/cupsd-private.sh stop "$run/cups" >/dev/null 2>&1 || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

# Making a prefix takes several seconds; it goes on while the compiler works.
(timeout 120 wineboot -i >"$scratch/wineboot.log" 2>&1) &
boot_pid=$!

# ---- Build -----------------------------------------------------------------
say "configuring and building the win32 preset"
cmake --preset win32 >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; exit 1; }
# The core's unit tests against the fake, for both ways the core is built
# (the second only exists once it has tests).
unit_targets=(dk_unit_tests)
targets=$(cmake --build build/win32 --target help)
if grep -q 'dk_unit_attached_tests' <<<"$targets"; then
  unit_targets+=(dk_unit_attached_tests)
fi
cmake --build build/win32 -j"$jobs" --target drawer-kick-test dk_win32_backend_tests \
  "${unit_targets[@]}"
program=$root/build/win32/tester/drawer-kick-test.exe
lap "built $program"

say "building the end-to-end tests (build/win32-tests)"
cmake -S tests/wine -B build/win32-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDK_WINDOWS_PROGRAM="$program" >"$scratch/configure-e2e.log" 2>&1 ||
  { cat "$scratch/configure-e2e.log"; exit 1; }
cmake --build build/win32-tests -j"$jobs"
lap "built the end-to-end tests"

# ---- Unit tests and the backend's tests under Wine ---------------------------
if ! wait "$boot_pid"; then
  boot_pid=
  cat "$scratch/wineboot.log"
  say "wineboot failed" >&2
  exit 1
fi
boot_pid=
status=0
# From the scratch folder: what a test writes in its current folder goes too.
run_under_wine() {
  say "running $(basename "$1") under Wine"
  (cd "$scratch" && timeout 300 wine "$root/$1") || status=1
}
for target in "${unit_targets[@]}"; do
  run_under_wine "build/win32/tests/unit/$target.exe"
done
run_under_wine build/win32/tests/wine/dk_win32_backend_tests.exe
lap "unit tests done"

# ---- The program under Wine, against CUPS ------------------------------------
# Each test makes its own prefix, cupsd and terminal, so two run side by side.
say "running the end-to-end tests of the Windows program"
# cupsd's backends run as lp, who must reach the tests' folders under TMPDIR.
chmod 0755 "$scratch"
TMPDIR=$scratch ctest --test-dir build/win32-tests -j"$jobs" --output-on-failure || status=1
lap "end-to-end tests done"

[ $status -eq 0 ] && say "passed" || say "FAILED" >&2
exit $status
