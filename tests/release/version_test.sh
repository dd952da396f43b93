#!/usr/bin/env bash
# The version from cmake/Version.cmake in each kind of source tree: no git, a
# clone with history, a shallow clone, a copy inside some other work tree,
# and malformed VERSION files. Usage: version_test.sh [REPO_ROOT]
set -euo pipefail

root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
module=$root/cmake/Version.cmake
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# "TEXT MAJOR MINOR PATCH BUILD" for the tree in $1; bounded like every git call inside.
fields() { timeout 60 cmake -DDK_SOURCE_DIR="$1" -DDK_VERSION_FIELDS=ON -P "$module"; }

expect() {
  local what=$1 want=$2 got
  got=$(fields "$3" 2>&1) || got="(failed) $got"
  # shellcheck disable=SC2053 # want is a pattern: a commit id is not known ahead
  if [[ "$got" == $want ]]; then
    echo "ok   $what: $got"
  else
    echo "FAIL $what: got '$got', want '$want'"
    failures=$((failures + 1))
  fi
}

git_in() { git -C "$1" -c user.name=t -c user.email=t@t.invalid "${@:2}" >/dev/null; }

# ---- Without git: VERSION as it is, short or full form ------------------------
plain=$scratch/plain
mkdir -p "$plain"
echo 1.10.0 >"$plain/VERSION"
expect "no git, release form" "1.10.0 1 10 0 0" "$plain"
printf '2.3.4+17.gabc123\n' >"$plain/VERSION"
expect "no git, full form" "2.3.4+17.gabc123 2 3 4 17" "$plain"

# ---- A clone with history: the commits since VERSION last changed ------------
repo=$scratch/repo
mkdir -p "$repo"
git_in "$repo" init -q
echo 1.2.3 >"$repo/VERSION"
expect "git, no commit yet" "1.2.3 1 2 3 0" "$repo"
git_in "$repo" add VERSION
git_in "$repo" commit -q -m version
expect "git, on the commit that sets VERSION" "1.2.3 1 2 3 0" "$repo"
echo 1.2.4 >"$repo/VERSION"
head=$(git -C "$repo" rev-parse --short=12 HEAD)
expect "git, VERSION changed but not committed" "1.2.4+g$head 1 2 4 0" "$repo"
git -C "$repo" checkout -q VERSION
for n in 1 2; do
  echo "$n" >"$repo/file$n"
  git_in "$repo" add "file$n"
  git_in "$repo" commit -q -m "change $n"
done
head=$(git -C "$repo" rev-parse --short=12 HEAD)
expect "git, two commits later" "1.2.3+2.g$head 1 2 3 2" "$repo"
echo 1.3.0 >"$repo/VERSION"
git_in "$repo" commit -q -am "version 1.3.0"
expect "git, VERSION raised" "1.3.0 1 3 0 0" "$repo"
echo 3 >"$repo/file3"
git_in "$repo" add file3
git_in "$repo" commit -q -m "change 3"

# ---- A shallow clone cannot count: the commit, build number 0 -----------------
timeout 60 git clone -q --depth 1 "file://$repo" "$scratch/shallow"
head=$(git -C "$repo" rev-parse --short=12 HEAD)
expect "shallow clone" "1.3.0+g$head 1 3 0 0" "$scratch/shallow"

# ---- A source copy inside another work tree is not that tree ------------------
mkdir -p "$repo/build/copy"
echo 1.3.0+1.g0123abcd >"$repo/build/copy/VERSION"
expect "copy inside a work tree" "1.3.0+1.g0123abcd 1 3 0 1" "$repo/build/copy"

# ---- Malformed VERSION files are refused, with the reason ---------------------
for bad in "1.10" "1.10.0-rc1" "v1.10.0" "01.2.3" "1.70000.0" ""; do
  printf '%s\n' "$bad" >"$plain/VERSION"
  if out=$(fields "$plain" 2>&1); then
    echo "FAIL VERSION '$bad' was taken: $out"
    failures=$((failures + 1))
  elif ! grep -q -e "must hold MAJOR.MINOR.PATCH" -e "at most 65535" <<<"$out"; then
    echo "FAIL VERSION '$bad' refused without the reason: $out"
    failures=$((failures + 1))
  else
    echo "ok   VERSION '$bad' refused"
  fi
done

# ---- The repository's own VERSION is sound ------------------------------------
expect "this repository" "[0-9]*.[0-9]*.[0-9]* [0-9]* [0-9]* [0-9]* [0-9]*" "$root"

((failures == 0)) || {
  echo "version_test: $failures failures"
  exit 1
}
echo "version_test: passed"
