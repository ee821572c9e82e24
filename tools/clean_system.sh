#!/usr/bin/env bash
# The checks that need a clean Debian 12, run by hand (they need Debian's mirror and take
# minutes, so ctest leaves them out): a minimal system is made once with debootstrap in
# build/clean-root, and each run works as root in a copy of it, removed at the end.
#   tools/clean_system.sh deb FILE.deb   apt-get install ./FILE.deb there (apt fetches its
#                                        dependencies), then run the installed programs
#   tools/clean_system.sh start          clone this repository's HEAD there and run
#                                        `bash scripts/dev start` (offscreen, to the first
#                                        frame); prints the seconds at each step
# Needs root and the debootstrap package.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
base=$here/build/clean-root
[ -d "$base" ] || debootstrap --variant=minbase bookworm "$base" http://deb.debian.org/debian
root=$(mktemp -d "$here/build/clean-XXXXXX")
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 bash -c "$1"; }
stamp() { while IFS= read -r line; do printf '%7.1f s  %s\n' "$((${EPOCHREALTIME/./} / 100000 - started))e-1" "$line"; done; }
started=$((${EPOCHREALTIME/./} / 100000))

case ${1:-} in
  deb)
    cp "${2:?the .deb}" "$root/tmp/"
    deb=$(basename "$2")
    in_root "apt-get update -qq && cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y ./$deb" \
      >"$root/apt.log" 2>&1 || { cat "$root/apt.log"; exit 1; }
    grep -E 'newly installed|^Setting up quilmar' "$root/apt.log"
    in_root "quilmar-batch --keys 'ihello<Esc>:w /tmp/note.txt<CR>' >/dev/null && cat /tmp/note.txt && echo"
    in_root "QT_QPA_PLATFORM=offscreen quilmar-batch --qt --keys 'ihello<Esc>'" | grep -o '"text":"[^"]*"'
    in_root "QT_QPA_PLATFORM=offscreen QUILMAR_FIRST_FRAME=1 quilmar /tmp/note.txt" | grep '^first frame'
    in_root "ls /usr/share/man/man1/quilmar* /usr/share/metainfo /usr/share/doc/quilmar"
    ;;
  start)
    git clone -q "$here" "$root/root/quilmar" 2>&1 | stamp
    echo "cloned" | stamp
    in_root "cd /root/quilmar && QT_QPA_PLATFORM=offscreen QUILMAR_FIRST_FRAME=1 bash scripts/dev start" 2>&1 |
      stamp | tee "$here/build/clean-start.log" | grep -E 'installing|Setting up (cmake|qt6-base-dev) |\[1/|Configuring done|first frame|rror' || true
    ;;
  *)
    echo "usage: tools/clean_system.sh deb FILE.deb | start" >&2
    exit 2
    ;;
esac
