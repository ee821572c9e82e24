#!/usr/bin/env bash
# Builds the .deb and checks it as Debian and a software centre would: its name and control
# fields, lintian (no errors), that apt would install it here with its dependencies, the
# AppStream metadata, the desktop entry and the manual pages; then unpacks it into a scratch
# root and runs the installed programs from there.
# Usage: install_deb.sh BUILD_DIR. Exit 77 = skipped (the sanitizer build, or a tool missing).
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
if grep -q '^QUILMAR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "skipped: the package is checked in the plain build only"; exit 77
fi
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate lintian appstreamcli man apt-get; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 77; }
done
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/pkg/*.deb)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(basename "$deb")" = "quilmar_${version}_$(dpkg --print-architecture).deb" ] || fail "package named $(basename "$deb")"
echo "package: $(basename "$deb")"

# Dependencies come from the binaries, so Qt's libraries must be named.
field() { dpkg-deb -f "$deb" "$1"; }
depends=$(field Depends)
echo "Depends: $depends"
grep -q 'libqt6widgets6' <<<"$depends" || fail "Qt Widgets missing from Depends"
[ "$(field Package) $(field Version)" = "quilmar $version" ] || fail "control names $(field Package) $(field Version)"
[ "$(field Description | wc -l)" -ge 4 ] || fail "no extended description"
[ -n "$(field Homepage)" ] || fail "no Homepage"

# lintian: any error fails (warnings and notes are printed).
lintian --fail-on error --info "$deb" >"$work/lintian.txt" 2>&1 || { cat "$work/lintian.txt"; fail "lintian reports errors"; }
grep -E '^[EWI]: ' "$work/lintian.txt" || true
echo "ok lintian: no errors"

# apt resolves the package's dependencies on this system (nothing is installed).
apt-get install --simulate "$deb" >"$work/apt.txt" 2>&1 || { cat "$work/apt.txt"; fail "apt would not install it"; }
grep -Eq "^Inst quilmar |quilmar is already the newest version" "$work/apt.txt" || { cat "$work/apt.txt"; fail "apt plans no install"; }
echo "ok apt: $(grep -c '^Inst ' "$work/apt.txt") packages to install here"

root=$work/root
dpkg-deb -x "$deb" "$root"
for f in usr/lib/quilmar/quilmar usr/lib/quilmar/quilmar-batch usr/lib/quilmar/quilmar-batch-window.so \
         usr/lib/quilmar/quilmar_help.txt \
         usr/share/applications/org.quilmar.Quilmar.desktop \
         usr/share/icons/hicolor/scalable/apps/org.quilmar.Quilmar.svg \
         usr/share/metainfo/org.quilmar.Quilmar.metainfo.xml usr/share/man/man1/quilmar.1.gz \
         usr/share/man/man1/quilmar-batch.1.gz usr/share/doc/quilmar/copyright usr/share/doc/quilmar/changelog.gz; do
  [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
[ "$(readlink "$root/usr/bin/quilmar")" = "../lib/quilmar/quilmar" ] || { echo "bin/quilmar is not a link"; exit 1; }
desktop-file-validate "$root/usr/share/applications/org.quilmar.Quilmar.desktop"
zcat "$root/usr/share/doc/quilmar/changelog.gz" | head -n1 | grep -q "^quilmar ($version) " || fail "the changelog's first entry is not $version"

# AppStream: valid to the pedantic level but for the capitals of the id, which the desktop entry's
# name shares; what it names is in the package, its newest release is this one, and its
# screenshots are the pictures in docs/ (published under the same names).
metainfo=$root/usr/share/metainfo/org.quilmar.Quilmar.metainfo.xml
appstreamcli validate --pedantic --strict --no-net "$metainfo" >"$work/appstream.txt" 2>&1 ||
  { cat "$work/appstream.txt"; fail "appstreamcli: not valid"; }
if grep -v cid-contains-uppercase-letter "$work/appstream.txt" | grep -q '^[EWIP]:'; then
  cat "$work/appstream.txt"; fail "appstreamcli: more than the id's capitals"
fi
tags() { sed -n "s|.*<$1[^>]*>\(.*\)</$1>.*|\1|p" "$metainfo"; }
[ -e "$root/usr/share/applications/$(tags launchable)" ] || fail "launchable $(tags launchable) not installed"
for program in $(tags binary); do [ -L "$root/usr/bin/$program" ] || fail "binary $program not installed"; done
grep -m1 '<release ' "$metainfo" | grep -q "version=\"$version\"" || fail "newest release is not $version"
shots=$(tags image | sed -n 's|^https://quilmar.example.org/docs/||p')
[ "$(tags image | wc -l)" -ge 2 ] && [ "$(wc -w <<<"$shots")" = "$(tags image | wc -l)" ] || fail "screenshots: $(tags image)"
for shot in $shots; do [ -s "$here/docs/$shot" ] || fail "screenshot $shot is not in docs/"; done
echo "ok appstream: $(tags image | wc -l) screenshots, $(tags binary | wc -w) binaries"

# Manual pages: no warnings from man, and all of their sources' sections (and every option the
# installed quilmar-batch --help names) in what a reader sees.
man_text() {
  local warnings
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $1: $warnings"
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$1"
}
man_text "$root/usr/share/man/man1/quilmar.1.gz" >"$work/quilmar.txt"
man_text "$root/usr/share/man/man1/quilmar-batch.1.gz" >"$work/quilmar-batch.txt"
grep -B1 '^---*$' "$here/resources/quilmar_help.txt" | grep -v '^--' | while read -r heading; do
  grep -qx "$heading" "$work/quilmar.txt" || fail "quilmar(1) lacks $heading"
done
sed -n 's/^## //p' "$here/docs/batch.md" | tr a-z A-Z | while read -r heading; do
  grep -qx "$heading" "$work/quilmar-batch.txt" || fail "quilmar-batch(1) lacks $heading"
done
for option in $("$root/usr/bin/quilmar-batch" --help | grep -o -- ' --[a-z-]*'); do
  grep -q "^ *$option\b" "$work/quilmar-batch.txt" || fail "quilmar-batch(1) lacks $option"
done
grep -q '^ *quilmar - small modal plain-text editor$' "$work/quilmar.txt" || fail "quilmar(1) has no NAME line"
echo "ok man: quilmar(1) $(wc -l <"$work/quilmar.txt") lines, quilmar-batch(1) $(wc -l <"$work/quilmar-batch.txt") lines"

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
