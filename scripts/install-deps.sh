#!/usr/bin/env bash
# Installs the Debian packages a group of commands needs, only those absent.
#   install-deps.sh run    what building and running the tool needs
#   install-deps.sh test   what every test needs as well (CUPS server, Wine,
#                          the MinGW cross compiler, tmux, clang for fuzzing)
set -euo pipefail

group=${1:-test}
run_packages=(cmake make g++ pkg-config libcups2-dev cups-daemon cups-client)
test_packages=(googletest libgtest-dev libgmock-dev cups-ipp-utils tmux python3 clang
  libclang-rt-14-dev valgrind g++-mingw-w64-i686 wine wine32:i386)

packages=("${run_packages[@]}")
[ "$group" = test ] && packages+=("${test_packages[@]}")

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
echo "install-deps: installing ${missing[*]}"
for pkg in "${missing[@]}"; do
  if [[ $pkg == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
done
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
