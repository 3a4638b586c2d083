#!/usr/bin/env python3
"""Generates the texts of the codec benchmarks into bench/data/.

text_100mb.txt: 100 MB of UTF-8 sentences, mostly ASCII with an accented or
non-Latin word in about one sentence of five, line-feed separated.
lines_100k.txt: 100,000 lines, half URLs (some with query strings, escapes and
non-ASCII), half sentences with the XML special characters now and then.
The output is the same on every run.
"""
import os
import random

WORDS = ("call back later left message busy no answer wrong number asked for "
         "Ann Bob the manager order invoice tuesday morning voicemail full "
         "interested send brochure").split()
FOREIGN = ["café", "naïve", "Zürich", "señor", "€5", "Ελλάδα", "東京", "Привет"]
SPECIAL = ["&", "<b>", "\"quoted\"", "it's", ">"]


def sentence(rng):
    words = [rng.choice(WORDS) for _ in range(rng.randrange(6, 14))]
    if rng.random() < 0.2:
        words[rng.randrange(len(words))] = rng.choice(FOREIGN)
    return " ".join(words).capitalize() + "."


def url(rng):
    path = "/".join(rng.choice(WORDS) for _ in range(rng.randrange(1, 4)))
    u = f"https://example.com/{path}"
    if rng.random() < 0.6:
        u += f"?q={rng.choice(WORDS)}+{rng.choice(FOREIGN)}&page={rng.randrange(100)}"
    if rng.random() < 0.2:
        u += "&note=50%25%20off"
    return u


def main():
    os.makedirs("bench/data", exist_ok=True)
    rng = random.Random(4648)
    with open("bench/data/text_100mb.txt", "w", encoding="utf-8") as f:
        written, chunk = 0, []
        while written < 100_000_000:
            line = " ".join(sentence(rng) for _ in range(5)) + "\n"
            chunk.append(line)
            written += len(line.encode())
            if len(chunk) == 10000:
                f.write("".join(chunk))
                chunk = []
        f.write("".join(chunk))
    with open("bench/data/lines_100k.txt", "w", encoding="utf-8") as f:
        for i in range(100_000):
            if i % 2:
                f.write(url(rng) + "\n")
            else:
                s = sentence(rng)
                if rng.random() < 0.3:
                    s = s.replace(" ", f" {rng.choice(SPECIAL)} ", 1)
                f.write(s + "\n")


if __name__ == "__main__":
    main()
