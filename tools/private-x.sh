# Sourced by scripts that work in a private X server. Gives them $work, a
# temporary folder, and start_private_x, which starts Xvfb on a display it
# picks itself, names it in DISPLAY and its pid in x_server. When the script
# ends, every pid in pids is stopped and $work removed: no server is left.
work="$(mktemp -d)"
# The deck's settings for this run are its own: never read or write the user's.
export XDG_CONFIG_HOME="$work/config"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_private_x() {
  Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  x_server=$!
  pids+=("$x_server")
  while [ ! -s "$work/display" ]; do sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
}
