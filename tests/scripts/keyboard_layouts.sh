#!/usr/bin/env bash
# Types one Command-mode script into the real editor window under X11 with the US, German,
# French and Russian keyboard layouts, as a user of each layout would type it (xdotool presses
# the keys that carry each character; on Russian the letter commands are the keys at the US
# letters' places), and checks that every layout gives the same written file and the same
# status bar as the US run, and that the US run gives what the headless editor gives.
# Usage: keyboard_layouts.sh BUILD_DIR. Exit 77 (skipped) where the X tools are missing.
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
here=$(dirname "$0")
program="$build/bin/quilmar"
batch="$build/bin/quilmar-batch"
source "$here/lib/desktop.sh"
needs_tools Xvfb openbox xdotool setxkbmap xprop import convert
[ -x "$program" ] || { echo "no program at $program"; exit 1; }
[ -x "$batch" ] || { echo "no program at $batch"; exit 1; }

desktop_session

# The script, in the batch notation, then as xdotool steps: a string is typed, key:NAMES are
# pressed. It yanks and puts, deletes with "x" and "dd", presses "z" (German: where US has
# "y"), "-" and "!" (German and French: where US has "/"), which must do nothing, goes to a
# line with ":", appends with "A", searches with "/" and "n", undoes with Ctrl+Z in Insert
# mode, and writes with Ctrl+S.
notation='yp0xzp-!dd:1<CR>A 55<Esc>$x0x/5<CR>ni7<C-z><Esc>I0 <Esc>:0<CR><C-s>'
latin=('yp0xzp' '-!' 'dd' ':1' key:Return 'A 55' key:Escape '$x0x' '/5' key:Return 'n'
       'i7' key:ctrl+z key:Escape 'I0 ' key:Escape ':0' key:Return key:ctrl+s)
# Russian: the letters at the US places, ";" for "$" (Shift+4), "." where US has "/", and
# "Ж" (Shift with the US ";" key) for the second ":".
russian=('нз0чяз' '-!' 'вв' ':1' key:Return 'Ф 55' key:Escape ';ч0ч' '.5' key:Return 'т'
         'ш7' key:ctrl+Cyrillic_ya key:Escape 'Ш0 ' key:Escape 'Ж0' key:Return
         key:ctrl+Cyrillic_yeru)

sample() { printf 'alpha 1\r\nbeta 2\r\ngamma 3\r\ndelta 4\r\n' >"$1"; }
file_changed() { ! cmp -s "$1" "$2"; }

# The status bar: the bottom of the window's picture, once two pictures in a row agree.
status_bar() {  # window id, file
  local previous="$work/previous.ppm" _
  for _ in $(seq 1 100); do
    import -window "$1" png:- | convert - -gravity South -crop x20+0+0 +repage ppm:"$2"
    if [ -f "$previous" ] && cmp -s "$previous" "$2"; then rm -f "$previous"; return 0; fi
    cp "$2" "$previous"
    sleep 0.1
  done
  rm -f "$previous"
}

# Every run edits the same path, so the file panel reads the same.
doc="$work/doc/sample.txt"
mkdir -p "$work/doc"

run() {  # layout, steps...
  local layout=$1 step _ window
  shift
  setxkbmap "$layout"
  sample "$doc"
  cp "$doc" "$work/original.txt"
  HOME="$work/home-$layout" XDG_CONFIG_HOME="$work/home-$layout" QT_QPA_PLATFORM=xcb \
    "$program" "$doc" >"$work/editor-$layout.log" 2>&1 &
  editor=$!
  window=$(find_window "^Quilmar - sample.txt\$")
  activate "$window"
  for step in "$@"; do
    case $step in
      key:*) xdotool key --delay 30 "${step#key:}" ;;
      *) xdotool type --delay 30 -- "$step" ;;
    esac
  done
  # Ctrl+S comes last: once the file changed, every key before it has been handled.
  wait_for 30 file_changed "$doc" "$work/original.txt" || true
  status_bar "$window" "$work/status-$layout.ppm"
  cp "$doc" "$work/written-$layout.txt"
  kill "$editor" 2>/dev/null || true
  wait "$editor" 2>/dev/null || true
  editor=""
}

status=0
sample "$work/headless.txt"
"$batch" --keys "$notation" "$work/headless.txt" >/dev/null
run us "${latin[@]}"
if cmp -s "$work/written-us.txt" "$work/headless.txt"; then
  echo "ok us: the window wrote what the headless editor writes"
else
  echo "FAIL us: the window wrote"; cat -A "$work/written-us.txt"
  echo "the headless editor wrote"; cat -A "$work/headless.txt"
  status=1
fi

for layout in de fr ru; do
  if [ "$layout" = ru ]; then run ru "${russian[@]}"; else run "$layout" "${latin[@]}"; fi
  if ! cmp -s "$work/written-$layout.txt" "$work/written-us.txt"; then
    echo "FAIL $layout: the file differs from the US run's"; cat -A "$work/written-$layout.txt"
    status=1
  elif ! cmp -s "$work/status-$layout.ppm" "$work/status-us.ppm"; then
    echo "FAIL $layout: the status bar differs from the US run's"
    [ -n "${QUILMAR_KEEP:-}" ] && cp "$work"/status-*.ppm "$QUILMAR_KEEP"/
    status=1
  else
    echo "ok $layout: same file and status bar as the US run"
  fi
done
exit "$status"
