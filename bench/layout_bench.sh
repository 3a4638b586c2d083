#!/usr/bin/env bash
# Times wrapping a 1 MB text at 72 columns: our wrapToLength beside Python's
# textwrap.fill on the same file, in one run, and the width truncations (a
# 10,000-character text into 200 units; 10,000 paths of shared names, of
# distinct names and in a font not used before; 1,000 paths cut the plain way,
# every candidate measured). Prints medians (wall time) and the ratio.
#
#   bench/layout_bench.sh [RUNS]   RUNS default 5
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
text=bench/data/wrap_1mb.txt

mkdir -p bench/data
[ -f "$text" ] || /usr/bin/python3 - "$text" <<'PY'
import random, sys
random.seed(42)
out, since = [], 0
size = 0
while size < 1 << 20:
    word = "".join(random.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(random.randint(1, 12)))
    since += len(word) + 1
    sep = "\n" if since > 600 else ("-" if random.random() < 0.1 else " ")
    if sep == "\n":
        since = 0
    out.append(word + sep)
    size += len(word) + 1
open(sys.argv[1], "w").write("".join(out)[: 1 << 20])
PY
if [ ! -x build/default/bench/layout_bench ]; then
  cmake --preset default >/dev/null
  cmake --build build/default --target layout_bench -j2 >/dev/null
fi

LAYOUT_BENCH_TEXT=$text build/default/bench/layout_bench --benchmark_repetitions="$runs" \
  --benchmark_report_aggregates_only=true --benchmark_format=json >bench/data/layout_bench.json

exec /usr/bin/python3 - "$runs" "$text" <<'PY'
import json, statistics, sys, textwrap, time
runs, path = int(sys.argv[1]), sys.argv[2]
text = open(path).read()
times = []
for _ in range(runs):
    start = time.perf_counter()
    textwrap.fill(text, 72)
    times.append((time.perf_counter() - start) * 1000)
python_ms = statistics.median(times)
ours, cpu = {}, {}
for b in json.load(open("bench/data/layout_bench.json"))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        scale = {"ms": 1, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
        ours[b["run_name"]] = b["real_time"] * scale
        cpu[b["run_name"]] = b["cpu_time"] * scale
for name, ms in ours.items():
    print(f"{name:32} {ms:10.3f} ms, CPU {cpu[name]:10.3f} ms (median of {runs})")
wrap = ours["WrapToLength"]
print(f"{'python textwrap.fill (1 MB, 72)':32} {python_ms:10.3f} ms (median of {runs})")
print(f"wrapToLength is {python_ms / wrap:.1f}x faster than textwrap.fill")
PY
