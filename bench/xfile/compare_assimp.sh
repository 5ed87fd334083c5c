#!/usr/bin/env bash
# Whole-process load time of our reader (xinfo) against `assimp info` on the same X files, same run.
# Usage: bench/xfile/compare_assimp.sh [BUILD_DIR] [RUNS]   (from the repository root)
#
# CPU time (user + system) to the microsecond, from wait4() in proc_cpu, not wall time: the machine is
# shared, and waiting for a core says nothing about either reader. The commands of one file take turns run
# by run; the table gives the median of RUNS (min in brackets) and the ratio of the medians.
# Two peers: `assimp info FILE` (its default import, with post-processing) and `assimp info FILE -r`
# (raw import: parse and convert only, the closer match to what xinfo does).
# The floor rows are processes that do nothing: no reader can take less than they do on this machine.
set -euo pipefail
build=${1:-build}
runs=${2:-20}
fixtures=../shared/fixtures/x
proc_cpu=$build/bench/xfile/proc_cpu
xinfo=$build/tools/xinfo/xinfo
command -v assimp >/dev/null || { echo "assimp-utils is not installed"; exit 1; }
[ -x "$proc_cpu" ] && [ -x "$xinfo" ] || { echo "build proc_cpu, empty_main, bench_xfile and xinfo first"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/bench/xfile/bench_xfile" --write-big "$tmp/generated_100k.x"
files=("$tmp/generated_100k.x")
for f in fromtruespace_bin32.x test_cube_binary.x test_cube_compressed.x test_cube_text.x \
         kwxport_test_cubewithvcolors.x Testwuson.X; do
  [ -f "$fixtures/$f" ] && files+=("$fixtures/$f")
done

printf "%-32s %9s %18s %18s %7s %18s %7s\n" file bytes "xinfo ms" "assimp ms" ratio "assimp -r ms" ratio
for f in "${files[@]}"; do
  mapfile -t t < <("$proc_cpu" -n "$runs" -- "$xinfo" "$f" -- assimp info "$f" -- assimp info "$f" -r)
  read -r omin omed <<<"${t[0]}"
  read -r amin amed <<<"${t[1]}"
  read -r rmin rmed <<<"${t[2]}"
  awk -v f="$(basename "$f")" -v b="$(stat -c %s "$f")" -v omin="$omin" -v omed="$omed" -v amin="$amin" \
      -v amed="$amed" -v rmin="$rmin" -v rmed="$rmed" 'BEGIN {
    printf "%-32s %9d %8.2f [%6.2f] %8.2f [%6.2f] %6.1fx %8.2f [%6.2f] %6.1fx\n",
           f, b, omed, omin, amed, amin, amed / omed, rmed, rmin, rmed / omed }'
done
mapfile -t t < <("$proc_cpu" -n "$runs" -- "$build/bench/xfile/empty_main" -- true)
printf "floor: empty_main (linked like xinfo) %s ms, true %s ms (median [min])\n" \
  "$(awk '{printf "%.2f [%.2f]", $2, $1}' <<<"${t[0]}")" "$(awk '{printf "%.2f [%.2f]", $2, $1}' <<<"${t[1]}")"
