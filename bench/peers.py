"""Whole-process timings of quilmar-batch and the window beside vim, sed and cat (see peers.sh)."""
import filecmp
import os
import statistics
import subprocess
import sys
import tempfile
import time

build, runs = sys.argv[1], int(sys.argv[2])
batch = os.path.join(build, "bin", "quilmar-batch")
window = os.path.join(build, "bin", "quilmar")
work = tempfile.mkdtemp(prefix="quilmar-peers-")
MB = 1_000_000


def make_lines(path, size):
    """Lines of about 100 bytes, each with one "fox": 10 MB gives 100,000 occurrences."""
    line = b"the quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs 0123456789\n"
    with open(path, "wb") as f:
        f.write(line * (size // len(line)))


def make_long_line(path, chars):
    """One line of `chars` characters, a "fox" in every 50."""
    piece = b"fox" + b"." * 47
    with open(path, "wb") as f:
        f.write(piece * (chars // len(piece)) + b"\n")


def run(argv, env=None, until=None):
    """Wall time in seconds of one process. With `until`, the time is taken when the process
    prints a line starting so (and it is then left to finish); `after_answer` then keeps the
    milliseconds that line gives after a question's answer, if it does."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.PIPE if until else subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, env=env)
    elapsed = None
    if until:
        for raw in proc.stdout:
            line = raw.decode(errors="replace")
            if elapsed is None and line.startswith(until):
                elapsed = time.perf_counter() - start
                if "after the answer" in line:
                    after_answer.append(int(line.split(",")[1].split()[0]) / 1000)
        proc.stdout.close()
    if proc.wait() != 0:
        raise SystemExit(f"failed ({proc.returncode}): {' '.join(argv)}")
    return elapsed if elapsed is not None else time.perf_counter() - start


after_answer = []


def peak_mb(argv, env=None):
    """Peak resident memory of one more run, taken by GNU time: a process started from a small
    one, so the figure is the program's own and not inherited from this script."""
    with tempfile.NamedTemporaryFile("r") as report:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + argv, env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return int(report.read().split()[-1]) * 1024 / MB


def measure(argv, **kw):
    run(argv, **kw)  # the page cache and the dynamic linker's caches warm
    times = [run(argv, **kw) for _ in range(runs)]
    return statistics.median(times), peak_mb(argv, kw.get("env"))


def same(a, b):
    return filecmp.cmp(a, b, shallow=False)


cases = [("10 MB", "lines10.txt", lambda p: make_lines(p, 10 * MB)),
         ("100 MB", "lines100.txt", lambda p: make_lines(p, 100 * MB)),
         ("5,000,000-char line", "long.txt", lambda p: make_long_line(p, 5_000_000))]


def verdict(ok):
    return "met" if ok else "MISSED"


print(f"medians of {runs} runs, page cache warm; peak memory in MB (10^6 bytes)\n")
vim_none = measure(["vim", "-u", "NONE", "-es", "-c", "q!"])
q_none = measure([batch, "--omit-text", "--keys", ":q<CR>"])
print(f"no file       vim {vim_none[0]*1000:7.1f} ms  quilmar {q_none[0]*1000:7.1f} ms  (peak {q_none[1]:.0f} MB)\n")
for name, file, make in cases:
    path = os.path.join(work, file)
    make(path)
    size = os.path.getsize(path) / MB
    out = {k: os.path.join(work, f"{k}-{file}") for k in ("sed", "vim", "quilmar")}
    cat = measure(["cat", path])
    vim_open = measure(["vim", "-u", "NONE", "-es", "-c", "q!", path])
    q_open = measure([batch, "--omit-text", "--keys", ":q<CR>", "--", path])
    sed = measure(["sh", "-c", f"sed 's/fox/cat/g' '{path}' > '{out['sed']}'"])
    vim_sub = measure(["vim", "-u", "NONE", "-es", "-c", "%s/fox/cat/g", "-c", f"w! {out['vim']}", "-c", "q!", path])
    for f in (out["quilmar"],):
        if os.path.exists(f):
            os.remove(f)
    q_sub = measure([batch, "--omit-text", "--keys", f":0,999999999s/fox/cat/<CR>:w! {out['quilmar']}<CR>", "--", path])
    agree = same(out["quilmar"], out["vim"]) and same(out["sed"], out["vim"])
    print(f"{name} ({size:.1f} MB)")
    print(f"  open+quit   cat {cat[0]*1000:7.1f} ms  vim {vim_open[0]*1000:7.1f} ms  quilmar {q_open[0]*1000:7.1f} ms"
          f"  ({q_open[0]/vim_open[0]:.2f} x vim, {q_open[0]/cat[0]:.1f} x cat; peak {q_open[1]:.0f} MB"
          f" = {q_open[1]/size:.2f} x the file)")
    print(f"  subst+write sed {sed[0]*1000:7.1f} ms  vim {vim_sub[0]*1000:7.1f} ms  quilmar {q_sub[0]*1000:7.1f} ms"
          f"  ({q_sub[0]/sed[0]:.2f} x sed, {q_sub[0]/vim_sub[0]:.2f} x vim; peak {q_sub[1]:.0f} MB"
          f" = {q_sub[1]/size:.2f} x the file)")
    print(f"  outputs identical to vim's: {'yes' if agree else 'NO'}")
    if name == "10 MB":
        print(f"  targets: open <= 0.5 x vim {verdict(q_open[0] <= 0.5 * vim_open[0])}, <= 5 x cat"
              f" {verdict(q_open[0] <= 5 * cat[0])}; subst <= 1.2 x sed {verdict(q_sub[0] <= 1.2 * sed[0])}")
    elif name == "100 MB":
        print(f"  targets: open <= 0.4 x vim {verdict(q_open[0] <= 0.4 * vim_open[0])};"
              f" subst <= 1.3 x sed {verdict(q_sub[0] <= 1.3 * sed[0])}")
    else:
        print(f"  target: subst <= 2 x sed {verdict(q_sub[0] <= 2 * sed[0])}")
    if name != "5,000,000-char line":
        print(f"  memory: open <= 1.3 x file + 30 MB ({1.3*size+30:.0f}) {verdict(q_open[1] <= 1.3 * size + 30)};"
              f" subst+write <= 3 x file ({3*size:.0f}) {verdict(q_sub[1] <= 3 * size)}")
    if not agree:
        raise SystemExit("the substitutions wrote different files")

# The window: process start to its first painted frame (QUILMAR_FIRST_FRAME makes it say so
# and quit), offscreen, no file and the 10 MB file; the 100 MB file asks first whether to open
# a file that big, and its figure is the window's own from the answer (given at once) on.
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QUILMAR_FIRST_FRAME="1")
empty = measure([window], env=env, until="first frame")
ten = measure([window, os.path.join(work, "lines10.txt")], env=env, until="first frame")
after_answer.clear()
hundred = measure([window, os.path.join(work, "lines100.txt")], env=env, until="first frame")
answered = statistics.median(after_answer[1:]) if len(after_answer) > 1 else None
print("\nwindow, start to first frame (offscreen)")
print(f"  no file {empty[0]*1000:7.1f} ms, peak {empty[1]:.0f} MB  (<= 150 ms {verdict(empty[0] <= 0.150)})")
print(f"  10 MB   {ten[0]*1000:7.1f} ms, peak {ten[1]:.0f} MB  (<= 250 ms {verdict(ten[0] <= 0.250)};"
      f" memory <= {1.5*10+60:.0f} MB {verdict(ten[1] <= 1.5 * 10 + 60)})")
if answered is None:
    print(f"  100 MB  {hundred[0]*1000:7.1f} ms (no question was asked), peak {hundred[1]:.0f} MB")
else:
    print(f"  100 MB  {hundred[0]*1000:7.1f} ms, {answered*1000:.0f} ms after the answer, peak {hundred[1]:.0f} MB"
          f"  (<= 700 ms after the answer {verdict(answered <= 0.700)};"
          f" memory <= {1.5*100+60:.0f} MB {verdict(hundred[1] <= 1.5 * 100 + 60)})")
subprocess.run(["rm", "-rf", work])
