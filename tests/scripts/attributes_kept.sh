#!/usr/bin/env bash
# A save keeps what a file is besides its bytes: owner, group, mode (set-id bits too), extended
# attributes, POSIX ACL and file capabilities; whether the file is replaced or written in place
# (a second hard link), whether root saves it or a user (nobody, through setpriv) who owns it
# or only may write it. Then quilmar-batch is killed during ":w!" of read-only files, replaced
# and in place: the file must never be left with another mode.
#
#   tests/scripts/attributes_kept.sh BUILD_DIR     what ctest runs: the cases and 4 kills (2
#                                                   under the sanitizers)
#   KEEP_KILLS=30 KEEP_MB=100 tests/scripts/attributes_kept.sh build/release     a longer run
#
# Runs as root (CI does); exit 77 (skipped) otherwise or without the tools (packages attr, acl,
# libcap2-bin, util-linux). The cases of nobody are skipped when nobody cannot reach quilmar-batch.
set -euo pipefail
build=$(cd "${1:?usage: attributes_kept.sh BUILD_DIR}" && pwd)
batch=$build/bin/quilmar-batch
[ -x "$batch" ] || { echo "skipped: no $batch"; exit 77; }
[ "$(id -u)" = 0 ] || { echo "skipped: needs root, to give files to others and act as nobody"; exit 77; }
for tool in setfattr getfattr setfacl setcap setpriv; do
  command -v $tool > /dev/null || { echo "skipped: no $tool (packages attr, acl, libcap2-bin, util-linux)"; exit 77; }
done
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
nobody_runs=yes
as_nobody "$batch" --help > /dev/null 2>&1 || nobody_runs=no
case $build in
  *sanitize*) kills=${KEEP_KILLS:-2} mb=${KEEP_MB:-2} ;;
  *) kills=${KEEP_KILLS:-4} mb=${KEEP_MB:-4} ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"
mkdir -m 1777 "$work/sticky"
mkdir "$work/own" "$work/home-root" "$work/home-nobody"
chown nobody:nogroup "$work/own" "$work/home-nobody"
user_attributes=yes
setfattr -n user.probe -v 1 "$work/own" 2> /dev/null || user_attributes=no

describe() { getfattr -d -m - -e hex --absolute-names "$1" | grep -v '^#'; stat -c 'mode %a owner %U group %G' "$1"; }

# who saves, the file's folder (own: nobody's; sticky: mode 1777), owner, mode, what else it
# has (link: a second hard link, so it is written in place), the command, the outcome.
failures=0 i=0
while read -r who folder owner mode extras command outcome; do
  i=$((i + 1))
  if [ "$who" = nobody ] && [ $nobody_runs = no ]; then
    echo "skipped case $i: nobody cannot run $batch (a folder on the way is closed to others)"; continue
  elif [[ $extras == *xattr* ]] && [ $user_attributes = no ]; then
    echo "skipped case $i: no user attributes here"; continue
  fi
  f=$work/$folder/f$i
  printf 'one\ntwo\n' > "$f"
  chown "$owner" "$f"
  for extra in ${extras//,/ }; do
    case $extra in
      xattr) setfattr -n user.origin -v "from a test" "$f" && setfattr -n user.binary -v 0x00ff10 "$f" ;;
      acl) setfacl -m u:nobody:rw,g:nogroup:r "$f" ;;
      cap) setcap cap_net_raw+ep "$f" ;;
      link) ln "$f" "$f.link" ;;
    esac
  done
  chmod "$mode" "$f"
  before=$(describe "$f")
  run=("$batch" --home "$work/home-$who" --omit-text --keys "Ax<Esc>$command<CR>" -- "$f")
  [ "$who" = root ] || run=(as_nobody "${run[@]}")
  message=$("${run[@]}" | sed -n 's/.*"panels":\["\([^"]*\)".*/\1/p')
  expected=$'one\ntwo'
  [ "$outcome" != Written ] || expected=$'onex\ntwo'
  case="case $i ($who saves $owner's $mode $extras file in $folder with $command)"
  if [[ $message != *"$outcome" ]]; then
    echo "FAIL $case: \"$message\", expected \"$outcome\""; failures=$((failures + 1))
  elif [ "$(cat "$f")" != "$expected" ] || { [ -e "$f.link" ] && ! cmp -s "$f" "$f.link"; }; then
    echo "FAIL $case: unexpected content"; failures=$((failures + 1))
  elif [ "$(describe "$f")" != "$before" ]; then
    echo "FAIL $case: the file changed"; diff <(echo "$before") <(describe "$f") || true; failures=$((failures + 1))
  else
    echo "ok $case: $message; $(describe "$f" | grep -c .) lines of attributes and mode kept"
  fi
done <<'CASES'
root   own    nobody:nogroup 2664 xattr,acl      :w  Written
root   own    root:root      0755 cap            :w  Written
root   own    nobody:nogroup 4755 cap,link       :w  Written
nobody own    root:root      0666 -              :w  Written
nobody own    root:root      0664 acl            :w  Written
nobody sticky root:root      0666 -              :w  Written
nobody own    root:root      0644 -              :w! Permission denied
nobody own    nobody:nogroup 4755 -              :w  Written
nobody own    nobody:nogroup 2755 link           :w  Written
nobody own    nobody:nogroup 0444 -              :w! Written
nobody own    nobody:nogroup 0444 link           :w! Written
CASES

# Kills during ":w!" of a read-only file, once the save is under way (its temporary file, or in
# place the copy of the old content, is there), half of them in place.
yes 'an old line of the file, with a few words in it' | head -c $((mb * 1000000)) > "$work/old" || true
source "$(dirname "$0")/lib/kill_during_save.sh"
for k in $(seq 1 "$kills"); do
  home=$work/kill-home$k f=$work/own/kill$k
  mkdir "$home"
  cp "$work/old" "$f"
  chmod 0444 "$f"
  [ $((k % 2)) = 1 ] || ln "$f" "$f.link"
  "$batch" --home "$home" --omit-text --keys 'Ax<Esc>:w!<CR>' -- "$f" > /dev/null 2>&1 &
  kill_during_save $! "$work/own/.kill$k.*" "$home/state/unfinished-saves/*"
  got=$(stat -c %a "$f")
  if [ "$got" != 444 ]; then
    echo "FAIL kill $k ($(stat -c %h "$f") links, $when): the file was left with mode $got"; failures=$((failures + 1))
  else
    echo "ok kill $k ($(stat -c %h "$f") links, $when): mode 444"
  fi
done
[ "$failures" = 0 ] || { echo "$failures failed"; exit 1; }
