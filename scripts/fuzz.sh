#!/usr/bin/env bash
# Builds the fuzz targets and runs each over its seed corpus.
#   scripts/fuzz.sh smoke        a short run of every target (CI)
#   scripts/fuzz.sh long [RUNS]  RUNS executions of every target (default 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
runs=${2:-1000000}
scripts/setup.sh
scripts/build.sh fuzz

export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export QT_QPA_PLATFORM=offscreen
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  corpus=fuzz/corpus/$name
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  if [ "$mode" = smoke ]; then
    args=(-runs=20000 -max_len=4096)
  else
    args=(-runs="$runs" -max_len=4096)
  fi
  echo "== $name"
  log=$(mktemp)
  if ! "$target" "${args[@]}" -print_final_stats=1 -artifact_prefix="$work/" "$work" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz target $name failed"
    exit 1
  fi
  grep -E 'stat::number_of_executed_units' "$log" || true
  rm -rf "$work" "$log"
done
