#!/usr/bin/env bash
# Times the string toolkit's everyday operations beside their Python peers on
# the same 100,000 short strings (names and titles, a tenth with non-ASCII), in
# one run: titleCaseString and nameCaseString beside str.title(),
# stripDiacritical beside unicodedata.normalize("NFD") plus dropping combining
# marks, words beside re.findall(r"[\w-]+"), and snrBatch (XML's five escapes)
# beside five chained str.replace calls. Then each operation on one 100 KB and
# one 1 MB text, whose ratio should stay near 10, with the minor page faults of
# a 1 MB call (first touches of fresh memory). Both sides measure their
# thread's CPU time, which a machine busy with other work disturbs least.
#
#   bench/string_toolkit_bench.sh [RUNS]   RUNS default 7
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
python=/usr/bin/python3

if [ ! -x build/default/bench/string_toolkit_bench ]; then
  cmake --preset default >/dev/null
  cmake --build build/default --target string_toolkit_bench >/dev/null
fi

exec "$python" - "$runs" <<'PY'
import os, random, re, resource, statistics, subprocess, sys, time, unicodedata

runs = int(sys.argv[1])
path = "bench/data/short_strings.txt"
BINARY = "build/default/bench/string_toolkit_bench"

FIRST = "john mary ann robert james linda michael sarah david karen peter emma".split()
LAST = ("smith mcdonald macdonald o'brien van der berg jones mary-kate taylor brown "
        "wilson camacho d'arcy").split()
WORDS = ("the lord of rings a tale two cities mice and men war peace moon over river "
         "house in on at by for with from night day song story light dark").split()
NON_ASCII = ["josé", "garcía", "zoë", "crème", "brûlée", "ångström", "müller", "łukasz",
             "françois", "søren", "nguyễn", "dvořák", "İstanbul", "straße"]


def make_strings(rng, n):
    out = []
    for _ in range(n):
        if rng.random() < 0.5:
            parts = [rng.choice(FIRST), rng.choice(LAST)]
        else:
            parts = [rng.choice(WORDS) for _ in range(rng.randrange(3, 7))]
        if rng.random() < 0.1:
            parts[rng.randrange(len(parts))] = rng.choice(NON_ASCII)
        text = " ".join(parts)
        style = rng.random()
        out.append(text.upper() if style < 0.2 else text.title() if style < 0.3 else text)
    return out


if not os.path.exists(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(make_strings(random.Random(9), 100_000)))
with open(path, encoding="utf-8") as f:
    lines = f.read().split("\n")

WORD = re.compile(r"[\w-]+")
XML = (("&", "&amp;"), ("<", "&lt;"), (">", "&gt;"), ('"', "&quot;"), ("'", "&apos;"))


def strip(s):
    return "".join(c for c in unicodedata.normalize("NFD", s) if not unicodedata.combining(c))


def strip_ascii_shortcut(s):
    return s if s.isascii() else strip(s)


def escape(s):
    for a, b in XML:
        s = s.replace(a, b)
    return s


PEERS = {
    "str.title": lambda: [s.title() for s in lines],
    "NFD+combining": lambda: [strip(s) for s in lines],
    "NFD+combining (isascii shortcut)": lambda: [strip_ascii_shortcut(s) for s in lines],
    "re.findall": lambda: [WORD.findall(s) for s in lines],
    "str.replace x5": lambda: [escape(s) for s in lines],
}
PAIRS = [("titleCaseString", "str.title"), ("nameCaseString", "str.title"),
         ("stripDiacritical", "NFD+combining"), ("words", "re.findall"), ("snrBatch", "str.replace x5")]


def ours(*args):
    out = subprocess.run([BINARY, *args], check=True, capture_output=True, text=True).stdout
    return [dict(kv.split("=") for kv in line.split()) for line in out.splitlines()]


# The tools take turns within each repetition, so a busy machine slows them alike.
samples = {}
for _ in range(runs):
    for row in ours(path, "3"):
        samples.setdefault(row["op"], []).append(float(row["ns_per_string"]))
    for name, fn in PEERS.items():
        start = time.thread_time()
        fn()
        samples.setdefault(name, []).append((time.thread_time() - start) * 1e9 / len(lines))

m = {k: statistics.median(v) for k, v in samples.items()}
print(f"{len(lines)} strings, median of {runs} runs, CPU ns per string")
for op, peer in PAIRS:
    print(f"  {op:<17} {m[op]:7.1f} | {peer:<15} {m[peer]:7.1f} | {peer}/ours {m[peer] / m[op]:5.1f}x")
print(f"  (NFD+combining with an isascii shortcut: {m['NFD+combining (isascii shortcut)']:.1f} ns,"
      f" {m['NFD+combining (isascii shortcut)'] / m['stripDiacritical']:.1f}x ours)")

def joined(units):
    """The text the benchmark binary builds: the strings joined by spaces, cut to size."""
    out, size, i = [], 0, 0
    while size < units:
        out.append(lines[i % len(lines)])
        size += len(out[-1]) + 1
        i += 1
    return (" ".join(out) + " ")[:units]


def median_ms(fn, text, n):
    """Median CPU milliseconds and minor page faults of a call."""
    times, faults = [], []
    for _ in range(n):
        start_faults = resource.getrusage(resource.RUSAGE_THREAD).ru_minflt
        start = time.thread_time()
        fn(text)
        times.append((time.thread_time() - start) * 1000)
        faults.append(resource.getrusage(resource.RUSAGE_THREAD).ru_minflt - start_faults)
    return statistics.median(times), statistics.median(faults)


PEER_OF_TEXT = {"str.title": str.title, "NFD+combining": strip, "re.findall": WORD.findall,
                "str.replace x5": escape}
print("one text of 100 KB and of 1 MB, CPU ms (a ratio of 10 is linear), minor page faults of a 1 MB call")
small, large = joined(100_000), joined(1_000_000)
for row in ours("--linear", path, str(max(3, runs))):
    op = row["op"]
    peer = dict(PAIRS)[op]
    fn = PEER_OF_TEXT[peer]
    (p_small, _), (p_large, p_faults) = median_ms(fn, small, max(3, runs)), median_ms(fn, large, max(3, runs))
    print(f"  {op:<17} 100 KB {float(row['ms_100k']):8.2f} | 1 MB {float(row['ms_1m']):8.2f}"
          f" | ratio {float(row['ratio']):5.1f} | faults {float(row['faults_1m']):6.0f}"
          f" || {peer:<15} {p_small:8.2f} | {p_large:8.2f} | ratio {p_large / p_small:5.1f}"
          f" | faults {p_faults:6.0f}")
PY
