#!/bin/sh
# titlebar_drag.sh PROGRAM: drags the flat title bar of the real program with xdotool and checks
# that its window moved by exactly the distance the pointer travelled (in one jump and in many
# small steps, both ways), and that a right-button drag does not move it.
#
# Runs on the X server named by DISPLAY. Without DISPLAY it runs itself on a private Xvfb
# (run-under-xvfb.sh beside it), once without a window manager and once under openbox.
# Exit status: 0 passed, 1 failed, 77 a tool is missing.
set -u

[ $# -eq 1 ] || { echo "usage: $0 PROGRAM" >&2; exit 2; }
program=$1
here=$(cd "$(dirname "$0")" && pwd)

for tool in xdotool xwininfo; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is not installed" >&2; exit 77; }
done

if [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null 2>&1 || { echo "$0: Xvfb is not installed" >&2; exit 77; }
  status=0
  for wm in none openbox; do
    echo "== window manager: $wm"
    sh "$here/run-under-xvfb.sh" --wm "$wm" -- sh "$0" "$program" || status=1
  done
  exit $status
fi

program_pid=
cleanup() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$program" &
program_pid=$!

# The main window: class TForm1, mapped.
window=
i=0
while [ -z "$window" ]; do
  i=$((i + 1))
  [ $i -le 100 ] || fail "no window of class TForm1 appeared"
  kill -0 "$program_pid" 2>/dev/null || fail "the program ended"
  window=$(xdotool search --onlyvisible --class '^TForm1$' 2>/dev/null | head -n 1)
  [ -n "$window" ] || sleep 0.1
done

# The window's top-left corner on the screen, "X Y".
position() {
  xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}'
}

# Waits until the window stands at X Y (a window manager applies moves a little later).
expect_position() {
  n=0
  while [ "$(position)" != "$1 $2" ]; do
    n=$((n + 1))
    [ $n -le 30 ] || fail "$3: the window is at $(position), expected $1 $2"
    sleep 0.1
  done
  echo "ok: $3 ($1 $2)"
}

# Drags with BUTTON from the bar's point (100, 15) in STEPS moves of (DX, DY) each.
drag() {
  button=$1 steps=$2 dx=$3 dy=$4
  set -- $(position)
  xdotool mousemove "$(($1 + 100))" "$(($2 + 15))"
  sleep 0.2
  xdotool mousedown "$button"
  sleep 0.1
  k=0
  while [ $k -lt "$steps" ]; do
    xdotool mousemove_relative -- "$dx" "$dy"
    sleep 0.03
    k=$((k + 1))
  done
  sleep 0.2
  xdotool mouseup "$button"
  sleep 0.2
}

# The program centres its 540 x 247 window on the screen; wait until it stands still there.
sleep 0.5
set -- $(position)
x=$1 y=$2
[ -n "$x" ] && [ -n "$y" ] || fail "cannot read the window's position"
echo "start: $x $y"

drag 1 1 10 -5
x=$((x + 10)) y=$((y - 5))
expect_position "$x" "$y" "drag by (+10, -5)"

drag 1 30 5 3
x=$((x + 150)) y=$((y + 90))
expect_position "$x" "$y" "drag by (+150, +90) in 30 steps"

drag 1 40 -7 -4
x=$((x - 280)) y=$((y - 160))
expect_position "$x" "$y" "drag by (-280, -160) in 40 steps"

drag 3 10 6 6
sleep 0.3
expect_position "$x" "$y" "a right-button drag leaves the window"

echo "PASS"
