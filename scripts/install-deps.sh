#!/usr/bin/env bash
# Installs the Debian packages a group of commands needs, only those absent,
# without recommended packages: cups-daemon alone would otherwise bring
# avahi-daemon, cups-browsed, colord, polkitd and dbus, daemons a till has no
# use for (cups-browsed adds network printers by itself). A recommended
# package that something here was measured to need is named below instead.
#   install-deps.sh run    what building and running the tool needs
#   install-deps.sh test   what every test needs as well (CUPS server, Wine,
#                          the MinGW cross compilers, tmux, clang for fuzzing,
#                          a browser, Debian's packaging tools)
#   install-deps.sh release  what `make release` needs: the run group, the
#                          32-bit MinGW compiler and Debian's packaging tools
#   install-deps.sh list GROUP   only print that group's packages, one a line
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
list_only=no
if [ "${1:-}" = list ]; then
  list_only=yes
  shift
fi
group=${1:-test}

run_packages=(
  cmake make g++ pkg-config
  libcups2-dev cups-daemon cups-client
)
# The 32-bit MinGW-w64 compiler and Debian's packaging tools, lintian and zip.
release_packages=(
  g++-mingw-w64-i686
  debhelper dpkg-dev fakeroot lintian zip unzip man-db
)
# Every release package too: the tests make a release.
test_packages=(
  googletest libgtest-dev libgmock-dev
  cups-ipp-utils tmux python3
  # pgrep, which a test looks for leftover processes with.
  procps
  clang libclang-rt-14-dev valgrind
  # The Windows leg: the 64-bit MinGW-w64 compiler as well, and 64-bit Wine
  # on every host.
  g++-mingw-w64-x86-64 wine wine64
  # A real browser for the picture of the receipts.
  chromium
  "${release_packages[@]}"
)
# 32-bit Wine only where 32-bit programs run; libcups2:i386 is only a
# recommendation of Wine's, but without it Wine's spooler sees no printer.
if "$here/runs-i386.sh" >/dev/null; then
  i386_packages=(wine32:i386 libcups2:i386)
else
  i386_packages=()
fi

packages=("${run_packages[@]}")
[ "$group" = test ] && packages+=("${test_packages[@]}" "${i386_packages[@]}")
[ "$group" = release ] && packages+=("${release_packages[@]}")
if [ $list_only = yes ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]} (run as root, or install them)" >&2
  exit 1
fi
echo "install-deps: installing ${#missing[@]} packages (first run only): ${missing[*]}"
for pkg in "${missing[@]}"; do
  if [[ $pkg == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
done
export DEBIAN_FRONTEND=noninteractive
# apt's and dpkg's own output (a thousand lines on a first run) goes to a log;
# a line every few seconds says that the work goes on, and a failure names
# the log. The log is removed once everything is installed.
log=$(mktemp "${TMPDIR:-/tmp}/drawer-kick-test-install.XXXXXX.log")
echo "install-deps: reading Debian's package lists..."
"$here/with-progress.sh" "$log" apt-get update -q ||
  { echo "install-deps: apt-get update failed; its output is in $log" >&2; exit 1; }
echo "install-deps: downloading and unpacking ${#missing[@]} packages..."
"$here/with-progress.sh" "$log" apt-get install -y -q --no-install-recommends "${missing[@]}" ||
  { echo "install-deps: apt-get install failed; its output is in $log" >&2; exit 1; }
rm -f "$log"
echo "install-deps: ${#missing[@]} packages installed"
