#!/bin/sh
# Builds what is missing and starts the program. Without a display it runs the program on a
# virtual X display, saves a screenshot and says where.
set -e
cd "$(dirname "$0")"
tools/setup/packages.sh run
[ -f build/build.ninja ] || cmake --preset default >/dev/null
cmake --build --preset default --target orvanta
if [ -n "$DISPLAY" ]; then
  exec build/bin/orvanta "$@"
fi
shot="$PWD/build/orvanta-screenshot.png"
display=":$(( 90 + $$ % 9 ))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display build/bin/orvanta "$@" &
app=$!
sleep 2
DISPLAY=$display import -window root -crop 540x247+690+416 "$shot"
echo "No display: ran orvanta on the virtual display $display; screenshot saved to $shot"
