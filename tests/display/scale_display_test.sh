#!/bin/sh
# The real program on an X server whose resource database says Xft.dpi: 192 (a desktop at
# 200 %; run inside run-under-xvfb.sh): the window opens at 1080 x 494 device pixels, centred on
# the screen; ORVANTA_SCALE=1 overrides the database and gives 540 x 247.
# Usage: scale_display_test.sh PATH-TO-ORVANTA
set -u
program="$1"
passed=0
failed=0
check() {  # check NAME ACTUAL EXPECTED
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $1: got '$2', expected '$3'"
  fi
}
geometry() {  # prints "X Y WIDTH HEIGHT" of window $1
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
                           /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
# Starts the program, prints its window's geometry, ends it.
run() {
  "$program" &
  pid=$!
  id=
  i=0
  while [ -z "$id" ] && [ $i -lt 100 ]; do
    id=$(xdotool search --onlyvisible --classname '^TForm1$' 2>/dev/null | head -1)
    i=$((i + 1))
    sleep 0.1
  done
  sleep 0.3
  [ -n "$id" ] && geometry "$id"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t192\n')"
screen=$(xdpyinfo | awk '/dimensions:/{print $2}')
sw=${screen%x*}
sh=${screen#*x}
# Centred on the screen in logical pixels (half the device size), then doubled.
check "at 200 %" "$(ORVANTA_SCALE= run)" "$(( (sw / 2 - 540) / 2 * 2 )) $(( (sh / 2 - 247) / 2 * 2 )) 1080 494"
check "overridden to 100 %" "$(ORVANTA_SCALE=1 run)" "$(( (sw - 540) / 2 )) $(( (sh - 247) / 2 )) 540 247"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
