#!/bin/sh
# The Windows program under Wine on a real X server with a window manager (run inside
# run-under-xvfb.sh --wm openbox): caption and centred 540 x 247 place, stay-on-top and no
# taskbar entry, a second start that ends at once with code 0 leaving the first alone, typing
# right after the start (the picture panel then equals the headless driver's), a click on the
# diagram that changes the style (again as the driver shows it), the compact square and its
# restore, and Esc ending the program with code 0.
# Usage: app_under_wine.sh WINE-RUN PREFIX ORVANTA.EXE ORVANTA-SCRIPT.EXE
# PREFIX is this test's own: Wine's server keeps the screen of the display it first served, so
# the test starts (and leaves) the prefix without a server.
set -u
wine_run="$1" prefix="$2" program="$3" driver="$4"
end_wine_server() { WINEPREFIX="$(realpath -m "$prefix")" /usr/lib/wine/wineserver -k 2>/dev/null || true; }
end_wine_server
. "$(dirname "$0")/../display/checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"; end_wine_server' EXIT
# The picture panel (client 3,36, 534 x 167) of the real window and of the driver's rendering.
real_panel() {
  set -- $(geometry "$id")
  import -window root -crop "534x167+$(($1 + 3))+$(($2 + 36))" +repage "$work/real.png"
}
headless_panel() {  # headless_panel SCRIPT-LINES
  printf '%s\nshot %s\n' "$1" "$work/headless-full.png" | sh "$wine_run" "$prefix" "$driver" >/dev/null
  convert "$work/headless-full.png" -crop 534x167+3+36 +repage "$work/headless.png"
}
panel_difference() { compare -metric AE "$work/real.png" "$work/headless.png" null: 2>&1; }

sh "$wine_run" "$prefix" "$program" &
pid=$!
id=
i=0
while [ -z "$id" ] && [ $i -lt 300 ]; do
  id=$(xdotool search --onlyvisible --name '^Orvanta$' 2>/dev/null | head -1)
  i=$((i + 1))
  sleep 0.1
done
if [ -z "$id" ]; then
  echo "FAIL: no visible window captioned Orvanta"
  kill "$pid" 2>/dev/null
  echo "0 passed, 1 failed"
  exit 1
fi

# Typing right after the start reaches the length box.
xdotool type --delay 50 2500
sleep 0.5
check caption "$(xprop -id "$id" _NET_WM_NAME)" '_NET_WM_NAME(UTF8_STRING) = "Orvanta"'
states=$(xprop -id "$id" _NET_WM_STATE)
for state in ABOVE SKIP_TASKBAR; do
  case "$states" in *"_NET_WM_STATE_$state"*) check "state $state" yes yes ;; *) check "state $state" "$states" "_NET_WM_STATE_$state" ;; esac
done
screen=$(xdpyinfo | awk '/dimensions:/{print $2}')
sw=${screen%x*}
sh=${screen#*x}
start_place="$(( (sw - 540) / 2 )) $(( (sh - 247) / 2 )) 540 247"
check "centred place and size" "$(geometry "$id")" "$start_place"

real_panel
headless_panel 'type 2500'
check "typed 2500: picture panel as rendered headless" "$(panel_difference)" 0

# A second start finds the first by class and caption and ends at once, touching nothing.
timeout 60 sh "$wine_run" "$prefix" "$program"
check "second start exit code" "$?" 0
check "first copy untouched" "$(geometry "$id")" "$start_place"
check "first copy still running" "$(kill -0 "$pid" 2>/dev/null && echo yes)" yes

# A click on the diagram shows the next style.
set -- $(geometry "$id")
xdotool mousemove $(($1 + 3 + 100)) $(($2 + 36 + 100)) sleep 0.2 click 1 sleep 0.8
real_panel
headless_panel "$(printf 'type 2500\nclick 103 136')"
check "click on the diagram: next style as rendered headless" "$(panel_difference)" 0

# The arrow button makes the compact square and gives the whole window back.
xdotool mousemove $(($1 + 18)) $(($2 + 18)) sleep 0.2 click 1 sleep 0.8
check "compact square" "$(geometry "$id")" "$1 $2 37 37"
xdotool mousemove $(($1 + 20)) $(($2 + 20)) sleep 0.7 click 1 sleep 0.8
check "restored" "$(geometry "$id")" "$start_place"

xdotool key Escape
i=0
while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do
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
