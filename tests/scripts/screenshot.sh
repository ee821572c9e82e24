#!/usr/bin/env bash
# The README's pictures, from a session as a user has one, and a check of what it did. The real
# editor runs under a virtual X server on a note; real X key presses add a sentence in Insert
# mode and type a substitution in the command box (grabbed before Enter: the box in use, and
# after: its message in the status bar), and write the file; Help and About are opened from the
# keyboard and grabbed, and Escape closes Help. Then, out of the pictures, a mouse drag copies
# and a right click pastes. The written file must hold every edit, and no picture may be blank.
# Then it opens a file of emoji, combining marks, CJK and right-to-left text, selects from an
# emoji sequence into a right-to-left word with the keys, grabs that, and checks that yanking
# and putting the selection wrote exactly the selected text.
# Usage: screenshot.sh BUILD_DIR  (the PNGs land in BUILD_DIR/screenshots; with
# QUILMAR_UPDATE_DOCS=1 they are also copied to docs/ for the README).
# Exit 77 (skipped) where Xvfb, openbox, imagemagick or xdotool are missing.
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
program="$build/bin/quilmar"

source "$here/tests/scripts/lib/desktop.sh"
needs_tools Xvfb openbox xprop xdotool import identify
[ -x "$program" ] || { echo "no program at $program"; exit 1; }

out="$build/screenshots"
desktop_session
mkdir -p "$out" "$work/notes"
# The user's own settings and recovery records stay out of the session.
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
sample="$work/notes/garden-club.txt"
unicode="$work/notes/unicode.txt"
# Text from \u and \U escapes, whatever the locale the check runs in.
u() { LC_ALL=C.UTF-8 printf '%b' "$@"; }
# A face, a thumb with a skin tone, a family joined by ZWJ, a flag; marks; CJK; Hebrew and
# Arabic with digits.
u 'Emoji: \U1F600 \U1F44D\U1F3FD \U1F468\u200D\U1F469\u200D\U1F467\u200D\U1F466 \U1F1E9\U1F1EA end\n' \
  'Marks: e\u0301 a\u0308 n\u0303, CJK: \u4E2D\u6587\u5B57\n' \
  'Hebrew: \u05E9\u05DC\u05D5\u05DD 123 \u05E2\u05D5\u05DC\u05DD end\n' \
  'Arabic: \u0627\u0644\u0639\u0631\u0628\u064A\u0629 2024 \u0646\u0635 end\n' > "$unicode"
cat > "$sample" <<'TEXT'
Garden club: spring planting

Meeting on Tuesday 14 March, 18:30, in the library annex.

Beds to dig over before Tuesday:
	1	herbs by the south wall (thyme, sage, chives)
	2	beans along the fence, 10 cm apart
	3	lettuce and radishes in the raised bed

Bring gloves, a trowel and seeds to swap.
Seedlings go out after the last frost, around 20 April.
Questions to Ana before Tuesday, please.
TEXT

export QT_QPA_PLATFORM=xcb
"$program" "$sample" &
editor=$!

grab() {  # window id, file: lets it paint, then takes its picture
  sleep 1.2  # a blink phase in which the caret shows
  import -window "$1" "$2"
}

main=$(find_window "^Quilmar - garden-club.txt\$")
# A size that shows the whole note and the status bar's panels uncut.
xdotool windowsize --sync "$main" 640 400 2>/dev/null || xdotool windowsize "$main" 640 400
activate "$main"
# Command mode: to line 9, append a sentence (A: Insert mode at the line's end), back with
# Escape; then a substitution over the whole note, grabbed as typed and once it has run.
xdotool type --delay 40 ':9'
xdotool key Return
xdotool type --delay 40 'A Seeds cost $4 at "Green Row".'
xdotool key Escape
xdotool type --delay 40 ':0,99s/Tuesday/Thursday/'
grab "$main" "$out/command.png"
xdotool key Return
grab "$main" "$out/main.png"
xdotool type --delay 40 ':w'
xdotool key Return

xdotool key --clearmodifiers alt+h
sleep 0.3
xdotool key h
help=$(find_window "^Help\$")
grab "$help" "$out/help.png"
# Escape in the Help window closes it.
activate "$help"
xdotool key Escape
help_gone() { ! xdotool search --onlyvisible --name "^Help\$" >/dev/null 2>&1; }
help_closed=no
wait_for 30 help_gone && help_closed=yes

activate "$main"
xdotool key --clearmodifiers alt+h
sleep 0.3
xdotool key a
about=$(find_window "^About\$")
grab "$about" "$out/about.png"

# The mouse, after the pictures: drag over the first two characters of "Meeting..." (line 2;
# the menu bar is about 20 pixels, a line 16), which copies them on release; click past the
# end of the last line (11), then right-click, which pastes them there.
activate "$main"
line_y() { echo $((20 + $1 * 16 + 8)); }
xdotool mousemove --window "$main" 3 "$(line_y 2)" mousedown 1
xdotool mousemove --window "$main" 10 "$(line_y 2)"
xdotool mousemove --window "$main" 17 "$(line_y 2)" mouseup 1
xdotool mousemove --window "$main" 600 "$(line_y 11)" click 1
xdotool click 3
before=$(md5sum "$sample")
xdotool type --delay 40 ':w!'
xdotool key Return
written() { [ "$(md5sum "$sample")" != "$before" ]; }
wait_for 30 written || true

# The second file: from the family emoji (the eleventh step right on line 0) down to the
# second letter of the first Hebrew word, which shows in two places (the right-to-left run
# reversed). Grab, then "y" and "p" and write: the file must hold the selection.
kill "$editor"
wait "$editor" 2>/dev/null || true
"$program" "$unicode" &
editor=$!
main=$(find_window "^Quilmar - unicode.txt\$")
activate "$main"
xdotool key --delay 20 $(printf 'Right %.0s' $(seq 11)) shift+Down shift+Down shift+Home \
  $(printf 'shift+Right %.0s' $(seq 10))
grab "$main" "$out/unicode.png"
before=$(md5sum "$unicode")
xdotool type --delay 40 'yp:w!'
xdotool key Return
written() { [ "$(md5sum "$unicode")" != "$before" ]; }
wait_for 30 written || true

status=0
if [ "$help_closed" = yes ]; then
  echo "ok help: Escape closed it"
else
  echo "FAIL help: Escape left the Help window open"
  status=1
fi
line=$(sed -n 10p "$sample")
if [ "$line" != 'Bring gloves, a trowel and seeds to swap. Seeds cost $4 at "Green Row".' ]; then
  echo "FAIL typing: line 9 is now: $line"
  status=1
else
  echo "ok typing: the sentence was written"
fi
if grep -q Tuesday "$sample" || [ "$(grep -c Thursday "$sample")" != 3 ]; then
  echo "FAIL substitution: the file holds $(grep -c Tuesday "$sample") Tuesday, $(grep -c Thursday "$sample") Thursday"
  status=1
else
  echo "ok substitution: three Tuesday became Thursday"
fi
last=$(tail -n1 "$sample")
if [ "$last" != 'Questions to Ana before Thursday, please.Me' ]; then
  echo "FAIL mouse: the file's last line is now: $last"
  status=1
else
  echo "ok mouse: drag copied, right click pasted"
fi
# The put text begins with the family and ends with the two Hebrew letters, on lines of their own.
put=$(sed -n 2p "$unicode")
put_end=$(sed -n 4p "$unicode")
if [ "$put" != "$(u '\U1F468\u200D\U1F469\u200D\U1F467\u200D\U1F466 \U1F1E9\U1F1EA end')" ] ||
   [ "$put_end" != "$(u 'Hebrew: \u05E9\u05DC')" ]; then
  echo "FAIL selection: the put lines are: $put / $put_end"
  status=1
else
  echo "ok selection: emoji and right-to-left text yanked and put exactly"
fi
for shot in command main help about unicode; do
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
  for shot in command main help about unicode; do cp "$out/$shot.png" "$here/docs/screenshot-$shot.png"; done
  echo "copied to $here/docs"
fi
exit "$status"
