#!/bin/sh
# tests/fuzz/run.sh BUILD_DIR SECONDS
#
# Builds the PNG reader's fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into BUILD_DIR, replays every past crasher in tests/fuzz/crashers/,
# then fuzzes for SECONDS seconds from the seed corpus tests/fuzz/corpus/. Exits non-zero on any
# crash; a new crash is left in BUILD_DIR/artifacts/ (copy it into crashers/ once fixed).
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: run.sh BUILD_DIR SECONDS}
seconds=${2:-60}
mkdir -p "$build/corpus" "$build/artifacts"
build=$(cd "$build" && pwd)

cxx=${CLANGXX:-clang++}
flags="-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined"
libs="$(pkg-config --libs freetype2 fontconfig) -lz"
cflags="$(pkg-config --cflags freetype2 fontconfig)"
# The picture library (all of pictures/) and the few framework files it stands on.
sources="
  framework/Streams.cpp framework/Bitmap.cpp framework/Picture.cpp framework/Graphics.cpp framework/FontEngine.cpp platform/fontconfig/FontFiles.cpp
  $(cd "$root" && ls pictures/*.cpp | tr '\n' ' ')
  tests/fuzz/png_fuzzer.cpp"
echo "building $build/png_fuzzer"
(cd "$root" && $cxx $flags $cflags -I"$root" $sources -o "$build/png_fuzzer" $libs)

crashers=$(find "$root/tests/fuzz/crashers" -type f ! -name '.*' | sort)
if [ -n "$crashers" ]; then
  echo "replaying $(echo "$crashers" | wc -l) past crashers"
  # shellcheck disable=SC2086
  "$build/png_fuzzer" -runs=1 $crashers
fi

if [ "$seconds" -gt 0 ]; then
  "$build/png_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -dict="$root/tests/fuzz/png.dict" -artifact_prefix="$build/artifacts/" -print_final_stats=1 \
    "$build/corpus" "$root/tests/fuzz/corpus"
fi
