# A desktop for script checks: a virtual X server with a window manager (openbox), as a user
# has one. Source it, then call start_desktop WORKDIR [SCREEN]; DISPLAY is exported and both
# servers end with the calling script (stop_desktop from its EXIT trap). desktop_session does
# it all for a check: a work folder in $work, the desktop, and an EXIT trap that also ends the
# editor whose pid is in $editor.
# needs_tools exits 77 (skipped) when a tool is missing.

needs_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "skipped: $tool is not installed"
      exit 77
    fi
  done
}

desktop_pids=()

start_desktop() {  # workdir [WxHxD]
  local work=$1 screen=${2:-1280x800x24} fifo display=""
  fifo="$work/displayfd"
  mkfifo "$fifo"
  # -displayfd: the server picks a free display and tells us its number once it listens.
  Xvfb -displayfd 3 -screen 0 "$screen" -dpi 96 -nolisten tcp 3>"$fifo" >"$work/xvfb.log" 2>&1 &
  desktop_pids+=($!)
  read -r display <"$fifo"
  [ -n "$display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; return 1; }
  export DISPLAY=":$display"
  # The window manager is up once it has announced itself on the root window. On a loaded
  # machine that can take a while, so the wait is by the clock, not by a count of polls (each
  # poll's xprop is slow then too); a window manager that ended before announcing itself is
  # started again, and the logs are shown when it never comes up.
  local attempt deadline pid
  for attempt in 1 2 3; do
    openbox --sm-disable >>"$work/openbox.log" 2>&1 &
    pid=$!
    desktop_pids+=("$pid")
    deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then break; fi
    local status=0
    wait "$pid" || status=$?
    echo "openbox ended (exit $status) before it announced itself, attempt $attempt" >&2
  done
  echo "openbox did not start"
  echo "--- openbox.log"; cat "$work/openbox.log"
  echo "--- xvfb.log"; cat "$work/xvfb.log"
  return 1
}

desktop_session() {  # [WxHxD]
  work=$(mktemp -d)
  editor=""
  trap end_desktop_session EXIT
  start_desktop "$work" "$@"
}

end_desktop_session() {
  if [ -n "${editor:-}" ]; then kill "$editor" 2>/dev/null || true; fi
  stop_desktop
  rm -rf "$work"
}

stop_desktop() {
  local pid
  for pid in "${desktop_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${desktop_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  desktop_pids=()
}

find_window() {  # title regex [seconds]: the id of a visible window, once it shows
  local title=$1 deadline=$((SECONDS + ${2:-60})) id
  while ((SECONDS < deadline)); do
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  echo "window '$title' did not appear" >&2
  return 1
}

activate() {  # window id: raised, and the keyboard's focus, once the window manager says so
  local deadline=$((SECONDS + 30))
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
  while ((SECONDS < deadline)); do
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && return 0
    sleep 0.05
  done
  echo "window $1 did not become active" >&2
  return 1
}

wait_for() {  # seconds command...: polls the command until it succeeds or the time is up
  local deadline=$((SECONDS + $1)); shift
  while ((SECONDS < deadline)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}
