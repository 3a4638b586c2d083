#!/usr/bin/env bash
# Times the list orderings against their peers on the same 100,000 strings, in
# one run: our sort (case-insensitive locale order) and numbers sort, Python's
# sorted(key=locale.strxfrm) and `sort -f`, both in en_US.UTF-8 (the glibc
# locale comes from scripts/setup.sh). Then duplicate removal on 100,000
# strings with many repeats. Prints medians of CPU time (user + system, every
# thread: large lists are sorted on two threads) and of wall time, and their
# ratios; on a shared machine wall time also holds waiting for a core.
#
#   bench/sort_bench.sh [RUNS]   RUNS default 5
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
export LC_ALL=en_US.UTF-8

if [ ! -x build/default/bench/sort_bench ]; then
  cmake --preset default >/dev/null
  cmake --build build/default --target sort_bench >/dev/null
fi

exec /usr/bin/python3 - "$runs" <<'PY'
import locale, os, random, resource, statistics, subprocess, sys, time

runs = int(sys.argv[1])
locale.setlocale(locale.LC_ALL, "en_US.UTF-8")
os.makedirs("bench/data", exist_ok=True)

FIRST = ["anna", "Bert", "carl", "Dora", "emil", "Frida", "gustav", "Hanna", "ivan", "Julia", "karl", "Lena"]
LAST = ["Smith", "jones", "Miller", "brown", "Taylor", "wilson", "Moore", "clark", "Lewis", "walker"]
ACCENTED = ["Ångström", "Müller", "Æsir", "Łódź", "Straße", "Ébène", "Øresund", "Þór", "Čapek", "Ñandú",
            "Ödön", "Zoë", "José", "Škoda", "Dvořák"]


def one(r):
    kind = r.randrange(10)
    if kind == 0:  # a tenth non-ASCII
        return f"{r.choice(ACCENTED)} {r.choice(ACCENTED)} {r.randrange(1000)}"
    if kind < 5:
        return f"{r.choice(FIRST)} {r.choice(LAST)}"
    return r.choice(["report-", "IMG_", "Chapter ", "file", "track"]) + str(r.randrange(100000)) + \
        r.choice([".txt", ".jpg", "", " (copy)", ".tar.gz"])


def write(path, strings):
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(strings) + "\n")


r = random.Random(2026)
mixed = "bench/data/sort_strings_100k.txt"
repeats = "bench/data/sort_repeats_100k.txt"
write(mixed, [one(r) for _ in range(100_000)])
pool = [one(r) for _ in range(2_000)]
write(repeats, [r.choice(pool) for _ in range(100_000)])


def ours(path):
    out = subprocess.run(["build/default/bench/sort_bench", path, "3"], check=True,
                         capture_output=True, text=True).stdout
    return {k: float(v) for k, v in (kv.split("=") for kv in out.split())}


def timed_ms(fn):
    """(CPU, wall) milliseconds of fn: CPU of this process and of the children it waits for."""
    def cpu():
        me, kids = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
        return me.ru_utime + me.ru_stime + kids.ru_utime + kids.ru_stime
    start, wall = cpu(), time.perf_counter()
    fn()
    return (cpu() - start) * 1000, (time.perf_counter() - wall) * 1000


with open(mixed, encoding="utf-8") as f:
    strings = f.read().splitlines()

# The tools take turns within each repetition, so a busy machine slows them alike.
samples = {k: [] for k in ("sort", "numbers", "sort_wall", "numbers_wall", "cleaned", "first", "py", "py_wall", "sortf", "sortf_wall")}
dup = {k: [] for k in ("sort_unique", "unique")}
for _ in range(runs):
    m = ours(mixed)
    samples["sort"].append(m["sort_ms"])
    samples["numbers"].append(m["numbers_sort_ms"])
    samples["sort_wall"].append(m["sort_wall_ms"])
    samples["numbers_wall"].append(m["numbers_sort_wall_ms"])
    samples["cleaned"].append(m["cleaned_sort_ms"])
    samples["first"].append(m["first_sort_ms"])
    cpu, wall = timed_ms(lambda: sorted(strings, key=locale.strxfrm))
    samples["py"].append(cpu); samples["py_wall"].append(wall)
    cpu, wall = timed_ms(lambda: subprocess.run(["sort", "-f", "-o", os.devnull, mixed], check=True))
    samples["sortf"].append(cpu); samples["sortf_wall"].append(wall)
    d = ours(repeats)
    dup["sort_unique"].append(d["sort_removing_duplicates_ms"])
    dup["unique"].append(d["remove_duplicates_ms"])
    distinct = int(d["distinct"])

m = {k: statistics.median(v) for k, v in samples.items()}
print(f"100,000 strings, medians of {runs}, en_US.UTF-8: CPU time (all threads) and wall time")
print(f"  sort                          {m['sort']:7.1f} ms CPU {m['sort_wall']:7.1f} ms wall"
      f"   (first in a process, collator built: {m['first']:.1f} ms CPU)")
print(f"  sortWithStringsAsNumbersSort  {m['numbers']:7.1f} ms CPU {m['numbers_wall']:7.1f} ms wall")
print(f"  sortWithCleanedStringSort     {m['cleaned']:7.1f} ms CPU")
print(f"  python sorted(key=strxfrm)    {m['py']:7.1f} ms CPU {m['py_wall']:7.1f} ms wall")
print(f"  sort -f                       {m['sortf']:7.1f} ms CPU {m['sortf_wall']:7.1f} ms wall")
for name, k in (("sort", "sort"), ("numbers", "numbers")):
    print(f"  {name:<8} / sort -f CPU {m[k] / m['sortf']:.2f}x wall {m[k + '_wall'] / m['sortf_wall']:.2f}x;"
          f" python / {name} CPU {m['py'] / m[k]:.1f}x wall {m['py_wall'] / m[k + '_wall']:.1f}x")
d = {k: statistics.median(v) for k, v in dup.items()}
print(f"100,000 strings, {distinct} distinct: sortRemovingDuplicates {d['sort_unique']:.1f} ms,"
      f" removeDuplicates {d['unique']:.1f} ms")
PY
