#!/usr/bin/env bash
# What killed saves leave is the editor's to clear, and only what it can prove it made. Saves
# of quilmar-batch are cut off at a file size limit (ulimit -f, SIGXFSZ: always at the same
# point) or killed with SIGKILL once under way. Then the next load or save of the file must:
#   - name the copy of the old content that an unfinished save in place left ("An earlier save
#     of this file did not finish..."), through any of its hard links, only while the file is
#     not whole (a copy of a file that holds the old or the whole new content goes quietly), and
#     never again once the file is written whole;
#   - not name it for a new file that took the path or reuses the inode;
#   - remove the temporary files beside the file and the unfinished copies in the state folder,
#     but nothing whose writer still runs or holds it, no link, no name that is not quite ours.
#
#   tests/scripts/save_leftovers.sh BUILD_DIR      what ctest runs: the cases and 3 kills (2
#                                                  under the sanitizers)
#   LEFTOVER_KILLS=30 LEFTOVER_MB=100 tests/scripts/save_leftovers.sh build/release   a longer run
set -euo pipefail
build=$(cd "${1:?usage: save_leftovers.sh BUILD_DIR}" && pwd)
batch=$build/bin/quilmar-batch
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
command -v flock > /dev/null || { echo "skipped: no flock (util-linux)"; exit 77; }
case $build in
  *sanitize*) kills=${LEFTOVER_KILLS:-2} mb=${LEFTOVER_MB:-2} ;;
  *) kills=${LEFTOVER_KILLS:-3} mb=${LEFTOVER_MB:-8} ;;
esac

work=$(mktemp -d)
helpers=()
cleanup() {
  local pid
  for pid in "${helpers[@]}"; do kill "$pid" 2> /dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
home=$work/home copies=$work/home/state/unfinished-saves
mkdir "$home" "$work/docs"
failures=0
check() {  # what, then a test
  local what=$1; shift
  if "$@"; then echo "ok $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# A save cut off at 40 KiB (40960 bytes; the files' old content is one line of 40950 bytes, of
# 40960, or of 50000: over the limit already), the new content 20 bytes longer. Retried should
# the record of the unsaved edit (written half a second after it) meet the limit first.
cut_off() {  # file, keys, what must be there afterwards (a glob)
  local try
  for try in 1 2 3; do
    { (ulimit -c 0 -f 40; exec "$batch" --home "$home" --omit-text --keys "$2" -- "$1") > /dev/null; } 2> /dev/null || true
    ! compgen -G "$3" > /dev/null || return 0
  done
  echo "FAIL: three cut-off saves of $1 left no $3"; exit 1
}
old_line() { head -c "${1:-40950}" /dev/zero | tr '\0' o; }
old_file() {  # file, size, links (a second hard link: saved in place)
  old_line "$2" > "$1"
  [ -z "${3:-}" ] || ln "$1" "$1.link"
}
# Loads the file (declining any recovery), then runs the keys; prints the boxes shown.
load() {  # file [keys]
  "$batch" --home "$home" --omit-text --answer no --keys "${2:-}" -- "$1" | sed -n 's/.*"messageBoxes":\[\([^]]*\)\].*/\1/p'
}
named() { [[ $1 == *"did not finish"*"unfinished-saves/"* ]]; }
no_copies() { ! compgen -G "$copies/*" > /dev/null; }
twenty=xxxxxxxxxxxxxxxxxxxx

# ---- the copy of an unfinished save in place
f=$work/docs/mixed.txt
old_file "$f" 40950 links
cut_off "$f" "i$twenty<Esc>:w<CR>" "$copies/*[0-9]"
copy=$(compgen -G "$copies/*[0-9]" | head -n 1)
check "a save cut off in place left a copy of the old content" cmp -s "$copy" <(old_line)
check "loading the half-written file names the copy" named "$(load "$f")"
check "so does loading its other hard link" named "$(load "$f.link")"
load "$f" 'Ay<Esc>:w<CR>' > /dev/null
check "a save after it removes the copy" no_copies
check "and it is named no more" test -z "$(load "$f")"

f=$work/docs/whole.txt
old_file "$f" 40960 links
cut_off "$f" "<C-End>i$twenty<Esc>:w<CR>" "$copies/*[0-9]"
check "a save cut off before it changed the file left a copy" test -n "$(compgen -G "$copies/*[0-9]")"
check "loading the file, whole and old, names nothing" test -z "$(load "$f")"
check "and removes the copy it does not need" no_copies

f=$work/docs/gone.txt
old_file "$f" 40950 links
cut_off "$f" "i$twenty<Esc>:w<CR>" "$copies/*[0-9]"
inode=$(stat -c %i "$f")
rm "$f" "$f.link"
printf 'a new file\n' > "$f"
reused=no
[ "$(stat -c %i "$f")" != "$inode" ] || reused=yes
check "a new file in the path of one whose save was cut off is told nothing (same inode: $reused)" test -z "$(load "$f")"
mv "$f" "$work/docs/moved.txt"
check "nor is it at another path (same inode: $reused)" test -z "$(load "$work/docs/moved.txt")"
rm -f "$copies"/*

# ---- temporary files beside the file, unfinished copies
f=$work/docs/plain.txt
old_file "$f" 40950
cut_off "$f" "A$twenty<Esc>:w<CR>" "$work/docs/.plain.txt.*"
cut_off "$f" "A$twenty<Esc>:w<CR>" "$work/docs/.plain.txt.*"
check "a save removes the temporary file of the save cut off before it" \
  test "$(compgen -G "$work/docs/.plain.txt.*" | wc -l)" = 1
load "$f" > /dev/null
check "loading the file removes them" test -z "$(compgen -G "$work/docs/.plain.txt.*")"
f=$work/docs/copying.txt
old_file "$f" 50000 links
cut_off "$f" "A$twenty<Esc>:w<CR>" "$copies/*.partial"
load "$f" > /dev/null
check "loading a file removes the unfinished copy of its old content" no_copies

# Names like the editor's that it cannot prove its own, or whose writer is still there, stay.
f=$work/docs/decoys.txt
printf 'decoys\n' > "$f"
sleep 600 > /dev/null 2>&1 & helpers+=($!)
alive=$! dead=$(sh -c 'echo $$')
mkdir -p "$copies"
keep=("$work/docs/.decoys.txt.quilmar-$alive-Abc123" "$work/docs/.decoys.txt.quilmar-$dead-Abc12"
      "$work/docs/.decoys.txt.quilmar-$dead-Def456" "$work/docs/.decoys.txt.quilmar-$dead-Ghi789"
      "$copies/1-2-3-4-$alive.partial" "$copies/1-2-3-4-$dead" "$work/docs/.decoys.txt.$dead-Jkl012")
for k in "${keep[@]}"; do printf 'not theirs\n' > "$k"; done
(exec 9< "${keep[2]}"; flock 9; touch "$work/locked"; exec sleep 600) > /dev/null 2>&1 & helpers+=($!)
ln -sf "$f" "${keep[3]}"
gone=("$work/docs/.decoys.txt.quilmar-$dead-Mno345" "$copies/5-6-7-8-$dead.partial")
for g in "${gone[@]}"; do printf 'ours\n' > "$g"; done
deadline=$((SECONDS + 60))
until [ -e "$work/locked" ] || [ $SECONDS -ge $deadline ]; do sleep 0.05; done
load "$f" 'Ay<Esc>:w<CR>' > /dev/null
for k in "${keep[@]}"; do check "kept ${k##*/}" test -e "$k"; done
check "the link's target is whole" test "$(cat "$f")" = "decoysy"
for g in "${gone[@]}"; do check "removed ${g##*/}" test ! -e "$g"; done

# ---- SIGKILL during ordinary saves: the next load leaves nothing beside the file
yes 'an old line of the file, with a few words in it' | head -c $((mb * 1000000)) > "$work/big-old" || true
source "$(dirname "$0")/lib/kill_during_save.sh"
left=0 stayed=0
for k in $(seq 1 "$kills"); do
  f=$work/docs/big$k.txt
  cp "$work/big-old" "$f"
  "$batch" --home "$home" --omit-text --keys 'A and new words<Esc>:w<CR>' -- "$f" > /dev/null 2>&1 &
  kill_during_save $! "$work/docs/.big$k.txt.*"
  temps=$(compgen -G "$work/docs/.big$k.txt.*" | wc -l || true)
  left=$((left + temps))
  "$batch" --home "$home" --omit-text -- "$f" > /dev/null  # yes to a big file's question
  after=$(compgen -G "$work/docs/.big$k.txt.*" | wc -l || true)
  stayed=$((stayed + after))
  check "kill $k ($when, $temps temporary files left): the next load removes them" test "$after" = 0
  rm -f "$f"
done
echo "$kills kills during saves of $mb MB left $left temporary files; $stayed stayed after the next load"
[ "$failures" = 0 ] || { echo "$failures failed"; exit 1; }
