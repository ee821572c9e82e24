#!/usr/bin/env bash
# A save replaces the file through a temporary one: the new file must keep the old one's
# extended attributes, POSIX ACL, owner, group and mode. Checked with setfattr/getfattr and
# setfacl/getfacl (Debian packages attr and acl) on a file edited and written by quilmar-batch.
set -euo pipefail
build=${1:?usage: attributes_kept.sh BUILD_DIR}
batch=$build/bin/quilmar-batch
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
for tool in setfattr getfattr setfacl getfacl; do
  command -v $tool > /dev/null || { echo "skipped: no $tool (packages attr, acl)"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/doc.txt
printf 'one\ntwo\n' > "$file"
setfattr -n user.origin -v "from a test" "$file" 2> /dev/null || { echo "skipped: no user attributes here"; exit 77; }
setfattr -n user.binary -v 0x00ff10 "$file"
setfacl -m u:nobody:rw,g:nogroup:r "$file" 2> /dev/null || { echo "skipped: no ACLs here"; exit 77; }
chmod g+s "$file"
if [ "$(id -u)" = 0 ]; then chown 65534:65534 "$file"; fi

describe() {
  (cd "$work" && getfattr -d -m - -e hex doc.txt && getfacl -n doc.txt && stat -c 'mode %a owner %u group %g' doc.txt)
}
before=$(describe)
inode=$(stat -c %i "$file")

"$batch" --home "$work" --omit-text --keys 'Ax<Esc>:w<CR>' -- "$file" > "$work/out.json"
grep -q '"Written"' "$work/out.json" || { echo "FAIL: not written"; cat "$work/out.json"; exit 1; }
[ "$(cat "$file")" = "$(printf 'onex\ntwo')" ] || { echo "FAIL: unexpected content"; exit 1; }
[ "$(stat -c %i "$file")" != "$inode" ] || { echo "FAIL: the file was written in place, not replaced"; exit 1; }
after=$(describe)
if [ "$before" != "$after" ]; then
  echo "FAIL: attributes changed"
  diff <(echo "$before") <(echo "$after") || true
  exit 1
fi
echo "kept: $(echo "$after" | grep -c .) lines of attributes, ACL, mode and owner"
