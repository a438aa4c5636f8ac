# Shared by the shell tests of real windows (sourced): counting checks, finding and placing
# windows, the picture panel against the headless driver's, and Esc at the end. `report` ends a
# test: it prints the count and fails when any check failed.
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
geometry() {  # prints "X Y WIDTH HEIGHT" of window $1 (its client area, on the root)
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
                                       /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
check_states() {  # check_states WINDOW STATE...: each _NET_WM_STATE_STATE is among the window's states
  states=$(xprop -id "$1" _NET_WM_STATE)
  shift
  for state in "$@"; do
    case "$states" in
      *"_NET_WM_STATE_$state"*) check "state $state" yes yes ;;
      *) check "state $state" "$states" "_NET_WM_STATE_$state" ;;
    esac
  done
}
screen_size() {  # prints "WIDTH HEIGHT" of the screen
  xdpyinfo | awk '/dimensions:/{sub("x", " ", $2); print $2}'
}
centred() {  # centred WIDTH HEIGHT: prints "X Y WIDTH HEIGHT" of a window of that size centred on the screen
  set -- "$1" "$2" $(screen_size)
  echo "$((($3 - $1) / 2)) $((($4 - $2) / 2)) $1 $2"
}
find_window() {  # find_window TENTHS SEARCH...: the first visible window that `xdotool search` finds
  # with these arguments, waiting up to TENTHS tenths of a second for one; prints nothing if none
  tenths=$1
  shift
  n=0
  found=$(xdotool search --onlyvisible "$@" 2>/dev/null | head -1)
  while [ -z "$found" ] && [ $n -lt "$tenths" ]; do
    n=$((n + 1))
    sleep 0.1
    found=$(xdotool search --onlyvisible "$@" 2>/dev/null | head -1)
  done
  echo "$found"
}
drag() {  # drag X Y DX DY: presses the left button at screen X Y, moves by DX DY in 20 steps, releases
  xdotool mousemove "$1" "$2" sleep 0.2 mousedown 1 sleep 0.05
  n=1
  while [ $n -le 20 ]; do
    xdotool mousemove $(($1 + n * $3 / 20)) $(($2 + n * $4 / 20))
    n=$((n + 1))
  done
  xdotool sleep 0.1 mouseup 1 sleep 0.3
}
no_window() {  # no_window PID WHAT: the test ends here, failed, when it found no window of program PID
  echo "FAIL: no visible $2"
  kill "$1" 2>/dev/null
  echo "0 passed, 1 failed"
  exit 1
}
# check_panel NAME WINDOW SCALE SCRIPT-LINES DRIVER...: the picture panel (client 3,36, 534 x 167
# logical pixels) of WINDOW as the screen shows it, against the panel of the driver command's
# rendering of SCRIPT-LINES at SCALE (the driver is given --scale when SCALE is not 1); no pixel
# may differ.
check_panel() {
  panel_name=$1 panel_window=$2 panel_scale=$3 panel_lines=$4
  shift 4
  [ "$panel_scale" = 1 ] || set -- "$@" --scale "$panel_scale"
  panel_work=$(mktemp -d)
  panel_size="$((534 * panel_scale))x$((167 * panel_scale))"
  panel_place=$(geometry "$panel_window")
  panel_x=${panel_place%% *}
  panel_y=${panel_place#* }
  panel_y=${panel_y%% *}
  import -window root -crop "$panel_size+$((panel_x + 3 * panel_scale))+$((panel_y + 36 * panel_scale))" +repage \
    "$panel_work/real.png"
  printf '%s\nshot %s\n' "$panel_lines" "$panel_work/headless-full.png" | "$@" >/dev/null
  convert "$panel_work/headless-full.png" -crop "$panel_size+$((3 * panel_scale))+$((36 * panel_scale))" +repage \
    "$panel_work/headless.png"
  check "$panel_name: picture panel as rendered headless" \
    "$(compare -metric AE "$panel_work/real.png" "$panel_work/headless.png" null: 2>&1)" 0
  rm -rf "$panel_work"
}
check_esc_ends() {  # check_esc_ends PID TENTHS: Esc ends program PID within TENTHS tenths of a second, with code 0
  xdotool key Escape
  n=0
  while kill -0 "$1" 2>/dev/null && [ $n -lt "$2" ]; do
    n=$((n + 1))
    sleep 0.1
  done
  if kill -0 "$1" 2>/dev/null; then
    check "Esc ends the program" running ended
    kill "$1"
    wait "$1" 2>/dev/null
  else
    wait "$1"
    check "exit code after Esc" "$?" 0
  fi
}
report() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
