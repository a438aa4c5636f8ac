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
trap end_wine_server EXIT
wine_driver() { sh "$wine_run" "$prefix" "$driver" "$@"; }

sh "$wine_run" "$prefix" "$program" &
pid=$!
id=$(find_window 300 --name '^Orvanta$')
[ -n "$id" ] || no_window "$pid" "window captioned Orvanta"

# Typing right after the start reaches the length box.
xdotool type --delay 50 2500
sleep 0.5
check caption "$(xprop -id "$id" _NET_WM_NAME)" '_NET_WM_NAME(UTF8_STRING) = "Orvanta"'
check_states "$id" ABOVE SKIP_TASKBAR
start_place=$(centred 540 247)
check "centred place and size" "$(geometry "$id")" "$start_place"

check_panel "typed 2500" "$id" 1 "type 2500" wine_driver

# A second start finds the first by class and caption and ends at once, touching nothing.
timeout 60 sh "$wine_run" "$prefix" "$program"
check "second start exit code" "$?" 0
check "first copy untouched" "$(geometry "$id")" "$start_place"
check "first copy still running" "$(kill -0 "$pid" 2>/dev/null && echo yes)" yes

# A click on the diagram shows the next style.
set -- $(geometry "$id")
xdotool mousemove $(($1 + 3 + 100)) $(($2 + 36 + 100)) sleep 0.2 click 1 sleep 0.8
check_panel "click on the diagram: next style" "$id" 1 "$(printf 'type 2500\nclick 103 136')" wine_driver

# The arrow button makes the compact square and gives the whole window back.
xdotool mousemove $(($1 + 18)) $(($2 + 18)) sleep 0.2 click 1 sleep 0.8
check "compact square" "$(geometry "$id")" "$1 $2 37 37"
xdotool mousemove $(($1 + 20)) $(($2 + 20)) sleep 0.7 click 1 sleep 0.8
check "restored" "$(geometry "$id")" "$start_place"

check_esc_ends "$pid" 100

report
