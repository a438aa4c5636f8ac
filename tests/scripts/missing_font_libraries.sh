#!/bin/sh
# missing_font_libraries.sh DRIVER SCRIPT: where a font library, which the program loads when text
# first needs it, cannot be loaded, the program still runs the script to its end, says once why
# no text shows, and draws none.
driver=$1 script=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$(dirname "$script")" || exit 1
failed=0
for library in libfontconfig.so.1 libfreetype.so.6; do
  # A file of the library's name that is no library, found first on the library path.
  rm -f "$dir"/lib*
  : >"$dir/$library"
  LD_LIBRARY_PATH=$dir "$driver" "$script" >"$dir/out" 2>"$dir/err"
  status=$?
  said=$(grep -c "text cannot be drawn: .*$library" "$dir/err")
  if [ $status -ne 0 ] || [ "$said" -ne 1 ]; then
    echo "FAIL without $library: status $status, said $said times:"
    cat "$dir/err"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "passed"
exit $failed
