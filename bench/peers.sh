#!/usr/bin/env bash
# Whole-process speed beside the peers: quilmar-batch against vim in batch mode, with sed and cat
# as the floor, on generated files (10 MB, 100 MB, one line of 5,000,000 characters), opening
# and quitting, and substituting and writing; then the window's start to its first painted
# frame. Prints the median of several runs of each, peak memory, and the ratios the speed goals
# are stated in; checks that every substitution wrote the same bytes as vim.
# Usage: bench/peers.sh [BUILD_DIR] [RUNS]   (default build/release, 5 runs)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/release}" && pwd)
runs=${2:-5}
for tool in vim sed cat python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "peers.sh needs $tool (Debian: vim sed coreutils python3 time)"; exit 2; }
done
[ -x "$build/bin/quilmar-batch" ] || { echo "no quilmar-batch in $build/bin"; exit 2; }
exec python3 "$here/bench/peers.py" "$build" "$runs"
