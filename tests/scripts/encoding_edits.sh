#!/usr/bin/env bash
# An edit changes only the bytes it touched, in every encoding: each case writes a file's
# bytes, runs keys on it in quilmar-batch and compares the bytes on disk (and the message
# panel) with what is expected. Bytes are printf formats; "|" separates the fields:
#   name | file | clipboard | keys | file afterwards | message panel starts with | new.txt
set -euo pipefail
build=${1:?usage: encoding_edits.sh BUILD_DIR}
batch=$build/bin/quilmar-batch
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
batch=$(realpath "$batch")  # the keys run in the files' folder

mostly='ok \xe2\x82\xac bad \xff\n'  # UTF-8 but for one stray byte
cases=$(cat <<'CASES'
a pasted € in mostly UTF-8|ok \xe2\x82\xac bad \xff\n|€|i<C-v><Esc>:w<CR>|\xe2\x82\xacok \xe2\x82\xac bad \xff\n|Written|
typing on both sides of a stray byte|MOSTLY||$<Left>iZ<Esc>$i!<Esc>:w<CR>|ok \xe2\x82\xac bad Z\xff!\n|Written|
x on a stray byte|a\xff\xfeb \xe2\x82\xac\xe2\x82\xac\n||<Right>x:w<CR>|a\xfeb \xe2\x82\xac\xe2\x82\xac\n|Written|
a line with a stray byte copied and put|MOSTLY||yp:w<CR>|ok \xe2\x82\xac bad \xff\nok \xe2\x82\xac bad \xff\n|Written|
a stray byte copied and searched for|ok \xe2\x82\xac\xe2\x82\xac bad \xff x\xffy\n||<sel:10,1>y/<C-v><CR>nx:w<CR>|ok \xe2\x82\xac\xe2\x82\xac bad \xff xy\n|Written|
a substitution beside a stray byte|MOSTLY||:0,1s/bad/good/<CR>:w<CR>|ok \xe2\x82\xac good \xff\n|Written|
the last € gone: it reopens as Latin-1|\xe2\x82\xac \xff\n||x:w<CR>| \xff\n|Written; it will reopen as Latin-1|
é into Latin-1|caf\xe9\n|é|i<C-v><Esc>:w<CR>|\xe9caf\xe9\n|Written|
€ into Latin-1 is refused|caf\xe9\n|€|i<C-v><Esc>:w<CR>|caf\xe9\n|Can't write f: Latin-1 has no code for \"€\" (U+20AC) on line 0;|
€ into Latin-1 goes to a new file as UTF-8|caf\xe9\n|€|i<C-v><Esc>:w new.txt<CR>|caf\xe9\n|Written|\xe2\x82\xaccaf\xc3\xa9\n
UTF-16 LE|\xff\xfeo\x00k\x00\n\x00|€|i<C-v><Esc>:w<CR>|\xff\xfe\xac\x20o\x00k\x00\n\x00|Written|
UTF-16 BE|\xfe\xff\x00o\x00k\x00\n||ix<Esc>:w<CR>|\xfe\xff\x00x\x00o\x00k\x00\n|Written|
CASES
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $1"; failed=1; }
while IFS='|' read -r name bytes clipboard keys expected message newfile; do
  [ "$bytes" = MOSTLY ] && bytes=$mostly
  rm -rf "${work:?}"/*
  printf "$bytes" > "$work/f"
  out=$(cd "$work" && "$batch" --home . --omit-text --clipboard "$clipboard" --keys "$keys" -- f)
  printf "$expected" | cmp -s - "$work/f" || fail "$name: the file holds $(od -An -tx1 "$work/f")"
  grep -qF "\"panels\":[\"$message" <<< "$out" || fail "$name: $out"
  if [ -n "$newfile" ]; then
    printf "$newfile" | cmp -s - "$work/new.txt" || fail "$name: new.txt holds $(od -An -tx1 "$work/new.txt")"
  fi
done <<< "$cases"

# The recovery record of a refused write brings back the document in the file's encoding:
# writing the recovered text is refused too, and the file keeps its bytes.
rm -rf "${work:?}"/*
printf 'caf\xe9\n' > "$work/f"
"$batch" --home "$work" --omit-text --clipboard € --keys 'i<C-v><Esc>:w<CR>' -- "$work/f" > /dev/null
out=$("$batch" --home "$work" --omit-text --answer yes --keys ':w<CR>' -- "$work/f")
grep -qF "\"panels\":[\"Can't write" <<< "$out" || fail "recovered Latin-1: $out"
printf 'caf\xe9\n' | cmp -s - "$work/f" || fail "recovered Latin-1: the file holds $(od -An -tx1 "$work/f")"

[ $failed = 0 ] && echo "$(wc -l <<< "$cases") cases and a recovery kept every byte no edit touched"
exit $failed
