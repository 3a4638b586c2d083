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


def plistlib_step(mode, source, target):
    """Runs inside a child process: one timed plistlib write or read."""
    import plistlib
    with open(source, "rb") as f:
        data = f.read()
    if mode == "write":
        value = plistlib.loads(data)
        start = time.perf_counter()
        encoded = plistlib.dumps(value, fmt=plistlib.FMT_BINARY)
        with open(target, "wb") as f:
            f.write(encoded)
            f.flush()
            os.fsync(f.fileno())
        ms = (time.perf_counter() - start) * 1000
    else:
        start = time.perf_counter()
        with open(source, "rb") as f:
            value = plistlib.loads(f.read())
        ms = (time.perf_counter() - start) * 1000
        assert len(value["data"]) > 0
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print(f"{mode}_ms {ms:.2f} peak_kb {peak}")


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

    ours = {"sync_ms": [], "restore_ms": [], "sync_kb": [], "restore_kb": []}
    theirs = {"write_ms": [], "read_ms": [], "write_kb": [], "read_kb": []}
    with tempfile.TemporaryDirectory() as scratch:
        env = dict(os.environ, XDG_CONFIG_HOME=scratch, HOME=scratch, QT_QPA_PLATFORM="offscreen")
        store_file = os.path.join(scratch, "tirr-defaults", "org.telvane.ListDialer.plist")
        peer_file = os.path.join(scratch, "plistlib.plist")
        for _ in range(args.runs):
            s = run([bench, "sync", str(args.records)], env)
            r = run([bench, "restore"], env)
            assert r["records"] == args.records, r
            ours["sync_ms"].append(s["sync_ms"]); ours["sync_kb"].append(s["peak_kb"])
            ours["restore_ms"].append(r["restore_ms"]); ours["restore_kb"].append(r["peak_kb"])
            w = run([PYTHON, __file__, "--plistlib", "write", store_file, peer_file])
            rd = run([PYTHON, __file__, "--plistlib", "read", peer_file, ""])
            theirs["write_ms"].append(w["write_ms"]); theirs["write_kb"].append(w["peak_kb"])
            theirs["read_ms"].append(rd["read_ms"]); theirs["read_kb"].append(rd["peak_kb"])
        cross = subprocess.run([bench, "decode", peer_file], env=env, check=True, capture_output=True, text=True)
        store_size, peer_size = os.path.getsize(store_file), os.path.getsize(peer_file)

    med = {k: statistics.median(v) for k, v in {**ours, **theirs}.items()}
    print(f"{args.records:,} call records, medians of {args.runs} runs (binary property lists)")
    print(f"  store    sync    {med['sync_ms']:8.1f} ms   peak {med['sync_kb'] / 1024:6.1f} MiB   file {store_size / 1e6:.2f} MB")
    print(f"  store    restore {med['restore_ms']:8.1f} ms   peak {med['restore_kb'] / 1024:6.1f} MiB")
    print(f"  plistlib write   {med['write_ms']:8.1f} ms   peak {med['write_kb'] / 1024:6.1f} MiB   file {peer_size / 1e6:.2f} MB")
    print(f"  plistlib read    {med['read_ms']:8.1f} ms   peak {med['read_kb'] / 1024:6.1f} MiB")
    sync_ratio, restore_ratio = med["write_ms"] / med["sync_ms"], med["read_ms"] / med["restore_ms"]
    print(f"  ratio write: {sync_ratio:.1f}x faster, read: {restore_ratio:.1f}x faster (goal >= {RATIO_GOAL}x)")
    print(f"  goals: sync < {SYNC_GOAL_MS} ms {'met' if med['sync_ms'] < SYNC_GOAL_MS else 'MISSED'}, "
          f"restore < {RESTORE_GOAL_MS} ms {'met' if med['restore_ms'] < RESTORE_GOAL_MS else 'MISSED'}")
    print(f"  store decodes plistlib's file: {cross.stdout.strip()}")


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--plistlib":
        plistlib_step(*sys.argv[2:5])
    else:
        main()
