#!/usr/bin/env bash
# The demo without a display, and losing it: either way the program ends with
# status 1, promptly, instead of running on where nobody can see or close it.
# Usage: demo_display_test.sh DEMO_BINARY DEMO_DIR none|lost
#   none  no DISPLAY: the demo's one line on stderr and status 1.
#   lost  the demo on an Xvfb of its own, which is then killed (three times).
# Exits 77 (skipped) when Xvfb or xdotool is missing for "lost".
set -u
demo=$1
dir=$2
mode=$3
cd "$dir"
tmp=$(mktemp -d)
pids=""
trap 'for p in $pids; do kill -9 $p 2>/dev/null; done; rm -rf "$tmp"' EXIT

# Waits up to $2 tenths of a second for process $1 to end; sets status to its
# exit status, or to "still running".
waitend() {
  status="still running"
  for _ in $(seq "$2"); do
    if ! kill -0 "$1" 2>/dev/null; then wait "$1"; status=$?; return; fi
    sleep 0.1
  done
}

if [ "$mode" = none ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$demo" 2>"$tmp/err" & pid=$!
  pids=$pid
  waitend $pid 50
  [ "$status" = 1 ] || { echo "FAIL: with no display the demo gave '$status', expected status 1"; exit 1; }
  grep -q "^zarvo demo: cannot open the 640x480 window: no display$" "$tmp/err" || {
    echo "FAIL: the demo's line is missing; stderr was:"; cat "$tmp/err"; exit 1; }
  echo "ok: no display, the demo's line and status 1"
  exit 0
fi

for t in Xvfb xdotool; do
  command -v $t >/dev/null || { echo "skipped: $t is not installed"; exit 77; }
done
for trial in 1 2 3; do
  # An X server of our own on a free display number, so killing it touches nothing else.
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null & xpid=$!
  pids="$pids $xpid"
  for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
  display=:$(cat "$tmp/display")
  DISPLAY=$display "$demo" 2>"$tmp/err" & pid=$!
  pids="$pids $pid"
  for _ in $(seq 50); do
    DISPLAY=$display xdotool search --name "screen transitions demo" >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 0.$((trial * 3))  # inside the first transition, when every pass presents
  kill -9 $xpid
  waitend $pid 50
  [ "$status" = 1 ] || {
    echo "FAIL: trial $trial: 5 s after its X server died the demo gave '$status', expected status 1"
    cat "$tmp/err"; exit 1; }
  : >"$tmp/display"
done
echo "ok: the demo ended with status 1 each time its X server was killed"
