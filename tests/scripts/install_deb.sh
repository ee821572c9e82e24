#!/usr/bin/env bash
# Builds the .deb, unpacks it into a scratch root and runs the installed programs from there.
# Usage: install_deb.sh BUILD_DIR. Exit 77 = skipped.
set -euo pipefail
build=$1
if grep -q '^QUILMAR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "skipped: the package is checked in the plain build only"; exit 77
fi
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/pkg/*.deb)
echo "package: $(basename "$deb")"

# Dependencies come from the binaries, so Qt's libraries must be named.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q 'libqt6widgets6' <<<"$depends" || { echo "Qt Widgets missing from Depends"; exit 1; }

root=$work/root
dpkg-deb -x "$deb" "$root"
for f in usr/lib/quilmar/quilmar usr/lib/quilmar/quilmar-batch usr/lib/quilmar/quilmar-batch-window.so \
         usr/lib/quilmar/quilmar_help.txt \
         usr/share/applications/org.quilmar.Quilmar.desktop \
         usr/share/icons/hicolor/scalable/apps/org.quilmar.Quilmar.svg; do
  [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
[ "$(readlink "$root/usr/bin/quilmar")" = "../lib/quilmar/quilmar" ] || { echo "bin/quilmar is not a link"; exit 1; }
desktop-file-validate "$root/usr/share/applications/org.quilmar.Quilmar.desktop"

# The installed batch program edits and writes a file.
out=$("$root/usr/bin/quilmar-batch" --keys 'ihello<Esc>' --keys ":w $work/note.txt<CR>")
grep -q '"text":"hello"' <<<"$out" || { echo "unexpected output: $out"; exit 1; }
[ "$(cat "$work/note.txt")" = "hello" ] || { echo "file not written"; exit 1; }

# Through the window too: --qt loads the window module installed beside the program.
out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/quilmar-batch" --qt --keys 'ihello<Esc>')
grep -q '"text":"hello"' <<<"$out" || { echo "unexpected output with --qt: $out"; exit 1; }

# Run from its program folder, the installed editor finds its help text there.
home=$work/home
mkdir "$home"
cp "$root/usr/lib/quilmar/quilmar_help.txt" "$home/"
out=$("$root/usr/bin/quilmar-batch" --home "$home" --keys '<menu:mnuHelpReference>')
grep -q 'QUILMAR HELP REFERENCE' <<<"$out" || { echo "help text not shown: $out"; exit 1; }
echo "installed tree works"
