# A save killed at a random moment: sourced by the checks that kill the editor while it writes.
exec {kill_tick}<> <(:)  # a read from it with a timeout is a short pause without a process

# Waits until a file matching one of the globs appears (the save has begun), the program ends
# or two minutes pass, then kills PID within 0 to 9 ms more and reaps it; `when` says which.
kill_during_save() {  # PID GLOB...
  local pid=$1 glob
  shift
  local deadline=$((SECONDS + 120))
  when="during the save"
  while :; do
    for glob in "$@"; do compgen -G "$glob" > /dev/null && break 2; done
    kill -0 "$pid" 2> /dev/null && [ $SECONDS -lt $deadline ] || { when="after the program ended"; break; }
    read -r -t 0.002 -u "$kill_tick" _ || true
  done
  read -r -t "0.00$((RANDOM % 10))" -u "$kill_tick" _ || true
  kill -9 "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
}
