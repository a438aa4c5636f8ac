#!/bin/sh
# to_transcript.sh DRIVER SCRIPT...: turns the .expected file beside each SCRIPT from bare output
# into a transcript (each command echoed before its output). A file is rewritten only when the
# script's plain output still equals it, so the conversion changes no expected value; a file that
# is already a transcript is left alone.
#   tests/scripts/to_transcript.sh build/bin/orvanta-script tests/scripts/*/*.script
driver=$(realpath "$1")
shift
status=0
for script in "$@"; do
  expected=${script%.script}.expected
  dir=$(dirname "$script") name=$(basename "$script")
  plain=$(cd "$dir" && "$driver" "$name"; echo x)
  echoed=$(cd "$dir" && "$driver" --echo "$name"; echo x)
  old=$(cat "$expected"; echo x)
  if [ "$echoed" = "$old" ]; then
    continue  # already a transcript
  fi
  if [ "$plain" != "$old" ]; then
    echo "$expected: the script's output differs from it; not converted" >&2
    status=1
    continue
  fi
  printf '%s' "${echoed%x}" >"$expected"
  echo "$expected: converted"
done
exit $status
