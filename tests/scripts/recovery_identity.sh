#!/usr/bin/env bash
# Recovery records go to their own file only, and the editor's folders harm nothing else. Run
# with quilmar-batch as a user would, two runs sharing a --home:
#   - the first run, in folder A, leaves unsaved changes to f.txt; the second run opens a path
#     and answers Yes, then ":wq". Each spelling of A/f.txt is offered the record (the question
#     naming the file by its absolute path); B/f.txt is not, and keeps its content;
#   - a record of the older form, which named its file only as typed ("f.txt"), is not offered
#     to a file it cannot be told to be of: it is kept in state/recovery-kept;
#   - the purge of week-old declined records removes a real one, but never follows a link
#     planted in recovery-declined and leaves a planted file and another user's folder (made
#     as nobody with setpriv; only when run as root).
set -euo pipefail
build=$(cd "${1:?usage: recovery_identity.sh BUILD_DIR}" && pwd)
batch=$build/bin/quilmar-batch
source_dir=${QUILMAR_SOURCE_DIR:-$(dirname "$0")/../..}
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
command -v jq > /dev/null || { echo "skipped: no jq"; exit 77; }

work=$(cd "$(mktemp -d)" && pwd -P)  # the absolute paths the questions must show
trap 'rm -rf "$work"' EXIT
failed=0
check() {  # what expected actual
  if [ "$2" = "$3" ]; then echo "held: $1"; else echo "FAILED: $1: expected [$2], got [$3]"; failed=1; fi
}
question() {  # the json's question, its time taken out
  jq -r '.messageBoxes | map(sub(" from [-0-9: ]+\\."; " from TIME.")) | join(" / ")' "$1"
}
ask="has unsaved changes from TIME. Recover them?"
recovered="SECRET-A project A notes"

# name | before the second run | its folder | the path it opens | the question's file ("-": none)
# | what that file holds afterwards
while IFS='|' read -r name prepare folder path shown after; do
  c=$work/case && rm -rf "$c" && mkdir -p "$c/A" "$c/B" "$c/H"
  echo "project A notes" > "$c/A/f.txt"
  echo "project B notes" > "$c/B/f.txt"
  ln -s A/f.txt "$c/link.txt"
  ln "$c/A/f.txt" "$c/hard.txt"
  (cd "$c/A" && "$batch" --home ../H --omit-text --keys 'iSECRET-A <Esc>' -- f.txt > /dev/null)
  (cd "$c" && eval "$prepare")
  (cd "$c/$folder" && "$batch" --home "$c/H" --omit-text --answer yes --keys ':wq<CR>' -- "${path//@/$c}" > "$work/out.json")
  expected=""
  [ "$shown" = - ] || expected="$c/${shown% changed} $ask"
  [ "$shown" = "${shown% changed}" ] || expected+=" The file has changed on disk since then."
  check "$name: the question" "$expected" "$(question "$work/out.json")"
  check "$name: the file afterwards" "$after" "$(cd "$c/$folder" && cat "${path//@/$c}")"
done <<'CASES'
another folder's f.txt|:|B|f.txt|-|project B notes
the same name in A|:|A|f.txt|A/f.txt|SECRET-A project A notes
./f.txt|:|A|./f.txt|A/f.txt|SECRET-A project A notes
its absolute path|:|B|@/A/f.txt|A/f.txt|SECRET-A project A notes
../A/f.txt from B|:|B|../A/f.txt|A/f.txt|SECRET-A project A notes
a symbolic link to it|:|.|link.txt|A/f.txt|SECRET-A project A notes
a hard link to it|:|.|hard.txt|hard.txt|SECRET-A project A notes
another file put at its path|echo replaced > A/new && mv A/new A/f.txt|A|f.txt|A/f.txt changed|SECRET-A project A notes
CASES

# A record of the older form: made by the editor before records held the resolved path, of a
# file opened as "f.txt" in some other folder.
c=$work/old && mkdir -p "$c/B" "$c/H/state/recovery"
echo "project B notes" > "$c/B/f.txt"
cp -r "$source_dir/tests/data/recovery_old_form/." "$c/H/state/recovery/"
(cd "$c/B" && "$batch" --home "$c/H" --omit-text --answer yes --keys ':wq<CR>' -- f.txt > "$work/out.json")
check "an old-form record: the question" "" "$(question "$work/out.json")"
check "an old-form record: B/f.txt afterwards" "project B notes" "$(cat "$c/B/f.txt")"
check "an old-form record: kept aside" "1" "$(ls "$c/H/state/recovery-kept" 2> /dev/null | wc -l)"

# The purge of declined records. A real one, declined and then dated back to 1970, must go
# (so the purge does run); what was planted beside it must stay.
c=$work/purge && mkdir -p "$c/H" "$c/victim"
echo "notes" > "$c/f.txt"
for name in keep snapshot-00000000000000000000 info-00000000000000000000; do echo "theirs" > "$c/victim/$name"; done
(cd "$c" && "$batch" --home H --omit-text --keys 'ix<Esc>' -- f.txt > /dev/null)
(cd "$c" && "$batch" --home H --omit-text --answer no -- f.txt > /dev/null)
declined=$c/H/state/recovery-declined
real=$(ls "$declined")
touch "$declined/$real/.snapshot-00000000000000000000.quilmar-4194303-AbCdEf"  # a write of it was killed
mv "$declined/$real" "$declined/declined-00000000000000000001-${real#declined-*-}"
ln -s "$c/victim" "$declined/declined-00000000000000000001-link"
echo "not a record" > "$declined/declined-00000000000000000001-file"
others=no
if [ "$(id -u)" = 0 ] && command -v setpriv > /dev/null; then
  # Another user's folder with a record's names, made by that user.
  chmod 755 "$work" "$c" && mkdir -m 1777 "$c/shared"
  setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c \
    "mkdir '$c/shared/theirs' && echo theirs > '$c/shared/theirs/snapshot-00000000000000000000'"
  mv "$c/shared/theirs" "$declined/declined-00000000000000000001-theirs"
  others=yes
fi
"$batch" --home "$c/H" --omit-text > /dev/null
check "the purge: the real declined record" "" "$(ls "$declined" | grep -v -e '-link$' -e '-file$' -e '-theirs$' || true)"
check "the purge: the planted link's folder" "info-00000000000000000000 keep snapshot-00000000000000000000" \
  "$(ls "$c/victim" | tr '\n' ' ' | sed 's/ $//')"
check "the purge: the planted link" "yes" "$([ -L "$declined/declined-00000000000000000001-link" ] && echo yes)"
check "the purge: the planted file" "not a record" "$(cat "$declined/declined-00000000000000000001-file")"
if [ "$others" = yes ]; then
  check "the purge: another user's folder" "theirs" "$(cat "$declined/declined-00000000000000000001-theirs/snapshot-00000000000000000000")"
else
  echo "skipped: another user's folder (needs root and setpriv)"
fi
exit "$failed"
