#!/bin/sh
# The Windows program under Wine on a desktop at 200 % (a prefix whose LogPixels is 192; run
# inside run-under-xvfb.sh --wm openbox): the window opens at 1080 x 494 device pixels, centred
# on the screen, takes typing and clicks in its logical pixels, and shows the picture panel
# exactly as the headless driver renders it at scale 2; Esc ends it; ORVANTA_SCALE=1 overrides
# the DPI and gives 540 x 247.
# Usage: scale_under_wine.sh WINE-RUN PREFIX ORVANTA.EXE ORVANTA-SCRIPT.EXE
# PREFIX is this test's own (its DPI differs from every other prefix of the build).
set -u
wine_run="$1" prefix="$2" program="$3" driver="$4"
end_wine_server() { WINEPREFIX="$(realpath -m "$prefix")" /usr/lib/wine/wineserver -k 2>/dev/null || true; }
end_wine_server
. "$(dirname "$0")/../display/checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"; end_wine_server' EXIT

# The desktop's DPI: Wine reads the user's setting and falls back to the machine's; both say
# 192. A program reads it when it starts.
for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
  sh "$wine_run" "$prefix" reg add "$key" /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
done
end_wine_server

# The picture panel (logical 3,36, 534 x 167; device 6,72, 1068 x 334) of the real window and of
# the driver's rendering at scale 2.
real_panel() {
  set -- $(geometry "$id")
  import -window root -crop "1068x334+$(($1 + 6))+$(($2 + 72))" +repage "$work/real.png"
}
headless_panel() {  # headless_panel SCRIPT-LINES
  printf '%s\nshot %s\n' "$1" "$work/headless-full.png" | sh "$wine_run" "$prefix" "$driver" --scale 2 >/dev/null
  convert "$work/headless-full.png" -crop 1068x334+6+72 +repage "$work/headless.png"
}
panel_difference() { compare -metric AE "$work/real.png" "$work/headless.png" null: 2>&1; }
# Starts the program and waits for its window: sets pid and id.
start() {
  sh "$wine_run" "$prefix" "$program" &
  pid=$!
  id=
  i=0
  while [ -z "$id" ] && [ $i -lt 300 ]; do
    id=$(xdotool search --onlyvisible --name '^Orvanta$' 2>/dev/null | head -1)
    i=$((i + 1))
    sleep 0.1
  done
  sleep 0.5
}
# Waits up to five seconds for the program to end; sets ended to "ended CODE" or "running".
await_end() {
  i=0
  while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do
    i=$((i + 1))
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    ended=running
  else
    wait "$pid"
    ended="ended $?"
  fi
}

screen=$(xdpyinfo | awk '/dimensions:/{print $2}')
sw=${screen%x*}
sh=${screen#*x}
ORVANTA_SCALE= start
if [ -z "$id" ]; then
  echo "FAIL: no visible window captioned Orvanta"
  kill "$pid" 2>/dev/null
  echo "0 passed, 1 failed"
  exit 1
fi
# Centred on the screen in logical pixels (half the device size), then doubled.
check "at 200 %" "$(geometry "$id")" "$(( (sw / 2 - 540) / 2 * 2 )) $(( (sh / 2 - 247) / 2 * 2 )) 1080 494"

xdotool type --delay 50 2500
sleep 0.5
real_panel
headless_panel 'type 2500'
check "typed 2500: picture panel as rendered headless at 2x" "$(panel_difference)" 0

# A click on the diagram (logical 103, 136: device 206, 272 of the client area) shows the next
# style.
set -- $(geometry "$id")
xdotool mousemove $(($1 + 206)) $(($2 + 272)) sleep 0.2 click 1 sleep 0.8
real_panel
headless_panel "$(printf 'type 2500\nclick 103 136')"
check "click on the diagram: next style as rendered headless at 2x" "$(panel_difference)" 0

xdotool key Escape
await_end
check "Esc ends the program" "$ended" "ended 0"

ORVANTA_SCALE=1 start
check "overridden to 100 %" "$(geometry "$id")" "$(( (sw - 540) / 2 )) $(( (sh - 247) / 2 )) 540 247"
kill "$pid"
wait "$pid" 2>/dev/null
report
