#!/bin/sh
# The real program as a user meets it on a desktop (run inside run-under-xvfb.sh, with or without
# a window manager): typing right after the start, the error box and the version box above the
# stay-on-top window and closed by a click on their OK, compact mode and its restore from the
# start place and from the bottom-right corner, the clipboard both ways with xclip, Esc.
# The picture panel is compared with the headless driver's rendering of the same input.
# Usage: desktop_test.sh PROGRAM DRIVER [--late-wm openbox|icewm] [--translucency]
#   --late-wm: no window manager runs at the start; this one starts after the program, which
#              must stay undecorated and in place.
#   --translucency: a compositor runs; the compact square must be blended with the desktop.
set -u
program=$1
driver=$2
shift 2
late_wm=
translucency=no
while [ $# -gt 0 ]; do
  case "$1" in
    --late-wm) late_wm=$2; shift 2 ;;
    --translucency) translucency=yes; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d /tmp/orv-desktop.XXXXXX)
pid=
late_pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$late_pid" ] && kill "$late_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/checks.sh"
focus_by_click() {  # focus_by_click X Y: clicks there and waits up to 3 s for the focus to be on our window
  xdotool mousemove "$1" "$2" click 1
  n=0
  until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(printf %d "$id")" ] || [ $n -ge 30 ]; do n=$((n + 1)); sleep 0.1; done
}
until_geometry() {  # until_geometry WINDOW "X Y W H": waits up to 3 s, prints the last seen
  n=0
  while [ "$(geometry "$1")" != "$2" ] && [ $n -lt 30 ]; do n=$((n + 1)); sleep 0.1; done
  geometry "$1"
}
visible() {  # the first visible window of class $1
  xdotool search --onlyvisible --classname "^$1\$" 2>/dev/null | head -1
}
wait_visible() { find_window 100 --classname "^$1\$"; }  # waits up to 10 s (a loaded machine) for a visible window of class $1
wait_gone() {  # waits up to 3 s until no window of class $1 is visible; prints "gone" or "shown"
  n=0
  while [ -n "$(visible "$1")" ] && [ $n -lt 30 ]; do n=$((n + 1)); sleep 0.1; done
  [ -z "$(visible "$1")" ] && echo gone || echo shown
}
pixel() {  # "R G B" of the screen at X Y, as the screen shows it (composited)
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n '2s/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}
box_is_above() {  # box_is_above NAME BOX-WINDOW: the box's face shows where it overlaps the main window
  set -- "$1" $(geometry "$2")
  check "$1 above the main window" "$(pixel $(($2 + 4)) $(($3 + $5 - 4)))" "212 208 200"
}
click_ok() {  # clicks the OK button of box window $1 (75 x 23, centred, 12 pixels above the bottom)
  set -- $(geometry "$1")
  xdotool mousemove $(($1 + $3 / 2)) $(($2 + $4 - 12 - 11)) click 1
}

"$program" &
pid=$!
id=$(wait_visible TForm1)
[ -n "$id" ] || no_window "$pid" "TForm1 window"
start="690 416 540 247"
check "start place" "$(until_geometry "$id" "$start")" "$start"

# Typing right after the start reaches the length box, which has the focus.
xdotool type --delay 30 2500
sleep 0.3
check_panel "typed 2500 at once" "$id" 1 "type 2500" "$driver"

# A window manager started now leaves the window undecorated and where it is.
if [ -n "$late_wm" ]; then
  config=$work/wm-config
  mkdir -p "$config"
  case "$late_wm" in
    openbox) XDG_CONFIG_HOME=$config openbox --sm-disable >/dev/null 2>&1 & ;;
    icewm) echo "ShowTaskBar=0" >"$config/preferences"; ICEWM_PRIVCFG=$config icewm >/dev/null 2>&1 & ;;
  esac
  late_pid=$!
  n=0
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" || [ $n -gt 50 ]; do n=$((n + 1)); sleep 0.1; done
  sleep 1
  check "late $late_wm: place" "$(geometry "$id")" "$start"
  check "late $late_wm: no frame" "$(xprop -id "$id" _NET_FRAME_EXTENTS)" "_NET_FRAME_EXTENTS(CARDINAL) = 0, 0, 0, 0"
  # A window manager that starts takes the focus to itself; the user clicks the window again.
  focus_by_click 900 420
fi

# A count of 0: the error box opens above the stay-on-top window with the focus; a click on its
# OK closes it, Enter closes the second one, and typing goes on in the count box.
xdotool key Tab
xdotool type 0
box=$(wait_visible TMessageForm)
check "error box shown" "$( [ -n "$box" ] && echo yes)" yes
if [ -n "$box" ]; then
  sleep 0.3
  box_is_above "error box" "$box"
  click_ok "$box"
  check "error box closed by a click on OK" "$(wait_gone TMessageForm)" gone
fi
sleep 0.3
xdotool key BackSpace
xdotool type 0
box=$(wait_visible TMessageForm)
check "second error box shown" "$( [ -n "$box" ] && echo yes)" yes
sleep 0.3
xdotool key Return
check "error box closed by Enter" "$(wait_gone TMessageForm)" gone
sleep 0.3
xdotool key BackSpace
xdotool type 3
sleep 0.3
check_panel "typing after the boxes" "$id" 1 "type 2500
key Tab
type 0
ok
key Backspace
type 0
ok
key Backspace
type 3" "$driver"

# The version box of a second start stands above the running copy; OK ends that start, which
# leaves the running copy alone.
"$program" /acver &
second=$!
box=$(wait_visible TMessageForm)
check "version box shown" "$( [ -n "$box" ] && echo yes)" yes
if [ -n "$box" ]; then
  sleep 0.3
  box_is_above "version box" "$box"
  click_ok "$box"
fi
n=0
while kill -0 "$second" 2>/dev/null && [ $n -lt 30 ]; do n=$((n + 1)); sleep 0.1; done
kill -0 "$second" 2>/dev/null && { check "second start ended" running ended; kill "$second"; }
check "running copy untouched" "$(geometry "$id")" "$start"
focus_by_click 900 420  # the running copy's title bar: it is the active window again

# Compact mode, dragging and the clipboard; after a late window manager they show that the program
# still knows where its window is (the manager framed it and placed the frame afterwards).
# Compact and restore where the window stands.
xdotool mousemove 705 431 click 1
check "compact at the start place" "$(until_geometry "$id" "690 416 37 37")" "690 416 37 37"
if [ "$translucency" = yes ]; then
  sleep 0.5
  behind=$(pixel 600 300)
  set -- $behind
  expected=$(( (103 * 80 + $1 * 175 + 127) / 255 ))
  set -- $(pixel 692 418)
  blended=$( [ $(( $1 - expected )) -le 3 ] && [ $(( expected - $1 )) -le 3 ] && echo yes)
  check "compact square blended with the desktop ($behind behind, $1 seen, $expected expected)" "$blended" yes
fi
sleep 0.6
xdotool mousemove 705 431 click 1
check "restored at the start place" "$(until_geometry "$id" "$start")" "$start"

# Compact, drag the square into the bottom-right corner by its title bar, restore: pulled back.
sleep 0.6
xdotool mousemove 705 431 click 1
until_geometry "$id" "690 416 37 37" >/dev/null
xdotool mousemove 720 446 sleep 0.2 mousedown 1 sleep 0.1
for step in 1 2 3 4 5 6 7 8 9 10; do
  xdotool mousemove $((720 + step * 119)) $((446 + step * 62)) sleep 0.03
done
xdotool sleep 0.2 mouseup 1
# A window manager may keep the square off its own panels (icewm's taskbar): the program follows
# whatever place the square really got, and its restore button is where the square is.
set -- $(until_geometry "$id" "1880 1036 37 37")
case "$1 $2" in
  "1880 1036") check "square dragged into the corner" yes yes ;;
  *) echo "note: the window manager placed the dragged square at $1 $2" ;;
esac
check "square in the bottom-right corner" "$( [ "$1" -gt 1380 ] && [ "$2" -gt 833 ] && echo yes)" yes
sleep 0.6
xdotool mousemove $(($1 + 15)) $(($2 + 15)) click 1
check "restored and pulled back" "$(until_geometry "$id" "1380 833 540 247")" "1380 833 540 247"

# The clipboard both ways with another program.
printf 1234 | xclip -selection clipboard
sleep 0.2
set -- $(geometry "$id")
xdotool mousemove $(($1 + 100)) $(($2 + 215)) click 1  # the length box
sleep 0.6
xdotool key ctrl+a ctrl+v
sleep 0.3
check_panel "pasted from xclip" "$id" 1 "type 2500
key Tab
type 0
ok
key Backspace
type 0
ok
key Backspace
type 3
clip set 1234
click 100 215
key Ctrl+A
key Ctrl+V" "$driver"
xdotool type 5
xdotool key ctrl+a ctrl+c
sleep 0.3
check "copied to xclip" "$(timeout 5 xclip -o -selection clipboard)" 12345

check_esc_ends "$pid" 50
pid=

report
