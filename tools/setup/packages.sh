#!/bin/sh
# Installs the Debian packages the program, its build and its tests need, when any is missing.
# Usage: tools/setup/packages.sh [run|test|windows]
#   windows: what the Windows cross-build, its tests under Wine and its packages need
set -e
RUN="libx11-6 libx11-xcb1 libxcb1 libxcb-randr0 libxkbcommon-x11-0 libxext6 libfreetype6 libfontconfig1 zlib1g fonts-wqy-zenhei fonts-arphic-uming fonts-dejavu-core xdg-utils"
BUILD="cmake ninja-build g++ pkg-config libx11-dev libx11-xcb-dev libxcb-randr0-dev libxkbcommon-x11-dev libxext-dev libfreetype-dev libfontconfig-dev zlib1g-dev"
DISPLAY_TOOLS="xvfb xdotool x11-utils openbox icewm xcompmgr xclip imagemagick"
WINDOWS="g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 nsis googletest dpkg-dev fonts-wqy-zenhei fonts-arphic-uming fonts-dejavu-core cmake ninja-build"
TEST="clang-format libgtest-dev libpng-dev clang libclang-rt-14-dev libbenchmark-dev libspng-dev libstb-dev x11-apps libxdamage-dev libxtst-dev"
want="$RUN $BUILD $DISPLAY_TOOLS"
[ "$1" = "test" ] && want="$want $TEST $WINDOWS"
[ "$1" = "windows" ] && want="$WINDOWS $DISPLAY_TOOLS"
missing=""
for p in $want; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
