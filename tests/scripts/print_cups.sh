#!/usr/bin/env bash
# Prints a document from the real window's File menu (its Ctrl+P shortcut) on a CUPS PDF
# printer and finds the document's text in the PDF that comes out.
# Usage: print_cups.sh BUILD_DIR
# Exit 77 (skipped, with the reason) where CUPS, its PDF printer or the X tools are missing or
# CUPS cannot be started here; 1 when printing did not produce the text. Every step waits for
# what it needs (the scheduler, the window, the focus, the PDF), never for a fixed time.
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
source "$(dirname "$0")/lib/desktop.sh"
program="$build/bin/quilmar"
printer="00_Quilmar_Test_PDF"   # sorts first, so it is index 0 of the installed printers

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

[ -x "$program" ] || fail "no program at $program"
for tool in cupsd lpadmin lpstat pdftotext Xvfb openbox xprop xdotool; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (Debian: cups printer-driver-cups-pdf poppler-utils xvfb openbox x11-utils xdotool)"
done
[ -e /usr/lib/cups/backend/cups-pdf ] || skip "the cups-pdf backend is not installed (printer-driver-cups-pdf)"
ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd /usr/share/ppd/cups-pdf/*.ppd 2>/dev/null | head -n1)
[ -n "$ppd" ] || skip "no PPD for the PDF printer"
[ "$(id -u)" -eq 0 ] || skip "adding a printer needs root"

work=$(mktemp -d)
started_cupsd=""
editor=""
cleanup() {
  if [ -n "$editor" ]; then kill "$editor" 2>/dev/null || true; fi
  stop_desktop
  lpadmin -x "$printer" >/dev/null 2>&1 || true
  if [ -n "$started_cupsd" ]; then kill "$started_cupsd" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Use the running scheduler, or start one in the foreground of a background job of ours.
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  mkdir -p /run/cups
  cupsd -f >"$work/cupsd.log" 2>&1 &
  started_cupsd=$!
  for _ in $(seq 1 300); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.2
  done
  lpstat -r 2>/dev/null | grep -q "is running" || skip "CUPS could not be started here: $(tail -n3 "$work/cupsd.log" | tr '\n' ' ')"
fi
lpadmin -p "$printer" -v cups-pdf:/ -P "$ppd" -E >"$work/lpadmin.log" 2>&1 ||
  skip "the PDF printer could not be added: $(tr '\n' ' ' <"$work/lpadmin.log")"
first=$(lpstat -e 2>/dev/null | sort | head -n1)
[ "$first" = "$printer" ] || skip "another printer ($first) comes first in the list"

# cups-pdf writes into the job owner's PDF folder, or the anonymous spool folder.
outputs=("${HOME:-/root}/PDF" /var/spool/cups-pdf)
marker="$work/marker"
touch "$marker"
sleep 1  # PDFs newer than the marker are ours

word="Quilmar-print-check-$$-$RANDOM"
doc="$work/printme.txt"
printf 'First line of the printed page\n%s\nlast line\n' "$word" >"$doc"

start_desktop "$work" || skip "no X server could be started"
QT_QPA_PLATFORM=xcb "$program" "$doc" &
editor=$!
id=$(find_window "^Quilmar - printme.txt\$" 60) || fail "the window did not appear"
activate "$id" || fail "the window did not take the focus"
xdotool key --clearmodifiers ctrl+p

# The job goes from the editor to CUPS to the PDF printer's folder; the editor stays until it is
# there, so nothing is cut short on a slow machine.
pdf=""
for _ in $(seq 1 600); do
  pdf=$(find "${outputs[@]}" -name '*.pdf' -newer "$marker" 2>/dev/null | head -n1)
  # Done when the file is there and CUPS holds no unfinished job for the printer.
  [ -n "$pdf" ] && [ -z "$(lpstat -o "$printer" 2>/dev/null)" ] && break
  kill -0 "$editor" 2>/dev/null || fail "the editor ended before the job was printed"
  sleep 0.2
done
[ -n "$pdf" ] || fail "no PDF came out of the printer (jobs: $(lpstat -W all -o 2>/dev/null | tr '\n' ' '))"
text=$(pdftotext "$pdf" - 2>/dev/null)
rm -f "$pdf"
if grep -q "$word" <<<"$text"; then
  echo "printed: the text was found in the PDF"
  exit 0
fi
# The PDF printer's filters may re-encode the font without a Unicode mapping: each glyph then
# comes out as a code of its own (and the first one as nothing). The text is still the
# document's if one consistent glyph-for-character mapping turns the printed lines into it.
command -v python3 >/dev/null || fail "the text is not in the PDF, and python3 is missing to compare glyphs: $text"
printf '%s' "$text" >"$work/printed.txt"
cat >"$work/compare.py" <<'PY'
import sys
expected = [l for l in open(sys.argv[1], encoding="utf-8").read().split("\n") if l.strip()]
printed = [l.strip() for l in open(sys.argv[2], encoding="utf-8").read().replace("\f", "\n").split("\n") if l.strip()]
lost = expected[0][0]  # the first glyph defined, which extraction drops
expected = [l.replace(lost, "") for l in expected]
forward, backward = {}, {}
ok = len(printed) >= len(expected)
for want, got in zip(expected, printed):
    ok = ok and len(want) == len(got)
    for w, g in zip(want, got):
        ok = ok and forward.setdefault(w, g) == g and backward.setdefault(g, w) == w
sys.exit(0 if ok and len(forward) > 10 else 1)
PY
python3 "$work/compare.py" "$doc" "$work/printed.txt" || fail "the document's text is not in the PDF: $text"
echo "printed: the document's lines were found in the PDF, glyph for glyph"
