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
# grep reads all of ldd's list: with -q it would stop at the first match, and ldd, cut off,
# would fail the pipe (pipefail) now and then.
if ldd "$batch" | grep 'libasan\|libubsan' >/dev/null; then skip "a sanitizer build cannot run under an address-space limit"; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 -c "open('$work/doc.txt', 'w').write('a' * 1000000)"
new=$(python3 -c "print('x' * 3000)")

# run LIMIT_KB PANEL EXPECTED_TEXT CURRENT_FILE WHAT ARGS...: quilmar-batch under an
# address-space limit must end normally, name the failure in the message panel and keep the
# document (the text and the file name are what the JSON must then hold).
run() {
  local limit=$1 panel=$2 text=$3 file=$4 what=$5
  shift 5
  (ulimit -v "$limit"; exec "$batch" "$@") >"$work/out.json" 2>"$work/err.txt"
  local status=$?
  [ "$status" -eq 0 ] || fail "quilmar-batch ended with $status ($what): $(head -c 300 "$work/err.txt")"
  python3 - "$work/out.json" "$panel" "$text" "$file" "$what" <<'PY' || exit 1
import json, sys
state = json.load(open(sys.argv[1]))
panel, text, file, what = sys.argv[2:]
if state["panels"][0] != panel:
    sys.exit(f"FAILED: {what}: the message panel shows {state['panels'][0]!r}")
if state["text"] != eval(text) or state["currentFile"] != file:
    sys.exit(f"FAILED: {what}: the document was not kept (file {state['currentFile']!r})")
print(f"{what}: out of memory reported; the document was kept and the editor went on")
PY
}

# 1,000,000 replacements (the one line wraps into many; the range takes them all) of 3,000
# characters: 6 GB of text, against a limit of 1 GB. The next keys still edit the document.
run 1000000 "Err: not enough memory for the substitution" '"b" + "a" * 1000000' "$work/doc.txt" substitution \
  --keys ":0,99999s/a/$new/<CR>" --keys "ib<Esc>" -- "$work/doc.txt"

# A 300 MB file (of NUL bytes, sparse: nothing to write) against a limit of 500 MB: its text
# needs 600 MB. The load is dropped, the document stays empty and nameless, and typing goes on.
truncate -s 300M "$work/big.txt"
run 500000 "Err: not enough memory for loading the file" '"x"' "" load --keys "ix<Esc>" -- "$work/big.txt"
