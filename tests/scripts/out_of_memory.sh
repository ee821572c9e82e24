#!/usr/bin/env bash
# Makes a substitution, and then a load, need far more memory than quilmar-batch may have (an
# address-space limit well below what the text takes): the editor must say so, keep the
# document as it was, and end normally with its JSON.
# Usage: out_of_memory.sh BUILD_DIR
# Exit 77 (skipped) in a sanitizer build, which reserves more address space than any useful
# limit; 1 when the editor failed or lost the document.
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
batch="$build/bin/quilmar-batch"

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

[ -x "$batch" ] || fail "no program at $batch"
command -v python3 >/dev/null || skip "python3 is missing"
if ldd "$batch" | grep -q 'libasan\|libubsan'; then skip "a sanitizer build cannot run under an address-space limit"; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 -c "open('$work/doc.txt', 'w').write('a' * 1000000)"
new=$(python3 -c "print('x' * 3000)")

# 1,000,000 replacements (the one line wraps into many; the range takes them all) of 3,000 characters: 6 GB of text, against a limit of 1 GB.
(ulimit -v 1000000; exec "$batch" --keys ":0,99999s/a/$new/<CR>" --keys "ib<Esc>" -- "$work/doc.txt") \
  >"$work/out.json" 2>"$work/err.txt"
status=$?
[ "$status" -eq 0 ] || fail "quilmar-batch ended with $status: $(head -c 300 "$work/err.txt")"
python3 - "$work/out.json" <<'PY' || exit 1
import json, sys
state = json.load(open(sys.argv[1]))
def check(ok, what):
    if not ok:
        print("FAILED:", what, "| panels:", state["panels"])
        sys.exit(1)
check(state["panels"][0] == "Err: not enough memory for the substitution", "the message panel names the failure")
check(state["text"] == "b" + "a" * 1000000, "the document is as it was, and the next keys still edit it")
print("substitution: out of memory reported; the document was kept and the editor went on")
PY

# A 300 MB file (of NUL bytes, sparse: nothing to write) against a limit of 500 MB: its text
# needs 600 MB. The load is dropped, the document stays empty and nameless, and typing goes on.
truncate -s 300M "$work/big.txt"
(ulimit -v 500000; exec "$batch" --keys "ix<Esc>" -- "$work/big.txt") >"$work/out.json" 2>"$work/err.txt"
status=$?
[ "$status" -eq 0 ] || fail "quilmar-batch ended with $status on the load: $(head -c 300 "$work/err.txt")"
python3 - "$work/out.json" <<'PY' || exit 1
import json, sys
state = json.load(open(sys.argv[1]))
def check(ok, what):
    if not ok:
        print("FAILED:", what, "| panels:", state["panels"], "| currentFile:", state["currentFile"])
        sys.exit(1)
check(state["panels"][0] == "Err: not enough memory for loading the file", "the message panel names the failure")
check(state["text"] == "x" and state["currentFile"] == "", "the document is not named after the file it did not get")
print("load: out of memory reported; the document was kept and the editor went on")
PY
