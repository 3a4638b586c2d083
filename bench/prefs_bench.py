#!/usr/bin/python3
"""Times the defaults store against Python's plistlib on the same call list.

    bench/prefs_bench.py [BUILD_DIR] [--runs N]

For each of N runs, in a scratch $XDG_CONFIG_HOME:
  * `prefs_sync_bench sync` stores a list of 100,000 call records under "data"
    and synchronises (writeDefault + synchronizeDefaults), then
  * `prefs_sync_bench restore` reads it back in a fresh process (readDefault).
plistlib then writes and reads the very list the store wrote (loaded from the
store's own file, so both sides handle identical values) in the same binary
format, each step in its own process so peak memory is comparable. The store
also decodes plistlib's file, which checks that the two formats agree.
Prints the medians, peak resident memory, file sizes and the ratios.
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

PYTHON = "/usr/bin/python3"
SYNC_GOAL_MS, RESTORE_GOAL_MS, RATIO_GOAL = 150, 250, 7


def plistlib_step(mode, source, target, form="binary"):
    """Runs inside a child process: one timed plistlib write or read."""
    import plistlib
    fmt = plistlib.FMT_XML if form == "xml" else plistlib.FMT_BINARY
    with open(source, "rb") as f:
        data = f.read()
    if mode == "write":
        value = plistlib.loads(data)
        start, cpu = time.perf_counter(), time.process_time()
        encoded = plistlib.dumps(value, fmt=fmt)
        with open(target, "wb") as f:
            f.write(encoded)
            f.flush()
            os.fsync(f.fileno())
    else:
        start, cpu = time.perf_counter(), time.process_time()
        with open(source, "rb") as f:
            value = plistlib.loads(f.read())
        assert len(value["data"]) > 0
    ms, cpu_ms = (time.perf_counter() - start) * 1000, (time.process_time() - cpu) * 1000
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print(f"{mode}_ms {ms:.2f} {mode}_cpu_ms {cpu_ms:.2f} peak_kb {peak}")


def run(command, env=None):
    out = subprocess.run(command, env=env, check=True, capture_output=True, text=True).stdout.split()
    return {out[i]: float(out[i + 1]) for i in range(0, len(out) - 1, 2)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/default")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--records", type=int, default=100_000)
    args = parser.parse_args()
    bench = os.path.join(args.build, "bench", "prefs_sync_bench")

    ours = {k: [] for k in ("sync_ms", "sync_cpu_ms", "restore_ms", "restore_cpu_ms", "sync_kb", "restore_kb")}
    theirs = {k: [] for k in ("write_ms", "write_cpu_ms", "read_ms", "read_cpu_ms", "write_kb", "read_kb")}
    xml = {"xml_write_ms": [], "xml_read_ms": []}
    with tempfile.TemporaryDirectory() as scratch:
        env = dict(os.environ, XDG_CONFIG_HOME=scratch, HOME=scratch, QT_QPA_PLATFORM="offscreen")
        store_file = os.path.join(scratch, "tirr-defaults", "org.telvane.ListDialer.plist")
        peer_file = os.path.join(scratch, "plistlib.plist")
        for _ in range(args.runs):
            s = run([bench, "sync", str(args.records)], env)
            r = run([bench, "restore"], env)
            assert r["records"] == args.records, r
            s["sync_kb"], r["restore_kb"] = s["peak_kb"], r["peak_kb"]
            for k in ours:
                ours[k].append(s.get(k, r.get(k)))
            w = run([PYTHON, __file__, "--plistlib", "write", store_file, peer_file])
            rd = run([PYTHON, __file__, "--plistlib", "read", peer_file, ""])
            w["write_kb"], rd["read_kb"] = w["peak_kb"], rd["peak_kb"]
            for k in theirs:
                theirs[k].append(w.get(k, rd.get(k)))
            # The XML form, for reference: what users and other tools write by hand.
            xml_file = os.path.join(scratch, "plistlib-xml.plist")
            xw = run([PYTHON, __file__, "--plistlib", "write", store_file, xml_file, "xml"])
            xr = run([PYTHON, __file__, "--plistlib", "read", xml_file, "", "xml"])
            xml["xml_write_ms"].append(xw["write_ms"])
            xml["xml_read_ms"].append(xr["read_ms"])
        cross = subprocess.run([bench, "decode", peer_file], env=env, check=True, capture_output=True, text=True)
        store_size, peer_size = os.path.getsize(store_file), os.path.getsize(peer_file)

    med = {k: statistics.median(v) for k, v in {**ours, **theirs, **xml}.items()}
    load = os.getloadavg()[0]
    print(f"{args.records:,} call records, medians of {args.runs} runs (binary property lists), "
          f"load average {load:.1f} on {os.cpu_count()} CPUs")
    print("                   wall ms   CPU ms   peak MiB   file MB")
    print(f"  store    sync    {med['sync_ms']:8.1f} {med['sync_cpu_ms']:8.1f} {med['sync_kb'] / 1024:9.1f} {store_size / 1e6:9.2f}")
    print(f"  store    restore {med['restore_ms']:8.1f} {med['restore_cpu_ms']:8.1f} {med['restore_kb'] / 1024:9.1f}")
    print(f"  plistlib write   {med['write_ms']:8.1f} {med['write_cpu_ms']:8.1f} {med['write_kb'] / 1024:9.1f} {peer_size / 1e6:9.2f}")
    print(f"  plistlib read    {med['read_ms']:8.1f} {med['read_cpu_ms']:8.1f} {med['read_kb'] / 1024:9.1f}")
    for label, unit in (("wall", "ms"), ("CPU", "cpu_ms")):
        w_ratio = med[f"write_{unit}"] / med[f"sync_{unit}"]
        r_ratio = med[f"read_{unit}"] / med[f"restore_{unit}"]
        print(f"  {label:4} time: store writes {w_ratio:.1f}x and reads {r_ratio:.1f}x faster than plistlib "
              f"(goal >= {RATIO_GOAL}x)")
    print(f"  goals: sync < {SYNC_GOAL_MS} ms {'met' if med['sync_ms'] < SYNC_GOAL_MS else 'MISSED'}, "
          f"restore < {RESTORE_GOAL_MS} ms {'met' if med['restore_ms'] < RESTORE_GOAL_MS else 'MISSED'} (wall)")
    print(f"  plistlib as XML: write {med['xml_write_ms']:.1f} ms ({med['xml_write_ms'] / med['sync_ms']:.1f}x ours), "
          f"read {med['xml_read_ms']:.1f} ms ({med['xml_read_ms'] / med['restore_ms']:.1f}x ours)")
    print(f"  store decodes plistlib's file: {cross.stdout.strip()}")


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--plistlib":
        plistlib_step(*sys.argv[2:6])
    else:
        main()
