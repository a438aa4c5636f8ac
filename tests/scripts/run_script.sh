#!/bin/sh
# run_script.sh DRIVER SCRIPT EXPECTED: runs SCRIPT through the driver with its commands echoed
# (EXPECTED is a transcript) and compares the output with EXPECTED; prints the difference when
# they differ. An EXPECTED file of bare output is converted with to_transcript.sh.
driver=$1 script=$2 expected=$3
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
cd "$(dirname "$script")" || exit 1
"$driver" --echo "$script" >"$actual" 2>&1
status=$?
if [ $status -ne 0 ]; then
  echo "driver exited with status $status"
  cat "$actual"
  exit 1
fi
if ! diff -u "$expected" "$actual"; then
  exit 1
fi
