#!/usr/bin/env bash
# Import and export of a call list beside their Python peers, medians of
# several runs, for 100,000 and 1,000,000 rows.
#   bench/import_export_bench.sh [BUILD_DIR]
# Needs bench/data (python3 bench/gen_call_list.py) and python3 with pandas.
set -euo pipefail
build=${1:-build/default}
bench=$build/bench/import_export_bench
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
[ -f "$here/data/calls_100k_tab.txt" ] || python3 "$here/gen_call_list.py"

value() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

# pandas.read_csv and csv.writer on the same file, medians in ms.
python_peers() {  # $1 = the exported file, $2 = runs
  /usr/bin/python3 - "$1" "$2" "$scratch/py.txt" <<'PY'
import csv, statistics, sys, time
import pandas
path, runs, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
def median(work):
    times = []
    for _ in range(runs):
        start = time.perf_counter(); work(); times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)
read = median(lambda: pandas.read_csv(path, sep="\t", keep_default_na=False, dtype=str))
with open(path, encoding="utf-8", newline="") as f:
    rows = list(csv.reader(f, delimiter="\t"))
def write():
    with open(out, "w", encoding="utf-8", newline="") as f:
        csv.writer(f, delimiter="\t", lineterminator="\n").writerows(rows)
print("read_csv_ms=%.1f csv_writer_ms=%.1f" % (read, median(write)))
PY
}

for size in 100k 1m; do
  runs=7; [ "$size" = 1m ] && runs=3
  # The generator's list, stamped with dates as after a round of dialling, as the export writes it.
  dated=$scratch/dated_$size.txt
  "$bench" dates "$here/data/calls_${size}_tab.txt" "$dated"
  plain=$("$bench" import "$here/data/calls_${size}_tab.txt" "$runs")
  ours_import=$("$bench" import "$dated" "$runs")
  ours_export=$("$bench" export "$dated" "$scratch/out.txt" "$runs")
  peers=$(python_peers "$dated" "$runs")
  imp=$(value import_ms <<<"$ours_import"); exp=$(value export_ms <<<"$ours_export")
  pd=$(value read_csv_ms <<<"$peers"); cw=$(value csv_writer_ms <<<"$peers")
  echo "$size rows, export-form dates:"
  echo "  import (read + build)    ${imp} ms   pandas.read_csv ${pd} ms   ratio $(awk -v a="$imp" -v b="$pd" 'BEGIN{printf "%.2f", a/b}') (goal <= 0.5)"
  echo "  export (text + write)    ${exp} ms   csv.writer      ${cw} ms   ratio $(awk -v a="$exp" -v b="$cw" 'BEGIN{printf "%.2f", a/b}') (goal <= 1, aim 0.5)"
  echo "  import of the generator's file (ISO-like dates without seconds): $(value import_ms <<<"$plain") ms"
done
