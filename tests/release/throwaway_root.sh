#!/usr/bin/env bash
# A throwaway root for installing and removing the package: this machine's
# own root seen through an overlay whose upper layer is a scratch folder, so
# apt, dpkg, the maintainer scripts, man-db's trigger and the dependencies are
# the machine's real ones, while every write lands in the scratch folder and
# goes with it. Run by test-release.sh under
#   unshare --mount --pid --fork --kill-child --propagation private
# so the mounts exist in this namespace only and every process started in it
# ends when this script does (it is the namespace's first process).
# After in_root.sh has installed, used, removed and purged the package, the
# upper layer shows what the whole round left behind.
# Usage: throwaway_root.sh SCRATCH REPO DEB
set -euo pipefail

scratch=$1
repo=$2
deb=$3
fail() {
  printf 'throwaway-root: FAIL %s\n' "$*" >&2
  exit 1
}
[[ $$ -eq 1 ]] || fail "must run as the first process of its own pid namespace"

upper=$scratch/upper
root=$scratch/root
mkdir -p "$upper" "$scratch/work" "$root"
mount -t overlay overlay -o "lowerdir=/,upperdir=$upper,workdir=$scratch/work" "$root" ||
  fail "cannot mount an overlay of / (needs root and overlayfs)"
mount --rbind /dev "$root/dev"
mount -t proc proc "$root/proc"
mount -t tmpfs tmpfs "$root/run"

chroot "$root" /bin/bash "$repo/tests/release/in_root.sh" "$repo" "$deb"

# ---- What the round left behind --------------------------------------------------------
# The package manager's own records, logs and caches change with any
# install; the scratch folders of the test itself sit below /tmp. Anything
# else in the upper layer is a leftover: a file, a folder the machine does not
# have, or a whiteout (a machine file deleted).
allowed='^(var/lib/dpkg|var/lib/apt|var/cache/apt|var/cache/man|var/cache/debconf|var/log|tmp|root/\.cache|etc/ld\.so\.cache$)(/|$)'
left=()
while IFS= read -r -d '' entry; do
  path=${entry#"$upper"/}
  [[ "$path" =~ $allowed ]] && continue
  if [[ -d "$entry" && ! -L "$entry" ]]; then
    [[ -d "/$path" ]] || left+=("new folder /$path")
  elif [[ -c "$entry" ]]; then
    left+=("deleted /$path")
  else
    left+=("new or changed /$path")
  fi
done < <(find "$upper" -mindepth 1 -print0)
if ((${#left[@]})); then
  printf '  %s\n' "${left[@]}" >&2
  fail "${#left[@]} leftovers of install and removal (above)"
fi
echo "throwaway-root: nothing left outside the package manager's records and logs"
