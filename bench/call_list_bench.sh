#!/usr/bin/env bash
# The call list's import, store, restore, export and sort beside their Python
# peers, each cold (the first run in a fresh process) and warm, and a window
# move stored with the list unchanged; medians of several processes, for
# 100,000 and 1,000,000 rows.
#   bench/call_list_bench.sh [BUILD_DIR] [PROCESSES] [SECTIONS]
# SECTIONS picks some of "import store restore export frame sort" (all by
# default); store must run for restore to have a stored list.
# Needs bench/data (python3 bench/gen_call_list.py) and Debian's python3 with
# pandas (python3-pandas).
set -euo pipefail
build=${1:-build/default}
processes=${2:-5}
sections=" ${3:-import store restore export frame sort} "
want() { [[ $sections == *" $1 "* ]]; }
bench=$build/bench/call_list_bench
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
[ -f "$here/data/calls_100k_tab.txt" ] || python3 "$here/gen_call_list.py"
export XDG_CONFIG_HOME=$scratch/config
python=/usr/bin/python3

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# The median of key $1 over the lines on standard input.
field() { sed -n "s/.*\b$1=\([0-9.]*\).*/\1/p" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", a/b}'; }

# One Python peer in a fresh process: prints "cold_ms=… warm_ms=…", the
# module imports excluded.
peer() {  # $1 = read_csv | plist_read | plist_write | csv_write, $2 = file
  "$python" - "$1" "$2" "$scratch/peer.out" <<'PY'
import csv, os, sys, time
mode, path, out = sys.argv[1:4]
if mode == "read_csv":
    import pandas
    work = lambda: pandas.read_csv(path, sep="\t", keep_default_na=False, dtype=str)
elif mode == "plist_read":
    import plistlib
    def work():
        with open(path, "rb") as f:
            plistlib.loads(f.read())
else:
    if mode == "plist_write":
        import plistlib
        with open(path, "rb") as f:
            value = plistlib.loads(f.read())
        def write(f):
            f.write(plistlib.dumps(value, fmt=plistlib.FMT_BINARY))
    else:
        with open(path, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f, delimiter="\t"))
        def write(f):
            csv.writer(f, delimiter="\t", lineterminator="\n").writerows(rows)
    def work():
        with open(out, "w" if mode == "csv_write" else "wb") as f:
            write(f)
            f.flush()
            os.fsync(f.fileno())
times = []
for _ in range(2):
    start = time.perf_counter()
    work()
    times.append((time.perf_counter() - start) * 1000)
print("cold_ms=%.1f warm_ms=%.1f" % tuple(times))
PY
}

runs() {  # $1 = processes, then the command
  local n=$1
  shift
  for _ in $(seq "$n"); do "$@"; done
}

line() {  # $1 = label, $2 = ours cold, $3 = ours warm, $4 = peer cold, $5 = peer warm, $6 = goal text
  printf "  %-8s cold %7s ms, warm %7s ms | peer cold %7s ms, warm %7s ms | ratio cold %s, warm %s (%s)\n" \
    "$1" "$2" "$3" "$4" "$5" "$(ratio "$2" "$4")" "$(ratio "$3" "$5")" "$6"
}
# As line, for plistlib's store and restore: the ratios are its time over ours,
# how many times faster we are.
faster() {  # $1 = label, then the medians: $2 = our cold, $3 = our warm, $4 = plistlib cold, $5 = plistlib warm, $6 = goal
  printf "  %-8s cold %7s ms, warm %7s ms | plistlib cold %7s ms, warm %7s ms | %sx, %sx faster (goal %s)\n" \
    "$1" "$2" "$3" "$4" "$5" "$(ratio "$4" "$2")" "$(ratio "$5" "$3")" "$6"
}

for size in 100k 1m; do
  n=$processes
  [ "$size" = 1m ] && n=3
  file=$here/data/calls_${size}_tab.txt
  rm -rf "$XDG_CONFIG_HOME"
  mkdir -p "$XDG_CONFIG_HOME"
  echo "$size rows ($(uptime | sed 's/.*load/load/')):"

  if want import; then
  ours=$(runs "$n" "$bench" import "$file" 3)
  theirs=$(runs "$n" peer read_csv "$file")
  line import "$(field import_cold_ms <<<"$ours")" "$(field import_warm_ms <<<"$ours")" \
    "$(field cold_ms <<<"$theirs")" "$(field warm_ms <<<"$theirs")" "pandas.read_csv; goal 0.3 (100k), 0.4 (1m)"
  echo "           allocations per record $(field allocations_per_record <<<"$ours"), minor faults $(field faults <<<"$ours"), bytes per record $(field bytes_per_record <<<"$ours")"
  fi

  if want store; then
  ours=$(runs "$n" "$bench" store "$file" 3)
  stored=$XDG_CONFIG_HOME/tirr-defaults/$(ls "$XDG_CONFIG_HOME/tirr-defaults" | head -1)
  theirs=$(runs "$n" peer plist_write "$stored")
  faster store "$(field store_cold_ms <<<"$ours")" "$(field store_warm_ms <<<"$ours")" \
    "$(field cold_ms <<<"$theirs")" "$(field warm_ms <<<"$theirs")" 10x
  echo "           allocations per record $(field allocations_per_record <<<"$ours"), minor faults $(field faults <<<"$ours")"
  fi

  if want restore; then
  ours=$(runs "$n" "$bench" restore 3)
  theirs=$(runs "$n" peer plist_read "$stored")
  faster restore "$(field restore_cold_ms <<<"$ours")" "$(field restore_warm_ms <<<"$ours")" \
    "$(field cold_ms <<<"$theirs")" "$(field warm_ms <<<"$theirs")" 7x
  echo "           allocations per record $(field allocations_per_record <<<"$ours"), minor faults $(field faults <<<"$ours")"
  fi

  if want export; then
  # Ours and the peer's processes take turns, so that both meet the same load.
  ours= theirs=
  for _ in $(seq "$n"); do
    ours+=$("$bench" export "$file" "$scratch/export.txt" 3)$'\n'
    theirs+=$(peer csv_write "$scratch/export.txt")$'\n'
  done
  line export "$(field export_cold_ms <<<"$ours")" "$(field export_warm_ms <<<"$ours")" \
    "$(field cold_ms <<<"$theirs")" "$(field warm_ms <<<"$theirs")" "csv.writer; goal 0.5"
  echo "           CPU cold $(field export_cold_cpu_ms <<<"$ours") ms, warm $(field export_warm_cpu_ms <<<"$ours") ms; allocations per record $(field allocations_per_record <<<"$ours"), minor faults $(field faults <<<"$ours")"
  fi

  if want frame; then
  # Medians of five stored moves in each process, then over the processes.
  ours=$(runs "$n" "$bench" frame "$file" 5)
  echo "  frame    a stored window move, the list unchanged: wall $(field frame_wall_ms <<<"$ours") ms," \
    "writer CPU $(field frame_cpu_ms <<<"$ours") ms (in the kernel $(field frame_kernel_cpu_ms <<<"$ours") ms)"
  fi

  if want sort; then
  ours=$(runs "$n" "$bench" sort "$file" 5)
  echo "  sort     by number: cold $(field sort_cold_ms <<<"$ours") ms, warm $(field sort_warm_ms <<<"$ours") ms (goal under 300 ms at 1m)"
  fi
done
