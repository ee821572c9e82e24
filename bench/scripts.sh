#!/usr/bin/env bash
# The window on 10 MB of English, Russian, Chinese and mixed emoji/accented/right-to-left text:
# the first frame as a whole process and in-process, the whole text laid out after it, Word Wrap
# off and on again and a resize of the wrapped document (BM_Script in quilmar-bench), with each
# kind's ratio to English.
# Usage: bench/scripts.sh [BUILD_DIR] [RUNS]   (default build/release, 5 runs)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/release}" && pwd)
runs=${2:-5}
[ -x "$build/bin/quilmar" ] && [ -x "$build/bench/quilmar-bench" ] || { echo "build quilmar and quilmar-bench in $build first"; exit 2; }
exec python3 "$here/bench/scripts.py" "$build" "$runs"
