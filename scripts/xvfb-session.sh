# Sourced by the screenshot scripts, after they set $scratch: at exit the program started ($app),
# Xvfb and $scratch go; start_xvfb runs Xvfb on a display it chooses itself (-displayfd) and
# exports DISPLAY, the program then started on it alone.
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

start_xvfb() {
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$scratch/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$scratch/display")
}
