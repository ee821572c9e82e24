#!/usr/bin/env bash
# Opens a file over the size limit in the real editor under X11 with a window manager, as a
# user would: the size question must stand centred on the editor, and once it is answered the
# "Loading..." window must be on the screen with its text painted while the load blocks the
# editor (every picture of it taken during the load shows the text).
# Usage: loading_window.sh BUILD_DIR. Exit 77 (skipped) where the X tools are missing.
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
here=$(dirname "$0")
program="$build/bin/quilmar"
source "$here/lib/desktop.sh"
needs_tools Xvfb openbox xdotool xprop import identify convert
[ -x "$program" ] || { echo "no program at $program"; exit 1; }

desktop_session

# 60 MB: over the 10 MB question, and a load of a good part of a second. Greek letters make it
# text held two bytes a character, the slower kind to load (one-byte text loads too quickly
# for the window to be pictured reliably).
big="$work/big.txt"
head -n 645000 <(yes 'the quick brown fox jumps over the lazy dog 0123456789 abcdefghijklmnopqrstuvwxyz αβγδε') >"$big"

centre() {  # window id: "x y" of its centre on the screen
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}

HOME="$work" XDG_CONFIG_HOME="$work" QT_QPA_PLATFORM=xcb "$program" "$big" >"$work/editor.log" 2>&1 &
editor=$!
status=0
# The question is the second window titled "Quilmar"; which of the two is the editor, the
# bigger one tells.
for _ in $(seq 1 200); do
  ids=($(xdotool search --onlyvisible --name "^Quilmar\$" 2>/dev/null || true))
  [ "${#ids[@]}" -ge 2 ] && break
  sleep 0.05
done
if [ "${#ids[@]}" -lt 2 ]; then
  echo "FAIL question: no size question appeared"; exit 1
fi
area() { eval "$(xdotool getwindowgeometry --shell "$1")"; echo $((WIDTH * HEIGHT)); }
if [ "$(area "${ids[0]}")" -gt "$(area "${ids[1]}")" ]; then main=${ids[0]} box=${ids[1]}; else main=${ids[1]} box=${ids[0]}; fi
# The editor may still be moving into place when the box shows: give the picture time to settle.
read -r mx my <<<"$(centre "$main")"
read -r bx by <<<"$(centre "$box")"
if [ $(( (mx - bx) * (mx - bx) + (my - by) * (my - by) )) -gt $((30 * 30)) ]; then
  echo "FAIL question: centred at $bx,$by, the editor at $mx,$my"
  status=1
else
  echo "ok question: centred on the editor"
fi

activate "$box"
visible() { xdotool search --onlyvisible --name "^Loading...\$" >/dev/null 2>&1; }
# A load now takes a fraction of a second, less than one look for a window takes on a busy
# machine. So the editor is held still (SIGSTOP) while each look is made and let run only a
# few milliseconds between looks: the load then spans many looks, however fast the machine.
xdotool key Return
loading=""
deadline=$((SECONDS + 60))
while ((SECONDS < deadline)); do
  kill -STOP "$editor"
  loading=$(xdotool search --onlyvisible --name "^Loading...\$" 2>/dev/null | head -n1 || true)
  [ -n "$loading" ] && break
  kill -CONT "$editor"
  sleep 0.003
done
[ -n "$loading" ] || { echo "FAIL loading: no window"; exit 1; }
kill -CONT "$editor"
# Text on the window's background: dark pixels, within its frame.
ink() {  # picture number
  eval "$(xdotool getwindowgeometry --shell "$loading")"
  convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/loading-$1.png"
  convert "$work/loading-$1.png" -shave 2x2 -threshold 50% -negate -format '%[fx:int(mean*w*h)]' info:
}
# The editor is held still (SIGSTOP) for each picture, so that the load cannot end while it is
# taken; a picture counts only while the window is up. The window may be mapped a moment
# before it is painted: then the editor runs on briefly and is pictured again.
pictures=0 painted=0
for _ in $(seq 1 50); do
  kill -STOP "$editor"
  if ! visible; then kill -CONT "$editor"; break; fi
  import -window root "$work/screen.png"
  pictures=$((pictures + 1))
  dark=$(ink "$pictures")
  kill -CONT "$editor"
  if [ "$dark" -gt 20 ]; then painted=$((painted + 1)); elif [ "$painted" -gt 0 ]; then break; fi
  [ "$painted" -ge 3 ] && break
  sleep 0.003
done
if [ "$painted" -eq 0 ]; then
  echo "FAIL loading: none of $pictures pictures taken during the load shows the window's text"
  [ -n "${QUILMAR_KEEP:-}" ] && cp "$work"/loading-*.png "$QUILMAR_KEEP"/
  status=1
elif [ "$dark" -le 20 ]; then
  echo "FAIL loading: painted at first, blank in a later picture taken during the load"
  status=1
else
  echo "ok loading: its text shows in $painted pictures taken during the load"
fi
exit "$status"
