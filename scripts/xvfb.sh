# Sourced by the scripts that need a display: starts Xvfb on the first free
# display number from $1 to $2 and exports DISPLAY; sets xvfb_pid, or leaves
# it empty when no server could start.
start_xvfb() {
  xvfb_pid=""
  local n
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      sleep 1
      kill -0 "$xvfb_pid" 2>/dev/null || xvfb_pid=""
      return
    fi
  done
}
