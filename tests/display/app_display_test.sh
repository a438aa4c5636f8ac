#!/bin/sh
# The real program on a real X server (run inside run-under-xvfb.sh): window class and caption,
# centred place and size, stay-on-top and no-taskbar states, a second start that ends at once and
# leaves the first alone, a drag by the title bar, and Esc ending the program with code 0.
# With the headless driver as second argument it also types a length and compares the real
# window's picture panel with the driver's rendering of the same input, pixel for pixel.
# Usage: app_display_test.sh PATH-TO-ORVANTA [PATH-TO-ORVANTA-SCRIPT]
set -u
program="$1"
driver="${2:-}"
. "$(dirname "$0")/checks.sh"

"$program" &
pid=$!
id=
i=0
while [ -z "$id" ] && [ $i -lt 100 ]; do
  id=$(xdotool search --onlyvisible --classname '^TForm1$' 2>/dev/null | head -1)
  i=$((i + 1))
  sleep 0.1
done
if [ -z "$id" ]; then
  echo "FAIL: no visible TForm1 window"
  kill "$pid" 2>/dev/null
  echo "0 passed, 1 failed"
  exit 1
fi
sleep 0.5

check class "$(xprop -id "$id" WM_CLASS)" 'WM_CLASS(STRING) = "TForm1", "TForm1"'
check caption "$(xprop -id "$id" _NET_WM_NAME)" '_NET_WM_NAME(UTF8_STRING) = "Orvanta"'
states=$(xprop -id "$id" _NET_WM_STATE)
for state in ABOVE SKIP_TASKBAR SKIP_PAGER; do
  case "$states" in *"_NET_WM_STATE_$state"*) check "state $state" yes yes ;; *) check "state $state" "$states" "_NET_WM_STATE_$state" ;; esac
done
screen=$(xdpyinfo | awk '/dimensions:/{print $2}')
sw=${screen%x*}
sh=${screen#*x}
check "centred place and size" "$(geometry "$id")" "$(( (sw - 540) / 2 )) $(( (sh - 247) / 2 )) 540 247"

# A second start finds the first by class and caption and ends at once, touching nothing.
before=$(geometry "$id")
timeout 10 "$program"
check "second start exit code" "$?" 0
check "first copy untouched" "$(geometry "$id")" "$before"
check "first copy still running" "$(kill -0 "$pid" 2>/dev/null && echo yes)" yes

# Drag by the title bar's middle: the window moves by exactly the pointer's way.
set -- $(geometry "$id")
x=$1
y=$2
xdotool mousemove $((x + 100)) $((y + 15)) sleep 0.2 mousedown 1 sleep 0.05
step=1
while [ $step -le 20 ]; do
  xdotool mousemove $((x + 100 + step * 5)) $((y + 15 + step * 5 / 2))
  step=$((step + 1))
done
xdotool sleep 0.1 mouseup 1 sleep 0.3
check "dragged place" "$(geometry "$id")" "$((x + 100)) $((y + 50)) 540 247"

# Typing over the selected length: the real window shows what the headless program shows.
if [ -n "$driver" ] && command -v compare >/dev/null; then
  work=$(mktemp -d)
  xdotool type --delay 50 2500
  sleep 0.5
  import -window "$id" "$work/real.png"
  printf 'type 2500\nshot %s\n' "$work/headless.png" | "$driver" >/dev/null
  for f in real headless; do convert "$work/$f.png" -crop 534x167+3+36 +repage "$work/$f-panel.png"; done
  differing=$(compare -metric AE "$work/real-panel.png" "$work/headless-panel.png" null: 2>&1)
  check "typed 2500: picture panel as rendered headless" "$differing" 0
  rm -rf "$work"
fi

xdotool key Escape
i=0
while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do
  i=$((i + 1))
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  check "Esc ends the program" running ended
  kill "$pid"
else
  wait "$pid"
  check "exit code after Esc" "$?" 0
fi

report
