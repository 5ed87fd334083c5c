#!/usr/bin/env bash
# Whole-process extraction throughput: our reader (rarpack e, every entry into a folder in one pass)
# against unar extracting the same archive into a folder, measured in the same run.
#
#   bench/scripts/archive_vs_unar.sh [BUILD_DIR] [RUNS]
#
# Needs the targets rarpack and bench_archive_extract built in BUILD_DIR (default: build).
# Prints MB/s of unpacked bytes for each and the ratio; the best of RUNS (default 7) counts.
# Time is the process's CPU time (user + system), so a loaded machine does not skew the ratio; the
# output folder is removed before each run, outside the timing.
#
# Also printed, for where the time goes:
#   rarpack x LAST  the specified single-entry request for the last entry (decodes the whole stream
#                   once, writes one file to a pipe)
#   rarpack e -m0   the same files stored, not compressed: process start, reading, CRC and writing
#                   the 22.8 MB, i.e. the floor under any decoder
set -euo pipefail

build=${1:-build}
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rarpack="$build/tools/rarpack/rarpack"

info=$("$build/bench/archive/bench_archive_extract" --write-archive="$work/scene.rar")
unpacked=$(echo "$info" | sed -n 's/.*, \([0-9]*\) unpacked.*/\1/p')
last=$(echo "$info" | sed -n 's/.*last entry \(.*\)$/\1/p')
echo "$info"

# The same entries stored, for the floor.
"$rarpack" e "$work/scene.rar" "$work/files" >/dev/null
(cd "$work/files" && "$OLDPWD/$rarpack" a -m0 "$work/stored.rar" $(cd "$work/files" && ls))
rm -rf "$work/files"

cpu() { # user + system seconds of one run of a command, after removing $work/out
  rm -rf "$work/out"
  local TIMEFORMAT='%3U %3S' t
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  echo "$t" | awk '{print $1 + $2}'
}
best() { # smallest CPU seconds of a command over $runs runs
  local b=""
  for _ in $(seq "$runs"); do
    b=$(echo "$(cpu "$@") $b" | awk '{if ($2=="" || $1<$2) print $1; else print $2}')
  done
  echo "$b"
}

ours=$(best "$rarpack" e "$work/scene.rar" "$work/out")
peer=$(best unar -q -o "$work/out" "$work/scene.rar")
single=$(best "$rarpack" x "$work/scene.rar" "$last")
floor=$(best "$rarpack" e "$work/stored.rar" "$work/out")

awk -v n="$unpacked" -v a="$ours" -v b="$peer" -v x="$single" -v f="$floor" 'BEGIN {
  printf "rarpack e (all entries):  %8.1f MB/s  (%.3f s)\n", n / a / 1e6, a
  printf "unar -q -o (all entries): %8.1f MB/s  (%.3f s)\n", n / b / 1e6, b
  printf "ratio ours/unar:          %8.2f\n", b / a
  printf "rarpack x (last entry):   %8.1f MB/s  (%.3f s)\n", n / x / 1e6, x
  printf "rarpack e, stored copy:   %8.1f MB/s  (%.3f s)  floor: no decoding\n", n / f / 1e6, f
}'
