#!/usr/bin/env bash
# The window with a screen reader announced, on the real accessibility bus: a virtual X server
# with a window manager, a session bus whose accessibility bus (at-spi2-core) starts on demand,
# and screen_reader.py reading the window through AT-SPI while xdotool types into it.
# Usage: screen_reader.sh BUILD_DIR. Exit 77 (skipped) where a tool is missing.
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
here=$(dirname "$0")
program="$build/bin/quilmar"
source "$here/lib/desktop.sh"
needs_tools Xvfb openbox xdotool xprop dbus-run-session
python=/usr/bin/python3
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "skipped: at-spi2-core is not installed"; exit 77; }
"$python" -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 77; }
[ -x "$program" ] || { echo "no program at $program"; exit 1; }

desktop_session
# The buses' sockets and the editor's files stay in the work folder.
export XDG_RUNTIME_DIR="$work/run" HOME="$work"
mkdir -m 700 "$XDG_RUNTIME_DIR"
dbus-run-session -- "$python" "$here/screen_reader.py" "$program" "$work"
