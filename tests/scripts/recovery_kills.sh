#!/usr/bin/env bash
# Unsaved work survives a kill. quilmar-batch, and then the real window under X11 (typed into
# with xdotool, a character at a time), type numbered lines at the top of a file with a write
# now and then, and are killed with SIGKILL: a third of the kills at a random moment, a third
# while a write of the file is under way (its temporary file is there), a third while the
# recovery record's snapshot is being written. Then the editor is started again on the file.
# The file must be a state the document had, whole; the document the new run gets (recovered,
# or the file when nothing was left unsaved) must be the document as it stood at least two
# seconds before the kill. The same after closing the window with its close box, with nothing
# lost at all. The kill waits for what the programs tell (their progress, their files), never
# for a fixed time.
#
#   tests/scripts/recovery_kills.sh BUILD_DIR      what ctest runs: 8 kills (5 of quilmar-batch,
#                                                  3 of the window; 4 under the sanitizers) and
#                                                  one close of each
#   RECOVERY_KILLS=50 tests/scripts/recovery_kills.sh build/release     the full test: 50 kills,
#                                                  30 of quilmar-batch and 20 of the window
#   RECOVERY_MB=100 tests/scripts/recovery_kills.sh build/release   a big document (ctest: 3
#                                                  kills at 100 MB, not under the sanitizers):
#                                                  the random kills then come in the first 3 s
#                                                  after the first line typed, when the record
#                                                  cannot yet hold a copy of the document
#
# Exit 77 (skipped) without the X tools; the quilmar-batch part runs anyway.
set -euo pipefail
LC_ALL=C  # byte-wise string operations below (for this shell only)
build=$(cd "${1:?usage: recovery_kills.sh BUILD_DIR}" && pwd)
here=$(dirname "$0")
batch=$build/bin/quilmar-batch
program=$build/bin/quilmar
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
case $build in
  *sanitize*) kills=${RECOVERY_KILLS:-4} mb=2 ;;
  *) kills=${RECOVERY_KILLS:-8} mb=4 ;;
esac
big=0
if [ -n "${RECOVERY_MB:-}" ]; then
  case $build in *sanitize*) echo "skipped: a big document under the sanitizers"; exit 77 ;; esac
  mb=$RECOVERY_MB big=1
fi
window_kills=$((kills * 2 / 5)) batch_kills=$((kills - kills * 2 / 5))

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  [ "$(type -t stop_desktop)" = function ] && stop_desktop
  rm -rf "$work"
}
trap cleanup EXIT
# A pipe nobody writes to: a read from it with a timeout is a short pause without starting a
# process, so the watch before a kill can look every few milliseconds.
exec {tick}<> <(:)

steps=150      # lines typed in one run
pause_ms=40    # after each line
save_every=40  # a write of the file after every so many lines (1.6 s of quilmar-batch's typing)
window_save_every=10  # the window types more slowly
yes 'an old line of the file, with a few words in it' | head -c $((mb * 1000000)) > "$work/original" || true
# The first seconds after a load: a big document's kills at a random moment come then.
early_ms() { if [ "$big" -eq 1 ]; then random_ms "$1" 3000; else random_ms "$1" "$2"; fi; }
original_size=$(stat -c %s "$work/original")

# Which state a file holds: k when it is the lines step-0001 to step-k followed by the original
# file, "torn" otherwise. The window types a line a character at a time, so the beginning of
# line k + 1 may stand before the original too. With "lenient" (the window), the typed part
# need only be the lines with characters left out (never a line break): a key that xdotool lost
# on a loaded X server is missing from the document itself, and so from the file and the
# record alike; k is then how far into the lines the typed part reaches.
typed=$(seq -f 'step-%04g' 1 "$steps")$'\n'
state_of() {  # file [lenient]
  local file=$1 size head_size head k rest i=0 j=0
  size=$(stat -c %s "$file")
  head_size=$((size - original_size))
  if [ "$head_size" -lt 0 ] || ! tail -c "$original_size" "$file" | cmp -s - "$work/original"; then
    echo torn; return
  fi
  head=$(head -c "$head_size" "$file"; echo x)
  head=${head%x}
  if [ -n "${2:-}" ]; then
    while [ "$i" -lt "${#head}" ] && [ "$j" -lt "${#typed}" ]; do
      if [ "${head:i:1}" = "${typed:j:1}" ]; then
        i=$((i + 1))
      elif [ "${typed:j:1}" = $'\n' ]; then
        break  # lines stay lines: a lost Enter counts as torn too
      fi
      j=$((j + 1))
    done
    [ "$i" -eq "${#head}" ] || { echo torn; return; }
    rest=${typed:0:j}
    rest=${rest//[^$'\n']/}
    echo "${#rest}"; return
  fi
  rest=${head//[^$'\n']/}
  k=${#rest}
  if [ "${head:0:10*k}" != "${typed:0:10*k}" ] || [[ "$(printf 'step-%04d' $((k + 1)))" != "${head:10*k}"* ]]; then
    echo torn; return
  fi
  echo "$k"
}

random_ms() { echo $(( (RANDOM * 32768 + RANDOM) % ($2 - $1) + $1 )); }
seconds() { printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)); }

# kill_at PID PROGRESS TARGET DELAY_MS FILE_TEMP RECORD_TEMP: kills PID with SIGKILL, target 0
# DELAY_MS after the call, 1 at the first temporary file matching FILE_TEMP after that (a write
# of the file under way), 2 at the first matching RECORD_TEMP (a snapshot of the record being
# written; DELAY_MS is then at least two seconds, so that there is something to lose). On the way it
# samples the lines the typist reported in PROGRESS (one line each): k0 is the most it had
# reported at least two seconds before the kill, killed the kill's time (ms), ended 1 when the
# program had ended on its own before its kill came.
kill_at() {
  local pid=$1 progress=$2 target=$3 delay=$4 file_temp=$5 record_temp=$6 start t n
  local times=() counts=() lines=()
  # A big document's load takes a while: its delay counts from the first line typed.
  while [ "$big" -eq 1 ] && [ ! -s "$progress" ] && kill -0 "$pid" 2>/dev/null; do read -r -t 0.002 -u "$tick" _ || true; done
  start=${EPOCHREALTIME/[.,]/}
  ended=0
  while :; do
    t=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
    lines=()
    if [ -f "$progress" ]; then mapfile -t lines < "$progress"; fi
    times+=("$t") counts+=("${#lines[@]}")
    kill -0 "$pid" 2>/dev/null || { ended=1; break; }
    case $target in
      0) [ "$t" -ge "$delay" ] && break ;;
      1) [ "$t" -ge "$delay" ] && compgen -G "$file_temp" > /dev/null && break ;;
      2) [ "$t" -ge "$delay" ] && compgen -G "$record_temp" > /dev/null && break ;;
    esac
    read -r -t 0.002 -u "$tick" _ || true
  done
  kill -9 "$pid" 2>/dev/null || true
  killed=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
  wait "$pid" 2>/dev/null || true
  k0=0
  for n in "${!times[@]}"; do
    if [ "${times[n]}" -le $((killed - 2000)) ] && [ "${counts[n]}" -gt "$k0" ]; then k0=${counts[n]}; fi
  done
  # A program that ended on its own had everything typed.
  if [ "$ended" -eq 1 ] && [ -f "$progress" ]; then mapfile -t lines < "$progress"; k0=${#lines[@]}; fi
}

# What a kill left behind tells when it came: a write cut short leaves its temporary file.
during_save=0 during_record=0 ended_first=0
kill_name() {  # what, file temp glob, record temp glob: sets what
  what="$1 killed after $(seconds "$killed") s"
  if [ "$ended" -eq 1 ]; then ended_first=$((ended_first + 1)); what="$1 ended before its kill"; fi
  if compgen -G "$2" > /dev/null; then during_save=$((during_save + 1)); what+=" (writing the file)"; fi
  if compgen -G "$3" > /dev/null; then during_record=$((during_record + 1)); what+=" (writing the record)"; fi
}

# What a kill left must check out: the file whole, the next run's document at least what the
# document was two seconds before the kill (k0 lines).
# RECOVERY_KEEP=DIR keeps what a failed case left (its home with the records, the file, the
# next run's document) in DIR/failN.
failures=0
fail() {  # message
  echo "FAIL $1"
  failures=$((failures + 1))
  if [ -n "${RECOVERY_KEEP:-}" ]; then
    mkdir -p "$RECOVERY_KEEP/fail$failures"
    cp -a "$home" "$file" "$out" "$RECOVERY_KEEP/fail$failures/" 2>/dev/null || true
  fi
}
check() {  # what, file, k0, out [lenient]
  local what=$1 file=$2 k0=$3 out=$4 on_disk got
  if [ ! -f "$out" ]; then
    fail "$what: the next run wrote nothing"; return
  fi
  on_disk=$(state_of "$file" "${5:-}")
  got=$(state_of "$out" "${5:-}")
  if [ "$on_disk" = torn ]; then
    fail "$what: the file is not a state the document had"
  elif [ "$got" = torn ]; then
    fail "$what: the next run's document ($(stat -c %s "$out") bytes) is not a state the document had:"
    head -c 300 "$out" | cat -A | head -n 40
  elif [ "$got" -lt "$k0" ]; then
    fail "$what: the next run has $got lines, the document had $k0 two seconds before"
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
for i in $(seq 1 "$((batch_kills + 1))"); do
  home="$work/home$i" file="$work/doc$i.txt" progress="$work/progress$i"
  mkdir "$home"
  cp "$work/original" "$file"
  if [ "$i" -gt "$batch_kills" ]; then
    # The close box after a random number of lines: nothing may be lost.
    m=$(random_ms 1 "$steps")
    close_script=${script%%"step-$(printf '%04d' $((m + 1)))"*}"<close>"
    "$batch" --home "$home" --omit-text --keys "$close_script" -- "$file" > /dev/null
    what="quilmar-batch closed after $m lines" k0=$m
  else
    "$batch" --home "$home" --omit-text --progress "$progress" --keys "$script" -- "$file" > /dev/null 2>&1 &
    pid=$!
    pids+=("$pid")
    # The writes come every 1.6 s: watching for one starts early enough to see a few.
    target=$(((i - big) % 3)) delay=$(early_ms 200 $((steps * pause_ms)))  # big: the first is random
    [ "$target" -eq 0 ] || delay=$(random_ms 2000 4500)
    kill_at "$pid" "$progress" "$target" "$delay" \
      "$work/.doc$i.txt.*" "$home/state/recovery/*/.*"
    kill_name quilmar-batch "$work/.doc$i.txt.*" "$home/state/recovery/*/.*"
  fi
  "$batch" --home "$home" --omit-text --keys ":w! $work/out$i<CR>" -- "$file" > /dev/null
  check "$what" "$file" "$k0" "$work/out$i"
  rm -rf "$home" "$file" "$work/out$i" "$work"/.doc"$i".txt.*
done
echo "quilmar-batch: $batch_kills kills, $during_save during a write of the file," \
  "$during_record during a write of the record, $ended_first after the run had ended"

# ---- The window
source "$here/lib/desktop.sh"
for tool in Xvfb openbox xdotool xprop; do
  command -v "$tool" > /dev/null || { echo "skipped (the window): $tool is not installed"; [ "$failures" -eq 0 ] || exit 1; exit 77; }
done
[ -x "$program" ] || { echo "no program at $program"; exit 1; }
start_desktop "$work"
during_save=0 during_record=0 ended_first=0

start_editor() {  # home, file: starts the window, answers Yes to its questions (a big file's size, a record)
  HOME="$1" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" QT_QPA_PLATFORM=xcb \
    "$program" "$2" > "$1/editor.log" 2>&1 &
  editor=$!
  pids+=("$editor")
  local main="Quilmar - $(basename "$2")" id ids boxes answered= _
  # Only this process's windows count: the window of a killed run may still be on the screen
  # for a moment. A question shows beside the main window, both titled "Quilmar" until the load
  # is done; the smaller one is the question.
  window=
  for _ in $(seq 1 1200); do
    ids=($(xdotool search --onlyvisible --pid "$editor" 2>/dev/null || true))
    boxes=()
    for id in "${ids[@]}"; do
      case $(xdotool getwindowname "$id" 2>/dev/null || true) in
        "$main") window=$id ;;
        Quilmar) boxes+=("$id") ;;
      esac
    done
    [ -n "$window" ] && break
    if [ "${#boxes[@]}" -ge 2 ]; then
      local area0 area1 box
      eval "$(xdotool getwindowgeometry --shell "${boxes[0]}")"; area0=$((WIDTH * HEIGHT))
      eval "$(xdotool getwindowgeometry --shell "${boxes[1]}")"; area1=$((WIDTH * HEIGHT))
      if [ "$area0" -lt "$area1" ]; then box=${boxes[0]}; else box=${boxes[1]}; fi
      if [[ " $answered " != *" $box "* ]]; then
        activate "$box"
        xdotool key Return
        answered+=" $box"
      fi
    fi
    read -r -t 0.05 -u "$tick" _ || true
  done
  [ -n "$window" ] || { echo "the window '$main' did not appear"; exit 1; }
  activate "$window"
}

# Types the lines, a write (Ctrl+S) after every few; each line typed adds a line to the
# progress file. A load leaves the caret at the start: "i" types there (no ":0" first, whose
# command box hands the focus back while the keys go on).
type_lines() {  # count, progress file
  local k
  xdotool key Escape
  xdotool type 'i'
  for k in $(seq 1 "$1"); do
    xdotool type "$(printf 'step-%04d' "$k")"
    xdotool key Return
    echo "$k" >> "$2"
    if [ $((k % window_save_every)) -eq 0 ]; then xdotool key ctrl+s; fi
    read -r -t "$(seconds "$pause_ms")" -u "$tick" _ || true
  done
}

# The next run writes its document elsewhere with ":w!" and is closed once that is done: the
# window is named after the new file once it is written (the file itself is there, empty,
# from the start of the write).
write_out() {  # out
  local _
  for _ in 1 2 3; do  # again should a key of the command have been lost
    xdotool key Escape
    xdotool type ":w! $1"
    xdotool key Return
    find_window "^Quilmar - $(basename "$1")\$" 20 > /dev/null 2>&1 && break
  done
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
    kill_at "$editor" "$progress" $(((i - big) % 3)) "$(early_ms 2500 8000)" \
      "$work/.doc$i.txt.*" "$home/data/quilmar/recovery/*/.*"
    # The typist (stopped first, so that it starts nothing more) and the xdotool it runs,
    # which would otherwise type on into the next run.
    kill -STOP "$typist" 2>/dev/null || true
    pkill -P "$typist" 2>/dev/null || true
    kill -9 "$typist" 2>/dev/null || true
    wait "$typist" 2>/dev/null || true
    kill_name "the window" "$work/.doc$i.txt.*" "$home/data/quilmar/recovery/*/.*"
  fi
  start_editor "$home" "$file"
  write_out "$work/wout$i"
  check "$what" "$file" "$k0" "$work/wout$i" lenient
  rm -rf "$home" "$file" "$work/wout$i" "$work"/.doc"$i".txt.*
done
echo "the window: $window_kills kills, $during_save during a write of the file," \
  "$during_record during a write of the record, $ended_first after the run had ended"

[ "$failures" -eq 0 ] || exit 1
