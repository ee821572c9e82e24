#!/usr/bin/env bash
# The README's first command, exactly as a newcomer runs it: `bash scripts/dev start` must
# install what is missing, build, and start the editor. The editor runs offscreen and, told by
# QUILMAR_FIRST_FRAME, quits after painting its first frame. What it builds (the target editor)
# must be the two programs, the window module and the manual pages, and nothing of the tests or
# the benchmarks.
# Usage: dev_start.sh BUILD_DIR (unused: the command builds and runs build/release itself)
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'started from scripts/dev\n' >"$work/hello.txt"

QT_QPA_PLATFORM=offscreen QUILMAR_FIRST_FRAME=1 timeout 1800 bash "$here/scripts/dev" start "$work/hello.txt" \
  >"$work/out.txt" 2>&1
status=$?
if [ "$status" -ne 0 ] || ! grep -q "^first frame after [0-9]* ms" "$work/out.txt"; then
  echo "FAILED: scripts/dev start ended with $status"
  tail -n 20 "$work/out.txt"
  exit 1
fi
grep "^first frame" "$work/out.txt"

commands=$(ninja -C "$here/build/release" -t commands editor)
for made in '-o bin/quilmar ' '-o bin/quilmar-batch ' '-o bin/quilmar-batch-window.so ' /doc/quilmar.1 /doc/quilmar-batch.1; do
  grep -qF -- "$made" <<<"$commands" || { echo "FAILED: the target editor does not make $made"; exit 1; }
done
if grep -qE 'gtest|benchmark|/tests/|/bench/' <<<"$commands"; then
  echo "FAILED: the target editor builds tests or benchmarks"; exit 1
fi
echo "the target editor: $(grep -c '\.o -c ' <<<"$commands") compilations, no test or benchmark"
