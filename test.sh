#!/bin/sh
# Builds and runs the whole test suite: unit, scripted, asset and real-display tests on the
# release build, the Windows build's unit, scripted, soak and real-program tests under Wine, the
# picture tests on a scalar-only build, unit and scripted tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short fuzzing run of the PNG codec, the picture classes and the
# glyph store's reader.
set -e
# Every build here treats compiler warnings as errors.
cd "$(dirname "$0")"
tools/setup/packages.sh test
jobs=$(nproc)

cmake --preset default -DORVANTA_WERROR=ON >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

# The Windows program, cross-built with MinGW-w64 and tested under Wine (its soak test uses the
# soak program of the build above).
windows_start=$(date +%s)
cmake --preset windows -DORVANTA_WERROR=ON >/dev/null
cmake --build --preset windows -j "$jobs"
ctest --preset windows -j "$jobs"
echo "Windows build and tests: $(($(date +%s) - windows_start)) s"

# The picture tests once more with the portable scalar paths only (no SIMD kernels).
cmake --preset scalar -DORVANTA_WERROR=ON >/dev/null
cmake --build --preset scalar -j "$jobs" --target pictures_tests
build-scalar/bin/pictures_tests --gtest_brief=1

cmake --preset sanitize -DORVANTA_WERROR=ON >/dev/null
cmake --build --preset sanitize -j "$jobs" --target base_tests platform_tests framework_tests pictures_tests controls_tests app_tests \
  orvanta-script orvanta-soak orvanta-gen-assets png-draw png_fuzz_replay picture_fuzz_replay glyph_store_fuzz_replay
ctest --preset sanitize -j "$jobs" -L 'unit|script|soak'

if [ -x tests/fuzz/run.sh ]; then
  tests/fuzz/run.sh build-fuzz 60
fi
