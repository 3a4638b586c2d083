#!/usr/bin/env python3
"""Generates call lists for the reader benchmarks into bench/data/.

For each size (100,000 and 1,000,000 rows) it writes a tab-delimited file
(index, number, date, success, note) and a comma-delimited variant of the same
rows in which about a tenth of the fields stand in double quotes, some of them
holding commas and doubled quotes. The output is the same on every run.
"""
import os
import random
import sys

WORDS = ("call back later left message busy no answer wrong number asked for "
         "Ann Bob the manager order invoice tuesday morning voicemail full "
         "interested send brochure").split()
SIZES = {"100k": 100_000, "1m": 1_000_000}


def row(rng, index):
    if rng.random() < 0.5:
        number = "555-%04d" % rng.randrange(10000)
    else:
        number = "0800%06d" % rng.randrange(1000000)
    date = "2024-%02d-%02d %02d:%02d" % (rng.randrange(1, 13), rng.randrange(1, 29),
                                         rng.randrange(8, 19), rng.randrange(60))
    success = str(rng.randrange(2))
    note = " ".join(rng.choice(WORDS) for _ in range(rng.randrange(3, 7)))
    return [str(index), number, date, success, note]


def quoted(rng, field):
    """About one field in ten goes in quotes; some of those get a comma and a
    doubled quote inside."""
    if rng.random() >= 0.1:
        return field
    if rng.random() < 0.5:
        field = field + ', said "ok"'
    return '"' + field.replace('"', '""') + '"'


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "data")
    os.makedirs(out, exist_ok=True)
    header = ["index", "number", "date", "success", "note"]
    for name, count in SIZES.items():
        rng = random.Random(20240101)
        rows = [row(rng, i + 1) for i in range(count)]
        with open(os.path.join(out, "calls_%s_tab.txt" % name), "w", encoding="utf-8", newline="\n") as f:
            f.write("\t".join(header) + "\n")
            f.writelines("\t".join(r) + "\n" for r in rows)
        with open(os.path.join(out, "calls_%s_comma.txt" % name), "w", encoding="utf-8", newline="\n") as f:
            f.write(",".join(header) + "\n")
            f.writelines(",".join(quoted(rng, c) for c in r) + "\n" for r in rows)
        print("wrote %s (%d rows)" % (name, count), file=sys.stderr)


if __name__ == "__main__":
    main()
