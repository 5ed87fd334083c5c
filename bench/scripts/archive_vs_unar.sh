#!/usr/bin/env bash
# Whole-process extraction throughput: our reader (rarpack x of the last entry, which decodes the
# whole solid stream) against unar extracting the same archive, measured in the same run.
#
#   bench/scripts/archive_vs_unar.sh [BUILD_DIR] [RUNS]
#
# Needs the targets rarpack and bench_archive_extract built in BUILD_DIR (default: build).
# Prints MB/s of unpacked bytes for each and the ratio; the best of RUNS (default 5) counts.
# Time is the process's CPU time (user + system), so a loaded machine does not skew the ratio.
set -euo pipefail

build=${1:-build}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

info=$("$build/bench/archive/bench_archive_extract" --write-archive="$work/scene.rar")
unpacked=$(echo "$info" | sed -n 's/.*, \([0-9]*\) unpacked.*/\1/p')
last=$(echo "$info" | sed -n 's/.*last entry \(.*\)$/\1/p')
echo "$info"

cpu() { # user + system seconds of one run of a command
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

ours=$(best "$build/tools/rarpack/rarpack" x "$work/scene.rar" "$last")
peer=$(best bash -c "rm -rf '$work/out' && unar -q -o '$work/out' '$work/scene.rar'")

awk -v n="$unpacked" -v a="$ours" -v b="$peer" 'BEGIN {
  printf "rarpack x (our reader): %8.1f MB/s  (%.3f s)\n", n / a / 1e6, a
  printf "unar -o:                %8.1f MB/s  (%.3f s)\n", n / b / 1e6, b
  printf "ratio ours/unar:        %8.2f\n", b / a
}'
