#!/usr/bin/env bash
# Whole-process load time of our reader (xinfo) against `assimp info` on the same X files, same run.
# Usage: bench/xfile/compare_assimp.sh [BUILD_DIR] [RUNS]   (from the repository root)
set -euo pipefail
build=${1:-build}
runs=${2:-10}
fixtures=../shared/fixtures/x
command -v assimp >/dev/null || { echo "assimp-utils is not installed"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/bench/xfile/bench_xfile" --write-big "$tmp/generated_100k.x"
files=("$tmp/generated_100k.x")
for f in test_cube_binary.x test_cube_compressed.x fromtruespace_bin32.x; do
  [ -f "$fixtures/$f" ] && files+=("$fixtures/$f")
done

# Best of $runs CPU seconds (user + system) for one command. CPU time, not wall time: the machine is
# shared, and waiting for a core says nothing about either reader.
best() {
  local best=999999 dt
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$tmp/time" -f "%U %S" "$@" >/dev/null 2>&1
    dt=$(awk '{print $1 + $2}' "$tmp/time")
    best=$(echo "if ($dt < $best) $dt else $best" | bc -l)
  done
  echo "$best"
}

printf "%-28s %14s %14s %8s\n" file "xinfo CPU ms" "assimp CPU ms" ratio
for f in "${files[@]}"; do
  ours=$(best "$build/tools/xinfo/xinfo" "$f")
  theirs=$(best assimp info "$f")
  printf "%-28s %14.0f %14.0f %7.1fx\n" "$(basename "$f")" "$(echo "$ours * 1000" | bc -l)" \
    "$(echo "$theirs * 1000" | bc -l)" "$(echo "if ($ours > 0) $theirs / $ours else 0" | bc -l)"
done
