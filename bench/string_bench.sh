#!/usr/bin/env bash
# Times the string toolkit's POSIX all-matches scan and its strict integer
# parser beside their peers, in one run with the tools taking turns:
#   - all matches of [0-9]+ over 1 MB and 4 MB texts (one match per ~10 bytes,
#     some non-ASCII words): ours, Python's re.findall, and `grep -oE` (a whole
#     process writing its matches to a file; GNU grep stops at the first match
#     when its output is /dev/null) under C.UTF-8;
#   - parseIntoSInt64 over 1,000,000 strings beside Python's int().
# Ours and Python are timed in-process, without reading the file; grep as a
# whole process. Ours "cold" is the first call in a fresh process, which pays
# for touching fresh memory for its results; "warm" a repeated call. Each figure is a median of wall time and of CPU time (user +
# system), the fairer one when other work shares the machine.
#
#   bench/string_bench.sh [RUNS]   RUNS default 5
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}

if [ ! -x build/default/bench/string_regex_bench ]; then
  cmake --preset default >/dev/null
  cmake --build build/default --target string_regex_bench >/dev/null
fi

exec python3 - "$runs" <<'PY'
import os, random, re, resource, statistics, subprocess, sys, time

runs = int(sys.argv[1])
os.makedirs("bench/data", exist_ok=True)
WORDS = "call back later left message été über naïve order 😀 note".split()


def make_text(path, matches):
    rng = random.Random(12)
    parts = []
    for _ in range(matches):
        parts.append(rng.choice(WORDS) if rng.random() < 0.5 else "")
        parts.append(" %d" % rng.randrange(100000))
        parts.append("\n" if rng.random() < 0.2 else " ")
    with open(path, "w", encoding="utf-8") as f:
        f.write("".join(parts))


def make_numbers(path, count):
    rng = random.Random(7)
    with open(path, "w") as f:
        f.write("\n".join(str(rng.randrange(-10**15, 10**15)) for _ in range(count)))


def ours(*args, runs=1):
    """(wall, cpu) medians in ms of `runs` calls in a fresh process."""
    out = subprocess.run(["build/default/bench/string_regex_bench", *args, str(runs)],
                         check=True, capture_output=True, text=True).stdout
    fields = dict(kv.split("=") for kv in out.split())
    return float(fields["median_ms"]), float(fields["cpu_ms"])


def timed_ms(fn):
    start, cpu = time.perf_counter(), time.process_time()
    fn()
    return (time.perf_counter() - start) * 1000, (time.process_time() - cpu) * 1000


def child_ms(argv, env):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open("bench/data/grep_output.txt", "w") as out:
        subprocess.run(argv, env=env, check=True, stdout=out)
    wall = (time.perf_counter() - start) * 1000
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000
    return wall, cpu


def medians(samples):
    return {k: (statistics.median(w for w, _ in v), statistics.median(c for _, c in v))
            for k, v in samples.items()}


env = dict(os.environ, LC_ALL="C.UTF-8")
for label, matches in (("1MB", 100_000), ("4MB", 400_000)):
    path = f"bench/data/regex_{label}.txt"
    if not os.path.exists(path):
        make_text(path, matches)
    text = open(path, encoding="utf-8").read()
    mb = os.path.getsize(path) / 1e6
    found = len(re.findall(r"[0-9]+", text))
    samples = {"ours": [], "warm": [], "python": [], "grep": []}
    for _ in range(runs):
        samples["ours"].append(ours("matches", path, "[0-9]+"))
        samples["warm"].append(ours("matches", path, "[0-9]+", runs=5))
        samples["python"].append(timed_ms(lambda: re.findall(r"[0-9]+", text)))
        samples["grep"].append(child_ms(["grep", "-oE", "[0-9]+", path], env))
    m = medians(samples)
    for i, kind in ((0, "wall"), (1, "cpu")):
        print(f"all matches [0-9]+ {label} ({mb:.2f} MB, {found} matches), {kind}:"
              f" ours cold {m['ours'][i]:.1f} ms ({m['ours'][i] / mb:.1f} ms/MB)"
              f" warm {m['warm'][i]:.1f} ms ({m['warm'][i] / mb:.1f} ms/MB)"
              f" | re.findall {m['python'][i]:.1f} ms | grep -oE {m['grep'][i]:.1f} ms"
              f" || ours/grep cold {m['ours'][i] / m['grep'][i]:.2f}x warm {m['warm'][i] / m['grep'][i]:.2f}x"
              f" | python/ours cold {m['python'][i] / m['ours'][i]:.1f}x"
              f" warm {m['python'][i] / m['warm'][i]:.1f}x", flush=True)

path = "bench/data/integers_1m.txt"
if not os.path.exists(path):
    make_numbers(path, 1_000_000)
strings = open(path).read().split("\n")
samples = {"ours": [], "python": []}
for _ in range(runs):
    samples["ours"].append(ours("parse", path, runs=3))
    samples["python"].append(timed_ms(lambda: [int(s) for s in strings]))
m = medians(samples)
for i, kind in ((0, "wall"), (1, "cpu")):
    print(f"parseIntoSInt64 x {len(strings)}, {kind}: ours {m['ours'][i]:.1f} ms"
          f" | Python int() {m['python'][i]:.1f} ms || python/ours {m['python'][i] / m['ours'][i]:.1f}x",
          flush=True)
PY
