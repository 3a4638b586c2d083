#!/usr/bin/env bash
# Times the delimited file reader against its peers on the same files, in one
# run: our reader (typed records), pandas.read_csv (C engine), Python's csv
# module typing every cell by the reader's rules, and `wc -l`, the floor of
# touching every byte. Prints medians, throughput and ratios.
#
#   bench/reader_bench.sh [RUNS] [SIZES]   RUNS default 5 (the 1,000,000-row files
#                                          get at most 3); SIZES "100k 1m" by default
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
sizes=${2:-100k 1m}
python=/usr/bin/python3  # Debian's, which has python3-pandas

[ -f bench/data/calls_1m_comma.txt ] || "$python" bench/gen_call_list.py
if [ ! -x build/default/bench/reader_bench ]; then
  cmake --preset default >/dev/null
  cmake --build build/default --target reader_bench >/dev/null
fi

exec "$python" - "$runs" $sizes <<'PY'
import csv, os, re, statistics, subprocess, sys, time

import pandas

runs = int(sys.argv[1])
sizes = sys.argv[2:]
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


def ours(path, n):
    """Median time of n reads inside one process, and its peak memory."""
    out = subprocess.run(["build/default/bench/reader_bench", path, str(n)],
                         check=True, capture_output=True, text=True).stdout
    fields = dict(kv.split("=") for kv in out.split())
    return float(fields["median_ms"]), float(fields["peak_rss_mb"])


PANDAS_COLD = ("import sys, time, pandas\n"
               "t = time.perf_counter(); pandas.read_csv(sys.argv[1], sep=sys.argv[2], engine='c')\n"
               "print((time.perf_counter() - t) * 1000)")


def pandas_cold(path, sep):
    """The first read_csv of a fresh interpreter (pandas' import not counted)."""
    return float(subprocess.run([sys.executable, "-c", PANDAS_COLD, path, sep],
                                check=True, capture_output=True, text=True).stdout)


# The tools take turns within each repetition, so a busy machine slows them
# alike and the ratios stay fair. "Cold" is the first read in a fresh process,
# as a single import sees it; "warm" a repeated read in one process.
results = {}
for size in sizes:
    n = runs if size == "100k" else min(runs, 3)
    for variant, sep in (("tab", "\t"), ("comma", ",")):
        path = f"bench/data/calls_{size}_{variant}.txt"
        mb = os.path.getsize(path) / 1e6
        samples = {k: [] for k in ("cold", "warm", "pd_cold", "pd_warm", "csv", "wc")}
        rss = 0.0
        for _ in range(n):
            cold, peak = ours(path, 1)
            samples["cold"].append(cold)
            rss = max(rss, peak)
            samples["warm"].append(ours(path, 3)[0])
            samples["pd_cold"].append(pandas_cold(path, sep))
            samples["pd_warm"].append(timed_ms(lambda: pandas.read_csv(path, sep=sep, engine="c")))
            samples["csv"].append(timed_ms(lambda: python_csv(path, sep)))
            samples["wc"].append(timed_ms(lambda: subprocess.run(["wc", "-l", path], check=True,
                                                                 capture_output=True)))
        m = {k: statistics.median(v) for k, v in samples.items()}
        results[(size, variant)] = m["warm"]
        print(f"{size:>4} {variant:<5} {mb:5.1f} MB | ours cold {m['cold']:7.1f} warm {m['warm']:7.1f} ms"
              f" ({mb / m['warm'] * 1000:4.0f} MB/s warm, peak {rss:4.0f} MB)"
              f" | pandas cold {m['pd_cold']:7.1f} warm {m['pd_warm']:7.1f} ms | csv+typing {m['csv']:7.1f} ms"
              f" | wc -l {m['wc']:5.1f} ms || ours/pandas cold {m['cold'] / m['pd_cold']:4.2f}x"
              f" warm {m['warm'] / m['pd_warm']:4.2f}x | csv/ours {m['csv'] / m['warm']:4.1f}x warm"
              f" {m['csv'] / m['cold']:4.1f}x cold", flush=True)
for size in sizes:
    print(f"{size}: comma (quoted) / tab = {results[(size, 'comma')] / results[(size, 'tab')]:.2f}x")
PY
