#!/usr/bin/env bash
# `make release`: writes dist/ for the version of this tree (cmake/Version.cmake):
#   drawer-kick-test-VERSION-windows.zip   the shipped 32-bit Windows program
#                                          (build/win32/tester/drawer-kick-test.exe,
#                                          the one the Windows leg tests), README.txt
#                                          with CR LF line ends, SHA256SUMS
#   drawer-kick-test_VERSION_ARCH.deb      built by dpkg-buildpackage from a copy
#                                          of the sources in build/release/
# Packages: scripts/install-deps.sh release.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-2}
say() { printf 'release: %s\n' "$*"; }
die() {
  printf 'release: %s\n' "$*" >&2
  exit 1
}
# Each step's output goes to a log, shown when the step fails.
logged() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    die "failed: $* (log: $log)"
  fi
}

# Bounds: a build of the Windows program or of the package takes a few
# minutes on two busy cores; anything past these is a hang.
readonly BUILD_TIMEOUT=1800
readonly STEP_TIMEOUT=120

version=$(timeout "$STEP_TIMEOUT" cmake -P cmake/Version.cmake) || die "no version (see VERSION)"
arch=$(dpkg --print-architecture)
stage=build/release
rm -rf "$stage" && mkdir -p "$stage" dist
# Only this version's files: `apt install ./dist/drawer-kick-test_*.deb` must
# find exactly one package.
rm -f dist/drawer-kick-test-*-windows.zip dist/drawer-kick-test_*.deb
say "version $version"
# Dates inside the packages: the commit's, so a release can be made again alike.
if epoch=$(timeout "$STEP_TIMEOUT" git log -1 --format=%ct 2>/dev/null) && [[ -n "$epoch" ]]; then
  :
else
  epoch=$(stat -c %Y VERSION)
fi
export SOURCE_DATE_EPOCH=$epoch

# ---- The Windows zip -----------------------------------------------------------
# The win32 preset and target the Windows leg builds and tests; configuring
# again picks up a new version, and an up-to-date program is left as it is.
logged "$stage/win32-configure.log" timeout "$BUILD_TIMEOUT" cmake --preset win32
logged "$stage/win32-build.log" timeout "$BUILD_TIMEOUT" \
  cmake --build build/win32 -j"$jobs" --target drawer-kick-test
program=build/win32/tester/drawer-kick-test.exe
[[ -f "$program" ]] || die "$program was not built"

zipdir=$stage/zip
mkdir -p "$zipdir"
cp --preserve=mode "$program" "$zipdir/drawer-kick-test.exe"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' docs/windows-readme.txt >"$zipdir/README.txt"
(cd "$zipdir" && sha256sum drawer-kick-test.exe README.txt >SHA256SUMS)
touch -d "@$epoch" "$zipdir"/*
zip_name=drawer-kick-test-$version-windows.zip
rm -f "dist/$zip_name"
# -X: no extra file attributes, -D: no folder entries, so the zip depends on
# the files and their dates only.
(cd "$zipdir" && timeout "$STEP_TIMEOUT" zip -q -X -D "$root/dist/$zip_name" \
  drawer-kick-test.exe README.txt SHA256SUMS)
say "dist/$zip_name"

# ---- The Debian package ----------------------------------------------------------
# dpkg-buildpackage writes beside the source tree, so the tree is a copy in
# build/release/src; the copy has no .git, so it gets the version written
# into its VERSION and its debian/changelog.
src=$stage/src/drawer-kick-test-$version
mkdir -p "$src"
tar -C "$root" --exclude=./build --exclude='./build-*' --exclude=./dist --exclude=./.git \
  --exclude='*.swp' -cf - . | tar -C "$src" -xf -
printf '%s\n' "$version" >"$src/VERSION"
maintainer=$(sed -n 's/^Maintainer: //p' debian/control)
[[ -n "$maintainer" ]] || die "debian/control names no Maintainer"
cat >"$src/debian/changelog" <<CHANGELOG
drawer-kick-test ($version) unstable; urgency=medium

  * Release $version of drawer-kick-test.

 -- $maintainer  $(LC_ALL=C date -u -R -d "@$epoch")
CHANGELOG
say "building the Debian package (log: $stage/dpkg-buildpackage.log)"
# Binary only, unsigned; no debug symbol package, which dist/ does not carry.
logged "$stage/dpkg-buildpackage.log" env -C "$src" DEB_BUILD_OPTIONS="noddebs parallel=$jobs" \
  timeout "$BUILD_TIMEOUT" dpkg-buildpackage -b -us -uc
deb=drawer-kick-test_${version}_$arch.deb
[[ -f "$stage/src/$deb" ]] || die "dpkg-buildpackage made no $deb"
cp "$stage/src/$deb" dist/
say "dist/$deb"
