# Sourced by the script checks that need an X server. start_display starts a private Xvfb on a
# display number the server picks itself (-displayfd), so checks started at the same time never
# race for one, waits until it accepts clients, and exports DISPLAY; the server goes when the
# script exits. Callers set their own EXIT trap after this one, or call stop_display in it.

display_pid=""

stop_display() {
  if [ -n "$display_pid" ]; then
    kill "$display_pid" 2>/dev/null || true
    wait "$display_pid" 2>/dev/null || true
    display_pid=""
  fi
}

# start_display [WIDTHxHEIGHTxDEPTH]
start_display() {
  local screen=${1:-1280x1024x24} ready
  ready=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
  display_pid=$!
  # The server writes its display number once it is ready for clients; a loaded machine may
  # take a while, so the wait is long but ends as soon as the number is there.
  for _ in $(seq 1 1200); do
    [ -s "$ready" ] && break
    kill -0 "$display_pid" 2>/dev/null || { rm -f "$ready"; echo "Xvfb did not start" >&2; return 1; }
    sleep 0.05
  done
  [ -s "$ready" ] || { rm -f "$ready"; echo "Xvfb did not become ready" >&2; return 1; }
  DISPLAY=":$(head -n1 "$ready")"
  export DISPLAY
  rm -f "$ready"
}

# wait_for_window TITLE: prints the id of the visible window with exactly this title.
wait_for_window() {
  local title=$1 id=""
  for _ in $(seq 1 600); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "window '$title' did not appear" >&2
  return 1
}

# focus_window ID: gives the window the keyboard focus and waits until it has it.
focus_window() {
  local id=$1
  for _ in $(seq 1 600); do
    xdotool windowfocus "$id" 2>/dev/null || true
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ] && return 0
    sleep 0.1
  done
  echo "window $id did not take the focus" >&2
  return 1
}
