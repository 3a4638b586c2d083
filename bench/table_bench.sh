#!/usr/bin/env bash
# Launch and sorting times of the main window, medians of several launches.
#   bench/table_bench.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build/default}
bench=$build/bench/table_bench
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; [ -z "${xvfb:-}" ] || kill "$xvfb"' EXIT
. "$(dirname "$0")/x_server.sh"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

launches() {  # $1 = records stored
  export XDG_CONFIG_HOME=$scratch/$1 HOME=$scratch/$1
  mkdir -p "$XDG_CONFIG_HOME"
  "$bench" seed "$1"
  for _ in 1 2 3 4 5; do "$bench" launch; done >"$scratch/launch-$1.txt"
  local paint populated rss
  paint=$(awk '{print $2}' "$scratch/launch-$1.txt" | median)
  populated=$(awk '{print $4}' "$scratch/launch-$1.txt" | median)
  rss=$(awk '{print $8}' "$scratch/launch-$1.txt" | median)
  echo "$1 $paint $populated $rss"
}

read -r _ empty_paint _ empty_rss < <(launches 0)
read -r _ full_paint full_populated full_rss < <(launches 100000)
read -r _ _ million_populated million_rss < <(launches 1000000)
echo "launch, empty list:       first paint ${empty_paint} ms, resident ${empty_rss} kB"
echo "launch, 100,000 records:  first paint ${full_paint} ms, populated ${full_populated} ms, resident ${full_rss} kB"
echo "launch, 1,000,000 records: populated ${million_populated} ms, resident ${million_rss} kB"
awk -v a="$full_rss" -v b="$empty_rss" -v m="$million_rss" 'BEGIN {
  printf "memory above the empty window: 100k %.1f MB (goal <= 25), 1m %.1f MB (goal <= 250)\n", (a - b) / 1024, (m - b) / 1024 }'
awk -v a="$full_paint" -v b="$empty_paint" 'BEGIN {printf "ratio first paint 100k / empty: %.2fx (goal <= 2x)\n", a / b}'
for n in 100000 1000000; do
  export XDG_CONFIG_HOME=$scratch/sort-$n HOME=$scratch/sort-$n
  mkdir -p "$XDG_CONFIG_HOME"
  "$bench" sort "$n"
done
