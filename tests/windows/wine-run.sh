#!/bin/sh
# wine-run.sh PREFIX PROGRAM.exe [ARG...]: runs a Windows program under Wine in the prefix
# PREFIX, making the prefix on first use: no crash dialog (it would wait for a click forever),
# no debug output, and the window description's three fonts mapped to the installed faces.
set -e
prefix=$(realpath -m "$1")
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
# Makes the prefix. Wine keeps the screen it meets at the prefix's birth as the primary
# display's mode, so the prefix is born on an X display even when none is at hand (a build).
boot() {
  "$wine" wineboot -i >/dev/null 2>&1 || true
  reg=$(mktemp --suffix=.reg)
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"黑体"="WenQuanYi Zen Hei"' '"SimHei"="WenQuanYi Zen Hei"' \
    '"宋体"="AR PL UMing CN"' '"SimSun"="AR PL UMing CN"' '"Tahoma"="DejaVu Sans"' '' >"$reg"
  iconv -f UTF-8 -t UTF-16LE "$reg" | { printf '\377\376'; cat; } >"$reg.utf16"
  "$wine" regedit /S "Z:$(echo "$reg.utf16" | tr / '\\')" >/dev/null 2>&1
  rm -f "$reg" "$reg.utf16"
  "$wine" wineboot -s >/dev/null 2>&1 || true
  "$(dirname "$(realpath "$wine")")/wineserver" -w 2>/dev/null || true
}
if [ "${1:-}" = --boot ]; then
  boot
  exit 0
fi
if [ ! -f "$prefix/.orvanta-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.orvanta-ready" ]; then
      if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null 2>&1; then
        sh "$(dirname "$0")/../display/run-under-xvfb.sh" -- sh "$0" "$prefix" --boot
      else
        boot
      fi
      touch "$prefix/.orvanta-ready"
    fi
  ) 9>"$prefix.lock"
fi
# A server that outlives each program by a minute: every start after the first then takes a
# fraction of a second instead of several.
wineserver=$(dirname "$(realpath "$wine")")/wineserver
# A test on a display of its own asks for a fresh server: one that served another display keeps
# that display's screen and desktop.
if [ "${ORVANTA_WINE_FRESH:-}" = 1 ]; then
  "$wineserver" -k 2>/dev/null || true
  exec "$wine" "$@"
fi
# Detached from our output, so that whoever waits for the output to close does not wait for it.
# The prefix's services (started by the first program a server runs) live as long as the server:
# a first program that writes nothing starts them, so that they do not hold our output either.
if [ -x "$wineserver" ] && "$wineserver" -p60 </dev/null >/dev/null 2>&1; then
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
exec "$wine" "$@"
