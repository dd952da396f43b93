#!/usr/bin/env bash
# Says whether this host runs 32-bit x86 programs: exit 0 if it does, 1 if not,
# with one line on standard output naming what was seen.
#
# Some kernels are built or booted with IA-32 emulation switched off; there
# every i386 program, Wine's 32-bit loader included, fails with "Exec format
# error". No package is needed to tell: the probe is a 96-byte static i386
# program, written here byte by byte, that only calls exit(42) through int 0x80.
set -uo pipefail

dir=$(mktemp -d "${TMPDIR:-/tmp}/dk-i386-probe.XXXXXX")
trap 'rm -rf "$dir"' EXIT
# ELF header (52 bytes), one PT_LOAD program header (32 bytes) mapping the
# whole file at 0x08048000, then: mov eax,1; mov ebx,42; int 0x80.
{
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0'
  printf '\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0'
  printf '\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0'
  printf '\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10'
  printf '\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0'
  printf '\0\20\0\0\270\1\0\0\0\273\52\0\0\0\315\200'
} >"$dir/probe"
chmod +x "$dir/probe"

out=$(timeout 10 "$dir/probe" 2>&1)
rc=$?
if [ $rc -eq 42 ]; then
  echo "this host runs 32-bit x86 programs (an i386 probe ran)"
  exit 0
fi
why=${out:-exit status $rc}
why=${why##*: }
echo "this host runs no 32-bit x86 programs (an i386 probe failed: $why)"
exit 1
