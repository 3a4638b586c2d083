#!/usr/bin/env bash
# Times the toolkit's Base64 and escaping beside their usual peers, on the
# same data, in one run:
#   Base64 of 100 MB of UTF-8 text: convertToBase64 / convertFromBase64 (the
#   decode includes its UTF-8 check) beside coreutils `base64 -w0` /
#   `base64 -d` and Python's base64.b64encode / b64decode;
#   100,000 URLs and sentences: addPercentEscapes / removePercentEscapes /
#   safeForXML beside urllib.parse.quote / unquote and html.escape.
# Prints medians (ours: of warm calls, the second and later in one process)
# as wall time and as CPU time (user + system of the process
# or child, page faults included). On a busy machine the wall time mostly
# measures waiting for a core; the CPU time is the fairer comparison.
#
#   bench/string_codec_bench.sh [RUNS]   RUNS default 3
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}

[ -f bench/data/text_100mb.txt ] && [ -f bench/data/lines_100k.txt ] || python3 bench/gen_text.py
if [ ! -x build/default/bench/string_codec_bench ]; then
  cmake --preset default >/dev/null
  cmake --build build/default --target string_codec_bench >/dev/null
fi

exec python3 - "$runs" <<'PY'
import base64, html, resource, statistics, subprocess, sys, time, urllib.parse

runs = int(sys.argv[1])
TEXT = "bench/data/text_100mb.txt"
B64 = "bench/data/text_100mb.b64"
LINES = "bench/data/lines_100k.txt"


def children_cpu_ms():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (r.ru_utime + r.ru_stime) * 1000


def self_cpu_ms():
    r = resource.getrusage(resource.RUSAGE_SELF)
    return (r.ru_utime + r.ru_stime) * 1000


def timed(fn):
    """(wall ms, CPU ms of this process) of one call."""
    c, t = self_cpu_ms(), time.perf_counter()
    fn()
    return (time.perf_counter() - t) * 1000, self_cpu_ms() - c


def timed_tool(args, stdin_path):
    """(wall ms, CPU ms) of a command reading a file, writing to /dev/null."""
    with open(stdin_path, "rb") as src, open("/dev/null", "wb") as sink:
        c, t = children_cpu_ms(), time.perf_counter()
        subprocess.run(args, stdin=src, stdout=sink, check=True)
        return (time.perf_counter() - t) * 1000, children_cpu_ms() - c


def ours(mode, path, n):
    out = subprocess.run(["build/default/bench/string_codec_bench", mode, path, str(n)],
                         check=True, capture_output=True, text=True).stdout
    return {k: float(v) for k, v in (kv.split("=") for kv in out.split())}


data = open(TEXT, "rb").read()
encoded = base64.b64encode(data)
with open(B64, "wb") as f:
    f.write(encoded)
mb = len(data) / 1e6

# The tools take turns within each repetition, so a busy machine slows them alike.
s = {k: [] for k in ("enc", "enc_cpu", "enc_user", "dec", "dec_cpu", "dec_user", "cu_enc", "cu_enc_cpu", "cu_dec", "cu_dec_cpu",
                     "py_enc", "py_enc_cpu", "py_dec", "py_dec_cpu")}
for _ in range(runs):
    o = ours("base64", TEXT, 4)  # the median of the three warm calls
    s["enc"].append(o["encode_ms"]); s["enc_cpu"].append(o["encode_cpu_ms"]); s["enc_user"].append(o["encode_user_ms"])
    s["dec"].append(o["decode_ms"]); s["dec_cpu"].append(o["decode_cpu_ms"]); s["dec_user"].append(o["decode_user_ms"])
    w, c = timed_tool(["base64", "-w0"], TEXT); s["cu_enc"].append(w); s["cu_enc_cpu"].append(c)
    w, c = timed_tool(["base64", "-d"], B64); s["cu_dec"].append(w); s["cu_dec_cpu"].append(c)
    w, c = timed(lambda: base64.b64encode(data)); s["py_enc"].append(w); s["py_enc_cpu"].append(c)
    w, c = timed(lambda: base64.b64decode(encoded)); s["py_dec"].append(w); s["py_dec_cpu"].append(c)
m = {k: statistics.median(v) for k, v in s.items()}
for op, cu, py in (("enc", "cu_enc", "py_enc"), ("dec", "cu_dec", "py_dec")):
    name = "encode" if op == "enc" else "decode"
    print(f"base64 {name} {mb:.0f} MB | ours {m[op]:7.1f} ms wall {m[op + '_cpu']:6.1f} ms CPU"
          f" ({mb / m[op + '_cpu']:4.2f} GB/s CPU; user alone {m[op + '_user']:6.1f} ms, {mb / m[op + '_user']:4.2f} GB/s)"
          f" | coreutils {m[cu]:7.1f} wall {m[cu + '_cpu']:6.1f} CPU | python {m[py]:7.1f} wall {m[py + '_cpu']:6.1f} CPU"
          f" || coreutils/ours CPU {m[cu + '_cpu'] / m[op + '_cpu']:4.2f}x wall {m[cu] / m[op]:4.2f}x"
          f" | python/ours CPU {m[py + '_cpu'] / m[op + '_cpu']:4.2f}x wall {m[py] / m[op]:4.2f}x", flush=True)

lines = open(LINES, encoding="utf-8").read().split("\n")
lines = [l for l in lines if l]
quoted = [urllib.parse.quote(l) for l in lines]
s = {k: [] for k in ("add", "add_cpu", "remove", "remove_cpu", "xml", "xml_cpu",
                     "quote", "quote_cpu", "unquote", "unquote_cpu", "escape", "escape_cpu")}
for _ in range(runs):
    o = ours("escape", LINES, 5)
    for k in ("add", "remove", "xml"):
        s[k].append(o[k + "_ms"]); s[k + "_cpu"].append(o[k + "_cpu_ms"])
    for k, fn in (("quote", lambda: [urllib.parse.quote(l) for l in lines]),
                  ("unquote", lambda: [urllib.parse.unquote(l) for l in quoted]),
                  ("escape", lambda: [html.escape(l) for l in lines])):
        w, c = timed(fn); s[k].append(w); s[k + "_cpu"].append(c)
m = {k: statistics.median(v) for k, v in s.items()}
for ours_k, py_k, label in (("add", "quote", "addPercentEscapes vs quote"),
                            ("remove", "unquote", "removePercentEscapes vs unquote"),
                            ("xml", "escape", "safeForXML vs html.escape")):
    print(f"{len(lines)} lines {label:<32} | ours {m[ours_k]:7.1f} ms wall {m[ours_k + '_cpu']:6.1f} CPU"
          f" | python {m[py_k]:7.1f} wall {m[py_k + '_cpu']:6.1f} CPU"
          f" || python/ours CPU {m[py_k + '_cpu'] / m[ours_k + '_cpu']:4.1f}x wall {m[py_k] / m[ours_k]:4.1f}x",
          flush=True)
PY
