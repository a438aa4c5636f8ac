#!/bin/sh
# The real program on an X server whose resource database says Xft.dpi: 192 (a desktop at
# 200 %; run inside run-under-xvfb.sh): the window opens at 1080 x 494 device pixels, centred on
# the screen, follows a drag of its title bar, takes typing, shows the picture panel as the
# headless program at scale 2 renders it, and ends on Esc; ORVANTA_SCALE=1 overrides the database
# and gives 540 x 247. A change of Xft.dpi while it runs redraws it at the new scale in place.
# Usage: scale_display_test.sh PATH-TO-ORVANTA PATH-TO-ORVANTA-SCRIPT
set -u
program="$1"
driver="$2"
. "$(dirname "$0")/checks.sh"
# Starts the program and waits for its window: sets pid and id.
start() {
  "$program" &
  pid=$!
  id=$(find_window 100 --classname '^TForm1$')
  sleep 0.3
}
stop() {
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t192\n')"
set -- $(screen_size)
sw=$1
sh=$2
# Centred on the screen in logical pixels (half the device size), then doubled.
ORVANTA_SCALE= start
check "at 200 %" "$(geometry "$id")" "$(( (sw / 2 - 540) / 2 * 2 )) $(( (sh / 2 - 247) / 2 * 2 )) 1080 494"

# A drag by the title bar moves the window by the pointer's way in device pixels.
set -- $(geometry "$id")
x=$1
y=$2
drag $((x + 200)) $((y + 30)) 200 100
check "dragged place" "$(geometry "$id")" "$((x + 200)) $((y + 100)) 1080 494"

# Typing over the selected length: the picture panel as the headless program draws it at 2x.
xdotool type --delay 50 2500
sleep 0.5
check_panel "typed 2500 at 2x" "$id" 2 "type 2500" "$driver"

check_esc_ends "$pid" 50

ORVANTA_SCALE=1 start
check "overridden to 100 %" "$(geometry "$id")" "$(centred 540 247)"
stop

# The desktop changes its scale while the program runs: the window keeps its place and what was
# typed, and is drawn again at the new scale.
xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t96\n')"
start
set -- $(geometry "$id")
check "opened at 100 %" "$3 $4" "540 247"
xdotool type --delay 50 2500
xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t192\n')"
i=0
while [ "$(geometry "$id")" != "$1 $2 1080 494" ] && [ $i -lt 30 ]; do i=$((i + 1)); sleep 0.1; done
check "changed to 200 % in place" "$(geometry "$id")" "$1 $2 1080 494"
sleep 0.3
check_panel "typed 2500, then at 2x" "$id" 2 "type 2500" "$driver"
stop
report
