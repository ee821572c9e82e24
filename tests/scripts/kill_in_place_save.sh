#!/usr/bin/env bash
# Crash-safe saves in place: a file with two hard links (so it is written in place, keeping the
# links shared) is opened in quilmar-batch, edited and written with ":w", and the program is
# killed with SIGKILL at a random moment of the save. After every kill the file must be wholly
# old, wholly new, or a complete copy of the old content must exist in the state folder
# (below --home for quilmar-batch).
#
#   tests/scripts/kill_in_place_save.sh BUILD_DIR            what ctest runs: 8 kills of an 8 MB
#                                                            save (4 of 4 MB under the sanitizers)
#   KILL_RUNS=50 KILL_MB=100 tests/scripts/kill_in_place_save.sh build/release   the full test
#
# The kills are spread over the stretch between the end of the load and the end of the save,
# both measured first with uninterrupted runs. The outcome never depends on the timing; only
# which states are met does.
set -euo pipefail
build=${1:?usage: kill_in_place_save.sh BUILD_DIR}
batch=$build/bin/quilmar-batch
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
case $build in
  *sanitize*) runs=${KILL_RUNS:-4} mb=${KILL_MB:-4} ;;
  *) runs=${KILL_RUNS:-8} mb=${KILL_MB:-8} ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
yes 'an old line of the file, with a few words in it' | head -c $((mb * 1000000)) > "$work/old" || true
sed '1s/$/ and new words/' "$work/old" > "$work/new"
keys='A and new words<Esc>'

now() { date +%s%N; }
# One run on a fresh pair of links; prints its duration in ns.
run() {  # run HOME KEYS
  rm -f "$work/file" "$work/link"
  cp "$work/old" "$work/file"
  ln "$work/file" "$work/link"
  local start; start=$(now)
  "$batch" --home "$1" --omit-text --keys "$2" -- "$work/file" > /dev/null
  echo $(( $(now) - start ))
}

# Two homes: the first run leaves its unsaved edit in a recovery record, which a second run
# with the same home would offer back.
mkdir -p "$work/measure-load" "$work/measure-save"
load_ns=$(run "$work/measure-load" "$keys")
save_ns=$(run "$work/measure-save" "$keys:w<CR>")
cmp -s "$work/file" "$work/new" || { echo "FAIL: an uninterrupted save did not write the new content"; exit 1; }
[ "$(stat -c %h "$work/file")" = 2 ] || { echo "FAIL: the hard link was broken"; exit 1; }
from=$(( load_ns * 8 / 10 ))
span=$(( save_ns > from ? save_ns - from : 1 ))
echo "file of $mb MB: load $((load_ns / 1000000)) ms, load and save $((save_ns / 1000000)) ms; $runs kills"

old=0 new=0 mixed=0 kept=0
for i in $(seq 1 "$runs"); do
  home="$work/home$i"
  mkdir "$home"
  rm -f "$work/file" "$work/link"
  cp "$work/old" "$work/file"
  ln "$work/file" "$work/link"
  delay_ns=$(( from + (RANDOM * 32768 + RANDOM) % span ))
  "$batch" --home "$home" --omit-text --keys "$keys:w<CR>" -- "$work/file" > /dev/null 2>&1 &
  pid=$!
  sleep "$(printf '%d.%09d' $((delay_ns / 1000000000)) $((delay_ns % 1000000000)))"
  kill -9 "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  # A copy under its final name must be the whole old content, whatever the file holds.
  copy=
  for c in "$home"/state/unfinished-saves/*; do
    [ -f "$c" ] && [[ $c != *.partial && $c != *.info ]] || continue
    cmp -s "$c" "$work/old" || { echo "FAIL: kill $i left an incomplete copy $c"; exit 1; }
    copy=$c
  done
  [ -z "$copy" ] || kept=$((kept + 1))
  if cmp -s "$work/file" "$work/old"; then
    old=$((old + 1))
  elif cmp -s "$work/file" "$work/new"; then
    new=$((new + 1))
  elif [ -n "$copy" ]; then
    mixed=$((mixed + 1))
  else
    echo "FAIL: kill $i after $((delay_ns / 1000000)) ms left a mixed file and no copy of the old content"
    exit 1
  fi
  cmp -s "$work/file" "$work/link" || { echo "FAIL: the links differ"; exit 1; }
  rm -rf "$home"
done
echo "$runs kills: $old wholly old, $new wholly new, $mixed mixed with the complete old copy kept;" \
  "a complete copy was left by $kept of them"
