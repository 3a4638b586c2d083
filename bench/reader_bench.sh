#!/usr/bin/env bash
# Times the delimited file reader against its peers on the same files, in one
# run: our reader (typed records), pandas.read_csv (C engine), Python's csv
# module typing every cell by the reader's rules, and `wc -l`, the floor of
# touching every byte. Prints medians, throughput and ratios.
#
#   bench/reader_bench.sh [RUNS]      (default 5; the 1,000,000-row files get 3)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
python=/usr/bin/python3  # Debian's, which has python3-pandas

[ -f bench/data/calls_1m_comma.txt ] || "$python" bench/gen_call_list.py
if [ ! -x build/default/bench/reader_bench ]; then
  cmake --preset default >/dev/null
  cmake --build build/default --target reader_bench >/dev/null
fi

exec "$python" - "$runs" <<'PY'
import csv, os, re, statistics, subprocess, sys, time

import pandas

runs = int(sys.argv[1])
LEADING_INT = re.compile(r"-?\d*")
LEADING_FLOAT = re.compile(r"-?\d*(?:\.\d*)?")
INT_CHARS = frozenset("-0123456789")
FLOAT_CHARS = INT_CHARS | {"."}
TEXT_ONLY = {"", " ", "-", "."}
TRUE_WORDS = {"y", "yes", "t", "true"}
FALSE_WORDS = {"n", "no", "f", "false"}


def typed(cell):
    if cell in TEXT_ONLY:
        return cell
    chars = set(cell)
    if chars <= INT_CHARS:
        digits = LEADING_INT.match(cell).group()
        return int(digits) if digits not in ("", "-") else 0
    if chars <= FLOAT_CHARS:
        number = LEADING_FLOAT.match(cell).group()
        try:
            return float(number)
        except ValueError:
            return 0.0
    lower = cell.lower()
    if lower in TRUE_WORDS:
        return True
    if lower in FALSE_WORDS:
        return False
    return cell


def python_csv(path, sep):
    with open(path, newline="", encoding="utf-8") as f:
        rows = csv.reader(f, delimiter=sep)
        header = next(rows)
        return [dict(zip(header, [typed(c.strip()) for c in row])) for row in rows if row]


def timed_ms(fn):
    start = time.perf_counter()
    fn()
    return (time.perf_counter() - start) * 1000


def ours_once(path):
    """One cold read in a fresh process, as an import sees it; the time is taken
    inside the process around the read alone."""
    out = subprocess.run(["build/default/bench/reader_bench", path, "1"],
                         check=True, capture_output=True, text=True).stdout
    fields = dict(kv.split("=") for kv in out.split())
    return float(fields["median_ms"]), float(fields["peak_rss_mb"])


# The tools take turns within each repetition, so a busy machine slows them
# alike and the ratios stay fair.
results = {}
for size in ("100k", "1m"):
    n = runs if size == "100k" else min(runs, 3)
    for variant, sep in (("tab", "\t"), ("comma", ",")):
        path = f"bench/data/calls_{size}_{variant}.txt"
        mb = os.path.getsize(path) / 1e6
        samples = {"ours": [], "pandas": [], "csv": [], "wc": []}
        rss = 0.0
        for _ in range(n):
            ms, peak = ours_once(path)
            samples["ours"].append(ms)
            rss = max(rss, peak)
            samples["pandas"].append(timed_ms(lambda: pandas.read_csv(path, sep=sep, engine="c")))
            samples["csv"].append(timed_ms(lambda: python_csv(path, sep)))
            samples["wc"].append(timed_ms(lambda: subprocess.run(["wc", "-l", path], check=True,
                                                                 capture_output=True)))
        med = {k: statistics.median(v) for k, v in samples.items()}
        reader = med["ours"]
        results[(size, variant)] = reader
        print(f"{size:>4} {variant:<5} {mb:6.1f} MB | ours {reader:8.1f} ms ({mb / reader * 1000:5.0f} MB/s, "
              f"peak {rss:5.0f} MB) | pandas {med['pandas']:8.1f} ms | csv+typing {med['csv']:8.1f} ms"
              f" | wc -l {med['wc']:6.1f} ms | ours/pandas {reader / med['pandas']:4.2f}x"
              f" | csv/ours {med['csv'] / reader:5.1f}x", flush=True)
for size in ("100k", "1m"):
    print(f"{size}: comma (quoted) / tab = {results[(size, 'comma')] / results[(size, 'tab')]:.2f}x")
PY
