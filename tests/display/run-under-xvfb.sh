#!/bin/sh
# Runs a command on a private X server: Xvfb on a display number it picks itself (free at that
# moment), 1920x1080 with 24-bit colour, optionally with the openbox window manager.
# Usage: run-under-xvfb.sh [--wm none|openbox] [--] COMMAND [ARG...]
# The exit status is the command's; the server and the window manager are ended afterwards.
set -u

wm=none
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--wm none|openbox] [--] COMMAND [ARG...]" >&2; exit 2; }

for tool in Xvfb xdpyinfo; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is not installed" >&2; exit 1; }
done
if [ "$wm" = openbox ] && ! command -v openbox >/dev/null 2>&1; then
  echo "$0: openbox is not installed" >&2
  exit 1
fi

work=$(mktemp -d /tmp/orv-xvfb.XXXXXX)
xvfb_pid=
wm_pid=
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$wm_pid" ] && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd: the server takes the first free display number and writes it out once it listens.
# -noreset: without it the server resets whenever its last client leaves, and a client that
# connects during the reset is refused.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
i=0
while [ ! -s "$work/display" ]; do
  i=$((i + 1))
  if [ $i -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "$0: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  sleep 0.1
done
DISPLAY=":$(cat "$work/display")"
export DISPLAY
xdpyinfo >/dev/null 2>&1 || { echo "$0: no answer from $DISPLAY" >&2; exit 1; }

if [ "$wm" = openbox ]; then
  # A private configuration directory: the user's own openbox settings play no part.
  XDG_CONFIG_HOME="$work/config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  i=0
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$wm_pid" 2>/dev/null; then
      echo "$0: openbox did not start" >&2
      cat "$work/openbox.log" >&2
      exit 1
    fi
    sleep 0.1
  done
fi

"$@"
