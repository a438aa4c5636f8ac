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
id=$(find_window 100 --classname '^TForm1$')
[ -n "$id" ] || no_window "$pid" "TForm1 window"
sleep 0.5

check class "$(xprop -id "$id" WM_CLASS)" 'WM_CLASS(STRING) = "TForm1", "TForm1"'
check caption "$(xprop -id "$id" _NET_WM_NAME)" '_NET_WM_NAME(UTF8_STRING) = "Orvanta"'
check_states "$id" ABOVE SKIP_TASKBAR SKIP_PAGER
check "centred place and size" "$(geometry "$id")" "$(centred 540 247)"

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
drag $((x + 100)) $((y + 15)) 100 50
check "dragged place" "$(geometry "$id")" "$((x + 100)) $((y + 50)) 540 247"

# Typing over the selected length: the real window shows what the headless program shows.
if [ -n "$driver" ]; then
  xdotool type --delay 50 2500
  sleep 0.5
  check_panel "typed 2500" "$id" 1 "type 2500" "$driver"
fi

check_esc_ends "$pid" 50

report
