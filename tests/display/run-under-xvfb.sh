#!/bin/sh
# Runs a command on a private X server: Xvfb on a display number it picks itself (free at that
# moment), 1920x1080 with 24-bit colour, optionally with a window manager (openbox or icewm) and
# the xcompmgr compositor.
# Usage: run-under-xvfb.sh [--wm none|openbox|icewm] [--compositor] [--] COMMAND [ARG...]
# The exit status is the command's; the server, window manager and compositor are ended afterwards.
set -u

wm=none
compositor=no
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm="$2"; shift 2 ;;
    --compositor) compositor=yes; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--wm none|openbox|icewm] [--compositor] [--] COMMAND [ARG...]" >&2; exit 2; }

for tool in Xvfb xdpyinfo; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is not installed" >&2; exit 1; }
done
for tool in $( [ "$wm" != none ] && echo "$wm") $( [ "$compositor" = yes ] && echo xcompmgr); do
  command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d /tmp/orv-xvfb.XXXXXX)
xvfb_pid=
wm_pid=
compositor_pid=
cleanup() {
  [ -n "$compositor_pid" ] && kill "$compositor_pid" 2>/dev/null
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

# Starts window manager $1 with a private configuration (the user's own settings play no part)
# and waits until it has taken the screen.
start_wm() {
  mkdir -p "$work/config" "$work/icewm"
  case "$1" in
    openbox) XDG_CONFIG_HOME="$work/config" openbox --sm-disable >"$work/wm.log" 2>&1 & ;;
    # Without its taskbar: icewm keeps windows off the taskbar, which would move a window that
    # the program's rules place at the bottom edge of the screen.
    icewm) echo "ShowTaskBar=0" >"$work/icewm/preferences"
           ICEWM_PRIVCFG="$work/icewm" icewm >"$work/wm.log" 2>&1 & ;;
    *) echo "$0: unknown window manager $1" >&2; return 1 ;;
  esac
  wm_pid=$!
  i=0
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$wm_pid" 2>/dev/null; then
      echo "$0: $1 did not start" >&2
      cat "$work/wm.log" >&2
      return 1
    fi
    sleep 0.1
  done
}

if [ "$wm" != none ]; then
  start_wm "$wm" || exit 1
fi
if [ "$compositor" = yes ]; then
  xcompmgr >"$work/compositor.log" 2>&1 &
  compositor_pid=$!
  sleep 0.5  # it has redirected the screen by then; nothing announces it to a shell
fi

"$@"
