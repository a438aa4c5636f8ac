#!/bin/sh
# tests/fuzz/run.sh BUILD_DIR SECONDS
#
# Builds the three fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into BUILD_DIR: png_fuzzer, the PNG codec alone (zlib and the base types, no class library, no
# fonts), picture_fuzzer, the picture classes with their stored forms (PNG datastreams, BMP
# files and the stored 32-bit alpha bitmap), and glyph_store_fuzzer, the reader of the glyphs
# kept between runs. Replays every past crasher in tests/fuzz/crashers/ through each, then fuzzes
# each for a third of SECONDS seconds from the seed corpus tests/fuzz/corpus/. Exits non-zero on
# any crash; a new crash is left in BUILD_DIR/artifacts/ (copy it into crashers/ once fixed).
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: run.sh BUILD_DIR SECONDS}
seconds=${2:-60}
mkdir -p "$build/corpus" "$build/artifacts"
build=$(cd "$build" && pwd)

cxx=${CLANGXX:-clang++}
# Warnings are errors here too, as in every build of the test command.
flags="-std=c++20 -O1 -g -Wall -Wextra -Werror -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined"
codec="$(cd "$root" && ls pictures/codec/*.cpp | tr '\n' ' ')"
echo "building $build/png_fuzzer (the codec alone)"
(cd "$root" && $cxx $flags -I"$root" $codec tests/fuzz/png_fuzzer.cpp -o "$build/png_fuzzer" -lz)
# The picture classes and the few framework files they stand on (the canvas needs the fonts).
libs="$(pkg-config --libs freetype2 fontconfig) -lz"
cflags="$(pkg-config --cflags freetype2 fontconfig)"
sources="
  $(cd "$root" && ls base/*.cpp | tr '\n' ' ') framework/Streams.cpp framework/Bitmap.cpp framework/Picture.cpp framework/Graphics.cpp
  framework/FontEngine.cpp framework/FileBlocks.cpp framework/GlyphStore.cpp platform/fontconfig/FontFiles.cpp
  $(cd "$root" && ls pictures/*.cpp | tr '\n' ' ') $codec
  tests/fuzz/picture_fuzzer.cpp"
echo "building $build/picture_fuzzer"
(cd "$root" && $cxx $flags $cflags -I"$root" $sources -o "$build/picture_fuzzer" $libs)

echo "building $build/glyph_store_fuzzer"
(cd "$root" && $cxx $flags -I"$root" $(ls base/*.cpp | tr '\n' ' ') framework/GlyphStore.cpp \
  tests/fuzz/glyph_store_fuzzer.cpp -o "$build/glyph_store_fuzzer")

crashers=$(find "$root/tests/fuzz/crashers" -type f ! -name '.*' | sort)
for target in png_fuzzer picture_fuzzer glyph_store_fuzzer; do
  if [ -n "$crashers" ]; then
    echo "replaying $(echo "$crashers" | wc -l) past crashers through $target"
    # shellcheck disable=SC2086
    "$build/$target" -runs=1 $crashers
  fi
  if [ "$seconds" -gt 0 ]; then
    mkdir -p "$build/corpus/$target"
    "$build/$target" -max_total_time=$((seconds / 3)) -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -dict="$root/tests/fuzz/png.dict" -artifact_prefix="$build/artifacts/" -print_final_stats=1 \
      "$build/corpus/$target" "$root/tests/fuzz/corpus"
  fi
done
