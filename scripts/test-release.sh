#!/usr/bin/env bash
# The release's tests, the last leg of `make test` (after the Windows leg):
# makes dist/ with scripts/release.sh, then checks
#   - the zip: exactly drawer-kick-test.exe, README.txt, SHA256SUMS; the
#     program byte-identical to build/win32/tester/drawer-kick-test.exe (the
#     one the Windows leg tested) and carrying this version; README.txt in
#     CR LF with the ticket's bytes; the sums right;
#   - the package: its control fields (dpkg-deb), its files and their modes,
#     and lintian with no error and no warning;
#   - install, use and removal in a throwaway root (tests/release/throwaway_root.sh).
# Packages: scripts/install-deps.sh test (or release, plus cups-daemon).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
say() { printf 'test-release: %s\n' "$*"; }
failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    say "ok   $what"
  else
    say "FAIL $what" >&2
    failures=$((failures + 1))
  fi
}

# ---- What the tests need -----------------------------------------------------------
missing=()
for command in dpkg-buildpackage dpkg-deb lintian zip unzip sha256sum python3 unshare chroot \
  apt-get cupsd lpadmin man i686-w64-mingw32-g++-posix; do
  command -v "$command" >/dev/null 2>&1 || missing+=("$command")
done
if ((${#missing[@]})); then
  say "missing: ${missing[*]} (install them with scripts/install-deps.sh test)" >&2
  exit 1
fi
[[ $(id -u) -eq 0 ]] || {
  say "needs root: the throwaway root mounts an overlay and runs apt and cupsd" >&2
  exit 1
}
scratch=$(mktemp -d /tmp/dk-test-release.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# ---- Make the release ------------------------------------------------------------------
# The Windows leg tested the program in build/win32 before this leg; the
# release must ship that very file, not a new build of it.
tested=build/win32/tester/drawer-kick-test.exe
tested_sum=""
if [[ -f "$tested" ]]; then
  tested_sum=$(sha256sum <"$tested")
else
  say "no $tested yet (the Windows leg did not run first): the release builds it"
fi
timeout 3600 ./scripts/release.sh
version=$(timeout 60 cmake -P cmake/Version.cmake)
arch=$(dpkg --print-architecture)
zip=dist/drawer-kick-test-$version-windows.zip
deb=dist/drawer-kick-test_${version}_$arch.deb
for file in "$zip" "$deb" "$tested"; do
  [[ -f "$file" ]] || {
    say "FAIL $file is missing after release.sh" >&2
    exit 1
  }
done

only_this_release() {
  local files=(dist/drawer-kick-test-*-windows.zip dist/drawer-kick-test_*.deb)
  [[ "${files[*]}" == "$zip $deb" ]] || {
    echo "  dist/ holds: ${files[*]}" >&2
    return 1
  }
}
check "dist/ holds this release's zip and package only, so dist/drawer-kick-test_*.deb is one" \
  only_this_release

# ---- The zip -------------------------------------------------------------------------------
zip_lists_three() {
  [[ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" == "README.txt SHA256SUMS drawer-kick-test.exe " ]]
}
check "the zip holds drawer-kick-test.exe, README.txt, SHA256SUMS and nothing else" zip_lists_three
unzip -q "$zip" -d "$scratch/zip"
check "the zip's program is byte-identical to $tested" \
  cmp "$scratch/zip/drawer-kick-test.exe" "$tested"
if [[ -n "$tested_sum" ]]; then
  # A new commit since the Windows leg changes the version and so the program.
  check "the release did not rebuild the program the Windows leg tested" \
    test "$(sha256sum <"$tested")" == "$tested_sum"
fi
# The version resource's strings are UTF-16LE; the version text must be there.
carries_version() {
  local utf16
  utf16=$(printf '%s' "$version" | iconv -f ASCII -t UTF-16LE | od -An -v -tx1 | tr -d ' \n')
  od -An -v -tx1 "$scratch/zip/drawer-kick-test.exe" | tr -d ' \n' | grep -q "$utf16"
}
check "the zip's program carries version $version, the one in the zip's name" carries_version
check "README.txt: CR LF line ends, the version, the ticket byte by byte" \
  python3 tests/release/readme_check.py "$scratch/zip/README.txt" "$version"
sums_right() {
  [[ $(grep -c . "$scratch/zip/SHA256SUMS") -eq 2 ]] &&
    (cd "$scratch/zip" && sha256sum --quiet --strict -c SHA256SUMS)
}
check "SHA256SUMS holds the right sums of the program and README.txt" sums_right

# ---- The package ------------------------------------------------------------------------
control_fields() {
  local field want got names ok=0
  for field in "Package=drawer-kick-test" "Version=$version" "Architecture=$arch" \
    "Section=utils" "Priority=optional"; do
    want=${field#*=}
    got=$(dpkg-deb -f "$deb" "${field%%=*}")
    [[ "$got" == "$want" ]] || {
      echo "  ${field%%=*}: '$got', not '$want'" >&2
      ok=1
    }
  done
  # Found by dpkg-shlibdeps: libc and libcups (among the C++ runtime's), no
  # substitution variable left over, nothing beyond shared libraries.
  got=$(dpkg-deb -f "$deb" Depends)
  echo "  Depends: $got"
  names=$(sed -e 's/ *([^)]*)//g' -e 's/, */\n/g' <<<"$got")
  for want in libc6 libcups2 libstdc++6; do
    grep -qxF "$want" <<<"$names" || {
      echo "  Depends lacks $want" >&2
      ok=1
    }
  done
  [[ "$got" != *'${'* ]] || ok=1
  [[ -n "$(dpkg-deb -f "$deb" Maintainer)" && -n "$(dpkg-deb -f "$deb" Description)" ]] || ok=1
  return $ok
}
check "dpkg-deb: the control fields" control_fields
package_files() {
  local listing want ok=0
  listing=$(dpkg-deb -c "$deb" | awk '{ print $1, $2, $6 }')
  for want in "-rwxr-xr-x root/root ./usr/bin/drawer-kick-test" \
    "-rwxr-xr-x root/root ./usr/bin/escpos-decode" \
    "-rwxr-xr-x root/root ./usr/lib/cups/backend/escpos-virtual" \
    "-rw-r--r-- root/root ./usr/share/man/man1/drawer-kick-test.1.gz" \
    "-rw-r--r-- root/root ./usr/share/man/man1/escpos-decode.1.gz" \
    "-rw-r--r-- root/root ./usr/share/man/man7/escpos-virtual.7.gz"; do
    grep -qxF -- "$want" <<<"$listing" || {
      echo "  not in the package: $want" >&2
      ok=1
    }
  done
  return $ok
}
check "dpkg-deb: the program, escpos-decode, the backend (0755, run as lp) and three man pages" \
  package_files
lintian_clean() {
  # --fail-on: a non-zero status for any error or warning; the tags are shown.
  timeout 600 lintian --fail-on error,warning --display-level '>=warning' "$deb"
}
check "lintian: no error, no warning" lintian_clean

# ---- Install, use and remove in a throwaway root ------------------------------------------
# An overlay of this machine's root in a private mount and pid namespace:
# apt, dpkg and the maintainer scripts run for real with the machine's own
# packages as dependencies (as on a till), while nothing reaches the machine.
# A chroot from debootstrap would prove the same at the price of the mirror
# and minutes; installing on the machine itself changes it, so that is the
# route only where no overlay can be mounted (a container without the right),
# and only when the package is not installed here already.
# The namespace ends every process of the round with its first one, which
# --kill-child ends when a time-out ends unshare; 900 s
# bounds the round (it takes well under a minute here).
overlay_opens() {
  timeout 60 unshare --mount --pid --fork --kill-child --propagation private bash -c '
    d=$(mktemp -d) && mkdir "$d/u" "$d/w" "$d/m" &&
      mount -t overlay overlay -o "lowerdir=/,upperdir=$d/u,workdir=$d/w" "$d/m"
    status=$?; umount "$d/m" 2>/dev/null; rm -rf "$d"; exit $status' >/dev/null 2>&1
}
in_throwaway_root() {
  chmod 0755 "$scratch"
  timeout 900 unshare --mount --pid --fork --kill-child --propagation private \
    bash tests/release/throwaway_root.sh "$scratch/overlay" "$root" "$root/$deb"
}
on_this_machine() {
  timeout 900 bash tests/release/in_root.sh "$root" "$root/$deb"
}
if overlay_opens; then
  check "throwaway root: apt install, 2 cycles of the installed program through the installed backend, apt remove, nothing left" \
    in_throwaway_root
  # The namespace's mounts went with it; the upper layer goes with the scratch folder.
  check "no mount of the throwaway root is left" bash -c "! grep -qF '$scratch/' /proc/self/mountinfo"
elif ! dpkg-query -W -f='${db:Status-Abbrev}' drawer-kick-test 2>/dev/null | grep -q '^i'; then
  say "no overlay of / can be mounted here: installing on this machine itself and removing it again"
  check "this machine: apt install, 2 cycles of the installed program through the installed backend, apt remove" \
    on_this_machine
else
  say "FAIL no throwaway root: no overlay of / can be mounted, and drawer-kick-test is installed on this machine, so it cannot be installed and removed here either" >&2
  failures=$((failures + 1))
fi

if ((failures)); then
  say "FAILED: $failures checks of release $version" >&2
  exit 1
fi
say "passed: release $version, zip and .deb built and checked, installed and removed in an overlay root"
