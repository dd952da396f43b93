#!/usr/bin/env bash
# The Windows leg of `make test`.
#
# It first finds out which Windows program this host can run under Wine:
#   - where 32-bit x86 programs run, the shipped 32-bit program (preset win32,
#     build/win32) and its tests run under 32-bit Wine;
#   - where they do not (a kernel with IA-32 emulation switched off), the same
#     sources are built as a 64-bit program (preset win64, build/win64) and
#     its tests run under 64-bit Wine; the shipped 32-bit program is still
#     built and checked as a file (PE32 i386, GUI subsystem, system DLLs only,
#     version resource, manifest, size).
# Then it runs the core's unit tests and the Win32 backend's tests under Wine,
# and the end-to-end tests of tests/wine (a host build in build/wine-tests),
# which drive the real program under Wine against a private cupsd, under
# several Windows versions too.
#
#   test-windows.sh           the whole leg
#   test-windows.sh --check   only the route and the prerequisites (seconds)
#
# DK_WINDOWS_LEG=win64 forces the 64-bit route on any host (to prove it where
# 32-bit programs run too); DK_WINDOWS_LEG=win32 demands the 32-bit one.
# Packages come from scripts/install-deps.sh test.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-2}
started=$SECONDS
check_only=no
[ "${1:-}" = --check ] && check_only=yes

say() { printf 'test-windows: %s\n' "$*"; }
lap() { say "$1 ($((SECONDS - started)) s so far)"; }
die() {
  say "$*" >&2
  exit 1
}

# ---- Which program this host can run -----------------------------------------
# Wine's loaders are named here, never left to the `wine` wrapper: it takes the
# 32-bit loader whenever that file exists, even where it cannot run.
wine32_loader=/usr/lib/wine/wine
wine64_loader=/usr/lib/wine/wine64
if probe=$(scripts/runs-i386.sh); then runs_i386=yes; else runs_i386=no; fi
case "${DK_WINDOWS_LEG:-auto}" in
  auto)
    if [ $runs_i386 = yes ]; then route=win32; else route=win64; fi
    why=$probe
    ;;
  win32)
    [ $runs_i386 = yes ] || die "DK_WINDOWS_LEG=win32 asks for 32-bit Wine, but $probe"
    route=win32
    why="DK_WINDOWS_LEG=win32 asks for it ($probe)"
    ;;
  win64)
    route=win64
    why="DK_WINDOWS_LEG=win64 forces it ($probe)"
    ;;
  *) die "DK_WINDOWS_LEG is '$DK_WINDOWS_LEG': say win32, win64 or nothing" ;;
esac
shipped=build/win32/tester/drawer-kick-test.exe
if [ $route = win32 ]; then
  loader=$wine32_loader
  program=$shipped
  plan="the shipped 32-bit program under 32-bit Wine"
  ran="the shipped 32-bit program $program under 32-bit Wine ($loader)"
  also=""
else
  loader=$wine64_loader
  program=build/win64/tester/drawer-kick-test.exe
  plan="a 64-bit build under 64-bit Wine, the shipped 32-bit program checked as a file"
  ran="the 64-bit build $program under 64-bit Wine ($loader)"
  also="; the shipped 32-bit $shipped was checked as a file"
fi
if [ -x /usr/lib/wine/wineserver64 ]; then
  wineserver=/usr/lib/wine/wineserver64
else
  wineserver=/usr/lib/wine/wineserver32
fi
say "route $route: $plan, because $why"

# ---- What the leg needs, before any build ------------------------------------
missing=()
need_command() { command -v "$1" >/dev/null 2>&1 || missing+=("$1 (package $2)"); }
need_file() { [ -x "$1" ] || missing+=("$1 (package $2)"); }
need_command i686-w64-mingw32-g++-posix g++-mingw-w64-i686
need_command i686-w64-mingw32-windres binutils-mingw-w64-i686
if [ $route = win64 ]; then
  need_command x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
  need_command x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
  need_file "$loader" wine64
else
  need_file "$loader" "wine32:i386, after dpkg --add-architecture i386 and apt-get update"
fi
need_file "$wineserver" "wine64 or wine32"
need_command tmux tmux
need_command cupsd cups-daemon
need_command lpadmin cups-client
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=("GoogleTest sources (package googletest)")
[ -f /usr/include/cups/cups.h ] || missing+=("libcups headers (package libcups2-dev)")
[ -x scripts/cupsd-private.sh ] || missing+=("scripts/cupsd-private.sh (part of this repository)")
if [ ${#missing[@]} -gt 0 ]; then
  say "missing:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  die "install them with: scripts/install-deps.sh test"
fi
# Present is not enough: the loader must start on this host.
if ! wine_version=$(WINEDEBUG=-all timeout 30 "$loader" --version 2>&1); then
  die "Wine's loader $loader does not run here: ${wine_version:-no output}"
fi
say "using $wine_version: $loader with $wineserver"
[ $check_only = yes ] && exit 0

# ---- A Wine prefix of this run, for the unit tests ---------------------------
# The end-to-end tests make prefixes of their own; nothing of this run is left
# behind: the prefix's wineserver is stopped and the folder removed on exit.
scratch=$(mktemp -d /tmp/dk-test-windows.XXXXXX)
export WINEPREFIX=$scratch/wineprefix
export WINELOADER=$loader
export WINESERVER=$wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
unset DISPLAY WAYLAND_DISPLAY
boot_pid=
# Stops the wineserver of the prefix PREFIX and waits until it is gone.
stop_wineserver() {
  WINEPREFIX=$1 timeout 30 "$wineserver" -k 2>/dev/null || true
  WINEPREFIX=$1 timeout 30 "$wineserver" -w 2>/dev/null || true
}
cleanup() {
  [ -n "$boot_pid" ] && kill "$boot_pid" 2>/dev/null
  stop_wineserver "$WINEPREFIX"
  # An end-to-end test stops what it started; one killed on a timeout cannot,
  # so its terminal, Wine prefix and cupsd are stopped here.
  local run
  for run in "$scratch"/dk-wine-*/; do
    [ -d "$run" ] || continue
    run=${run%/}
    timeout 10 tmux -S "$run/tmux.sock" kill-server 2>/dev/null || true
    stop_wineserver "$run/wineprefix"
    timeout 30 scripts/cupsd-private.sh stop "$run/cups" >/dev/null 2>&1 || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

# Making a prefix takes several seconds; it goes on while the compiler works.
(timeout 120 "$loader" wineboot -i >"$scratch/wineboot.log" 2>&1) &
boot_pid=$!

# ---- Build -----------------------------------------------------------------
# Configures with cmake, its output shown only when it fails.
configure() { # NAME CMAKE_ARG...
  local log=$scratch/configure-$1.log
  shift
  cmake "$@" >"$log" 2>&1 || {
    cat "$log"
    exit 1
  }
}
if [ $route = win64 ]; then
  say "building the shipped 32-bit program (preset win32), to check it as a file"
  configure win32 --preset win32
  cmake --build build/win32 -j"$jobs" --target drawer-kick-test
fi
say "configuring and building the $route preset: the program and its tests"
configure $route --preset $route
# The core's unit tests against the fake, for both ways the core is built
# (the second only exists once it has tests).
unit_targets=(dk_unit_tests)
targets=$(cmake --build build/$route --target help)
if grep -q 'dk_unit_attached_tests' <<<"$targets"; then
  unit_targets+=(dk_unit_attached_tests)
fi
cmake --build build/$route -j"$jobs" --target drawer-kick-test dk_win32_backend_tests \
  "${unit_targets[@]}"
lap "built $program"

say "building the end-to-end tests (build/wine-tests)"
configure e2e -S tests/wine -B build/wine-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDK_WINDOWS_PROGRAM="$root/$program" -DDK_SHIPPED_PROGRAM="$root/$shipped" \
  -DDK_WINE_LOADER="$loader" -DDK_WINESERVER="$wineserver"
cmake --build build/wine-tests -j"$jobs"
lap "built the end-to-end tests"

# ---- Unit tests and the backend's tests under Wine ---------------------------
if ! wait "$boot_pid"; then
  boot_pid=
  cat "$scratch/wineboot.log"
  die "wineboot failed with $loader"
fi
boot_pid=
status=0
# From the scratch folder: what a test writes in its current folder goes too.
run_under_wine() {
  say "running $(basename "$1") under Wine"
  (cd "$scratch" && timeout 300 "$loader" "$root/$1") || status=1
}
for target in "${unit_targets[@]}"; do
  run_under_wine "build/$route/tests/unit/$target.exe"
done
run_under_wine build/$route/tests/wine/dk_win32_backend_tests.exe
lap "unit tests done"

# ---- The program under Wine, against CUPS ------------------------------------
# Each test makes its own prefix, cupsd and terminal, so two run side by side.
say "running the end-to-end tests of the Windows program"
# cupsd's backends run as lp, who must reach the tests' folders under TMPDIR.
chmod 0755 "$scratch"
TMPDIR=$scratch ctest --test-dir build/wine-tests -j"$jobs" --output-on-failure --timeout 900 ||
  status=1
lap "end-to-end tests done"

if [ $status -eq 0 ]; then
  say "passed: ran $ran, because $why$also"
else
  say "FAILED: ran $ran, because $why$also" >&2
fi
exit $status
