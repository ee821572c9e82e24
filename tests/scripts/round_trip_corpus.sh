#!/usr/bin/env bash
# Byte-exact saves: every file of a corpus is opened in quilmar-batch and written back with
# ":w", once as loaded and once after an edit made and undone (the first line joined to the
# next with Delete, then Ctrl+Z), and the written bytes are compared with the original's.
#
#   tests/scripts/round_trip_corpus.sh BUILD_DIR              the small corpus in
#                                                              tests/data/round_trip (the ctest)
#   tests/scripts/round_trip_corpus.sh BUILD_DIR FOLDER...    every regular file below the folders
#
# The files are copied (under numbered names) into a temporary folder first; the originals are
# never written. Prints, per pass, how many files came back identical, changed, or could not be
# opened (with the editor's message), and exits 1 when any file changed.
set -euo pipefail
build=${1:?usage: round_trip_corpus.sh BUILD_DIR [FOLDER...]}
shift
batch=$build/bin/quilmar-batch
source_dir=${QUILMAR_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
command -v python3 >/dev/null || { echo "skipped: no python3"; exit 77; }
[ $# -gt 0 ] || set -- "$source_dir/tests/data/round_trip"

exec python3 - "$batch" "$@" <<'PYTHON'
import json, os, shutil, subprocess, sys, tempfile

batch, folders = sys.argv[1], sys.argv[2:]
GROUP = 200  # files per run of quilmar-batch, each opened in turn through File > Open

originals = []
for folder in folders:
    for root, dirs, names in os.walk(folder):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(root, name)
            if os.path.isfile(path) and not os.path.islink(path):
                originals.append(path)

passes = {"as loaded": ":w<CR>", "edit undone": "A<Del><C-z><Esc>:w<CR>"}
failed = False
with tempfile.TemporaryDirectory(prefix="quilmar-corpus-") as work:
    home = os.path.join(work, "home")
    os.mkdir(home)
    # Each run starts with a document of its own, so that a file that cannot be opened leaves
    # a file to write to, and ":w" never asks the save dialog (whose answers are the files).
    start_file = os.path.join(work, "start.txt")
    open(start_file, "wb").close()
    for pass_name, keys in passes.items():
        copies, unreadable = [], []
        for i, original in enumerate(originals):
            copy = os.path.join(work, "f%06d" % i)
            try:
                shutil.copyfile(original, copy)
                copies.append((original, copy))
            except OSError as e:
                unreadable.append((original, e.strerror))
        refused = {}
        for start in range(0, len(copies), GROUP):
            group = copies[start:start + GROUP]
            args = [batch, "--home", home, "--omit-text"]
            for _, copy in group:
                args += ["--dialog", copy]
            args += ["--keys", "<menu:mnuOpen>" + keys] * len(group) + ["--", start_file]
            run = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
            if run.returncode != 0:
                sys.exit("quilmar-batch failed: " + run.stderr.decode(errors="replace"))
            for box in json.loads(run.stdout)["messageBoxes"]:
                for original, copy in group:
                    if copy in box:
                        refused[original] = box
        identical, changed = 0, []
        for original, copy in copies:
            if original in refused:
                continue
            with open(original, "rb") as a, open(copy, "rb") as b:
                if a.read() == b.read():
                    identical += 1
                else:
                    changed.append(original)
            os.remove(copy)
        print("%s: %d files, %d identical, %d changed, %d not opened, %d not readable by this script"
              % (pass_name, len(originals), identical, len(changed), len(refused), len(unreadable)))
        for path in changed[:50]:
            print("  changed:", path)
        for path, box in list(refused.items())[:50]:
            print("  not opened:", path, "--", box)
        for path, reason in unreadable[:50]:
            print("  not readable:", path, "--", reason)
        failed = failed or bool(changed)
sys.exit(1 if failed else 0)
PYTHON
