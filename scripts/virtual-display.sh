# Sourced, not run. start_virtual_display FIRST LAST: where no reachable X
# display is set, starts Xvfb on the first free display number from FIRST to
# LAST, waits until it answers, and exports DISPLAY; sets virtual_display_pid
# (empty when an existing display serves). stop_virtual_display ends it.
virtual_display_pid=""
start_virtual_display() {
  local first=$1 last=$2 n display=""
  # A display that is set but cannot be reached counts as none.
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  for n in $(seq "$first" "$last"); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      display=":$n"
      break
    fi
  done
  [ -n "$display" ] || { echo "no free X display number between :$first and :$last" >&2; return 1; }
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  virtual_display_pid=$!
  export DISPLAY=$display
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    kill -0 "$virtual_display_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "Xvfb did not start on $display" >&2
  return 1
}
stop_virtual_display() {
  [ -n "$virtual_display_pid" ] && kill "$virtual_display_pid" >/dev/null 2>&1
  virtual_display_pid=""
  return 0
}
