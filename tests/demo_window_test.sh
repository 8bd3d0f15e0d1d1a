#!/usr/bin/env bash
# The demo in a real window: title, hover and click on the next button, the
# transition, screen 2's background on screen, Escape and exit status 1.
# Usage: demo_window_test.sh DEMO_BINARY DEMO_DIR. Exits 77 (skipped) without
# a display or the X tools.
set -u
demo=$1
dir=$2
if [ -z "${DISPLAY:-}" ]; then echo "skipped: no display (run under xvfb-run)"; exit 77; fi
for t in xdotool import convert; do
  command -v $t >/dev/null || { echo "skipped: $t is not installed"; exit 77; }
done
tmp=$(mktemp -d)
trap 'kill $pid 2>/dev/null; rm -rf "$tmp"' EXIT

cd "$dir"
"$demo" & pid=$!

# The window and where it is. SDL may replace the first X window while it
# picks a renderer, so a window that has gone is looked up again.
findwindow() {
  local geometry
  for _ in $(seq 50); do
    wid=$(xdotool search --name "^ZarvoGameEngine screen transitions demo$" 2>/dev/null | tail -1)
    if [ -n "$wid" ] && geometry=$(xdotool getwindowgeometry --shell "$wid" 2>/dev/null); then
      eval "$geometry"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
wid=""
findwindow || { echo "FAIL: no window titled 'ZarvoGameEngine screen transitions demo'"; exit 1; }
sleep 2.5  # the first screen's own transition

# Average colour of a 40x40 patch at the top left, as "r g b" in 0..255.
patch() {
  convert "$1" -crop 40x40+10+10 +repage -scale 1x1\! -format '%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]' info:
}
near() {  # near "r g b" "r g b"
  read -r a b c <<<"$1"; read -r x y z <<<"$2"
  [ $(( (a-x)*(a-x) + (b-y)*(b-y) + (c-z)*(c-z) )) -le 75 ]
}

findwindow || { echo "FAIL: the demo's window went away"; exit 1; }
import -window root -crop 640x480+$X+$Y +repage "$tmp/one.png"
want1=$(patch images/background1.png)
got1=$(patch "$tmp/one.png")
near "$got1" "$want1" || { echo "FAIL: screen 1 shows $got1, its background is $want1"; exit 1; }

# Onto the next button (drawn at 526,220, 64x41; the cursor's corner, 5,5 from
# the pointer, is the point tested), then click.
xdotool mousemove --window "$wid" 545 230
sleep 0.3
xdotool mousemove --window "$wid" 551 235
sleep 0.3
xdotool click 1
sleep 3

import -window root -crop 640x480+$X+$Y +repage "$tmp/two.png"
want2=$(patch images/background2.png)
got2=$(patch "$tmp/two.png")
near "$got2" "$want2" || { echo "FAIL: after the click the screen shows $got2, screen 2's background is $want2"; exit 1; }

xdotool key --window "$wid" Escape
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
wait $pid
status=$?
[ $status -eq 1 ] || { echo "FAIL: exit status $status, expected 1"; exit 1; }
echo "ok: title, screen 1, click, screen 2, Escape, exit status 1"
