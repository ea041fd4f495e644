#!/bin/sh
# Runs a window program (`make run` passes build/default/app/pelorix).
# With a display (DISPLAY or WAYLAND_DISPLAY set) it simply runs there.
# Without one it starts a virtual X server (Xvfb) on a free display and a VNC
# server (x11vnc) on a free port, reachable from this machine only, runs the
# program there, and stops both again when the program ends or on Ctrl+C.
#   run-window.sh <program> [arguments...]
set -u

if [ $# -lt 1 ]; then
  echo "usage: $0 <program> [arguments...]" >&2
  exit 2
fi
program=$1
shift
if [ ! -x "$program" ]; then
  echo "$program has not been built." >&2
  exit 1
fi
name=$(basename "$program")
case $name in pelorix) name=Pelorix ;; esac

# Ctrl+C is the way to stop the program here, not a failure for make to report.
trap 'exit 0' INT
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$program" "$@"
  exit
fi

for tool in Xvfb x11vnc; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "There is no display, and $tool, which would provide one, is not installed (make deps installs it)." >&2
    exit 1
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pelorix-run.XXXXXX") || exit 1
xvfb_pid=""
vnc_pid=""
stop_servers() {
  # Only the servers this script started, by their process ids.
  for pid in $vnc_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  vnc_pid=""
  xvfb_pid=""
  rm -rf "$work"
}
fail() {
  echo "$1" >&2
  [ -s "$2" ] && sed 's/^/  /' "$2" >&2
  stop_servers
  exit 1
}
# Ctrl+C reaches the program, which ends; the servers run in sessions of
# their own, so they outlive it and are stopped here.
trap 'stop_servers; exit 0' INT
trap 'stop_servers; exit 143' TERM
trap 'stop_servers; exit 129' HUP

# Xvfb picks a free display itself and writes its number once it accepts clients.
setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
tries=0
until [ -s "$work/display" ]; do
  kill -0 "$xvfb_pid" 2>/dev/null || fail "The virtual X server (Xvfb) did not start:" "$work/xvfb.log"
  tries=$((tries + 1))
  [ $tries -gt 100 ] && fail "The virtual X server (Xvfb) did not start within 10 seconds:" "$work/xvfb.log"
  sleep 0.1
done
display=:$(tr -dc 0-9 <"$work/display")

# x11vnc takes the first free port from 5900 on and prints it as PORT=n.
setsid x11vnc -display "$display" -localhost -autoport 5900 -forever -shared -nopw \
  >"$work/vnc.out" 2>"$work/vnc.log" &
vnc_pid=$!
tries=0
until grep -q '^PORT=' "$work/vnc.out" 2>/dev/null; do
  kill -0 "$vnc_pid" 2>/dev/null || fail "The VNC server (x11vnc) did not start:" "$work/vnc.log"
  tries=$((tries + 1))
  [ $tries -gt 100 ] && fail "The VNC server (x11vnc) did not start within 10 seconds:" "$work/vnc.log"
  sleep 0.1
done
port=$(sed -n 's/^PORT=\([0-9]*\).*/\1/p' "$work/vnc.out" | head -n 1)

echo "$name is running on display $display; connect a VNC viewer to 127.0.0.1:$port; Ctrl+C stops it."
# A session without a display often has no runtime folder either; lend ours.
DISPLAY=$display XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work} "$program" "$@"
status=$?
stop_servers
exit $status
