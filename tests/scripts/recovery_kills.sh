#!/usr/bin/env bash
# Unsaved work survives a kill. quilmar-batch, and then the real window under X11 (typed into
# with xdotool), type numbered lines at the top of a file with a write now and then, and are
# killed with SIGKILL at a random moment: in the middle of typing, of a write of the file, or of
# the recovery record's own writes. Then the editor is started again on the file. The file must
# be a state the document had, whole; the document the new run gets (recovered, or the file
# when nothing was left unsaved) must be the document as it stood at least two seconds before
# the kill. The same after closing the window with its close box, with nothing lost at all.
#
#   tests/scripts/recovery_kills.sh BUILD_DIR      what ctest runs: 8 kills of quilmar-batch,
#                                                  2 of the window and one close of each (half
#                                                  the kills under the sanitizers)
#   RECOVERY_KILLS=50 tests/scripts/recovery_kills.sh build/release     the full test: 50 kills
#                                                  of each
#
# Exit 77 (skipped) without the X tools; the quilmar-batch part runs anyway.
set -euo pipefail
build=$(cd "${1:?usage: recovery_kills.sh BUILD_DIR}" && pwd)
here=$(dirname "$0")
batch=$build/bin/quilmar-batch
program=$build/bin/quilmar
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
case $build in
  *sanitize*) batch_kills=${RECOVERY_KILLS:-4} window_kills=${RECOVERY_KILLS:-1} mb=2 ;;
  *) batch_kills=${RECOVERY_KILLS:-8} window_kills=${RECOVERY_KILLS:-2} mb=4 ;;
esac

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  [ "$(type -t stop_desktop)" = function ] && stop_desktop
  rm -rf "$work"
}
trap cleanup EXIT

steps=150      # lines typed in one run
pause_ms=40    # after each line
save_every=8   # a write of the file after every so many lines
yes 'an old line of the file, with a few words in it' | head -c $((mb * 1000000)) > "$work/original" || true
original_size=$(stat -c %s "$work/original")

# Which state a file holds: k when it is the lines step-0001 to step-k followed by the original
# file, "torn" otherwise.
state_of() {
  local file=$1 size head_size
  size=$(stat -c %s "$file")
  head_size=$((size - original_size))
  if [ "$head_size" -lt 0 ] || ! tail -c "$original_size" "$file" | cmp -s - "$work/original"; then
    echo torn; return
  fi
  head -c "$head_size" "$file" > "$work/head"
  local k=$((head_size / 10))
  if [ $((k * 10)) -ne "$head_size" ] || ! { [ "$k" -eq 0 ] && [ ! -s "$work/head" ] ||
       seq -f 'step-%04g' 1 "$k" | cmp -s - "$work/head"; }; then
    echo torn; return
  fi
  echo "$k"
}

random_ms() { echo $(( (RANDOM * 32768 + RANDOM) % ($2 - $1) + $1 )); }
seconds() { printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)); }
last_line() { tail -n1 "$1" 2>/dev/null | tr -dc 0-9 || true; }

# What a kill left must check out: the file whole, the next run's document at least what the
# document was two seconds before the kill (k0 lines).
failures=0
check() {  # what, file, k0, out
  local what=$1 file=$2 k0=$3 out=$4 on_disk got
  if [ ! -f "$out" ]; then
    echo "FAIL $what: the next run wrote nothing"; failures=$((failures + 1)); return
  fi
  on_disk=$(state_of "$file")
  got=$(state_of "$out")
  if [ "$on_disk" = torn ]; then
    echo "FAIL $what: the file is not a state the document had"; failures=$((failures + 1))
  elif [ "$got" = torn ]; then
    echo "FAIL $what: the next run's document is not a state the document had"; failures=$((failures + 1))
  elif [ "$got" -lt "$k0" ]; then
    echo "FAIL $what: the next run has $got lines, the document had $k0 two seconds before"
    failures=$((failures + 1))
  else
    echo "ok $what: the file has $on_disk lines, the next run $got (at least $k0)"
  fi
}

# ---- quilmar-batch
script=":0<CR>i"
for k in $(seq 1 "$steps"); do
  script+=$(printf 'step-%04d<CR><wait:%d>' "$k" "$pause_ms")
  if [ $((k % save_every)) -eq 0 ]; then script+="<Esc>:w<CR>i"; fi
done
during_save=0 during_record=0
for i in $(seq 1 "$((batch_kills + 1))"); do
  home="$work/home$i" file="$work/doc$i.txt"
  mkdir "$home"
  cp "$work/original" "$file"
  rm -f "$work/progress"
  if [ "$i" -gt "$batch_kills" ]; then
    # The close box after a random number of lines: nothing may be lost.
    m=$(random_ms 1 "$steps")
    close_script=${script%%"step-$(printf '%04d' $((m + 1)))"*}"<close>"
    "$batch" --home "$home" --omit-text --keys "$close_script" -- "$file" > /dev/null
    what="quilmar-batch closed after $m lines" k0=$m
  else
    delay=$(random_ms 200 $((steps * pause_ms)))
    "$batch" --home "$home" --omit-text --progress "$work/progress" --keys "$script" -- "$file" > /dev/null 2>&1 &
    pid=$!
    pids+=("$pid")
    k0=0
    if [ "$delay" -gt 2000 ]; then
      sleep "$(seconds $((delay - 2000)))"
      k0=$(last_line "$work/progress"); k0=${k0:-0}
      sleep 2
    else
      sleep "$(seconds "$delay")"
    fi
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    what="quilmar-batch killed after $(seconds "$delay") s"
    # A write cut short leaves its temporary file behind: the file's beside it, the record's
    # in the record's folder.
    if compgen -G "$work/.doc$i.txt.*" > /dev/null; then during_save=$((during_save + 1)); fi
    if compgen -G "$home/state/recovery/*/.*" > /dev/null; then during_record=$((during_record + 1)); fi
  fi
  "$batch" --home "$home" --omit-text --keys ":w! $work/out$i<CR>" -- "$file" > /dev/null
  check "$what" "$file" "$k0" "$work/out$i"
  rm -rf "$home" "$file" "$work/out$i" "$work"/.doc"$i".txt.*
done
echo "quilmar-batch: $batch_kills kills, $during_save during a write of the file, $during_record during a write of the record"

# ---- The window
source "$here/lib/desktop.sh"
for tool in Xvfb openbox xdotool xprop; do
  command -v "$tool" > /dev/null || { echo "skipped (the window): $tool is not installed"; [ "$failures" -eq 0 ] || exit 1; exit 77; }
done
[ -x "$program" ] || { echo "no program at $program"; exit 1; }
start_desktop "$work"

start_editor() {  # home, file: starts the window, answers Yes to a recovery question
  HOME="$1" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" QT_QPA_PLATFORM=xcb \
    "$program" "$2" > "$1/editor.log" 2>&1 &
  editor=$!
  pids+=("$editor")
  local name ids _
  name=$(basename "$2")
  # A question shows beside the main window, both titled "Quilmar" until the load is done.
  for _ in $(seq 1 600); do
    if xdotool search --onlyvisible --name "^Quilmar - $name\$" > /dev/null 2>&1; then break; fi
    ids=($(xdotool search --onlyvisible --name "^Quilmar\$" 2>/dev/null || true))
    if [ "${#ids[@]}" -ge 2 ]; then
      local area0 area1 box
      eval "$(xdotool getwindowgeometry --shell "${ids[0]}")"; area0=$((WIDTH * HEIGHT))
      eval "$(xdotool getwindowgeometry --shell "${ids[1]}")"; area1=$((WIDTH * HEIGHT))
      if [ "$area0" -lt "$area1" ]; then box=${ids[0]}; else box=${ids[1]}; fi
      activate "$box"
      xdotool key Return
      break
    fi
    sleep 0.05
  done
  window=$(find_window "^Quilmar - $name\$")
  activate "$window"
}

# Types the lines, a write (Ctrl+S) after every few; the count of lines typed goes to a file.
type_lines() {  # count, progress file
  local k
  xdotool key Escape
  xdotool type ':0'
  xdotool key Return
  xdotool type 'i'
  for k in $(seq 1 "$1"); do
    xdotool type --delay 5 "$(printf 'step-%04d' "$k")"
    xdotool key Return
    echo "$k" >> "$2"
    if [ $((k % save_every)) -eq 0 ]; then xdotool key ctrl+s; fi
    sleep "$(seconds "$pause_ms")"
  done
}

# The next run writes its document elsewhere with ":w!", which also ends its record.
write_out() {  # out
  xdotool key Escape
  xdotool type ":w! $1"
  xdotool key Return
  local _
  for _ in $(seq 1 400); do [ -f "$1" ] && break; sleep 0.05; done
  kill "$editor" 2>/dev/null || true
  wait "$editor" 2>/dev/null || true
}

for i in $(seq 1 "$((window_kills + 1))"); do
  home="$work/whome$i" file="$work/doc$i.txt" progress="$work/wprogress$i"
  mkdir -p "$home"
  cp "$work/original" "$file"
  start_editor "$home" "$file"
  if [ "$i" -gt "$window_kills" ]; then
    m=$(random_ms 5 40)
    type_lines "$m" "$progress"
    xdotool key alt+F4  # the close box, through the window manager
    wait "$editor" 2>/dev/null || true
    what="the window closed after $m lines" k0=$m
  else
    type_lines "$steps" "$progress" &
    typist=$!
    pids+=("$typist")
    delay=$(random_ms 2500 8000)
    sleep "$(seconds $((delay - 2000)))"
    k0=$(last_line "$progress"); k0=${k0:-0}
    sleep 2
    kill -9 "$editor" 2>/dev/null || true
    kill "$typist" 2>/dev/null || true
    wait "$editor" "$typist" 2>/dev/null || true
    what="the window killed after $(seconds "$delay") s"
  fi
  start_editor "$home" "$file"
  write_out "$work/wout$i"
  check "$what" "$file" "$k0" "$work/wout$i"
done

[ "$failures" -eq 0 ] || exit 1
