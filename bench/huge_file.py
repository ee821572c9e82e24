"""A log file of an exact size for bench/huge.sh: lines of 40 to 120 bytes, the last one ending
in "MARK-END" (found nowhere else). With --mark, prints where that mark stands in the document
(its byte offset plus one unit for each line break before it, each break being two units)."""
import os
import random
import sys


def write(path, size):
    rng = random.Random(7)
    levels = ["INFO ", "DEBUG", "WARN ", "ERROR"]
    words = "request served cache miss hit user session opened closed retry upstream timeout".split()
    lines = []
    for i in range(20000):
        text = " ".join(rng.choice(words) for _ in range(rng.randint(2, 12)))
        lines.append(f"2026-12-07 09:{i // 600 % 60:02}:{i // 10 % 60:02}.{i % 1000:03} {rng.choice(levels)} "
                     f"[worker-{rng.randint(1, 32)}] {text}\n")
    block = "".join(lines).encode()
    last = b"2026-12-07 10:00:00.000 INFO  [worker-1] the end MARK-END\n"
    body = size - len(last)
    with open(path, "wb") as f:
        whole, rest = divmod(body, len(block))
        for _ in range(whole):
            f.write(block)
        tail = block[:rest]
        # The last partial line is filled with dots up to its own break.
        cut = tail.rfind(b"\n") + 1
        f.write(tail[:cut] + (b"." * (len(tail) - cut - 1) + b"\n" if len(tail) > cut else b""))
        f.write(last)


def mark(path):
    size = os.path.getsize(path)
    with open(path, "rb") as f:
        f.seek(max(0, size - 4096))
        tail = f.read()
    offset = size - len(tail) + tail.rindex(b"MARK-END")
    with open(path, "rb") as f:
        breaks = sum(chunk.count(b"\n") for chunk in iter(lambda: f.read(1 << 24), b"") )
    return offset + breaks - 1  # every break but the one after the mark comes before it


if __name__ == "__main__":
    if sys.argv[1] == "--mark":
        print(mark(sys.argv[2]))
    else:
        write(sys.argv[1], int(sys.argv[2]))
