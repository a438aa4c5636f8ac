#!/bin/sh
# Builds FreeType as a static library for 64-bit Windows (MinGW-w64) from Debian's source
# package, once: the result in DIR is reused by every later build.
# Usage: tools/setup/freetype-mingw.sh DIR
# Result: DIR/install/{include/freetype2,lib/libfreetype.a}
#
# The source comes through an apt configuration of its own under DIR (source entries made from the
# machine's package sources), so the machine's own configuration is never changed.
set -e
dir=$(realpath -m "$1")
[ -f "$dir/install/lib/libfreetype.a" ] && exit 0
here=$(cd "$(dirname "$0")/../.." && pwd)

apt_dir="$dir/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$dir/src"
# The machine's own binary package sources, as source-package entries in the private configuration.
: >"$apt_dir/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] && sed -n 's/^deb\([[:space:]]\)/deb-src\1/p' "$f" >>"$apt_dir/sources.list"
done
apt_private() {
  apt-get -q \
    -o Dir::Etc::sourcelist="$apt_dir/sources.list" \
    -o Dir::Etc::sourceparts="$apt_dir/sources.list.d" \
    -o Dir::State::lists="$apt_dir/lists" \
    -o Dir::Cache="$apt_dir/cache" \
    -o APT::Sandbox::User=root \
    "$@"
}
apt_private update >/dev/null
(cd "$dir/src" && apt_private source --only-source freetype >/dev/null)
source_dir=$(find "$dir/src" -maxdepth 1 -type d -name 'freetype-*' | head -n 1)
[ -n "$source_dir" ] || { echo "freetype-mingw: no source unpacked" >&2; exit 1; }

cmake -S "$source_dir" -B "$dir/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dir/install" -DBUILD_SHARED_LIBS=OFF \
  -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
  -DFT_DISABLE_BROTLI=ON >/dev/null
cmake --build "$dir/build" -j "$(nproc)" >/dev/null
cmake --install "$dir/build" >/dev/null
echo "freetype-mingw: built $(basename "$source_dir") into $dir/install"
