#!/usr/bin/env bash
# The README's first command, exactly as a newcomer runs it: `bash scripts/dev start` must
# install what is missing, build, and start the editor. The editor runs offscreen and, told by
# QUILMAR_FIRST_FRAME, quits after painting its first frame.
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
