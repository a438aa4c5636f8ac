# Shared by the shell tests of real windows (sourced): counting checks and reading a window's
# place. `report` ends a test: it prints the count and fails when any check failed.
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
report() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
