#!/usr/bin/env bash
# Starts the real editor under a virtual X server on a sample file, edits and writes it with
# real X key presses, a mouse drag and clicks, opens Help and About from the keyboard, grabs
# the three windows, and checks that none came out blank and that the file holds the edits.
# Usage: screenshot.sh BUILD_DIR  (the PNGs land in BUILD_DIR/screenshots; with
# QUILMAR_UPDATE_DOCS=1 they are also copied to docs/ for the README).
# Exit 77 (skipped) where xvfb-run, imagemagick or xdotool are missing.
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
program="$build/bin/quilmar"

for tool in xvfb-run xdotool import identify; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done
[ -x "$program" ] || { echo "no program at $program"; exit 1; }

out="$build/screenshots"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
sample="$work/sample.txt"
cat > "$sample" <<'TEXT'
Quilmar is a small modal plain-text editor.

In Command mode single keys are commands:
	i	insert before the caret
	x	delete a character
	dd	delete a line
	/	search, n repeats
In Insert mode keys type text; Escape returns to Command mode.

:0,9s/old/new/   substitutes in lines 0 to 9
:w notes.txt     writes the document
TEXT

# Everything that needs the display runs inside the virtual server's session.
cat > "$work/session.sh" <<'SESSION'
set -euo pipefail
program=$1 sample=$2 out=$3
export QT_QPA_PLATFORM=xcb
"$program" "$sample" &
editor=$!
trap 'kill "$editor" 2>/dev/null || true' EXIT

find_window() {  # a window by its exact title, waiting for it to appear
  local title=$1 id=""
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "window '$title' did not appear" >&2
  return 1
}

grab() {  # window id, file: lets it paint, then takes its picture
  sleep 1.2  # a blink phase in which the caret shows
  import -window "$1" "$2"
}

main=$(find_window "Quilmar - sample.txt")
xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
sleep 0.3
# Command mode: delete the first character, append to the line, write the file.
xdotool type --delay 40 '0x'
xdotool type --delay 40 'A (edited: $4, "ok")'
xdotool key Escape
# The mouse: drag over the first two characters of "In Command mode..." (laid-out line 3;
# the menu bar is about 20 pixels, a line 16), which copies them on release; click past the
# end of the last line, then right-click, which pastes them there.
line_y() { echo $((20 + $1 * 16 + 8)); }
xdotool mousemove --window "$main" 3 "$(line_y 3)" mousedown 1
xdotool mousemove --window "$main" 10 "$(line_y 3)"
xdotool mousemove --window "$main" 17 "$(line_y 3)" mouseup 1
xdotool mousemove --window "$main" 440 "$(line_y 12)" click 1
xdotool click 3
xdotool type --delay 40 ':w!'
xdotool key Return
grab "$main" "$out/main.png"

xdotool key --clearmodifiers alt+h
sleep 0.3
xdotool key h
help=$(find_window "Help")
grab "$help" "$out/help.png"

xdotool windowfocus "$main"
sleep 0.2
xdotool key --clearmodifiers alt+h
sleep 0.3
xdotool key a
about=$(find_window "About")
grab "$about" "$out/about.png"
SESSION

xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" bash "$work/session.sh" "$program" "$sample" "$out"

status=0
first=$(head -n1 "$sample")
if [ "$first" != 'uilmar is a small modal plain-text editor. (edited: $4, "ok")' ]; then
  echo "FAIL typing: the file's first line is now: $first"
  status=1
else
  echo "ok typing: the edit was written"
fi
last=$(tail -n1 "$sample")
if [ "$last" != ':w notes.txt     writes the documentIn' ]; then
  echo "FAIL mouse: the file's last line is now: $last"
  status=1
else
  echo "ok mouse: drag copied, right click pasted"
fi
for shot in main help about; do
  file="$out/$shot.png"
  if [ ! -s "$file" ]; then
    echo "FAIL $shot: no picture"
    status=1
    continue
  fi
  colours=$(identify -format '%k' "$file")
  size=$(identify -format '%wx%h' "$file")
  # Text, frames and backgrounds: a drawn window has many colours, a blank one one or two.
  if [ "$colours" -lt 8 ]; then
    echo "FAIL $shot: $size with only $colours colours"
    status=1
  else
    echo "ok $shot: $size, $colours colours"
  fi
done

if [ "$status" -eq 0 ] && [ "${QUILMAR_UPDATE_DOCS:-0}" = 1 ]; then
  mkdir -p "$here/docs"
  for shot in main help about; do cp "$out/$shot.png" "$here/docs/screenshot-$shot.png"; done
  echo "copied to $here/docs"
fi
exit "$status"
